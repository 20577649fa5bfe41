// Junk and exclusion masks from an image's sidecar.
#include "imaging/filters/junk_masks.h"

#include <string>
#include <vector>

#include "foundation/services/memory.h"
#include "imaging/filters/alpha_masks.h"
#include "imaging/image_files/image_settings_resources.h"
#include "imaging/filters/mask_shapes.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/pixel_locks.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kWhite = 255;
constexpr std::uint8_t kBlack = 0;
constexpr char kFreeFormKind[] = "freeForm";
constexpr char kRectangleKind[] = "rectangle";

// The sidecar of the image, or nullopt when it cannot be read (logged) or the image is missing.
std::optional<AppleDouble> readSidecar(const fs::path& image, const char* caller, OSErr* failure = nullptr) {
  AppleDouble sidecar;
  const OSErr error = readImageResources(image, sidecar);
  if (failure) *failure = error;
  if (error != noErr) {
    systemLogf("%s: the resources of \"%s\" cannot be read, error = %d", caller, image.c_str(), error);
    return std::nullopt;
  }
  return sidecar;
}

bool hasMask(const fs::path& image, std::int16_t id, const char* caller, OSErr* failure) {
  auto sidecar = readSidecar(image, caller, failure);
  return sidecar && sidecar->find(kPrefResourceType, id) != nullptr;
}

// The shapes of mask resource `id`; nullopt when there are none to draw.
std::optional<ArchivedValue::Array> readMaskShapes(const fs::path& image, std::int16_t id, const char* caller) {
  auto sidecar = readSidecar(image, caller);
  if (!sidecar) return std::nullopt;
  const Resource* resource = sidecar->find(kPrefResourceType, id);
  if (!resource) return std::nullopt;
  std::vector<std::uint8_t> bytes(resource->data.size(), 0);
  if (ReadStruct2(*sidecar, bytes.data(), static_cast<std::int64_t>(bytes.size()), kPrefResourceType, id) != 0) {
    systemLogf("%s: mask resource %d of \"%s\" is empty", caller, id, image.c_str());
    return std::nullopt;
  }
  return decodeMaskShapes(bytes);
}

bool pathOf(const FSSpec& spec, fs::path& path, const char* caller) {
  if (const OSErr error = FSpMakePath(spec, path); error != noErr) {
    systemLogf("%s: the file specification names no usable file, error = %d", caller, error);
    return false;
  }
  return true;
}

const std::string* textAt(const ArchivedValue::Array& shape, std::size_t index) {
  return index < shape.size() ? shape[index].asString() : nullptr;
}

// Element 1 as the log shows it.
const char* dataText(const ArchivedValue::Array& shape) {
  const std::string* text = textAt(shape, 1);
  return text ? text->c_str() : "(none)";
}

// A rectangle or an oval, filled with the grey.
bool drawShape(Offscreen* offscreen, const ArchivedValue::Array& shape, float scale, std::uint8_t grey,
               const char* caller) {
  if (offscreen == nullptr) return false;
  const std::string* kind = textAt(shape, 0);
  const std::string* bounds = textAt(shape, 1);
  const auto rect = bounds ? parseRectString(*bounds) : std::nullopt;
  const auto scaled = rect ? scaledShapeBounds(*rect, scale) : std::nullopt;
  if (!kind || !scaled) {
    systemLogf("%s: a shape without a kind or readable bounds is skipped", caller);
    return false;
  }
  PixelLock lock(offscreen);
  if (*kind == kRectangleKind)
    fillRectWithGrey(offscreen->view(), *scaled, grey);
  else
    fillOvalWithGrey(offscreen->view(), *scaled, grey);
  return true;
}

// A closed polygon through the origins of elements 1 onward, filled with the grey.
bool drawPath(Offscreen* offscreen, const ArchivedValue::Array& shape, float scale, std::uint8_t grey,
              const char* caller) {
  if (offscreen == nullptr) return false;
  std::vector<ShapePoint> points;
  for (std::size_t i = 1; i < shape.size(); ++i) {
    const std::string* text = shape[i].asString();
    const auto rect = text ? parseRectString(*text) : std::nullopt;
    if (!rect) {
      systemLogf("%s: a polygon with an unreadable point %zu is skipped", caller, i);
      return false;
    }
    points.push_back({rect->x, rect->y});
  }
  if (points.empty()) {
    systemLogf("%s: a polygon without points is skipped", caller);
    return false;
  }
  PixelLock lock(offscreen);
  fillPolygonWithGrey(offscreen->view(), points, scale, grey);
  return true;
}

bool isFreeForm(const ArchivedValue::Array& shape) {
  const std::string* kind = textAt(shape, 0);
  return kind && *kind == kFreeFormKind;
}

// The mask of white junk shapes on black; null when there are no shapes or the offscreen cannot be made.
OffscreenPtr makeJunkMask(Offscreen* target, const fs::path& image, float scale, const char* caller) {
  if (target == nullptr) return nullptr;
  const auto shapes = readMaskShapes(image, kJunkMaskResourceID, caller);
  if (!shapes) return nullptr;
  const Rect bounds = target->portRect();
  OffscreenPtr mask{myNewGWorld(&bounds)};
  if (!mask) return nullptr;
  static_cast<void>(protectTheGworld(mask.get()));  // always true for a live offscreen
  fillRectWithGrey(mask->view(), bounds, kBlack);
  for (const ArchivedValue& element : *shapes) {
    const ArchivedValue::Array* shape = element.asArray();
    if (!shape) continue;
    if (isFreeForm(*shape))
      drawArrayAsPathToOffscreen(mask.get(), *shape, scale);
    else
      drawArrayAsShapeToOffscreen(mask.get(), *shape, scale);
  }
  return mask;
}

}  // namespace

