#include "platform/files/file_specs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <vector>

#include "platform/text/mac_roman.h"
#include "platform/files/mount_table.h"
#include "platform/files/volume_names.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

struct Volume {
  dev_t device;
  fs::path mountPoint;
};

// What tells one folder from another. Device and inode are not enough: ext4 hands the inode of a folder just
// removed straight to the next new folder, within the same clock tick, so neither the inode nor the birth time
// would stop a stale id from naming the new folder. The file handle carries the inode's generation number, which
// changes with every new inode, on every file system that exports handles (ext4, XFS, Btrfs, tmpfs).
struct Identity {
  dev_t device = 0;
  ino_t inode = 0;
  bool isFolder = false;
  int handleType = 0;
  std::vector<unsigned char> handle;  // empty when the file system gives none

  bool sameItem(const Identity& other) const noexcept {
    if (device != other.device || inode != other.inode) return false;
    if (handle.empty() || other.handle.empty()) return true;
    return handleType == other.handleType && handle == other.handle;
  }
};

// 0, or the errno of the failed look-up.
int identify(const fs::path& path, Identity& identity) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return errno;
  identity.device = info.st_dev;
  identity.inode = info.st_ino;
  identity.isFolder = S_ISDIR(info.st_mode);
  alignas(struct file_handle) unsigned char buffer[sizeof(struct file_handle) + MAX_HANDLE_SZ];
  auto* fileHandle = new (buffer) file_handle{};
  fileHandle->handle_bytes = MAX_HANDLE_SZ;
  int mountId = 0;
  identity.handle.clear();
  if (::name_to_handle_at(AT_FDCWD, path.c_str(), fileHandle, &mountId, AT_SYMLINK_FOLLOW) == 0) {
    identity.handleType = fileHandle->handle_type;
    identity.handle.assign(fileHandle->f_handle, fileHandle->f_handle + fileHandle->handle_bytes);
  }
  return 0;
}

struct Folder {
  fs::path path;
  Identity identity;
};

// Guarded: the worker and the main thread both convert paths.
struct Registry {
  std::mutex mutex;
  std::vector<Volume> volumes;  // vRefNum -1 is volumes[0], -2 volumes[1], ...
  std::map<std::pair<std::int16_t, std::int32_t>, Folder> folders;
  std::map<std::pair<dev_t, ino_t>, std::int32_t> idOfInode;
  std::int32_t nextOwnID = std::numeric_limits<std::int32_t>::max();
};

Registry& registry() {
  static Registry instance;
  return instance;
}

fs::path mountPointOf(const fs::path& folder, dev_t device) {
  fs::path current = folder;
  while (current.has_parent_path() && current != current.root_path()) {
    struct stat parentInfo {};
    if (::stat(current.parent_path().c_str(), &parentInfo) != 0 || parentInfo.st_dev != device) break;
    current = current.parent_path();
  }
  return current;
}

std::int16_t volumeFor(Registry& r, dev_t device, const fs::path& folder) {
  for (std::size_t i = 0; i < r.volumes.size(); ++i)
    if (r.volumes[i].device == device) return static_cast<std::int16_t>(-1 - static_cast<int>(i));
  r.volumes.push_back({device, mountPointOf(folder, device)});
  return static_cast<std::int16_t>(-static_cast<int>(r.volumes.size()));
}

std::int32_t idFor(Registry& r, std::int16_t vRefNum, const fs::path& folder, const Identity& identity) {
  const auto key = std::make_pair(identity.device, identity.inode);
  if (auto found = r.idOfInode.find(key); found != r.idOfInode.end()) {
    Folder& known = r.folders.at({vRefNum, found->second});
    if (known.identity.sameItem(identity)) {
      known.path = folder;  // the folder may have been reached by another path
      return found->second;
    }
    // A new folder on a reused inode: it gets a number of its own below, and the old id stays dead.
  }
  const fs::path& mountPoint = r.volumes[static_cast<std::size_t>(-1 - vRefNum)].mountPoint;
  std::int32_t id = 0;
  if (folder == mountPoint) {
    id = kVolumeRootDirID;
  } else if (identity.inode > kVolumeRootDirID && identity.inode <= static_cast<ino_t>(r.nextOwnID) &&
             !r.folders.contains({vRefNum, static_cast<std::int32_t>(identity.inode)})) {
    id = static_cast<std::int32_t>(identity.inode);
  } else {
    // Our own numbers count down from the top, away from the inodes of ordinary file systems.
    while (r.folders.contains({vRefNum, r.nextOwnID})) --r.nextOwnID;
    id = r.nextOwnID--;
  }
  r.idOfInode[key] = id;
  r.folders[{vRefNum, id}] = Folder{folder, identity};
  return id;
}

