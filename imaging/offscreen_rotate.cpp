// Quarter turns, half turns and mirroring of offscreens.
#include "imaging/offscreen_rotate.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/memory.h"
#include "foundation/messages.h"
#include "imaging/offscreen_copy.h"
#include "imaging/pixel_locks.h"
#include "imaging/row_bands.h"

namespace vorl {

namespace {

constexpr std::int16_t kOffscreenMessages = 4101;
constexpr std::int16_t kImageMessages = 4106;
// A 32 × 32 tile of 4-byte pixels is 4 KiB a side: both the rows read and the columns written stay in cache.
constexpr int kTile = 32;

inline void copyPixel(std::uint8_t* to, const std::uint8_t* from) noexcept { std::memcpy(to, from, kBytesPerPixel); }

// Swaps the pixels of two rows, one of them read backwards; `n` pixels.
void swapReversed(std::uint8_t* a, std::uint8_t* b, int n) noexcept {
  for (int x = 0; x < n; ++x) {
    std::uint8_t t[kBytesPerPixel];
    std::uint8_t* p = a + static_cast<std::ptrdiff_t>(x) * kBytesPerPixel;
    std::uint8_t* q = b + static_cast<std::ptrdiff_t>(n - 1 - x) * kBytesPerPixel;
    std::memcpy(t, p, kBytesPerPixel);
    std::memcpy(p, q, kBytesPerPixel);
    std::memcpy(q, t, kBytesPerPixel);
  }
}

}  // namespace

void rotateQuarterPixels(const PixView& source, const PixView& destination, bool counterClockwise) noexcept {
  const int w = source.width(), h = source.height();
  for (int ty = 0; ty < h; ty += kTile) {
    const int yEnd = std::min(h, ty + kTile);
    for (int tx = 0; tx < w; tx += kTile) {
      const int xEnd = std::min(w, tx + kTile);
#if defined(__SSE2__)
      if (yEnd - ty == kTile && xEnd - tx == kTile) {
        // Whole tiles in 4 × 4 blocks: four rows in, transposed, four columns out (reversed when clockwise).
        for (int y = ty; y < yEnd; y += 4)
          for (int x = tx; x < xEnd; x += 4) {
            __m128i r[4];
            for (int i = 0; i < 4; ++i)
              r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source.localPixel(x, y + i)));
            const __m128i t0 = _mm_unpacklo_epi32(r[0], r[1]), t1 = _mm_unpacklo_epi32(r[2], r[3]);
            const __m128i t2 = _mm_unpackhi_epi32(r[0], r[1]), t3 = _mm_unpackhi_epi32(r[2], r[3]);
            const __m128i c[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1), _mm_unpacklo_epi64(t2, t3),
                                  _mm_unpackhi_epi64(t2, t3)};
            for (int i = 0; i < 4; ++i) {
              if (counterClockwise)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(destination.localPixel(y, w - 1 - x - i)), c[i]);
              else
                _mm_storeu_si128(reinterpret_cast<__m128i*>(destination.localPixel(h - 4 - y, x + i)),
                                 _mm_shuffle_epi32(c[i], 0x1B));
            }
          }
        continue;
      }
#endif
      for (int y = ty; y < yEnd; ++y) {
        const std::uint8_t* from = source.localPixel(tx, y);
        for (int x = tx; x < xEnd; ++x, from += kBytesPerPixel) {
          // Counter-clockwise: (x, y) lands at column y, row W − 1 − x; clockwise at column H − 1 − y, row x.
          std::uint8_t* to =
              counterClockwise ? destination.localPixel(y, w - 1 - x) : destination.localPixel(h - 1 - y, x);
          copyPixel(to, from);
        }
      }
    }
  }
}

void mirrorRows(const PixView& view) noexcept {
  const int w = view.width();
  for (int y = 0; y < view.height(); ++y) {
    std::uint8_t* row = view.row(y);
    int x = 0;
#if defined(__SSE2__)
    // Four whole pixels from each end, their order reversed, exchanged.
    for (; x + 4 <= w - x - 4; x += 4) {
      std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * kBytesPerPixel;
      std::uint8_t* q = row + static_cast<std::ptrdiff_t>(w - x - 4) * kBytesPerPixel;
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_shuffle_epi32(b, 0x1B));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_shuffle_epi32(a, 0x1B));
    }
