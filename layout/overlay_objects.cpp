#include "layout/overlay_objects.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>

#include "foundation/services/event_pump.h"
#include "foundation/services/messages.h"
#include "imaging/filters/alpha_masks.h"
#include "imaging/scaling/cg_drawing.h"
#include "imaging/image_files/image_file.h"
#include "imaging/image_files/image_import_export.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/placement.h"
#include "imaging/scaling/resize.h"
#include "layout/graphics_files.h"
#include "layout/job_file_names.h"
#include "layout/text_drawing.h"
#include "platform/files/file_specs.h"

namespace vorl {

namespace {

constexpr std::string_view kOverlayStatus = "Drawing Overlay";
constexpr std::string_view kGroupPhotoStatus = "Loading Group Photo File";
constexpr std::string_view kGraphicsStatus = "Loading Graphics";
constexpr std::string_view kTransparentOverlayStatus = "Reading Overlay From File…";

// A name from the job file as the operator can read it: control characters (a NUL among them) shown as "?".
std::string printable(std::string_view macRoman) {
  std::string text = PascalString<255>(macRoman).toUtf8();
  std::replace_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
  return text;
}

void tellOperator(const std::string& text) { DisplayNormalMessage(text.c_str()); }

// Whether the graphic may be looked for. An empty name or category names no file, like a missing one, and is
// passed over silently; a name that cannot be a single name on disk ("..", a leading ".", NUL) would lead out of
// the graphics folder, so the graphic is refused and the operator told.
bool mayLookFor(const FSSpec& file, const Str31& category, std::string_view what) {
  if (file.name.empty() || category.empty()) return false;
  if (diskNameFromJobFile(file.name) && diskNameFromJobFile(category)) return true;
  tellOperator("The " + std::string(what) + " \"" + printable(file.name.macRoman()) + "\" in the category \"" +
               printable(category.macRoman()) + "\" is not a name the graphics folder can hold; it was not drawn.");
  return false;
}

void tellUnreadable(const FSSpec& file, const Str31& category, std::string_view what) {
  tellOperator("The " + std::string(what) + " \"" + printable(file.name.macRoman()) + "\" in the category \"" +
               printable(category.macRoman()) + "\" of the graphics folder could not be read; it was not drawn.");
}

void tellUnplaceable(const FSSpec& file, std::string_view what) {
  tellOperator("The frame of the " + std::string(what) + " \"" + printable(file.name.macRoman()) +
               "\" lies outside the page's range; it was not drawn.");
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

TOverlayObject::TOverlayObject(const TOverlayObject& other)
    : TLayoutObject(other), fSettings(other.fSettings), fOverlayValue(other.fOverlayValue), fSkipFlag(other.fSkipFlag) {}

void TOverlayObject::IOverlayObject(const CLongRect_AC& bounds, OSType type) noexcept {
  ILayoutObject(bounds, type);
  fOverlayValue = 1;
}

bool TOverlayObject::Draw4Printing(Offscreen* /*page*/, std::int16_t /*resolution*/, JobViewAccess* view) {
  if (view != nullptr) view->SetStatus(kOverlayStatus);
  return true;
}

std::unique_ptr<TLayoutObject> TOverlayObject::Clone() const { return std::make_unique<TOverlayObject>(*this); }

FSSpec unsetOverlayFile() noexcept {
  FSSpec spec;
  spec.vRefNum = -999;
  spec.parID = -999;
  return spec;
}

std::unique_ptr<TGroupPhotoObject> TGroupPhotoObject::New(const CGroupPhotoDesc& desc) {
  auto object = std::make_unique<TGroupPhotoObject>();
  object->IGroupPhotoObject(boundsOf(desc.layout));
  object->Set(desc);
  return object;
}

void TGroupPhotoObject::IGroupPhotoObject(const CLongRect_AC& bounds) noexcept {
  IOverlayObject(bounds, kGroupPhotoObjectType);
  fPhotoFile = unsetOverlayFile();
  fCategory.clear();
}

void TGroupPhotoObject::Set(const CGroupPhotoDesc& desc) {
  SetPlacement(desc.layout);
  fPhotoFile = desc.photo;
  fCategory = desc.category;
}

Offscreen* TGroupPhotoObject::GetFullSizeOverlayOffscreen() {
  if (!mayLookFor(fPhotoFile, fCategory, "group photo")) return nullptr;
  if (!IsExistingGroupPhotoFile(fPhotoFile, fCategory)) return nullptr;
  if (!fOverlayOffscreen) {
    fOverlayOffscreen = getGWorldFromFileSpec(fPhotoFile);
    if (!fOverlayOffscreen) tellUnreadable(fPhotoFile, fCategory, "group photo");
  }
  return fOverlayOffscreen.get();
}

bool TGroupPhotoObject::Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) {
  const std::optional<Rect> frame = objectRectangle(resolution);
  if (!frame) {
    tellUnplaceable(fPhotoFile, "group photo");
    return true;
  }
  view->SetStatus(kGroupPhotoStatus);
  fOverlayOffscreen.reset();
  Offscreen* photo = GetFullSizeOverlayOffscreen();
  myPollEvent();
  if (photo != nullptr) {
    const Rect source = photo->portRect();
    // Fitted to the frame with its proportions, centred, enlarged when smaller.
    Rect destination = CalculateMaximumRect(*frame, source, true);
    destination = makeRect(destination.top + frame->top, destination.left + frame->left,
                           destination.bottom + frame->top, destination.right + frame->left);
    const bool reduces = source.right - source.left >= destination.right - destination.left &&
                         source.bottom - source.top >= destination.bottom - destination.top;
    // The fit may overhang the frame by a row or column; the frame is where the group photo belongs.
    static_cast<void>(drawClippedToFrame(page, destination, *frame, [&](Offscreen* target) {
      if (reduces) return myCopyBits(photo, target, &source, &destination, srcCopy, nullptr);
      return betterResizeGworldToGworld(photo, source, target, destination, view->GetScaleType(), false);
    }));
  }
  fOverlayOffscreen.reset();
  return true;
}

std::unique_ptr<TLayoutObject> TGroupPhotoObject::Clone() const { return std::make_unique<TGroupPhotoObject>(*this); }

std::int16_t overlayModeOf(const COverlayDesc& desc) noexcept {
  if (desc.overlayMode != 0) return desc.overlayMode;
  if (desc.flagB != 0) return 3;
  if (desc.flagA != 0) return 2;
  return 1;
}

void OverlayFileFields::SetOverlayFields(const COverlayDesc& desc) {
  fGraphicFile = desc.graphic;
  fCategory = desc.category;
  fFlagA = desc.flagA != 0;
  fFlagB = desc.flagB != 0;
  fOverlayMode = overlayModeOf(desc);
}

std::unique_ptr<TFileOverlayObject> TFileOverlayObject::New(const COverlayDesc& desc) {
  auto object = std::make_unique<TFileOverlayObject>();
  object->IFileOverlayObject(boundsOf(desc.layout));
  object->Set(desc);
  return object;
}

void TFileOverlayObject::Set(const COverlayDesc& desc) {
  SetPlacement(desc.layout);
  SetOverlayFields(desc);
  fSkipFlag = desc.skipFlag;
}

Offscreen* TFileOverlayObject::GetFullSizeOverlayOffscreen() {
  if (!mayLookFor(fGraphicFile, fCategory, "overlay")) return nullptr;
  if (!IsExistingOverlayFile(fGraphicFile, fCategory, false)) return nullptr;
  if (!fOverlayOffscreen) {
    fOverlayOffscreen = getFileOverlayGWorldFromFileSpec(fGraphicFile);
    if (!fOverlayOffscreen) tellUnreadable(fGraphicFile, fCategory, "overlay");
  }
  return fOverlayOffscreen.get();
}

bool TFileOverlayObject::Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) {
  const std::optional<Rect> frame = objectRectangle(resolution);
  if (skipsOnPrinter(fSkipFlag, view->GetPrinterType())) return true;
  if (!frame) {
    tellUnplaceable(fGraphicFile, "overlay");
    return true;
  }
  view->SetStatus(kGraphicsStatus);
  fOverlayOffscreen.reset();
  Offscreen* overlay = GetFullSizeOverlayOffscreen();
  myPollEvent();
  bool result = true;
  // Stretched to the frame; the mask made from the graphic's alpha lets the page show where it is transparent.
  if (overlay != nullptr) result = myCopyOverlayWithMask(1, overlay, page, overlay->portRect(), *frame);
  fOverlayOffscreen.reset();
  return result;
}

std::unique_ptr<TLayoutObject> TFileOverlayObject::Clone() const { return std::make_unique<TFileOverlayObject>(*this); }

std::unique_ptr<TTransparentOverlayObject> TTransparentOverlayObject::New(const COverlayDesc& desc) {
  auto object = std::make_unique<TTransparentOverlayObject>();
  object->ITransparentOverlayObject(boundsOf(desc.layout));
  object->Set(desc);
  return object;
}

void TTransparentOverlayObject::Set(const COverlayDesc& desc) {
  SetPlacement(desc.layout);
  SetOverlayFields(desc);
  fSkipFlag = desc.skipFlag;
}

const Offscreen* TTransparentOverlayObject::GetCGimageRef() {
  if (fImage) return fImage.get();
  if (!mayLookFor(fGraphicFile, fCategory, "transparent overlay")) return nullptr;
  if (!IsExistingOverlayFile(fGraphicFile, fCategory, false)) return nullptr;
  std::filesystem::path path;
  if (FSpMakePath(fGraphicFile, path) != noErr) return nullptr;
  // Read at full size: the overlay is printed, not previewed.
  CImageFile file(path);
  fImage = file.GetCurrentCGImage();
  if (!fImage) tellUnreadable(fGraphicFile, fCategory, "transparent overlay");
  return fImage.get();
}

bool TTransparentOverlayObject::Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) {
  const std::optional<Rect> frame = objectRectangle(resolution);
  if (skipsOnPrinter(fSkipFlag, view->GetPrinterType())) return true;
  if (!frame) {
    tellUnplaceable(fGraphicFile, "transparent overlay");
    return true;
  }
  view->SetStatus(kTransparentOverlayStatus);
  // The category folder names the same folder whatever the letter case, so the test ignores it too.
  if (sameIgnoringCase(fCategory.macRoman(), kCutOutFilesCategory)) return true;
  const Offscreen* image = GetCGimageRef();
  if (image == nullptr || page == nullptr) return true;
  // The target counts from the bottom of the port, as the image drawing expects.
  const Rect port = page->portRect();
  const int height = frame->bottom - frame->top;
  const CGRect target{static_cast<double>(frame->left - port.left),
                      static_cast<double>(page->height() - (frame->top - port.top + height)),
                      static_cast<double>(frame->right - frame->left), static_cast<double>(height)};
  // The drawing consumes its image; the object keeps its own for later pages.
  OffscreenPtr copy{myDuplicateGWorld(const_cast<Offscreen*>(image))};
  if (!copy) {
    tellOperator("There is not enough memory to draw the transparent overlay \"" +
                 printable(fGraphicFile.name.macRoman()) + "\"; it was not drawn.");
    return true;
  }
  DrawOverlayImageToGWorld(std::move(copy), page, target);
  return true;
}

std::unique_ptr<TLayoutObject> TTransparentOverlayObject::Clone() const {
  return std::make_unique<TTransparentOverlayObject>(*this);
}

}  // namespace vorl
