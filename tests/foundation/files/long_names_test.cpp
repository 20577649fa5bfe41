#include "foundation/files/long_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files/file_specs.h"
#include "tests/support/isolated_environment.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& path) { std::ofstream(path) << "x"; }

TEST(RealName, NameOfAnExistingFile) {
  const fs::path folder = test::makeTempFolder("real-name");
  const struct {
    const char* diskName;      // UTF-8, as the folder lists it
    const char* macRomanName;  // what the program sees
  } cases[] = {
      {"Portrait Smith.jpg", "Portrait Smith.jpg"},
      {"Caf\u00E9 \u0192.tif", "Caf\x8E \xC4.tif"},
      {"a:b.jpg", "a/b.jpg"},  // a ":" on disk is a "/" in a Mac name
      {"x", "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.diskName);
    touch(folder / c.diskName);
    FSSpec spec{};
    ASSERT_EQ(FSMakeFSSpecFromPath(folder / c.diskName, spec), noErr);
    const Str255 name = fsSpecToRealName(spec);
    EXPECT_EQ(name.macRoman(), c.macRomanName);
  }
}

TEST(RealName, NameOfAFolder) {
  const fs::path folder = test::makeTempFolder("real-name");
  fs::create_directory(folder / "IMAGES FOLDER \u0192");
  FSSpec spec{};
  ASSERT_EQ(FSMakeFSSpecFromPath(folder / "IMAGES FOLDER \u0192", spec), noErr);
  EXPECT_EQ(fsSpecToRealName(spec).macRoman(), "IMAGES FOLDER \xC4");
}

TEST(RealName, ShortNameWhenTheFileCannotBeFound) {
  const fs::path folder = test::makeTempFolder("real-name");
  FSSpec missingFile{};
  ASSERT_EQ(FSMakeFSSpecFromPath(folder / "missing.jpg", missingFile), noErr);

  FSSpec unknownFolder{};
  unknownFolder.vRefNum = -1;
  unknownFolder.parID = 2147480000;  // no folder has this id
  unknownFolder.name.assign(std::string_view("Caf\x8E.jpg"));

  FSSpec goneFolder{};
  const fs::path gone = test::makeTempFolder("gone");
  touch(gone / "photo.jpg");
  ASSERT_EQ(FSMakeFSSpecFromPath(gone / "photo.jpg", goneFolder), noErr);
  fs::remove_all(gone);

  const struct {
    const char* what;
    const FSSpec& spec;
    const char* expected;
  } cases[] = {
      {"no such file", missingFile, "missing.jpg"},
      {"unknown folder", unknownFolder, "Caf\x8E.jpg"},
      {"folder removed", goneFolder, "photo.jpg"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(fsSpecToRealName(c.spec).macRoman(), c.expected);
  }
}

TEST(RealName, FullLengthShortName) {
  const fs::path folder = test::makeTempFolder("real-name");
  const std::string name(63, 'n');
  touch(folder / name);
  FSSpec spec{};
  ASSERT_EQ(FSMakeFSSpecFromPath(folder / name, spec), noErr);
  EXPECT_EQ(fsSpecToRealName(spec).macRoman(), name);
}

}  // namespace
}  // namespace vorl
