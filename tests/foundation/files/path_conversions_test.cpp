// Files of long names in a folder, paths of file specifications, and Str255 <-> text.
#include "foundation/files/path_conversions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/folder_specs.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

using test::folderAsCallersGiveIt;

bool sameBytes(const FSSpec& a, const FSSpec& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(GetValidFileFSSpec, CreatesALongNamedFileWhoseSpecificationOpensIt) {
  const fs::path folder = fs::canonical(test::makeTempFolder("long"));
  const std::string longName = std::string(96, 'p') + ".jpg";  // 100 characters
  FSSpec spec = folderAsCallersGiveIt(folder);
  ASSERT_EQ(GetValidFileFSSpec(Str255(longName), spec, true, true), noErr);
  ASSERT_TRUE(fs::exists(folder / longName)) << "made under its full name";
  EXPECT_LE(spec.name.length(), 63u);
  std::ofstream(folder / longName) << "the same file";
  const auto path = FSSpecToNSStringPath(spec);
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(fs::path(*path), folder / longName);
  std::ifstream in(*path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "the same file");
}

TEST(GetValidFileFSSpec, AnswersForMissingExistingAndImpossibleFiles) {
  const fs::path folder = fs::canonical(test::makeTempFolder("cases"));
  std::ofstream(folder / "Print Log File") << "";
  const struct {
    const char* name;
    std::string fileName;
    bool create;
    OSErr expected;
    bool specReplaced;
  } cases[] = {
      {"missing, not created", "absent.txt", false, fnfErr, false},
      {"existing", "Print Log File", false, noErr, true},
      {"empty name", "", true, bdNamErr, false},
      {"dot-dot", "..", true, bdNamErr, false},
      {"NUL inside", std::string("a\0b", 3), true, bdNamErr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FSSpec spec = folderAsCallersGiveIt(folder);
    const FSSpec before = spec;
    EXPECT_EQ(GetValidFileFSSpec(Str255(c.fileName), spec, c.create, true), c.expected);
    EXPECT_EQ(!sameBytes(spec, before), c.specReplaced);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1) << "nothing was made";

  FSSpec unknown;
  unknown.vRefNum = -1;
  unknown.parID = 0x7ffffff0;
  EXPECT_EQ(GetValidFileFSSpec(Str255("x"), unknown, true, true), dirNFErr);
}

TEST(PathConversions, PathsOfSpecifications) {
  const fs::path folder = fs::canonical(test::makeTempFolder("paths"));
  std::ofstream(folder / "Error Log File") << "";
  FSSpec file;
  ASSERT_EQ(FSMakeFSSpecFromPath(folder / "Error Log File", file), noErr);
  EXPECT_EQ(FSSpecToNSStringPath(file), (folder / "Error Log File").string());

  FSSpec folderItself = folderAsCallersGiveIt(folder);  // an empty name names the folder
  EXPECT_EQ(FSSpecToNSStringPath(folderItself), folder.string());

  FSSpec missing = file;
  missing.name.assign("not there yet");
  EXPECT_FALSE(FSSpecToNSStringPath(missing).has_value()) << "an item that does not exist has no path";
}

TEST(PathConversions, SpecificationsOfPaths) {
  const fs::path folder = fs::canonical(test::makeTempFolder("specs"));
  std::ofstream(folder / "Yearbook.read me") << "";
  FSSpec spec;
  EXPECT_EQ(NSStringFilePathToFSSpec(&spec, (folder / "Yearbook.read me").string()), &spec);
  EXPECT_EQ(spec.name.macRoman(), "Yearbook.read me");
  EXPECT_EQ(FSSpecToNSStringPath(spec), (folder / "Yearbook.read me").string());

  const FSSpec before = spec;
  EXPECT_EQ(NSStringFilePathToFSSpec(&spec, (folder / "missing").string()), &spec);
  EXPECT_TRUE(sameBytes(spec, before)) << "a missing item leaves it alone";
}

TEST(PathConversions, Str255TextIsMacRomanBothWays) {
  const struct {
    const char* utf8;
    std::string macRoman;
  } cases[] = {
      {"ƒ", "\xC4"},
      {"VORL GRAPHICS FOLDER ƒ", "VORL GRAPHICS FOLDER \xC4"},
      {"Café", "Caf\x8E"},
      {"日本", "^^"},  // no Mac Roman form
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(NSStringToCStr255(c.utf8).macRoman(), c.macRoman);
    if (c.macRoman.find('^') == std::string::npos) {
      EXPECT_EQ(CStr255ToNSString(Str255(c.macRoman)), c.utf8);
    }
  }
  EXPECT_EQ(NSStringToCStr255(std::string(300, 'a')).length(), 255u);
}

}  // namespace
}  // namespace vorl
