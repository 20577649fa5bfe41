// The RT and RTPlus keyers and the colour frame they share.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "chromakey/engine/rt_keyer.h"
#include "chromakey/engine/rtplus_keyer.h"
#include "tests/chromakey/key_fixtures.h"

namespace vorl {
namespace {

using test::px;

constexpr std::array<float, 3> kGreenBacking = {7680.0f, 43520.0f, 15360.0f};  // (30, 170, 60) × 256

fixcoef recordWithBacking(std::array<float, 3> backing) {
  fixcoef record;
  static_cast<void>(initialize_data(record));
  record.backing = backing;
  record.tolerance = 1.0f;
  return record;
}

// The key distance of a colour in normalised units, computed here in double from the frame's axes.
double keyDistance(const KeyerFrame& frame, const pixeli& p) {
  return (frame.key_axis[0] * double(p.r) + frame.key_axis[1] * double(p.g) + frame.key_axis[2] * double(p.b)) /
             65535.0 +
         frame.backing_chroma;
}

std::vector<pixeli> randomPixels(std::mt19937& random, int count) {
  std::uniform_int_distribution<int> channel(0, 65535);
  std::vector<pixeli> pixels(static_cast<std::size_t>(count));
  for (pixeli& p : pixels) p = px(channel(random), channel(random), channel(random));
  return pixels;
}

TEST(KeyerBase, FloatToFixSaturatesAt16Point16) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float value;
    bool fixed;
    float expected;
  } cases[] = {{1.5f, true, 98304.0f},    {-5000.0f, true, -268435456.0f}, {4096.0f, true, 268435456.0f},
               {-0.25f, true, -16384.0f}, {nan, true, -2147483648.0f},     {3.25f, false, 3.25f},
               {1e30f, false, 1e30f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << (c.fixed ? " fixed" : ""));
    EXPECT_EQ(DuzeviveBase::float_to_fix(c.value, c.fixed), c.expected);
  }
}

TEST(KeyerBase, BackingClassFollowsChromaAndGreen) {
  const struct {
    const char* what;
    std::array<float, 3> backing;
    int expected;
  } cases[] = {
      {"green screen", kGreenBacking, kBackingChromatic},
      {"blue screen", {5000, 15000, 50000}, kBackingChromatic},
      {"black", {0, 0, 0}, kBackingDarkGrey},
      {"dark grey", {20000, 20000, 20000}, kBackingDarkGrey},
      {"green exactly half", {32767.5f, 32767.5f, 32767.5f}, kBackingLightGrey},
      {"white", {65535, 65535, 65535}, kBackingLightGrey},
      // Chroma length just under 0.05: a slight tint is still grey. (2/√6 · 0.0612 ≈ 0.04997)
      {"faint red tint", {36000, 32000, 32000}, kBackingDarkGrey},
      {"stronger red tint", {36100, 32000, 32000}, kBackingChromatic},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DuzeviveRT keyer;
    keyer.regist_bw(recordWithBacking(c.backing));
    EXPECT_EQ(keyer.bw_mode(), c.expected);
  }
}

// The frame's defining properties: the backing's key distance is 0, every grey's is the backing's chroma length,
// and both axes are unit vectors in the chroma plane (perpendicular to grey), perpendicular to each other.
TEST(KeyerBase, FramePutsTheBackingAtZeroAndGreysAtItsChroma) {
  for (const auto& backing :
       {kGreenBacking, std::array<float, 3>{5000, 15000, 50000}, std::array<float, 3>{50000, 20000, 30000}}) {
    fixcoef record = recordWithBacking(backing);
    DuzeviveRT keyer;
    static_cast<void>(keyer.translate(record));
    const KeyerFrame& f = keyer.frame();
    EXPECT_NEAR(keyDistance(f, px(int(backing[0]), int(backing[1]), int(backing[2]))), 0.0, 1e-4);
    for (int grey : {0, 20000, 65535}) EXPECT_NEAR(keyDistance(f, px(grey, grey, grey)), f.backing_chroma, 1e-5);
    auto dot = [](const std::array<float, 3>& a, const std::array<float, 3>& b) {
      return double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2];
    };
    EXPECT_NEAR(dot(f.key_axis, f.key_axis), 1.0, 1e-6);
    EXPECT_NEAR(dot(f.cross_axis, f.cross_axis), 1.0, 1e-6);
    EXPECT_NEAR(dot(f.key_axis, f.cross_axis), 0.0, 1e-6);
    EXPECT_NEAR(dot(f.key_axis, {1, 1, 1}), 0.0, 1e-6);
  }
}

