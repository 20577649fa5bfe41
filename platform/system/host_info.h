// What the log header says about the machine: its model, its processor architecture and the system's version.
#pragma once

#include <string>

namespace vorl {

// The firmware's product name (/sys/devices/virtual/dmi/id/product_name); "Unknown" when there is none.
std::string hardwareModelText();
// The kernel's machine type ("x86_64", "aarch64").
std::string machineTypeText();
// The distribution's name and version from /etc/os-release (PRETTY_NAME, else NAME and VERSION_ID) and the
// kernel release: "Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64".
std::string operatingSystemVersionText();

}  // namespace vorl
