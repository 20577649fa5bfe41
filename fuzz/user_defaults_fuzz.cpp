// The user defaults under libFuzzer: the processor reads its settings file at every start, so a damaged one
// must not stop it. Any bytes in the file must load (or be set aside), answer lookups, and take a change and a
// write without a crash, a hang or a sanitizer report.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/plists/user_defaults.h"

namespace {

std::filesystem::path gFolder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  char folder[] = "/tmp/user_defaults_fuzz.XXXXXX";
  if (!mkdtemp(folder)) std::abort();
  gFolder = folder;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::error_code ignored;
  std::filesystem::remove_all(gFolder, ignored);
  std::filesystem::create_directories(gFolder);
  const std::filesystem::path file = gFolder / "defaults.plist";
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  vorl::UserDefaults defaults(file);
  static_cast<void>(defaults.loadReport());
  for (const std::string& key : defaults.keys()) {
    static_cast<void>(defaults.object(key));
    static_cast<void>(defaults.boolean(key));
    static_cast<void>(defaults.number(key));
  }
  static_cast<void>(defaults.data("printServerPref"));
  static_cast<void>(defaults.string("DefaultRGBProfile"));
  defaults.setObject("prefEnableRelaunch", true);
  static_cast<void>(defaults.synchronize());
  return 0;
}
