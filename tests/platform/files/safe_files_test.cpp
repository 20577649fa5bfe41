// Renames, moves and whole-file writes: nothing replaced unless asked, nothing left half-written.
#include "platform/files/safe_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/apple_double.h"
#include "tests/platform/file_size_limit.h"
#include "tests/platform/named_pipe.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

using Bytes = std::vector<std::uint8_t>;

void writeText(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

FInfo typed(const char* type) { return FInfo{fourCharCode(type), fourCharCode("QZKb")}; }

TEST(SafeFiles, RenameNeverReplacesUnlessAsked) {
  const fs::path folder = test::makeTempFolder("rename");
  writeText(folder / "job", "new job");
  writeText(folder / "taken", "finished job");
  EXPECT_EQ(renameItem(folder / "job", folder / "taken", false), dupFNErr);
  EXPECT_EQ(readText(folder / "job"), "new job");
  EXPECT_EQ(readText(folder / "taken"), "finished job");

  EXPECT_EQ(renameItem(folder / "job", folder / "taken", true), noErr);
  EXPECT_EQ(readText(folder / "taken"), "new job");
  EXPECT_FALSE(fs::exists(folder / "job"));
  EXPECT_EQ(renameItem(folder / "missing", folder / "other", false), fnfErr);
}

// The Finder information goes with the file; what a former file left at the new name does not stick to it.
TEST(SafeFiles, SidecarFollowsTheFile) {
  const fs::path folder = test::makeTempFolder("sidecar");
  const struct {
    const char* what;
    bool sourceHasSidecar;
    bool orphanAtTarget;
    std::uint32_t expectedType;  // 0: no sidecar afterwards
  } cases[] = {
      {"sidecar moves", true, false, fourCharCode("trpr")},
      {"sidecar replaces an orphan", true, true, fourCharCode("trpr")},
      {"orphan removed", false, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path from = folder / "job", to = folder / "All Files job";
    writeText(from, "j");
    if (c.sourceHasSidecar) {
      ASSERT_EQ(setFinderInfo(from, typed("trpr")), noErr);
    }
    if (c.orphanAtTarget) writeText(appleDoublePath(to), "stale sidecar of a deleted file");
    ASSERT_EQ(renameItem(from, to, false), noErr);
    EXPECT_FALSE(fs::exists(appleDoublePath(from)));
    FInfo info;
    ASSERT_EQ(getFinderInfo(to, info), noErr);
    EXPECT_EQ(info.fdType, c.expectedType);
    EXPECT_EQ(fs::exists(appleDoublePath(to)), c.expectedType != 0);
    ASSERT_EQ(deleteItem(to), noErr);
    EXPECT_FALSE(fs::exists(appleDoublePath(to)));
  }
}

TEST(SafeFiles, AtomicWriteReplacesOnlyWhenAsked) {
  const fs::path folder = test::makeTempFolder("atomic");
  const fs::path file = folder / "Print Log File";
  ASSERT_EQ(writeFileAtomically(file, Bytes{'o', 'l', 'd'}, false), noErr);
  EXPECT_EQ(writeFileAtomically(file, Bytes{'n', 'e', 'w'}, false), dupFNErr);
  EXPECT_EQ(readText(file), "old");
  const mode_t savedMask = ::umask(022);
  const OSErr replaced = writeFileAtomically(file, Bytes{'n', 'e', 'w'}, true, 0640);
  ::umask(savedMask);
  ASSERT_EQ(replaced, noErr);
  EXPECT_EQ(readText(file), "new");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(0640));
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"Print Log File"});
}

// A disk that fills up during the write leaves the old file as it was and no temporary file behind.
TEST(SafeFiles, FullDiskKeepsTheOldFile) {
  const fs::path folder = test::makeTempFolder("full");
  const fs::path file = folder / "settings";
  writeText(file, "the settings of yesterday");
  {
    test::FileSizeLimit limit(16 * 1024);
    EXPECT_EQ(writeFileAtomically(file, Bytes(64 * 1024, 'x'), true), dskFulErr);
  }
  EXPECT_EQ(readText(file), "the settings of yesterday");
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings"});
}

TEST(SafeFiles, UncommittedTempFileIsRemoved) {
  const fs::path folder = test::makeTempFolder("temp");
  {
    TempFile temp;
    ASSERT_EQ(temp.open(folder), noErr);
    EXPECT_EQ(temp.path().parent_path(), folder);
    EXPECT_EQ(temp.path().filename().string().front(), '.');  // hidden from scans of the folder
    ASSERT_EQ(temp.write(Bytes(100, 1)), noErr);
    EXPECT_EQ(namesIn(folder).size(), 1u);
  }
  EXPECT_TRUE(namesIn(folder).empty());
}

