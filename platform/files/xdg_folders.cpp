#include "platform/files/xdg_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

namespace vorl {
namespace {

// Relative values are to be ignored, so a stray "XDG_CONFIG_HOME=config" cannot scatter files into the
// working folder.
fs::path absoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value && value[0] == '/') return value;
  return {};
}

fs::path fromVariableOr(const char* name, const fs::path& underHome) {
  fs::path folder = absoluteVariable(name);
  return folder.empty() ? homeFolder() / underHome : folder;
}

}  // namespace

fs::path homeFolder() {
  fs::path home = absoluteVariable("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

fs::path xdgConfigHome() { return fromVariableOr("XDG_CONFIG_HOME", ".config"); }
fs::path xdgStateHome() { return fromVariableOr("XDG_STATE_HOME", ".local/state"); }
fs::path xdgDataHome() { return fromVariableOr("XDG_DATA_HOME", ".local/share"); }

std::vector<fs::path> xdgDataDirs() {
  std::vector<fs::path> folders;
  const char* value = std::getenv("XDG_DATA_DIRS");
  std::string_view rest = value ? value : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty() && folder.front() == '/') folders.emplace_back(folder);
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  if (folders.empty()) folders = {"/usr/local/share", "/usr/share"};
  return folders;
}

}  // namespace vorl

namespace vorl {

fs::path xdgDesktopFolder() {
  if (fs::path folder = absoluteVariable("XDG_DESKTOP_DIR"); !folder.empty()) return folder;
  std::ifstream dirs(xdgConfigHome() / "user-dirs.dirs");
  std::string line;
  while (std::getline(dirs, line)) {
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
    if (line.rfind(kKey, 0) != 0) continue;
    std::string value = line.substr(kKey.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    constexpr std::string_view kHome = "$HOME";
    if (value.rfind(kHome, 0) == 0) return homeFolder() / fs::path(value.substr(kHome.size())).relative_path();
    if (!value.empty() && value.front() == '/') return value;
  }
  return homeFolder() / "Desktop";
}

}  // namespace vorl
