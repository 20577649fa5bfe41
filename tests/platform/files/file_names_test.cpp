// Names an FSSpec cannot hold, names that are no single path component, references and volumes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files/file_specs.h"
#include "platform/files/volume_names.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

void touch(const fs::path& file) { std::ofstream(file) << "x"; }

// A name too long for an FSSpec, or with characters Mac Roman lacks, gets a short name that finds the file again.
TEST(FileNames, ShortNameFindsTheLongOne) {
  const fs::path folder = test::makeTempFolder("short");
  const std::string longName = std::string(100, 'a') + ".jpg";
  const struct {
    std::string diskName;
    bool keepsItsName;
  } cases[] = {
      {"Print_0001.jpg", true},
      {std::string(63, 'b'), true},
      {"Jane:Smith.tif", true},  // ":" on disk is "/" in the Mac name
      {longName, false},
      {std::string(64, 'c'), false},
      {"Schnee \xE2\x98\x83.jpg", false},  // a snowman has no Mac Roman form
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.diskName);
    touch(folder / c.diskName);
    FSSpec spec;
    ASSERT_EQ(FSMakeFSSpecFromPath(folder / c.diskName, spec), noErr);
    EXPECT_LE(spec.name.length(), c.keepsItsName ? 63u : 31u);
    if (c.keepsItsName)
      EXPECT_EQ(macNameToDiskName(spec.name.macRoman()), c.diskName);
    else
      EXPECT_NE(spec.name.macRoman().find('#'), std::string_view::npos);
    fs::path path;
    ASSERT_EQ(FSpMakePath(spec, path), noErr);
    EXPECT_EQ(path, fs::canonical(folder) / c.diskName);
    std::string listed;
    ASSERT_EQ(FSpGetCatalogName(spec, listed), noErr);
    EXPECT_EQ(listed, c.diskName);
  }
  // A long name that no file has yet has no inode to make a short name from.
  FSSpec spec;
  EXPECT_EQ(FSMakeFSSpecFromPath(folder / (std::string(80, 'z') + ".jpg"), spec), bdNamErr);
  // The extension survives shortening.
  ASSERT_EQ(FSMakeFSSpecFromPath(folder / longName, spec), noErr);
  EXPECT_TRUE(spec.name.macRoman().ends_with(".jpg"));
}

TEST(FileNames, ShortNameOfARemovedFileFindsNothingElse) {
  const fs::path folder = test::makeTempFolder("gone");
  const std::string longName(90, 'q');
  touch(folder / longName);
  FSSpec spec;
  ASSERT_EQ(FSMakeFSSpecFromPath(folder / longName, spec), noErr);
  fs::remove(folder / longName);
  touch(folder / "other");
  fs::path path;
  ASSERT_EQ(FSpMakePath(spec, path), noErr);
  EXPECT_FALSE(fs::exists(path));
}

// Names from job files become path components only when they are one: never the folder above, never cut at a NUL.
TEST(FileNames, NamesThatAreNoPathComponentAreRefused) {
  const fs::path folder = test::makeTempFolder("names");
  FSSpec spec;
  ASSERT_EQ(FSMakeFSSpecFromPath(folder / "x", spec), noErr);
  const std::string refused[] = {".", "..", std::string("job\0.txt", 8)};
  for (const std::string& name : refused) {
    SCOPED_TRACE(name);
    spec.name.assign(name);
    fs::path path;
    EXPECT_EQ(FSpMakePath(spec, path), bdNamErr);
    EXPECT_FALSE(isUsableDiskName(name));
  }
  // A "/" in a Mac name is a ":" on disk, inside the folder.
  spec.name.assign("../etc");
  fs::path path;
  ASSERT_EQ(FSpMakePath(spec, path), noErr);
  EXPECT_EQ(path, fs::canonical(folder) / "..:etc");
  EXPECT_FALSE(isUsableDiskName(std::string(256, 'n')));
  EXPECT_TRUE(isUsableDiskName(".DS_Store"));
}

