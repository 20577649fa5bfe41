// The mounted file systems, as /proc/self/mountinfo lists them, with the identity of each file system (its
// UUID from /dev/disk/by-uuid) so that a folder can be found again when its file system is mounted elsewhere.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vorl {

struct MountEntry {
  dev_t device = 0;                  // st_dev of every item on it
  std::filesystem::path mountPoint;  // where it is mounted
  std::filesystem::path root;        // the folder of the file system seen there: "/" unless a bind mount
  std::string fileSystemType;
  std::string volumeId;  // the UUID; empty when the system does not list one (see `volumeIdentity`)
};

using MountTable = std::vector<MountEntry>;

MountTable readMountTable();

// The lines of a mountinfo file; lines that do not parse are skipped.
MountTable parseMountInfo(std::string_view text);

// The mount an existing item lies on: the entry of its device whose mount point is the longest prefix of the
// item's canonical path; null when the table has none.
const MountEntry* mountOf(const MountTable& table, const std::filesystem::path& canonicalItem, dev_t device);

// A text that names the same file system on every mount and after a reboot: the UUID when known, else
// "fsid:" and the file-system id that statfs reports for the mount point (derived from the UUID on ext4, XFS and
// Btrfs); empty when neither is there.
std::string volumeIdentity(const MountEntry& entry);

}  // namespace vorl
