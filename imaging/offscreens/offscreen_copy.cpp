// Copying between offscreens, filling and erasing them.
#include "imaging/offscreens/offscreen_copy.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "foundation/services/messages.h"
#include "imaging/offscreens/pixel_locks.h"
#include "imaging/parallel/row_bands.h"

namespace vorl {

namespace {

constexpr std::int16_t kOffscreenMessages = 4101;

// For each destination position of a span of n, the source position of a span of m that it takes; -1 when that
// source position lies outside [limitLow, limitHigh).
std::vector<int> nearestMap(int n, int sourceStart, int m, int limitLow, int limitHigh) {
  std::vector<int> map(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const auto s = static_cast<int>(sourceStart + (std::int64_t{2} * i + 1) * m / (std::int64_t{2} * n));
    map[static_cast<std::size_t>(i)] = (s >= limitLow && s < limitHigh) ? s : -1;
  }
  return map;
}

bool isWhite(const std::uint8_t* p) noexcept {
  return p[kRedByte] == 255 && p[kGreenByte] == 255 && p[kBlueByte] == 255;
}

// The destination rectangle clipped to the port; empty when nothing is left.
Rect clipToPort(const Rect& r, const Rect& port) noexcept {
  return makeRect(std::max<int>(r.top, port.top), std::max<int>(r.left, port.left),
                  std::min<int>(r.bottom, port.bottom), std::min<int>(r.right, port.right));
}

// Rows first .. end − 1 of a pass split over the job pool when the pass reads one offscreen and writes another:
// each destination row then depends on source rows only, so the bytes are those of one thread. Within one
// offscreen the rows run in order on the calling thread.
void forRows(bool separate, int first, int end, const std::function<void(int)>& row) {
  if (end <= first) return;
  if (!separate) {
    for (int y = first; y < end; ++y) row(y);
    return;
  }
  forRowBands(end - first, [&](int bandFirst, int bandEnd) {
    for (int y = first + bandFirst; y < first + bandEnd; ++y) row(y);
  });
}

// The stretching copy. `source` may be the destination's own pixels: the source rectangle is then copied aside
// first so that no pixel is read after it was written.
void copyPixels(const PixView& sourceIn, Rect sourceRect, const PixView& destination, const Rect& destRect,
                std::int16_t mode) {
  if (rectEmpty(sourceRect) || rectEmpty(destRect)) return;
  const Rect clipped = clipToPort(destRect, destination.port());
  if (rectEmpty(clipped)) return;

  PixView source = sourceIn;
  std::vector<std::uint8_t> aside;
  const bool unstretched =
      rectWidth(sourceRect) == rectWidth(destRect) && rectHeight(sourceRect) == rectHeight(destRect);
  if (source.base() == destination.base() && !(unstretched && mode != transparent)) {
    const Rect part = clipToPort(sourceRect, source.port());
    if (rectEmpty(part)) return;
    const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(rectWidth(part)) * kBytesPerPixel;
    aside.resize(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(rectHeight(part)));
    for (int y = part.top; y < part.bottom; ++y)
      std::memcpy(aside.data() + (y - part.top) * rowBytes, source.portPixel(part.left, y),
                  static_cast<std::size_t>(rowBytes));
    source = PixView(aside.data(), rowBytes, part);
  }

  const int dw = rectWidth(destRect), dh = rectHeight(destRect);
  const int sw = rectWidth(sourceRect), sh = rectHeight(sourceRect);
  const Rect& sp = source.port();
  if (dw == sw && dh == sh && mode != transparent) {
    // Unstretched: one block per row over the columns that both ports hold.
    const int shiftX = sourceRect.left - destRect.left, shiftY = sourceRect.top - destRect.top;
    const int left = std::max<int>(clipped.left, sp.left - shiftX);
    const int right = std::min<int>(clipped.right, sp.right - shiftX);
    const int top = std::max<int>(clipped.top, sp.top - shiftY);
    const int bottom = std::min<int>(clipped.bottom, sp.bottom - shiftY);
    if (left >= right) return;
    // Within one offscreen, a copy downwards walks from the bottom so that no row is read after it was written.
    const bool upwards = source.base() == destination.base() && shiftY < 0;
    forRows(source.base() != destination.base(), 0, bottom - top, [&](int i) {
      const int y = upwards ? bottom - 1 - i : top + i;
      std::memmove(destination.portPixel(left, y), source.portPixel(left + shiftX, y + shiftY),
                   static_cast<std::size_t>(right - left) * kBytesPerPixel);
    });
    return;
  }
  const std::vector<int> columns = nearestMap(dw, sourceRect.left, sw, sp.left, sp.right);
  const std::vector<int> rows = nearestMap(dh, sourceRect.top, sh, sp.top, sp.bottom);

  forRows(source.base() != destination.base(), clipped.top, clipped.bottom, [&](int y) {
    const int sy = rows[static_cast<std::size_t>(y - destRect.top)];
    if (sy < 0) return;
    for (int x = clipped.left; x < clipped.right; ++x) {
      const int sx = columns[static_cast<std::size_t>(x - destRect.left)];
      if (sx < 0) continue;
      const std::uint8_t* s = source.portPixel(sx, sy);
      if (mode == transparent && isWhite(s)) continue;
      std::memcpy(destination.portPixel(x, y), s, kBytesPerPixel);
    }
  });
}

void blendThroughMask(const PixView& source, const Rect& sourceRect, const PixView& mask, const Rect& maskRect,
                      const PixView& destination, const Rect& destRect) {
  if (rectEmpty(sourceRect) || rectEmpty(maskRect) || rectEmpty(destRect)) return;
  const Rect clipped = clipToPort(destRect, destination.port());
  if (rectEmpty(clipped)) return;
  const int dw = rectWidth(destRect), dh = rectHeight(destRect);
  const Rect& sp = source.port();
  const Rect& mp = mask.port();
  const auto sourceColumns = nearestMap(dw, sourceRect.left, rectWidth(sourceRect), sp.left, sp.right);
  const auto sourceRows = nearestMap(dh, sourceRect.top, rectHeight(sourceRect), sp.top, sp.bottom);
  const auto maskColumns = nearestMap(dw, maskRect.left, rectWidth(maskRect), mp.left, mp.right);
  const auto maskRows = nearestMap(dh, maskRect.top, rectHeight(maskRect), mp.top, mp.bottom);

  const bool separate = source.base() != destination.base() && mask.base() != destination.base();
  forRows(separate, clipped.top, clipped.bottom, [&](int y) {
    const int sy = sourceRows[static_cast<std::size_t>(y - destRect.top)];
    const int my = maskRows[static_cast<std::size_t>(y - destRect.top)];
    if (sy < 0 || my < 0) return;
    for (int x = clipped.left; x < clipped.right; ++x) {
      const int sx = sourceColumns[static_cast<std::size_t>(x - destRect.left)];
      const int mx = maskColumns[static_cast<std::size_t>(x - destRect.left)];
      if (sx < 0 || mx < 0) continue;
      const std::uint8_t* s = source.portPixel(sx, sy);
      const std::uint8_t* m = mask.portPixel(mx, my);
      std::uint8_t* d = destination.portPixel(x, y);
      for (int c = kRedByte; c <= kBlueByte; ++c)
        d[c] = static_cast<std::uint8_t>((s[c] * (255 - m[c]) + d[c] * m[c] + 127) / 255);
    }
  });
}

// blendThroughMask with the source's own alpha as the grey of the mask: alpha 0 takes the source, 255 keeps
// the destination.
void blendThroughOwnAlpha(const PixView& source, const Rect& sourceRect, const PixView& destination,
                          const Rect& destRect) {
  if (rectEmpty(sourceRect) || rectEmpty(destRect)) return;
  const Rect clipped = clipToPort(destRect, destination.port());
  if (rectEmpty(clipped)) return;
  const int dw = rectWidth(destRect), dh = rectHeight(destRect);
  const Rect& sp = source.port();
  const auto sourceColumns = nearestMap(dw, sourceRect.left, rectWidth(sourceRect), sp.left, sp.right);
  const auto sourceRows = nearestMap(dh, sourceRect.top, rectHeight(sourceRect), sp.top, sp.bottom);
  forRows(source.base() != destination.base(), clipped.top, clipped.bottom, [&](int y) {
    const int sy = sourceRows[static_cast<std::size_t>(y - destRect.top)];
    if (sy < 0) return;
    for (int x = clipped.left; x < clipped.right; ++x) {
      const int sx = sourceColumns[static_cast<std::size_t>(x - destRect.left)];
      if (sx < 0) continue;
      const std::uint8_t* s = source.portPixel(sx, sy);
      const int m = s[kAlphaByte];
      if (m == 255) continue;
      std::uint8_t* d = destination.portPixel(x, y);
      for (int c = kRedByte; c <= kBlueByte; ++c)
        d[c] = static_cast<std::uint8_t>((s[c] * (255 - m) + d[c] * m + 127) / 255);
    }
  });
}

void fillRect(const PixView& view, const Rect& area, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const Rect clipped = clipToPort(area, view.port());
  if (rectEmpty(clipped)) return;
  forRows(true, clipped.top, clipped.bottom, [&](int y) {
    std::uint8_t* p = view.portPixel(clipped.left, y);
    for (int x = clipped.left; x < clipped.right; ++x, p += kBytesPerPixel) {
      p[kAlphaByte] = 0;
      p[kRedByte] = red;
      p[kGreenByte] = green;
      p[kBlueByte] = blue;
    }
  });
}

// The checks of every copy from one offscreen into another: both there (messages 13 and 14 of the offscreen
// list), both lockable (message 3); then `copy` runs with both locked. False when a check fails.
template <class Copy>
bool copyBetween(Offscreen* source, Offscreen* destination, Copy copy) {
  if (source == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 13);
    return false;
  }
  if (destination == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 14);
    return false;
  }
  PixelLock sourceLock(source);
  PixelLock destinationLock(destination);
  if (!sourceLock.locked() || !destinationLock.locked()) {
    DisplayWarningMessage(kOffscreenMessages, 3);
    return false;
  }
  copy();
  return true;
}

}  // namespace

