// Where and under which names pages go to the print-centre application: its folder (named by the print-centre
// preference record) and the base name every print-data file and hand-off pair carries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/core/mac_types.h"
#include "platform/text/pascal_string.h"

namespace vorl {

struct PrintCentreFolder {
  std::filesystem::path path;
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
};

// The folder the file specification names (or stands for, with an empty name); dirNFErr, or the look-up's error,
// when it is not an existing folder.
[[nodiscard]] OSErr resolvePrintCentreFolder(const FSSpec& folder, PrintCentreFolder& resolved);

// The primary Ethernet address as names carry it: twelve hexadecimal digits, no ":".
std::string macAddressForNames();

// "<YYYYMMDD>_<time>_<address>_<first 15 characters of the template>", Mac Roman, from the current clock
// ("20110203_90507_001b63a40f2c_8x10 Portrait").
std::string printJobBaseName(const std::string& macAddress, const Str31& templateName);

}  // namespace vorl
