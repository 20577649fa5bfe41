// Emptying folders: what goes, what stays.
#include "foundation/files/folder_cleanup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

void writeText(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// Every path under the folder, relative, sorted.
std::vector<std::string> tree(const fs::path& folder) {
  std::vector<std::string> paths;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    paths.push_back(fs::relative(entry.path(), folder).string());
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::vector<std::string> sorted(std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end());
  return paths;
}

FSSpec folderSpec(const fs::path& folder) {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  EXPECT_EQ(FSFolderIDs(folder, vRefNum, dirID), noErr);
  FSSpec spec;
  spec.vRefNum = vRefNum;
  spec.parID = dirID;
  return spec;
}

// images/: a.jpg, locked.jpg (read-only), .DS_STORE, .hidden, count (Finder-invisible), sub/{x.jpg, .y},
// .invisible-sub/{z.jpg}, and link -> outside/ (a folder that must not be touched).
fs::path makeTree(const char* prefix) {
  const fs::path root = test::makeTempFolder(prefix);
  const fs::path images = root / "images";
  fs::create_directories(images / "sub");
  fs::create_directories(images / ".invisible-sub");
  fs::create_directories(root / "outside");
  writeText(root / "outside" / "precious.jpg", "keep");
  writeText(images / "a.jpg", "a");
  writeText(images / "locked.jpg", "l");
  fs::permissions(images / "locked.jpg", fs::perms(0444));
  writeText(images / ".DS_STORE", "");
  writeText(images / ".hidden", "");
  writeText(images / "count", "");
  EXPECT_EQ(setFinderInfo(images / "count", FInfo{fourCharCode("TEXT"), fourCharCode("QZKb"), kIsInvisible}), noErr);
  EXPECT_EQ(setFinderInfo(images / "a.jpg", FInfo{fourCharCode("JPEG")}), noErr);
  writeText(images / "sub" / "x.jpg", "");
  writeText(images / "sub" / ".y", "");
  writeText(images / ".invisible-sub" / "z.jpg", "");
  fs::create_directory_symlink(root / "outside", images / "link");
  return images;
}

TEST(FolderCleanup, DeleteAllFilesInFolder) {
  const fs::path images = makeTree("all");
  test::MessageRecorder messages;
  ASSERT_EQ(deleteAllFilesInFolder(folderSpec(images)), noErr);
  // Visible files go with their sidecars (the locked one unlocked first), and the link itself goes, not what it
  // points at; sub-folders, invisible files other than .DS_Store, and the Finder-invisible file stay.
  EXPECT_EQ(tree(images), sorted({".hidden", ".invisible-sub", ".invisible-sub/z.jpg", "._count", "count", "sub",
                                  "sub/.y", "sub/x.jpg"}));
  EXPECT_TRUE(fs::exists(images.parent_path() / "outside" / "precious.jpg"));
  EXPECT_TRUE(messages.messages().empty());
}

TEST(FolderCleanup, DeleteAllFilesInSubFolders) {
  const fs::path images = makeTree("sub");
  ASSERT_EQ(deleteAllFilesInSubFolders(folderSpec(images)), noErr);
  // Only the visible sub-folder is emptied, of its visible files; files of the folder itself stay.
  const std::vector<std::string> after = tree(images);
  EXPECT_TRUE(std::find(after.begin(), after.end(), "a.jpg") != after.end());
  EXPECT_TRUE(std::find(after.begin(), after.end(), "sub/x.jpg") == after.end());
  EXPECT_TRUE(std::find(after.begin(), after.end(), "sub/.y") != after.end());
  EXPECT_TRUE(std::find(after.begin(), after.end(), ".invisible-sub/z.jpg") != after.end());
  EXPECT_TRUE(fs::exists(images.parent_path() / "outside" / "precious.jpg"));
}

TEST(FolderCleanup, SpecialDeleteEmptiesTheWholeTree) {
  const fs::path images = makeTree("special");
  ASSERT_EQ(specialDeleteAllFilesInFolder2(folderSpec(images)), noErr);
  EXPECT_EQ(tree(images), sorted({".DS_STORE", ".hidden", ".invisible-sub", "._count", "count", "sub", "sub/.y"}));
  EXPECT_TRUE(fs::exists(images.parent_path() / "outside" / "precious.jpg"));
}

TEST(FolderCleanup, MissingFolderIsReported) {
  FSSpec gone = folderSpec(test::makeTempFolder("gone"));
  gone.parID = -9999;
  test::MessageRecorder messages;
  EXPECT_EQ(deleteAllFilesInFolder(gone), dirNFErr);
  EXPECT_EQ(messages.messages(),
            (std::vector<std::string>{
                "Inside deleteAllFilesInFolder!\rUnable to PBGetCatInfoSync on folder FSSpec",
                "FSSpec MAY NOT Exist for:\rvRefNum: " + std::to_string(gone.vRefNum) + "\rDirID: -9999\rfilename: "}));
  EXPECT_EQ(deleteAllFilesInSubFolders(gone), dirNFErr);
  EXPECT_EQ(specialDeleteAllFilesInFolder2(gone), dirNFErr);
}

}  // namespace
}  // namespace vorl
