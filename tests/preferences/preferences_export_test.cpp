// Exporting the preference values to a property-list file and loading them back: what is written, what a
// load without force keeps, and that a damaged or foreign file changes nothing.
#include "preferences/preferences_export.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "platform/files/apple_double.h"
#include "platform/files/folder_reference.h"
#include "platform/plists/user_defaults.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_storage.h"
#include "tests/platform/file_size_limit.h"
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

// The first bytes of a folder alias record as the Mac program stored them: no creator, the record's size,
// version 2, kind 1 (a folder), then the volume's name as a Pascal string in 28 bytes.
PlistData macAliasRecord(const std::string& volume) {
  PlistData record(150, 0);
  record[5] = 150;
  record[7] = 2;
  record[9] = 1;
  record[10] = static_cast<std::uint8_t>(volume.size());
  std::copy(volume.begin(), volume.end(), record.begin() + 11);
  return record;
}

std::string exportFile(PlistDictionary entries) {
  PlistDictionary top;
  top.emplace(std::string(kPreferencesExportTopKey), std::move(entries));
  return *toXmlPropertyList(PlistValue(top));
}

// Each row fails by one rule only: the key is the one named, the value is of the kind that key takes.
TEST_F(PreferencesExport, AFileWithNothingUsableIsRefusedAndChangesNothing) {
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"not a property list", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>x</key>"},
      {"no top key", *toXmlPropertyList(PlistValue(PlistDictionary{{"other", PlistDictionary{}}}))},
      {"no entries", exportFile({})},
      {"only an unknown key", exportFile({{"printServerPrefs", PlistData(82, 0)}})},
      {"only a record that is not data", exportFile({{"printServerPref", "text"}})},
      {"only a record cut short", exportFile({{"printServerPref", PlistData(20, 0)}})},
      {"only a folder reference that is none", exportFile({{"AliasHandle 4511", PlistData{1, 2, 3}}})},
      {"only a Mac alias record", exportFile({{"AliasHandle 4506", macAliasRecord("Macintosh HD")}})},
  };
  defaults_.setObject(kOutputFilesPrefKey, PlistData(260, 7));
  ASSERT_EQ(defaults_.synchronize(), noErr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::MessageRecorder messages;
    writeFile(folder_ / "bad.plist", c.text);
    EXPECT_EQ(LoadFromNewPreferencesFile2(folder_ / "bad.plist", true), 0);
    EXPECT_EQ(defaults_.keys(), std::vector<std::string>{std::string(kOutputFilesPrefKey)});
    EXPECT_EQ(*defaults_.data(kOutputFilesPrefKey), PlistData(260, 7));
    EXPECT_EQ(messages.messages().size(), 1u);
  }
}

// An entry that cannot be used is left out and named; the rest of the file loads.
TEST_F(PreferencesExport, EntriesThatCannotBeUsedAreLeftOutAndNamed) {
  PlistData record(260, 0);
  record[0] = 80;
  const struct {
    const char* name;
    const char* key;
    PlistValue value;
  } cases[] = {
      {"unknown key", "printServerPrefs", PlistData(82, 0)},
      {"record that is not data", "printServerPref", "text"},
      {"record cut short", "printServerPref", PlistData(20, 0)},
      {"folder reference that is none", "AliasHandle 4511", PlistData{1, 2, 3}},
      {"Mac alias record", "AliasHandle 4506", macAliasRecord("Macintosh HD")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    defaults_.removeObject(c.key);
    defaults_.removeObject(kOutputFilesPrefKey);
    test::MessageRecorder messages;
    writeFile(folder_ / "mixed.plist", exportFile({{std::string(kOutputFilesPrefKey), record}, {c.key, c.value}}));
    EXPECT_EQ(LoadFromNewPreferencesFile2(folder_ / "mixed.plist", true), 1);
    EXPECT_EQ(defaults_.data(kOutputFilesPrefKey), record);
    EXPECT_FALSE(defaults_.object(c.key).has_value());
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].find(std::string("\"") + c.key + "\""), std::string::npos)
        << messages.messages()[0];
  }
}

