// The two menu commands that save the preferences to a file and load them from one, with their file panels.
// The work itself is in preferences/preferences_export.h; these only ask the operator where.
#pragma once

namespace vorl {

// Save panel in the preferences folder with the proposed name; on OK exports there and confirms with the path.
// True when a file was written.
bool SaveToNewPreferencesFile();

// Open panel in the preferences folder for one ".plist" file; on OK loads it, replacing stored values.
// True when the file's settings were taken.
bool LoadFromNewPreferencesFile();

}  // namespace vorl
