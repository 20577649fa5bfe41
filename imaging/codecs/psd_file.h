// Photoshop files. The GraphicsMagick on our systems is built without its Photoshop coder, so this small reader
// and writer cover what the print road needs: the merged picture of 8- and 16-bit grey, RGB and CMYK files (raw or
// PackBits), with its ICC profile and resolution; and 8-bit RGB + alpha files, uncompressed, without layers.
#pragma once

#include <span>
#include <string_view>

#include "imaging/codecs/codec_support.h"
#include "imaging/codecs/decoded_image.h"

namespace vorl::codec {

[[nodiscard]] OSErr decodePsd(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                              std::string_view source) noexcept;

// Four channels, R, G, B and alpha (255 − ours); resolution and ICC profile as image resources.
[[nodiscard]] OSErr encodePsd(const Offscreen& image, const EncodeOptions& options, Bytes& out,
                              std::string_view destination) noexcept;

}  // namespace vorl::codec
