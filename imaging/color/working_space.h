// Bringing a decoded photograph into the working space that pages are built in.
//
// With embedded profiles applied, a photograph carrying a profile is converted from it; one without is taken
// to be in the default profile of its colour model (the user's choice for RGB, grey and CMYK), and left as it is
// when there is none. Without, the values are taken as they stand; grey and CMYK photographs still become RGB.
// The working space is the generic RGB profile, the space the finished page is later matched from.
#pragma once

#include "imaging/codecs/decoded_image.h"

namespace vorl {

enum class [[nodiscard]] WorkingSpaceResult {
  asTheyStand,              // nothing to apply: profiles not applied, or no profile and no default
  converted,                // the photo's own profile or its model's default was applied
  ownProfileUnusable,       // the photo's own profile could not be applied; its values stand (logged)
  defaultProfileUnusable,   // the default profile could not be applied; its values stand (logged)
};

// Converts `image.pixels` in place. A profile that cannot be used leaves the values as they stand (logged); the
// caller tells the operator.
WorkingSpaceResult bringIntoWorkingSpace(DecodedImage& image, bool applyEmbedded);

}  // namespace vorl
