// The older preference file: "VORL-PROCESSOR ORLIM v12 Prefs" in the folder "Vorl Preferences" of the user's
// settings folder, whose resource fork (kept in its "._" sidecar) holds the records as raw bytes in 'Pref'
// resources 1000 to 1004. Only four print-to-file sets fit its layout; sets 5 to 8 keep their defaults. The
// program itself keeps its settings in the user defaults; this file is read and written only on request, to
// take settings over from an older installation.
#pragma once

#include <filesystem>

#include "platform/core/os_errors.h"

namespace vorl {

std::filesystem::path legacyPreferencesFilePath();

// Writes the print-server, print-to-file, processed-jobs, sets 1..4 and print-to-CD records into the file's
// resources, making the folder and the file when they are missing.
OSErr WritePrefs(const std::filesystem::path& file);

// Sets 1..8 take their factory defaults, then each resource that exists is copied over its record (a shorter
// resource fills only its own length). A sidecar that cannot be read changes no record and answers its error.
OSErr ReadPrefs(const std::filesystem::path& file);

}  // namespace vorl
