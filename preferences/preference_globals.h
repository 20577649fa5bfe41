// The one live instance of each preference record. Callers anywhere read and write fields in place through
// these accessors; storage reads them at start-up and the preferences window writes them. The main thread and the
// job worker share them under the baton.
#pragma once

#include <cstdint>

#include "preferences/preference_records.h"

namespace vorl {

tPrintServerPrefs* getMyPrintServerPrefs() noexcept;
tPrintToFilePrefs* getMyPrintToFilePrefs() noexcept;
tProcessedJobsPrefs* getMyProcessedJobsPrefs() noexcept;
// Set n = 1..8; null (and a log line) for any other number, which can come from a job file.
tSpecialPrintToFilePref* getMyPrintToFileSetPrefs(std::int16_t setNumber) noexcept;
// The first of the eight sets, which lie one after another.
tSpecialPrintToFilePref* getMyPrintToFileSetPrefsAll() noexcept;
tPrintToCDPref* getMyPrintToCDSetPrefs() noexcept;
tOutputFilePrefs* getMyOutputFilePrefs() noexcept;
tSpecialPrintToFilePref* getMyWebUploadPrefs() noexcept;

}  // namespace vorl
