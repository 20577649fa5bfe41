#include "foundation/files/default_folders.h"

#include <atomic>
#include <string>

#include "foundation/files/file_copy.h"
#include "foundation/files/files.h"
#include "foundation/services/messages.h"
#include "foundation/files/volumes.h"

namespace vorl {

std::int16_t appvRefNum = kNoFolderVolume;
std::int32_t appDirID = kNoFolderDirID;

namespace {

std::atomic<StartUpStatusHook> gStartUpStatusHook{nullptr};

}  // namespace

void setStartUpStatusHook(StartUpStatusHook hook) noexcept { gStartUpStatusHook.store(hook); }

std::int16_t AttemptToFindFolder(std::int16_t vRefNum, std::int32_t* dirID, tmyFSSpec* record,
                                 std::int16_t& foundVRefNum) {
  if (!dirID || !record || vRefNum == kNoFolderVolume) return 0;
  const Str255 volumeName(record->volumeName.macRoman());
  const FSSpec recorded = record->spec;

  if (CheckIfVolumeNameAndVRefNumMatch(volumeName, vRefNum) == noErr && IsExistingDirectory(&recorded)) {
    // The folder may have been made again since its id was stored.
    if (const std::int32_t current = GetFolderDirID(recorded); current != kNoFolderDirID && current != *dirID)
      *dirID = current;
    foundVRefNum = vRefNum;
    return 1;
  }
  if (IsExistingDirectory(vRefNum, *dirID)) {
    foundVRefNum = vRefNum;
    return 1;
  }
  Str255 name = volumeName;
  std::int16_t byName = 0;
  if (FindVolumeFromNameOrVRefNum(name, byName, 1) == noErr && IsExistingDirectory(byName, *dirID)) {
    foundVRefNum = byName;
    return 1;
  }
  std::int16_t sameVolume = vRefNum;
  Str255 currentName;
  if (FindVolumeFromNameOrVRefNum(currentName, sameVolume, 2) == noErr && IsExistingDirectory(vRefNum, *dirID)) {
    foundVRefNum = vRefNum;
    return 1;
  }
  return 0;
}

std::int16_t AttemptToCreateDefaultFolder(bool create, std::int16_t& vRefNum, std::int32_t& dirID, tmyFSSpec* record,
                                          const CStr255_AC& name, const Str255& label, void* startUpWindow) {
  if (!record) return 0;
  if (!create) {
    const std::string volume = record->volumeName.empty() ? "Desktop" : record->volumeName.toUtf8();
    const std::string text =
        "Unable to Find " + label.toUtf8() + ":\r  Volume: " + volume + "\r  Folder: " + record->spec.name.toUtf8();
    DisplayNormalMessage(Str255::fromUtf8(text));
    return 0;
  }
  if (const StartUpStatusHook hook = gStartUpStatusHook.load())
    hook(startUpWindow, Str255::fromUtf8("Creating Folder - " + name.toUtf8()));
  FSSpec made;
  if (createNewFolder(Str31(name.macRoman()), appvRefNum, appDirID, &made) != noErr || name.empty()) return 0;
  vRefNum = made.vRefNum;
  dirID = made.parID;
  FSSpec own;
  if (GetFolderFSSpec(vRefNum, dirID, &own) == noErr) record->spec = own;
  Str255 volume;
  if (GetVolumeNameFromVRefNum(volume, vRefNum) == noErr) record->volumeName.assign(volume.text());
  return 1;
}

}  // namespace vorl