TEST(RTKeyer, DefaultsKeyAlongTheRampFromBaseToTheBackingsChroma) {
  fixcoef record = recordWithBacking(kGreenBacking);
  record.replacement = {0, 0, 0};
  DuzeviveRT keyer;
  static_cast<void>(keyer.initialize(record));
  const float chroma = keyer.frame().backing_chroma;
  EXPECT_EQ(record.rtFactors, (std::array<float, 3>{0.05f, chroma, chroma}));

  std::mt19937 random(3);
  const std::vector<pixeli> fg = randomPixels(random, 5000);
  std::vector<pixeli> out(fg.size());
  keyer.pixelproc(fg.data(), fg.data(), nullptr, out.data(), record, static_cast<std::ptrdiff_t>(fg.size()));
  for (std::size_t i = 0; i < fg.size(); ++i) {
    const double t = keyDistance(keyer.frame(), fg[i]);
    const double ramp = 65535.0 * (t - 0.05) / (chroma - 0.05);
    const double alpha = std::clamp(ramp, 0.0, 65535.0);
    if (alpha < 0.5) {
      EXPECT_EQ(out[i], px(0, 0, 0, 0));
      continue;
    }
    EXPECT_NEAR(out[i].a, alpha, 1.0) << i;
    // With the colour limit at the key limit the spill ramp is the alpha ramp: the backing's colour is taken out
    // in proportion to what is left of it, s = (65536 − ramp)/65535. Past the colour limit nothing is taken.
    const double s = std::clamp((65536.0 - ramp) / 65535.0, 0.0, 1.0);
    EXPECT_NEAR(out[i].r, std::clamp(fg[i].r - kGreenBacking[0] * s, 0.0, 65535.0), 1.01) << i;
    EXPECT_NEAR(out[i].g, std::clamp(fg[i].g - kGreenBacking[1] * s, 0.0, 65535.0), 1.01) << i;
    if (ramp > 65536.0 + 1.0) {
      EXPECT_EQ(out[i], px(fg[i].r, fg[i].g, fg[i].b, 65535));
    }
  }
}

TEST(RTKeyer, EqualKeyAndBaseMakeAHardStepAtKeyDistanceOne) {
  fixcoef record = recordWithBacking(kGreenBacking);
  record.rtFactors = {0.3f, 0.3f, 0.9f};
  DuzeviveRT keyer;
  static_cast<void>(keyer.translate(record));
  EXPECT_EQ(keyer.constants().alpha_gain, 268435456.0f);
  EXPECT_EQ(keyer.constants().alpha_offset, -268435456.0f * 65535.0f);

  // Walk along the key axis from the backing and find where alpha switches on.
  const KeyerFrame& f = keyer.frame();
  double lastTransparent = -1, firstOpaque = -1;
  for (int step = 0; step <= 400; ++step) {
    const double t = step / 200.0;  // key distance 0 .. 2
    const double k = (t)*65535.0;
    const pixeli p = px(std::clamp(int(std::lround(kGreenBacking[0] + k * f.key_axis[0])), 0, 65535),
                        std::clamp(int(std::lround(kGreenBacking[1] + k * f.key_axis[1])), 0, 65535),
                        std::clamp(int(std::lround(kGreenBacking[2] + k * f.key_axis[2])), 0, 65535));
    pixeli out;
    keyer.pixelproc(&p, &p, nullptr, &out, record, 1);
    const double actual = keyDistance(f, p);
    if (out.a == 0 && firstOpaque < 0) lastTransparent = actual;
    if (out.a == 65535 && firstOpaque < 0) firstOpaque = actual;
    EXPECT_TRUE(out.a == 0 || out.a == 65535) << out.a;
  }
  EXPECT_NEAR(lastTransparent, 1.0, 0.02);
  EXPECT_NEAR(firstOpaque, 1.0, 0.02);
}

