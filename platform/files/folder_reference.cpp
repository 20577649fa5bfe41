#include "platform/files/folder_reference.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <new>
#include <optional>
#include <string>

#include "platform/system/system_log.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

constexpr unsigned char kMagic[4] = {'V', 'B', 'M', 'K'};
constexpr std::uint16_t kVersion = 1;
constexpr std::uint16_t kFlagFolder = 1;
// How far above the nearest surviving folder the nearby search looks.
constexpr int kNearbyLevelsUp = 2;

// What tells one item from another on its file system.
struct ItemIdentity {
  dev_t device = 0;
  std::uint64_t inode = 0;
  bool folder = false;
  std::int64_t birthSeconds = 0;  // 0 and 0: the file system keeps no birth time
  std::uint32_t birthNanos = 0;
  std::int32_t handleType = 0;
  std::vector<std::uint8_t> handle;  // empty when the file system gives none
};

// 0, or the errno of the failed look-up. Follows symbolic links, as resolving a path does.
int identify(const fs::path& path, ItemIdentity& identity) {
  struct statx info {};
  if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) return errno;
  identity.device = makedev(info.stx_dev_major, info.stx_dev_minor);
  identity.inode = info.stx_ino;
  identity.folder = S_ISDIR(info.stx_mode);
  identity.birthSeconds = (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : 0;
  identity.birthNanos = (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_nsec : 0;
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

struct Reference {
  ItemIdentity item;
  std::string path;
  std::string volumeId;
  std::string fileSystemType;
  std::string pathInVolume;  // from the file system's own root; empty when the mount was unknown
};

bool sameItem(const ItemIdentity& recorded, const ItemIdentity& found) {
  if (recorded.inode != found.inode || recorded.folder != found.folder) return false;
  if (!recorded.handle.empty() && !found.handle.empty() &&
      (recorded.handleType != found.handleType || recorded.handle != found.handle))
    return false;
  const bool recordedBirth = recorded.birthSeconds != 0 || recorded.birthNanos != 0;
  const bool foundBirth = found.birthSeconds != 0 || found.birthNanos != 0;
  if (recordedBirth && foundBirth &&
      (recorded.birthSeconds != found.birthSeconds || recorded.birthNanos != found.birthNanos))
    return false;
  return true;
}

class BlobWriter {
 public:
  void bytes(const void* data, std::size_t size) {
    const auto* first = static_cast<const std::uint8_t*>(data);
    blob_.insert(blob_.end(), first, first + size);
  }
  void number(std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) blob_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  void text(std::span<const std::uint8_t> data) {
    number(data.size(), 2);
    bytes(data.data(), data.size());
  }
  void text(const std::string& data) {
    text(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
  }
  std::vector<std::uint8_t> take() { return std::move(blob_); }

 private:
  std::vector<std::uint8_t> blob_;
};

// Every read checks the bytes left; one failed read fails the whole blob.
class BlobReader {
 public:
  explicit BlobReader(std::span<const std::uint8_t> blob) : blob_(blob) {}
  bool ok() const noexcept { return ok_; }
  bool atEnd() const noexcept { return position_ == blob_.size(); }

  std::uint64_t number(int size) {
    if (!take(static_cast<std::size_t>(size))) return 0;
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) value |= std::uint64_t{blob_[position_ - size + i]} << (8 * i);
    return value;
  }
  std::string text(std::size_t limit) {
    const auto size = static_cast<std::size_t>(number(2));
    if (size > limit || !take(size)) {
      ok_ = false;
      return {};
    }
    return std::string(reinterpret_cast<const char*>(blob_.data() + position_ - size), size);
  }

 private:
  bool take(std::size_t size) {
    if (!ok_ || blob_.size() - position_ < size) {
      ok_ = false;
      return false;
    }
    position_ += size;
    return true;
  }

  std::span<const std::uint8_t> blob_;
  std::size_t position_ = 0;
  bool ok_ = true;
};

constexpr std::size_t kMaxPath = 4096;

std::vector<std::uint8_t> encode(const Reference& reference) {
  BlobWriter writer;
  writer.bytes(kMagic, sizeof kMagic);
  writer.number(kVersion, 2);
  writer.number(reference.item.folder ? kFlagFolder : 0, 2);
  writer.number(reference.item.device, 8);
  writer.number(reference.item.inode, 8);
  writer.number(static_cast<std::uint64_t>(reference.item.birthSeconds), 8);
  writer.number(reference.item.birthNanos, 4);
  writer.number(static_cast<std::uint32_t>(reference.item.handleType), 4);
  writer.text(reference.item.handle);
  writer.text(reference.path);
  writer.text(reference.volumeId);
  writer.text(reference.fileSystemType);
  writer.text(reference.pathInVolume);
  return writer.take();
}

std::optional<Reference> decode(std::span<const std::uint8_t> blob) {
  if (blob.size() < sizeof kMagic || !std::equal(kMagic, kMagic + sizeof kMagic, blob.begin())) return std::nullopt;
  BlobReader reader(blob.subspan(sizeof kMagic));
  Reference reference;
  if (reader.number(2) != kVersion) return std::nullopt;
  const std::uint64_t flags = reader.number(2);
  reference.item.folder = (flags & kFlagFolder) != 0;
  reference.item.device = static_cast<dev_t>(reader.number(8));
  reference.item.inode = reader.number(8);
  reference.item.birthSeconds = static_cast<std::int64_t>(reader.number(8));
  reference.item.birthNanos = static_cast<std::uint32_t>(reader.number(4));
  reference.item.handleType = static_cast<std::int32_t>(reader.number(4));
  const std::string handle = reader.text(MAX_HANDLE_SZ);
  reference.item.handle.assign(handle.begin(), handle.end());
  reference.path = reader.text(kMaxPath);
  reference.volumeId = reader.text(256);
  reference.fileSystemType = reader.text(256);
  reference.pathInVolume = reader.text(kMaxPath);
  if (!reader.ok() || !reader.atEnd() || reference.path.empty() || reference.path.front() != '/') return std::nullopt;
  return reference;
}

// `inner` below `outer`, as a relative path; nothing when it is not inside.
std::optional<fs::path> relativeInside(const fs::path& inner, const fs::path& outer) {
  const auto [innerEnd, outerEnd] = std::mismatch(inner.begin(), inner.end(), outer.begin(), outer.end());
  if (outerEnd != outer.end()) return std::nullopt;
  fs::path rest;
  for (auto part = innerEnd; part != inner.end(); ++part)
    if (!part->empty()) rest /= *part;  // a trailing "/" shows as an empty last part
  return rest;
}

fs::path nearestExistingFolder(fs::path path) {
  for (;;) {
    std::error_code error;
    if (fs::is_directory(path, error)) return path;
    if (!path.has_parent_path() || path.parent_path() == path) return {};
    path = path.parent_path();
  }
}

class NearbySearch {
 public:
  NearbySearch(const ItemIdentity& recorded, std::size_t budget) : recorded_(recorded), budget_(budget) {}

  // Walks the folder's tree, then the trees of its enclosing folders (a few levels, never past the boundary,
  // the mount point), never leaving the device and never following a symbolic link.
  std::optional<fs::path> from(fs::path level, dev_t device, const fs::path& boundary) {
    ino_t skip = 0;
    for (int up = 0;; ++up) {
      if (auto found = walk(level, device, skip)) return found;
      if (budget_ == 0 || up == kNearbyLevelsUp || level == boundary || !level.has_parent_path() ||
          level.parent_path() == level)
        break;
      struct stat info {};
      if (::stat(level.c_str(), &info) != 0) break;
      skip = info.st_ino;
      level = level.parent_path();
      if (::stat(level.c_str(), &info) != 0 || info.st_dev != device) break;
    }
    return std::nullopt;
  }

 private:
  std::optional<fs::path> walk(const fs::path& top, dev_t device, ino_t skip) {
    std::deque<fs::path> folders{top};
    while (!folders.empty()) {
      const fs::path folder = std::move(folders.front());
      folders.pop_front();
      std::error_code error;
      for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
           !error && it != end; it.increment(error)) {
        if (budget_ == 0) return std::nullopt;
        --budget_;
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0 || info.st_dev != device || S_ISLNK(info.st_mode)) continue;
        if (info.st_ino == skip) continue;
        if (info.st_ino == recorded_.inode) {
          ItemIdentity found;
          if (identify(it->path(), found) == 0 && sameItem(recorded_, found)) return it->path();
        }
        if (S_ISDIR(info.st_mode)) folders.push_back(it->path());
      }
    }
    return std::nullopt;
  }

  const ItemIdentity& recorded_;
  std::size_t budget_;
};

