// Volumes, directory ids and file specifications on a POSIX file system.
//
// The program names files as the Mac did: a volume reference number, the id of the parent folder and a short
// Mac Roman name. Here a volume is a mounted file system (a negative number per device, stable for the run) and a
// directory id is the folder's inode, or a number of our own when the inode does not fit or was reused (the
// volume's root is always 2, as on HFS). The registry remembers the path of every folder it numbered and checks
// device, inode and the inode's generation (in its file handle) again before each use, so a stale id answers "no
// such folder" instead of naming another folder, even one made on the same inode.
// A "/" in a Mac name is ":" on disk and back, as the Mac itself did.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/mac_types.h"

namespace vorl {

inline constexpr std::int32_t kVolumeRootDirID = 2;

// The volume and directory id of an existing folder (registered for later lookups).
OSErr FSFolderIDs(const std::filesystem::path& folder, std::int16_t& vRefNum, std::int32_t& dirID);

// The path of a registered folder; empty when the id is unknown or no longer names the same folder.
std::optional<std::filesystem::path> FSFolderPath(std::int16_t vRefNum, std::int32_t dirID);

// The file specification of an item (file or folder, existing or not) inside an existing folder.
OSErr FSMakeFSSpecFromPath(const std::filesystem::path& item, FSSpec& spec);

// The path a specification names; dirNFErr when its folder is unknown.
OSErr FSpMakePath(const FSSpec& spec, std::filesystem::path& path);

// The item's name as its folder lists it (UTF-8); fnfErr when there is no such item.
OSErr FSpGetCatalogName(const FSSpec& spec, std::string& utf8Name);

// Writes everything cached for the volume to its disk.
OSErr FlushVol(std::int16_t vRefNum);

// Name conversion at the disk boundary: Mac Roman with "/" <-> UTF-8 with ":".
std::string macNameToDiskName(std::string_view macRoman);
std::string diskNameToMacName(std::string_view utf8);

}  // namespace vorl
