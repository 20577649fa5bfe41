// The image object's drawing: the common head, reading the photo, and the steps every road shares.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <string>
#include <system_error>

#include "foundation/services/event_pump.h"
#include "foundation/files/files.h"
#include "foundation/services/messages.h"
#include "foundation/records/rect_orientation.h"
#include "imaging/filters/alpha_masks.h"
#include "imaging/scaling/cg_drawing.h"
#include "imaging/color/color_tables.h"
#include "imaging/image_files/image_cache.h"
#include "imaging/image_files/image_file.h"
#include "imaging/image_files/image_import_export.h"
#include "imaging/filters/junk_masks.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/memory_budget.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "imaging/offscreens/pixel_locks.h"
#include "imaging/offscreens/placement.h"
#include "imaging/scaling/resize.h"
#include "layout/graphics_files.h"
#include "layout/image_object.h"
#include "layout/image_object_drawing.h"
#include "layout/job_file_names.h"
#include "platform/files/file_specs.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"

namespace vorl {

namespace image_drawing {

std::atomic<std::int64_t> gDecodeCount{0};

void tellOperator(const std::string& text) { DisplayNormalMessage(text.c_str()); }

void countDecode() noexcept { gDecodeCount.fetch_add(1, std::memory_order_relaxed); }

DrawOutcome drawPartByResizeMode(Offscreen* source, const Rect& sourceRect, Offscreen* destination,
                                 const Rect& destRect, std::int16_t resizeMode) {
  switch (resizeMode) {
    case 1:
      return copyGWorldToGWorld(source, destination, &sourceRect, &destRect) ? DrawOutcome::drawn : DrawOutcome::failed;
    case 2:
    case 3:
      return betterResizeGworldToGworld(source, sourceRect, destination, destRect, resizeMode, true)
                 ? DrawOutcome::drawn
                 : DrawOutcome::failed;
    case 4: {
      // The smooth resize draws its whole source, so the part goes into an offscreen of its own first.
      OffscreenPtr part = copyPartToOrigin(source, sourceRect);
      if (!part) return DrawOutcome::failed;
      DrawResizedGWorld(destination, part.get(), part->portRect(), destRect);
      return DrawOutcome::drawn;
    }
    default:
      return DrawOutcome::notDrawn;
  }
}

DrawOutcome drawFittedPart(Offscreen* source, const Rect& sourceRect, Offscreen* page, const Rect& destRect,
                           const Rect& frame, std::int16_t resizeMode) {
  DrawOutcome outcome = DrawOutcome::failed;
  const bool drawn = drawClippedToFrame(page, destRect, frame, [&](Offscreen* target) {
    outcome = drawPartByResizeMode(source, sourceRect, target, destRect, resizeMode);
    return outcome != DrawOutcome::failed;
  });
  return drawn ? outcome : DrawOutcome::failed;
}

bool checkPhotoFile(const FSSpec& photo) {
  std::filesystem::path path;
  std::error_code error;
  const std::string name = photo.name.toUtf8();
  if (FSpMakePath(photo, path) != noErr || !std::filesystem::exists(path, error)) {
    tellOperator("The photo \"" + name + "\" is not in the images folder; it was not drawn.");
    return false;
  }
  if (std::filesystem::is_directory(path, error)) {
    tellOperator("The photo \"" + name + "\" in the images folder is a folder, not an image file; it was not drawn.");
    return false;
  }
  return true;
}

OffscreenPtr copyPartToOrigin(Offscreen* source, const Rect& part) {
  if (!source || rectEmpty(part)) return nullptr;
  const Rect bounds = atOrigin(part);
  OffscreenPtr copy{myNewGWorld(&bounds)};
  if (!copy) return nullptr;
  if (!myCopyBits(source, copy.get(), &part, &bounds, srcCopy, nullptr)) return nullptr;
  return copy;
}

OffscreenPtr turnPhoto(OffscreenPtr image, float angle) {
  if (!image) return image;
  double turn = std::fmod(static_cast<double>(angle), 360.0);
  if (turn < 0) turn += 360.0;
  if (turn == 0.0) return image;
  if (turn == 180.0) {
    rotateImage180Degrees(image.get());
    return image;
  }
  if (turn != 90.0 && turn != 270.0) {
    // Photos are stored turned by quarter turns only; anything else is a producer's mistake, and turning it
    // upside down would only hide it.
    systemLogf("Image rotation %g is not a quarter turn; the photo is drawn upright", static_cast<double>(angle));
    return image;
  }
  const Rect bounds = image->portRect();
  const Rect turnedBounds =
      makeRect(bounds.top, bounds.left, bounds.top + rectWidth(bounds), bounds.left + rectHeight(bounds));
  OffscreenPtr turned{myNewGWorld(&turnedBounds)};
  if (!turned || !protectAndLockGworld(turned.get())) return nullptr;
  if (!rotateImage90Degrees(turn == 90.0 ? 2 : 1, image.get(), turned.get())) return nullptr;
  return turned;
}

void setAlphaInside(Offscreen* offscreen, const Rect& area, std::uint8_t value) {
  if (!offscreen) return;
  const PixView view = offscreen->view();
  const Rect& port = view.port();
  const int left = std::max<int>(area.left, port.left);
  const int right = std::min<int>(area.right, port.right);
  const int top = std::max<int>(area.top, port.top);
  const int bottom = std::min<int>(area.bottom, port.bottom);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) view.portPixel(x, y)[kAlphaByte] = value;
}

}  // namespace image_drawing