// The start of a nearby search: the nearest existing folder of `path`, when it lies on the recorded file system.
struct SearchStart {
  fs::path folder;
  dev_t device = 0;
  fs::path boundary;
};

std::optional<SearchStart> searchStart(const Reference& reference, const fs::path& path, const MountTable& table) {
  SearchStart start;
  start.folder = nearestExistingFolder(path);
  if (start.folder.empty()) return std::nullopt;
  struct stat info {};
  if (::stat(start.folder.c_str(), &info) != 0) return std::nullopt;
  start.device = info.st_dev;
  std::error_code error;
  const MountEntry* mount = mountOf(table, fs::canonical(start.folder, error), info.st_dev);
  const bool sameVolume = info.st_dev == reference.item.device ||
                          (!reference.volumeId.empty() && mount && volumeIdentity(*mount) == reference.volumeId);
  if (!sameVolume) return std::nullopt;
  start.boundary = mount ? mount->mountPoint : fs::path("/");
  return start;
}

}  // namespace

OSErr makeFolderReference(const fs::path& item, std::vector<std::uint8_t>& blob, const MountTable* mounts) {
  std::error_code error;
  const fs::path canonical = fs::canonical(item, error);
  if (error) return osErrFromErrno(error.value());
  Reference reference;
  if (const int failure = identify(canonical, reference.item); failure != 0) return osErrFromErrno(failure);
  reference.path = canonical.string();
  if (reference.path.size() > kMaxPath) return bdNamErr;
  const MountTable systemTable = mounts ? MountTable{} : readMountTable();
  const MountTable& table = mounts ? *mounts : systemTable;
  if (const MountEntry* mount = mountOf(table, canonical, reference.item.device)) {
    reference.volumeId = volumeIdentity(*mount);
    reference.fileSystemType = mount->fileSystemType;
    if (auto inside = relativeInside(canonical, mount->mountPoint))
      reference.pathInVolume = (inside->empty() ? mount->root : (mount->root / *inside).lexically_normal()).string();
  }
  blob = encode(reference);
  return noErr;
}

