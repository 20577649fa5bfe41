// Saving every preference value of the user defaults to one property-list file, and loading such a file back,
// to move a configuration to another machine or keep a copy. The file holds one dictionary under
// "Vorl-Zeverezoz v14 Prefs Dictionary" whose entries are the user-defaults values as they are stored (record
// streams and folder references, all data).
//
// Loading takes the entries that read whole: keys an export writes, holding data their reader accepts (a record
// stream, or a folder reference of this system). The others are left out and named in one operator message; a
// file with nothing usable, or whose values cannot be saved, is refused with a message and the user defaults
// stay as they were. The live records change only when the preferences are read again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/mac_types.h"
#include "platform/plists/property_list.h"

namespace vorl {

inline constexpr std::string_view kPreferencesExportTopKey = "Vorl-Zeverezoz v14 Prefs Dictionary";
inline constexpr std::uint32_t kApplicationCreator = fourCharCode("QZKb");

// The user-defaults primitives: a missing key reads nothing; an empty key writes nothing.
std::optional<PlistValue> ReadFromMyUserDefaults(std::string_view key);
void WriteToMyUserDefaults(const PlistValue* value, std::string_view key, bool synchronizeNow);

// The entries an export writes, in order: the print-server record, sets 1..8, the folder references
// 4500..4566, the web-upload, output-files and print-centre records. Only keys the user defaults hold.
PlistDictionary CopyUserPreferencesToDictionary();

// Writes the export file at `path` (replacing a file the operator chose to overwrite) and marks it with the
// application's creator. False, with a log line, when it cannot be written.
bool SaveToNewPreferencesFile(const std::filesystem::path& path);

// Loads the export file at `path`: 1 when its usable entries were copied into the user defaults and saved, else
// 0. Without `force`, keys the user defaults already hold keep their values.
std::int16_t LoadFromNewPreferencesFile2(const std::filesystem::path& path, bool force);

// Copies each entry (without `force` only the keys the user defaults lack), then writes the user defaults. When
// the write fails the entries are taken back out again and the write's error answered.
[[nodiscard]] OSErr CopyToUserDefaultsObjectForAllKeys(const PlistDictionary& entries, bool force);
void CopyToUserDefaultsObjectForKey(const PlistDictionary& entries, std::string_view key, bool force);

// Where the menu commands open their panels: "VORL PREFERENCES FOLDER ƒ" in the application folder.
std::filesystem::path preferencesFolderPath();
// "Vorl-Zeverezoz 14.0 On 2026-12-10": the name the save panel proposes.
std::string defaultPreferencesFileName(const DateTimeRec& today);

// The path of a file shipped with the program (its "resources" folder); false, logged, when it is not there.
bool GetPathFromResourceFolderFromAppBundle(const char* name, std::string& path);

}  // namespace vorl
