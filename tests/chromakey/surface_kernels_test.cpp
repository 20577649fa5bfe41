// The surface-key kernels against keys whose answer is known: spherical surfaces around the backing, where along a
// mesh direction every crossing is plain arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "chromakey/engine/direction_mesh.h"
#include "chromakey/engine/key_pipeline.h"
#include "chromakey/engine/key_surfaces.h"
#include "tests/chromakey/key_fixtures.h"

namespace vorl {
namespace {

using test::px;
using test::sphericalKey;

constexpr std::array<float, 3> kMidCube = {32768.0f, 32768.0f, 32768.0f};
constexpr float kInner = 3000, kMiddle = 9000, kOuter = 15000;

// Keys parallel runs through the pass the record's options choose.
std::vector<pixeli> key(fixcoef record, const std::vector<pixeli>& fg, const std::vector<pixeli>* src = nullptr,
                        const std::vector<pixeli>* mask = nullptr) {
  PrimPass pass;
  EXPECT_EQ(primcoef_begin(record, pass), 1);
  std::vector<pixeli> out(fg.size(), px(1, 2, 3, 4));
  primproc(fg.data(), nullptr, src != nullptr ? src->data() : fg.data(), nullptr,
           mask != nullptr ? mask->data() : nullptr, out.data(), static_cast<std::ptrdiff_t>(fg.size()), record, pass);
  return out;
}

pixeli along(int direction, float distance) {
  const auto& a = directionMesh().axtable[direction];
  return px(static_cast<int>(std::lround(kMidCube[0] + distance * a[0])),
            static_cast<int>(std::lround(kMidCube[1] + distance * a[1])),
            static_cast<int>(std::lround(kMidCube[2] + distance * a[2])));
}

struct Family {
  const char* name;
  std::uint32_t options;
};
constexpr Family kFamilies[] = {{"integer", kKeyOptionNoReplacement},
                                {"floating point", kKeyOptionNoReplacement | kKeyOptionFloatKernels}};

// Along every mesh direction, at distances in each band: transparent inside the inner surface, the alpha ramp up to
// the middle surface, opaque beyond it, the colour pulled out to the outer surface until the colour lies past it.
TEST(SurfaceKernels, SphericalKeyAlongEveryMeshDirection) {
  const float distances[] = {1000, 2900, 3100, 4500, 6000, 8900, 9100, 12000, 14900, 15100, 25000};
  for (const Family& family : kFamilies) {
    SCOPED_TRACE(family.name);
    const fixcoef record = sphericalKey(kMidCube, kInner, kMiddle, kOuter, family.options);
    std::vector<pixeli> fg;
    for (int k = 0; k < kMeshDirectionCount; ++k)
      for (float d : distances) fg.push_back(along(k, d));
    const std::vector<pixeli> out = key(record, fg);

    for (std::size_t i = 0; i < fg.size(); ++i) {
      const int k = static_cast<int>(i / std::size(distances));
      SCOPED_TRACE(testing::Message() << "direction " << k << " distance " << distances[i % std::size(distances)]);
      const pixeli& p = fg[i];
      const double d = std::sqrt(std::pow(p.r - 32768.0, 2) + std::pow(p.g - 32768.0, 2) + std::pow(p.b - 32768.0, 2));
      if (d < kInner) {
        EXPECT_EQ(out[i], px(0, 0, 0, 0));
      } else if (d >= kOuter) {
        EXPECT_EQ(out[i], px(p.r, p.g, p.b, 65535));
      } else {
        const double expectedAlpha = d < kMiddle ? (d - kInner) / (kMiddle - kInner) * 65535.0 : 65535.0;
        EXPECT_NEAR(out[i].a, expectedAlpha, 12.0);  // a colour unit moves alpha by 11
        // The spill-corrected colour: where the ray meets the outer surface, whatever the distance.
        const pixeli onOuter = along(k, kOuter);
        EXPECT_NEAR(out[i].r, onOuter.r, 2.0);
        EXPECT_NEAR(out[i].g, onOuter.g, 2.0);
        EXPECT_NEAR(out[i].b, onOuter.b, 2.0);
      }
    }
  }
}

// Between the surfaces of any consistent key, walking away from the backing never lowers alpha, and the corrected
// colour stays the point on the outer surface.
TEST(SurfaceKernels, AlphaRisesAlongEveryRayAndTheCorrectedColourStays) {
  std::mt19937 random(31);
  fixcoef record = sphericalKey(kMidCube, 0, 0, 0, kKeyOptionNoReplacement | kKeyOptionFloatKernels);
  std::uniform_real_distribution<float> radius(2000, 20000);
  for (auto& table : record.radii)
    for (float& r : table) r = radius(random);
  remove_inconsistence(2, record);

  std::normal_distribution<float> normal;
  for (int ray = 0; ray < 300; ++ray) {
    const std::array<float, 3> u = {normal(random), normal(random), normal(random)};
    const float length = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    std::vector<pixeli> fg;
    for (float d = 500; d < 30000; d += 250)
      fg.push_back(px(static_cast<int>(32768 + d * u[0] / length), static_cast<int>(32768 + d * u[1] / length),
                      static_cast<int>(32768 + d * u[2] / length)));
    const std::vector<pixeli> out = key(record, fg);
    int lastAlpha = 0;
    const pixeli* firstCorrected = nullptr;
    for (std::size_t i = 0; i < out.size(); ++i) {
      EXPECT_GE(out[i].a, lastAlpha) << "ray " << ray << " step " << i;
      lastAlpha = out[i].a;
      if (out[i].a == 0 || out[i] == px(fg[i].r, fg[i].g, fg[i].b, 65535)) continue;
      if (firstCorrected == nullptr) firstCorrected = &out[i];
      // Rounding the ray's colours to whole units tilts it slightly: a few units of drift.
      EXPECT_NEAR(out[i].r, firstCorrected->r, 40) << "ray " << ray;
      EXPECT_NEAR(out[i].g, firstCorrected->g, 40) << "ray " << ray;
      EXPECT_NEAR(out[i].b, firstCorrected->b, 40) << "ray " << ray;
    }
  }
}

TEST(SurfaceKernels, BackingColourIsTransparentAndAnEmptyKeyKeepsEverything) {
  for (const Family& family : kFamilies) {
    SCOPED_TRACE(family.name);
    const fixcoef empty = sphericalKey({7680, 43520, 15360}, 0, 0, 0, family.options);
    const std::vector<pixeli> fg = {px(7680, 43520, 15360, 99), px(7681, 43520, 15360), px(0, 0, 0),
                                    px(65535, 65535, 65535), px(7680, 43519, 15360)};
    const std::vector<pixeli> out = key(empty, fg);
    EXPECT_EQ(out[0], px(0, 0, 0, 0));
    for (std::size_t i = 1; i < fg.size(); ++i) EXPECT_EQ(out[i], px(fg[i].r, fg[i].g, fg[i].b, 65535)) << i;
  }
}

// Mask G 65535 excludes in every kernel; a partial mask scales alpha only in the kernels with the mask digit,
// transparent pixels included (they stay 0).
TEST(SurfaceKernels, MaskExcludesAndScales) {
  const std::vector<pixeli> fg = {along(0, 25000), along(0, 6000), along(0, 1000), along(0, 25000)};
  const std::vector<pixeli> mask = {px(0, 32768, 0), px(0, 32768, 0), px(0, 32768, 0), px(0, 65535, 0)};
  for (const Family& family : kFamilies) {
    SCOPED_TRACE(family.name);
    const fixcoef plainKey = sphericalKey(kMidCube, kInner, kMiddle, kOuter, family.options);
    const fixcoef maskedKey = sphericalKey(kMidCube, kInner, kMiddle, kOuter, family.options | kKeyOptionExternalMask);
    const std::vector<pixeli> unmasked = key(plainKey, fg);
    const std::vector<pixeli> plain = key(plainKey, fg, nullptr, &mask);
    const std::vector<pixeli> scaled = key(maskedKey, fg, nullptr, &mask);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(plain[i], unmasked[i]) << i;
      EXPECT_NEAR(scaled[i].a, unmasked[i].a * (65535.0 - 32768.0) / 65535.0, 1.0) << i;
      EXPECT_EQ(scaled[i].r, unmasked[i].r) << i;
    }
    EXPECT_EQ(scaled[2].a, 0);
    EXPECT_EQ(plain[3], px(0, 0, 0, 0));
    EXPECT_EQ(scaled[3], px(0, 0, 0, 0));
  }
}

// With a separate decision copy, the pixel is transparent when either copy is inside the inner surface, and the
// colour and alpha come from the foreground.
TEST(SurfaceKernels, SeparateDecisionCopyAndForegroundBothDecide) {
  const struct {
    const char* what;
    pixeli src, fg;
  } cases[] = {
      {"src inside", along(5, 1000), along(10, 25000)},
      {"fg inside", along(10, 25000), along(5, 1000)},
      {"fg equal to the backing", along(10, 25000), px(32768, 32768, 32768)},
      {"both outside", along(5, 25000), along(10, 6000)},
  };
  for (const Family& family : kFamilies) {
    SCOPED_TRACE(family.name);
    const fixcoef record = sphericalKey(kMidCube, kInner, kMiddle, kOuter, family.options);
    std::vector<pixeli> fg, src;
    for (const auto& c : cases) {
      fg.push_back(c.fg);
      src.push_back(c.src);
    }
    const std::vector<pixeli> out = key(record, fg, &src);
    const std::vector<pixeli> fgAlone = key(record, fg);
    EXPECT_EQ(out[0], px(0, 0, 0, 0));
    EXPECT_EQ(out[1], px(0, 0, 0, 0));
    EXPECT_EQ(out[2], px(0, 0, 0, 0));
    EXPECT_EQ(out[3], fgAlone[3]);
  }
}

// The two families differ only in how the backing enters: with a whole-number backing they give the same pixels.
// With a fractional one the integer family's truncated backing moves the corrected colour by
// (B − trunc B)·(s − 1), a few levels at most with these radii, wherever both take the same decision.
TEST(SurfaceKernels, IntegerAndFloatingPointFamiliesAgree) {
  std::mt19937 random(41);
  std::uniform_int_distribution<int> channel(0, 65535);
  std::vector<pixeli> fg(40000);
  for (pixeli& p : fg) p = px(channel(random), channel(random), channel(random));
  for (std::array<float, 3> backing : {std::array<float, 3>{7680, 43520, 15360}, {7680.6f, 43520.3f, 15360.8f}}) {
    SCOPED_TRACE(backing[0]);
    fixcoef record = sphericalKey(backing, 0, 0, 0, kKeyOptionNoReplacement);
    std::uniform_real_distribution<float> radius(3000, 40000);
    for (auto& table : record.radii)
      for (float& r : table) r = radius(random);
    remove_inconsistence(2, record);
    fixcoef floatRecord = record;
    floatRecord.options |= kKeyOptionFloatKernels;
    const std::vector<pixeli> a = key(record, fg), b = key(floatRecord, fg);
    const bool whole = backing[0] == std::trunc(backing[0]);
    int differentDecisions = 0;
    for (std::size_t i = 0; i < fg.size(); ++i) {
      if (whole) {
        ASSERT_EQ(a[i], b[i]) << i;
        continue;
      }
      const bool sameDecision = (a[i].a == 0) == (b[i].a == 0) && (a[i].a == 65535) == (b[i].a == 65535);
      if (!sameDecision) {
        ++differentDecisions;
        continue;
      }
      EXPECT_LE(std::max({std::abs(a[i].r - b[i].r), std::abs(a[i].g - b[i].g), std::abs(a[i].b - b[i].b),
                          std::abs(a[i].a - b[i].a)}),
                4)
          << i;
    }
    EXPECT_LT(differentDecisions, 20);
  }
}

}  // namespace
}  // namespace vorl
