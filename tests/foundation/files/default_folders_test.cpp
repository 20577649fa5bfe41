// Finding a configured folder again, and making a default one in the application folder.
#include "foundation/files/default_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/files/volumes.h"
#include "platform/files/file_specs.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

struct StoredFolder {
  tmyFSSpec record;
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
};

// A folder as a record stores it: its specification, its volume's name, its volume and id.
StoredFolder storedFolder(const fs::path& folder) {
  StoredFolder stored;
  EXPECT_EQ(FSFolderIDs(folder, stored.vRefNum, stored.dirID), noErr);
  FSSpec spec;
  EXPECT_EQ(FSMakeFSSpecFromPath(folder, spec), noErr);
  stored.record.spec = spec;
  Str255 volume;
  EXPECT_EQ(GetVolumeNameFromVRefNum(volume, stored.vRefNum), noErr);
  stored.record.volumeName.assign(volume.text());
  return stored;
}

TEST(DefaultFolders, FindsAStoredFolderAgain) {
  const fs::path spooler = test::makeTempFolder("spooler");
  const StoredFolder stored = storedFolder(spooler);
  const fs::path other = test::makeTempFolder("other");
  std::int16_t otherVolume = 0;
  std::int32_t otherID = 0;
  ASSERT_EQ(FSFolderIDs(other, otherVolume, otherID), noErr);

  const struct {
    const char* what;
    std::int16_t vRefNum;
    std::int32_t dirID;
    const char* volumeName;  // null: the real one
    std::int16_t found;
    std::int32_t dirAfter;
  } cases[] = {
      {"as stored", stored.vRefNum, stored.dirID, nullptr, 1, stored.dirID},
      {"a stale id is read again from the file specification", stored.vRefNum, otherID, nullptr, 1, stored.dirID},
      {"the volume was renamed", stored.vRefNum, stored.dirID, "Old Studio Disk", 1, stored.dirID},
      {"the volume got another number", -30000, stored.dirID, nullptr, 1, stored.dirID},
      {"no folder was ever chosen", -9999, stored.dirID, nullptr, 0, stored.dirID},
      {"another number and another name", -30000, stored.dirID, "Old Studio Disk", 0, stored.dirID},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    tmyFSSpec record = stored.record;
    if (c.volumeName) record.volumeName.assign(std::string_view(c.volumeName));
    std::int32_t dirID = c.dirID;
    std::int16_t foundVolume = 0;
    EXPECT_EQ(AttemptToFindFolder(c.vRefNum, &dirID, &record, foundVolume), c.found);
    EXPECT_EQ(dirID, c.dirAfter);
    if (c.found) {
      EXPECT_EQ(foundVolume, stored.vRefNum);
    }
  }

  // A folder that is gone is not found, and no id is invented for it.
  fs::remove(spooler);
  tmyFSSpec record = stored.record;
  std::int32_t dirID = stored.dirID;
  std::int16_t foundVolume = 0;
  EXPECT_EQ(AttemptToFindFolder(stored.vRefNum, &dirID, &record, foundVolume), 0);
  EXPECT_EQ(dirID, stored.dirID);
  EXPECT_EQ(AttemptToFindFolder(stored.vRefNum, nullptr, &record, foundVolume), 0);
}

std::vector<std::string> gStatusLines;
void* gStatusWindow = nullptr;

void recordStatus(void* window, const Str255& text) {
  gStatusWindow = window;
  gStatusLines.push_back(text.toUtf8());
}

TEST(DefaultFolders, MakesTheDefaultFolderInTheApplicationFolder) {
  const StoredFolder home = storedFolder(test::makeTempFolder("home"));
  appvRefNum = home.vRefNum;
  appDirID = home.dirID;
  setStartUpStatusHook(recordStatus);
  gStatusLines.clear();
  int window = 0;

  tmyFSSpec record{};
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  const CStr255_AC name("Vorl-Zeverezoz Folder \xC4");
  ASSERT_EQ(AttemptToCreateDefaultFolder(true, vRefNum, dirID, &record, name, Str255("SPOOLER FOLDER"), &window), 1);
  const fs::path made = *FSFolderPath(home.vRefNum, home.dirID) / "Vorl-Zeverezoz Folder \xC6\x92";
  ASSERT_TRUE(fs::is_directory(made));
  std::int16_t madeVolume = 0;
  std::int32_t madeID = 0;
  ASSERT_EQ(FSFolderIDs(made, madeVolume, madeID), noErr);
  EXPECT_EQ(vRefNum, madeVolume);
  EXPECT_EQ(dirID, madeID);
  EXPECT_EQ(record.spec.parID, home.dirID);  // the record names the folder inside its parent
  EXPECT_EQ(record.spec.name.macRoman(), name.macRoman());
  EXPECT_EQ(record.volumeName.macRoman(), home.record.volumeName.macRoman());
  EXPECT_EQ(gStatusLines, std::vector<std::string>{"Creating Folder - Vorl-Zeverezoz Folder \xC6\x92"});
  EXPECT_EQ(gStatusWindow, &window);

  // Made once; the next start takes the folder that is there.
  std::int32_t again = 0;
  ASSERT_EQ(AttemptToCreateDefaultFolder(true, vRefNum, again, &record, name, Str255("SPOOLER FOLDER"), nullptr), 1);
  EXPECT_EQ(again, madeID);
  setStartUpStatusHook(nullptr);

  test::MessageRecorder messages;
  tmyFSSpec missing{};
  missing.spec.name.assign("Vorl-Zeverezoz Folder \xC4");
  EXPECT_EQ(AttemptToCreateDefaultFolder(false, vRefNum, dirID, &missing, name, Str255("SPOOLER FOLDER"), nullptr), 0);
  EXPECT_EQ(
      messages.messages(),
      std::vector<std::string>{"Unable to Find SPOOLER FOLDER:\r  Volume: Desktop\r  Folder: Vorl-Zeverezoz Folder "
                               "\xC6\x92"});
  EXPECT_EQ(AttemptToCreateDefaultFolder(true, vRefNum, dirID, nullptr, name, Str255("SPOOLER FOLDER"), nullptr), 0);

  // Without an application folder nothing can be made, and the caller is told so.
  appvRefNum = kNoFolderVolume;
  appDirID = kNoFolderDirID;
  std::int32_t untouched = 77;
  EXPECT_EQ(AttemptToCreateDefaultFolder(true, vRefNum, untouched, &record, name, Str255("SPOOLER FOLDER"), nullptr),
            0);
  EXPECT_EQ(untouched, 77);
}

}  // namespace
}  // namespace vorl
