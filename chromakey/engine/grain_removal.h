// Grain removal's box blur, beside `remove_grain` (key_stages.h).
#pragma once

#include <array>
#include <cstdint>

#include "chromakey/engine/prim_status.h"

namespace vorl {

// The blur factor of each grain level 0..3: the box radius is this share of half the frame's side.
inline constexpr std::array<float, 4> grainFilter = {0.0f, 0.01f, 0.02f, 0.03f};

// The box radius along a side of `extent` pixels: trunc(((extent >> 1) − 1)·factor) in single precision, 0 when
// that is below 1.
[[nodiscard]] int boxBlurRadius(float factor, int extent) noexcept;

// Blurs a w-by-h image of 6-byte pixels (R, G, B at 16 bits each) with an edge-clamped box of
// (2rx + 1) × (2ry + 1) pixels, rx and ry the radii of the width and height, first along the rows, then along the
// columns; each step's mean is truncated. With rx = 0 src is copied unchanged, with ry = 0 only the rows are
// blurred. src and dst may be the same. The factor must lie in 0..1.
[[nodiscard]] PrimStatus boxBlurRGB16(float factor, const std::uint16_t* src, std::uint16_t* dst, int w,
                                      int h) noexcept;

}  // namespace vorl
