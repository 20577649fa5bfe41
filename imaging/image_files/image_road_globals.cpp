#include "imaging/image_files/image_road_globals.h"

#include <set>
#include <string>

#include "foundation/services/messages.h"
#include "imaging/color/working_space.h"
#include "platform/files/xdg_folders.h"

namespace vorl {
namespace {
std::filesystem::path gPreferencesFolder;
std::set<std::filesystem::path> gToldProfileProblems;  // of the job in hand
}  // namespace

bool gApplyEmbedded = false;
float myBlurValue = 2.0f;

std::filesystem::path vorlPreferencesFolder() {
  return gPreferencesFolder.empty() ? homeFolder() / "VORL PREFERENCES FOLDER ƒ" : gPreferencesFolder;
}

void setVorlPreferencesFolder(std::filesystem::path folder) { gPreferencesFolder = std::move(folder); }

}  // namespace vorl

namespace vorl {

void bringPhotoIntoWorkingSpace(DecodedImage& image, const std::filesystem::path& photo) {
  if (bringIntoWorkingSpace(image, gApplyEmbedded) != WorkingSpaceResult::ownProfileUnusable) return;
  if (!gToldProfileProblems.insert(photo).second) return;
  // Only the log knew before, and a photo printed in the wrong colours was counted as good.
  const std::string text = "The colour profile embedded in the photo \"" + photo.filename().string() +
                           "\" cannot be used; the photo is printed with its colours as they stand.";
  DisplayNormalMessage(text.c_str());
}

void forgetToldProfileProblems() { gToldProfileProblems.clear(); }

}  // namespace vorl