// A configuration exported by the Mac program: its records are byte for byte ours, its folders are alias
// records. The records arrive and persist; the folders are left for the operator to choose again.
TEST_F(PreferencesExport, AFileFromTheMacProgramBringsItsRecords) {
  ASSERT_TRUE(ReadPreferences());
  getMyOutputFilePrefs()->outputQuality = 42;
  ASSERT_TRUE(SavePreferences());
  const PlistValue serverRecord = *defaults_.object(kPrintServerPrefKey);
  const PlistValue outputRecord = *defaults_.object(kOutputFilesPrefKey);
  PlistDictionary entries{{std::string(kPrintServerPrefKey), serverRecord},
                          {std::string(kOutputFilesPrefKey), outputRecord}};
  for (int id : {4501, 4506, 4507, 4511, 4566})
    entries.emplace("AliasHandle " + std::to_string(id), macAliasRecord("Studio"));
  writeFile(folder_ / "mac.plist", exportFile(entries));

  UserDefaults fresh(folder_ / "fresh.plist");
  setStandardUserDefaults(&fresh);
  test::MessageRecorder messages;
  EXPECT_EQ(LoadFromNewPreferencesFile2(folder_ / "mac.plist", true), 1);
  setStandardUserDefaults(&defaults_);
  UserDefaults reread(folder_ / "fresh.plist");
  EXPECT_EQ(reread.keys(), (std::vector<std::string>{"outputFilesPref", "printServerPref"}));
  EXPECT_EQ(reread.object(kOutputFilesPrefKey), outputRecord);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_NE(messages.messages()[0].find("without 5 of its entries"), std::string::npos) << messages.messages()[0];
  EXPECT_NE(messages.messages()[0].find("\"AliasHandle 4501\""), std::string::npos) << messages.messages()[0];
}

// The values are in the user defaults only once they are on the disk: a full disk answers failure, and nothing of
// the file stays behind to be written later.
TEST_F(PreferencesExport, AFullDiskIsAFailedLoadThatLeavesNothingBehind) {
  defaults_.setObject(kOutputFilesPrefKey, PlistData(260, 7));
  ASSERT_EQ(defaults_.synchronize(), noErr);
  PlistData record(260, 0);
  record[0] = 80;
  writeFile(folder_ / "large.plist", exportFile({{std::string(kOutputFilesPrefKey), record},
                                                 {"printServerPref", PlistData(760, 1)},
                                                 {"PrintToFileSet 1", PlistData(760, 2)}}));
  std::int16_t loaded = 1;
  test::MessageRecorder messages;
  {
    test::FileSizeLimit full(512);
    loaded = LoadFromNewPreferencesFile2(folder_ / "large.plist", true);
  }
  EXPECT_EQ(loaded, 0);
  EXPECT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(defaults_.keys(), std::vector<std::string>{std::string(kOutputFilesPrefKey)});
  EXPECT_EQ(*defaults_.data(kOutputFilesPrefKey), PlistData(260, 7));
  ASSERT_EQ(defaults_.synchronize(), noErr);
  EXPECT_EQ(UserDefaults(folder_ / "defaults.plist").data(kOutputFilesPrefKey), PlistData(260, 7));
}

TEST(PreferencesExportNames, DefaultFileNameCarriesNameVersionAndDate) {
  DateTimeRec today;
  today.year = 2026, today.month = 3, today.day = 7;
  EXPECT_EQ(defaultPreferencesFileName(today), "Vorl-Zeverezoz 14.0 On 2026-03-07");
  EXPECT_EQ(preferencesFolderPath().filename(), "VORL PREFERENCES FOLDER ƒ");
}

}  // namespace
}  // namespace vorl