TEST(RTKeyer, BlackBackingKeepsEverythingButTheBackingItself) {
  fixcoef record = recordWithBacking({0, 0, 0});
  record.replacement = {65535, 65535, 0};
  DuzeviveRT keyer;
  static_cast<void>(keyer.translate(record));
  const pixeli fg[] = {px(0, 0, 0), px(1, 1, 1), px(30000, 200, 65535), px(65535, 65535, 65535)};
  pixeli out[4];
  keyer.pixelproc(fg, fg, nullptr, out, record, 4);
  EXPECT_EQ(out[0], px(0, 0, 0, 0));
  // Everything else is opaque; the spill factor is 1/65535, so a channel gains at most one unit.
  EXPECT_EQ(out[1], px(2, 2, 1, 65535));
  EXPECT_EQ(out[2], px(30001, 201, 65535, 65535));
  EXPECT_EQ(out[3], px(65535, 65535, 65535, 65535));
}

// When the decision copy differs from the foreground, either one at the backing makes the pixel transparent; the
// foreground is tested with a tolerance of 1, whatever the record's.
TEST(RTKeyer, SeparateDecisionCopyAndForegroundBothDecide) {
  fixcoef record = recordWithBacking(kGreenBacking);
  DuzeviveRT keyer;
  static_cast<void>(keyer.initialize(record));
  record.tolerance = 500.0f;
  record.rtFactors = {0.0f, 0.01f, 0.01f};  // anything past the backing on the key axis is opaque
  static_cast<void>(keyer.translate(record));
  const pixeli far = px(60000, 10000, 60000);
  const pixeli nearBacking = px(7680 + 300, 43520 - 300, 15360 + 300);  // within 500, not within 1
  const struct {
    const char* what;
    pixeli src, fg;
    bool transparent;
  } cases[] = {
      {"src within the record's tolerance", nearBacking, far, true},
      {"fg equal to the backing", far, px(7680, 43520, 15360), true},
      {"fg near but not within 1", far, nearBacking, false},
      {"both far", far, far, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    pixeli out;
    keyer.pixelproc(&c.fg, &c.src, nullptr, &out, record, 1);
    if (c.transparent)
      EXPECT_EQ(out, px(0, 0, 0, 0));
    else
      EXPECT_GT(out.a, 0);
  }
}

TEST(RTKeyer, MaskScalesAlphaAndLeavesTransparentPixelsBlack) {
  fixcoef record = recordWithBacking(kGreenBacking);
  DuzeviveRT keyer;
  static_cast<void>(keyer.initialize(record));
  const pixeli fg[] = {px(60000, 10000, 60000), px(60000, 10000, 60000), px(60000, 10000, 60000),
                       px(7680, 43520, 15360)};
  const pixeli mask[] = {px(0, 0, 0), px(0, 32768, 0), px(0, 65535, 0), px(0, 0, 0)};
  pixeli plain[4], masked[4];
  keyer.pixelproc(fg, fg, nullptr, plain, record, 4);
  keyer.pixelproc_mask(fg, fg, nullptr, mask, masked, record, 4);
  ASSERT_EQ(plain[0].a, 65535);
  EXPECT_EQ(masked[0].a, 65535);
  EXPECT_NEAR(masked[1].a, 32767, 1);
  EXPECT_EQ(masked[2].a, 0);
  EXPECT_EQ(masked[3], px(0, 0, 0, 0));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(masked[i].r, plain[i].r);
}

// With seven equal triples RTPlus is the RT key: the same ramps, within one level.
TEST(RTPlusKeyer, SevenEqualTriplesMatchRT) {
  const struct {
    std::array<float, 3> backing;
    std::array<float, 3> factors;
  } cases[] = {{kGreenBacking, {0.05f, 0.3f, 0.3f}},
               {kGreenBacking, {0.1f, 0.25f, 0.6f}},
               {{5000, 15000, 50000}, {0.02f, 0.4f, 0.5f}},
               {{50000, 20000, 30000}, {0.0f, 0.2f, 1.2f}}};
  std::mt19937 random(17);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.backing[0] << " " << c.factors[1]);
    fixcoef record = recordWithBacking(c.backing);
    record.replacement = {20000, 40000, 60000};
    record.rtFactors = c.factors;
    record.rtPlusFactors.fill(c.factors);
    DuzeviveRT rt;
    DuzeviveRTPlus rtPlus;
    static_cast<void>(rt.translate(record));
    static_cast<void>(rtPlus.translate(record));
    const std::vector<pixeli> fg = randomPixels(random, 20000);
    std::vector<pixeli> a(fg.size()), b(fg.size());
    rt.pixelproc(fg.data(), fg.data(), nullptr, a.data(), record, static_cast<std::ptrdiff_t>(fg.size()));
    rtPlus.pixelproc(fg.data(), fg.data(), nullptr, nullptr, b.data(), record, static_cast<std::ptrdiff_t>(fg.size()));
    int worst = 0;
    for (std::size_t i = 0; i < fg.size(); ++i) {
      // A pixel that one keyer leaves fully transparent sits at alpha below 1 in the other: both read as 0.
      if (a[i].a == 0 || b[i].a == 0) {
        EXPECT_LE(std::max(a[i].a, b[i].a), 1) << i;
        continue;
      }
      worst = std::max({worst, std::abs(a[i].r - b[i].r), std::abs(a[i].g - b[i].g), std::abs(a[i].b - b[i].b),
                        std::abs(a[i].a - b[i].a)});
    }
    EXPECT_LE(worst, 1);
  }
}

