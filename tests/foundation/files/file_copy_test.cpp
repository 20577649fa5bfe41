// Making folders and files, copying and moving, over real folders; the full disk is a file-size limit.
#include "foundation/files/file_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/files/files.h"
#include "platform/files/apple_double.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

void writeText(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  return bytes;
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

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

const FInfo kJobType{fourCharCode("trpr"), fourCharCode("QZKb")};

// One chunk is 262144 bytes: the sizes around it, and none at all, copy byte for byte.
TEST(FileCopy, CopiesEveryByteAroundTheChunkSize) {
  const Folder from("chunks-from"), to("chunks-to");
  for (const std::size_t size : {std::size_t(0), std::size_t(1), kCopyChunkSize - 1, kCopyChunkSize, kCopyChunkSize + 1,
                                 3 * kCopyChunkSize + 17}) {
    SCOPED_TRACE(size);
    const std::string name = "job " + std::to_string(size);
    writeText(from.path / name, pattern(size));
    ASSERT_EQ(setFinderInfo(from.path / name, kJobType), noErr);
    FSSpec source = from.spec(name), destination = to.spec(name);
    for (auto copy : {doCopyTheFileInChunks, copyTheFile}) {
      ASSERT_EQ(copy(&source, &destination, true), 0);
      EXPECT_EQ(readText(to.path / name), pattern(size));
      FInfo info;
      ASSERT_EQ(getFinderInfo(to.path / name, info), noErr);
      EXPECT_EQ(info.fdType, kJobType.fdType);
      EXPECT_EQ(info.fdCreator, kJobType.fdCreator);
    }
  }
}

TEST(FileCopy, TakenDestinationGetsACopyNameUnlessReplaced) {
  const Folder folder("taken");
  const std::string longName = std::string(70, 'L') + ".jpg";
  writeText(folder.path / "order.jpg", "new order");
  writeText(folder.path / longName, "long new order");
  const Folder to("taken-to");
  writeText(to.path / "order.jpg", "old order");
  writeText(to.path / longName, "old long order");
  ASSERT_EQ(writeResource(to.path / "order.jpg", fourCharCode("Pref"), 5000, std::vector<std::uint8_t>{1}), noErr);

  FSSpec source = folder.spec("order.jpg"), destination = to.spec("order.jpg");
  ASSERT_EQ(doCopyTheFileInChunks(&source, &destination, false), 0);
  EXPECT_EQ(destination.name.macRoman(), "order copy.jpg");
  EXPECT_EQ(readText(to.path / "order copy.jpg"), "new order");
  EXPECT_EQ(readText(to.path / "order.jpg"), "old order");

  // The chunked copy keeps the long name whole; the whole-file copy keeps within 63 characters.
  FSSpec longSource, longDestination;
  ASSERT_EQ(FSMakeFSSpecFromPath(folder.path / longName, longSource), noErr);
  ASSERT_EQ(FSMakeFSSpecFromPath(to.path / longName, longDestination), noErr);
  FSSpec second = longDestination;
  ASSERT_EQ(doCopyTheFileInChunks(&longSource, &longDestination, false), 0);
  EXPECT_EQ(readText(to.path / (std::string(70, 'L') + " copy.jpg")), "long new order");
  ASSERT_EQ(copyTheFile(&longSource, &second, false), 0);
  EXPECT_EQ(readText(to.path / (std::string(54, 'L') + " copy.jpg")), "long new order");

  // Replacing: the old file and what its sidecar held are gone, the copy has the source's type only.
  destination = to.spec("order.jpg");
  ASSERT_EQ(copyTheFile(&source, &destination, true), 0);
  EXPECT_EQ(readText(to.path / "order.jpg"), "new order");
  std::vector<std::uint8_t> data;
  EXPECT_EQ(readResource(to.path / "order.jpg", fourCharCode("Pref"), 5000, data), resNotFound);
}

TEST(FileCopy, AFileIsNotReplacedByItself) {
  const Folder folder("itself");
  writeText(folder.path / "job", "the only copy");
  test::MessageRecorder messages;
  FSSpec source = folder.spec("job"), destination = folder.spec("job");
  EXPECT_EQ(doCopyTheFileInChunks(&source, &destination, true), -1);
  EXPECT_EQ(copyTheFile(&source, &destination, true), -1);
  EXPECT_EQ(readText(folder.path / "job"), "the only copy");
  EXPECT_EQ(messages.messages(),
            (std::vector<std::string>(2, "Source directory is the same as destination directory")));
  ASSERT_EQ(doCopyTheFileInChunks(&source, &destination, false), 0);
  EXPECT_EQ(readText(folder.path / "job copy"), "the only copy");
}

// The disk fills up halfway: the copy fails, the file it was to replace is untouched, nothing half-written stays.
TEST(FileCopy, FullDiskLosesNothing) {
  const Folder from("full-from"), to("full-to");
  writeText(from.path / "image.tif", pattern(3 * kCopyChunkSize));
  writeText(to.path / "image.tif", "the print of yesterday");
  test::MessageRecorder messages;
  for (auto copy : {doCopyTheFileInChunks, copyTheFile}) {
    FSSpec source = from.spec("image.tif"), destination = to.spec("image.tif");
    {
      test::FileSizeLimit limit(kCopyChunkSize + 1000);
      EXPECT_EQ(copy(&source, &destination, true), -1);
    }
    EXPECT_EQ(readText(to.path / "image.tif"), "the print of yesterday");
    EXPECT_EQ(namesIn(to.path), std::vector<std::string>{"image.tif"});
  }
  EXPECT_EQ(messages.messages(), (std::vector<std::string>(2, "Disk is full!")));
}

TEST(FileCopy, MissingSourceIsReported) {
  const Folder folder("missing");
  test::MessageRecorder messages;
  FSSpec source = folder.spec("gone"), destination = folder.spec("copy");
  EXPECT_EQ(doCopyTheFileInChunks(&source, &destination, false), -1);
  ASSERT_EQ(messages.messages().size(), 2u);
  EXPECT_TRUE(messages.messages()[0].starts_with("Inside getXFileInfoStuff"));
  EXPECT_EQ(messages.messages()[1], "The file to be copied could not be found.");
  EXPECT_FALSE(fs::exists(folder.path / "copy"));
}

TEST(FileCopy, CreateNewFolder) {
  const Folder root("folders");
  test::MessageRecorder messages;
  FSSpec made;
  ASSERT_EQ(createNewFolder(Str31("IMAGES FOLDER \xC4"), root.vRefNum, root.dirID, &made), noErr);
  const fs::path created = root.path / "IMAGES FOLDER \xC6\x92";
  ASSERT_TRUE(fs::is_directory(created));
  EXPECT_EQ(fs::status(created).permissions() & fs::perms::all, fs::perms::all);
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  ASSERT_EQ(FSFolderIDs(created, vRefNum, dirID), noErr);
  EXPECT_EQ(made.parID, dirID);  // the folder's own id, in the parent-id field
  EXPECT_EQ(made.name.macRoman(), "IMAGES FOLDER \xC4");

  FSSpec again;
  ASSERT_EQ(createNewFolder(Str31("IMAGES FOLDER \xC4"), root.vRefNum, root.dirID, &again), noErr);
  EXPECT_EQ(again.parID, dirID);
  EXPECT_TRUE(messages.messages().empty());

  // A file of that name is no folder: reported, and no folder id handed out.
  writeText(root.path / "DATABASE FOLDER \xC6\x92", "a file");
  EXPECT_EQ(createNewFolder(Str31("DATABASE FOLDER \xC4"), root.vRefNum, root.dirID, &again), dupFNErr);
  EXPECT_EQ(again.parID, -9999);
  EXPECT_EQ(readText(root.path / "DATABASE FOLDER \xC6\x92"), "a file");
  EXPECT_EQ(messages.messages(), (std::vector<std::string>{
                                     "A file or folder with that name already exists.",
                                     "The folder could not be made: a file or folder of that name is already there."}));

  EXPECT_EQ(createNewFolder(Str31("x"), root.vRefNum, -9999, &again), dirNFErr);
  EXPECT_EQ(again.parID, -9999);
  EXPECT_EQ(createNewFolder(Str31(), root.vRefNum, root.dirID, &again), noErr);
  EXPECT_EQ(messages.messages().back(), "createNewFolder => theName is nil");
}

TEST(FileCopy, CreateUniqueFiles) {
  const Folder folder("unique");
  writeText(folder.path / "Print.jpg", "kept");
  for (auto create : {CreateUniqueFSSpec, CreateUniqueFSSpecNew}) {
    FSSpec spec = folder.spec("Print.jpg");
    ASSERT_EQ(create(&spec, fourCharCode("8BIM"), fourCharCode("JPEG"), -1, false), noErr);
    EXPECT_EQ(readText(folder.path / "Print.jpg"), "kept");
    ASSERT_TRUE(IsExistingFile(&spec));
    FInfo info;
    fs::path made;
    ASSERT_EQ(FSpMakePath(spec, made), noErr);
    ASSERT_EQ(getFinderInfo(made, info), noErr);
    EXPECT_EQ(info.fdCreator, fourCharCode("8BIM"));
  }
  EXPECT_EQ(namesIn(folder.path), (std::vector<std::string>{"._Print copy 1.jpg", "._Print copy.jpg",
                                                            "Print copy 1.jpg", "Print copy.jpg", "Print.jpg"}));
  for (auto create : {CreateUniqueFSSpec, CreateUniqueFSSpecNew}) {
    FSSpec spec = folder.spec("Print.jpg");
    writeText(folder.path / "Print.jpg", "old");
    ASSERT_EQ(create(&spec, 0, 0, -1, true), noErr);
    EXPECT_EQ(readText(folder.path / "Print.jpg"), "");
  }
  FSSpec fresh = folder.spec("new");
  ASSERT_EQ(createNewFile(&fresh), noErr);
  EXPECT_TRUE(fs::exists(folder.path / "new"));
}

TEST(FileCopy, MoveJobFile) {
  const Folder jobs("jobs"), finished("finished");
  writeText(jobs.path / "Smith order", "first");
  writeText(finished.path / "Smith order", "earlier");
  ASSERT_EQ(setFinderInfo(jobs.path / "Smith order", kJobType), noErr);
  FSSpec job = jobs.spec("Smith order");
  // Ids of one volume: the move stays on the job's own volume.
  ASSERT_EQ(finished.vRefNum, jobs.vRefNum);
  ASSERT_EQ(myTFileMoveFile(&job, finished.dirID), noErr);
  EXPECT_FALSE(fs::exists(jobs.path / "Smith order"));
  EXPECT_EQ(readText(finished.path / "Smith order"), "earlier");
  EXPECT_EQ(readText(finished.path / "Smith order copy"), "first");
  FInfo info;
  ASSERT_EQ(getFinderInfo(finished.path / "Smith order copy", info), noErr);
  EXPECT_EQ(info.fdType, kJobType.fdType);

  writeText(jobs.path / "next", "second");
  test::MessageRecorder messages;
  FSSpec next = jobs.spec("next");
  EXPECT_EQ(myTFileMoveFile(&next, -9999), dirNFErr);
  EXPECT_EQ(readText(jobs.path / "next"), "second");
  EXPECT_EQ(messages.messages(), std::vector<std::string>{"Cannot Copy and Move File!\rError Code = -120"});
}

TEST(FileCopy, MoveByPath) {
  const Folder from("path-from"), to("path-to");
  writeText(from.path / "output.jpg", "new");
  writeText(to.path / "Smith.jpg", "old");
  const std::string source = (from.path / "output.jpg").string();
  EXPECT_EQ(doNSStringPathCopy(source, to.path.string(), "Smith.jpg", false), dupFNErr);
  EXPECT_EQ(readText(to.path / "Smith.jpg"), "old");
  const std::string badNames[] = {"", ".", "..", "../Smith.jpg", ".hidden.jpg", std::string("a\0b", 3)};
  for (const std::string& bad : badNames) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(doNSStringPathCopy(source, to.path.string(), bad, true), bdNamErr);
  }
  EXPECT_EQ(readText(from.path / "output.jpg"), "new");
  ASSERT_EQ(doNSStringPathCopy(source, to.path.string(), "Smith.jpg", true), noErr);
  EXPECT_EQ(readText(to.path / "Smith.jpg"), "new");
  EXPECT_FALSE(fs::exists(from.path / "output.jpg"));
}

}  // namespace
}  // namespace vorl
