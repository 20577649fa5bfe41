// What the preference panels show for a stored folder, the record side of choosing one, the folders that may
// not take output, and the format extension tables.
#include "preferences/folder_display.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "foundation/files/aliases.h"
#include "platform/files/file_specs.h"
#include "platform/plists/user_defaults.h"
#include "preferences/factory_defaults.h"
#include "preferences/file_type_extensions.h"
#include "preferences/preference_globals.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

class FolderDisplay : public testing::Test {
 protected:
  void SetUp() override { setStandardUserDefaults(defaults_.get()); }
  void TearDown() override { setStandardUserDefaults(nullptr); }

  static std::pair<std::int16_t, std::int32_t> idsOf(const fs::path& folder) {
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    EXPECT_EQ(FSFolderIDs(folder, vRefNum, dirID), noErr);
    return {vRefNum, dirID};
  }

  fs::path folder_ = test::makeTempFolder("folder-display");
  std::unique_ptr<UserDefaults> defaults_ = std::make_unique<UserDefaults>(folder_ / "defaults.plist");
};

TEST_F(FolderDisplay, TextsForNoFolderAGoneFolderAFolderAndAVolumeTop) {
  Str31 stored;
  stored.assign(std::string_view("Studio Disk"));
  EXPECT_EQ(folderDisplayTexts(kNoFolderVolume, kNoFolderDirID, stored).folder, kNoDirectorySelected);

  const fs::path gone = folder_ / "gone";
  fs::create_directory(gone);
  const auto [goneVolume, goneID] = idsOf(gone);
  fs::remove(gone);
  const FolderTexts goneTexts = folderDisplayTexts(goneVolume, goneID, stored);
  EXPECT_EQ(goneTexts.folder, kCannotFindDirectory);
  EXPECT_EQ(goneTexts.volume, "Studio Disk");

  const fs::path orders = folder_ / "Orders \xC6\x92";  // "Orders ƒ" in UTF-8
  fs::create_directory(orders);
  const auto [vRefNum, dirID] = idsOf(orders);
  const FolderTexts texts = folderDisplayTexts(vRefNum, dirID, stored);
  EXPECT_EQ(texts.folder, "Orders \xC4");  // Mac Roman
  VolumeInfo volume;
  ASSERT_EQ(FSGetVolumeInfoByRef(vRefNum, volume), noErr);
  EXPECT_FALSE(texts.volume.empty());

  const auto [topVolume, topID] = idsOf(volume.mountPoint);
  EXPECT_EQ(folderDisplayTexts(topVolume, topID, stored).folder, kRootFolderText);
}

TEST_F(FolderDisplay, UpdateTakesAnExistingFolderAndStoresItsReference) {
  tFolderFSSpec live;
  setMyPrintToFileSetPrefsToFactoryDefaults(getMyPrintToFileSetPrefs(2), 2);
  live = getMyPrintToFileSetPrefs(2)->folder;
  const fs::path chosenPath = folder_ / "Set Two";
  fs::create_directory(chosenPath);
  const auto [vRefNum, dirID] = idsOf(chosenPath);
  const std::optional<tFolderFSSpec> chosen = folderRecordFor(live, vRefNum, dirID);
  ASSERT_TRUE(chosen.has_value());

  const FolderTexts texts = UpdateFolderString(live, *chosen, true);
  EXPECT_EQ(texts.folder, "Set Two");
  fs::path named;
  ASSERT_EQ(FSpMakePath(live.spec, named), noErr);
  EXPECT_EQ(named, chosenPath);
  EXPECT_EQ(live.aliasId, 4512);
  const Handle stored = ReadAliasHandle(4512);
  EXPECT_NE(stored, nullptr);
  DisposeHandle(stored);

  // A folder that went away changes nothing.
  fs::remove(chosenPath);
  const tFolderFSSpec before = live;
  EXPECT_EQ(UpdateFolderString(live, *chosen, true).folder, kCannotFindDirectory);
  EXPECT_EQ(std::memcmp(&before, &live, sizeof live), 0);
  EXPECT_FALSE(folderRecordFor(live, vRefNum, dirID).has_value());
}

TEST_F(FolderDisplay, NoOutputInsideThePrintJobsFolder) {
  const fs::path jobs = folder_ / "PRINT JOBS FOLDER";
  fs::create_directories(jobs / "All Files" / "deeper");
  const auto [vRefNum, dirID] = idsOf(jobs);
  getMyPrintServerPrefs()->printJobsFolder.vRefNum = vRefNum;
  getMyPrintServerPrefs()->printJobsFolder.dirID = dirID;
  EXPECT_NE(folderRefusal(jobs), "");
  EXPECT_NE(folderRefusal(jobs / "All Files" / "deeper"), "");
  EXPECT_EQ(folderRefusal(folder_), "");
  fs::create_directory(folder_ / "PRINT JOBS FOLDER 2");
  EXPECT_EQ(folderRefusal(folder_ / "PRINT JOBS FOLDER 2"), "");
}

TEST(FileTypeExtensions, BothTables) {
  const struct {
    std::int16_t type;
    const char* fromFileType;
    const char* forSaveAs;
  } cases[] = {{0, ".???", ""},       {1, ".???", ""},     {2, ".tif", ".TIF"}, {3, ".jpg", ".JPG"},
               {4, ".pct", ".PCT"},   {5, ".raw", ".RAW"}, {6, ".tif", ".TIF"}, {7, ".tga", ".TARGA"},
               {8, ".PSD", ".PSD"},   {9, ".PNG", ".PNG"}, {10, ".jpg", ""},    {11, ".???", ""},
               {-3, ".???", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(getExtensionFromFileType(c.type), c.fromFileType) << c.type;
    EXPECT_EQ(getExtensionStringForSaveAsType(c.type), c.forSaveAs) << c.type;
  }
  setCurrentSaveAsType(8);
  EXPECT_EQ(getCurrentSaveAsType(), 8);
}

}  // namespace
}  // namespace vorl
