// imaging/codecs/: image files in and out, one unit per format library: JPEG (libjpeg-turbo), TIFF (libtiff), PNG
// (libpng), camera raw (LibRaw), Photoshop (our own reader), BMP, GIF and PICT through GraphicsMagick, our own TIFF
// and plane writers, PICT pictures, and the EXIF block through Exiv2. This unit is the one entry: it recognises a
// file by its bytes and hands it to its codec.
//
// Image files in and out: the one entry of the codec layer. A file is recognised by its first bytes, never by its
// name, and read whole into memory through the safe reader (no pipes, no devices, no folders) before decoding;
// reading never changes the file. Every written file goes to a temporary name in the destination's folder and
// takes its name only when complete.
//
// Failures answer a result code and leave a log line naming the file and the reason:
//   fnfErr             the file does not exist
//   afpObjectTypeErr   not a regular file (a folder, a pipe, a device)
//   kImageDataErr      empty, truncated or corrupt, or not a kind of image read here
//   kImageTooLargeErr  a side past 32767 pixels or more than `DecodeOptions::maxPixels`, refused before
//                      the pixels' memory is taken
//   paramErr           an empty offscreen or unknown file type to write
//   ioErr, dskFulErr   writing failed; an older file of the name stays as it was
#pragma once

#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "imaging/codecs/decoded_image.h"

namespace vorl {

// The kinds of file recognised. Camera raw covers CRW, CR2 and the TIFF-based raw formats (DNG, NEF...).
enum class ImageFileKind { unknown, jpeg, png, tiff, cameraRaw, photoshop, bmp, gif, pict };

[[nodiscard]] ImageFileKind sniffImageFileKind(std::span<const std::uint8_t> bytes) noexcept;

// On success `image` holds a new offscreen and the file's facts; on failure it is empty.
[[nodiscard]] OSErr decodeImageFile(const std::filesystem::path& file, DecodedImage& image,
                                    const DecodeOptions& options = {});
// The same for a file already in memory; `source` names it in log lines.
[[nodiscard]] OSErr decodeImageBytes(std::span<const std::uint8_t> bytes, DecodedImage& image,
                                     const DecodeOptions& options, std::string_view source);

// Writes the offscreen's port rectangle. TIFF: RGBA, LZW, X/YResolution in inches. JPEG: quality 0..100, JFIF
// density. PNG: RGBA, pHYs. Targa: 24-bit. Photoshop: RGBA. File alpha is 255 − ours. The ICC profile, when
// given, is embedded in all but Targa. An existing file of that name is replaced once the new one is complete.
[[nodiscard]] OSErr encodeImageFile(const Offscreen& image, const std::filesystem::path& file, ImageFileType type,
                                    const EncodeOptions& options);

// The ICC profile embedded in an image file; kNoEmbeddedProfileErr when it has none.
[[nodiscard]] OSErr readEmbeddedProfile(const std::filesystem::path& image, std::vector<std::uint8_t>& profile);
// Embeds (or replaces) the image file's ICC profile, rewriting the file through a temporary file; on failure the
// file is unchanged. paramErr when the bytes are not an ICC profile (their header must give their length).
[[nodiscard]] OSErr embedProfile(const std::filesystem::path& image, std::span<const std::uint8_t> profile);

}  // namespace vorl
