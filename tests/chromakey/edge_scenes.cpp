#include "tests/chromakey/edge_scenes.h"

#include <algorithm>
#include <cmath>

#include "chromakey/engine/key_defaults.h"
#include "chromakey/engine/pixel_math.h"
#include "chromakey/engine/rt_keyer.h"
#include "chromakey/engine/rtplus_keyer.h"
#include "tests/chromakey/key_fixtures.h"

namespace vorl::test {
namespace {

constexpr int kSupersampling = 8;

// Share of the pixel (x, y) that lies inside the shape, from kSupersampling² samples.
template <typename Inside>
float coverage(int x, int y, const Inside& inside) {
  int hits = 0;
  for (int sy = 0; sy < kSupersampling; ++sy)
    for (int sx = 0; sx < kSupersampling; ++sx)
      hits += inside(x + (sx + 0.5f) / kSupersampling, y + (sy + 0.5f) / kSupersampling) ? 1 : 0;
  return static_cast<float>(hits) / (kSupersampling * kSupersampling);
}

float trueAlpha(EdgeShape shape, int x, int y, int w, int h) {
  const float middle = w / 2.0f;
  switch (shape) {
    case EdgeShape::straight:
      return x < w / 2 ? 1.0f : 0.0f;
    case EdgeShape::curved:
      return coverage(x, y, [&](float px, float py) {
        const float dx = px - middle, dy = py - h / 2.0f;
        return dx * dx + dy * dy < 0.09f * w * w;
      });
    case EdgeShape::hair:
      // A strand from the top to the bottom, leaning a quarter of the frame's width.
      return coverage(x, y, [&](float px, float py) {
        const float centre = middle - w / 8.0f + (w / 4.0f) * py / h;
        const float slope = (w / 4.0f) / h;
        return std::abs(px - centre) / std::sqrt(1.0f + slope * slope) < 0.5f;
      });
    case EdgeShape::halfSoft:
      return x < w / 2 - 6 ? 1.0f : x < w / 2 ? 0.5f : 0.0f;
  }
  return 0.0f;
}

const char* shapeName(EdgeShape shape) {
  switch (shape) {
    case EdgeShape::straight:
      return "straight";
    case EdgeShape::curved:
      return "curved";
    case EdgeShape::hair:
      return "hair";
    case EdgeShape::halfSoft:
      return "half-soft";
  }
  return "?";
}

std::uint16_t to16(float value8) { return static_cast<std::uint16_t>(std::clamp(std::lround(value8), 0L, 255L) << 8); }

}  // namespace

EdgeScene makeEdgeScene(EdgeShape shape, Colour8 subject, Colour8 backing, int width, int height) {
  EdgeScene scene;
  scene.name = shapeName(shape);
  scene.width = width;
  scene.height = height;
  scene.subject = subject;
  scene.backing = backing;
  const std::size_t n = static_cast<std::size_t>(width) * height;
  scene.alpha.resize(n);
  scene.photograph.resize(n);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      const float a = trueAlpha(shape, x, y, width, height);
      scene.alpha[i] = a;
      scene.photograph[i] = {to16(a * subject[0] + (1 - a) * backing[0]), to16(a * subject[1] + (1 - a) * backing[1]),
                             to16(a * subject[2] + (1 - a) * backing[2]), 0};
    }
  return scene;
}

const char* nameOf(EdgeKeyer keyer) noexcept {
  switch (keyer) {
    case EdgeKeyer::integerSurfaces:
      return "integer";
    case EdgeKeyer::floatSurfaces:
      return "float";
    case EdgeKeyer::twoSurface:
      return "two-surface";
    case EdgeKeyer::singleSurface:
      return "single-surface";
    case EdgeKeyer::rt:
      return "RT";
    case EdgeKeyer::rtPlus:
      return "RTPlus";
  }
  return "?";
}

bool isRTFamily(EdgeKeyer keyer) noexcept { return keyer == EdgeKeyer::rt || keyer == EdgeKeyer::rtPlus; }

fixcoef makeEdgeKey(const EdgeScene& scene, EdgeKeyer keyer, std::array<std::uint16_t, 3> replacement) {
  const std::array<float, 3> backing = {scene.backing[0] * 256.0f, scene.backing[1] * 256.0f,
                                        scene.backing[2] * 256.0f};
  fixcoef record;
  static_cast<void>(initialize_data(record));
  if (isRTFamily(keyer)) {
    if (keyer == EdgeKeyer::rt) {
      DuzeviveRT rt;
      rt.set_center_backing(backing[0], backing[1], backing[2], record);
      record.options = kKeyOptionNoReplacement | kKeyOptionRT;
    } else {
      DuzeviveRTPlus rtPlus;
      rtPlus.set_center_backing(backing[0], backing[1], backing[2], record);
      record.options = kKeyOptionNoReplacement | kKeyOptionRTPlus;
    }
  } else {
    float distance = 0;
    for (int c = 0; c < 3; ++c) {
      const float d = (scene.subject[c] - scene.backing[c]) * 256.0f;
      distance += d * d;
    }
    distance = std::sqrt(distance);
    std::uint32_t options = kKeyOptionNoReplacement;
    if (keyer != EdgeKeyer::integerSurfaces) options |= kKeyOptionFloatKernels;
    if (keyer == EdgeKeyer::twoSurface) options |= kKeyOptionTwoSurface;
    if (keyer == EdgeKeyer::singleSurface) options |= kKeyOptionSingleSurface;
    record = sphericalKey(backing, 0.05f * distance, 0.95f * distance, 0.99f * distance, options);
  }
  record.replacement = replacement;
  return record;
}

void compositeAsBefore(const pixeli* keyed, const pixeli* background, pixeli* composite, pixeli* matteView,
                       std::size_t n, bool premultiplied, std::array<std::uint16_t, 3> replacement) {
  const float qr = replacement[0], qg = replacement[1], qb = replacement[2];
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
      const float f = static_cast<float>(k.a) * 1.5259022e-5f;
      const float rest = 1.0f - f;
      pixeli& out = composite[i];
      if (premultiplied && k.r == 0 && k.g == 0 && k.b == 0) {
        out.r = truncClamp16(qr + (static_cast<float>(bg.r) - qr) * rest);
        out.g = truncClamp16(qg + (static_cast<float>(bg.g) - qg) * rest);
        out.b = truncClamp16(qb + (static_cast<float>(bg.b) - qb) * rest);
      } else if (premultiplied) {
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

}  // namespace vorl::test
