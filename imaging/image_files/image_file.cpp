#include "imaging/image_files/image_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/color/color_adjustment_manager.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "imaging/codecs/own_image_writers.h"
#include "imaging/color/working_space.h"
#include "platform/core/os_errors.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

OffscreenPtr newImage(int width, int height) {
  const Rect bounds = makeRect(0, 0, height, width);
  return OffscreenPtr{myNewGWorld(&bounds)};
}

// Errors that mean the file itself could not be had, as against a file that would not decode.
bool fileUnreachable(OSErr error) noexcept {
  return error == fnfErr || error == dirNFErr || error == afpAccessDenied || error == afpObjectTypeErr ||
         error == ioErr;
}

// Packed C, M, Y, K samples of a width x height picture halved as createMyScaledImage halves its pixels.
std::vector<std::uint8_t> halvedCMYKSamples(const std::vector<std::uint8_t>& cmyk, int width, int height) {
  const int halfWidth = width / 2, halfHeight = height / 2;
  std::vector<std::uint8_t> half(std::size_t(halfWidth) * std::size_t(halfHeight) * 4);
  const std::size_t stride = std::size_t(width) * 4;
  for (int y = 0; y < halfHeight; ++y)
    for (int i = 0; i < halfWidth * 4; ++i) {
      const std::size_t at = std::size_t(2 * y) * stride + std::size_t(i / 4) * 8 + std::size_t(i % 4);
      half[std::size_t(y) * std::size_t(halfWidth) * 4 + std::size_t(i)] =
          static_cast<std::uint8_t>((cmyk[at] + cmyk[at + 4] + cmyk[at + stride] + cmyk[at + stride + 4] + 2) / 4);
    }
  return half;
}

}  // namespace

namespace {

// The path of the referenced file; none (logged as the reading's first two steps failing) when it has none.
std::optional<std::filesystem::path> pathOf(const FSRef* file) {
  std::filesystem::path path;
  if (file != nullptr && FSRefMakePath(*file, path) == noErr) return path;
  systemLog("CImageFile(FSRef *fileFSRef) CFURLCreateFromFSRef returned NIL???");
  systemLog("CImageFile(FSRef *fileFSRef) CGImageSourceCreateWithURL returned NIL???");
  return std::nullopt;
}

}  // namespace

CImageFile::CImageFile(const FSRef* file) {
  if (const auto path = pathOf(file)) read(*path, false);
}

CImageFile::CImageFile(const FSRef* file, std::int16_t, std::int16_t) {
  if (const auto path = pathOf(file)) read(*path, true);
}

CImageFile::CImageFile(const std::filesystem::path& file, bool preview) { read(file, preview); }

void CImageFile::read(const std::filesystem::path& file, bool preview) {
  DecodedImage decoded;
  const OSErr error = decodeImageFile(file, decoded);
  if (error != noErr || decoded.pixels == nullptr) {
    systemLog(fileUnreachable(error) ? "CImageFile(FSRef *fileFSRef) CGImageSourceCreateWithURL returned NIL???"
                                     : "CImageFile(FSRef *fileFSRef) CGImageSourceCreateImageAtIndex returned NIL???");
    return;
  }
  const int width = decoded.pixels->width(), height = decoded.pixels->height();
  if (preview) {
    // Halved before the colours are looked at, as previews always were.
    decoded.pixels = createMyScaledImage(decoded.pixels.get());
    if (decoded.pixels == nullptr) {
      systemLog("CImageFile(FSRef *fileFSRef) CGImageSourceCreateImageAtIndex returned NIL???");
      return;
    }
    // The CMYK samples are halved alike, so a CMYK preview is converted through its profile as the full image is.
    if (!decoded.cmykSamples.empty()) decoded.cmykSamples = halvedCMYKSamples(decoded.cmykSamples, width, height);
  }
  bringPhotoIntoWorkingSpace(decoded, file);
  hasProperties_ = true;
  storedOrientation_ = decoded.exifOrientation;
  hasAlpha_ = decoded.hasAlpha;
  image_ = std::move(decoded.pixels);
  rect_ = CGRect{0, 0, static_cast<double>(image_->width()), static_cast<double>(image_->height())};
}

OffscreenPtr CImageFile::GetCurrentCGImage() { return std::move(image_); }

OffscreenPtr CImageFile::GetCurrentCGImageWithColorCorrection(const ColorAdjustValues& values) {
  if (image_ == nullptr || values.isNeutral()) return std::move(image_);
  OffscreenPtr corrected = ColorAdjustmentManager().applyColorCorrection2(*image_, values);
  image_.reset();
  return corrected;
}

