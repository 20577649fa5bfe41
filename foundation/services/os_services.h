// Small services over the operating system: running an outside program and reading its output, the relaunch
// entry that starts the program again at the next log-in, opening up the permissions of files and folders the
// program shares with its sibling programs, and the primary Ethernet address that output file names carry.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vorl {

// Runs the program (the first argument: a path, or a name looked up in PATH) with the other arguments, without
// a shell, and answers its standard output as UTF-8 text. Nothing when it printed nothing, when its output is
// not UTF-8, or when it failed (could not start, non-zero exit status, ended by a signal; logged).
std::optional<std::string> runShellCommand(const std::vector<std::string>& arguments);

// Whether the relaunch entry applies: the user default "prefEnableRelaunch" (false when absent).
bool systemVersionIsGreaterOrEqualThen10();

// The relaunch entry's file name: the bundle identifier in lower case and ".agent.desktop".
std::string launchAgentFileName();
// Writes the desktop autostart entry that starts this program with "-fromlaunchagent" at the next log-in,
// replacing an older one. A failure is logged and shown to the operator.
void loadLaunchAgentPlist();
// Removes the entry when there is one.
void unloadLaunchAgentPlist();

// Opens the item to the other studio programs: rw for everyone is added to its bits. The mode argument is
// ignored (callers pass 0777 or 0666 meaning just that). 1 when changed.
std::int16_t setPermission(const char* itemPath, mode_t requestedMode);
// Sets the folder's permission bits to the low nine bits of `mode`, keeping set-user-id, set-group-id and
// sticky bits. 1 when changed.
std::int16_t setPermissionFolder(const char* folderPath, mode_t mode);

class QAVLOR_MUID {
 public:
  // The primary Ethernet address ("00:1b:63:a4:0f:2c"); "00:00:00:00:00:00" when there is none. A found
  // address is kept for the rest of the run; a failed look-up is tried again on the next call.
  static std::string mainMACAddress();
  // Where the interfaces are listed ("/sys/class/net"); forgets a kept address.
  static void setInterfaceFolder(const std::filesystem::path& folder);
};

}  // namespace vorl
