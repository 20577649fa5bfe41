// imaging/image_files/: the roads from an image file to an offscreen a page can use: the decoded image file (this
// unit), the page photographs' file source, the general import and export, the one-entry cache of the last decoded
// photo, the settings resources studio programs keep inside image files, and the two values of the job in hand that
// decide how photos are read.
//
// One decoded image file, the road from the file to an offscreen that the page photographs take: decode, bring
// the colours into the working space, correct them with the photo's own adjustment values, turn by the EXIF
// orientation, halve for previews, crop, and write back out.
//
// An "image" here is an offscreen that holds the decoded picture at its own size (port at the origin). Images
// decoded from files keep our alpha convention: 0 where the file is opaque or has no alpha, 255 − the file's
// alpha otherwise. Functions that take an `OffscreenPtr` consume the image; the others leave it to the caller.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "imaging/scaling/cg_drawing.h"
#include "imaging/color/color_adjust_values.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/files/file_specs.h"

namespace vorl {

class CImageFile {
 public:
  // The full image of the file. A file that cannot be read leaves the object without an image (logged).
  explicit CImageFile(const FSRef* file);
  // A preview: the image halved in both directions (odd sizes round down). The two numbers are not used.
  CImageFile(const FSRef* file, std::int16_t, std::int16_t);
  // The same by path, for callers that hold one.
  explicit CImageFile(const std::filesystem::path& file, bool preview = false);

  CImageFile(const CImageFile&) = delete;
  CImageFile& operator=(const CImageFile&) = delete;

  // Hands the image over to the caller; null when there is none (or it was already taken).
  [[nodiscard]] OffscreenPtr GetCurrentCGImage();
  // The same, corrected with `values` unless they are all neutral.
  [[nodiscard]] OffscreenPtr GetCurrentCGImageWithColorCorrection(const ColorAdjustValues& values);
  // The EXIF orientation: 1..8; 1 for another stored value; -1 when the file has none or stores 0.
  [[nodiscard]] int GetOrientation() const noexcept;
  // (0, 0, width, height) of the image; empty when there is none.
  [[nodiscard]] CGRect GetImageRect() const noexcept;
  // Whether the file had an alpha channel; without one every pixel reads as drawn (alpha 0).
  [[nodiscard]] bool HasAlpha() const noexcept { return hasAlpha_; }

 private:
  void read(const std::filesystem::path& file, bool preview);

  OffscreenPtr image_;
  bool hasProperties_ = false;
  int storedOrientation_ = -1;
  bool hasAlpha_ = false;
  CGRect rect_;
};

// A new image turned and mirrored as EXIF `orientation` asks (1..8; others give a copy); null when memory fails.
[[nodiscard]] OffscreenPtr createNewRotatedImageRef(const Offscreen* image, int orientation);
// A new image of half the width and height (rounded down), each pixel the mean of its 2 x 2 block; null for an
// image smaller than 2 x 2 or when memory fails.
[[nodiscard]] OffscreenPtr createMyScaledImage(const Offscreen* image);
// That part of the file's image in a new offscreen at the origin; the part is first cut to the image. Null when
// the file has no image or nothing of the rectangle lies on it.
[[nodiscard]] OffscreenPtr getCroppedImage(const FSSpec& file, const Rect& part);
// Writes the image in the format of `saveType` (2 LZW TIFF, 4 PICT, 9 PNG, anything else JPEG at `quality`);
// the resolution goes into the file except for PICT. True when the file was written.
[[nodiscard]] bool saveCGImageRefToPath(const Offscreen* image, const std::filesystem::path& path,
                                        std::int16_t saveType, float quality, std::int16_t resolution);

}  // namespace vorl