OSErr canonicalFolder(const fs::path& folder, fs::path& canonical, Identity& identity) {
  std::error_code error;
  canonical = fs::canonical(folder, error);
  if (error) return osErrFromErrno(error.value());
  if (const int failure = identify(canonical, identity); failure != 0) return osErrFromErrno(failure);
  if (!identity.isFolder) return dirNFErr;
  return noErr;
}

// An FSSpec holds at most 63 Mac Roman characters; HFS+ made its short names 31 long.
constexpr std::size_t kFSSpecNameCapacity = 63;
constexpr std::size_t kShortNameLength = 31;
constexpr std::size_t kShortNameExtensionLimit = 8;

// True when the disk name can be carried in an FSSpec as it is.
bool fitsAnFSSpec(std::string_view diskName, const std::string& macName) {
  return macName.size() <= kFSSpecNameCapacity && macNameToDiskName(macName) == diskName;
}

// The inode a short name was made from, when the name has that form.
std::optional<ino_t> inodeOfShortName(std::string_view macName) {
  if (macName.size() > kShortNameLength) return std::nullopt;
  const std::size_t hash = macName.rfind('#');
  if (hash == std::string_view::npos) return std::nullopt;
  std::size_t end = macName.find('.', hash);
  if (end == std::string_view::npos) end = macName.size();
  if (end == hash + 1 || end - hash - 1 > 16) return std::nullopt;
  ino_t inode = 0;
  for (std::size_t i = hash + 1; i < end; ++i) {
    const char c = macName[i];
    int digit = 0;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    inode = inode * 16 + static_cast<ino_t>(digit);
  }
  return inode;
}

// The item in the folder whose short name is `macName`, found by its inode.
std::optional<fs::path> findByShortName(const fs::path& folder, std::string_view macName) {
  const std::optional<ino_t> inode = inodeOfShortName(macName);
  if (!inode) return std::nullopt;
  DIR* directory = ::opendir(folder.c_str());
  if (!directory) return std::nullopt;
  std::optional<fs::path> found;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (::fstatat(::dirfd(directory), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || info.st_ino != *inode)
      continue;
    if (shortMacName(name, info.st_ino) == macName) {
      found = folder / std::string(name);
      break;
    }
  }
  ::closedir(directory);
  return found;
}

// True when the path is where a file system is mounted: its device differs from its parent's, or it is "/".
bool isMountPoint(const fs::path& path) {
  if (path == path.root_path()) return true;
  struct stat self {
  }, parent{};
  return ::stat(path.c_str(), &self) == 0 && ::stat(path.parent_path().c_str(), &parent) == 0 &&
         self.st_dev != parent.st_dev;
}

// The volume's name in Mac Roman as an FSSpec of its root holds it.
std::string volumeMacName(std::int16_t vRefNum) {
  VolumeInfo info;
  if (FSGetVolumeInfoByRef(vRefNum, info) != noErr) return {};
  std::string name = diskNameToMacName(info.name);
  if (name.size() > kFSSpecNameCapacity) name.resize(kFSSpecNameCapacity);
  return name;
}

std::optional<fs::path> volumeMountPoint(std::int16_t vRefNum) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  const int index = -1 - vRefNum;
  if (index < 0 || static_cast<std::size_t>(index) >= r.volumes.size()) return std::nullopt;
  return r.volumes[static_cast<std::size_t>(index)].mountPoint;
}

// Numbers every mounted file system not numbered yet, in mount order.
void registerMountedVolumes(Registry& r, const MountTable& mounts) {
  for (const MountEntry& mount : mounts) {
    if (isPseudoFileSystem(mount.fileSystemType)) continue;
    struct stat info {};
    if (::stat(mount.mountPoint.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_dev != mount.device) continue;
    const bool known = std::any_of(r.volumes.begin(), r.volumes.end(),
                                   [&](const Volume& volume) { return volume.device == mount.device; });
    if (!known) r.volumes.push_back({mount.device, mount.mountPoint});
  }
}

OSErr describeVolume(const Volume& volume, std::int16_t vRefNum, const MountTable& mounts, VolumeInfo& info) {
  info = VolumeInfo{};
  info.vRefNum = vRefNum;
  info.mountPoint = volume.mountPoint;
  struct stat now {};
  info.online = ::stat(volume.mountPoint.c_str(), &now) == 0 && now.st_dev == volume.device;
  MountEntry described;
  described.device = volume.device;
  described.mountPoint = volume.mountPoint;
  for (const MountEntry& mount : mounts)
    if (mount.device == volume.device) {
      described = mount;
      break;
    }
  info.name = volumeNameFor(described);
  if (info.online) {
    struct statvfs space {};
    if (::statvfs(volume.mountPoint.c_str(), &space) == 0) {
      info.freeBytes = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
      info.totalBytes = static_cast<std::uint64_t>(space.f_blocks) * space.f_frsize;
    }
  }
  return noErr;
}

}  // namespace

