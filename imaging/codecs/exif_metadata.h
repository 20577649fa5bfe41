// Image metadata through Exiv2: orientation and resolution from an EXIF block, and the embedded ICC profile of a
// whole file, read or replaced in memory (the stand-in for `sips -x` and `sips -e`, without a shell), and a
// JPEG's or TIFF's user comment set without touching its picture.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "imaging/codecs/codec_support.h"

namespace vorl::codec {

struct ExifFacts {
  int orientation = -1;                     // as stored; -1 when absent
  double xResolution = 0, yResolution = 0;  // dots per inch; 0 when absent
};

// Reads an EXIF block: the TIFF structure that follows "Exif\0\0" in a JPEG's APP1 marker, or a PNG's eXIf chunk.
// False (logged) when it cannot be parsed; the picture is still good then.
bool readExifBlock(std::span<const std::uint8_t> tiffBytes, ExifFacts& facts, std::string_view source) noexcept;

// The ICC profile embedded in a whole image file (JPEG, PNG, TIFF, Photoshop...). kNoEmbeddedProfileErr when it
// has none, kImageDataErr when the file cannot be parsed.
[[nodiscard]] OSErr readIccProfileOf(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& profile,
                                     std::string_view source) noexcept;

// The file's bytes with `profile` as its embedded ICC profile (replacing one already there). paramErr when the
// profile's header does not give its own length, kImageDataErr when the file cannot be parsed or rewritten.
[[nodiscard]] OSErr withIccProfile(std::span<const std::uint8_t> file, std::span<const std::uint8_t> profile,
                                   Bytes& out, std::string_view source) noexcept;

// The JPEG or TIFF file's bytes with `comment` as its EXIF user comment, replacing one already there and keeping
// every other tag; the file stays a file of its own format. Only the metadata is rewritten; the compressed picture
// (a JPEG's scan, a TIFF's strips) is copied as it is, never encoded anew. The comment is stored with the ASCII
// character code when it is pure ASCII, else as Unicode. paramErr when the bytes are neither JPEG nor TIFF,
// kImageDataErr when they cannot be parsed or a JPEG's EXIF block would pass the 64 KB its segment holds.
[[nodiscard]] OSErr withExifUserComment(std::span<const std::uint8_t> file, std::string_view comment, Bytes& out,
                                        std::string_view source) noexcept;

}  // namespace vorl::codec
