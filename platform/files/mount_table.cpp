#include "platform/files/mount_table.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace vorl {
namespace {

// mountinfo writes blanks, tabs, newlines and backslashes in paths as three-digit octal escapes.
std::string unescapeOctal(std::string_view field) {
  const auto octal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) && octal(field[i + 3])) {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
      i += 3;
      continue;
    }
    out.push_back(field[i]);
  }
  return out;
}

std::map<dev_t, std::string> uuidsByDevice() {
  std::map<dev_t, std::string> uuids;
  std::error_code error;
  for (fs::directory_iterator it("/dev/disk/by-uuid", error), end; !error && it != end; it.increment(error)) {
    struct stat info {};
    if (::stat(it->path().c_str(), &info) == 0 && S_ISBLK(info.st_mode))
      uuids.emplace(info.st_rdev, it->path().filename().string());
  }
  return uuids;
}

}  // namespace

MountTable parseMountInfo(std::string_view text) {
  MountTable table;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string id, parent, majorMinor, root, mountPoint, field;
    if (!(fields >> id >> parent >> majorMinor >> root >> mountPoint)) continue;
    // Optional fields run up to a lone "-"; the file-system type follows it.
    std::string type;
    bool separator = false;
    while (fields >> field) {
      if (field == "-") {
        separator = true;
        break;
      }
    }
    if (!separator || !(fields >> type)) continue;
    unsigned major = 0, minor = 0;
    if (std::sscanf(majorMinor.c_str(), "%u:%u", &major, &minor) != 2) continue;
    MountEntry entry;
    entry.device = makedev(major, minor);
    entry.root = unescapeOctal(root);
    entry.mountPoint = unescapeOctal(mountPoint);
    entry.fileSystemType = type;
    table.push_back(std::move(entry));
  }
  return table;
}

MountTable readMountTable() {
  std::ifstream file("/proc/self/mountinfo");
  std::stringstream text;
  text << file.rdbuf();
  MountTable table = parseMountInfo(text.str());
  const auto uuids = uuidsByDevice();
  for (MountEntry& entry : table)
    if (const auto found = uuids.find(entry.device); found != uuids.end()) entry.volumeId = found->second;
  return table;
}

const MountEntry* mountOf(const MountTable& table, const fs::path& canonicalItem, dev_t device) {
  const MountEntry* best = nullptr;
  std::size_t bestLength = 0;
  for (const MountEntry& entry : table) {
    if (entry.device != device) continue;
    const auto [itemEnd, mountEnd] =
        std::mismatch(canonicalItem.begin(), canonicalItem.end(), entry.mountPoint.begin(), entry.mountPoint.end());
    if (mountEnd != entry.mountPoint.end()) continue;
    const auto length = static_cast<std::size_t>(std::distance(entry.mountPoint.begin(), entry.mountPoint.end()));
    if (!best || length >= bestLength) {
      best = &entry;
      bestLength = length;
    }
  }
  return best;
}

std::string volumeIdentity(const MountEntry& entry) {
  if (!entry.volumeId.empty()) return entry.volumeId;
  struct statfs info {};
  if (::statfs(entry.mountPoint.c_str(), &info) != 0) return {};
  unsigned parts[2];
  static_assert(sizeof parts == sizeof info.f_fsid);
  std::memcpy(parts, &info.f_fsid, sizeof parts);
  if (parts[0] == 0 && parts[1] == 0) return {};
  char text[32];
  std::snprintf(text, sizeof text, "fsid:%08x%08x", parts[0], parts[1]);
  return text;
}

}  // namespace vorl
