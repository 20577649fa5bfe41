// Reading and saving the preference records through a user-defaults file in the test's temporary home: the
// round trip through a fresh store, the factory defaults of an empty store, and what damaged values do.
#include "preferences/preference_storage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/plists/user_defaults.h"
#include "preferences/factory_defaults.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_stream_layouts.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/record_bytes.h"

namespace vorl {
namespace {

using test::Bytes;
using test::bytesOf;

class PreferenceStorage : public testing::Test {
 protected:
  void SetUp() override { useFreshDefaults(); }
  void TearDown() override { setStandardUserDefaults(nullptr); }

  // A new store over the same file: what the next start of the program sees.
  void useFreshDefaults() {
    defaults_ = std::make_unique<UserDefaults>(folder_ / "defaults.plist");
    setStandardUserDefaults(defaults_.get());
  }

  void store(std::string_view key, PlistValue value) { defaults_->setObject(key, std::move(value)); }

  std::filesystem::path folder_ = test::makeTempFolder("preference-storage");
  std::unique_ptr<UserDefaults> defaults_;
};

TEST_F(PreferenceStorage, EmptyStoreGivesFactoryDefaults) {
  getMyOutputFilePrefs()->outputQuality = 13;
  EXPECT_TRUE(ReadPreferences());

  tOutputFilePrefs outputDefaults;
  setMyOutputFilePrefToFactoryDefaults(&outputDefaults);
  EXPECT_EQ(bytesOf(*getMyOutputFilePrefs()), bytesOf(outputDefaults));
  for (std::int16_t set = 1; set <= 8; ++set) {
    SCOPED_TRACE(set);
    EXPECT_EQ(getMyPrintToFileSetPrefs(set)->folder.aliasId, 4510 + set);
  }
  EXPECT_EQ(getMyPrintServerPrefs()->keepJobFiles, 1);
}

TEST_F(PreferenceStorage, SavedRecordsReadBackInANewStore) {
  ASSERT_TRUE(ReadPreferences());
  getMyPrintServerPrefs()->printJobsFolder.dirID = 123456;
  getMyPrintServerPrefs()->keepJobFiles = 0;
  getMyPrintToFileSetPrefs(3)->fileNamePrefix.assign("Studio");
  getMyPrintToFileSetPrefs(3)->fileFormat = 6;
  getMyPrintToFileSetPrefs(8)->clientAddressList.assign("10.0.0.1,10.0.0.2");
  getMyOutputFilePrefs()->outputQuality = 85;
  getMyProcessedJobsPrefs()->newHandOverFormat = 1;
  getMyWebUploadPrefs()->uploadSite = 4;  // not stored for the web-upload record
  getMyWebUploadPrefs()->fileFormat = 9;

  const Bytes server = bytesOf(*getMyPrintServerPrefs());
  const Bytes set3 = bytesOf(*getMyPrintToFileSetPrefs(3));
  const Bytes set8 = bytesOf(*getMyPrintToFileSetPrefs(8));
  const Bytes output = bytesOf(*getMyOutputFilePrefs());
  const Bytes processed = bytesOf(*getMyProcessedJobsPrefs());
  ASSERT_TRUE(SavePreferences());

  mySetAllDefaults();
  useFreshDefaults();
  ASSERT_TRUE(ReadPreferences());
  EXPECT_EQ(bytesOf(*getMyPrintServerPrefs()), server);
  EXPECT_EQ(bytesOf(*getMyPrintToFileSetPrefs(3)), set3);
  EXPECT_EQ(bytesOf(*getMyPrintToFileSetPrefs(8)), set8);
  EXPECT_EQ(bytesOf(*getMyOutputFilePrefs()), output);
  EXPECT_EQ(bytesOf(*getMyProcessedJobsPrefs()), processed);
  EXPECT_EQ(getMyWebUploadPrefs()->fileFormat, 9);
  EXPECT_EQ(getMyWebUploadPrefs()->uploadSite, 0);
}

TEST_F(PreferenceStorage, ShortPrintServerValueKeepsDefaultsForTheRest) {
  // 20 bytes: root, images and print-jobs folders, and the finished-jobs volume.
  PlistData value = {0x05, 0x00, 0x10, 0x00, 0x00, 0x00,  // root: volume 5, directory 16
                     0x05, 0x00, 0x11, 0x00, 0x00, 0x00,  // images
                     0x05, 0x00, 0x12, 0x00, 0x00, 0x00,  // print jobs
                     0x05, 0x00};                         // finished jobs: the volume only
  store(kPrintServerPrefKey, value);
  EXPECT_FALSE(ReadPreferences());

  tPrintServerPrefs expected{};
  setMyPrintServerPrefToFactoryDefaults(&expected);
  expected.serverRoot = {5, 16};
  expected.imagesFolder = {5, 17};
  expected.printJobsFolder = {5, 18};
  expected.finishedJobsFolder.vRefNum = 5;
  EXPECT_EQ(test::differingOffsets(bytesOf(*getMyPrintServerPrefs()), bytesOf(expected)), std::vector<std::size_t>{});
  EXPECT_EQ(getMyPrintServerPrefs()->keepJobFiles, 1);
}

TEST_F(PreferenceStorage, DamagedValuesAreReportedAndTheOthersStillRead) {
  PlistData nameTooLong(70, 0);  // folder volume, directory and the 64 raw bytes; then the volume name
  nameTooLong.push_back(200);
  const struct {
    const char* name;
    PlistValue processedJobsValue;
  } cases[] = {
      {"not data", PlistValue("a string")},
      {"too short", PlistValue(PlistData{1, 0})},
      {"name too long for its field", PlistValue(nameTooLong)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tOutputFilePrefs output{};
    output.outputQuality = 77;
    PreferenceStreamWriter outputStream;
    writeRecordToStream(outputFilesStreamLayout(), &output, outputStream);
    store(kOutputFilesPrefKey, PlistData(outputStream.bytes()));
    store(kProcessedJobsPrefKey, c.processedJobsValue);
    tSpecialPrintToFilePref web{};
    web.fileFormat = 0;  // validation turns it into 10
    PreferenceStreamWriter webStream;
    writeRecordToStream(webUploadStreamLayout(), &web, webStream);
    store(kWebUploadPrefKey, PlistData(webStream.bytes()));

    EXPECT_FALSE(ReadPreferences());
    EXPECT_EQ(getMyOutputFilePrefs()->outputQuality, 77);
    EXPECT_EQ(getMyWebUploadPrefs()->fileFormat, 10);
    EXPECT_EQ(getMyWebUploadPrefs()->folder.aliasId, kWebUploadAliasId);
  }
}

TEST_F(PreferenceStorage, StoredSetFormatIsValidated) {
  tSpecialPrintToFilePref set{};
  set.fileFormat = 1;
  PreferenceStreamWriter stream;
  writeRecordToStream(printToFileSetStreamLayout(), &set, stream);
  store(printToFileSetPrefKey(2), PlistData(stream.bytes()));
  EXPECT_TRUE(ReadPreferences());
  EXPECT_EQ(getMyPrintToFileSetPrefs(2)->fileFormat, 3);
}

}  // namespace
}  // namespace vorl