bool myCopyBits(Offscreen* source, Offscreen* destination, const Rect* sourceRect, const Rect* destRect,
                std::int16_t mode, const void* maskRegion) {
  static_cast<void>(maskRegion);
  return copyBetween(source, destination, [&] {
    const Rect from = sourceRect ? *sourceRect : source->portRect();
    const Rect to = destRect ? *destRect : destination->portRect();
    copyPixels(source->view(), from, destination->view(), to, mode);
  });
}

bool copyGWorldToGWorld(Offscreen* source, Offscreen* destination, const Rect* sourceRect, const Rect* destRect) {
  return myCopyBits(source, destination, sourceRect, destRect, srcCopy, nullptr);
}

bool myCopyDeepMask(Offscreen* source, Offscreen* mask, Offscreen* destination, const Rect* sourceRect,
                    const Rect* maskRect, const Rect* destRect, std::int16_t mode, const void* maskRegion) {
  static_cast<void>(mode);
  static_cast<void>(maskRegion);
  if (source == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 13);
    return false;
  }
  if (mask == nullptr || destination == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 14);
    return false;
  }
  PixelLock sourceLock(source);
  PixelLock maskLock(mask);
  PixelLock destinationLock(destination);
  if (!sourceLock.locked() || !maskLock.locked() || !destinationLock.locked()) {
    DisplayWarningMessage(kOffscreenMessages, 3);
    return false;
  }
  blendThroughMask(source->view(), sourceRect ? *sourceRect : source->portRect(), mask->view(),
                   maskRect ? *maskRect : mask->portRect(), destination->view(),
                   destRect ? *destRect : destination->portRect());
  return true;
}