OSErr FSFolderIDs(const fs::path& folder, std::int16_t& vRefNum, std::int32_t& dirID) {
  fs::path canonical;
  Identity identity;
  if (const OSErr error = canonicalFolder(folder, canonical, identity); error != noErr)
    return error == fnfErr ? dirNFErr : error;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  vRefNum = volumeFor(r, identity.device, canonical);
  dirID = idFor(r, vRefNum, canonical, identity);
  return noErr;
}

std::optional<fs::path> FSFolderPath(std::int16_t vRefNum, std::int32_t dirID) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  const auto found = r.folders.find({vRefNum, dirID});
  if (found == r.folders.end()) return std::nullopt;
  Identity now;
  if (identify(found->second.path, now) != 0 || !now.isFolder || !now.sameItem(found->second.identity))
    return std::nullopt;
  return found->second.path;
}

OSErr FSMakeFSSpecFromPath(const fs::path& item, FSSpec& spec) {
  const fs::path absolute = fs::absolute(item).lexically_normal();
  if (!absolute.has_filename() || isMountPoint(absolute)) {
    // A volume's root: the parent of every root is fsRtParID, its name the volume's.
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    if (const OSErr error = FSFolderIDs(absolute, vRefNum, dirID); error != noErr) return error;
    spec.vRefNum = vRefNum;
    spec.parID = fsRtParID;
    spec.name.assign(volumeMacName(vRefNum));
    return noErr;
  }
  std::int16_t vRefNum = 0;
  std::int32_t parID = 0;
  if (const OSErr error = FSFolderIDs(absolute.parent_path(), vRefNum, parID); error != noErr) return error;
  const std::string diskName = absolute.filename().string();
  if (!isUsableDiskName(diskName)) return bdNamErr;
  std::string macName = diskNameToMacName(diskName);
  if (!fitsAnFSSpec(diskName, macName)) {
    struct stat info {};
    if (::lstat(absolute.c_str(), &info) != 0) return bdNamErr;  // no inode yet, so no short name either
    macName = shortMacName(diskName, info.st_ino);
  }
  spec.vRefNum = vRefNum;
  spec.parID = parID;
  spec.name.assign(macName);
  return noErr;
}

OSErr FSpMakePath(const FSSpec& spec, fs::path& path) {
  if (spec.parID == fsRtParID) {
    const auto mountPoint = volumeMountPoint(spec.vRefNum);
    if (!mountPoint) return nsvErr;
    path = *mountPoint;
    return noErr;
  }
  const auto folder = FSFolderPath(spec.vRefNum, spec.parID);
  if (!folder) return dirNFErr;
  if (spec.name.empty()) {
    path = *folder;
    return noErr;
  }
  const std::string diskName = macNameToDiskName(spec.name.macRoman());
  if (!isUsableDiskName(diskName)) return bdNamErr;
  path = *folder / diskName;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT)
    if (auto found = findByShortName(*folder, spec.name.macRoman())) path = std::move(*found);
  return noErr;
}

OSErr FSpGetCatalogName(const FSSpec& spec, std::string& utf8Name) {
  fs::path path;
  if (const OSErr error = FSpMakePath(spec, path); error != noErr) return error;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return osErrFromErrno(errno);
  utf8Name = path.filename().string();
  return noErr;
}

