#include "chromakey/engine/exponential_window.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace vorl {
namespace {

constexpr std::size_t L = kWindowLanes;

// Four lanes as one vector value, so that every step is a few whole-vector IEEE operations, lane by lane the
// same as the scalar formula, whatever the compiler makes of a loop. A step covers the kWindowLanes lanes in
// kParts such vectors.
constexpr std::size_t kWidth = 4, kParts = L / kWidth;
using Floats = float __attribute__((vector_size(kWidth * sizeof(float))));
using Ints = std::int32_t __attribute__((vector_size(kWidth * sizeof(std::int32_t))));
using Samples = std::uint16_t __attribute__((vector_size(kWidth * sizeof(std::uint16_t))));
static_assert(L % kWidth == 0);

inline Floats load(const std::uint16_t* at) noexcept {
  Samples s;
  std::memcpy(&s, at, sizeof s);
  return __builtin_convertvector(__builtin_convertvector(s, Ints), Floats);
}

inline Floats loadFloats(const float* at) noexcept {
  Floats f;
  std::memcpy(&f, at, sizeof f);
  return f;
}

inline void store(float* at, Floats f) noexcept { std::memcpy(at, &f, sizeof f); }

// Both sums at one position, scaled, rounded and clamped to 0..65535.
inline void writeResults(Floats forward, Floats backward, float inverseNorm, std::uint16_t* out) noexcept {
  Floats v = (forward + backward) * inverseNorm + 0.5f;
  v = v < 0.0f ? Floats{} : v;
  v = v > 65535.0f ? Floats{} + 65535.0f : v;
  const Samples result = __builtin_convertvector(__builtin_convertvector(v, Ints), Samples);
  std::memcpy(out, &result, sizeof result);
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
  Floats f[kParts];
  for (std::size_t p = 0; p < kParts; ++p) f[p] = load(x + p * kWidth) * q;
  if (first == 0)
    for (std::size_t p = 0; p < kParts; ++p) store(forward + p * kWidth, f[p]);
  for (std::size_t i = 1; i < end; ++i) {
    const std::uint16_t* xi = x + i * L;
    if (i <= radius) {
      for (std::size_t p = 0; p < kParts; ++p) f[p] = (load(xi + p * kWidth) + f[p]) * q;
    } else {
      const std::uint16_t* leaving = x + (i - radius - 1) * L;
      for (std::size_t p = 0; p < kParts; ++p)
        f[p] = (load(xi + p * kWidth) + f[p]) * q - load(leaving + p * kWidth) * t;
    }
    if (i >= first)
      for (std::size_t p = 0; p < kParts; ++p) store(forward + (i - first) * L + p * kWidth, f[p]);
  }

  // Backward, down to the first position written, writing each result as soon as both sums are known.
  const std::size_t lastIndex = n - 1;
  Floats b[kParts];
  for (std::size_t p = 0; p < kParts; ++p) b[p] = load(x + lastIndex * L + p * kWidth) * q;
  auto write = [&](std::size_t j) {
    for (std::size_t p = 0; p < kParts; ++p)
      writeResults(loadFloats(forward + (j - first) * L + p * kWidth), b[p], window.inverseNorm,
                   out + (j - first) * L + p * kWidth);
  };
  if (lastIndex < end) write(lastIndex);
  for (std::size_t j = lastIndex; j-- > first;) {
    const std::uint16_t* xj = x + j * L;
    if (lastIndex - j <= radius) {
      for (std::size_t p = 0; p < kParts; ++p) b[p] = (load(xj + p * kWidth) + b[p]) * q;
    } else {
      const std::uint16_t* leaving = x + (j + radius + 1) * L;
      for (std::size_t p = 0; p < kParts; ++p)
        b[p] = (load(xj + p * kWidth) + b[p]) * q - load(leaving + p * kWidth) * t;
    }
    if (j < end) write(j);
  }
}

}  // namespace vorl
