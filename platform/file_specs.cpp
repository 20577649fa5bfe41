#include "platform/file_specs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <map>
#include <mutex>
#include <vector>

#include "platform/mac_roman.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

struct Volume {
  dev_t device;
  fs::path mountPoint;
};

struct Folder {
  fs::path path;
  dev_t device;
  ino_t inode;
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

std::int32_t idFor(Registry& r, std::int16_t vRefNum, const fs::path& folder, const struct stat& info) {
  const auto key = std::make_pair(info.st_dev, info.st_ino);
  if (auto found = r.idOfInode.find(key); found != r.idOfInode.end()) {
    r.folders[{vRefNum, found->second}].path = folder;  // the folder may have been reached by another path
    return found->second;
  }
  const fs::path& mountPoint = r.volumes[static_cast<std::size_t>(-1 - vRefNum)].mountPoint;
  std::int32_t id = 0;
  if (folder == mountPoint) {
    id = kVolumeRootDirID;
  } else if (info.st_ino > kVolumeRootDirID && info.st_ino <= static_cast<ino_t>(r.nextOwnID) &&
             !r.folders.contains({vRefNum, static_cast<std::int32_t>(info.st_ino)})) {
    id = static_cast<std::int32_t>(info.st_ino);
  } else {
    // Our own numbers count down from the top, away from the inodes of ordinary file systems.
    while (r.folders.contains({vRefNum, r.nextOwnID})) --r.nextOwnID;
    id = r.nextOwnID--;
  }
  r.idOfInode[key] = id;
  r.folders[{vRefNum, id}] = Folder{folder, info.st_dev, info.st_ino};
  return id;
}

OSErr canonicalFolder(const fs::path& folder, fs::path& canonical, struct stat& info) {
  std::error_code error;
  canonical = fs::canonical(folder, error);
  if (error) return osErrFromErrno(error.value());
  if (::stat(canonical.c_str(), &info) != 0) return osErrFromErrno(errno);
  if (!S_ISDIR(info.st_mode)) return dirNFErr;
  return noErr;
}

}  // namespace

OSErr FSFolderIDs(const fs::path& folder, std::int16_t& vRefNum, std::int32_t& dirID) {
  fs::path canonical;
  struct stat info {};
  if (const OSErr error = canonicalFolder(folder, canonical, info); error != noErr)
    return error == fnfErr ? dirNFErr : error;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  vRefNum = volumeFor(r, info.st_dev, canonical);
  dirID = idFor(r, vRefNum, canonical, info);
  return noErr;
}

std::optional<fs::path> FSFolderPath(std::int16_t vRefNum, std::int32_t dirID) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  const auto found = r.folders.find({vRefNum, dirID});
  if (found == r.folders.end()) return std::nullopt;
  struct stat info {};
  if (::stat(found->second.path.c_str(), &info) != 0 || info.st_dev != found->second.device ||
      info.st_ino != found->second.inode)
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