int CImageFile::GetOrientation() const noexcept {
  if (!hasProperties_ || storedOrientation_ <= 0) return -1;
  return storedOrientation_ <= 8 ? storedOrientation_ : 1;
}

CGRect CImageFile::GetImageRect() const noexcept { return rect_; }

OffscreenPtr createNewRotatedImageRef(const Offscreen* image, int orientation) {
  if (image == nullptr) return nullptr;
  const int width = image->width();
  const int height = image->height();
  const bool quarter = orientation >= 5 && orientation <= 8;
  OffscreenPtr turned = quarter ? newImage(height, width) : newImage(width, height);
  if (turned == nullptr) return nullptr;
  const PixView from = image->view();
  const PixView to = turned->view();
  if (quarter) {
    // 6 turns clockwise and 8 counter-clockwise; 5 and 7 are those turns mirrored.
    rotateQuarterPixels(from, to, orientation == 8 || orientation == 7);
    if (orientation == 5 || orientation == 7) mirrorRows(to);
    return turned;
  }
  for (int y = 0; y < height; ++y) std::memcpy(to.row(y), from.row(y), static_cast<std::size_t>(width) * 4);
  switch (orientation) {
    case 2:
      mirrorRows(to);
      break;
    case 3:
      rotateHalfPixels(to);
      break;
    case 4:
      rotateHalfPixels(to);
      mirrorRows(to);
      break;
    default:
      break;
  }
  return turned;
}

OffscreenPtr createMyScaledImage(const Offscreen* image) {
  if (image == nullptr) return nullptr;
  const int width = image->width() / 2;
  const int height = image->height() / 2;
  if (width <= 0 || height <= 0) return nullptr;
  OffscreenPtr half = newImage(width, height);
  if (half == nullptr) {
    systemLog("Memory not allocated!");
    return nullptr;
  }
  const PixView from = image->view();
  const PixView to = half->view();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* upper = from.row(2 * y);
    const std::uint8_t* lower = from.row(2 * y + 1);
    std::uint8_t* out = to.row(y);
    for (int x = 0; x < 4 * width; ++x) {
      const int i = (x / 4) * 8 + x % 4;
      out[x] = static_cast<std::uint8_t>((upper[i] + upper[i + 4] + lower[i] + lower[i + 4] + 2) / 4);
    }
  }
  return half;
}

OffscreenPtr getCroppedImage(const FSSpec& file, const Rect& part) {
  FSRef ref;
  if (FSpMakeFSRef(file, ref) != noErr) return nullptr;
  CImageFile imageFile(&ref);
  systemLog("Obtained image ref");
  OffscreenPtr image = imageFile.GetCurrentCGImage();
  if (image == nullptr) return nullptr;
  // Only what lies on the image is cut out.
  const Rect cut = makeRect(std::max<int>(part.top, 0), std::max<int>(part.left, 0),
                            std::min<int>(part.bottom, image->height()), std::min<int>(part.right, image->width()));
  if (rectEmpty(cut)) {
    systemLog("getCroppedImage: the rectangle lies outside the image");
    return nullptr;
  }
  OffscreenPtr cropped = newImage(rectWidth(cut), rectHeight(cut));
  if (cropped == nullptr) return nullptr;
  const PixView from = image->view();
  for (int y = 0; y < rectHeight(cut); ++y)
    std::memcpy(cropped->view().row(y), from.localPixel(cut.left, cut.top + y),
                static_cast<std::size_t>(rectWidth(cut)) * 4);
  systemLog("created cropped image ref");
  OffscreenPtr result = newImage(rectWidth(cut), rectHeight(cut));
  if (result == nullptr) return nullptr;
  systemLog("created GWorld");
  DrawCGImageToGWorld(std::move(cropped), result.get(),
                      CGRect{0, 0, static_cast<double>(rectWidth(cut)), static_cast<double>(rectHeight(cut))});
  return result;
}

bool saveCGImageRefToPath(const Offscreen* image, const std::filesystem::path& path, std::int16_t saveType,
                          float quality, std::int16_t resolution) {
  if (image == nullptr) return false;
  if (saveType == 4) return SaveAsPICTFile(path, const_cast<Offscreen*>(image), 72);
  EncodeOptions options;
  options.dpi = resolution;
  ImageFileType type = ImageFileType::jpeg;
  if (saveType == 9) {
    type = ImageFileType::png;
  } else if (saveType == 2) {
    type = ImageFileType::tiffLzw;
  } else {
    // The quality arrives as 0..100; anything outside is held to it.
    options.quality = std::isfinite(quality) ? static_cast<int>(std::clamp(quality, 0.0f, 100.0f)) : 75;
  }
  return encodeImageFile(*image, path, type, options) == noErr;
}

}  // namespace vorl