#endif
    for (; x < w / 2; ++x) {
      std::uint8_t t[kBytesPerPixel];
      std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * kBytesPerPixel;
      std::uint8_t* q = row + static_cast<std::ptrdiff_t>(w - 1 - x) * kBytesPerPixel;
      std::memcpy(t, p, kBytesPerPixel);
      std::memcpy(p, q, kBytesPerPixel);
      std::memcpy(q, t, kBytesPerPixel);
    }
  }
}

void rotateHalfPixels(const PixView& view) noexcept {
  const int w = view.width(), h = view.height();
  for (int y = 0; y < h / 2; ++y) swapReversed(view.row(y), view.row(h - 1 - y), w);
  if (h % 2 == 1) mirrorRows(PixView(view.row(h / 2), view.rowBytes(), makeRect(0, 0, 1, w)));
}

bool rotateImage90Degrees(std::int16_t direction, Offscreen* source, Offscreen* destination) {
  if (source == nullptr) {
    SysBeep(2);
    DisplayNormalMessage(kOffscreenMessages, 17);
    return false;
  }
  if (destination == nullptr) {
    SysBeep(2);
    DisplayNormalMessage(kOffscreenMessages, 18);
    return false;
  }
  if (direction == 3) {
    const Rect from = source->portRect(), to = destination->portRect();
    return copyGWorldToGWorld(source, destination, &from, &to);
  }
  PixelLock sourceLock(source);
  PixelLock destinationLock(destination);
  if (!sourceLock.locked() || !destinationLock.locked()) {
    DisplayWarningMessage(kOffscreenMessages, 3);
    return false;
  }
  if (destination->width() != source->height() || destination->height() != source->width()) {
    DisplayNormalMessage(kOffscreenMessages, 19);
    return false;
  }
  const PixView from = source->view(), to = destination->view();
  const bool counterClockwise = direction == 1;
  // Bands of source rows land in separate columns of the destination.
  forRowBands(from.height(), [&](int first, int end) {
    const int h = from.height(), w = from.width();
    const PixView rows(from.row(first), from.rowBytes(), makeRect(0, 0, end - first, w));
    // Counter-clockwise, source row y goes to column y; clockwise to column h − 1 − y.
    const int column = counterClockwise ? first : h - end;
    const PixView columns(to.localPixel(column, 0), to.rowBytes(), makeRect(0, 0, w, end - first));
    rotateQuarterPixels(rows, columns, counterClockwise);
  });
  return true;
}

Offscreen* rotateGWorld90DegreesDoNotDispose(std::int16_t direction, Offscreen* gworld) {
  if (gworld == nullptr) return nullptr;
  const Rect port = gworld->portRect();
  // The turned rectangle keeps the top-left corner and exchanges the sides.
  const Rect turned = makeRect(port.top, port.left, port.top + rectWidth(port), port.left + rectHeight(port));
  Offscreen* result = myNewGWorld(&turned);
  if (result == nullptr) return gworld;
  static_cast<void>(protectTheGworld(result));
  if (!rotateImage90Degrees(direction, gworld, result)) {
    static_cast<void>(myDisposeGWorld(result, true));
    return gworld;
  }
  return result;
}

Offscreen* rotateGWorld90Degrees(std::int16_t direction, Offscreen* gworld) {
  Offscreen* result = rotateGWorld90DegreesDoNotDispose(direction, gworld);
  if (result != gworld) static_cast<void>(myDisposeGWorld(gworld, true));
  return result;
}

bool doMirrorTheImageInGWorld(Offscreen* gworld) {
  if (gworld == nullptr) {
    DisplayNormalMessage(kImageMessages, 1);
    return false;
  }
  PixelLock lock(gworld);
  const PixView view = gworld->view();
  forRowBands(view.height(), [&](int first, int end) {
    mirrorRows(PixView(view.row(first), view.rowBytes(), makeRect(0, 0, end - first, view.width())));
  });
  return true;
}

bool rotateImage180Degrees(Offscreen* gworld) {
  if (gworld == nullptr) {
    DisplayNormalMessage(kImageMessages, 1);
    return false;
  }
  PixelLock lock(gworld);
  rotateHalfPixels(gworld->view());
  return true;
}

}  // namespace vorl
