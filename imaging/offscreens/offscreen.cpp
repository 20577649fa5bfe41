// Making and freeing offscreens.
#include "imaging/offscreens/offscreen.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/services/memory.h"
#include "foundation/services/messages.h"
#include "imaging/parallel/row_bands.h"

namespace vorl {

namespace {

constexpr std::size_t kRowAlignment = 64;
constexpr std::int16_t kOffscreenMessages = 4101;

}  // namespace

void Offscreen::AlignedDelete::operator()(std::uint8_t* p) const noexcept { std::free(p); }

namespace {

// Print-sized pictures are allocated on 2 MB boundaries and offered huge pages: the first touch of a 24-megapixel
// picture's 96 MB then takes a few dozen page faults instead of tens of thousands, which was most of the cost of
// making it.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kHugePageThreshold = std::size_t{8} << 20;

std::uint8_t* allocatePixels(std::size_t size) noexcept {
  const std::size_t alignment = size >= kHugePageThreshold ? kHugePage : kRowAlignment;
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  auto* pixels = static_cast<std::uint8_t*>(std::aligned_alloc(alignment, rounded));
  if (pixels != nullptr && alignment == kHugePage) static_cast<void>(madvise(pixels, rounded, MADV_HUGEPAGE));
  return pixels;
}

}  // namespace

// Sizes are computed in 64 bits: a 32767 × 32767 page is 4 GiB, past any 32-bit count.
Offscreen* newOffscreen(const Rect& bounds) noexcept {
  const std::int64_t width = std::int64_t{bounds.right} - bounds.left;
  const std::int64_t height = std::int64_t{bounds.bottom} - bounds.top;
  if (width <= 0 || height <= 0 || width > kMaxOffscreenSide || height > kMaxOffscreenSide) return nullptr;
  const std::int64_t rowBytes =
      (width * kBytesPerPixel + static_cast<std::int64_t>(kRowAlignment) - 1) / kRowAlignment * kRowAlignment;
  const std::int64_t size = rowBytes * height;

  std::uint8_t* pixels = allocatePixels(static_cast<std::size_t>(size));
  if (pixels == nullptr) return nullptr;
  auto* offscreen = new (std::nothrow) Offscreen;
  if (offscreen == nullptr) {
    std::free(pixels);
    return nullptr;
  }
  offscreen->pixels_.reset(pixels);
  offscreen->pixMap_.baseAddr = pixels;
  offscreen->pixMap_.rowBytes = static_cast<std::ptrdiff_t>(rowBytes);
  offscreen->pixMap_.bounds = bounds;
  offscreen->pixMap_.pixelSize = 32;
  offscreen->pixMap_.state = 0;

  // Erased white with the port's background colour; the alpha byte is 0, "drawn". One row is built and copied
  // into the others, in bands, since the first touch of a large picture's memory is most of the cost.
  std::uint8_t* first = pixels;
  for (std::int64_t x = 0; x < width; ++x) {
    std::uint8_t* p = first + x * kBytesPerPixel;
    p[kAlphaByte] = 0;
    p[kRedByte] = p[kGreenByte] = p[kBlueByte] = 255;
  }
  std::memset(first + width * kBytesPerPixel, 0, static_cast<std::size_t>(rowBytes - width * kBytesPerPixel));
  forRowBands(static_cast<int>(height), [&](int firstRow, int endRow) {
    for (int y = std::max(firstRow, 1); y < endRow; ++y)
      std::memcpy(pixels + y * rowBytes, first, static_cast<std::size_t>(rowBytes));
  });
  return offscreen;
}

Offscreen* myNewGWorld(const Rect* bounds) {
  Offscreen* offscreen = bounds == nullptr ? nullptr : newOffscreen(*bounds);
  if (offscreen == nullptr) DisplayNormalMessage(kOffscreenMessages, 10);
  return offscreen;
}

Offscreen* myNewGWorld(const Rect* bounds, std::int16_t depth) {
  if (depth != 32 && depth != 0) {
    DisplayNormalMessage(kOffscreenMessages, 10);
    return nullptr;
  }
  return myNewGWorld(bounds);
}

Offscreen* myDisposeGWorld(Offscreen* offscreen, bool compact) {
  if (offscreen == nullptr) return nullptr;
  delete offscreen;
  if (compact) forceMemoryMovement();
  return nullptr;
}

Rect myGetPortRect(const Offscreen* offscreen) noexcept { return offscreen ? offscreen->portRect() : Rect{}; }

}  // namespace vorl
