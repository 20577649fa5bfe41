// Keying a photo over what the page already holds: straight, or turned by the object's angle first.
//
// The page alpha with alpha output carries the mattes of every keyed photo (255 = foreground): each keyed photo
// writes its matte under its own destination only, so the mattes of the photos keyed before it stay.
#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

#include "chromakey/bridge/keying_bridge.h"
#include "foundation/services/messages.h"
#include "imaging/scaling/cg_drawing.h"
#include "imaging/image_files/image_cache.h"
#include "imaging/filters/junk_masks.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/pixel_locks.h"
#include "imaging/scaling/resize.h"
#include "layout/image_object.h"
#include "layout/image_object_drawing.h"
#include "platform/system/system_log.h"

namespace vorl {

using namespace image_drawing;

namespace {

struct KeyingOffscreens {
  OffscreenPtr foreground;
  OffscreenPtr background;
  OffscreenPtr output;
};

bool makeKeyingOffscreens(const Rect& bounds, KeyingOffscreens& made) {
  made.foreground.reset(myNewGWorld(&bounds));
  made.background.reset(myNewGWorld(&bounds));
  made.output.reset(myNewGWorld(&bounds));
  if (!made.foreground || !made.background || !made.output) return false;
  protectTheGworld(made.foreground.get());
  protectTheGworld(made.background.get());
  protectTheGworld(made.output.get());
  return true;
}

// The keyed result onto the page: its colours, and with alpha output its matte (the output's alpha, 255 =
// foreground) added to the page's alpha under the destination. The matte is the output's alpha, not the
// brightness of its colours, and it is added so that the mattes of photos keyed before stay. Without alpha output
// the page's alpha is left as it was. `outputRect` and `pageRect` have one size; the page clips.
void placeKeyedOutput(Offscreen* output, Offscreen* page, const Rect& outputRect, const Rect& pageRect,
                      std::int16_t alphaOutput) {
  const PixView from = output->view(), to = page->view();
  const int dx = outputRect.left - pageRect.left, dy = outputRect.top - pageRect.top;
  const int top = std::max({int{pageRect.top}, int{to.port().top}, from.port().top - dy});
  const int bottom = std::min({int{pageRect.bottom}, int{to.port().bottom}, from.port().bottom - dy});
  const int left = std::max({int{pageRect.left}, int{to.port().left}, from.port().left - dx});
  const int right = std::min({int{pageRect.right}, int{to.port().right}, from.port().right - dx});
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const std::uint8_t* source = from.portPixel(x + dx, y + dy);
      std::uint8_t* target = to.portPixel(x, y);
      target[kRedByte] = source[kRedByte];
      target[kGreenByte] = source[kGreenByte];
      target[kBlueByte] = source[kBlueByte];
      if (alphaOutput != 0) target[kAlphaByte] = static_cast<std::uint8_t>(target[kAlphaByte] | source[kAlphaByte]);
    }
}

}  // namespace

bool TImageObject::drawKeyed(Offscreen* picture, Offscreen* page, const Rect& source, const Rect& destination,
                             std::int16_t angle, JobViewAccess* view, bool cropRoad) {
  if (!fChromaKeySettings) {
    tellOperator("The photo \"" + fPhotoFile.name.toUtf8() +
                 "\" is marked keyed but carries no key; it was not drawn.");
    return false;
  }
  const Rect keyRect = atOrigin(destination);
  KeyingOffscreens offscreens;
  if (!makeKeyingOffscreens(keyRect, offscreens)) return false;
  if (drawPartByResizeMode(picture, source, offscreens.foreground.get(), keyRect, view->GetResizeMode()) !=
      DrawOutcome::drawn)
    return false;
  static_cast<void>(myCopyBits(page, offscreens.background.get(), &destination, &keyRect, srcCopy, nullptr));
  view->SetStatus(kDrawingStatus);
  const std::int16_t alphaOutput = view->GetAlphaOutput();
  const bool externalMask = hasExternalMask(fResolvedPhoto);
  const bool keyed =
      doNewChromaKeyingEx(std::move(offscreens.foreground), std::move(offscreens.background), offscreens.output.get(),
                          fChromaKeySettings.get(), MatteEdgeSettings{fDefocus, fInwardFlag, fShrink}, alphaOutput != 0,
                          externalMask, fCurrentImage, source, cropRoad ? keyRect : destination, angle, fResolvedPhoto);
  if (keyed) {
    placeKeyedOutput(offscreens.output.get(), page, keyRect, destination, alphaOutput);
    if (!cropRoad) systemLog("Successfully Chroma keyed!");
  }
  offscreens.output.reset();
  if (cropRoad) {
    DisposeCurrentImageGWorldPtr();
    fCurrentImage = nullptr;
  }
  return keyed;
}

