// The file formats of the print-to-file destinations and the save dialogs, by number, with their extensions.
#pragma once

#include <cstdint>
#include <string>

namespace vorl {

// The extension the print-to-file panels put in their extension field for a format: ".tif" for 2 and 6, ".jpg"
// for 3 and 10, ".pct" 4, ".raw" 5, ".tga" 7, ".PSD" 8, ".PNG" 9, ".???" for any other.
std::string getExtensionFromFileType(std::int16_t fileType);

// The extension the save dialog offers for a save-as type: ".TIF" for 2 and 6, ".JPG" 3, ".PCT" 4, ".RAW" 5,
// ".TARGA" 7, ".PSD" 8, ".PNG" 9, empty for any other.
std::string getExtensionStringForSaveAsType(std::int16_t saveAsType);

// The save-as type the next save dialog preselects and the last one chose (main thread only).
void setCurrentSaveAsType(std::int16_t saveAsType) noexcept;
std::int16_t getCurrentSaveAsType() noexcept;

}  // namespace vorl
