// Validation of preference records after they are read. Each rule replaces out-of-range values by usable ones.
#pragma once

#include "preferences/preference_records.h"

namespace vorl {

// Keep job files (+214) becomes 1 and +224 becomes 0, whatever they held.
void validatePrintServerPrefs(tPrintServerPrefs* prefs);
// A format below 2 becomes 3, a size below 1 becomes 640, a site of 0 becomes 1.
void validatePrintToFileSetPrefs(tSpecialPrintToFilePref* prefs);
// Sets 1..8 of the live records.
void validateAllPrintToFileSetPrefs();
// A format below 2 becomes 10; the alias id is always 4566.
void validateWebUploadPrefs(tSpecialPrintToFilePref* prefs);

}  // namespace vorl