// The copy-flush-delete road that moves across file systems take, tried on one file system.
TEST(SafeFiles, CopyAcrossKeepsModeDatesAndSidecar) {
  const fs::path from = test::makeTempFolder("across-from") / "IMG_0001.JPG";
  const fs::path to = test::makeTempFolder("across-to") / "IMG_0001.JPG";
  std::string content(300000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  writeText(from, content);
  ASSERT_EQ(setFinderInfo(from, typed("JPEG")), noErr);
  fs::permissions(from, fs::perms(0640));
  const auto modified = fs::file_time_type::clock::now() - std::chrono::hours(30);
  fs::last_write_time(from, modified);

  writeText(to, "already here");
  EXPECT_EQ(copyAcrossThenDelete(from, to, false), dupFNErr);
  EXPECT_EQ(readText(to), "already here");
  ASSERT_TRUE(fs::exists(from));

  bool sourceKept = true;
  ASSERT_EQ(copyAcrossThenDelete(from, to, true, &sourceKept), noErr);
  EXPECT_FALSE(sourceKept);
  EXPECT_EQ(readText(to), content);
  EXPECT_EQ(fs::status(to).permissions() & fs::perms::all, fs::perms(0640));
  EXPECT_EQ(fs::last_write_time(to), modified);
  FInfo info;
  ASSERT_EQ(getFinderInfo(to, info), noErr);
  EXPECT_EQ(info.fdType, fourCharCode("JPEG"));
  EXPECT_FALSE(fs::exists(from));
  EXPECT_FALSE(fs::exists(appleDoublePath(from)));
}

// A real second file system when the machine has one the test may write to (/dev/shm is tmpfs on most).
TEST(SafeFiles, MoveToAnotherFileSystem) {
  const fs::path other = "/dev/shm";
  struct stat here {
  }, there{};
  if (::stat(test::testRoot().c_str(), &here) != 0 || ::stat(other.c_str(), &there) != 0 ||
      here.st_dev == there.st_dev || ::access(other.c_str(), W_OK) != 0)
    GTEST_SKIP() << "no second writable file system";
  std::string pattern = (other / "vorl-test-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const fs::path otherFolder = pattern;
  const fs::path from = test::makeTempFolder("cross") / "job";
  writeText(from, "job data");
  ASSERT_EQ(setFinderInfo(from, typed("trpr")), noErr);

  const OSErr result = moveItem(from, otherFolder / "job", false);
  const std::string moved = readText(otherFolder / "job");
  FInfo info;
  const OSErr finder = getFinderInfo(otherFolder / "job", info);
  const bool sourceGone = !fs::exists(from);
  fs::remove_all(otherFolder);

  EXPECT_EQ(result, noErr);
  EXPECT_EQ(moved, "job data");
  EXPECT_EQ(finder, noErr);
  EXPECT_EQ(info.fdType, fourCharCode("trpr"));
  EXPECT_TRUE(sourceGone);
}

TEST(SafeFiles, ReplacesContentWithExactModeAndNoLeftovers) {
  const fs::path folder = test::makeTempFolder("replace");
  const fs::path file = folder / "store";
  std::ofstream(file) << "old";
  ASSERT_EQ(writeFileAtomically(file, std::string_view("new content"), true, 0600), noErr);
  EXPECT_EQ(readText(file), "new content");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(namesIn(folder).size(), 1u);
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(readFileBytes(file, bytes), noErr);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new content");
  EXPECT_EQ(readFileBytes(file, bytes, 4), paramErr);
  EXPECT_EQ(readFileBytes(folder / "missing", bytes), fnfErr);
}

TEST(SafeFiles, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  const fs::path folder = test::makeTempFolder("full");
  const fs::path file = folder / "store";
  std::ofstream(file) << "the day's figures";
  const std::string large(64 * 1024, 'x');
  OSErr result = noErr;
  {
    test::FileSizeLimit limit(4096);
    result = writeFileAtomically(file, large, true, 0600);
  }
  EXPECT_NE(result, noErr);
  EXPECT_EQ(readText(file), "the day's figures");
  EXPECT_EQ(namesIn(folder).size(), 1u);
  EXPECT_EQ(writeFileAtomically(folder / "no-folder" / "store", std::string_view("x"), true, 0600), fnfErr);
}

// Only regular files are read. A named pipe (which a plain open waits on for ever), a folder or a device is
// refused at once, and so is a file whose sidecar is one of them.
TEST(SafeFiles, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
  const fs::path folder = test::makeTempFolder("special");
  const test::NamedPipe pipe(folder / "job1");
  ASSERT_TRUE(pipe.made());
  fs::create_directory(folder / "folder");
  const struct {
    const char* name;
    fs::path path;
  } cases[] = {{"named pipe", pipe.path()}, {"folder", folder / "folder"}, {"device", "/dev/zero"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bytes;
    OSErr whole = noErr, opened = noErr;
    EXPECT_TRUE(pipe.finishesPromptly([&] {
      whole = readFileBytes(c.path, bytes);
      ReadOnlyFile file;
      opened = file.open(c.path);
    }));
    EXPECT_EQ(whole, afpObjectTypeErr);
    EXPECT_EQ(opened, afpObjectTypeErr);
  }

  writeText(folder / "job2", "job");
  const test::NamedPipe sidecar(appleDoublePath(folder / "job2"));
  ASSERT_TRUE(sidecar.made());
  FInfo info;
  OSErr sidecarRead = noErr;
  EXPECT_TRUE(sidecar.finishesPromptly([&] { sidecarRead = getFinderInfo(folder / "job2", info); }));
  EXPECT_EQ(sidecarRead, afpObjectTypeErr);
}

TEST(SafeFiles, SetAsideNeverReplacesAnEarlierOne) {
  const fs::path folder = test::makeTempFolder("aside");
  const fs::path file = folder / "defaults.plist";
  std::vector<fs::path> asides;
  for (int i = 0; i < 3; ++i) {
    std::ofstream(file) << "version " << i;
    fs::path aside;
    ASSERT_EQ(setFileAside(file, "corrupt", aside), noErr);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(aside.parent_path(), folder);
    EXPECT_TRUE(aside.filename().string().starts_with("defaults.plist.corrupt-"));
    asides.push_back(aside);
  }
  // Within one second the three names share their time stamp; each still holds its own content.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(readText(asides[i]), "version " + std::to_string(i));
  fs::path aside;
  EXPECT_EQ(setFileAside(file, "corrupt", aside), fnfErr);
}

}  // namespace
}  // namespace vorl
