// PNG files through libpng. Every colour type decodes straight into the offscreen's rows: libpng expands palette
// and grey, scales 16-bit samples, puts alpha first and inverts it (ours: 0 = drawn), or adds alpha 0 when the
// file has none. Files are written 32-bit RGBA the same way round, with pHYs in dots per metre.
#pragma once

#include <span>
#include <string_view>

#include "imaging/codecs/codec_support.h"
#include "imaging/codecs/decoded_image.h"

namespace vorl::codec {

[[nodiscard]] OSErr decodePng(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                              std::string_view source) noexcept;

[[nodiscard]] OSErr encodePng(const Offscreen& image, const EncodeOptions& options, Bytes& out,
                              std::string_view destination) noexcept;

// The PNG file with `profile` in its one iCCP chunk (any older iCCP or sRGB chunk is dropped), every other chunk
// kept byte for byte. paramErr when libpng finds the bytes no ICC profile for this kind of PNG.
[[nodiscard]] OSErr pngWithIccProfile(std::span<const std::uint8_t> file, std::span<const std::uint8_t> profile,
                                      Bytes& out, std::string_view source) noexcept;

}  // namespace vorl::codec
