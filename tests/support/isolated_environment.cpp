#include "tests/support/isolated_environment.h"

#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace vorl::test {
namespace {

fs::path gRoot;

void removeRoot() {
  std::error_code ignored;
  fs::remove_all(gRoot, ignored);
}

}  // namespace

void isolateEnvironment() {
  std::string pattern = (fs::temp_directory_path() / "vorl-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder for the tests");
  gRoot = pattern;
  std::atexit(removeRoot);
  const auto set = [](const char* name, const fs::path& path) {
    fs::create_directories(path);
    setenv(name, path.c_str(), 1);
  };
  set("HOME", gRoot / "home");
  set("XDG_CONFIG_HOME", gRoot / "home/.config");
  set("XDG_STATE_HOME", gRoot / "home/.local/state");
  set("XDG_DATA_HOME", gRoot / "home/.local/share");
  set("XDG_CACHE_HOME", gRoot / "home/.cache");
  set("XDG_RUNTIME_DIR", gRoot / "runtime");
  fs::permissions(gRoot / "runtime", fs::perms::owner_all);
  set("TMPDIR", gRoot / "tmp");
  setenv("TZ", "UTC", 1);
  tzset();
  // No test reaches the desktop's session bus; the tests that need a bus start their own.
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

const fs::path& testRoot() { return gRoot; }

fs::path makeTempFolder(const char* prefix) {
  std::string pattern = (gRoot / "tmp" / (std::string(prefix) + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  return pattern;
}

}  // namespace vorl::test
