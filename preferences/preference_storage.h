// Reading the preference records from the user defaults at start-up (and when the preferences window is
// cancelled) and saving them when it is confirmed. Each record is one data value holding its stream
// (preference_stream_layouts.h) under its own key.
//
// A value that is missing leaves its record at the factory defaults. A value that is not data, ends early or
// holds a string too long for its field is logged and reported through the answer of the read; the fields
// read before the fault keep their stored values and every other field keeps its factory default, so a damaged
// value can never turn on a setting that deletes files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorl {

inline constexpr std::string_view kPrintServerPrefKey = "printServerPref";
inline constexpr std::string_view kOutputFilesPrefKey = "outputFilesPref";
inline constexpr std::string_view kProcessedJobsPrefKey = "VorlPrintCenterPrefs";
inline constexpr std::string_view kWebUploadPrefKey = "WebUploadPrefs";
// "PrintToFileSet 1" .. "PrintToFileSet 8".
std::string printToFileSetPrefKey(std::int16_t setNumber);

// Puts every record back to its factory values (all of them, the eight sets and the CD sets included).
void mySetAllDefaults();

// True when every stored value was read whole.
bool myNewReadPreferences();
bool ReadPreferences();

// True when the user defaults were written; a failure is logged.
bool myNewSavePreferences();
bool SavePreferences();

}  // namespace vorl
