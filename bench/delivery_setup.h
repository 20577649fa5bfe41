// What a delivery needs around it in a benchmark's temporary tree: the print-centre folder named in the
// preferences, a fixed machine address for the print-data header, and a preferences folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "foundation/files/files.h"
#include "foundation/services/os_services.h"
#include "imaging/image_files/image_road_globals.h"
#include "preferences/preference_globals.h"

namespace vorl::bench {

// Makes "<root>/Vorl-PrintCenter Folder/Jobs To Be Printed", names it in the print-centre record (print-data
// files, not the hand-off pair) and answers it.
inline std::filesystem::path usePrintCentreFolderIn(const std::filesystem::path& root) {
  const std::filesystem::path centre = root / "Vorl-PrintCenter Folder" / "Jobs To Be Printed";
  std::filesystem::create_directories(centre);
  FSSpec spec{};
  if (myMakeFSSpecFromPath(centre.c_str(), &spec) != noErr) std::abort();
  getMyProcessedJobsPrefs()->folder.spec = spec;
  getMyProcessedJobsPrefs()->newHandOverFormat = 0;
  return centre;
}

// One wired network interface with a fixed address, read in place of the machine's own, and the preferences
// folder, both under `root`.
inline void useFixedMachineIn(const std::filesystem::path& root) {
  const std::filesystem::path interfaces = root / "net";
  std::filesystem::create_directories(interfaces / "eth0/device");
  std::ofstream(interfaces / "eth0/type") << "1\n";
  std::ofstream(interfaces / "eth0/address") << "00:1b:63:a4:0f:2c\n";
  std::ofstream(interfaces / "eth0/ifindex") << "2\n";
  QAVLOR_MUID::setInterfaceFolder(interfaces);
  std::filesystem::create_directories(root / "preferences");
  setVorlPreferencesFolder(root / "preferences");
}

}  // namespace vorl::bench
