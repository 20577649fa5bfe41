#include "platform/file_specs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <vector>

#include "platform/mac_roman.h"

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
  if (!absolute.has_filename()) return bdNamErr;
  std::int16_t vRefNum = 0;
  std::int32_t parID = 0;
  if (const OSErr error = FSFolderIDs(absolute.parent_path(), vRefNum, parID); error != noErr) return error;
  const std::string macName = diskNameToMacName(absolute.filename().string());
  if (macName.size() > Str63::kCapacity) return bdNamErr;
  spec.vRefNum = vRefNum;
  spec.parID = parID;
  spec.name.assign(macName);
  return noErr;
}

OSErr FSpMakePath(const FSSpec& spec, fs::path& path) {
  const auto folder = FSFolderPath(spec.vRefNum, spec.parID);
  if (!folder) return dirNFErr;
  path = spec.name.empty() ? *folder : *folder / macNameToDiskName(spec.name.macRoman());
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

}  // namespace vorl
