// platform/files/: the file system as the program sees it: file specifications by volume and folder id (this unit),
// the catalog calls, folder references, mounted file systems and their names, AppleDouble sidecars for Finder
// information and resource forks, files written whole or not at all, and the XDG folders.
//
// Volumes, directory ids and file specifications on a POSIX file system.
//
// The program names files as the Mac did: a volume reference number, the id of the parent folder and a short
// Mac Roman name. Here a volume is a mounted file system (a negative number per device, stable for the run) and a
// directory id is the folder's inode, or a number of our own when the inode does not fit or was reused (the
// volume's root is always 2, as on HFS). The registry remembers the path of every folder it numbered and checks
// device, inode and the inode's generation (in its file handle) again before each use, so a stale id answers "no
// such folder" instead of naming another folder, even one made on the same inode.
// A "/" in a Mac name is ":" on disk and back, as the Mac itself did.
//
// A name that an FSSpec cannot hold as it is (longer than 63 Mac Roman characters, or with characters that have
// no Mac Roman form) gets a short name, as HFS+ gave one: the start of the name, "#", the item's inode in
// hexadecimal and the extension, 31 characters at most ("A very long customer na#1A2B3C.jpg"). Such a name
// finds the item again as long as it lives in that folder; the item's real name is never changed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/mac_types.h"

namespace vorl {

inline constexpr std::int32_t kVolumeRootDirID = 2;

// The volume and directory id of an existing folder (registered for later lookups).
OSErr FSFolderIDs(const std::filesystem::path& folder, std::int16_t& vRefNum, std::int32_t& dirID);

// The path of a registered folder; empty when the id is unknown or no longer names the same folder.
std::optional<std::filesystem::path> FSFolderPath(std::int16_t vRefNum, std::int32_t dirID);

// The file specification of an item (file or folder, existing or not) inside an existing folder. An existing
// item whose name an FSSpec cannot hold gets its short name; a missing one answers bdNamErr.
OSErr FSMakeFSSpecFromPath(const std::filesystem::path& item, FSSpec& spec);

// The path a specification names; dirNFErr when its folder is unknown, bdNamErr for a name that is no single
// path component ("..", NUL). A short "#<inode>" name that no item bears literally names the item it was made for.
OSErr FSpMakePath(const FSSpec& spec, std::filesystem::path& path);

// The item's name as its folder lists it (UTF-8); fnfErr when there is no such item.
OSErr FSpGetCatalogName(const FSSpec& spec, std::string& utf8Name);

// Writes everything cached for the volume to its disk.
OSErr FlushVol(std::int16_t vRefNum);

// Name conversion at the disk boundary: Mac Roman with "/" <-> UTF-8 with ":".
std::string macNameToDiskName(std::string_view macRoman);
std::string diskNameToMacName(std::string_view utf8);

// True for a name that may be one component of a path: not empty, not "." or "..", no "/" or NUL, at most 255
// bytes. Names from job files and records pass this test before they touch the disk.
bool isUsableDiskName(std::string_view utf8) noexcept;

// The name an FSSpec holds for an item of that disk name and inode: the Mac Roman name itself when it has at
// most 63 characters and converts back to the same disk name, else the short "#<inode>" form described above.
std::string shortMacName(std::string_view diskName, ino_t inode);

// The parent id of a volume's root folder, as on HFS.
inline constexpr std::int32_t fsRtParID = 1;

// The file specification of an item in a registered folder: noErr when the item exists, fnfErr when it does not
// (the file specification is filled either way), dirNFErr for an unknown folder, bdNamErr for a name that an FSSpec
// cannot hold or the disk cannot take. An empty name gives the folder's own specification.
OSErr FSMakeFSSpec(std::int16_t vRefNum, std::int32_t dirID, std::string_view macName, FSSpec& spec);

// A reference to an existing item: the folder that holds it and its name as that folder lists it. A volume's
// root is (vRefNum, fsRtParID, empty name). Unlike an FSSpec it holds any name the disk holds.
struct FSRef {
  std::int16_t vRefNum = 0;
  std::int32_t parID = 0;
  std::string diskName;
};

// fnfErr when the item does not exist.
OSErr FSPathMakeRef(const std::filesystem::path& item, FSRef& ref);
OSErr FSpMakeFSRef(const FSSpec& spec, FSRef& ref);
// dirNFErr when the folder is no longer known; the item itself is not looked at.
OSErr FSRefMakePath(const FSRef& ref, std::filesystem::path& path);
// The file specification of the referenced item (its short name when the name is long); paramErr for a null output.
OSErr FSRefMakeFSSpec(const FSRef& ref, FSSpec* spec);

// A mounted file system as the program sees a volume.
struct VolumeInfo {
  std::int16_t vRefNum = 0;
  std::string name;  // UTF-8: the file-system label, else the mount point's last name, "Root" for "/"
  std::filesystem::path mountPoint;
  bool online = false;  // still mounted where it was found
  std::uint64_t freeBytes = 0;
  std::uint64_t totalBytes = 0;
};

// The index-th mounted volume (from 1), in the order the registry numbered them; nsvErr past the last one. The
// mount table is read again on every call, so a newly mounted file system joins at the end.
OSErr FSGetVolumeInfo(int index, VolumeInfo& info);
// The volume of that reference number; nsvErr when there is none.
OSErr FSGetVolumeInfoByRef(std::int16_t vRefNum, VolumeInfo& info);

}  // namespace vorl
