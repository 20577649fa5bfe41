// Names from job files become path components only when they cannot leave, hide or cut short their folder.
#include "layout/job_file_names.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

TEST(JobFileNames, NamesThatWouldEscapeOrHideAreRefused) {
  using namespace std::string_literals;
  const struct {
    std::string macRoman;
    std::optional<std::string> diskName;
  } cases[] = {
      {"IMG_0042.JPG", "IMG_0042.JPG"},
      {"a/b", "a:b"},                                // a Mac "/" is ":" on disk, never a folder separator
      {"x/../../etc/passwd", "x:..:..:etc:passwd"},  // so a path in a name stays one name
      {"../up", std::nullopt},
      {"Caf\x8e \xc4.tif", "Caf\xc3\xa9 \xc6\x92.tif"},  // Mac Roman é and ƒ
      {"", std::nullopt},
      {".", std::nullopt},
      {"..", std::nullopt},
      {".hidden", std::nullopt},
      {"name\0.jpg"s, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.macRoman);
    EXPECT_EQ(diskNameFromJobFile(c.macRoman), c.diskName);
  }
}

TEST(JobFileNames, PathInFolderJoinsOnlyCleanNames) {
  EXPECT_EQ(pathInFolder("/images", Str63("Team.jpg")), std::filesystem::path("/images/Team.jpg"));
  EXPECT_EQ(pathInFolder("/images", Str63("..")), std::nullopt);
  EXPECT_EQ(pathInFolder("/images", Str63("sub/../../x")), std::filesystem::path("/images/sub:..:..:x"));
}

}  // namespace
}  // namespace vorl