TEST(FileNames, MakeFSSpecTellsExistingFromMissing) {
  const fs::path folder = test::makeTempFolder("make");
  touch(folder / "there");
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  ASSERT_EQ(FSFolderIDs(folder, vRefNum, dirID), noErr);
  FSSpec spec;
  EXPECT_EQ(FSMakeFSSpec(vRefNum, dirID, "there", spec), noErr);
  EXPECT_EQ(FSMakeFSSpec(vRefNum, dirID, "missing", spec), fnfErr);
  EXPECT_EQ(spec.name.macRoman(), "missing");
  EXPECT_EQ(FSMakeFSSpec(vRefNum, dirID, std::string(64, 'l'), spec), bdNamErr);
  EXPECT_EQ(FSMakeFSSpec(vRefNum, 0, "there", spec), dirNFErr);
  // With no name the FSSpec stands for the folder itself, so it carries the folder's parent id and own name.
  std::int32_t parentID = 0;
  ASSERT_EQ(FSFolderIDs(folder.parent_path(), vRefNum, parentID), noErr);
  ASSERT_EQ(FSMakeFSSpec(vRefNum, dirID, "", spec), noErr);
  EXPECT_EQ(spec.parID, parentID);
  EXPECT_EQ(spec.name.toUtf8(), folder.filename().string());
}

TEST(FileNames, ReferencesNameExistingItems) {
  const fs::path folder = test::makeTempFolder("refs");
  const std::string longName = std::string(120, 'r') + ".tif";
  touch(folder / longName);
  FSRef ref;
  ASSERT_EQ(FSPathMakeRef(folder / longName, ref), noErr);
  EXPECT_EQ(ref.diskName, longName);
  fs::path path;
  ASSERT_EQ(FSRefMakePath(ref, path), noErr);
  EXPECT_EQ(path, fs::canonical(folder) / longName);
  FSSpec spec;
  ASSERT_EQ(FSRefMakeFSSpec(ref, &spec), noErr);
  FSRef again;
  ASSERT_EQ(FSpMakeFSRef(spec, again), noErr);
  EXPECT_EQ(again.diskName, longName);
  EXPECT_EQ(FSRefMakeFSSpec(ref, nullptr), paramErr);
  EXPECT_EQ(FSPathMakeRef(folder / "missing", ref), fnfErr);
  // The root of a volume hangs below the parent id 1.
  ASSERT_EQ(FSPathMakeRef("/", ref), noErr);
  EXPECT_EQ(ref.parID, fsRtParID);
  ASSERT_EQ(FSRefMakePath(ref, path), noErr);
  EXPECT_EQ(path, fs::path("/"));
}

TEST(FileNames, VolumesAreTheMountedFileSystems) {
  std::int16_t testVolume = 0;
  std::int32_t dirID = 0;
  ASSERT_EQ(FSFolderIDs(test::testRoot(), testVolume, dirID), noErr);
  bool found = false;
  int index = 1;
  for (VolumeInfo info; FSGetVolumeInfo(index, info) == noErr; ++index) {
    EXPECT_EQ(info.vRefNum, -index);
    EXPECT_FALSE(info.name.empty());
    if (info.vRefNum != testVolume) continue;
    found = true;
    EXPECT_TRUE(info.online);
    EXPECT_GT(info.totalBytes, 0u);
    EXPECT_LE(info.freeBytes, info.totalBytes);
  }
  EXPECT_TRUE(found);
  VolumeInfo info;
  EXPECT_EQ(FSGetVolumeInfo(index, info), nsvErr);
  EXPECT_EQ(FSGetVolumeInfoByRef(static_cast<std::int16_t>(-index), info), nsvErr);
  EXPECT_EQ(FSGetVolumeInfoByRef(0, info), nsvErr);
}

TEST(FileNames, VolumeNames) {
  EXPECT_TRUE(isPseudoFileSystem("proc"));
  EXPECT_TRUE(isPseudoFileSystem("cgroup2"));
  EXPECT_FALSE(isPseudoFileSystem("ext4"));
  EXPECT_FALSE(isPseudoFileSystem("tmpfs"));
  // Device 0 has no label, so the mount point names the volume.
  const struct {
    const char* mountPoint;
    const char* name;
  } cases[] = {{"/", "Root"}, {"/media/studio/PHOTOS 2024", "PHOTOS 2024"}, {"/mnt/jobs", "jobs"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mountPoint);
    MountEntry mount;
    mount.mountPoint = c.mountPoint;
    EXPECT_EQ(volumeNameFor(mount), c.name);
  }
}

}  // namespace
}  // namespace vorl
