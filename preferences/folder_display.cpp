#include "preferences/folder_display.h"

#include <system_error>

#include "foundation/files/aliases.h"
#include "foundation/files/files.h"
#include "foundation/files/volumes.h"
#include "platform/files/file_specs.h"
#include "platform/text/mac_roman.h"
#include "preferences/preference_globals.h"

namespace vorl {
namespace fs = std::filesystem;

std::optional<fs::path> existingFolderPath(std::int16_t vRefNum, std::int32_t dirID) {
  if (vRefNum == kNoFolderVolume || dirID == kNoFolderDirID) return std::nullopt;
  std::optional<fs::path> path = FSFolderPath(vRefNum, dirID);
  std::error_code error;
  if (!path || !fs::is_directory(*path, error)) return std::nullopt;
  return path;
}

OSErr getFolderName(std::int16_t vRefNum, std::int32_t dirID, Str255& folderName, Str63& volumeName) {
  folderName.clear();
  volumeName.clear();
  FSSpec own{};
  if (!existingFolderPath(vRefNum, dirID) || GetFolderFSSpec(vRefNum, dirID, &own) != noErr) return dirNFErr;
  folderName.assign(own.name.text());
  Str255 volume;
  if (GetVolumeNameFromVRefNum(volume, vRefNum) == noErr) volumeName.assign(volume.text());
  return noErr;
}

FolderTexts folderDisplayTexts(std::int16_t vRefNum, std::int32_t dirID, const Str31& storedVolumeName) {
  if (vRefNum == kNoFolderVolume || dirID == kNoFolderDirID) return {kNoDirectorySelected, ""};
  Str255 folderName;
  Str63 volumeName;
  if (getFolderName(vRefNum, dirID, folderName, volumeName) != noErr) {
    return {kCannotFindDirectory, std::string(storedVolumeName.macRoman())};
  }
  const bool isVolumeTop = folderName.macRoman() == volumeName.macRoman();
  return {isVolumeTop ? std::string(kRootFolderText) : std::string(folderName.macRoman()),
          std::string(volumeName.macRoman())};
}

std::optional<tFolderFSSpec> folderRecordFor(const tFolderFSSpec& record, std::int16_t vRefNum, std::int32_t dirID) {
  FSSpec own;
  own.vRefNum = kNoFolderVolume;
  own.parID = kNoFolderDirID;
  own.name.assign(std::string_view(kNotAValidFolder));
  if (!existingFolderPath(vRefNum, dirID) || GetFolderFSSpec(vRefNum, dirID, &own) != noErr) return std::nullopt;
  tFolderFSSpec chosen = record;
  chosen.spec = own;
  Str255 folderName;
  Str63 volumeName;
  if (getFolderName(vRefNum, dirID, folderName, volumeName) == noErr) chosen.volumeName.assign(volumeName.text());
  return chosen;
}

FolderTexts UpdateFolderString(tFolderFSSpec& live, const tFolderFSSpec& chosen, bool storeAlias) {
  std::int16_t vRefNum = kNoFolderVolume;
  std::int32_t dirID = kNoFolderDirID;
  if (!chosen.holdsNoFolder() && getFolderVolumeAndID(chosen.spec, vRefNum, dirID) == noErr) {
    if (storeAlias) SaveFSSpecAsAliasHandle(chosen);
    live.spec = chosen.spec;
    live.volumeName = chosen.volumeName;
  }
  if (live.holdsNoFolder()) return {kNoDirectorySelected, ""};
  std::int16_t liveVRefNum = kNoFolderVolume;
  std::int32_t liveDirID = kNoFolderDirID;
  if (getFolderVolumeAndID(live.spec, liveVRefNum, liveDirID) != noErr) {
    return {kCannotFindDirectory, std::string(live.volumeName.macRoman())};
  }
  const FolderTexts texts = folderDisplayTexts(liveVRefNum, liveDirID, live.volumeName);
  // The volume may have come back under another name since the record was written.
  if (!texts.volume.empty()) live.volumeName.assign(std::string_view(texts.volume));
  return texts;
}

std::string folderRefusal(const fs::path& folder) {
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  const std::optional<fs::path> spooler = existingFolderPath(prefs->printJobsFolder.vRefNum,
                                                             prefs->printJobsFolder.dirID);
  if (!spooler) return {};
  std::error_code error;
  const fs::path candidate = fs::weakly_canonical(folder, error);
  const fs::path jobs = fs::weakly_canonical(*spooler, error);
  auto candidatePart = candidate.begin();
  for (auto jobsPart = jobs.begin(); jobsPart != jobs.end(); ++jobsPart, ++candidatePart) {
    if (candidatePart == candidate.end() || *candidatePart != *jobsPart) return {};
  }
  return "The folder \"" + candidate.filename().string() +
         "\" is the print jobs folder or lies inside it, where every file is taken for a job. "
         "Please choose another folder.";
}

}  // namespace vorl
