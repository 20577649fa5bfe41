// TIFF files through libtiff, read from and written to memory. Strip-organised 8- and 16-bit RGB, RGBA, grey and
// CMYK files are read scanline by scanline into the offscreen; palette, 1-bit, YCbCr, tiled and other layouts go
// through libtiff's RGBA reader. Files are written RGBA (alpha as 255 − a), LZW, with the resolution in inches.
#pragma once

#include <span>
#include <string_view>

#include "imaging/codecs/codec_support.h"
#include "imaging/codecs/decoded_image.h"

namespace vorl::codec {

[[nodiscard]] OSErr decodeTiff(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                               std::string_view source) noexcept;

[[nodiscard]] OSErr encodeTiff(const Offscreen& image, const EncodeOptions& options, Bytes& out,
                               std::string_view destination) noexcept;

// A camera's raw file in TIFF clothing (DNG, NEF, ARW, PEF...): its first directory is a CFA or linear-raw
// picture, carries a DNG version, or is a reduced preview whose main picture lies in a sub-directory.
[[nodiscard]] bool isCameraRawTiff(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace vorl::codec
