// Factory defaults of the preference records. Each answers 1, or 0 (changing nothing) for a null record.
// All but the print-server defaults zero the whole record first; the print-server defaults set their listed
// fields only, so the three words at +338 keep what they held.
#pragma once

#include <cstdint>

#include "preferences/preference_records.h"

namespace vorl {

// Alias ids: the numbers the folder references are stored under.
inline constexpr std::int16_t kPrintToFileAliasId = 4501;
inline constexpr std::int16_t kProcessedJobsAliasId = 4502;
inline constexpr std::int16_t kPrintServerRootAliasId = 4506;
inline constexpr std::int16_t kSecondRootAliasId = 4507;
inline constexpr std::int16_t kPrintToFileSetAliasBase = 4510;  // set n is 4510 + n
inline constexpr std::int16_t kPrintToCDFirstAliasId = 4529;
inline constexpr std::int16_t kPrintToCDSecondAliasId = 4530;
inline constexpr std::int16_t kWebUploadAliasId = 4566;

std::int16_t setMyPrintServerPrefToFactoryDefaults(tPrintServerPrefs* prefs);
std::int16_t setMyPrintToFilePrefToFactoryDefaults(tPrintToFilePrefs* prefs);
std::int16_t setMyProcessedJobsPrefToFactoryDefaults(tProcessedJobsPrefs* prefs);
std::int16_t setMyPrintToFileSetPrefsToFactoryDefaults(tSpecialPrintToFilePref* prefs, std::int16_t setNumber);
std::int16_t setMyPrintToCDSetPrefsToFactoryDefaults(tPrintToCDPref* prefs);
std::int16_t setMyOutputFilePrefToFactoryDefaults(tOutputFilePrefs* prefs);
std::int16_t setMyWebUploadPrefsToFactoryDefaults(tSpecialPrintToFilePref* prefs);
// Sets 1..8 of the live records, each with its own alias id.
void setAllPrintToFileSetPrefsToFactoryDefault();

}  // namespace vorl