// The plane coordinates of a pixel as the kernel computes them.
std::array<float, 2> planeOf(const DuzeviveRTPlus& keyer, const pixeli& p) {
  const auto& c = keyer.constants();
  const float lu = c.luma_scale * (float(p.r) + float(p.g) + float(p.b)) + c.luma_offset;
  const float cr = c.cross_axis[0] * p.r + c.cross_axis[1] * p.g + c.cross_axis[2] * p.b;
  return {lu, cr};
}

// A different base limit at every corner, one width everywhere: the base is linear within each sector and agrees
// along the edges sectors share, so alpha must be continuous where sectors meet. (With widths that differ the
// interpolated width is exact only at the corners and may step at a border.)
TEST(RTPlusKeyer, AlphaIsContinuousAcrossSectorBordersForOneWidth) {
  fixcoef record = recordWithBacking(kGreenBacking);
  const float width = 0.25f;
  const float bases[7] = {0.05f, 0.02f, 0.10f, 0.07f, 0.03f, 0.12f, 0.06f};
  for (int t = 0; t < 7; ++t) record.rtPlusFactors[t] = {bases[t], bases[t] + width, bases[t] + 2 * width};
  DuzeviveRTPlus keyer;
  static_cast<void>(keyer.translate(record));
  std::mt19937 random(23);
  // Pairs of colours a few units apart; a pair on both sides of a border must key alike.
  constexpr int kStep = 8;
  std::uniform_int_distribution<int> channel(0, 65535 - kStep), which(0, 2);
  int crossings = 0;
  for (int i = 0; i < 400000; ++i) {
    const pixeli p = px(channel(random), channel(random), channel(random));
    pixeli q = p;
    const int channelIndex = which(random);
    (channelIndex == 0 ? q.r : channelIndex == 1 ? q.g : q.b) += kStep;
    const auto a = planeOf(keyer, p), b = planeOf(keyer, q);
    if (DuzeviveRTPlus::sectorOf(a[0], a[1]) == DuzeviveRTPlus::sectorOf(b[0], b[1])) continue;
    ++crossings;
    pixeli outP, outQ;
    keyer.pixelproc(&p, &p, nullptr, nullptr, &outP, record, 1);
    keyer.pixelproc(&q, &q, nullptr, nullptr, &outQ, record, 1);
    // One unit of colour moves alpha by at most about 1/width units; a seam would be hundreds.
    EXPECT_LE(std::abs(outP.a - outQ.a), 6 * kStep) << p.r << " " << p.g << " " << p.b;
  }
  EXPECT_GT(crossings, 20);
}

