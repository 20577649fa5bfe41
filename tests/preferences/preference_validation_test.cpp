// Validation after the preferences are read: each rule changes its own fields and nothing else, so every case
// also compares the rest of the record byte for byte with what it was.
#include "preferences/preference_validation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"

namespace vorl {
namespace {

template <class T>
std::string bytesOf(const T& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

// The record's bytes with the given fields blanked, for comparing everything else.
template <class T, class... Fields>
std::string bytesOutside(T record, Fields T::*... fields) {
  ((record.*fields = 0), ...);
  return bytesOf(record);
}

// A set as storage could hand it over: defaults, plus stray values in fields no rule looks at.
tSpecialPrintToFilePref storedSet() {
  tSpecialPrintToFilePref set;
  EXPECT_EQ(setMyPrintToFileSetPrefsToFactoryDefaults(&set, 3), 1);
  set.folder.spec.vRefNum = -2;
  set.folder.spec.parID = 123456;
  set.folder.spec.name.assign("Exports");
  set.namingScheme = 7;
  set.linkedSets = {2, 9, 0};
  set.reserved958[5] = 0xDEADBEEF;
  return set;
}

TEST(PreferenceValidation, SetFormatBelowTwoBecomesThree) {
  const struct {
    std::int16_t stored, validated;
  } cases[] = {{-32768, 3}, {-1, 3}, {0, 3}, {1, 3}, {2, 2}, {3, 3}, {9, 9}, {10, 10}, {32767, 32767}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    tSpecialPrintToFilePref set = storedSet();
    set.fileFormat = c.stored;
    const std::string others = bytesOutside(set, &tSpecialPrintToFilePref::fileFormat);
    validatePrintToFileSetPrefs(&set);
    EXPECT_EQ(set.fileFormat, c.validated);
    EXPECT_EQ(bytesOutside(set, &tSpecialPrintToFilePref::fileFormat), others);
  }
}

TEST(PreferenceValidation, SetSizeBelowOneBecomes640) {
  const struct {
    std::int16_t stored, validated;
  } cases[] = {{-32768, 640}, {-5, 640}, {-1, 640}, {0, 640}, {1, 1}, {320, 320}, {640, 640}, {4000, 4000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    tSpecialPrintToFilePref set = storedSet();
    set.webMaximumSize = c.stored;
    const std::string others = bytesOutside(set, &tSpecialPrintToFilePref::webMaximumSize);
    validatePrintToFileSetPrefs(&set);
    EXPECT_EQ(set.webMaximumSize, c.validated);
    EXPECT_EQ(bytesOutside(set, &tSpecialPrintToFilePref::webMaximumSize), others);
  }
}

// Only 0 is "no site"; other values, negative ones included, are the upload step's business.
TEST(PreferenceValidation, SetSiteZeroBecomesOne) {
  const struct { std::int16_t stored, validated; } cases[] = {{0, 1}, {1, 1}, {2, 2}, {7, 7}, {-1, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    tSpecialPrintToFilePref set = storedSet();
    set.uploadSite = c.stored;
    const std::string others = bytesOutside(set, &tSpecialPrintToFilePref::uploadSite);
    validatePrintToFileSetPrefs(&set);
    EXPECT_EQ(set.uploadSite, c.validated);
    EXPECT_EQ(bytesOutside(set, &tSpecialPrintToFilePref::uploadSite), others);
  }
}

TEST(PreferenceValidation, SetWithEveryValueOutOfRangeIsRepairedAtOnce) {
  tSpecialPrintToFilePref set = storedSet();
  set.fileFormat = 0;
  set.webMaximumSize = 0;
  set.uploadSite = 0;
  validatePrintToFileSetPrefs(&set);
  EXPECT_EQ(set.fileFormat, 3);
  EXPECT_EQ(set.webMaximumSize, 640);
  EXPECT_EQ(set.uploadSite, 1);
}

// Web upload has rules of its own: format below 2 becomes 10, the alias id is always 4566, and its size and site
// may stay 0 (they are the web-upload defaults).
TEST(PreferenceValidation, WebUploadFormatBelowTwoBecomesTenAndAliasIdIs4566) {
  const struct {
    std::int16_t format, validatedFormat, aliasId;
  } cases[] = {{-1, 10, 0}, {0, 10, 4566}, {1, 10, 4511}, {2, 2, -1}, {3, 3, 32767}, {9, 9, 4501}, {10, 10, 4566}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << c.format << ", alias id " << c.aliasId);
    tSpecialPrintToFilePref web;
    ASSERT_EQ(setMyWebUploadPrefsToFactoryDefaults(&web), 1);
    web.fileFormat = c.format;
    web.folder.aliasId = c.aliasId;
    const std::string others = bytesOutside(web, &tSpecialPrintToFilePref::fileFormat);
    validateWebUploadPrefs(&web);
    EXPECT_EQ(web.fileFormat, c.validatedFormat);
    EXPECT_EQ(web.folder.aliasId, kWebUploadAliasId);
    EXPECT_EQ(web.webMaximumSize, 0);
    EXPECT_EQ(web.uploadSite, 0);
    // Apart from the format and the alias id, nothing moved.
    tSpecialPrintToFilePref aliasBack = web;
    aliasBack.folder.aliasId = c.aliasId;
    EXPECT_EQ(bytesOutside(aliasBack, &tSpecialPrintToFilePref::fileFormat), others);
  }
}

TEST(PreferenceValidation, PrintServerKeepsJobFilesAndClears224) {
  const struct {
    std::int16_t keepJobFiles, value224;
  } cases[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {5, -3}, {-1, 32767}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "+214 = " << c.keepJobFiles << ", +224 = " << c.value224);
    tPrintServerPrefs prefs;
    std::memset(static_cast<void*>(&prefs), 0x5A, sizeof prefs);
    ASSERT_EQ(setMyPrintServerPrefToFactoryDefaults(&prefs), 1);
    prefs.autoStart = 0;
    prefs.keepJobFiles = c.keepJobFiles;
    prefs.value224 = c.value224;
    const std::string others = bytesOutside(prefs, &tPrintServerPrefs::keepJobFiles, &tPrintServerPrefs::value224);
    validatePrintServerPrefs(&prefs);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&prefs);
    std::int16_t at214, at224;
    std::memcpy(&at214, bytes + 214, 2);
    std::memcpy(&at224, bytes + 224, 2);
    EXPECT_EQ(at214, 1);
    EXPECT_EQ(at224, 0);
    EXPECT_EQ(bytesOutside(prefs, &tPrintServerPrefs::keepJobFiles, &tPrintServerPrefs::value224), others);
  }
}

TEST(PreferenceValidation, NullRecordIsIgnored) {
  validatePrintServerPrefs(nullptr);
  validatePrintToFileSetPrefs(nullptr);
  validateWebUploadPrefs(nullptr);
  SUCCEED();
}

// All eight live sets are validated; the web-upload record, though of the same type, keeps its own values.
TEST(PreferenceValidation, AllSetsAreValidatedAndWebUploadIsLeftAlone) {
  for (std::int16_t n = 1; n <= kPrintToFileSetCount; ++n) {
    tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(n);
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(setMyPrintToFileSetPrefsToFactoryDefaults(set, n), 1);
    set->fileFormat = static_cast<std::int16_t>(n % 2);
    set->webMaximumSize = static_cast<std::int16_t>(-n);
    set->uploadSite = 0;
  }
  tSpecialPrintToFilePref* web = getMyWebUploadPrefs();
  ASSERT_EQ(setMyWebUploadPrefsToFactoryDefaults(web), 1);
  web->fileFormat = 0;
  const std::string webBefore = bytesOf(*web);

  validateAllPrintToFileSetPrefs();

  for (std::int16_t n = 1; n <= kPrintToFileSetCount; ++n) {
    SCOPED_TRACE(n);
    const tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(n);
    EXPECT_EQ(set->fileFormat, 3);
    EXPECT_EQ(set->webMaximumSize, 640);
    EXPECT_EQ(set->uploadSite, 1);
    EXPECT_EQ(set->folder.aliasId, 4510 + n);
  }
  EXPECT_EQ(bytesOf(*web), webBefore);
}

}  // namespace
}  // namespace vorl
