// What the image-file codecs hand back: a decoded picture in a new offscreen, with the facts about the file that
// the colour, rotation and resolution steps above need. And what they take: the file kinds they write and how.
//
// Pixels follow the offscreen's rules (imaging/offscreens/offscreen.h): bytes A, R, G, B, alpha 0 = drawn. A file without an
// alpha channel reads with alpha 0 everywhere; a file with ordinary alpha (255 = opaque) reads as 255 − a and is
// written back the same way, so a round trip keeps it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/offscreens/offscreen.h"
#include "platform/core/os_errors.h"

namespace vorl {

// Result codes of the codec layer beside the file-system ones (fnfErr, afpObjectTypeErr, ioErr, dskFulErr...).
// The bytes are not an image that can be read: an unknown kind, an empty, truncated or corrupt file. The value
// is the Mac's badFormat.
inline constexpr OSErr kImageDataErr = -206;
// The image claims more pixels than an offscreen may hold (a side past 32767, or past `kMaxDecodedPixels`), or
// its memory cannot be had. Refused before any pixel memory is taken.
inline constexpr OSErr kImageTooLargeErr = memFullErr;
// The file holds no embedded colour profile.
inline constexpr OSErr kNoEmbeddedProfileErr = resNotFound;

// 2^28 pixels: a 1 GiB offscreen, beyond a 40 x 60 inch poster at 300 dpi.
inline constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 28;

enum class SourceColourModel { rgb, grey, cmyk };

struct DecodedImage {
  // A new offscreen whose port is (0, 0, width, height). Grey is copied into red, green and blue; CMYK is turned
  // into RGB without a profile (R = (255 − C)(255 − K) / 255, and so on) as a stand-in until the colour step
  // converts `cmykSamples` properly.
  OffscreenPtr pixels;
  SourceColourModel model = SourceColourModel::rgb;
  // CMYK files only: width × height × 4 bytes C, M, Y, K, rows packed; 0 = no ink (Adobe's inverted JPEGs are
  // turned back).
  std::vector<std::uint8_t> cmykSamples;
  // The file had an alpha channel; its alpha then reads as 255 − a.
  bool hasAlpha = false;
  // Embedded ICC profile exactly as stored (not checked here); empty when none.
  std::vector<std::uint8_t> iccProfile;
  // The EXIF / TIFF orientation value as stored, also when outside 1..8; -1 when the file has none. The pixels
  // are never turned here.
  int exifOrientation = -1;
  // Dots per inch; 0 when the file gives none.
  double xResolution = 0;
  double yResolution = 0;
};

struct DecodeOptions {
  // A preview: half the width and half the height, odd sizes rounded down (never below 1). JPEG halves in its
  // DCT, camera raw files through LibRaw's half-size mode, everything else by averaging 2 x 2 pixels.
  bool halfSize = false;
  // Images with more pixels than this are refused before their memory is taken.
  std::uint64_t maxPixels = kMaxDecodedPixels;
};

enum class ImageFileType { tiffLzw, jpeg, png, targa, photoshop };

struct EncodeOptions {
  int dpi = 72;                                   // written as the file's resolution, both axes; 0 or less writes 72
  int quality = 75;                               // JPEG only, 0..100 (clamped)
  std::span<const std::uint8_t> iccProfile = {};  // embedded when not empty (not in Targa, which has no place for it)
};

}  // namespace vorl
