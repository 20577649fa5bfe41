// The crop road: the photo is cut to the job's crop format first, then placed in the object's rectangle.
#include <utility>

#include "foundation/records/rect_orientation.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "imaging/offscreens/placement.h"
#include "layout/image_object.h"
#include "layout/image_object_drawing.h"

namespace vorl {

using namespace image_drawing;

bool TImageObject::Draw4PrintingNew(Offscreen* page, std::int16_t resolution, JobViewAccess* view) {
  PhotoRead read;
  bool result = false;
  if (!readPhoto(read, page, resolution, view, true, result)) return result;

  Offscreen* image = read.image;
  Rect imageBounds = read.imageBounds;
  const Rect& objectRect = read.objectRect;
  Point offset = fOffset;
  std::int16_t cropAnchor = view->CropWhere();

  // A photo whose orientation differs from the frame's is turned for this drawing only; the cache keeps it
  // upright.
  OffscreenPtr turned;
  if (view->MatchRotationForPrint() != 0 && isLandscape(objectRect) != isLandscape(imageBounds)) {
    const std::int16_t rotation = view->RotationForPrint();
    Offscreen* result90 = rotateGWorld90DegreesDoNotDispose(rotation, image);
    if (result90 != image) {
      turned.reset(result90);
      image = result90;
      imageBounds = image->portRect();
      const std::int16_t v = offset.v, h = offset.h;
      if (rotation == 1) {
        offset.v = static_cast<std::int16_t>(-h);
        offset.h = v;
      } else if (rotation == 2) {
        offset.v = h;
        offset.h = static_cast<std::int16_t>(-v);
      }
      const bool landscape = isLandscape(imageBounds);
      if ((rotation == 1 && !landscape) || (rotation == 2 && landscape)) {
        if (cropAnchor == kAnchorTop)
          cropAnchor = kAnchorBottom;
        else if (cropAnchor == kAnchorBottom)
          cropAnchor = kAnchorTop;
      }
    }
  }

  const Rect cropRect = fUseCropBounds != 0 ? imageBounds
                                            : getCropRect(imageBounds, view->GetCropMode(), view->GetCropHSize(),
                                                          view->GetCropVSize(), resolution);
  OffscreenPtr crop{myNewGWorld(&cropRect)};
  if (!crop) return false;
  Rect cropSource = CropAndResize(imageBounds, cropRect, cropAnchor);
  Rect cropDestination = cropRect;
  if (fUseCropBounds == 0) {
    if (fInsetSteps != 0) InsetRects(cropSource, cropDestination, imageBounds, cropRect, fInsetSteps, cropAnchor);
    if (offset.v != 0 || offset.h != 0) OffsetRects(cropSource, cropDestination, imageBounds, cropRect, offset);
  }
  const std::int16_t resizeMode = view->GetResizeMode();
  if (drawPartByResizeMode(image, cropSource, crop.get(), cropDestination, resizeMode) == DrawOutcome::failed)
    return false;

  Rect source = cropRect;
  Rect destination = objectRect;
  if (fFitMode == 1)
    source = CropAndResize(cropRect, objectRect, view->FinalCropWhere());
  else
    destination = ResizeToFit(objectRect, cropRect);
  // Kept here as on the direct road: an angled keyed photo maps its exclusion mask through them.
  fLastSourceRect = source;
  fLastDestRect = destination;

  if (!fKeyed) {
    if (fUseCropBounds != 0) {
      // The part read through the crop bounds is placed from the photo itself, centred, never angled.
      const Rect partBounds = imageBounds;
      if (fFitMode == 1) {
        source = CropAndResize(partBounds, objectRect, 1);
        destination = objectRect;
      } else {
        source = partBounds;
        destination = ResizeToFit(objectRect, partBounds);
      }
      fLastSourceRect = source;
      fLastDestRect = destination;
      if (drawFittedPart(image, source, page, destination, objectRect, resizeMode) == DrawOutcome::failed) return false;
    } else if (fAngledFlag == 0) {
      if (drawFittedPart(crop.get(), source, page, destination, objectRect, resizeMode) == DrawOutcome::failed)
        return false;
    } else {
      DrawImageWithAngle(crop.get(), page, source, destination);
    }
  } else if (fAngledFlag == 0) {
    if (!drawClippedToFrame(page, destination, objectRect, [&](Offscreen* target) {
          return drawKeyed(crop.get(), target, source, destination, 0, view, true);
        }))
      return false;
  } else if (!drawAngledKeyed(crop.get(), page, source, destination, view)) {
    return false;
  }
  crop.reset();
  drawGraphicAndBorder(page, objectRect, destination, resolution, view);
  return true;
}

}  // namespace vorl
