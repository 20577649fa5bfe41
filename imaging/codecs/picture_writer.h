// Recording an offscreen as a version 2 picture: the extended header with the resolution, a clip region of the
// frame and one DirectBitsRect opcode holding the pixels, red, green and blue PackBits-packed per component (the
// alpha byte is not kept), as QuickDraw records CopyBits of a 32-bit pixel map. picture.h reads it back.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

// A pixel map's row bytes have 14 bits, so a 32-bit picture row holds at most this many pixels.
inline constexpr int kMaxPictureWidth = 4095;

// The picture's bytes; false (nothing written) for null, an empty port or one wider than kMaxPictureWidth.
[[nodiscard]] bool recordOffscreenAsPicture(Offscreen* offscreen, std::int16_t dpi, std::vector<std::uint8_t>& bytes);

// PackBits: a count byte n, then n + 1 literal bytes (n < 128) or one byte repeated 257 − n times (n > 128).
void packBitsAppend(const std::uint8_t* in, std::size_t size, std::vector<std::uint8_t>& out);

}  // namespace vorl
