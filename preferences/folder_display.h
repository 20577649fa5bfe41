// What the preference panels show for a stored folder, and the record side of choosing one.
//
// A panel shows a folder as two texts: the folder's name ("<Root>" for the top of a volume, whose folder name
// is the volume's) and its volume's name. A record that names no folder shows "No directory selected"; one whose
// folder is gone shows "[Can not find directory]" and keeps what it holds, so a disk that is only unplugged is
// found again when it comes back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "foundation/records/folder_records.h"
#include "platform/core/mac_types.h"
#include "preferences/preference_records.h"

namespace vorl {

inline constexpr char kNoDirectorySelected[] = "No directory selected";
inline constexpr char kCannotFindDirectory[] = "[Can not find directory]";
inline constexpr char kRootFolderText[] = "<Root>";
inline constexpr char kNotAValidFolder[] = "Not a Valid Folder";

// The folder's own name and its volume's name (Mac Roman). A volume's top folder is named as the volume.
// dirNFErr (both names emptied) when the folder is not there.
OSErr getFolderName(std::int16_t vRefNum, std::int32_t dirID, Str255& folderName, Str63& volumeName);

// The two texts of a folder display, Mac Roman.
struct FolderTexts {
  std::string folder;
  std::string volume;
};

// The texts for the folder (vRefNum, dirID); `storedVolumeName` stands in while the folder is not there.
FolderTexts folderDisplayTexts(std::int16_t vRefNum, std::int32_t dirID, const Str31& storedVolumeName);

// The record side of a folder display: when the folder `chosen` names exists it goes into `live` (its
// specification and volume name) and, with `storeAlias`, its reference is stored under the record's alias id.
// A folder that is not there changes nothing. Answers the texts to show.
FolderTexts UpdateFolderString(tFolderFSSpec& live, const tFolderFSSpec& chosen, bool storeAlias);

// The record's folder with its specification replaced by that of the folder (vRefNum, dirID); nullopt when that
// folder cannot be read.
std::optional<tFolderFSSpec> folderRecordFor(const tFolderFSSpec& record, std::int16_t vRefNum, std::int32_t dirID);

// The folder (vRefNum, dirID) and its path when it exists.
std::optional<std::filesystem::path> existingFolderPath(std::int16_t vRefNum, std::int32_t dirID);

// Why the folder cannot take output or be the working root: it is the print jobs folder or lies inside it, where
// every file is taken for a job. Empty when it may be used.
std::string folderRefusal(const std::filesystem::path& folder);

}  // namespace vorl
