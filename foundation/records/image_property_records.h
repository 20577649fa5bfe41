// Colour adjustment and per-image property records: the six-value colour adjustment, the settings an output
// image file keeps about itself (resource 5000) and, for a keyed image, with its chroma-key data (5003).
#pragma once

#include <array>
#include <cstddef>

#include "foundation/records/job_records.h"

namespace vorl {

// Six values, each -32..32.
struct myImageColorAdjustInfo {
  SInt16Field red;
  SInt16Field green;
  SInt16Field blue;
  SInt16Field dark;
  SInt16Field light;
  SInt16Field gamma;
};
static_assert(sizeof(myImageColorAdjustInfo) == 12);

// The bytes of the keying engine's coefficient block, which the keying subsystem interprets.
inline constexpr std::size_t kKeyCoefficientBlockSize = 10864;

struct tImageProperties {
  Point point0;                               // 0
  SInt16Field value4;                         // 4
  SInt16Field gap6;                           // 6: unused, floats sit at 4-byte offsets
  Float32Field float8;                        // 8
  SInt16Field value12;                        // 12
  SInt16Field gap14;                          // 14
  Float32Field float16;                       // 16
  Float32Field float20;                       // 20
  SInt16Field value24;                        // 24
  myImageColorAdjustInfo colorAdjust;         // 26
  Point point38;                              // 38
  std::array<unsigned char, 102> reserved{};  // 42

  // A record made for saving: zeroed, with 1.0 in both floats at 16 and 20.
  static tImageProperties newForSaving() noexcept {
    tImageProperties properties;
    properties.float16 = 1.0f;
    properties.float20 = 1.0f;
    return properties;
  }
};

static_assert(sizeof(tImageProperties) == 144);
static_assert(offsetof(tImageProperties, value4) == 4);
static_assert(offsetof(tImageProperties, float8) == 8);
static_assert(offsetof(tImageProperties, value12) == 12);
static_assert(offsetof(tImageProperties, float16) == 16);
static_assert(offsetof(tImageProperties, float20) == 20);
static_assert(offsetof(tImageProperties, value24) == 24);
static_assert(offsetof(tImageProperties, colorAdjust) == 26);
static_assert(offsetof(tImageProperties, point38) == 38);
static_assert(offsetof(tImageProperties, reserved) == 42);

struct tCKImageProperties {
  tImageProperties image;                                                 // 0
  std::array<unsigned char, kKeyCoefficientBlockSize> keyCoefficients{};  // 144
  Str63 backgroundName;                                                   // 11008
  Rect rect11072;                                                         // 11072
  std::array<unsigned char, 12> reserved11080{};                          // 11080
  Rect rect11092;                                                         // 11092
  std::array<unsigned char, 8> reserved11100{};                           // 11100
  tJunkMaskStructure junkMask;                                            // 11108
  std::array<Point, 25> polygon1;                                         // 11120
  std::array<Point, 25> polygon2;                                         // 11220
  std::array<unsigned char, 20> reserved11320{};                          // 11320
};

static_assert(sizeof(tCKImageProperties) == 11340);
static_assert(offsetof(tCKImageProperties, keyCoefficients) == 144);
static_assert(offsetof(tCKImageProperties, backgroundName) == 11008);
static_assert(offsetof(tCKImageProperties, rect11072) == 11072);
static_assert(offsetof(tCKImageProperties, reserved11080) == 11080);
static_assert(offsetof(tCKImageProperties, rect11092) == 11092);
static_assert(offsetof(tCKImageProperties, reserved11100) == 11100);
static_assert(offsetof(tCKImageProperties, junkMask) == 11108);
static_assert(offsetof(tCKImageProperties, polygon1) == 11120);
static_assert(offsetof(tCKImageProperties, polygon2) == 11220);
static_assert(offsetof(tCKImageProperties, reserved11320) == 11320);

}  // namespace vorl