std::optional<ArchivedValue::Array> decodeMaskShapes(std::span<const std::uint8_t> bytes) {
  auto root = decodeKeyedArchive(bytes);
  if (!root || !root->asArray()) {
    systemLog("decodeMaskShapes: the mask resource holds no keyed archive of an array");
    return std::nullopt;
  }
  return std::move(*root->asArray());
}

bool hasExternalMask(const fs::path& image) {
  OSErr failure = noErr;
  const bool found = hasMask(image, kJunkMaskResourceID, "hasExternalMask", &failure);
  // A file without a sidecar or without the resource is the usual case, not an error to show.
  if (failure != noErr && failure != fnfErr) static_cast<void>(myCheckResError(failure));
  return found;
}

bool hasExternalMask(const FSSpec& image) {
  fs::path path;
  return pathOf(image, path, "hasExternalMask") && hasExternalMask(path);
}

bool hasExclusionMask(const fs::path& image) {
  return hasMask(image, kExclusionMaskResourceID, "hasExclusionMask", nullptr);
}

bool hasExclusionMask(const FSSpec& image) {
  fs::path path;
  return pathOf(image, path, "hasExclusionMask") && hasExclusionMask(path);
}

bool copyJunkMaskToAlphaChannelOffscreen(Offscreen* target, const fs::path& image, float scale) {
  OffscreenPtr mask = makeJunkMask(target, image, scale, "copyJunkMaskToAlphaChannelOffscreen");
  if (!mask) return false;
  static_cast<void>(myClearOffscreen(target));  // cannot fail for a live offscreen
  static_cast<void>(protectTheGworld(target));
  return myCopyMaskGworldToAlphaChannel(target, mask.get());
}

bool copyJunkMaskToAlphaChannelOffscreen(Offscreen* target, const FSSpec& image, float scale) {
  fs::path path;
  return pathOf(image, path, "copyJunkMaskToAlphaChannelOffscreen") &&
         copyJunkMaskToAlphaChannelOffscreen(target, path, scale);
}

Offscreen* getNewJunkMaskOffscreen(Offscreen* target, const fs::path& image, float scale) {
  return makeJunkMask(target, image, scale, "getNewJunkMaskOffscreen").release();
}

Offscreen* getNewJunkMaskOffscreen(Offscreen* target, const FSSpec& image, float scale) {
  fs::path path;
  if (!pathOf(image, path, "getNewJunkMaskOffscreen")) return nullptr;
  return getNewJunkMaskOffscreen(target, path, scale);
}

bool copyExclusionMaskToOffscreen(Offscreen* target, const fs::path& image, float scale) {
  if (target == nullptr) return false;
  const auto shapes = readMaskShapes(image, kExclusionMaskResourceID, "copyExclusionMaskToOffscreen");
  if (!shapes) return false;
  static_cast<void>(protectTheGworld(target));
  {
    PixelLock lock(target);
    fillRectWithGrey(target->view(), target->portRect(), kWhite);
  }
  for (const ArchivedValue& element : *shapes) {
    const ArchivedValue::Array* shape = element.asArray();
    if (!shape) continue;
    if (isFreeForm(*shape))
      drawArrayAsPathToOffscreenForExclusionMask(target, *shape, scale);
    else
      drawArrayAsShapeToOffscreenForExclusionMask(target, *shape, scale);
  }
  return true;
}

bool copyExclusionMaskToOffscreen(Offscreen* target, const FSSpec& image, float scale) {
  fs::path path;
  return pathOf(image, path, "copyExclusionMaskToOffscreen") && copyExclusionMaskToOffscreen(target, path, scale);
}

bool drawArrayAsShapeToOffscreen(Offscreen* offscreen, const ArchivedValue::Array& shape, float scale) {
  systemLogf("drawArrayAsShapeToOffscreen = data:\n[%s]", dataText(shape));
  return drawShape(offscreen, shape, scale, kWhite, "drawArrayAsShapeToOffscreen");
}

bool drawArrayAsPathToOffscreen(Offscreen* offscreen, const ArchivedValue::Array& shape, float scale) {
  systemLogf("drawArrayAsPathToOffscreen - data:\n[%s]", dataText(shape));
  return drawPath(offscreen, shape, scale, kWhite, "drawArrayAsPathToOffscreen");
}

bool drawArrayAsShapeToOffscreenForExclusionMask(Offscreen* offscreen, const ArchivedValue::Array& shape, float scale) {
  systemLogf("drawArrayAsShapeToOffscreenForExclusionMask - data:\n[%s]", dataText(shape));
  return drawShape(offscreen, shape, scale, kBlack, "drawArrayAsShapeToOffscreenForExclusionMask");
}

bool drawArrayAsPathToOffscreenForExclusionMask(Offscreen* offscreen, const ArchivedValue::Array& shape, float scale) {
  systemLogf("drawArrayAsPathToOffscreenForExclusionMask - data:\n[%s]", dataText(shape));
  return drawPath(offscreen, shape, scale, kBlack, "drawArrayAsPathToOffscreenForExclusionMask");
}

}  // namespace vorl