OSErr FlushVol(std::int16_t vRefNum) {
  fs::path mountPoint;
  {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const int index = -1 - vRefNum;
    if (index < 0 || static_cast<std::size_t>(index) >= r.volumes.size()) return nsvErr;
    mountPoint = r.volumes[static_cast<std::size_t>(index)].mountPoint;
  }
  const int fd = ::open(mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return osErrFromErrno(errno);
  const OSErr result = ::syncfs(fd) == 0 ? noErr : osErrFromErrno(errno);
  ::close(fd);
  return result;
}

std::string macNameToDiskName(std::string_view macRoman) {
  std::string utf8 = macRomanToUtf8(macRoman);
  std::replace(utf8.begin(), utf8.end(), '/', ':');
  return utf8;
}

std::string diskNameToMacName(std::string_view utf8) {
  std::string macRoman = utf8ToMacRoman(utf8);
  std::replace(macRoman.begin(), macRoman.end(), ':', '/');
  return macRoman;
}

bool isUsableDiskName(std::string_view utf8) noexcept {
  return !utf8.empty() && utf8 != "." && utf8 != ".." && utf8.size() <= 255 &&
         utf8.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

std::string shortMacName(std::string_view diskName, ino_t inode) {
  const std::string macName = diskNameToMacName(diskName);
  if (fitsAnFSSpec(diskName, macName)) return macName;
  std::string extension;
  if (const std::size_t dot = macName.rfind('.');
      dot != std::string::npos && dot > 0 && macName.size() - dot <= kShortNameExtensionLimit)
    extension = macName.substr(dot);
  char hex[24];
  std::snprintf(hex, sizeof hex, "#%llX", static_cast<unsigned long long>(inode));
  const std::size_t room = kShortNameLength - extension.size() - std::strlen(hex);
  std::string base = macName.substr(0, std::min(room, macName.size() - extension.size()));
  return base + hex + extension;
}

OSErr FSMakeFSSpec(std::int16_t vRefNum, std::int32_t dirID, std::string_view macName, FSSpec& spec) {
  if (macName.empty()) {
    const auto folder = dirID == fsRtParID ? volumeMountPoint(vRefNum) : FSFolderPath(vRefNum, dirID);
    if (!folder) return dirID == fsRtParID ? nsvErr : dirNFErr;
    return FSMakeFSSpecFromPath(*folder, spec);
  }
  if (macName.size() > kFSSpecNameCapacity) return bdNamErr;
  FSSpec made;
  made.vRefNum = vRefNum;
  made.parID = dirID;
  made.name.assign(macName);
  fs::path path;
  if (const OSErr error = FSpMakePath(made, path); error != noErr) return error;
  spec = made;
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? noErr : osErrFromErrno(errno);
}

OSErr FSPathMakeRef(const fs::path& item, FSRef& ref) {
  const fs::path absolute = fs::absolute(item).lexically_normal();
  struct stat info {};
  if (::lstat(absolute.c_str(), &info) != 0) return osErrFromErrno(errno);
  FSRef made;
  if (!absolute.has_filename() || isMountPoint(absolute)) {
    std::int32_t rootID = 0;
    if (const OSErr error = FSFolderIDs(absolute, made.vRefNum, rootID); error != noErr) return error;
    made.parID = fsRtParID;
  } else {
    if (const OSErr error = FSFolderIDs(absolute.parent_path(), made.vRefNum, made.parID); error != noErr) return error;
    made.diskName = absolute.filename().string();
  }
  ref = std::move(made);
  return noErr;
}

OSErr FSpMakeFSRef(const FSSpec& spec, FSRef& ref) {
  fs::path path;
  if (const OSErr error = FSpMakePath(spec, path); error != noErr) return error;
  return FSPathMakeRef(path, ref);
}

OSErr FSRefMakePath(const FSRef& ref, fs::path& path) {
  if (ref.parID == fsRtParID) {
    const auto mountPoint = volumeMountPoint(ref.vRefNum);
    if (!mountPoint) return nsvErr;
    path = *mountPoint;
    return noErr;
  }
  const auto folder = FSFolderPath(ref.vRefNum, ref.parID);
  if (!folder) return dirNFErr;
  if (!isUsableDiskName(ref.diskName)) return bdNamErr;
  path = *folder / ref.diskName;
  return noErr;
}

OSErr FSRefMakeFSSpec(const FSRef& ref, FSSpec* spec) {
  if (!spec) return paramErr;
  fs::path path;
  if (const OSErr error = FSRefMakePath(ref, path); error != noErr) return error;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return osErrFromErrno(errno);
  return FSMakeFSSpecFromPath(path, *spec);
}

OSErr FSGetVolumeInfo(int index, VolumeInfo& info) {
  const MountTable mounts = readMountTable();
  Volume volume;
  {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    registerMountedVolumes(r, mounts);
    if (index < 1 || static_cast<std::size_t>(index) > r.volumes.size()) return nsvErr;
    volume = r.volumes[static_cast<std::size_t>(index - 1)];
  }
  return describeVolume(volume, static_cast<std::int16_t>(-index), mounts, info);
}

OSErr FSGetVolumeInfoByRef(std::int16_t vRefNum, VolumeInfo& info) {
  if (vRefNum >= 0) return nsvErr;
  return FSGetVolumeInfo(-static_cast<int>(vRefNum), info);
}

}  // namespace vorl