bool isFolderReference(std::span<const std::uint8_t> blob) noexcept {
  try {
    return decode(blob).has_value();
  } catch (const std::bad_alloc&) {
    return false;
  }
}

OSErr resolveFolderReference(std::span<const std::uint8_t> blob, ResolvedReference& resolved,
                             const MountTable* mounts) {
  const auto reference = decode(blob);
  if (!reference) return paramErr;
  const fs::path recordedPath = reference->path;

  ItemIdentity atPath;
  if (identify(recordedPath, atPath) == 0 && atPath.folder == reference->item.folder) {
    if (!sameItem(reference->item, atPath))
      systemLogf("Folder reference: [%s] is another item than the one recorded; taking it by its path",
                 recordedPath.c_str());
    resolved = {recordedPath, ReferenceRoute::kRecordedPath};
    return noErr;
  }

  const MountTable systemTable = mounts ? MountTable{} : readMountTable();
  const MountTable& table = mounts ? *mounts : systemTable;

  // Where the recorded path would lie on each other mount of the same file system.
  std::vector<fs::path> remountedPaths;
  if (!reference->volumeId.empty() && !reference->pathInVolume.empty()) {
    for (const MountEntry& entry : table) {
      if (entry.fileSystemType != reference->fileSystemType || volumeIdentity(entry) != reference->volumeId) continue;
      const auto inside = relativeInside(reference->pathInVolume, entry.root);
      if (!inside) continue;
      const fs::path candidate = inside->empty() ? entry.mountPoint : (entry.mountPoint / *inside).lexically_normal();
      if (candidate == recordedPath) continue;
      remountedPaths.push_back(candidate);
      ItemIdentity there;
      if (identify(candidate, there) == 0 && there.folder == reference->item.folder) {
        resolved = {candidate, ReferenceRoute::kRemounted};
        return noErr;
      }
    }
  }

  NearbySearch search(reference->item, kNearbySearchLimit);
  remountedPaths.insert(remountedPaths.begin(), recordedPath);
  for (const fs::path& near : remountedPaths) {
    const auto start = searchStart(*reference, near, table);
    if (!start) continue;
    if (auto found = search.from(start->folder, start->device, start->boundary)) {
      std::error_code error;
      const fs::path canonical = fs::canonical(*found, error);
      resolved = {error ? *found : canonical, ReferenceRoute::kFoundNearby};
      return noErr;
    }
  }
  return fnfErr;
}

}  // namespace vorl
