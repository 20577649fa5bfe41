#include "imaging/color/working_space.h"

#include "imaging/color/color_conversion.h"
#include "imaging/color/color_profile.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// The user's default profile of the colour model, when one is set and opens.
ProfileRef defaultProfileFor(SourceColourModel model) {
  ProfileRef profile;
  switch (model) {
    case SourceColourModel::rgb:
      profile = Profile::profileDefaultRGB();
      break;
    case SourceColourModel::grey:
      profile = Profile::profileDefaultGray();
      break;
    case SourceColourModel::cmyk:
      profile = Profile::profileDefaultCMYK();
      break;
  }
  return profile != nullptr && profile->ref() != nullptr ? profile : nullptr;
}

}  // namespace

WorkingSpaceResult bringIntoWorkingSpace(DecodedImage& image, bool applyEmbedded) {
  Offscreen* pixels = image.pixels.get();
  if (pixels == nullptr || !applyEmbedded) return WorkingSpaceResult::asTheyStand;
  const bool embedded = !image.iccProfile.empty();
  const ProfileRef assumed = embedded ? nullptr : defaultProfileFor(image.model);
  // A device picture with no default: its values as they stand.
  if (!embedded && assumed == nullptr) return WorkingSpaceResult::asTheyStand;
  const WorkingSpaceResult failed =
      embedded ? WorkingSpaceResult::ownProfileUnusable : WorkingSpaceResult::defaultProfileUnusable;
  const ProfileRef working = Profile::profileWithGenericRGB();
  if (working == nullptr) {
    systemLog("no working colour space: the picture keeps its values");
    return failed;
  }
  bool converted = false;
  switch (image.model) {
    case SourceColourModel::rgb:
      converted = embedded ? convertRGBOffscreen(pixels, image.iccProfile, *working)
                           : convertRGBOffscreen(pixels, *assumed, *working);
      break;
    case SourceColourModel::grey:
      converted = embedded ? convertGrayOffscreen(pixels, image.iccProfile, *working)
                           : convertGrayOffscreen(pixels, *assumed, *working);
      break;
    case SourceColourModel::cmyk:
      converted = embedded ? convertCMYKToOffscreen(image.cmykSamples, image.iccProfile, *working, pixels)
                           : convertCMYKToOffscreen(image.cmykSamples, *assumed, *working, pixels);
      break;
  }
  if (converted) return WorkingSpaceResult::converted;
  systemLog("the picture's profile could not be applied: its values are used as they stand");
  return failed;
}

}  // namespace vorl