bool myCopyThroughOwnAlpha(Offscreen* source, Offscreen* destination, const Rect* sourceRect, const Rect* destRect) {
  return copyBetween(source, destination, [&] {
    blendThroughOwnAlpha(source->view(), sourceRect ? *sourceRect : source->portRect(), destination->view(),
                         destRect ? *destRect : destination->portRect());
  });
}

void simpleDraw(Offscreen* gworld, Offscreen* port, Rect sourceRect, Rect destRect) {
  if (gworld == nullptr || port == nullptr) return;
  copyPixels(gworld->view(), sourceRect, port->view(), destRect, srcCopy);
}

bool drawClippedToFrame(Offscreen* destination, const Rect& destRect, const Rect& frame,
                        const std::function<bool(Offscreen*)>& draw) {
  if (destination == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 14);
    return false;
  }
  const bool inside = destRect.top >= frame.top && destRect.left >= frame.left && destRect.bottom <= frame.bottom &&
                      destRect.right <= frame.right;
  if (inside || rectEmpty(destRect)) return draw(destination);
  OffscreenPtr scratch{myNewGWorld(&destRect)};
  if (!scratch) return false;
  PixelLock lock(destination);
  copyPixels(destination->view(), destRect, scratch->view(), destRect, srcCopy);
  if (!draw(scratch.get())) return false;
  const Rect shown = clipToPort(clipToPort(destRect, frame), destination->portRect());
  copyPixels(scratch->view(), shown, destination->view(), shown, srcCopy);
  return true;
}

bool fillPixelMap(Offscreen* gworld, std::int32_t rgb) {
  if (gworld == nullptr) return false;
  PixelLock lock(gworld);
  fillRect(gworld->view(), gworld->portRect(), static_cast<std::uint8_t>(rgb >> 16),
           static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb));
  return true;
}

void clearOutGWorld2(Offscreen* gworld, Rect area) {
  if (gworld == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 7);
    return;
  }
  PixelLock lock(gworld);
  fillRect(gworld->view(), area, 255, 255, 255);
}

Offscreen* myCreateMaskGWorld(Rect bounds, std::int16_t level) {
  const std::int16_t clamped = std::clamp<std::int16_t>(level, 0, 100);
  // Single-precision quotient, double product, as the grey levels of existing masks were made.
  const float fraction = static_cast<float>(clamped) / 100.0f;
  const auto grey = static_cast<std::uint8_t>(static_cast<int>(std::trunc(255.0 * fraction)));
  Offscreen* mask = myNewGWorld(&bounds);
  if (mask == nullptr) return nullptr;
  static_cast<void>(fillPixelMap(mask, (grey << 16) | (grey << 8) | grey));
  return mask;
}

Offscreen* myDuplicateGWorld(Offscreen* gworld) {
  if (gworld == nullptr) return nullptr;
  static_cast<void>(protectTheGworld(gworld));
  const Rect bounds = gworld->portRect();
  Offscreen* duplicate = myNewGWorld(&bounds, gworld->pixelSize());
  if (duplicate == nullptr) return nullptr;
  static_cast<void>(protectTheGworld(duplicate));
  const PixView from = gworld->view(), to = duplicate->view();
  const auto rowBytes = static_cast<std::size_t>(from.width()) * kBytesPerPixel;
  forRows(true, 0, from.height(), [&](int y) { std::memcpy(to.row(y), from.row(y), rowBytes); });
  return duplicate;
}

}  // namespace vorl
