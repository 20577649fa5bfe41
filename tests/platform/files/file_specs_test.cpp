// File specifications on a real file system, in folders made for each test under the isolated test root. The
// registry is process-wide, so every test makes its own folders and compares ids only with ids it obtained.
#include "platform/files/file_specs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

struct FolderIds {
  OSErr error = noErr;
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
};

FolderIds idsOf(const fs::path& folder) {
  FolderIds ids;
  ids.error = FSFolderIDs(folder, ids.vRefNum, ids.dirID);
  return ids;
}

void touch(const fs::path& file) { std::ofstream(file) << "x"; }

TEST(FileSpecs, SameFolderKeepsItsIds) {
  const fs::path folder = test::makeTempFolder("same");
  fs::create_directory_symlink(folder, folder.parent_path() / (folder.filename().string() + "-link"));
  const FolderIds first = idsOf(folder);
  ASSERT_EQ(first.error, noErr);
  EXPECT_LT(first.vRefNum, 0);
  EXPECT_GT(first.dirID, 0);
  // Asked again, by the same path, through "." and "..", and through a symbolic link.
  for (const fs::path& spelling : {folder, folder / ".", folder / ".." / folder.filename(),
                                   folder.parent_path() / (folder.filename().string() + "-link")}) {
    SCOPED_TRACE(spelling.string());
    const FolderIds again = idsOf(spelling);
    ASSERT_EQ(again.error, noErr);
    EXPECT_EQ(again.vRefNum, first.vRefNum);
    EXPECT_EQ(again.dirID, first.dirID);
  }
}

TEST(FileSpecs, TwoFoldersHaveDifferentIdsOnOneVolume) {
  const fs::path a = test::makeTempFolder("a");
  const fs::path b = test::makeTempFolder("b");
  const fs::path inner = a / "inner";
  fs::create_directory(inner);
  const FolderIds idsA = idsOf(a), idsB = idsOf(b), idsInner = idsOf(inner);
  ASSERT_EQ(idsA.error, noErr);
  ASSERT_EQ(idsB.error, noErr);
  ASSERT_EQ(idsInner.error, noErr);
  EXPECT_EQ(idsA.vRefNum, idsB.vRefNum);
  EXPECT_EQ(idsA.vRefNum, idsInner.vRefNum);
  EXPECT_NE(idsA.dirID, idsB.dirID);
  EXPECT_NE(idsA.dirID, idsInner.dirID);
  EXPECT_NE(idsB.dirID, idsInner.dirID);
}

TEST(FileSpecs, FolderPathAnswersTheFolder) {
  const fs::path folder = test::makeTempFolder("path");
  const FolderIds ids = idsOf(folder);
  ASSERT_EQ(ids.error, noErr);
  const auto path = FSFolderPath(ids.vRefNum, ids.dirID);
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(*path, fs::canonical(folder));
}

TEST(FileSpecs, RootOfTheRootVolumeIsDirectoryTwo) {
  const FolderIds root = idsOf("/");
  ASSERT_EQ(root.error, noErr);
  EXPECT_EQ(root.dirID, kVolumeRootDirID);
  EXPECT_EQ(FSFolderPath(root.vRefNum, kVolumeRootDirID), fs::path("/"));
}

TEST(FileSpecs, UnknownIdsNameNoFolder) {
  const FolderIds known = idsOf(test::makeTempFolder("known"));
  ASSERT_EQ(known.error, noErr);
  EXPECT_FALSE(FSFolderPath(known.vRefNum, 0).has_value());
  EXPECT_FALSE(FSFolderPath(known.vRefNum, -9999).has_value());
  EXPECT_FALSE(FSFolderPath(-9999, -9999).has_value());
  EXPECT_FALSE(FSFolderPath(-9999, known.dirID).has_value());
}

TEST(FileSpecs, FolderIdsRefuseWhatIsNoFolder) {
  const fs::path folder = test::makeTempFolder("nofolder");
  touch(folder / "file");
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  EXPECT_EQ(FSFolderIDs(folder / "missing", vRefNum, dirID), dirNFErr);
  EXPECT_EQ(FSFolderIDs(folder / "file", vRefNum, dirID), dirNFErr);
}

