// The older preference file: records go into 'Pref' resources of its sidecar and come back; only four sets
// fit; a short resource fills its own length; a damaged sidecar changes nothing.
#include "preferences/legacy_preferences.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/files/apple_double.h"
#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_storage.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/record_bytes.h"

namespace vorl {
namespace {

using test::bytesOf;

TEST(LegacyPreferences, RecordsComeBackAndOnlyFourSetsAreKept) {
  const std::filesystem::path file = legacyPreferencesFilePath();
  mySetAllDefaults();
  getMyPrintServerPrefs()->printJobsFolder.dirID = 4242;
  getMyPrintToCDSetPrefs()->fileNamePrefix.assign("CD");
  for (std::int16_t set = 1; set <= 8; ++set) getMyPrintToFileSetPrefs(set)->webMaximumSize = set * 100;
  const auto server = bytesOf(*getMyPrintServerPrefs());
  const auto cd = bytesOf(*getMyPrintToCDSetPrefs());
  ASSERT_EQ(WritePrefs(file), noErr);

  FInfo finder;
  ASSERT_EQ(getFinderInfo(file, finder), noErr);
  EXPECT_EQ(finder.fdType, fourCharCode("pref"));
  EXPECT_EQ(finder.fdCreator, fourCharCode("QZKb"));

  mySetAllDefaults();
  ASSERT_EQ(ReadPrefs(file), noErr);
  EXPECT_EQ(bytesOf(*getMyPrintServerPrefs()), server);
  EXPECT_EQ(bytesOf(*getMyPrintToCDSetPrefs()), cd);
  for (std::int16_t set = 1; set <= 8; ++set) {
    SCOPED_TRACE(set);
    EXPECT_EQ(getMyPrintToFileSetPrefs(set)->webMaximumSize, set <= 4 ? set * 100 : 640);
  }
}

TEST(LegacyPreferences, ShortResourceFillsOnlyItsOwnLength) {
  const std::filesystem::path file = test::makeTempFolder("legacy") / "prefs";
  std::ofstream(file).put('x');
  std::vector<std::uint8_t> firstBytes(20, 0);
  firstBytes[12] = 0x39;  // print-jobs folder volume: +12
  ASSERT_EQ(writeResource(file, fourCharCode("Pref"), 1000, firstBytes), noErr);

  mySetAllDefaults();
  getMyPrintServerPrefs()->value336 = 9;
  ASSERT_EQ(ReadPrefs(file), noErr);
  EXPECT_EQ(getMyPrintServerPrefs()->printJobsFolder.vRefNum, 0x39);
  EXPECT_EQ(getMyPrintServerPrefs()->value336, 9);
}

TEST(LegacyPreferences, DamagedSidecarChangesNoRecord) {
  const std::filesystem::path folder = test::makeTempFolder("legacy");
  std::ofstream(folder / "prefs").put('x');
  std::ofstream(folder / "._prefs") << "not an AppleDouble file";
  mySetAllDefaults();
  getMyPrintToFileSetPrefs(2)->webMaximumSize = 123;
  EXPECT_NE(ReadPrefs(folder / "prefs"), noErr);
  EXPECT_EQ(getMyPrintToFileSetPrefs(2)->webMaximumSize, 123);
}

}  // namespace
}  // namespace vorl