std::int64_t imageObjectDecodeCount() noexcept { return image_drawing::gDecodeCount.load(std::memory_order_relaxed); }

using namespace image_drawing;

namespace {

std::string photoName(const FSSpec& photo) { return photo.name.toUtf8(); }

// Clears the borrowed photo when a drawing ends, whichever way it ends.
class CurrentImageScope {
 public:
  explicit CurrentImageScope(Offscreen*& current) noexcept : current_(current) {}
  ~CurrentImageScope() { current_ = nullptr; }
  CurrentImageScope(const CurrentImageScope&) = delete;
  CurrentImageScope& operator=(const CurrentImageScope&) = delete;

 private:
  Offscreen*& current_;
};

std::int16_t boxScaleInPixels(std::int16_t boxScale, std::int16_t resolution) noexcept {
  const double pixels = std::trunc(resolution / 72.0 * boxScale);
  return static_cast<std::int16_t>(std::clamp(pixels, -32768.0, 32767.0));
}

}  // namespace

std::optional<FSSpec> TImageObject::resolvePhotoFile() const {
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  const std::optional<std::filesystem::path> folder =
      prefs ? FSFolderPath(prefs->imagesFolder.vRefNum, prefs->imagesFolder.dirID) : std::nullopt;
  if (!folder) {
    tellOperator("The images folder of the print-server preferences cannot be found; the photo \"" +
                 photoName(fPhotoFile) + "\" was not drawn.");
    return std::nullopt;
  }
  systemLogf("myPartialPath = %s", folder->c_str());
  // The name comes from the job file: it must name a file in the images folder and nothing else.
  const std::optional<std::filesystem::path> whole = pathInFolder(*folder, fPhotoFile.name);
  if (!whole || whole->lexically_normal().parent_path() != folder->lexically_normal()) {
    tellOperator("The photo name \"" + photoName(fPhotoFile) +
                 "\" in the job file is not a file name the images folder can hold; the photo was not drawn.");
    return std::nullopt;
  }
  systemLogf("myWholePath = %s", whole->c_str());
  FSSpec photo;
  photo.vRefNum = prefs->imagesFolder.vRefNum;
  photo.parID = prefs->imagesFolder.dirID;
  photo.name = fPhotoFile.name;
  return photo;
}

