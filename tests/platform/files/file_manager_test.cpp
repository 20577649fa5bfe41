// Catalog information and item calls over a real folder.
#include "platform/files/file_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/platform/named_pipe.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

void writeText(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

struct Folder {
  fs::path path;
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;

  explicit Folder(const char* prefix) : path(test::makeTempFolder(prefix)) {
    EXPECT_EQ(FSFolderIDs(path, vRefNum, dirID), noErr);
  }
  FSSpec spec(const std::string& macName) const {
    FSSpec s;
    s.vRefNum = vRefNum;
    s.parID = dirID;
    s.name.assign(macName);
    return s;
  }
};

TEST(FileManager, ListsItemsAsTheFinderSawThem) {
  const Folder folder("list");
  writeText(folder.path / "b-job", "12345");
  writeText(folder.path / ".DS_Store", "");
  writeText(folder.path / "a-count", "");
  ASSERT_EQ(setFinderInfo(folder.path / "a-count", FInfo{fourCharCode("TEXT"), fourCharCode("QZKb"), kIsInvisible}),
            noErr);
  fs::create_directory(folder.path / "c-folder");
  writeText(folder.path / "c-folder" / "inside", "");
  writeText(folder.path / "d-locked", "");
  fs::permissions(folder.path / "d-locked", fs::perms(0444));
  fs::create_directory_symlink(folder.path / "c-folder", folder.path / "e-link");

  std::vector<CInfoPBRec> items;
  ASSERT_EQ(FSListFolder(folder.vRefNum, folder.dirID, items), noErr);
  const struct {
    const char* name;
    bool isFolder;
    bool invisible;
    bool locked;
  } expected[] = {
      {".DS_Store", false, true, false}, {"a-count", false, true, false},  {"b-job", false, false, false},
      {"c-folder", true, false, false},  {"d-locked", false, false, true}, {"e-link", false, false, false},
  };
  ASSERT_EQ(items.size(), std::size(expected));  // the sidecar "._a-count" is part of its file
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(items[i].diskName, expected[i].name);
    EXPECT_EQ(items[i].ioName.macRoman(), expected[i].name);
    EXPECT_EQ((items[i].ioFlAttrib & kioFlAttribDirMask) != 0, expected[i].isFolder);
    EXPECT_EQ((items[i].ioFlFndrInfo.fdFlags & kIsInvisible) != 0, expected[i].invisible);
    EXPECT_EQ((items[i].ioFlAttrib & kioFlAttribLockedMask) != 0, expected[i].locked);
    EXPECT_EQ(items[i].ioFlParID, folder.dirID);
  }
  EXPECT_EQ(items[1].ioFlFndrInfo.fdCreator, fourCharCode("QZKb"));
  EXPECT_EQ(items[2].ioFlLgLen, 5u);
  std::int16_t vRefNum = 0;
  std::int32_t subID = 0;
  ASSERT_EQ(FSFolderIDs(folder.path / "c-folder", vRefNum, subID), noErr);
  EXPECT_EQ(items[3].ioDrDirID, subID);

  CInfoPBRec own;
  ASSERT_EQ(PBGetCatInfoOfFolder(folder.vRefNum, folder.dirID, own), noErr);
  EXPECT_EQ(own.ioDrNmFls, 6u);
  EXPECT_EQ(own.ioDrDirID, folder.dirID);
  EXPECT_EQ(PBGetCatInfoOfFolder(folder.vRefNum, -9999, own), dirNFErr);
}

// Another program (or a prank) may leave a named pipe where a sidecar would be: the listing must go on, with
// the file listed and no Finder information.
TEST(FileManager, ANamedPipeAsSidecarDoesNotStopTheListing) {
  const Folder folder("pipe");
  writeText(folder.path / "job1", "job");
  const test::NamedPipe sidecar(folder.path / "._job1");
  ASSERT_TRUE(sidecar.made());
  std::vector<CInfoPBRec> items;
  OSErr listed = noErr;
  EXPECT_TRUE(sidecar.finishesPromptly([&] { listed = FSListFolder(folder.vRefNum, folder.dirID, items); }));
  ASSERT_EQ(listed, noErr);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].diskName, "job1");
  EXPECT_EQ(items[0].ioFlFndrInfo.fdType, 0u);
}

TEST(FileManager, LockedFileIsNotDeletedUntilUnlocked) {
  const Folder folder("lock");
  const FSSpec file = folder.spec("VORL-PROCESSOR ORLIM v12 Prefs");
  ASSERT_EQ(FSpCreate(file, fourCharCode("QZKb"), fourCharCode("pref")), noErr);
  ASSERT_EQ(FSpSetFLock(file), noErr);
  EXPECT_EQ(FSpDelete(file), fLckdErr);
  EXPECT_TRUE(fs::exists(folder.path / "VORL-PROCESSOR ORLIM v12 Prefs"));
  ASSERT_EQ(FSpRstFLock(file), noErr);
  ASSERT_EQ(FSpDelete(file), noErr);
  EXPECT_FALSE(fs::exists(folder.path / "VORL-PROCESSOR ORLIM v12 Prefs"));
  EXPECT_FALSE(fs::exists(folder.path / "._VORL-PROCESSOR ORLIM v12 Prefs"));
  EXPECT_EQ(FSpDelete(file), fnfErr);
}

TEST(FileManager, CreateStartsWithItsOwnFinderInformation) {
  const Folder folder("create");
  writeText(folder.path / "._Tempfile_001122", "a sidecar left by a deleted file");
  const FSSpec file = folder.spec("Tempfile_001122");
  ASSERT_EQ(FSpCreate(file, fourCharCode("8BIM"), fourCharCode("RAW ")), noErr);
  CInfoPBRec info;
  ASSERT_EQ(PBGetCatInfoByName(file, info), noErr);
  EXPECT_EQ(info.ioFlFndrInfo.fdType, fourCharCode("RAW "));
  EXPECT_EQ(info.ioFlFndrInfo.fdCreator, fourCharCode("8BIM"));
  EXPECT_EQ(FSpCreate(file, 0, 0), dupFNErr);

  const FSSpec plain = folder.spec("plain");
  writeText(folder.path / "._plain", "another left-over sidecar");
  ASSERT_EQ(FSpCreate(plain, 0, 0), noErr);
  EXPECT_FALSE(fs::exists(folder.path / "._plain"));

  std::int32_t created = 0;
  ASSERT_EQ(FSpDirCreate(folder.spec("IMAGES FOLDER \xC4"), created), noErr);
  EXPECT_TRUE(fs::is_directory(folder.path / "IMAGES FOLDER \xC6\x92"));
  EXPECT_EQ(FSpDirCreate(folder.spec("IMAGES FOLDER \xC4"), created), dupFNErr);
  writeText(folder.path / "IMAGES FOLDER \xC6\x92" / "photo", "");
  EXPECT_EQ(FSpDelete(folder.spec("IMAGES FOLDER \xC4")), fBsyErr);
}

}  // namespace
}  // namespace vorl
