// The surface-key kernels: per pixel, the triangle of the colour's direction from the backing, where the ray from
// the backing through the colour crosses the inner, middle and outer surfaces, and from that the alpha ramp and
// the spill-corrected colour (the point where the ray meets the outer surface).
//
// The integer and floating-point families differ only where the backing colour enters: the integer kernels
// truncate it once and work on integer differences, the floating-point kernels keep it as stored. With a backing
// of whole numbers both give the same pixels.
#include "chromakey/engine/prim_kernels.h"

#include <cmath>
#include <cstdlib>

#include "chromakey/engine/direction_mesh.h"
#include "chromakey/engine/pixel_math.h"

namespace vorl {
namespace {

// The parameter s at which the ray B + s·(P − B) meets surface S's plane for triangle t; 0 when the ray runs
// parallel to it. s ≥ 1 means the plane lies at or beyond P: P is inside the surface there.
// Forced inline, like `keyPixel`: the per-pixel code must stay in one loop body for the backing's values to stay
// in registers.
[[gnu::always_inline]] inline float crossing(const fixcoef& record, int surface, int t, float pr, float pg,
                                             float pb) noexcept {
  const auto& plane = record.planes[static_cast<std::size_t>(surface)][static_cast<std::size_t>(t)];
  const float denominator = plane[0] * pr + plane[1] * pg + plane[2] * pb -
                            record.normalDotBacking[static_cast<std::size_t>(surface)][static_cast<std::size_t>(t)];
  if (denominator == 0.0f) return 0.0f;
  return record.numerators[static_cast<std::size_t>(surface)][static_cast<std::size_t>(t)] / denominator;
}

constexpr pixeli kTransparent = {0, 0, 0, 0};

// What the kernels need of the backing, in both families' forms.
struct Backing {
  float f[3];
  int i[3];
  float tolerance;
  int toleranceInt;
};

template <bool kFloat>
inline int triangleAt(const pixeli& p, const Backing& b) noexcept {
  if constexpr (kFloat)
    return triangleOf(static_cast<float>(p.r) - b.f[0], static_cast<float>(p.g) - b.f[1],
                      static_cast<float>(p.b) - b.f[2]);
  else
    return triangleOf(static_cast<int>(p.r) - b.i[0], static_cast<int>(p.g) - b.i[1], static_cast<int>(p.b) - b.i[2]);
}

template <bool kFloat>
inline bool withinTolerance(const pixeli& p, const Backing& b) noexcept {
  if constexpr (kFloat)
    return b.tolerance > std::fabs(static_cast<float>(p.r) - b.f[0]) &&
           b.tolerance > std::fabs(static_cast<float>(p.g) - b.f[1]) &&
           b.tolerance > std::fabs(static_cast<float>(p.b) - b.f[2]);
  else
    return std::abs(static_cast<int>(p.r) - b.i[0]) < b.toleranceInt &&
           std::abs(static_cast<int>(p.g) - b.i[1]) < b.toleranceInt &&
           std::abs(static_cast<int>(p.b) - b.i[2]) < b.toleranceInt;
}

template <bool kFloat>
inline bool equalsBacking(const pixeli& p, const Backing& b) noexcept {
  if constexpr (kFloat)
    return std::fabs(static_cast<float>(p.r) - b.f[0]) < 1.0f && std::fabs(static_cast<float>(p.g) - b.f[1]) < 1.0f &&
           std::fabs(static_cast<float>(p.b) - b.f[2]) < 1.0f;
  else
    return p.r == b.i[0] && p.g == b.i[1] && p.b == b.i[2];
}

template <bool kFloat>
inline std::uint16_t correctedChannel(std::uint16_t p, int channel, float sOuter, const Backing& b) noexcept {
  if constexpr (kFloat)
    return truncClamp16((static_cast<float>(p) - b.f[channel]) * sOuter + b.f[channel]);
  else
    return truncClamp16(static_cast<float>(static_cast<int>(p) - b.i[channel]) * sOuter +
                        static_cast<float>(b.i[channel]));
}

// One pixel without the mask: src decides, fg (when it is another run) decides too and gives the colour.
template <bool kFloat>
[[gnu::always_inline]] inline pixeli keyPixel(const pixeli& src, const pixeli& fg, bool fgDecidesToo,
                                              const fixcoef& record, const Backing& b) noexcept {
  if (withinTolerance<kFloat>(src, b)) return kTransparent;
  int t = triangleAt<kFloat>(src, b);
  float sInner = crossing(record, kInnerSurface, t, src.r, src.g, src.b);
  if (sInner >= 1.0f) return kTransparent;

  const pixeli& p = fgDecidesToo ? fg : src;
  if (fgDecidesToo) {
    if (equalsBacking<kFloat>(fg, b)) return kTransparent;
    t = triangleAt<kFloat>(fg, b);
    sInner = crossing(record, kInnerSurface, t, fg.r, fg.g, fg.b);
    if (sInner >= 1.0f) return kTransparent;
  }

  const float sOuter = crossing(record, kOuterSurface, t, p.r, p.g, p.b);
  if (sOuter <= 1.0f) return {p.r, p.g, p.b, 65535};

  pixeli out;
  out.r = correctedChannel<kFloat>(p.r, 0, sOuter, b);
  out.g = correctedChannel<kFloat>(p.g, 1, sOuter, b);
  out.b = correctedChannel<kFloat>(p.b, 2, sOuter, b);
  const float sMiddle = crossing(record, kMiddleSurface, t, p.r, p.g, p.b);
  out.a = sMiddle > 1.0f ? truncClamp16((1.0f - sInner) / (sMiddle - sInner) * 65535.0f) : 65535;
  return out;
}

template <bool kFloat, bool kMaskScaling>
void surfaceKernel(const pixeli* fg, const pixeli* src, const pixeli* mask, pixeli* out, std::ptrdiff_t n,
                   const fixcoef& record) noexcept {
  Backing b;
  for (int c = 0; c < 3; ++c) {
    b.f[c] = record.backing[static_cast<std::size_t>(c)];
    b.i[c] = static_cast<int>(b.f[c]);
  }
  b.tolerance = record.tolerance;
  b.toleranceInt = record.toleranceInt;
  const bool fgDecidesToo = src != fg;

  for (std::ptrdiff_t i = 0; i < n; ++i) {
    if (mask != nullptr && mask[i].g == 65535) {
      out[i] = kTransparent;
      continue;
    }
    pixeli keyed = keyPixel<kFloat>(src[i], fg[i], fgDecidesToo, record, b);
    if constexpr (kMaskScaling)
      if (mask != nullptr)
        keyed.a = truncClamp16(static_cast<float>(keyed.a) * static_cast<float>(65535 - mask[i].g) * kInverse65535f);
    out[i] = keyed;
  }
}

}  // namespace

void primproc_0_1_0(const pixeli* fg, const pixeli* src, const pixeli*, const pixeli* mask, pixeli* out,
                    std::ptrdiff_t n, const fixcoef& record, const PrimKeyers&) noexcept {
  surfaceKernel<false, false>(fg, src, mask, out, n, record);
}

void primproc_0_1_1(const pixeli* fg, const pixeli* src, const pixeli*, const pixeli* mask, pixeli* out,
                    std::ptrdiff_t n, const fixcoef& record, const PrimKeyers&) noexcept {
  surfaceKernel<false, true>(fg, src, mask, out, n, record);
}

void primproc_1_1_0(const pixeli* fg, const pixeli* src, const pixeli*, const pixeli* mask, pixeli* out,
                    std::ptrdiff_t n, const fixcoef& record, const PrimKeyers&) noexcept {
  surfaceKernel<true, false>(fg, src, mask, out, n, record);
}

void primproc_1_1_1(const pixeli* fg, const pixeli* src, const pixeli*, const pixeli* mask, pixeli* out,
                    std::ptrdiff_t n, const fixcoef& record, const PrimKeyers&) noexcept {
  surfaceKernel<true, true>(fg, src, mask, out, n, record);
}

}  // namespace vorl
