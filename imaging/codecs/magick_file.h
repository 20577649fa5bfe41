// GraphicsMagick for what no dedicated library here does: reading BMP, GIF and PICT files, and writing Targa
// (24-bit) files.
#pragma once

#include <span>
#include <string_view>

#include "imaging/codecs/codec_support.h"
#include "imaging/codecs/decoded_image.h"

namespace vorl::codec {

// `magick` names the format already recognised ("BMP", "GIF", "PICT"): GraphicsMagick is never left to
// guess, so it cannot hand a file to an outside delegate program.
[[nodiscard]] OSErr decodeWithMagick(std::span<const std::uint8_t> bytes, const char* magick, DecodedImage& image,
                                     const DecodeOptions& options, std::string_view source) noexcept;

// `magick` is "TGA" (24-bit, no alpha); with a format that keeps alpha it is written as 255 − ours.
[[nodiscard]] OSErr encodeWithMagick(const Offscreen& image, const char* magick, const EncodeOptions& options,
                                     Bytes& out, std::string_view destination) noexcept;

// Whether this GraphicsMagick has the coder for `magick` and can read with it (or write, with `writing`). Coders
// can be modules of their own, so one can be missing while the library is there.
[[nodiscard]] bool magickCoderWorks(const char* magick, bool writing) noexcept;

}  // namespace vorl::codec
