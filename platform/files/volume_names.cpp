#include "platform/files/volume_names.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <system_error>

namespace fs = std::filesystem;

namespace vorl {
namespace {

bool isHex(char c) noexcept { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int hexValue(char c) noexcept { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// udev writes the characters of a label that may not stand in a file name as "\xHH".
std::string decodeLabel(std::string_view name) {
  std::string decoded;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && isHex(name[i + 2]) && isHex(name[i + 3])) {
      decoded.push_back(static_cast<char>(hexValue(name[i + 2]) * 16 + hexValue(name[i + 3])));
      i += 3;
    } else {
      decoded.push_back(name[i]);
    }
  }
  return decoded;
}

// The label of the block device whose number the mount carries, from the links udev keeps.
std::string labelOf(dev_t device) {
  std::error_code error;
  for (fs::directory_iterator labels("/dev/disk/by-label", error), end; !error && labels != end;
       labels.increment(error)) {
    struct stat target {};
    if (::stat(labels->path().c_str(), &target) == 0 && S_ISBLK(target.st_mode) && target.st_rdev == device)
      return decodeLabel(labels->path().filename().string());
  }
  return {};
}

}  // namespace

bool isPseudoFileSystem(std::string_view type) noexcept {
  static constexpr std::array<std::string_view, 22> kPseudo = {
      "autofs",   "binfmt_misc", "bpf",        "cgroup",      "cgroup2",   "configfs", "debugfs", "devpts",
      "devtmpfs", "efivarfs",    "fusectl",    "fuse.portal", "hugetlbfs", "mqueue",   "nsfs",    "proc",
      "pstore",   "rpc_pipefs",  "securityfs", "selinuxfs",   "sysfs",     "tracefs"};
  return std::find(kPseudo.begin(), kPseudo.end(), type) != kPseudo.end();
}

std::string volumeNameFor(const MountEntry& mount) {
  if (std::string label = labelOf(mount.device); !label.empty()) return label;
  if (mount.mountPoint == mount.mountPoint.root_path()) return "Root";
  return mount.mountPoint.filename().string();
}

}  // namespace vorl
