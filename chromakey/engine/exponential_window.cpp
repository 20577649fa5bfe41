#include "chromakey/engine/exponential_window.h"

#include <cmath>
#include <limits>

namespace vorl {
namespace {

constexpr std::size_t L = kWindowLanes;

// One filtered lane block: the forward sum F at this position plus the backward sum, scaled and rounded.
inline void writeResults(const float* forward, const float* backward, float inverseNorm, std::uint16_t* out) noexcept {
  for (std::size_t k = 0; k < L; ++k) {
    float v = (forward[k] + backward[k]) * inverseNorm + 0.5f;
    v = v < 0.0f ? 0.0f : v;
    v = v > 65535.0f ? 65535.0f : v;
    out[k] = static_cast<std::uint16_t>(static_cast<std::int32_t>(v));
  }
}

}  // namespace

ExponentialWindow exponentialWindow(int r) noexcept {
  ExponentialWindow window;
  if (r < 1) {
    window.inverseNorm = std::numeric_limits<float>::infinity();
    return window;
  }
  window.q = static_cast<float>(std::pow(0.04, 1.0 / r));
  window.t = static_cast<float>(std::pow(static_cast<double>(window.q), r + 1));
  double sum = 0;
  for (int i = 1; i <= r; ++i) sum += std::pow(static_cast<double>(window.q), i);
  window.S = static_cast<float>(2.0 * sum);
  window.inverseNorm = 1.0f / window.S;
  return window;
}

void WindowLanes::reserve(std::size_t length, std::size_t written) {
  if (samples.size() < length * L) samples.resize(length * L);
  if (forward.size() < written * L) forward.resize(written * L);
  if (filtered.size() < written * L) filtered.resize(written * L);
}

void filterWindowLanes(const ExponentialWindow& window, int r, std::size_t n, std::size_t first, std::size_t end,
                       WindowLanes& lanes) noexcept {
  const float q = window.q, t = window.t;
  const auto radius = static_cast<std::size_t>(r);
  const std::uint16_t* x = lanes.samples.data();
  float* forward = lanes.forward.data();
  std::uint16_t* out = lanes.filtered.data();

  // Forward, as far as the last position written; F is kept where it is written.
  float f[L];
  for (std::size_t k = 0; k < L; ++k) f[k] = static_cast<float>(x[k]) * q;
  if (first == 0)
    for (std::size_t k = 0; k < L; ++k) forward[k] = f[k];
  for (std::size_t i = 1; i < end; ++i) {
    const std::uint16_t* xi = x + i * L;
    if (i <= radius) {
      for (std::size_t k = 0; k < L; ++k) f[k] = (static_cast<float>(xi[k]) + f[k]) * q;
    } else {
      const std::uint16_t* leaving = x + (i - radius - 1) * L;
      for (std::size_t k = 0; k < L; ++k)
        f[k] = (static_cast<float>(xi[k]) + f[k]) * q - static_cast<float>(leaving[k]) * t;
    }
    if (i >= first)
      for (std::size_t k = 0; k < L; ++k) forward[(i - first) * L + k] = f[k];
  }

  // Backward, down to the first position written, writing each result as soon as both sums are known.
  float b[L];
  const std::size_t lastIndex = n - 1;
  for (std::size_t k = 0; k < L; ++k) b[k] = static_cast<float>(x[lastIndex * L + k]) * q;
  if (lastIndex < end) writeResults(forward + (lastIndex - first) * L, b, window.inverseNorm, out + (lastIndex - first) * L);
  for (std::size_t j = lastIndex; j-- > first;) {
    const std::uint16_t* xj = x + j * L;
    if (lastIndex - j <= radius) {
      for (std::size_t k = 0; k < L; ++k) b[k] = (static_cast<float>(xj[k]) + b[k]) * q;
    } else {
      const std::uint16_t* leaving = x + (j + radius + 1) * L;
      for (std::size_t k = 0; k < L; ++k)
        b[k] = (static_cast<float>(xj[k]) + b[k]) * q - static_cast<float>(leaving[k]) * t;
    }
    if (j < end) writeResults(forward + (j - first) * L, b, window.inverseNorm, out + (j - first) * L);
  }
}

}  // namespace vorl