bool TImageObject::readPhoto(PhotoRead& read, Offscreen* page, std::int16_t resolution, JobViewAccess* view,
                             bool cropRoad, bool& result) {
  result = false;
  view->SetStatus(kReadingStatus);
  if (fResolvedPhoto.name.macRoman() == kNoFileName) {
    if (!cropRoad) systemLog("No valid file was found");
    result = true;
    return false;
  }
  const std::optional<Rect> objectRect = objectRectangle(resolution);
  if (!objectRect || rectEmpty(*objectRect)) {
    tellOperator("The frame of the photo \"" + photoName(fPhotoFile) +
                 "\" on the page is empty or out of range; the photo was not drawn.");
    return false;
  }
  read.objectRect = *objectRect;

  if (!cropRoad && view->HasSubJob() && !view->IsDrawingSubJob()) {
    if (view->GetSubJobOffscreen()) {
      result = drawSubJobPicture(page, read.objectRect, view);
      return false;
    }
    systemLog("The job's sub-job picture is missing; the photo is drawn in its place");
  }

  // A part read through the crop bounds is not the photo the cache's key names, so it is neither looked up nor
  // kept there.
  const bool readsPart = cropRoad && fUseCropBounds != 0;
  if (!readsPart) {
    read.image = GetCurrentImageGWorldPtr(fResolvedPhoto, fRotationAngle, fColorAdjust, fImageNumber);
  }
  if (!read.image) {
    if (!checkPhotoFile(fResolvedPhoto)) return false;
    view->AddFilesToDelete(fResolvedPhoto);
    view->Insert(fResolvedPhoto);

    OffscreenPtr image;
    bool partOutside = false;
    const std::int64_t refusalsBefore = jobMemoryRefusals();
    if (readsPart) {
      systemLogf("myBounds = %f, %f, %f, %f", static_cast<double>(fCropBounds[0]), static_cast<double>(fCropBounds[1]),
                 static_cast<double>(fCropBounds[2]), static_cast<double>(fCropBounds[3]));
    }
    if (readsPart && fCropBounds[3] != 0) {
      const auto edge = [](float value) {
        return static_cast<int>(std::clamp(std::trunc(value), -32768.0f, 32767.0f));
      };
      const Rect part = makeRect(edge(fCropBounds[1]), edge(fCropBounds[0]), edge(fCropBounds[1] + fCropBounds[3]),
                                 edge(fCropBounds[0] + fCropBounds[2]));
      image = getCroppedImage(fResolvedPhoto, part);
      partOutside = !image;
    } else {
      image = ReadFile2(fResolvedPhoto);
    }
    countDecode();
    if (!image) {
      if (!cropRoad) systemLog("An error occured reading image file");
      // A picture refused for its size was named with its size already.
      if (jobMemoryRefusals() != refusalsBefore) return false;
      tellOperator(partOutside ? "The crop of the photo \"" + photoName(fPhotoFile) +
                                     "\" lies outside the photo or the photo cannot be read; it was not drawn."
                               : "An error occured reading the photo \"" + photoName(fPhotoFile) +
                                     "\": it cannot be read as an image; it was not drawn.");
      return false;
    }
    // The crop road lets the windows catch up between its long steps.
    if (cropRoad) myPollEvent();
    image = turnPhoto(std::move(image), fRotationAngle);
    if (!image) return false;
    const myImageColorAdjustInfo& adjust = fColorAdjust;
    if (adjust.red != 0 || adjust.green != 0 || adjust.blue != 0 || adjust.dark != 0 || adjust.light != 0 ||
        adjust.gamma != 0) {
      view->SetStatus(kAdjustingStatus);
      if (cropRoad) myPollEvent();
      static_cast<void>(ApplyColorSettingsToOffscreen(image.get(), adjust, image.get()));
    }
    if (!cropRoad) copyJunkMaskToAlphaChannelOffscreen(image.get(), fResolvedPhoto, 2.0f);
    if (readsPart) {
      read.owned = std::move(image);
      read.image = read.owned.get();
    } else {
      read.image = image.release();
      SetCurrentImageGWorldPtr(read.image, fResolvedPhoto, fRotationAngle, fColorAdjust, fImageNumber);
    }
  }
  fCurrentImage = read.image;
  view->SetStatus(kDrawingStatus);
  if (!read.image) return false;
  read.imageBounds = read.image->portRect();
  return true;
}

