// Folder references: our stand-in for the Mac's alias records.
//
// A reference is an opaque blob that the user defaults keep for each folder the operator chose. It records the
// folder's absolute path, the identity of its file system (UUID), the path inside that file system, and the
// device, inode, file handle and birth time of the folder itself. Resolving tries, in order:
//   1. the recorded path, when it names an item of the same kind;
//   2. the same path inside the same file system mounted somewhere else (a disk that came back elsewhere);
//   3. the same item (inode and handle) near the old place: a bounded walk of the nearest folder that still
//      exists and of up to two folders above it, within one file system. So a renamed or moved folder is found.
// A folder that has gone is reported as not found; a new folder that took over its inode is told apart by its
// file handle (which carries the inode's generation) and its birth time, so nothing is invented.
// Numbers in the blob are little-endian, whatever the host.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/files/mount_table.h"
#include "platform/core/os_errors.h"

namespace vorl {

// How a reference was resolved.
enum class ReferenceRoute { kRecordedPath, kRemounted, kFoundNearby };

struct ResolvedReference {
  std::filesystem::path path;
  ReferenceRoute route = ReferenceRoute::kRecordedPath;
};

// The blob of an existing file or folder. `mounts` stands in for the system's mount table (tests).
OSErr makeFolderReference(const std::filesystem::path& item, std::vector<std::uint8_t>& blob,
                          const MountTable* mounts = nullptr);

// fnfErr when the item cannot be found; paramErr when the blob is not a reference (wrong magic, version, or a
// length that does not fit).
OSErr resolveFolderReference(std::span<const std::uint8_t> blob, ResolvedReference& resolved,
                             const MountTable* mounts = nullptr);

// Whether the blob is one of our references, read whole; nothing on disk is looked at, so this is quick enough
// to check many at once. A Mac alias record is not one.
bool isFolderReference(std::span<const std::uint8_t> blob) noexcept;

// The most entries the nearby walk looks at before it gives up.
inline constexpr std::size_t kNearbySearchLimit = 20000;

}  // namespace vorl
