// The one float-to-channel conversion of the engine (truncation toward zero, clamped to 0..65535), and the
// backing-colour test the keyers share.
//
// Converting a float that is NaN or outside the target range to an integer is undefined in C++, and a record
// from a file is untrusted input. Every channel value the engine computes in floating point goes through here,
// so no value of a record can reach an undefined conversion.
#pragma once

#include <cmath>
#include <cstdint>

namespace vorl {

// Above 65535 gives 65535, below 0 (and NaN) gives 0, anything else is truncated toward zero.
[[nodiscard]] inline std::uint16_t truncClamp16(float value) noexcept {
  if (!(value > 0.0f)) return 0;
  if (value >= 65535.0f) return 65535;
  return static_cast<std::uint16_t>(value);
}

[[nodiscard]] inline std::uint16_t truncClamp16(double value) noexcept {
  if (!(value > 0.0)) return 0;
  if (value >= 65535.0) return 65535;
  return static_cast<std::uint16_t>(value);
}

// True when every channel lies strictly within `tolerance` of the backing colour: the pixel is backing and
// becomes transparent whatever the key says.
[[nodiscard]] inline bool nearBacking(float r, float g, float b, float backingR, float backingG, float backingB,
                                      float tolerance) noexcept {
  return std::fabs(r - backingR) < tolerance && std::fabs(g - backingG) < tolerance &&
         std::fabs(b - backingB) < tolerance;
}

// 1/65535 as the engine's single-precision constant.
inline constexpr float kInverse65535f = 1.5259022e-5f;

}  // namespace vorl