bool TImageObject::Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) {
  if (!page || !view) return false;
  CurrentImageScope currentImage(fCurrentImage);
  fBoxScalePixels = boxScaleInPixels(fBoxScale, resolution);

  const std::optional<FSSpec> photo = resolvePhotoFile();
  if (!photo) return false;
  fResolvedPhoto = *photo;
  const std::int16_t printMode = view->GetPrintMode();
  const bool drawsSubJobPicture = view->HasSubJob() && !view->IsDrawingSubJob();
  if (!((printMode == 5 || printMode == 6) && drawsSubJobPicture))
    view->SetCurrentImageName(GetFullFileName(&fResolvedPhoto));
  if (printMode <= 2 || printMode == 4) return Draw4PrintingNew(page, resolution, view);

  PhotoRead read;
  bool result = false;
  if (!readPhoto(read, page, resolution, view, false, result)) return result;

  const Rect& objectRect = read.objectRect;
  Rect source = read.imageBounds;
  Rect destination;
  if (fFitMode == 1) {
    source = CropAndResize(read.imageBounds, objectRect, view->CropWhere());
    destination = objectRect;
  } else {
    destination = ResizeToFit(objectRect, read.imageBounds);
  }
  std::int16_t resizeMode = view->GetResizeMode();
  if (rectWidth(source) >= rectWidth(destination) && rectHeight(source) >= rectHeight(destination))
    resizeMode = view->GetReductionResizeMode();
  if (fInsetSteps != 0) {
    const Rect frame = destination;
    InsetRects(source, destination, read.imageBounds, frame, fInsetSteps, view->CropWhere());
  }
  if (fOffset.v != 0 || fOffset.h != 0) OffsetRects(source, destination, read.imageBounds, objectRect, fOffset);
  fLastSourceRect = source;
  fLastDestRect = destination;

  if (!fKeyed) {
    if (fAngledFlag == 0) {
      if (drawFittedPart(read.image, source, page, destination, objectRect, resizeMode) == DrawOutcome::failed)
        return false;
    } else {
      DrawImageWithAngle(read.image, page, source, destination);
    }
  } else if (fAngledFlag == 0) {
    if (!drawClippedToFrame(page, destination, objectRect, [&](Offscreen* target) {
          return drawKeyed(read.image, target, source, destination, 0, view, false);
        }))
      return false;
  } else if (!drawAngledKeyed(read.image, page, source, destination, view)) {
    return false;
  }
  drawGraphicAndBorder(page, objectRect, destination, resolution, view);
  return true;
}

bool TImageObject::drawSubJobPicture(Offscreen* page, const Rect& objectRect, JobViewAccess* view) {
  Offscreen* picture = view->GetSubJobOffscreen();
  OffscreenPtr turned;
  if (view->MatchRotationForPrint() != 0 && isLandscape(picture->portRect()) != isLandscape(objectRect)) {
    // The duplicate is released by the turn, or comes back unturned when the turn fails.
    if (Offscreen* duplicate = myDuplicateGWorld(picture)) {
      turned.reset(rotateGWorld90Degrees(view->RotationForPrint(), duplicate));
      picture = turned.get();
    }
  }
  const Rect bounds = picture->portRect();
  Rect source = bounds;
  Rect destination = objectRect;
  if (view->SubjobResizeMode() == 1)
    source = CropAndResize(bounds, objectRect, view->FinalCropWhere());
  else
    destination = ResizeToFit(objectRect, bounds);
  const std::int16_t resizeMode = view->GetResizeMode();
  static_cast<void>(drawClippedToFrame(page, destination, objectRect, [&](Offscreen* target) {
    switch (resizeMode) {
      case 1:
      case 4:
        return copyGWorldToGWorld(picture, target, &source, &destination);
      case 2:
      case 3:
        return betterResizeGworldToGworld(picture, source, target, destination, 2, true);
      default:
        return true;
    }
  }));
  return true;
}

