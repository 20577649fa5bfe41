// Quarter turns, half turns and mirroring of offscreens.
#include "imaging/offscreens/offscreen_rotate.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/services/memory.h"
#include "foundation/services/messages.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/pixel_locks.h"
#include "imaging/parallel/row_bands.h"

namespace vorl {

namespace {

constexpr std::int16_t kOffscreenMessages = 4101;
constexpr std::int16_t kImageMessages = 4106;
// A quarter turn works in blocks of 16 × 16 pixels: 16 destination pixels are one 64-byte line, so each
// destination row of a block is written whole, and 16 source rows read side by side stay in the prefetchers' reach.
constexpr int kBlock = 16;
constexpr std::uintptr_t kLineBytes = 64;

inline void copyPixel(std::uint8_t* to, const std::uint8_t* from) noexcept { std::memcpy(to, from, kBytesPerPixel); }

// Where destination pixel (column, row) of a quarter turn comes from. The destination is the source's height wide:
// counter-clockwise its column c is source row c and its row r source column W − 1 − r; clockwise column c is
// source row H − 1 − c and row r source column r.
inline const std::uint8_t* turnedFrom(const PixView& source, int column, int row, bool counterClockwise) noexcept {
  return counterClockwise ? source.localPixel(source.width() - 1 - row, column)
                          : source.localPixel(row, source.height() - 1 - column);
}

// Destination columns [c0, c1) of rows [r0, r1), pixel by pixel, each destination row left to right.
void turnPixels(const PixView& source, const PixView& destination, bool counterClockwise, int c0, int c1, int r0,
                int r1) noexcept {
  for (int r = r0; r < r1; ++r)
    for (int c = c0; c < c1; ++c) copyPixel(destination.localPixel(c, r), turnedFrom(source, c, r, counterClockwise));
}

#if defined(__SSE2__)
inline __m128i load(const std::uint8_t* p) noexcept { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

template <bool Stream>
inline void store(std::uint8_t* p, __m128i v) noexcept {
  if constexpr (Stream)
    _mm_stream_si128(reinterpret_cast<__m128i*>(p), v);
  else
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Four source rows of four pixels in; out, the four columns: out[m] holds pixel m of rows 0 .. 3.
inline void transpose4(const __m128i in[4], __m128i out[4]) noexcept {
  const __m128i t0 = _mm_unpacklo_epi32(in[0], in[1]), t1 = _mm_unpacklo_epi32(in[2], in[3]);
  const __m128i t2 = _mm_unpackhi_epi32(in[0], in[1]), t3 = _mm_unpackhi_epi32(in[2], in[3]);
  out[0] = _mm_unpacklo_epi64(t0, t1);
  out[1] = _mm_unpackhi_epi64(t0, t1);
  out[2] = _mm_unpacklo_epi64(t2, t3);
  out[3] = _mm_unpackhi_epi64(t2, t3);
}

// Destination columns c0 .. c0 + 15, rows r0 .. r0 + 4·quads − 1: per four destination rows, sixteen source rows
// are read four pixels each and transposed, then each destination row is stored as one run of four vectors.
// With Stream the stores bypass the cache (the turned page is far larger than it, and whole lines are written),
// which needs c0 on a 64-byte line.
template <bool CounterClockwise, bool Stream>
void turnBlock(const PixView& source, const PixView& destination, int c0, int r0, int quads) noexcept {
  const int w = source.width(), h = source.height();
  for (int q = 0; q < quads; ++q) {
    const int r = r0 + 4 * q;
    __m128i rows[4][4];  // [destination row][16-byte quarter of the line]
    for (int a = 0; a < 4; ++a) {
      __m128i in[4], out[4];
      if constexpr (CounterClockwise) {
        // Source rows c0 + 4a .. + 3, columns W − 4 − r .. W − 1 − r; destination row r + 3 − m takes column m.
        for (int i = 0; i < 4; ++i) in[i] = load(source.localPixel(w - 4 - r, c0 + 4 * a + i));
        transpose4(in, out);
        for (int m = 0; m < 4; ++m) rows[3 - m][a] = out[m];
      } else {
        // Source rows H − 4 − c0 − 4a .. H − 1 − c0 − 4a, columns r .. r + 3, land in quarter a of the lines;
        // rows read downwards fill it leftwards, so each column comes out reversed.
        for (int i = 0; i < 4; ++i) in[i] = load(source.localPixel(r, h - 4 - c0 - 4 * a + i));
        transpose4(in, out);
        for (int m = 0; m < 4; ++m) rows[m][a] = _mm_shuffle_epi32(out[m], 0x1B);
      }
    }
    for (int m = 0; m < 4; ++m) {
      std::uint8_t* to = destination.localPixel(c0, r + m);
      for (int a = 0; a < 4; ++a) store<Stream>(to + 16 * a, rows[m][a]);
    }
  }
}

// Destination columns c0 .. c0 + 15 in every row: the rows short of a whole block, then the blocks downwards.
template <bool CounterClockwise, bool Stream>
void turnStrip(const PixView& source, const PixView& destination, int c0) noexcept {
  const int rows = destination.height(), blocks = rows / kBlock;
  int r = blocks * kBlock;
  if (rows - r >= 4) turnBlock<CounterClockwise, Stream>(source, destination, c0, r, (rows - r) / 4);
  turnPixels(source, destination, CounterClockwise, c0, c0 + kBlock, r + (rows - r) / 4 * 4, rows);
  for (int b = 0; b < blocks; ++b) turnBlock<CounterClockwise, Stream>(source, destination, c0, kBlock * b, 4);
}
#endif

// Swaps a[x] with b[n − 1 − x] for x < count (count ≤ n, and ≤ n / 2 when a and b are one row).
void swapReversed(std::uint8_t* a, std::uint8_t* b, int n, int count) noexcept {
  int x = 0;
#if defined(__SSE2__)
  // Four whole pixels from each end, their order reversed, exchanged; with one row the two runs never overlap.
  for (; x + 4 <= count; x += 4) {
    std::uint8_t* p = a + static_cast<std::ptrdiff_t>(x) * kBytesPerPixel;
    std::uint8_t* q = b + static_cast<std::ptrdiff_t>(n - x - 4) * kBytesPerPixel;
    const __m128i u = load(p), v = load(q);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_shuffle_epi32(v, 0x1B));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_shuffle_epi32(u, 0x1B));
  }
#endif
  for (; x < count; ++x) {
    std::uint8_t t[kBytesPerPixel];
    std::uint8_t* p = a + static_cast<std::ptrdiff_t>(x) * kBytesPerPixel;
    std::uint8_t* q = b + static_cast<std::ptrdiff_t>(n - 1 - x) * kBytesPerPixel;
    std::memcpy(t, p, kBytesPerPixel);
    std::memcpy(p, q, kBytesPerPixel);
    std::memcpy(q, t, kBytesPerPixel);
  }
}

// Destination rows [first, end) and the source columns they come from, as views of their own. Counter-clockwise
// destination row r is source column W − 1 − r; clockwise, source column r.
std::pair<PixView, PixView> rowsOfTurn(const PixView& source, const PixView& destination, bool counterClockwise,
                                       int first, int end) noexcept {
  const int column = counterClockwise ? destination.height() - end : first;
  return {PixView(source.localPixel(column, 0), source.rowBytes(), makeRect(0, 0, source.height(), end - first)),
          PixView(destination.row(first), destination.rowBytes(), makeRect(0, 0, end - first, source.height()))};
}

}  // namespace

void rotateQuarterPixels(const PixView& source, const PixView& destination, bool counterClockwise) noexcept {
  const int columns = source.height();  // the destination's width
#if defined(__SSE2__)
  // Columns up to the first 64-byte line, whole 16-pixel strips, then what is left. Streaming stores need every
  // strip on a line in every row, as in our offscreens; otherwise the strips take plain stores.
  const auto address = reinterpret_cast<std::uintptr_t>(destination.base());
  const bool stream =
      address % kBytesPerPixel == 0 && destination.rowBytes() % static_cast<std::ptrdiff_t>(kLineBytes) == 0;
  const int head =
      stream ? std::min(columns, static_cast<int>((kLineBytes - address % kLineBytes) % kLineBytes) / kBytesPerPixel)
             : 0;
  turnPixels(source, destination, counterClockwise, 0, head, 0, destination.height());
  const int strips = (columns - head) / kBlock, tail = head + strips * kBlock;
  // Strips in the order that reads the source from the top down (clockwise, the destination's last strip first).
  for (int s = 0; s < strips; ++s) {
    const int c = head + kBlock * (counterClockwise ? s : strips - 1 - s);
    if (counterClockwise)
      stream ? turnStrip<true, true>(source, destination, c) : turnStrip<true, false>(source, destination, c);
    else
      stream ? turnStrip<false, true>(source, destination, c) : turnStrip<false, false>(source, destination, c);
  }
  if (stream) _mm_sfence();  // the streamed lines reach memory before anyone is told the turn is done
  turnPixels(source, destination, counterClockwise, tail, columns, 0, destination.height());
#else
  // Blocks of 16 × 16, each destination row of a block written left to right.
  for (int c = 0; c < columns; c += kBlock)
    for (int r = 0; r < destination.height(); r += kBlock)
      turnPixels(source, destination, counterClockwise, c, std::min(columns, c + kBlock), r,
                 std::min(destination.height(), r + kBlock));
#endif
}

void mirrorRows(const PixView& view) noexcept {
  for (int y = 0; y < view.height(); ++y) swapReversed(view.row(y), view.row(y), view.width(), view.width() / 2);
}

void rotateHalfPixels(const PixView& view) noexcept {
  const int w = view.width(), h = view.height();
  for (int y = 0; y < h / 2; ++y) swapReversed(view.row(y), view.row(h - 1 - y), w, w);
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
  // Bands of destination rows, each from its own source columns, so no two bands write one line. The band
  // edges are kept on whole blocks.
  forRowBands(to.height(), [&](int first, int end) {
    first -= first % kBlock;
    if (end != to.height()) end -= end % kBlock;
    if (first == end) return;
    const auto [columns, rows] = rowsOfTurn(from, to, counterClockwise, first, end);
    rotateQuarterPixels(columns, rows, counterClockwise);
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
  const PixView view = gworld->view();
  const int w = view.width(), h = view.height();
  // Bands of row pairs (y, H − 1 − y); the middle row of an odd height goes with the last band.
  forRowBands(h / 2, [&](int first, int end) {
    for (int y = first; y < end; ++y) swapReversed(view.row(y), view.row(h - 1 - y), w, w);
  });
  if (h % 2 == 1) mirrorRows(PixView(view.row(h / 2), view.rowBytes(), makeRect(0, 0, 1, w)));
  return true;
}

}  // namespace vorl
