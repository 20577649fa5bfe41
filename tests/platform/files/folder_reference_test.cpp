// Folder references on a real file system: found by path, after a rename or a move nearby, on a file system
// mounted elsewhere (a mount table of the test's own), and reported as gone when the folder is gone.
#include "platform/files/folder_reference.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

std::vector<std::uint8_t> referenceTo(const fs::path& item, const MountTable* mounts = nullptr) {
  std::vector<std::uint8_t> blob;
  EXPECT_EQ(makeFolderReference(item, blob, mounts), noErr);
  return blob;
}

TEST(FolderReference, FindsAnUnmovedFolderByItsPath) {
  const fs::path folder = test::makeTempFolder("unmoved") / "PRINT TO FILE FOLDER ƒ";
  fs::create_directory(folder);
  ResolvedReference resolved;
  ASSERT_EQ(resolveFolderReference(referenceTo(folder), resolved), noErr);
  EXPECT_EQ(resolved.path, fs::canonical(folder));
  EXPECT_EQ(resolved.route, ReferenceRoute::kRecordedPath);
}

TEST(FolderReference, FindsAFolderThatWasRenamedOrMovedNearby) {
  const struct {
    const char* name;
    const char* before;
    const char* after;
  } cases[] = {
      {"renamed in place", "jobs/Set A", "jobs/Set A (old)"},
      {"moved into a sibling", "jobs/Set A", "jobs/archive/2024/Set A"},
      {"parent renamed", "jobs/Set A", "jobs renamed/Set A"},
      {"moved up", "jobs/deep/Set A", "Set A"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path root = test::makeTempFolder("moved");
    fs::create_directories(root / c.before);
    fs::create_directories(root / "jobs/archive/2024");
    std::ofstream(root / c.before / "inside.txt") << "x";
    const auto blob = referenceTo(root / c.before);
    if (std::string_view(c.name) == "parent renamed") {
      fs::rename(root / "jobs", root / "jobs renamed");
    } else {
      fs::rename(root / c.before, root / c.after);
    }
    ResolvedReference resolved;
    ASSERT_EQ(resolveFolderReference(blob, resolved), noErr);
    EXPECT_EQ(resolved.path, fs::canonical(root / c.after));
    EXPECT_EQ(resolved.route, ReferenceRoute::kFoundNearby);
  }
}

TEST(FolderReference, AFolderThatIsGoneIsNotFound) {
  const fs::path root = test::makeTempFolder("gone");
  const fs::path folder = root / "WEB UPLOAD FOLDER ƒ";
  fs::create_directory(folder);
  const auto blob = referenceTo(folder);
  fs::remove(folder);
  // New folders beside it may be handed the freed inode; they are other folders all the same.
  for (int i = 0; i < 20; ++i) fs::create_directory(root / ("new " + std::to_string(i)));
  ResolvedReference resolved;
  EXPECT_EQ(resolveFolderReference(blob, resolved), fnfErr);
}

TEST(FolderReference, AFileWhereTheFolderWasIsNotTheFolder) {
  const fs::path root = test::makeTempFolder("kind");
  const fs::path folder = root / "spool";
  fs::create_directory(folder);
  const auto blob = referenceTo(folder);
  fs::remove(folder);
  std::ofstream(folder) << "a file now";
  ResolvedReference resolved;
  EXPECT_EQ(resolveFolderReference(blob, resolved), fnfErr);
}

// A disk that comes back mounted somewhere else: the test's own mount table says so, for a folder tree that
// stands in for the disk. The folder found there is another inode, so only the mount route can find it.
TEST(FolderReference, FindsTheFolderOnItsFileSystemMountedElsewhere) {
  const fs::path root = fs::canonical(test::makeTempFolder("remount"));
  fs::create_directories(root / "media/studio-disk/jobs/out");
  struct stat info {};
  ASSERT_EQ(::stat(root.c_str(), &info), 0);
  const MountTable before{{info.st_dev, root / "media/studio-disk", "/", "ext4", "1b2c-volume"}};
  const auto blob = referenceTo(root / "media/studio-disk/jobs/out", &before);

  fs::remove_all(root / "media/studio-disk");
  fs::create_directories(root / "run/media/STUDIO/jobs/out");
  const struct {
    const char* name;
    MountTable after;
    OSErr expected;
  } cases[] = {
      {"same volume elsewhere", {{info.st_dev, root / "run/media/STUDIO", "/", "ext4", "1b2c-volume"}}, noErr},
      {"another volume there", {{info.st_dev, root / "run/media/STUDIO", "/", "ext4", "other-volume"}}, fnfErr},
      {"another file-system type", {{info.st_dev, root / "run/media/STUDIO", "/", "vfat", "1b2c-volume"}}, fnfErr},
      {"a bind mount of the folder 'jobs'",
       {{info.st_dev, root / "run/media/STUDIO/jobs", "/jobs", "ext4", "1b2c-volume"}},
       noErr},
      {"a bind mount of the folder itself",
       {{info.st_dev, root / "run/media/STUDIO/jobs/out", "/jobs/out", "ext4", "1b2c-volume"}},
       noErr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResolvedReference resolved;
    ASSERT_EQ(resolveFolderReference(blob, resolved, &c.after), c.expected);
    if (c.expected != noErr) continue;
    EXPECT_EQ(resolved.path, root / "run/media/STUDIO/jobs/out");
    EXPECT_EQ(resolved.route, ReferenceRoute::kRemounted);
  }
}

TEST(FolderReference, BlobStartsWithItsMagicAndVersionAndHoldsLittleEndianNumbers) {
  const fs::path folder = test::makeTempFolder("layout");
  const auto blob = referenceTo(folder);
  ASSERT_GE(blob.size(), 24u);
  EXPECT_EQ(std::string(blob.begin(), blob.begin() + 4), "VBMK");
  EXPECT_EQ(blob[4], 1);
  EXPECT_EQ(blob[5], 0);
  EXPECT_EQ(blob[6], 1) << "the folder flag";
  struct stat info {};
  ASSERT_EQ(::stat(fs::canonical(folder).c_str(), &info), 0);
  std::uint64_t inode = 0;
  for (int i = 7; i >= 0; --i) inode = (inode << 8) | blob[16 + i];
  EXPECT_EQ(inode, info.st_ino);
}

TEST(FolderReference, RefusesEveryDamagedBlob) {
  const fs::path folder = test::makeTempFolder("damaged");
  const auto blob = referenceTo(folder);
  ResolvedReference resolved;
  for (std::size_t length = 0; length < blob.size(); ++length) {
    SCOPED_TRACE(length);
    const std::vector<std::uint8_t> cut(blob.begin(), blob.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(resolveFolderReference(cut, resolved), paramErr);
    EXPECT_FALSE(isFolderReference(cut));
  }
  auto longer = blob;
  longer.push_back(0);
  EXPECT_EQ(resolveFolderReference(longer, resolved), paramErr);
  auto otherVersion = blob;
  otherVersion[4] = 2;
  EXPECT_EQ(resolveFolderReference(otherVersion, resolved), paramErr);
  auto otherMagic = blob;
  otherMagic[0] = 'X';
  EXPECT_EQ(resolveFolderReference(otherMagic, resolved), paramErr);
  for (const auto& damaged : {longer, otherVersion, otherMagic}) EXPECT_FALSE(isFolderReference(damaged));
  EXPECT_TRUE(isFolderReference(blob));
}

// Telling a blob for a reference reads only the blob: a folder that is gone does not matter.
TEST(FolderReference, ABlobIsKnownForAReferenceWithoutLookingForItsFolder) {
  const auto folder = test::makeTempFolder("gone") / "orders";
  fs::create_directory(folder);
  std::vector<std::uint8_t> blob;
  ASSERT_EQ(makeFolderReference(folder, blob), noErr);
  fs::remove(folder);
  EXPECT_TRUE(isFolderReference(blob));
  ResolvedReference resolved;
  EXPECT_EQ(resolveFolderReference(blob, resolved), fnfErr);
}

TEST(FolderReference, AnItemThatDoesNotExistHasNoReference) {
  std::vector<std::uint8_t> blob;
  EXPECT_EQ(makeFolderReference(test::makeTempFolder("none") / "missing", blob), fnfErr);
  EXPECT_TRUE(blob.empty());
}

}  // namespace
}  // namespace vorl
