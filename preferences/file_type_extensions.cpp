#include "preferences/file_type_extensions.h"

namespace vorl {
namespace {

std::int16_t gCurrentSaveFileType = 0;

}  // namespace

std::string getExtensionFromFileType(std::int16_t fileType) {
  switch (fileType) {
    case 2:
    case 6:
      return ".tif";
    case 3:
    case 10:
      return ".jpg";
    case 4:
      return ".pct";
    case 5:
      return ".raw";
    case 7:
      return ".tga";
    case 8:
      return ".PSD";
    case 9:
      return ".PNG";
    default:
      return ".???";
  }
}

std::string getExtensionStringForSaveAsType(std::int16_t saveAsType) {
  switch (saveAsType) {
    case 2:
    case 6:
      return ".TIF";
    case 3:
      return ".JPG";
    case 4:
      return ".PCT";
    case 5:
      return ".RAW";
    case 7:
      return ".TARGA";
    case 8:
      return ".PSD";
    case 9:
      return ".PNG";
    default:
      return {};
  }
}

void setCurrentSaveAsType(std::int16_t saveAsType) noexcept { gCurrentSaveFileType = saveAsType; }
std::int16_t getCurrentSaveAsType() noexcept { return gCurrentSaveFileType; }

}  // namespace vorl