void TImageObject::drawGraphicAndBorder(Offscreen* page, const Rect& objectRect, const Rect& destination,
                                        std::int16_t resolution, JobViewAccess* view) {
  if (!fGraphicCategory.empty() && !fGraphicName.empty()) {
    DrawGraphics(page, objectRect, view->MatchRotationForPrint(), view->RotationForPrint());
    DrawBorder(page, objectRect, resolution);
  } else {
    // Around the picture as it shows: a fit that overhangs its frame is drawn only inside the frame.
    const Rect shown =
        makeRect(std::max(destination.top, objectRect.top), std::max(destination.left, objectRect.left),
                 std::min(destination.bottom, objectRect.bottom), std::min(destination.right, objectRect.right));
    DrawBorder(page, rectEmpty(shown) ? destination : shown, resolution);
  }
}

void TImageObject::DrawGraphics(Offscreen* page, const Rect& objectRect, std::int16_t matchRotation,
                                std::int16_t rotation) {
  OffscreenPtr graphic =
      getGraphicOnOffscreen(CStr255_AC(fGraphicName.macRoman()), CStr255_AC(fGraphicCategory.macRoman()), false);
  if (!graphic) return;
  if (matchRotation != 0 && isLandscape(objectRect) != isLandscape(graphic->portRect()))
    graphic.reset(rotateGWorld90Degrees(rotation, graphic.release()));
  static_cast<void>(myCopyOverlayWithMask(1, graphic.get(), page, graphic->portRect(), objectRect));
}

void TImageObject::DrawBorder(Offscreen* page, const Rect& rect, std::int16_t resolution) const {
  if (fBorderFlag == 0 || !page) return;
  const int pen = static_cast<int>(std::trunc(fBorderWidth * (resolution / 72.0)));
  if (pen <= 0 || rectEmpty(rect)) return;
  const std::uint8_t red = static_cast<std::uint8_t>(fBorderColor.red.value() >> 8);
  const std::uint8_t green = static_cast<std::uint8_t>(fBorderColor.green.value() >> 8);
  const std::uint8_t blue = static_cast<std::uint8_t>(fBorderColor.blue.value() >> 8);
  const PixView view = page->view();
  // The pen runs inside the rectangle, as a framed rectangle's does; only the page's pixels are touched.
  const auto paint = [&](int top, int left, int bottom, int right) {
    const Rect& port = view.port();
    for (int y = std::max(top, static_cast<int>(port.top)); y < std::min(bottom, static_cast<int>(port.bottom)); ++y)
      for (int x = std::max(left, static_cast<int>(port.left)); x < std::min(right, static_cast<int>(port.right));
           ++x) {
        std::uint8_t* pixel = view.portPixel(x, y);
        pixel[kRedByte] = red;
        pixel[kGreenByte] = green;
        pixel[kBlueByte] = blue;
      }
  };
  const int top = rect.top, left = rect.left, bottom = rect.bottom, right = rect.right;
  if (2 * pen >= bottom - top || 2 * pen >= right - left) {
    paint(top, left, bottom, right);
    return;
  }
  paint(top, left, top + pen, right);
  paint(bottom - pen, left, bottom, right);
  paint(top + pen, left, bottom - pen, left + pen);
  paint(top + pen, right - pen, bottom - pen, right);
}

std::int16_t TImageObject::turnAngle() const noexcept {
  if (fAngleDirection == 1) return static_cast<std::int16_t>(360 - fAngle);
  if (fAngleDirection == 2) return fAngle;
  return 0;
}

}  // namespace vorl
