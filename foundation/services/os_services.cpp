#include "foundation/services/os_services.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "foundation/services/messages.h"
#include "platform/system/autostart.h"
#include "platform/system/bundle_info.h"
#include "platform/system/command_runner.h"
#include "platform/system/network_address.h"
#include "platform/system/system_log.h"
#include "platform/plists/user_defaults.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

const std::string kAgentRule(63, '=');

std::string executablePath() {
  std::error_code error;
  const fs::path path = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string(kBundleExecutable) : path.string();
}

struct AddressCache {
  std::mutex mutex;
  fs::path interfaces = "/sys/class/net";
  std::optional<std::string> text;
};

AddressCache& addressCache() {
  static AddressCache cache;
  return cache;
}

}  // namespace

std::optional<std::string> runShellCommand(const std::vector<std::string>& arguments) {
  const CommandResult result = runCommand(arguments);
  if (!result.succeeded()) {
    systemLogf("runShellCommand: [%s] %s", arguments.empty() ? "" : arguments.front().c_str(),
               describeOutcome(result).c_str());
    if (!result.standardError.empty()) systemLogf("runShellCommand: it said %s", result.standardError.c_str());
    return std::nullopt;
  }
  if (result.standardOutput.empty() || !isValidUtf8(result.standardOutput)) return std::nullopt;
  systemLogf("NSTASK method returning output = %s", result.standardOutput.c_str());
  return result.standardOutput;
}

bool systemVersionIsGreaterOrEqualThen10() { return standardUserDefaults().boolean("prefEnableRelaunch"); }

std::string launchAgentFileName() {
  std::string name(kBundleIdentifier);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return name + ".agent.desktop";
}

void loadLaunchAgentPlist() {
  const std::string name = launchAgentFileName();
  systemLogf("launchagentName = %s", name.c_str());
  const AutostartEntry entry{name, std::string(kBundleDisplayName), {executablePath(), "-fromlaunchagent"}};
  if (const OSErr error = writeAutostartEntry(entry); error != noErr) {
    const fs::path path = autostartFolder() / name;
    systemLogf("Error with copyItemAtPath: %s, error = %d", path.c_str(), error);
    const std::string message =
        "Error!!\rUnable to Write to Path:\r" + path.string() + " (error " + std::to_string(error) + ").";
    DisplayNormalMessage(message.c_str());
  }
  systemLog(kAgentRule);
}

void unloadLaunchAgentPlist() {
  const std::string name = launchAgentFileName();
  systemLogf("launchagentName = %s", name.c_str());
  if (const OSErr error = removeAutostartEntry(name); error != noErr && error != fnfErr)
    systemLogf("Error deleting %s: error = %d", (autostartFolder() / name).c_str(), error);
  systemLog(kAgentRule);
}

std::int16_t setPermission(const char* itemPath, [[maybe_unused]] mode_t requestedMode) {
  struct stat info {};
  if (!itemPath || ::stat(itemPath, &info) != 0) {
    systemLogf("setPermission => Unable to get info on itemPath = [%s]!!!", itemPath ? itemPath : "");
    return 0;
  }
  const mode_t newMode = (info.st_mode & 0777) | 0666;
  if (::chmod(itemPath, newMode) != 0) {
    const int error = errno;
    systemLogf("setPermission => chmod newFolderMode FAILED with errorCode = [%i] = [0x%04x]", error, error);
    return 0;
  }
  return 1;
}

std::int16_t setPermissionFolder(const char* folderPath, mode_t mode) {
  systemLogf("setPermission => itemPath to evaluate is [%s]", folderPath ? folderPath : "");
  struct stat info {};
  if (!folderPath || ::stat(folderPath, &info) != 0) {
    systemLogf("setPermission => Unable to get info on itemPath = [%s]!!!", folderPath ? folderPath : "");
    return 0;
  }
  const mode_t previous = info.st_mode & 07777;
  systemLogf("setPermission => Success in getting statbuf info for [%s]", folderPath);
  systemLogf("prevMode = [0x%04x hex] = [%04o octal]", previous, previous);
  const mode_t newMode = (previous & 07000) | (mode & 0777);
  systemLogf("newFolderMode  = [0x%04x hex] = [%04o octal]", newMode, newMode);
  if (::chmod(folderPath, newMode) != 0) {
    const int error = errno;
    systemLogf("setPermission => chmod newFolderMode FAILED with errorCode = [%i] = [0x%04x]", error, error);
    return 0;
  }
  systemLog("setPermission => SUCCESS IN chmod!!!");
  return 1;
}

std::string QAVLOR_MUID::mainMACAddress() {
  AddressCache& cache = addressCache();
  std::lock_guard lock(cache.mutex);
  if (cache.text) return *cache.text;
  const auto address = primaryEthernetAddress(cache.interfaces);
  if (!address) return std::string(kNoEthernetAddressText);
  cache.text = ethernetAddressText(*address);
  return *cache.text;
}

void QAVLOR_MUID::setInterfaceFolder(const fs::path& folder) {
  AddressCache& cache = addressCache();
  std::lock_guard lock(cache.mutex);
  cache.interfaces = folder;
  cache.text.reset();
}

}  // namespace vorl
