// Whole-file writes: the new content appears at once or not at all, and a file set aside is never lost.
#include "platform/whole_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/platform/file_size_limit.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

std::string contentsOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::size_t entriesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(WholeFile, ReplacesContentWithExactModeAndNoLeftovers) {
  const fs::path folder = test::makeTempFolder("replace");
  const fs::path file = folder / "store";
  std::ofstream(file) << "old";
  ASSERT_EQ(replaceFileAtomically(file, std::string_view("new content"), 0600), noErr);
  EXPECT_EQ(contentsOf(file), "new content");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(entriesIn(folder), 1u);
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(readWholeFile(file, bytes), noErr);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new content");
  EXPECT_EQ(readWholeFile(file, bytes, 4), paramErr);
  EXPECT_EQ(readWholeFile(folder / "missing", bytes), fnfErr);
}

TEST(WholeFile, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  const fs::path folder = test::makeTempFolder("full");
  const fs::path file = folder / "store";
  std::ofstream(file) << "the day's figures";
  const std::string large(64 * 1024, 'x');
  OSErr result = noErr;
  {
    test::FileSizeLimit limit(4096);
    result = replaceFileAtomically(file, large, 0600);
  }
  EXPECT_NE(result, noErr);
  EXPECT_EQ(contentsOf(file), "the day's figures");
  EXPECT_EQ(entriesIn(folder), 1u);
  EXPECT_EQ(replaceFileAtomically(folder / "no-folder" / "store", std::string_view("x"), 0600), fnfErr);
}

TEST(WholeFile, SetAsideNeverReplacesAnEarlierOne) {
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
  for (int i = 0; i < 3; ++i) EXPECT_EQ(contentsOf(asides[i]), "version " + std::to_string(i));
  fs::path aside;
  EXPECT_EQ(setFileAside(file, "corrupt", aside), fnfErr);
}

}  // namespace
}  // namespace vorl
