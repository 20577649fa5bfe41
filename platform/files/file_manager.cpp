#include "platform/files/file_manager.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>

#include "platform/files/safe_files.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

OSErr lastError() noexcept { return osErrFromErrno(errno); }

bool isLocked(const struct stat& info) noexcept { return !S_ISDIR(info.st_mode) && (info.st_mode & S_IWUSR) == 0; }

// The names a folder lists, sidecars left out; fills `sidecars` with the names that have one.
OSErr readNames(const fs::path& folder, std::vector<std::string>& names, std::set<std::string>& sidecars) {
  DIR* directory = ::opendir(folder.c_str());
  if (!directory) return lastError();
  std::vector<std::string> sidecarNames;
  errno = 0;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (isAppleDoubleName(name))
      sidecarNames.emplace_back(name.substr(2));
    else
      names.emplace_back(name);
  }
  const int failure = errno;
  ::closedir(directory);
  if (failure != 0) return osErrFromErrno(failure);
  std::sort(names.begin(), names.end());
  sidecars.insert(sidecarNames.begin(), sidecarNames.end());
  return noErr;
}

std::uint32_t countItems(const fs::path& folder) {
  std::vector<std::string> names;
  std::set<std::string> sidecars;
  return readNames(folder, names, sidecars) == noErr ? static_cast<std::uint32_t>(names.size()) : 0;
}

// Catalog information of an item whose status is already known.
OSErr describe(const fs::path& item, const struct stat& status, std::int16_t vRefNum, std::int32_t parID,
               bool hasSidecar, CInfoPBRec& info) {
  info = CInfoPBRec{};
  info.ioVRefNum = vRefNum;
  info.ioFlParID = parID;
  info.diskName = item.filename().string();
  info.ioName.assign(shortMacName(info.diskName, status.st_ino));
  if (S_ISDIR(status.st_mode)) {
    info.ioFlAttrib |= kioFlAttribDirMask;
    std::int16_t ownVolume = 0;
    if (const OSErr error = FSFolderIDs(item, ownVolume, info.ioDrDirID); error != noErr) return error;
  } else {
    info.ioFlLgLen = static_cast<std::uint64_t>(status.st_size);
    if (isLocked(status)) info.ioFlAttrib |= kioFlAttribLockedMask;
  }
  // A sidecar that cannot be read gives no Finder information; the item itself is still listed.
  if (hasSidecar && getFinderInfo(item, info.ioFlFndrInfo) != noErr) info.ioFlFndrInfo = FInfo{};
  if (info.diskName.starts_with('.')) info.ioFlFndrInfo.fdFlags |= kIsInvisible;
  return noErr;
}

OSErr pathOfNamedItem(const FSSpec& spec, fs::path& path) {
  if (spec.name.empty()) return bdNamErr;
  return FSpMakePath(spec, path);
}

}  // namespace

OSErr PBGetCatInfoByName(const FSSpec& spec, CInfoPBRec& info) {
  fs::path path;
  if (const OSErr error = pathOfNamedItem(spec, path); error != noErr) return error;
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return lastError();
  struct stat sidecar {};
  const bool hasSidecar = ::lstat(appleDoublePath(path).c_str(), &sidecar) == 0;
  if (const OSErr error = describe(path, status, spec.vRefNum, spec.parID, hasSidecar, info); error != noErr)
    return error;
  if (S_ISDIR(status.st_mode)) info.ioDrNmFls = countItems(path);
  return noErr;
}

OSErr PBGetCatInfoOfFolder(std::int16_t vRefNum, std::int32_t dirID, CInfoPBRec& info) {
  const auto folder = FSFolderPath(vRefNum, dirID);
  if (!folder) return dirNFErr;
  FSSpec own;
  if (const OSErr error = FSMakeFSSpecFromPath(*folder, own); error != noErr) return error;
  struct stat status {};
  if (::stat(folder->c_str(), &status) != 0) return lastError();
  struct stat sidecar {};
  const bool hasSidecar = folder->has_filename() && ::lstat(appleDoublePath(*folder).c_str(), &sidecar) == 0;
  if (const OSErr error = describe(*folder, status, vRefNum, own.parID, hasSidecar, info); error != noErr) return error;
  info.ioName = own.name;  // a volume's root bears the volume's name
  info.ioDrNmFls = countItems(*folder);
  return noErr;
}

OSErr FSListFolder(std::int16_t vRefNum, std::int32_t dirID, std::vector<CInfoPBRec>& items) {
  items.clear();
  const auto folder = FSFolderPath(vRefNum, dirID);
  if (!folder) return dirNFErr;
  std::vector<std::string> names;
  std::set<std::string> sidecars;
  if (const OSErr error = readNames(*folder, names, sidecars); error != noErr) return error;
  for (const std::string& name : names) {
    const fs::path item = *folder / name;
    struct stat status {};
    if (::lstat(item.c_str(), &status) != 0) continue;  // gone since the folder was read
    CInfoPBRec info;
    if (describe(item, status, vRefNum, dirID, sidecars.contains(name), info) != noErr) continue;
    items.push_back(std::move(info));
  }
  return noErr;
}

OSErr FSpCreate(const FSSpec& spec, OSType creator, OSType type) {
  fs::path path;
  if (const OSErr error = pathOfNamedItem(spec, path); error != noErr) return error;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return lastError();
  ::close(fd);
  // A new file starts with its own Finder information; a sidecar left by a former file of that name goes.
  AppleDouble sidecar;
  sidecar.setFinder(FInfo{type, creator});
  if (const OSErr error = writeAppleDouble(path, sidecar); error != noErr) {
    ::unlink(path.c_str());
    return error;
  }
  return noErr;
}

OSErr FSpDirCreate(const FSSpec& spec, std::int32_t& createdDirID) {
  fs::path path;
  if (const OSErr error = pathOfNamedItem(spec, path); error != noErr) return error;
  if (::mkdir(path.c_str(), 0777) != 0) return lastError();
  std::int16_t vRefNum = 0;
  return FSFolderIDs(path, vRefNum, createdDirID);
}

OSErr FSpDelete(const FSSpec& spec) {
  fs::path path;
  if (const OSErr error = pathOfNamedItem(spec, path); error != noErr) return error;
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return lastError();
  if (S_ISREG(status.st_mode) && isLocked(status)) return fLckdErr;
  const OSErr error = deleteItem(path);
  return error == dupFNErr ? fBsyErr : error;  // a folder that still holds items
}

OSErr FSpSetFLock(const FSSpec& spec) {
  fs::path path;
  if (const OSErr error = pathOfNamedItem(spec, path); error != noErr) return error;
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return lastError();
  if (!S_ISREG(status.st_mode)) return noErr;
  return ::chmod(path.c_str(), status.st_mode & 07555) == 0 ? noErr : lastError();
}

OSErr FSpRstFLock(const FSSpec& spec) {
  fs::path path;
  if (const OSErr error = pathOfNamedItem(spec, path); error != noErr) return error;
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return lastError();
  if (!isLocked(status) || !S_ISREG(status.st_mode)) return noErr;
  return ::chmod(path.c_str(), (status.st_mode & 07777) | S_IWUSR) == 0 ? noErr : lastError();
}

OSErr FSClose(std::int16_t refNum) {
  if (refNum <= 0) return rfNumErr;
  return ::close(refNum) == 0 ? noErr : lastError();
}

}  // namespace vorl
