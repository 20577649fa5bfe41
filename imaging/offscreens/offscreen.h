// imaging/offscreens/: the offscreen and what works on its pixels as plain memory: making and freeing offscreens,
// pixel locks, copying, filling, turning and mirroring, packing into plain bytes, and the placement arithmetic of a
// picture in its frame.
//
// The offscreen: every photograph and every page lives in one.
//
// An offscreen holds 32 bits a pixel, bytes in memory alpha, red, green, blue. Rows start `rowBytes` apart and
// are padded to 64 bytes, so `rowBytes` is usually more than 4 × width: every loop steps rows by `rowBytes`,
// never by the width. The port rectangle keeps the bounds it was made with and need not start at (0, 0); pixel
// (x, y) in port coordinates lies at base + (y − top) · rowBytes + (x − left) · 4.
//
// Alpha follows this system, not the common libraries: 0 means drawn (opaque), 255 not drawn. A new offscreen
// is white with alpha 0. Functions that read alpha say which convention they take.
//
// Offscreens are made only by `myNewGWorld` and freed only by `myDisposeGWorld`; `OffscreenPtr` makes sure the
// second is always called. A raw `Offscreen*` parameter borrows; taking an `OffscreenPtr` by value takes over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/core/mac_types.h"

namespace vorl {

// Byte offsets of the channels inside one pixel.
inline constexpr int kAlphaByte = 0;
inline constexpr int kRedByte = 1;
inline constexpr int kGreenByte = 2;
inline constexpr int kBlueByte = 3;
inline constexpr int kBytesPerPixel = 4;

// A side of a 16-bit rectangle holds at most this many pixels.
inline constexpr int kMaxOffscreenSide = 32767;

// Non-owning view of 32-bit pixels: base of the port rectangle's top-left pixel, row stride and the port
// rectangle. Copyable; valid while the offscreen it came from lives.
class PixView {
 public:
  PixView() noexcept = default;
  PixView(std::uint8_t* base, std::ptrdiff_t rowBytes, const Rect& port) noexcept
      : base_(base), rowBytes_(rowBytes), port_(port) {}

  std::uint8_t* base() const noexcept { return base_; }
  std::ptrdiff_t rowBytes() const noexcept { return rowBytes_; }
  const Rect& port() const noexcept { return port_; }
  int width() const noexcept { return port_.right - port_.left; }
  int height() const noexcept { return port_.bottom - port_.top; }
  bool empty() const noexcept { return base_ == nullptr || width() <= 0 || height() <= 0; }

  // Row y counted from the top of the port rectangle (0 = first row).
  std::uint8_t* row(int y) const noexcept { return base_ + static_cast<std::ptrdiff_t>(y) * rowBytes_; }
  // Pixel (x, y) counted from the port rectangle's top-left.
  std::uint8_t* localPixel(int x, int y) const noexcept { return row(y) + static_cast<std::ptrdiff_t>(x) * 4; }
  // Pixel (x, y) in port coordinates.
  std::uint8_t* portPixel(int x, int y) const noexcept { return localPixel(x - port_.left, y - port_.top); }
  bool containsPort(int x, int y) const noexcept {
    return x >= port_.left && x < port_.right && y >= port_.top && y < port_.bottom;
  }

 private:
  std::uint8_t* base_ = nullptr;
  std::ptrdiff_t rowBytes_ = 0;
  Rect port_{};
};

// Pixel-state bits of a pixel map, as GetPixelsState reports them.
inline constexpr std::uint32_t kPixelsLocked = 0x80;
inline constexpr std::uint32_t kPixelsPurgeable = 0x40;

// Where an offscreen's pixels lie and their lock state. Pixels never move or get purged here; the state is
// kept so that code which saves and restores it behaves as it did.
struct PixMap {
  std::uint8_t* baseAddr = nullptr;
  std::ptrdiff_t rowBytes = 0;
  Rect bounds{};
  std::int16_t pixelSize = 32;
  std::uint32_t state = 0;
};
using PixMapHandle = PixMap*;

class Offscreen {
 public:
  Offscreen(const Offscreen&) = delete;
  Offscreen& operator=(const Offscreen&) = delete;

  const Rect& portRect() const noexcept { return pixMap_.bounds; }
  int width() const noexcept { return pixMap_.bounds.right - pixMap_.bounds.left; }
  int height() const noexcept { return pixMap_.bounds.bottom - pixMap_.bounds.top; }
  std::ptrdiff_t rowBytes() const noexcept { return pixMap_.rowBytes; }
  std::uint8_t* baseAddr() const noexcept { return pixMap_.baseAddr; }
  std::int16_t pixelSize() const noexcept { return pixMap_.pixelSize; }
  PixView view() const noexcept { return PixView(pixMap_.baseAddr, pixMap_.rowBytes, pixMap_.bounds); }
  PixMapHandle pixMap() noexcept { return &pixMap_; }

 private:
  struct AlignedDelete {
    void operator()(std::uint8_t* p) const noexcept;
  };
  Offscreen() = default;
  friend Offscreen* newOffscreen(const Rect& bounds) noexcept;

  std::unique_ptr<std::uint8_t[], AlignedDelete> pixels_;
  PixMap pixMap_;
};
using GWorldPtr = Offscreen*;

// A new 32-bit offscreen whose port rectangle is `bounds` (not moved to the origin), every pixel white with
// alpha 0 (bytes 0, 255, 255, 255). Null after message 4101/10 when the bounds are null, empty, wider or higher
// than 32767 pixels, or the memory cannot be had.
[[nodiscard]] Offscreen* myNewGWorld(const Rect* bounds);
// The same; only depth 32 (or 0, the deepest) is made, since every pixel loop here takes 32 bits. Any other
// depth is refused with message 4101/10.
[[nodiscard]] Offscreen* myNewGWorld(const Rect* bounds, std::int16_t depth);

// Frees the offscreen (null is ignored) and answers null, so callers write the result back. `compact` asks for
// a memory compaction, which has no effect here.
Offscreen* myDisposeGWorld(Offscreen* offscreen, bool compact);

struct OffscreenDisposer {
  void operator()(Offscreen* offscreen) const noexcept { static_cast<void>(myDisposeGWorld(offscreen, false)); }
};
using OffscreenPtr = std::unique_ptr<Offscreen, OffscreenDisposer>;

// The port rectangle; an empty rectangle for null.
Rect myGetPortRect(const Offscreen* offscreen) noexcept;

// Rectangle helpers for the pixel code.
inline int rectWidth(const Rect& r) noexcept { return r.right - r.left; }
inline int rectHeight(const Rect& r) noexcept { return r.bottom - r.top; }
inline bool rectEmpty(const Rect& r) noexcept { return r.right <= r.left || r.bottom <= r.top; }
inline Rect makeRect(int top, int left, int bottom, int right) noexcept {
  Rect r;
  r.top = static_cast<std::int16_t>(top);
  r.left = static_cast<std::int16_t>(left);
  r.bottom = static_cast<std::int16_t>(bottom);
  r.right = static_cast<std::int16_t>(right);
  return r;
}
inline bool EqualRect(const Rect& a, const Rect& b) noexcept {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

}  // namespace vorl
