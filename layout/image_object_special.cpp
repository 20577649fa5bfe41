// The image object's drawings off the page: the special job's small picture, the original-file copy, and the
// angled drawing the page roads use.
#include "foundation/files/files.h"
#include "imaging/filters/alpha_masks.h"
#include "imaging/scaling/cg_drawing.h"
#include "imaging/image_files/image_import_export.h"
#include "imaging/filters/junk_masks.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/pixel_locks.h"
#include "layout/image_object.h"
#include "layout/image_object_drawing.h"
#include "platform/system/system_log.h"

namespace vorl {

using namespace image_drawing;

namespace {

inline constexpr int kSpecialPictureSide = 640;

Rect intersection(const Rect& a, const Rect& b) {
  return makeRect(std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                  std::min(a.right, b.right));
}

}  // namespace

OffscreenPtr TImageObject::Draw4PrintingSpecial(std::int16_t /*resolution*/, JobViewAccess* view) {
  if (!view) return nullptr;
  // The photo is only borrowed while drawing; nothing of an earlier drawing is kept (or freed) here.
  fCurrentImage = nullptr;
  const std::optional<FSSpec> photo = resolvePhotoFile();
  if (!photo) return nullptr;
  fResolvedPhoto = *photo;
  view->SetCurrentImageName(GetFullFileName(&fResolvedPhoto));
  view->SetStatus(kReadingStatus);
  if (fResolvedPhoto.name.macRoman() == kNoFileName) return nullptr;
  if (!checkPhotoFile(fResolvedPhoto)) return nullptr;
  view->AddFilesToDelete(fResolvedPhoto);
  view->Insert(fResolvedPhoto);
  OffscreenPtr picture = ReadFile2(fResolvedPhoto);
  countDecode();
  if (!picture) {
    tellOperator("An error occured reading the photo \"" + fPhotoFile.name.toUtf8() +
                 "\": it cannot be read as an image.");
    return nullptr;
  }
  picture = turnPhoto(std::move(picture), fRotationAngle);
  if (!picture) return nullptr;
  copyJunkMaskToAlphaChannelOffscreen(picture.get(), fResolvedPhoto, 2.0f);
  view->SetStatus(kDrawingStatus);
  const Rect box = makeRect(0, 0, kSpecialPictureSide, kSpecialPictureSide);
  OffscreenPtr result = view->ResizeToNewSize(picture, box);
  picture.reset();
  if (result) {
    fLastSourceRect = result->portRect();
    fLastDestRect = result->portRect();
  }
  return result;
}

bool TImageObject::CopyOriginalFile(JobViewAccess* view) {
  systemLog("Inside TImageObject::CopyOriginalFile...");
  if (!view) return false;
  const std::optional<FSSpec> photo = resolvePhotoFile();
  if (!photo) return false;
  fResolvedPhoto = *photo;
  systemLogf("myWholePath in CopyOriginalFile = %s", fResolvedPhoto.name.toUtf8().c_str());
  view->SetCurrentImageName(GetFullFileName(&fResolvedPhoto));
  view->SetStatus(kReadingStatus);
  if (fResolvedPhoto.name.macRoman() == kNoFileName) return false;
  view->Insert(fResolvedPhoto);
  // A photo whose copy failed must survive the job: only a saved original is deleted afterwards.
  const bool saved = view->SaveOriginalFile(fResolvedPhoto);
  if (saved) view->AddFilesToDelete(fResolvedPhoto);
  return saved;
}

void TImageObject::DrawImageWithAngle(Offscreen* source, Offscreen* destination, const Rect& sourceRect,
                                      const Rect& destRect) {
  if (!source || !destination) return;
  const std::int16_t turn = turnAngle();
  if (OffscreenPtr picture{myNewGWorld(&destRect)}) {
    protectTheGworld(picture.get());
    static_cast<void>(myCopyBits(source, picture.get(), &sourceRect, &destRect, srcCopy, nullptr));
    myFillOffscreen(picture.get());
    DrawRotatedGWorld(turn, destination, picture.get(), destRect, fBoxScalePixels);
  }
  if (fAngledFlag == 0 || !hasExternalMask(fResolvedPhoto)) return;

  // The turned junk mask becomes the alpha of the destination rectangle only: other photos' alpha (or mattes)
  // on the same page stay as they are.
  const Rect area = intersection(destRect, destination->portRect());
  if (rectEmpty(area)) return;
  OffscreenPtr mask{myNewGWorld(&area)};
  if (!mask) return;
  protectTheGworld(mask.get());
  fillPixelMap(mask.get(), 0);
  if (OffscreenPtr junk{getNewJunkMaskOffscreen(source, fResolvedPhoto, 2.0f)}) {
    OffscreenPtr turnedMask{myNewGWorld(&destRect)};
    if (turnedMask) {
      static_cast<void>(myCopyBits(junk.get(), turnedMask.get(), &sourceRect, &destRect, srcCopy, nullptr));
      junk.reset();
      myFillOffscreen(turnedMask.get());
      DrawRotatedGWorld(turn, mask.get(), turnedMask.get(), destRect, fBoxScalePixels);
    }
  }
  setAlphaInside(destination, area, 0);
  static_cast<void>(myCopyMaskGworldToAlphaChannel(destination, mask.get(), area, area));
}

}  // namespace vorl
