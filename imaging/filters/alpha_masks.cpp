// Masks and the alpha channel.
#include "imaging/filters/alpha_masks.h"

#include <algorithm>
#include <cstring>

#include "imaging/offscreens/offscreen_copy.h"

namespace vorl {

namespace {

template <class PixelFunction>
bool forEachPixel(Offscreen* offscreen, PixelFunction function) {
  theGworldInfoStruct info;
  info.gworld = offscreen;
  if (!getMyGworldInfo(&info)) return false;
  const PixView view = info.view();
  for (int y = 0; y < info.height; ++y) {
    std::uint8_t* p = view.row(y);
    for (int x = 0; x < info.width; ++x, p += kBytesPerPixel) function(p);
  }
  mySetPixelsState(info.pixMap, info.pixelsState);
  return true;
}

}  // namespace

std::uint8_t maskLuminance(const std::uint8_t* pixel) noexcept {
  const float sum = 0.3f * pixel[kRedByte] + 0.59f * pixel[kGreenByte] + 0.11f * pixel[kBlueByte];
  return static_cast<std::uint8_t>(std::clamp(sum, 0.0f, 255.0f));
}

std::uint32_t get4ByteRGBValue(const theGworldInfoStruct* info, std::int16_t x, std::int16_t y) noexcept {
  if (info == nullptr || info->baseAddr == nullptr) return 0;
  std::uint32_t word = 0;
  std::memcpy(&word, info->baseAddr + y * info->rowBytes + x * kBytesPerPixel, sizeof word);
  return word;
}

Offscreen* myCreateMaskGWorld(Offscreen* source) {
  if (source == nullptr) return nullptr;
  static_cast<void>(protectTheGworld(source));
  const Rect bounds = source->portRect();
  Offscreen* mask = myNewGWorld(&bounds, 32);
  if (mask == nullptr) return nullptr;
  static_cast<void>(protectTheGworld(mask));
  if (!myCreateMaskBits(source, mask)) return myDisposeGWorld(mask, true);
  return mask;
}

bool myCreateMaskBits(Offscreen* source, Offscreen* mask) {
  theGworldInfoStruct from, to;
  from.gworld = source;
  to.gworld = mask;
  if (!getMyGworldInfo(&from)) return false;
  if (!getMyGworldInfo(&to)) {
    mySetPixelsState(from.pixMap, from.pixelsState);
    return false;
  }
  const bool sameSize = from.width == to.width && from.height == to.height;
  if (sameSize) {
    const PixView s = from.view(), m = to.view();
    for (int y = 0; y < from.height; ++y) {
      const std::uint8_t* p = s.row(y);
      std::uint8_t* q = m.row(y);
      for (int x = 0; x < from.width; ++x, p += kBytesPerPixel, q += kBytesPerPixel) {
        const std::uint8_t a = p[kAlphaByte];
        q[kAlphaByte] = 0;
        q[kRedByte] = q[kGreenByte] = q[kBlueByte] = a;
      }
    }
  }
  mySetPixelsState(to.pixMap, to.pixelsState);
  mySetPixelsState(from.pixMap, from.pixelsState);
  return sameSize;
}

bool myCopyMaskGworldToAlphaChannel(Offscreen* target, Offscreen* mask) {
  if (target == nullptr || mask == nullptr) return false;
  if (target->width() != mask->width() || target->height() != mask->height()) return false;
  CRect_AC targetArea = target->portRect(), maskArea = mask->portRect();
  return myCopyMaskGworldToAlphaChannel(target, mask, maskArea, targetArea);
}

bool myCopyMaskGworldToAlphaChannel(Offscreen* target, Offscreen* mask, CRect_AC maskArea, CRect_AC targetArea) {
  theGworldInfoStruct to, from;
  to.gworld = target;
  from.gworld = mask;
  if (!getMyGworldInfo(&to)) return false;
  if (!getMyGworldInfo(&from)) {
    mySetPixelsState(to.pixMap, to.pixelsState);
    return false;
  }
  const PixView t = to.view(), m = from.view();
  const int dx = maskArea.left - targetArea.left, dy = maskArea.top - targetArea.top;
  // Only the pixels that both ports hold: the target area clipped to the target, then to the mask moved over.
  const int top = std::max({int{targetArea.top}, int{t.port().top}, m.port().top - dy});
  const int bottom = std::min({int{targetArea.bottom}, int{t.port().bottom}, m.port().bottom - dy});
  const int left = std::max({int{targetArea.left}, int{t.port().left}, m.port().left - dx});
  const int right = std::min({int{targetArea.right}, int{t.port().right}, m.port().right - dx});
  for (int r = top; r < bottom; ++r) {
    std::uint8_t* p = t.portPixel(left, r);
    const std::uint8_t* q = m.portPixel(left + dx, r + dy);
    for (int c = left; c < right; ++c, p += kBytesPerPixel, q += kBytesPerPixel)
      p[kAlphaByte] = static_cast<std::uint8_t>(p[kAlphaByte] | maskLuminance(q));
  }
  mySetPixelsState(from.pixMap, from.pixelsState);
  mySetPixelsState(to.pixMap, to.pixelsState);
  return true;
}

bool mySetGworldAlphaChannelToByteValue(Offscreen* offscreen, std::uint8_t value) {
  return forEachPixel(offscreen, [value](std::uint8_t* p) { p[kAlphaByte] = value; });
}
bool myFillOffscreen(Offscreen* offscreen) { return mySetGworldAlphaChannelToByteValue(offscreen, 255); }
bool myClearOffscreen(Offscreen* offscreen) { return mySetGworldAlphaChannelToByteValue(offscreen, 0); }

void layTransparencyOntoWhite(Offscreen& image) noexcept {
  const PixView view = image.view();
  for (int y = 0; y < image.height(); ++y) {
    std::uint8_t* pixel = view.row(y);
    for (int x = 0; x < image.width(); ++x, pixel += kBytesPerPixel) {
      const int keep = pixel[kAlphaByte];
      if (keep == 0) continue;
      const int cover = 255 - keep;
      // The blend of a decoded image drawn at its own size (cg_drawing.cpp): keep both in step, so every road
      // prints a transparent photo alike.
      for (const int c : {kRedByte, kGreenByte, kBlueByte})
        pixel[c] = static_cast<std::uint8_t>((pixel[c] * cover + 255 * keep + 127) / 255);
      pixel[kAlphaByte] = 0;
    }
  }
}

bool myCopyOverlayWithMask(std::int16_t useMask, Offscreen* overlay, Offscreen* destination, Rect sourceRect,
                           Rect destRect) {
  if (overlay == nullptr || destination == nullptr) return false;
  if (useMask == 0) return myCopyBits(overlay, destination, &sourceRect, &destRect, transparent, nullptr);
  // The mask would hold the overlay's alpha as its grey; blending through the alpha itself gives the same pixels
  // without a second picture of the overlay's size.
  return myCopyThroughOwnAlpha(overlay, destination, &sourceRect, &destRect);
}

std::int16_t myYieldToAnyThread() noexcept { return 0; }

}  // namespace vorl
