// The property list of a hand-off pair: every value of the print-data header by name, nested dictionaries for
// its records, and the job's web-server dictionary. Numbers are the header's host values: 16- and 32-bit fields
// become integers, the image colour floats reals. The Kodak and Fuji records and the names are not exported.
#pragma once

#include <filesystem>
#include <optional>

#include "jobs/delivery/print_info.h"
#include "platform/plists/keyed_archive.h"
#include "platform/core/mac_types.h"
#include "platform/plists/property_list.h"

namespace vorl {

inline constexpr const char* kHandOffFolderName = "Jobs To Be Printed---NEW";

// "webServerDictionary" is there only when a job dictionary is given (and holds more than null).
PlistDictionary printInfoDictionary(const tPrintInfoStruct& header, const std::optional<ArchivedValue>& jobDictionary);

// Writes the dictionary as an XML property list at the base path with ".plist" appended, completely or not at all,
// never over an existing file (dupFNErr). 0 written, else the error.
[[nodiscard]] OSErr writeDictionaryFile(const tPrintInfoStruct& header, const std::filesystem::path& basePath,
                                        const std::optional<ArchivedValue>& jobDictionary);

}  // namespace vorl