// On the key axis through the backing (same luminance, no cross component) the limits are the centre's, T0.
TEST(RTPlusKeyer, CentreOfTheHexagonKeysWithTheCentreTriple) {
  fixcoef record = recordWithBacking(kGreenBacking);
  const std::array<float, 3> centre = {0.08f, 0.28f, 0.28f}, corner = {0.2f, 0.9f, 0.9f};
  record.rtPlusFactors.fill(corner);
  record.rtPlusFactors[0] = centre;
  DuzeviveRTPlus keyer;
  static_cast<void>(keyer.translate(record));
  const auto& axis = keyer.frame().key_axis;
  for (double t : {0.12, 0.16, 0.2, 0.24}) {
    SCOPED_TRACE(t);
    const double k = t * 65535.0;
    const pixeli p =
        px(int(std::lround(kGreenBacking[0] + k * axis[0])), int(std::lround(kGreenBacking[1] + k * axis[1])),
           int(std::lround(kGreenBacking[2] + k * axis[2])));
    pixeli out;
    keyer.pixelproc(&p, &p, nullptr, nullptr, &out, record, 1);
    EXPECT_NEAR(out.a, 65535.0 * (t - centre[0]) / (centre[1] - centre[0]), 60.0);
  }
}

TEST(RTPlusKeyer, BlackBackingPassesEverythingThrough) {
  fixcoef record = recordWithBacking({0, 0, 0});
  DuzeviveRTPlus keyer;
  static_cast<void>(keyer.initialize(record));
  EXPECT_EQ(keyer.bw_mode(), kBackingBlackPassThrough);
  const pixeli fg[] = {px(0, 0, 0, 7), px(100, 200, 300, 9)};
  const pixeli mask[] = {px(0, 65535, 0), px(0, 65535, 0)};
  pixeli out[2];
  keyer.pixelproc(fg, fg, nullptr, mask, out, record, 2);
  EXPECT_EQ(out[0], px(0, 0, 0, 65535));
  EXPECT_EQ(out[1], px(100, 200, 300, 65535));
}

TEST(RTPlusKeyer, DarkGreyBackingAddsTheReplacementColourItself) {
  const std::array<float, 3> grey = {10000, 10000, 10000};
  fixcoef record = recordWithBacking(grey);
  record.replacement = {3000, 0, 0};
  // A wide colour ramp keeps the spill factor near 1 where alpha is already full.
  record.rtPlusFactors.fill({0.05f, 0.1f, 200.0f});
  DuzeviveRTPlus keyer;
  static_cast<void>(keyer.translate(record));
  ASSERT_EQ(keyer.bw_mode(), kBackingDarkGrey);
  const pixeli p = px(40000, 40000, 40000);  // lighter than the backing: opaque
  pixeli out;
  keyer.pixelproc(&p, &p, nullptr, nullptr, &out, record, 1);
  EXPECT_EQ(out.a, 65535);
  EXPECT_NEAR(out.r, 40000 + 3000, 20);  // not 40000 + (3000 − 10000)
  EXPECT_NEAR(out.g, 40000, 1);
}

TEST(RTPlusKeyer, NarrowWidthsActAsOneSixtyFourth) {
  fixcoef narrow = recordWithBacking(kGreenBacking), floor = narrow;
  narrow.rtPlusFactors.fill({0.2f, 0.19f, 0.2f});  // negative and zero widths
  floor.rtPlusFactors.fill({0.2f, 0.2f + 0.015625f, 0.2f + 0.015625f});
  DuzeviveRTPlus a, b;
  static_cast<void>(a.translate(narrow));
  static_cast<void>(b.translate(floor));
  std::mt19937 random(29);
  const std::vector<pixeli> fg = randomPixels(random, 5000);
  std::vector<pixeli> outA(fg.size()), outB(fg.size());
  a.pixelproc(fg.data(), fg.data(), nullptr, nullptr, outA.data(), narrow, 5000);
  b.pixelproc(fg.data(), fg.data(), nullptr, nullptr, outB.data(), floor, 5000);
  for (std::size_t i = 0; i < fg.size(); ++i) EXPECT_NEAR(outA[i].a, outB[i].a, 2) << i;
}

}  // namespace
}  // namespace vorl
