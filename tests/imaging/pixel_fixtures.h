// Small offscreens for the imaging tests: made at any port rectangle, filled by formula or from a seed, and
// read back pixel by pixel in port coordinates.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <random>
#include <vector>

#include "imaging/offscreens/offscreen.h"

namespace vorl::test {

using Pixel = std::array<std::uint8_t, 4>;  // alpha, red, green, blue

inline Rect rectAt(int left, int top, int width, int height) { return makeRect(top, left, top + height, left + width); }

inline OffscreenPtr makeOffscreen(const Rect& bounds) {
  OffscreenPtr offscreen{myNewGWorld(&bounds)};
  EXPECT_TRUE(offscreen);
  return offscreen;
}

inline Pixel pixelAt(const Offscreen& o, int x, int y) {
  Pixel p;
  std::memcpy(p.data(), o.view().portPixel(x, y), 4);
  return p;
}
inline void setPixel(Offscreen& o, int x, int y, const Pixel& p) { std::memcpy(o.view().portPixel(x, y), p.data(), 4); }

template <class Function>
void fillWith(Offscreen& o, Function pixelOf) {
  const Rect r = o.portRect();
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) setPixel(o, x, y, pixelOf(x, y));
}

// Each pixel holds its own coordinates (counted from the port's top-left) and a fixed alpha.
inline Pixel coordinatePixel(int x, int y) {
  return {7, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x + 3 * y)};
}
inline void fillCoordinates(Offscreen& o) {
  const Rect r = o.portRect();
  fillWith(o, [&](int x, int y) { return coordinatePixel(x - r.left, y - r.top); });
}

inline void fillRandom(Offscreen& o, std::uint32_t seed) {
  std::mt19937 random(seed);
  fillWith(o, [&](int, int) {
    const std::uint32_t v = random();
    return Pixel{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                 static_cast<std::uint8_t>(v >> 24)};
  });
}

// The port rectangle's pixels, row after row, without row padding.
inline std::vector<std::uint8_t> pixelBytes(const Offscreen& o) {
  std::vector<std::uint8_t> bytes;
  const PixView v = o.view();
  for (int y = 0; y < v.height(); ++y) bytes.insert(bytes.end(), v.row(y), v.row(y) + 4 * v.width());
  return bytes;
}

}  // namespace vorl::test

namespace vorl {
inline bool operator==(const Rect& a, const Rect& b) { return EqualRect(a, b); }
inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << "(top " << r.top << ", left " << r.left << ", bottom " << r.bottom << ", right " << r.right << ")";
}
}  // namespace vorl