// A removed folder's id names nothing afterwards, also when a new folder of the same name takes its place; the
// new folder gets an id of its own. ext4 hands a just-freed inode straight to the next new folder, so the inode
// alone cannot tell the two apart.
TEST(FileSpecs, StaleIdNamesNoFolder) {
  const struct {
    const char* name;
    void (*replace)(const fs::path& folder);
  } cases[] = {
      {"removed", [](const fs::path& folder) { fs::remove(folder); }},
      {"removed and made again",
       [](const fs::path& folder) {
         fs::remove(folder);
         fs::create_directory(folder);
       }},
      {"moved aside and made again",
       [](const fs::path& folder) {
         fs::rename(folder, folder.string() + "-old");
         fs::create_directory(folder);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = test::makeTempFolder("stale") / "PRINT JOBS FOLDER \xC6\x92";
    fs::create_directory(folder);
    const FolderIds old = idsOf(folder);
    ASSERT_EQ(old.error, noErr);
    ASSERT_TRUE(FSFolderPath(old.vRefNum, old.dirID).has_value());

    c.replace(folder);
    EXPECT_FALSE(FSFolderPath(old.vRefNum, old.dirID).has_value());
    FSSpec inside{old.vRefNum, old.dirID, Str63("job.txt")};
    fs::path path;
    EXPECT_EQ(FSpMakePath(inside, path), dirNFErr);

    if (fs::exists(folder)) {
      const FolderIds now = idsOf(folder);
      ASSERT_EQ(now.error, noErr);
      EXPECT_NE(now.dirID, old.dirID);
      EXPECT_EQ(FSFolderPath(now.vRefNum, now.dirID), fs::canonical(folder));
      EXPECT_FALSE(FSFolderPath(old.vRefNum, old.dirID).has_value());
    }
  }
}

TEST(FileSpecs, SpecAndPathMakeTheRoundTrip) {
  const fs::path folder = test::makeTempFolder("roundtrip");
  const FolderIds ids = idsOf(folder);
  ASSERT_EQ(ids.error, noErr);
  const struct {
    std::string diskName;
    std::string macName;
    bool exists;
  } cases[] = {
      {"photo.jpg", "photo.jpg", true},
      {"not there yet.tif", "not there yet.tif", false},
      {"IMAGES FOLDER \xC6\x92", "IMAGES FOLDER \xC4", true},
      {"Caf\xC3\xA9 Z\xC3\xBCrich", "Caf\x8E Z\x9Frich", true},
      {"Job 1:2", "Job 1/2", true},
      {std::string(63, 'n'), std::string(63, 'n'), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.diskName);
    const fs::path item = folder / c.diskName;
    if (c.exists) touch(item);
    FSSpec spec{};
    ASSERT_EQ(FSMakeFSSpecFromPath(item, spec), noErr);
    EXPECT_EQ(spec.vRefNum, ids.vRefNum);
    EXPECT_EQ(spec.parID, ids.dirID);
    EXPECT_EQ(spec.name.macRoman(), c.macName);
    fs::path back;
    ASSERT_EQ(FSpMakePath(spec, back), noErr);
    EXPECT_EQ(back, fs::canonical(folder) / c.diskName);
    std::string listed;
    EXPECT_EQ(FSpGetCatalogName(spec, listed), c.exists ? noErr : fnfErr);
    if (c.exists) {
      EXPECT_EQ(listed, c.diskName);
    }
  }
}

TEST(FileSpecs, SpecWithEmptyNameIsItsFolder) {
  const fs::path folder = test::makeTempFolder("emptyname");
  const FolderIds ids = idsOf(folder);
  ASSERT_EQ(ids.error, noErr);
  fs::path path;
  ASSERT_EQ(FSpMakePath(FSSpec{ids.vRefNum, ids.dirID, Str63()}, path), noErr);
  EXPECT_EQ(path, fs::canonical(folder));
}

// The Mac allows "/" in a name and not ":"; on disk it is the other way round.
TEST(FileSpecs, SlashInAMacNameIsColonOnDisk) {
  const fs::path folder = test::makeTempFolder("slash");
  const FolderIds ids = idsOf(folder);
  ASSERT_EQ(ids.error, noErr);
  const FSSpec spec{ids.vRefNum, ids.dirID, Str63("Order 12/05/2023 \xC4")};
  fs::path path;
  ASSERT_EQ(FSpMakePath(spec, path), noErr);
  EXPECT_EQ(path.filename().string(), "Order 12:05:2023 \xC6\x92");
  EXPECT_EQ(path.parent_path(), fs::canonical(folder));
  touch(path);
  ASSERT_TRUE(fs::exists(folder / "Order 12:05:2023 \xC6\x92"));

  FSSpec back{};
  ASSERT_EQ(FSMakeFSSpecFromPath(folder / "Order 12:05:2023 \xC6\x92", back), noErr);
  EXPECT_EQ(back.name.macRoman(), "Order 12/05/2023 \xC4");
}

TEST(FileSpecs, NameConversionAtTheDiskBoundary) {
  const struct {
    std::string macRoman;
    std::string disk;
  } cases[] = {
      {"", ""},
      {"a/b", "a:b"},
      {"//", "::"},
      {"FINISHED JOBS FOLDER \xC4", "FINISHED JOBS FOLDER \xC6\x92"},
      {"\xF0 logo", "\xEF\xA3\xBF logo"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.disk);
    EXPECT_EQ(macNameToDiskName(c.macRoman), c.disk);
    EXPECT_EQ(diskNameToMacName(c.disk), c.macRoman);
  }
  // A disk name with no Mac Roman form keeps its length in characters.
  EXPECT_EQ(diskNameToMacName("\xE4\xB8\xAD:1"), "^/1");
}

// 63 Mac Roman bytes is the limit, however many bytes the name takes in UTF-8.
TEST(FileSpecs, NameLongerThanSixtyThreeMacRomanBytesIsRefused) {
  const fs::path folder = test::makeTempFolder("longname");
  std::string sixtyThreeFolderSigns, sixtyFourFolderSigns;
  for (int i = 0; i < 63; ++i) sixtyThreeFolderSigns += "\xC6\x92";
  sixtyFourFolderSigns = sixtyThreeFolderSigns + "\xC6\x92";
  const struct {
    const char* name;
    std::string diskName;
    OSErr result;
  } cases[] = {
      {"63 ASCII", std::string(63, 'a'), noErr},
      {"64 ASCII", std::string(64, 'a'), bdNamErr},
      {"200 ASCII", std::string(200, 'a'), bdNamErr},
      {"63 two-byte characters (126 UTF-8 bytes)", sixtyThreeFolderSigns, noErr},
      {"64 two-byte characters", sixtyFourFolderSigns, bdNamErr},
      {"62 ASCII and one two-byte character", std::string(62, 'a') + "\xC6\x92", noErr},
      {"63 ASCII and one two-byte character", std::string(63, 'a') + "\xC6\x92", bdNamErr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FSSpec spec{};
    spec.name.assign("untouched");
    EXPECT_EQ(FSMakeFSSpecFromPath(folder / c.diskName, spec), c.result);
    if (c.result == noErr) {
      EXPECT_EQ(spec.name.toUtf8(), c.diskName);
    } else {
      EXPECT_EQ(spec.name.macRoman(), "untouched");
    }
  }
}

TEST(FileSpecs, ItemInAMissingFolderHasNoSpec) {
  const fs::path folder = test::makeTempFolder("missingparent");
  FSSpec spec{};
  EXPECT_EQ(FSMakeFSSpecFromPath(folder / "missing" / "file.jpg", spec), dirNFErr);
}

TEST(FileSpecs, FlushVolWorksOnAKnownVolumeOnly) {
  const FolderIds ids = idsOf(test::makeTempFolder("flush"));
  ASSERT_EQ(ids.error, noErr);
  touch(test::testRoot() / "tmp" / "flushed");
  EXPECT_EQ(FlushVol(ids.vRefNum), noErr);

  for (const std::int16_t unknown :
       {std::int16_t{0}, std::int16_t{1}, std::int16_t{2}, std::int16_t{-9999},
        std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()}) {
    SCOPED_TRACE(unknown);
    EXPECT_EQ(FlushVol(unknown), nsvErr);
  }
}

}  // namespace
}  // namespace vorl
