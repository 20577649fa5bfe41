// The composite of a softened matte, pixel rule by pixel rule, and the grid that tells it the subject's colour
// near a pixel the keyer left transparent.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "chromakey/engine/composite.h"
#include "chromakey/engine/softened_composite.h"
#include "chromakey/engine/subject_colour_grid.h"
#include "tests/chromakey/key_fixtures.h"

namespace vorl {
namespace {

using test::px;
using test::WorkerCount;

// What an RT keyer leaves for subject colour f at alpha a over replacement colour q.
pixeli premultiplied(std::array<double, 3> f, std::uint16_t a, std::array<std::uint16_t, 3> q) {
  const double share = a / 65535.0;
  auto channel = [&](int c) { return static_cast<int>(std::lround(share * f[c] + (1 - share) * q[c])); };
  return px(channel(0), channel(1), channel(2), a);
}

struct Result {
  pixeli composite;
  pixeli matte;
};

// One row: the pixel under test at x = 1, an opaque subject pixel of colour `subject` at x = 0 beside it.
Result compositeOne(const pixeli& keyed, std::uint16_t softened, const pixeli& background, const KeyedColours& colours,
                    const pixeli& subject) {
  const pixeli keyedRow[2] = {subject, keyed};
  const std::uint16_t softenedRow[2] = {subject.a, softened};
  const pixeli backgroundRow[2] = {background, background};
  pixeli composite[2] = {px(0, 0, 0, 555), px(0, 0, 0, 555)}, matte[2] = {px(0, 0, 0, 777), px(0, 0, 0, 777)};
  EXPECT_EQ(doSoftenedComposite(keyedRow, softenedRow, backgroundRow, composite, matte, 2, 1, colours, 3),
            PrimStatus::ok);
  return {composite[1], matte[1]};
}

std::array<double, 3> rgbOf(const pixeli& p) {
  return {static_cast<double>(p.r), static_cast<double>(p.g), static_cast<double>(p.b)};
}

void expectNear(const pixeli& got, std::array<double, 3> expected, double tolerance) {
  EXPECT_NEAR(got.r, expected[0], tolerance);
  EXPECT_NEAR(got.g, expected[1], tolerance);
  EXPECT_NEAR(got.b, expected[2], tolerance);
}

TEST(SoftenedComposite, EachPairOfAlphasTakesItsRule) {
  const pixeli background = px(1000, 50000, 65535, 4321);
  const std::array<double, 3> n = {1000, 50000, 65535};
  const std::array<double, 3> subject = {60000, 100, 7};
  const pixeli opaqueSubject = px(60000, 100, 7, 65535);
  const std::array<std::uint16_t, 3> q = {30000, 2000, 9000};
  for (const bool isPremultiplied : {false, true}) {
    SCOPED_TRACE(isPremultiplied ? "premultiplied" : "straight");
    const KeyedColours colours{isPremultiplied, q};
    auto keyedAt = [&](std::uint16_t a) {
      return isPremultiplied ? premultiplied(subject, a, q) : px(60000, 100, 7, a);
    };
    auto blend = [&](double f) {
      return std::array<double, 3>{f * subject[0] + (1 - f) * n[0], f * subject[1] + (1 - f) * n[1],
                                   f * subject[2] + (1 - f) * n[2]};
    };

    // Softened to nothing: the background, all four channels.
    Result r = compositeOne(keyedAt(40000), 0, background, colours, opaqueSubject);
    EXPECT_EQ(r.composite, background);
    EXPECT_EQ(r.matte, px(0, 0, 0, 777));

    // The keyer's own alpha: the plain composite (bit for bit for straight colours; the premultiplied reading
    // rounds once more).
    for (const std::uint16_t a : {std::uint16_t{1}, std::uint16_t{32768}, std::uint16_t{65535}}) {
      SCOPED_TRACE(a);
      const pixeli keyed = keyedAt(a);
      pixeli plain = px(0, 0, 0, 555), plainMatte{};
      ASSERT_EQ(doComposite(&keyed, &background, &plain, &plainMatte, 1, 1, colours), PrimStatus::ok);
      r = compositeOne(keyed, a, background, colours, opaqueSubject);
      if (isPremultiplied && a != 65535) {
        expectNear(r.composite, rgbOf(plain), 1.0);
        EXPECT_EQ(r.composite.a, plain.a);
      } else {
        EXPECT_EQ(r.composite, plain);
      }
      EXPECT_EQ(r.matte, px(a, a, a, 777));
    }

    // Alpha taken away or added: the subject's colour at the new alpha, whatever Q was.
    const struct {
      std::uint16_t keyer, softened;
    } moves[] = {{65535, 20000}, {40000, 10000}, {20000, 45000}, {5000, 30000}, {0, 25000}, {0, 65535}};
    for (const auto& m : moves) {
      SCOPED_TRACE(testing::Message() << m.keyer << " -> " << m.softened);
      r = compositeOne(keyedAt(m.keyer), m.softened, background, colours, opaqueSubject);
      expectNear(r.composite, blend(m.softened / 65535.0), 3.0);
      EXPECT_EQ(r.composite.a, m.softened == 65535 ? 65535 : 555);  // opaque, or left as it was
      EXPECT_EQ(r.matte, px(m.softened, m.softened, m.softened, 777));
    }
  }
}

// Blurred alpha with no subject anywhere near (a frame of backing): the background's colour, not a darkened one.
TEST(SoftenedComposite, NoSubjectNearLeavesTheBackground) {
  const int w = 40, h = 3;
  const std::vector<pixeli> keyed(static_cast<std::size_t>(w) * h, px(0, 0, 0, 0));
  const std::vector<std::uint16_t> softened(keyed.size(), 9000);
  const std::vector<pixeli> background(keyed.size(), px(25600, 100, 65280, 7));
  std::vector<pixeli> composite(keyed.size(), px(0, 0, 0, 555)), matte(keyed.size());
  for (const bool isPremultiplied : {false, true}) {
    ASSERT_EQ(doSoftenedComposite(keyed.data(), softened.data(), background.data(), composite.data(), matte.data(), w,
                                  h, KeyedColours{isPremultiplied, {65535, 0, 0}}, 3),
              PrimStatus::ok);
    for (const pixeli& p : composite) ASSERT_EQ(p, px(25600, 100, 65280, 555));
  }
}

// An RT keyer clamps its colour to 0..65535, and what that cuts off depends on Q. The composite keeps the subject
// within what a colour at the keyer's alpha can be, so a clamped pixel composites the same under any Q.
TEST(SoftenedComposite, ClampedKeyerColoursGiveOneCompositeForEveryReplacementColour) {
  const std::uint16_t a0 = 20000;
  const double f0 = a0 / 65535.0;
  // Premultiplied subject colours below 0 and above f0·65535, as a keyer whose alpha is off makes them.
  const std::array<double, 3> p = {-5000, 9000, f0 * 65535 + 3000};
  const pixeli background = px(30000, 30000, 30000);
  for (const std::uint16_t a1 : {std::uint16_t{9000}, std::uint16_t{20000}, std::uint16_t{40000}}) {
    SCOPED_TRACE(a1);
    std::vector<pixeli> composites;
    for (const std::uint16_t q : {std::uint16_t{0}, std::uint16_t{32767}, std::uint16_t{65535}}) {
      auto clamp16 = [](double v) { return static_cast<int>(std::clamp(std::trunc(v), 0.0, 65535.0)); };
      const pixeli keyed =
          px(clamp16(p[0] + (1 - f0) * q), clamp16(p[1] + (1 - f0) * q), clamp16(p[2] + (1 - f0) * q), a0);
      composites.push_back(
          compositeOne(keyed, a1, background, KeyedColours{true, {q, q, q}}, px(0, 9000, 65535, 65535)).composite);
    }
    for (const pixeli& c : composites) expectNear(c, rgbOf(composites[0]), 2.0);
  }
}

TEST(SoftenedComposite, SameBytesOnAnyNumberOfWorkers) {
  const int w = 97, h = 61;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> value(0, 65535), kind(0, 2);
  std::vector<pixeli> keyed(static_cast<std::size_t>(w) * h), background(keyed.size());
  std::vector<std::uint16_t> softened(keyed.size());
  for (std::size_t i = 0; i < keyed.size(); ++i) {
    const int k = kind(random);
    keyed[i] = px(value(random), value(random), value(random), k == 0 ? 0 : k == 1 ? 65535 : value(random));
    softened[i] = static_cast<std::uint16_t>(kind(random) == 0 ? keyed[i].a : value(random));
    background[i] = px(value(random), value(random), value(random), value(random));
  }
  for (const bool isPremultiplied : {false, true}) {
    std::vector<pixeli> first, firstMatte;
    for (const int workers : {1, 2, 8}) {
      SCOPED_TRACE(workers);
      const WorkerCount count(workers);
      std::vector<pixeli> composite(keyed.size()), matte(keyed.size());
      ASSERT_EQ(doSoftenedComposite(keyed.data(), softened.data(), background.data(), composite.data(), matte.data(), w,
                                    h, KeyedColours{isPremultiplied, {100, 200, 300}}, 5),
                PrimStatus::ok);
      if (first.empty()) {
        first = composite;
        firstMatte = matte;
      } else {
        EXPECT_EQ(composite, first);
        EXPECT_EQ(matte, firstMatte);
      }
    }
  }
}

TEST(SoftenedComposite, RefusesMissingMapsAndWritesNothingForAnEmptyFrame) {
  pixeli keyed = px(1, 2, 3, 5), background = px(4, 5, 6), composite = px(9, 9, 9, 9), matte = px(8, 8, 8, 8);
  std::uint16_t softened = 3;
  EXPECT_EQ(doSoftenedComposite(&keyed, nullptr, &background, &composite, &matte, 1, 1, {}, 1),
            PrimStatus::badArguments);
  EXPECT_EQ(doSoftenedComposite(&keyed, &softened, &background, &composite, nullptr, 1, 1, {}, 1),
            PrimStatus::badArguments);
  EXPECT_EQ(doSoftenedComposite(&keyed, &softened, &background, &composite, &matte, -1, 1, {}, 1),
            PrimStatus::badArguments);
  EXPECT_EQ(doSoftenedComposite(&keyed, &softened, &background, &composite, &matte, 0, 1, {}, 1), PrimStatus::ok);
  EXPECT_EQ(composite, px(9, 9, 9, 9));
  EXPECT_EQ(matte, px(8, 8, 8, 8));
}

// The grid finds a subject pixel from every pixel within the reach, in every direction and across tile borders,
// and gives its colour back exactly, premultiplied or straight; it finds nothing where no subject is near.
TEST(SubjectColourGrid, FindsTheSubjectWithinReach) {
  const std::array<std::uint16_t, 3> q = {65535, 0, 30000};
  for (const int reach : {1, 5, 8, 13, 50})
    for (const bool isPremultiplied : {false, true}) {
      SCOPED_TRACE(testing::Message() << "reach " << reach << (isPremultiplied ? " premultiplied" : " straight"));
      const int w = 3 * reach + 23, h = 2 * reach + 17;
      const int sx = w / 2 + 1, sy = h / 2 - 1;  // one subject pixel, partly transparent
      std::vector<pixeli> keyed(static_cast<std::size_t>(w) * h, px(0, 0, 0, 0));
      keyed[static_cast<std::size_t>(sy) * w + sx] =
          isPremultiplied ? premultiplied({50000, 1000, 20000}, 20000, q) : px(50000, 1000, 20000, 20000);
      SubjectColourGrid grid;
      ASSERT_EQ(grid.build(keyed.data(), w, h, KeyedColours{isPremultiplied, q}, reach), PrimStatus::ok);
      EXPECT_GE(grid.tileSide(), reach);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          std::array<float, 3> colour{};
          const bool found = grid.colourAt(x, y, colour);
          if (std::abs(x - sx) <= reach && std::abs(y - sy) <= reach) {
            ASSERT_TRUE(found) << x << "," << y;
            const double tolerance = 4.0;  // rounding to 16 bits, divided by the alpha
            ASSERT_NEAR(colour[0], 50000, tolerance);
            ASSERT_NEAR(colour[1], 1000, tolerance);
            ASSERT_NEAR(colour[2], 20000, tolerance);
          }
          if (std::abs(x - sx) > 3 * grid.tileSide() || std::abs(y - sy) > 3 * grid.tileSide()) {
            ASSERT_FALSE(found) << x << "," << y;
          }
        }
      std::array<float, 3> colour{};
      EXPECT_FALSE(grid.colourAt(-1, 0, colour));
      EXPECT_FALSE(grid.colourAt(0, h, colour));
    }
}

// Between two subjects the colour moves smoothly from one to the other: no step from tile to tile.
TEST(SubjectColourGrid, ColourChangesSmoothlyBetweenSubjects) {
  const int w = 96, h = 8, reach = 8;
  std::vector<pixeli> keyed(static_cast<std::size_t>(w) * h, px(0, 0, 0, 0));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (x % 4 == 0)
        keyed[static_cast<std::size_t>(y) * w + x] = x < w / 2 ? px(60000, 0, 0, 65535) : px(0, 0, 60000, 65535);
  SubjectColourGrid grid;
  ASSERT_EQ(grid.build(keyed.data(), w, h, KeyedColours{}, reach), PrimStatus::ok);
  std::array<float, 3> previous{};
  ASSERT_TRUE(grid.colourAt(0, 4, previous));
  for (int x = 1; x < w; ++x) {
    std::array<float, 3> colour{};
    ASSERT_TRUE(grid.colourAt(x, 4, colour));
    EXPECT_LE(std::abs(colour[0] - previous[0]), 60000.0f / grid.tileSide()) << x;
    previous = colour;
  }
}

}  // namespace
}  // namespace vorl
