// JPEG files through libjpeg-turbo. Colour and grey pictures decode straight into the offscreen's rows (the
// library writes bytes X, R, G, B, the offscreen's own order); CMYK and YCCK pictures decode to C, M, Y, K samples
// first. A file whose data ends early is a read error, not a picture with a grey bottom.
#pragma once

#include <span>
#include <string_view>

#include "imaging/codecs/codec_support.h"
#include "imaging/codecs/decoded_image.h"

namespace vorl::codec {

// Decodes a whole JPEG file held in memory. `source` names it in log lines.
[[nodiscard]] OSErr decodeJpeg(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                               std::string_view source) noexcept;

// Baseline JPEG, 4:2:0, quality clamped to 0..100, JFIF density in dots per inch, the ICC profile in APP2 markers.
[[nodiscard]] OSErr encodeJpeg(const Offscreen& image, const EncodeOptions& options, Bytes& out,
                               std::string_view destination) noexcept;

}  // namespace vorl::codec
