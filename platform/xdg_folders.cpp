#include "platform/xdg_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

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

}  // namespace vorl
