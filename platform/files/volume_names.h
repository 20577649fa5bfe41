// Which mounted file systems the program lists as volumes, and the names it shows for them.
//
// The Mac listed its disks by name; here a volume is a mounted file system. Pseudo file systems (proc, sysfs,
// cgroups and the like) hold no files of ours and are not volumes. A volume's name is its file-system label when
// it has one (as the desktop shows it), else the last name of its mount point, and "Root" for "/".
#pragma once

#include <string>
#include <string_view>

#include "platform/files/mount_table.h"

namespace vorl {

bool isPseudoFileSystem(std::string_view fileSystemType) noexcept;

// UTF-8 name of the volume of that mount.
std::string volumeNameFor(const MountEntry& mount);

}  // namespace vorl
