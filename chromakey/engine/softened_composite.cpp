#include "chromakey/engine/softened_composite.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/pixel_math.h"
#include "chromakey/engine/subject_colour_grid.h"

namespace vorl {
namespace {

struct Frame {
  const pixeli* keyed;
  const std::uint16_t* softened;
  const pixeli* background;
  pixeli* composite;
  pixeli* matteView;
  std::size_t width;
};

using Rgb = std::array<float, 3>;

inline Rgb rgbOf(const pixeli& p) noexcept {
  return {static_cast<float>(p.r), static_cast<float>(p.g), static_cast<float>(p.b)};
}

inline void store(const Rgb& colour, pixeli& out) noexcept {
  out.r = truncClamp16(colour[0]);
  out.g = truncClamp16(colour[1]);
  out.b = truncClamp16(colour[2]);
}

// trunc(colour·f + background·(1 − f)), the plain composite's blend.
inline void blendStraight(const Rgb& colour, const pixeli& bg, float f, pixeli& out) noexcept {
  const float rest = 1.0f - f;
  out.r = truncClamp16(colour[0] * f + static_cast<float>(bg.r) * rest);
  out.g = truncClamp16(colour[1] * f + static_cast<float>(bg.g) * rest);
  out.b = truncClamp16(colour[2] * f + static_cast<float>(bg.b) * rest);
}

// The subject's premultiplied colour in an RT keyer's colour k = P + (1 − f0)·Q. The keyer clamps k to 0..65535,
// which cuts P short by a different amount for each Q; clamped to what a colour at alpha f0 can be, 0..f0·65535,
// P comes out the same whatever Q was.
inline float premultipliedSubject(float k, float q, float f0) noexcept {
  return std::clamp(k - (1.0f - f0) * q, 0.0f, f0 * 65535.0f);
}

// P, the keyer's own share of the pixel: the subject colour weighted by the keyer's alpha f0.
template <bool kPremultiplied>
Rgb ownShare(const pixeli& k, float f0, const Rgb& q) noexcept {
  if constexpr (kPremultiplied)
    return {premultipliedSubject(k.r, q[0], f0), premultipliedSubject(k.g, q[1], f0),
            premultipliedSubject(k.b, q[2], f0)};
  else
    return {static_cast<float>(k.r) * f0, static_cast<float>(k.g) * f0, static_cast<float>(k.b) * f0};
}

// One pixel whose softened alpha a1 (0 < a1, not both a1 and a0 opaque) differs from the keyer's a0, or equals
// it; `subjectNear` finds the subject colour around the pixel. Leaves out.a alone.
template <bool kPremultiplied, typename SubjectNear>
void moveToSoftenedAlpha(const pixeli& k, std::uint16_t a1, const pixeli& bg, const Rgb& q,
                         const SubjectNear& subjectNear, pixeli& out) noexcept {
  const float f1 = static_cast<float>(a1) * kInverse65535f;
  Rgb subject{};
  if (k.a == 0) {
    // Transparent to the keyer, given alpha by the blur: the subject nearby shows here.
    if (subjectNear(subject)) {
      blendStraight(subject, bg, f1, out);
    } else {
      out.r = bg.r;
      out.g = bg.g;
      out.b = bg.b;
    }
    return;
  }
  const float f0 = static_cast<float>(k.a) * kInverse65535f;
  if (a1 <= k.a || !subjectNear(subject)) {
    // Alpha taken away leaves the pixel's own colour at the new alpha.
    if constexpr (kPremultiplied) {
      const Rgb p = ownShare<true>(k, f0, q);
      const float scale = f1 / f0, rest = 1.0f - f1;
      store({p[0] * scale + static_cast<float>(bg.r) * rest, p[1] * scale + static_cast<float>(bg.g) * rest,
             p[2] * scale + static_cast<float>(bg.b) * rest},
            out);
    } else {
      blendStraight(rgbOf(k), bg, f1, out);
    }
    return;
  }
  // Alpha the blur added: the composite the keyer's own alpha gives, C0 = P + (1 − f0)·N, moves towards the
  // subject's colour by the share of the pixel's transparency the blur took away. That colour is the pixel's own,
  // P/f0, as far as the keyer was sure of the pixel (f0⁴: a keyer that is unsure of a pixel's alpha is as unsure
  // of its colour, and P/f0 magnifies that), and the subject colour nearby for the rest. Whatever the keyer got a
  // little wrong in P so stays about as small as it was instead of growing with alpha it never gave, and a pixel
  // inside the subject that the keyer left partly transparent keeps its own colour.
  const Rgb p = ownShare<kPremultiplied>(k, f0, q);
  const float uncovered = 1.0f - f0, toSubject = (f1 - f0) / uncovered;
  const float trust = (f0 * f0) * (f0 * f0);
  const Rgb n = rgbOf(bg);
  Rgb result{};
  for (int c = 0; c < 3; ++c) {
    const float own = p[c] + uncovered * n[c];
    const float target = trust * (p[c] / f0) + (1.0f - trust) * subject[c];
    result[c] = own + toSubject * (target - own);
  }
  store(result, out);
}

template <bool kPremultiplied>
void compositeRows(const Frame& frame, std::size_t firstRow, std::size_t rows, const KeyedColours& colours,
                   const SubjectColourGrid& grid) noexcept {
  const Rgb q = {static_cast<float>(colours.replacement[0]), static_cast<float>(colours.replacement[1]),
                 static_cast<float>(colours.replacement[2])};
  for (std::size_t y = firstRow; y < firstRow + rows; ++y) {
    const std::size_t rowStart = y * frame.width;
    for (std::size_t x = 0; x < frame.width; ++x) {
      const std::size_t i = rowStart + x;
      const pixeli& k = frame.keyed[i];
      const std::uint16_t a1 = frame.softened[i];
      pixeli& out = frame.composite[i];
      pixeli& matte = frame.matteView[i];
      matte.r = matte.g = matte.b = a1;
      if (a1 == 0) {
        out = frame.background[i];
      } else if (a1 == 65535 && k.a == 65535) {
        out = k;
      } else {
        const auto subjectNear = [&](Rgb& colour) {
          return grid.colourAt(static_cast<int>(x), static_cast<int>(y), colour);
        };
        moveToSoftenedAlpha<kPremultiplied>(k, a1, frame.background[i], q, subjectNear, out);
        if (a1 == 65535) out.a = 65535;
      }
    }
  }
}

}  // namespace

PrimStatus doSoftenedComposite(const pixeli* keyed, const std::uint16_t* softened, const pixeli* background,
                               pixeli* composite, pixeli* matteView, int w, int h, const KeyedColours& colours,
                               int reach) noexcept {
  if (keyed == nullptr || softened == nullptr || background == nullptr || composite == nullptr ||
      matteView == nullptr || w < 0 || h < 0 || reach < 0)
    return PrimStatus::badArguments;
  if (w == 0 || h == 0) return PrimStatus::ok;
  SubjectColourGrid grid;
  if (const PrimStatus status = grid.build(keyed, w, h, colours, reach); status != PrimStatus::ok) return status;

  const Frame frame{keyed, softened, background, composite, matteView, static_cast<std::size_t>(w)};
  const auto rows = [&](std::size_t firstRow, std::size_t count) {
    if (colours.premultiplied)
      compositeRows<true>(frame, firstRow, count, colours, grid);
    else
      compositeRows<false>(frame, firstRow, count, colours, grid);
  };
  const int workers = duzeviveThreadCount();
  if (workers >= 2 && w > 9 && h > 9)
    runBlocks(static_cast<std::size_t>(h), workers, rows);
  else
    rows(0, static_cast<std::size_t>(h));
  return PrimStatus::ok;
}

}  // namespace vorl
