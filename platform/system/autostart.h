// Desktop autostart entries: a program that the user's desktop session starts at log-in, described by a
// desktop entry in $XDG_CONFIG_HOME/autostart. It stands in for the Mac's per-user launch agents.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/os_errors.h"

namespace vorl {

struct AutostartEntry {
  std::string fileName;                // "<id>.desktop"
  std::string name;                    // shown by session managers
  std::vector<std::string> arguments;  // the program's path first
};

std::filesystem::path autostartFolder();

// The "Exec" value for the arguments: each argument quoted when it needs it, with the escapes desktop entries
// define, so that a path with blanks, quotes, "$" or "%" reaches the program unchanged.
std::string desktopExecValue(const std::vector<std::string>& arguments);

// The text of the entry's file.
std::string desktopEntryText(const AutostartEntry& entry);

// Writes the entry atomically, making the folder when missing; a file of that name is replaced.
OSErr writeAutostartEntry(const AutostartEntry& entry);

// Removes the entry; fnfErr when there is none.
OSErr removeAutostartEntry(const std::string& fileName);

}  // namespace vorl
