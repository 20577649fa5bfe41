// Camera raw files (CRW, CR2, NEF, DNG and the other formats LibRaw knows) through LibRaw: the camera's white
// balance, sRGB output, 8 bits; previews through LibRaw's half-size mode, which skips the demosaic. The pixels stay
// as the sensor holds them; the camera's orientation is reported as its EXIF value.
#pragma once

#include <span>
#include <string_view>

#include "imaging/codecs/codec_support.h"
#include "imaging/codecs/decoded_image.h"

namespace vorl::codec {

[[nodiscard]] OSErr decodeRaw(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                              std::string_view source) noexcept;

}  // namespace vorl::codec
