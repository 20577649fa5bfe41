#include "chromakey/bridge/final_composite.h"

#include <cstddef>
#include <cstdint>

#include "chromakey/engine/engine_workers.h"

namespace vorl {
namespace {

// Runs body(first, count) over n pixels, split over the engine's workers when the frame is worth it.
template <class Body>
void overPixels(std::size_t n, Body body) noexcept {
  const int workers = duzeviveThreadCount();
  if (workers >= 2 && n >= (std::size_t{1} << 16))
    runBlocks(n, workers, body);
  else
    body(0, n);
}

std::uint16_t blend8(double a, std::uint16_t composite, std::uint16_t foreground) noexcept {
  const double v = (1.0 - a) * static_cast<double>(composite >> 8) + a * static_cast<double>(foreground >> 8);
  const auto level = static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<float>(v)));
  return static_cast<std::uint16_t>((level & 0xFF) << 8);
}

}  // namespace

UInt8ToFloatTable initUInt8ToFloatTable() noexcept {
  UInt8ToFloatTable table{};
  table[0] = 0.0f;
  table[255] = 1.0f;
  for (int i = 1; i < 255; ++i) table[static_cast<std::size_t>(i)] = static_cast<float>(i) / 255.0f;
  return table;
}

int doFinalComposite(const pixeli* foreground, const pixeli* composite, pixeli* out, long w, long h) noexcept {
  if (w < 0 || h < 0) return -1;
  const UInt8ToFloatTable table = initUInt8ToFloatTable();
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  overPixels(n, [&](std::size_t first, std::size_t count) {
    for (std::size_t i = first; i < first + count; ++i) {
      const pixeli& f = foreground[i];
      const pixeli& c = composite[i];
      const double a = table[f.a >> 8];
      out[i].r = blend8(a, c.r, f.r);
      out[i].g = blend8(a, c.g, f.g);
      out[i].b = blend8(a, c.b, f.b);
    }
  });
  return 0;
}

int doCompositeTest(const pixeli* foreground, pixeli* matteView, long w, long h) noexcept {
  if (w < 0 || h < 0) return -1;
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  overPixels(n, [&](std::size_t first, std::size_t count) {
    for (std::size_t i = first; i < first + count; ++i) {
      if ((foreground[i].a >> 8) == 255) matteView[i].r = matteView[i].g = matteView[i].b = 65535;
    }
  });
  return 0;
}

}  // namespace vorl
