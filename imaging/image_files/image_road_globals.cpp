#include "imaging/image_files/image_road_globals.h"

#include "platform/files/xdg_folders.h"

namespace vorl {
namespace {
std::filesystem::path gPreferencesFolder;
}  // namespace

bool gApplyEmbedded = false;
float myBlurValue = 2.0f;

std::filesystem::path vorlPreferencesFolder() {
  return gPreferencesFolder.empty() ? homeFolder() / "VORL PREFERENCES FOLDER ƒ" : gPreferencesFolder;
}

void setVorlPreferencesFolder(std::filesystem::path folder) { gPreferencesFolder = std::move(folder); }

}  // namespace vorl
