// Finding installed profiles by file name.
//
// Installed profiles are the files in the XDG colour folders, searched in this order (each with its subfolders):
// $XDG_DATA_HOME/icc, then for each folder of $XDG_DATA_DIRS its color/icc and icc, ~/.color/icc,
// /usr/local/share/color/icc, /usr/share/color/icc, and last the program's own profile folder when start-up set
// one. Only files LittleCMS reads as profiles count.
#pragma once

#include <filesystem>
#include <vector>

#include "platform/core/mac_types.h"

namespace vorl {

// The program's own profile folder, searched after the system ones; an empty path removes it.
void setProjectProfileFolder(const std::filesystem::path& folder);

// The folders searched, in order, without repeats.
std::vector<std::filesystem::path> profileSearchFolders();

// Finds an installed profile whose file name is exactly `name` (length-prefixed, Mac Roman, case-sensitive) and
// fills `result` with its file specification. A profile of `profileClass` ('prtr', 'scnr', ...; 0 for any) is
// taken first; when none of that class has the name, the first profile of another class with that name is taken,
// so a monitor profile is still found for a printer. False when no profile has the name or an argument is null.
bool FindProfile(OSType profileClass, FSSpec* result, const unsigned char* name);

}  // namespace vorl
