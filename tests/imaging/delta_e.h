// Colour differences between two pictures whose values are sRGB, as ΔE00 (LittleCMS's cmsCIE2000DeltaE on
// the Lab of each pixel), and the LittleCMS transforms the colour tests take their expectations from.
#pragma once

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "tests/imaging/pixel_fixtures.h"

namespace vorl::test {

struct DeltaE {
  double mean = 0;
  double max = 0;
};

// ΔE00 between the red, green and blue of the two pictures' port rectangles (same size), read as sRGB.
inline DeltaE deltaE00(const Offscreen& a, const Offscreen& b) {
  cmsHPROFILE sRGB = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM toLab = cmsCreateTransform(sRGB, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
  DeltaE result;
  int count = 0;
  const Rect r = a.portRect(), s = b.portRect();
  for (int y = 0; y < rectHeight(r); ++y)
    for (int x = 0; x < rectWidth(r); ++x) {
      const Pixel pa = pixelAt(a, r.left + x, r.top + y), pb = pixelAt(b, s.left + x, s.top + y);
      const std::uint8_t rgbA[3] = {pa[1], pa[2], pa[3]}, rgbB[3] = {pb[1], pb[2], pb[3]};
      cmsCIELab labA, labB;
      cmsDoTransform(toLab, rgbA, &labA, 1);
      cmsDoTransform(toLab, rgbB, &labB, 1);
      const double d = cmsCIE2000DeltaE(&labA, &labB, 1, 1, 1);
      result.mean += d;
      result.max = std::max(result.max, d);
      ++count;
    }
  if (count > 0) result.mean /= count;
  cmsDeleteTransform(toLab);
  cmsCloseProfile(sRGB);
  cmsCloseProfile(lab);
  return result;
}

// Prints the figure so a run shows how far a road is from its expectation.
inline DeltaE reportDeltaE(const std::string& road, const Offscreen& actual, const Offscreen& expected) {
  const DeltaE d = deltaE00(actual, expected);
  std::printf("[ ΔE00 ] %s: mean %.2f, max %.2f\n", road.c_str(), d.mean, d.max);
  return d;
}

// A copy of the picture with its red, green and blue put through LittleCMS from `source` to `destination`
// (ICC bytes) with the intent and flags; alpha stays. A pair LittleCMS cannot join (a profile of another colour
// space) fails the test and gives a white picture.
inline OffscreenPtr transformedCopy(const Offscreen& picture, std::span<const std::uint8_t> source,
                                    std::span<const std::uint8_t> destination, int intent, std::uint32_t flags = 0) {
  cmsHPROFILE in = cmsOpenProfileFromMem(source.data(), static_cast<cmsUInt32Number>(source.size()));
  cmsHPROFILE out = cmsOpenProfileFromMem(destination.data(), static_cast<cmsUInt32Number>(destination.size()));
  cmsHTRANSFORM transform =
      cmsCreateTransform(in, TYPE_RGB_8, out, TYPE_RGB_8, static_cast<cmsUInt32Number>(intent), flags);
  const Rect r = picture.portRect();
  OffscreenPtr copy = makeOffscreen(r);
  if (transform == nullptr) {
    ADD_FAILURE() << "LittleCMS makes no RGB transform between these profiles";
    cmsCloseProfile(in);
    cmsCloseProfile(out);
    return copy;
  }
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      Pixel p = pixelAt(picture, x, y);
      std::uint8_t rgb[3] = {p[1], p[2], p[3]}, result[3] = {};
      cmsDoTransform(transform, rgb, result, 1);
      setPixel(*copy, x, y, Pixel{p[0], result[0], result[1], result[2]});
    }
  cmsDeleteTransform(transform);
  cmsCloseProfile(in);
  cmsCloseProfile(out);
  return copy;
}

}  // namespace vorl::test
