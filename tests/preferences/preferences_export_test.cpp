// Exporting the preference values to a property-list file and loading them back: what is written, what a
// load without force keeps, and that a damaged or foreign file changes nothing.
#include "preferences/preferences_export.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "platform/apple_double.h"
#include "platform/folder_reference.h"
#include "platform/user_defaults.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_storage.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace vorl {
namespace {

class PreferencesExport : public testing::Test {
 protected:
  void SetUp() override { setStandardUserDefaults(&defaults_); }
  void TearDown() override { setStandardUserDefaults(nullptr); }

  void writeFile(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

  std::filesystem::path folder_ = test::makeTempFolder("preferences-export");
  UserDefaults defaults_{folder_ / "defaults.plist"};
};

TEST_F(PreferencesExport, ExportHoldsEveryStoredSettingAndNothingElse) {
  ASSERT_TRUE(ReadPreferences());
  ASSERT_TRUE(SavePreferences());
  std::vector<std::uint8_t> reference;
  ASSERT_EQ(makeFolderReference(folder_, reference), noErr);
  defaults_.setObject("AliasHandle 4566", PlistData(reference));
  defaults_.setObject("prefEnableRelaunch", true);

  const std::filesystem::path file = folder_ / "exported.plist";
  ASSERT_TRUE(SaveToNewPreferencesFile(file));

  std::vector<std::uint8_t> bytes;
  std::ifstream in(file, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  const std::optional<PlistValue> parsed = parsePropertyList(bytes);
  ASSERT_TRUE(parsed);
  const PlistDictionary* top = parsed->get<PlistDictionary>();
  ASSERT_TRUE(top);
  ASSERT_EQ(top->size(), 1u);
  const PlistDictionary* entries = top->at(std::string(kPreferencesExportTopKey)).get<PlistDictionary>();
  ASSERT_TRUE(entries);
  std::vector<std::string> keys;
  for (const auto& entry : *entries) {
    keys.push_back(entry.first);
    EXPECT_EQ(entry.second, *defaults_.object(entry.first)) << entry.first;
  }
  EXPECT_EQ(keys,
            (std::vector<std::string>{"AliasHandle 4566", "PrintToFileSet 1", "PrintToFileSet 2", "PrintToFileSet 3",
                                      "PrintToFileSet 4", "PrintToFileSet 5", "PrintToFileSet 6", "PrintToFileSet 7",
                                      "PrintToFileSet 8", "VorlPrintCenterPrefs", "WebUploadPrefs", "outputFilesPref",
                                      "printServerPref"}));
  FInfo info;
  ASSERT_EQ(getFinderInfo(file, info), noErr);
  EXPECT_EQ(info.fdCreator, kApplicationCreator);
}

TEST_F(PreferencesExport, ExportWithoutSetsHasNoSetEntries) {
  defaults_.setObject(kOutputFilesPrefKey, PlistData(260, 0));
  const PlistDictionary entries = CopyUserPreferencesToDictionary();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries.contains(kOutputFilesPrefKey));
}

TEST_F(PreferencesExport, LoadCopiesEntriesAndWithoutForceKeepsExistingKeys) {
  getMyOutputFilePrefs()->outputQuality = 60;
  ASSERT_TRUE(SavePreferences());
  const std::filesystem::path file = folder_ / "sixty.plist";
  ASSERT_TRUE(SaveToNewPreferencesFile(file));

  getMyOutputFilePrefs()->outputQuality = 90;
  ASSERT_TRUE(SavePreferences());
  const PlistValue ninety = *defaults_.object(kOutputFilesPrefKey);

  EXPECT_EQ(LoadFromNewPreferencesFile2(file, false), 1);
  EXPECT_EQ(*defaults_.object(kOutputFilesPrefKey), ninety);

  EXPECT_EQ(LoadFromNewPreferencesFile2(file, true), 1);
  ASSERT_TRUE(ReadPreferences());
  EXPECT_EQ(getMyOutputFilePrefs()->outputQuality, 60);
}

TEST_F(PreferencesExport, FileOfAnotherProgramStillLoads) {
  // Written by hand, so it carries no creator of ours.
  PlistDictionary entries;
  PlistData record(260, 0);
  record[0] = 80;
  entries.emplace(std::string(kOutputFilesPrefKey), record);
  PlistDictionary file;
  file.emplace(std::string(kPreferencesExportTopKey), entries);
  writeFile(folder_ / "foreign.plist", *toXmlPropertyList(PlistValue(file)));

  EXPECT_EQ(LoadFromNewPreferencesFile2(folder_ / "foreign.plist", true), 1);
  EXPECT_EQ(*defaults_.data(kOutputFilesPrefKey), record);
}

TEST_F(PreferencesExport, DamagedFileIsRefusedAndChangesNothing) {
  PlistData goodRecord(260, 0);
  const auto fileWith = [&](PlistDictionary entries) {
    entries.emplace(std::string(kOutputFilesPrefKey), goodRecord);
    PlistDictionary top;
    top.emplace(std::string(kPreferencesExportTopKey), std::move(entries));
    return *toXmlPropertyList(PlistValue(top));
  };
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"not a property list", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>x</key>"},
      {"no top key", *toXmlPropertyList(PlistValue(PlistDictionary{{"other", PlistDictionary{}}}))},
      {"unknown key", fileWith({{"prefEnableRelaunch", true}})},
      {"record that is not data", fileWith({{"printServerPref", "text"}})},
      {"record cut short", fileWith({{"printServerPref", PlistData(20, 0)}})},
      {"folder reference that is none", fileWith({{"AliasHandle 4511", PlistData{1, 2, 3}}})},
  };
  defaults_.setObject(kOutputFilesPrefKey, PlistData(260, 7));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::MessageRecorder messages;
    writeFile(folder_ / "bad.plist", c.text);
    EXPECT_EQ(LoadFromNewPreferencesFile2(folder_ / "bad.plist", true), 0);
    EXPECT_EQ(*defaults_.data(kOutputFilesPrefKey), PlistData(260, 7));
    EXPECT_EQ(messages.messages().size(), 1u);
  }
}

TEST(PreferencesExportNames, DefaultFileNameCarriesNameVersionAndDate) {
  DateTimeRec today;
  today.year = 2026, today.month = 3, today.day = 7;
  EXPECT_EQ(defaultPreferencesFileName(today), "Vorl-Zeverezoz 14.0 On 2026-03-07");
  EXPECT_EQ(preferencesFolderPath().filename(), "VORL PREFERENCES FOLDER ƒ");
}

}  // namespace
}  // namespace vorl
