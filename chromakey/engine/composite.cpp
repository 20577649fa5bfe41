#include "chromakey/engine/composite.h"

#include <cstddef>

#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/pixel_math.h"

namespace vorl {
namespace {

template <bool kPremultiplied>
void blendRun(const pixeli* keyed, const pixeli* background, pixeli* composite, pixeli* matteView, std::size_t n,
              const KeyedColours& colours) noexcept {
  const float qr = colours.replacement[0], qg = colours.replacement[1], qb = colours.replacement[2];
  for (std::size_t i = 0; i < n; ++i) {
    const pixeli& k = keyed[i];
    pixeli& matte = matteView[i];
    if (k.a == 0) {
      composite[i] = background[i];
      matte.r = matte.g = matte.b = 0;
    } else if (k.a == 65535) {
      composite[i] = k;
      matte.r = matte.g = matte.b = 65535;
    } else {
      const pixeli& bg = background[i];
      const float f = static_cast<float>(k.a) * kInverse65535f;
      const float rest = 1.0f - f;
      pixeli& out = composite[i];
      if constexpr (kPremultiplied) {
        out.r = truncClamp16(static_cast<float>(k.r) + (static_cast<float>(bg.r) - qr) * rest);
        out.g = truncClamp16(static_cast<float>(k.g) + (static_cast<float>(bg.g) - qg) * rest);
        out.b = truncClamp16(static_cast<float>(k.b) + (static_cast<float>(bg.b) - qb) * rest);
      } else {
        out.r = truncClamp16(static_cast<float>(k.r) * f + static_cast<float>(bg.r) * rest);
        out.g = truncClamp16(static_cast<float>(k.g) * f + static_cast<float>(bg.g) * rest);
        out.b = truncClamp16(static_cast<float>(k.b) * f + static_cast<float>(bg.b) * rest);
      }
      matte.r = matte.g = matte.b = k.a;
    }
  }
}

void compositeRun(const pixeli* keyed, const pixeli* background, pixeli* composite, pixeli* matteView, std::size_t n,
                  const KeyedColours& colours) noexcept {
  if (colours.premultiplied)
    blendRun<true>(keyed, background, composite, matteView, n, colours);
  else
    blendRun<false>(keyed, background, composite, matteView, n, colours);
}

}  // namespace

KeyedColours keyedColoursOf(const fixcoef& record) noexcept {
  KeyedColours colours;
  colours.premultiplied = (record.options & (kKeyOptionRT | kKeyOptionRTPlus)) != 0;
  colours.replacement = record.replacement;
  return colours;
}

PrimStatus doComposite(const pixeli* keyed, const pixeli* background, pixeli* composite, pixeli* matteView, int w,
                       int h, const KeyedColours& colours) noexcept {
  if (keyed == nullptr || background == nullptr || composite == nullptr || matteView == nullptr || w < 0 || h < 0)
    return PrimStatus::badArguments;
  const auto width = static_cast<std::size_t>(w);
  const int workers = duzeviveThreadCount();
  if (workers >= 2 && w > 9 && h > 9) {
    runBlocks(static_cast<std::size_t>(h), workers, [&](std::size_t firstRow, std::size_t rows) {
      const std::size_t first = firstRow * width;
      compositeRun(keyed + first, background + first, composite + first, matteView + first, rows * width, colours);
    });
  } else {
    compositeRun(keyed, background, composite, matteView, width * static_cast<std::size_t>(h), colours);
  }
  return PrimStatus::ok;
}

}  // namespace vorl
