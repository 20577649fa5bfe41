#include "chromakey/bridge/map_conversion.h"

#include <cstddef>
#include <cstdint>

#include "chromakey/engine/engine_workers.h"

namespace vorl {
namespace {

// Rows below this many pixels in all are not worth a thread.
constexpr std::size_t kPixelsPerThreadAtLeast = 1 << 16;

template <class RowFunction>
void forEachRowBlock(const Offscreen& offscreen, RowFunction row) noexcept {
  const auto height = static_cast<std::size_t>(offscreen.height());
  const std::size_t pixels = height * static_cast<std::size_t>(offscreen.width());
  const int workers = duzeviveThreadCount();
  const auto body = [&](std::size_t first, std::size_t count) {
    for (std::size_t y = first; y < first + count; ++y) row(static_cast<int>(y));
  };
  if (workers >= 2 && pixels >= kPixelsPerThreadAtLeast && height >= static_cast<std::size_t>(workers))
    runBlocks(height, workers, body);
  else
    body(0, height);
}

}  // namespace

void offscreenToMap(const Offscreen& offscreen, pixeli* map) noexcept {
  const PixView view = offscreen.view();
  const int width = view.width();
  if (view.empty()) return;
  forEachRowBlock(offscreen, [&](int y) {
    const std::uint8_t* p = view.row(y);
    pixeli* out = map + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x, p += 4) {
      out[x] = {static_cast<std::uint16_t>(p[kRedByte] << 8), static_cast<std::uint16_t>(p[kGreenByte] << 8),
                static_cast<std::uint16_t>(p[kBlueByte] << 8), static_cast<std::uint16_t>(p[kAlphaByte] << 8)};
    }
  });
}

void mapToOffscreen(const pixeli* map, Offscreen& offscreen) noexcept {
  const PixView view = offscreen.view();
  const int width = view.width();
  if (view.empty()) return;
  forEachRowBlock(offscreen, [&](int y) {
    std::uint8_t* p = view.row(y);
    const pixeli* in = map + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x, p += 4) {
      p[kAlphaByte] = 0;
      p[kRedByte] = static_cast<std::uint8_t>(in[x].r >> 8);
      p[kGreenByte] = static_cast<std::uint8_t>(in[x].g >> 8);
      p[kBlueByte] = static_cast<std::uint8_t>(in[x].b >> 8);
    }
  });
}

}  // namespace vorl
