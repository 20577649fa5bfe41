// The temporary files an interrupted run leaves behind: found by the names only this program gives, removed when
// older than the start, and nothing else touched.
#include "jobs/delivery/leftover_temporary_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/files/safe_files.h"
#include "tests/support/isolated_environment.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using std::chrono::system_clock;

constexpr std::string_view kOurAddress = "0a1b2c3d4e5f";

void makeFileWrittenAt(const fs::path& file, system_clock::time_point when) {
  std::ofstream(file, std::ios::binary) << "page";
  const auto seconds = system_clock::to_time_t(when);
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(LeftoverTemporaryFiles, OnlyTheNamesThisProgramWritesUnderAreItsOwn) {
  const struct {
    const char* name;
    bool own;
  } cases[] = {
      {"Tempfile_0a1b2c3d4e5f_0001", true},
      {"._Tempfile_0a1b2c3d4e5f_0012", true},
      {".vorl-0123456789abcdef.tmp", true},
      {"._.vorl-0123456789abcdef.tmp", true},
      {".vorl-output-4242-7.tmp", true},
      {".vorl-merge-Ab3xY9.mov", true},
      {"Tempfile_ffffffffffff_0001", false},  // another machine's, in a shared folder
      {"Tempfile_0a1b2c3d4e5f_0001 copy", false},
      {"Tempfile_0a1b2c3d4e5f", false},
      {"12-11-2026_10.15.00_0a1b2c3d4e5f_8x10", false},  // a delivered print-data file
      {".vorl-0123456789abcdeg.tmp", false},
      {".vorl-0123456789abcdef.tmp.keep", false},
      {".vorl-output-x-7.tmp", false},
      {".vorl-merge-Ab3xY9", false},
      {".vorl-notes", false},
      {"TempFile", false},  // the preferences folder's page, a file in its own right
      {"job.tmp", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(isOwnTemporaryName(c.name, kOurAddress), c.own);
  }
}

// A temporary file as the shared writer names it is recognised, so the two cannot drift apart unnoticed.
TEST(LeftoverTemporaryFiles, TheSharedWritersTemporaryNameIsRecognised) {
  const fs::path folder = test::makeTempFolder("writer-names");
  TempFile file;
  ASSERT_EQ(file.open(folder), noErr);
  EXPECT_TRUE(isOwnTemporaryName(file.path().filename().string(), kOurAddress)) << file.path();
}

TEST(LeftoverTemporaryFiles, OlderOnesGoNewerOnesAndOtherFilesStay) {
  const fs::path centre = test::makeTempFolder("centre"), set = test::makeTempFolder("set-a");
  const auto start = system_clock::now();
  const auto before = start - std::chrono::minutes(5), after = start + std::chrono::minutes(5);
  makeFileWrittenAt(centre / "Tempfile_0a1b2c3d4e5f_0001", before);
  makeFileWrittenAt(centre / "._Tempfile_0a1b2c3d4e5f_0001", before);
  makeFileWrittenAt(centre / "Tempfile_0a1b2c3d4e5f_0002", after);  // this run's, being written
  makeFileWrittenAt(centre / "Tempfile_ffffffffffff_0001", before);
  makeFileWrittenAt(centre / "12-11-2026_10.15.00_0a1b2c3d4e5f_8x10", before);
  makeFileWrittenAt(set / ".vorl-output-4242-7.tmp", before);
  makeFileWrittenAt(set / "photo.jpg", before);
  fs::create_directory(set / ".vorl-0123456789abcdef.tmp");  // a folder of that name is not ours
  fs::create_symlink(set / "photo.jpg", set / ".vorl-fedcba9876543210.tmp");

  EXPECT_EQ(removeLeftoverTemporaryFiles({centre, set, centre}, start, kOurAddress), 3);
  EXPECT_EQ(namesIn(centre), (std::vector<std::string>{"12-11-2026_10.15.00_0a1b2c3d4e5f_8x10",
                                                       "Tempfile_0a1b2c3d4e5f_0002", "Tempfile_ffffffffffff_0001"}));
  EXPECT_EQ(namesIn(set), (std::vector<std::string>{".vorl-0123456789abcdef.tmp", ".vorl-fedcba9876543210.tmp",
                                                    "photo.jpg"}));
}

}  // namespace
}  // namespace vorl