bool TImageObject::drawAngledKeyed(Offscreen* picture, Offscreen* page, const Rect& source, const Rect& destination,
                                   JobViewAccess* view) {
  OffscreenPtr turned{myNewGWorld(&destination)};
  if (!turned) return false;
  protectTheGworld(turned.get());
  // The corners the turn leaves uncovered show the backing colour, so they key away with the backing.
  const std::span<const unsigned char, kFixcoefSize> coefficients = keyCoefficients();
  float backing[3];
  std::memcpy(backing, coefficients.data(), sizeof backing);
  const auto component = [](float value) {
    const auto sixteen = static_cast<std::uint16_t>(static_cast<std::int32_t>(value));
    return static_cast<std::int32_t>(sixteen >> 8);
  };
  static_cast<void>(
      fillPixelMap(turned.get(), (component(backing[0]) << 16) | (component(backing[1]) << 8) | component(backing[2])));
  DrawImageWithAngle(picture, turned.get(), source, destination);
  return DoChromaKeying(turned.get(), page, destination, destination, view->GetResizeMode(), view->GetAlphaOutput(),
                        view);
}

bool TImageObject::DoChromaKeying(Offscreen* source, Offscreen* page, const Rect& sourceRect, const Rect& pageRect,
                                  std::int16_t resizeMode, std::int16_t alphaOutput, JobViewAccess* view) {
  if (!fChromaKeySettings) {
    tellOperator("The photo \"" + fPhotoFile.name.toUtf8() +
                 "\" is marked keyed but carries no key; it was not drawn.");
    return false;
  }
  const Rect keyRect = atOrigin(pageRect);
  KeyingOffscreens offscreens;
  if (!makeKeyingOffscreens(keyRect, offscreens)) return false;
  bool drawn = false;
  switch (resizeMode) {
    case 1:
      drawn = copyGWorldToGWorld(source, offscreens.foreground.get(), &sourceRect, &keyRect);
      break;
    case 2:
    case 3:
      drawn = betterResizeGworldToGworld(source, sourceRect, offscreens.foreground.get(), keyRect, resizeMode, false);
      break;
    case 4:
      DrawResizedGWorld(offscreens.foreground.get(), source, sourceRect, keyRect);
      drawn = true;
      break;
    default:
      break;
  }
  if (!drawn) return false;
  static_cast<void>(myCopyBits(page, offscreens.background.get(), &pageRect, &keyRect, srcCopy, nullptr));
  view->SetStatus(kDrawingStatus);
  const bool externalMask = hasExternalMask(fResolvedPhoto);
  const std::int16_t angle = fAngledFlag != 0 ? turnAngle() : 0;
  const bool keyed =
      doNewChromaKeyingEx(std::move(offscreens.foreground), std::move(offscreens.background), offscreens.output.get(),
                          fChromaKeySettings.get(), MatteEdgeSettings{fDefocus, fInwardFlag, fShrink}, alphaOutput != 0,
                          externalMask, fCurrentImage, fLastSourceRect, fLastDestRect, angle, fResolvedPhoto);
  if (keyed) placeKeyedOutput(offscreens.output.get(), page, keyRect, pageRect, alphaOutput);
  DisposeCurrentImageGWorldPtr();
  fCurrentImage = nullptr;
  return keyed;
}

}  // namespace vorl
