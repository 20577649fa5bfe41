// Grain removal: the box radius, the box blur against a direct window mean, flat areas, the margin, grain
// statistics on a synthetic frame, levels outside the table, and splitting over workers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <vector>

#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/grain_removal.h"
#include "chromakey/engine/key_stages.h"
#include "tests/chromakey/key_fixtures.h"

namespace vorl {
namespace {

using test::WorkerCount;

using Frame = std::vector<pixeli>;
using Channels = std::vector<std::uint16_t>;  // R, G, B per pixel

Frame randomFrame(int w, int h, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(0, 65535);
  Frame frame(static_cast<std::size_t>(w) * h);
  for (pixeli& p : frame)
    p = {static_cast<std::uint16_t>(value(random)), static_cast<std::uint16_t>(value(random)),
         static_cast<std::uint16_t>(value(random)), static_cast<std::uint16_t>(value(random))};
  return frame;
}

Channels channelsOf(const Frame& frame) {
  Channels c;
  for (const pixeli& p : frame) c.insert(c.end(), {p.r, p.g, p.b});
  return c;
}

fixcoef grainKey(int level) {
  fixcoef record;
  record.grainLevel = level;
  record.backing = {1000.7f, 52000.2f, 9000.9f};
  return record;
}

// The box as its definition gives it: every output the exact mean of its clamped window, rows first, truncated,
// then columns.
Channels directBoxBlur(const Channels& src, int w, int h, int rx, int ry) {
  Channels rows(src.size()), out(src.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        long sum = 0;
        for (int k = -rx; k <= rx; ++k) sum += src[(y * w + std::clamp(x + k, 0, w - 1)) * 3 + c];
        rows[(y * w + x) * 3 + c] = static_cast<std::uint16_t>(sum / (2 * rx + 1));
      }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        long sum = 0;
        for (int k = -ry; k <= ry; ++k) sum += rows[(std::clamp(y + k, 0, h - 1) * w + x) * 3 + c];
        out[(y * w + x) * 3 + c] = static_cast<std::uint16_t>(sum / (2 * ry + 1));
      }
  return out;
}

TEST(GrainRemoval, BoxRadiusFollowsTheFrameSide) {
  const struct {
    int level, extent, radius;
  } cases[] = {
      {1, 201, 0},  {1, 202, 1},  {2, 101, 0},  {2, 102, 1},  {3, 69, 0},    {3, 70, 1},
      {1, 6000, 29}, {2, 6000, 59}, {3, 4000, 59}, {3, 1, 0}, {3, 0, 0}, {3, 32767, 491},
  };
  for (const auto& c : cases)
    EXPECT_EQ(boxBlurRadius(grainFilter[static_cast<std::size_t>(c.level)], c.extent), c.radius)
        << "level " << c.level << ", side " << c.extent;
}

// Rows only, columns with several groups of running sums, both ways; in place or into another buffer.
TEST(GrainRemoval, BoxBlurIsTheMeanOfTheClampedWindow) {
  const struct {
    int level, w, h, rx, ry;
  } cases[] = {{3, 300, 260, 4, 3}, {2, 1200, 80, 11, 0}, {3, 1200, 80, 17, 1}, {3, 80, 700, 1, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " level " << c.level);
    const float factor = grainFilter[static_cast<std::size_t>(c.level)];
    ASSERT_EQ(boxBlurRadius(factor, c.w), c.rx);
    ASSERT_EQ(boxBlurRadius(factor, c.h), c.ry);
    const Frame frame = randomFrame(c.w, c.h, static_cast<unsigned>(c.w + c.h));
    const Channels src = channelsOf(frame);
    const Channels expected = directBoxBlur(src, c.w, c.h, c.rx, c.ry);

    Channels inPlace = src, apart(src.size());
    ASSERT_EQ(boxBlurRGB16(factor, inPlace.data(), inPlace.data(), c.w, c.h), PrimStatus::ok);
    ASSERT_EQ(boxBlurRGB16(factor, src.data(), apart.data(), c.w, c.h), PrimStatus::ok);
    EXPECT_EQ(inPlace, expected);
    EXPECT_EQ(apart, expected);

    Frame map = frame;
    ASSERT_EQ(remove_grain(map.data(), c.w, c.h, grainKey(c.level), nullptr), PrimStatus::ok);
    EXPECT_EQ(channelsOf(map), expected);
    for (const pixeli& p : map) ASSERT_EQ(p.a, 65535);
  }
}

// A flat area stays exactly flat, also for the box widths where the double reciprocal times the sum falls just
// short of the whole number (49 samples: radius 24 along either side).
TEST(GrainRemoval, FlatAreaKeepsItsLevel) {
  const struct {
    int w, h;
  } sizes[] = {{1610, 3}, {70, 1610}, {130, 90}};
  for (const auto& [w, h] : sizes)
    for (const std::uint16_t v : {std::uint16_t{1}, std::uint16_t{256}, std::uint16_t{12345}, std::uint16_t{32768},
                                  std::uint16_t{65535}}) {
      SCOPED_TRACE(testing::Message() << w << "x" << h << " value " << v);
      Frame map(static_cast<std::size_t>(w) * h, pixeli{v, v, v, 7});
      ASSERT_EQ(remove_grain(map.data(), w, h, grainKey(3), nullptr), PrimStatus::ok);
      for (const pixeli& p : map) ASSERT_EQ(p, (pixeli{v, v, v, 65535}));
    }
}

// Level 0 leaves the map alone; a box of radius 0 (level 1 below 202 pixels) keeps the colours but still makes
// every pixel opaque.
TEST(GrainRemoval, NoBlurLevels) {
  const Frame input = randomFrame(201, 40, 1);
  Frame map = input;
  ASSERT_EQ(remove_grain(map.data(), 201, 40, grainKey(0), nullptr), PrimStatus::ok);
  EXPECT_EQ(map, input);

  ASSERT_EQ(remove_grain(map.data(), 201, 40, grainKey(1), nullptr), PrimStatus::ok);
  EXPECT_EQ(channelsOf(map), channelsOf(input));
  for (const pixeli& p : map) ASSERT_EQ(p.a, 65535);

  const Frame wider = randomFrame(202, 40, 2);
  map = wider;
  ASSERT_EQ(remove_grain(map.data(), 202, 40, grainKey(1), nullptr), PrimStatus::ok);
  EXPECT_NE(channelsOf(map), channelsOf(wider));
}

// A level from a file outside the table is refused, never read past it.
TEST(GrainRemoval, RefusesLevelsOutsideTheTable) {
  const Frame input = randomFrame(300, 20, 3);
  for (const int level : {-1, 4, INT_MIN, INT_MAX}) {
    Frame map = input;
    EXPECT_EQ(remove_grain(map.data(), 300, 20, grainKey(level), nullptr), PrimStatus::badArguments) << level;
    EXPECT_EQ(map, input);
  }
  Channels buffer(30);
  EXPECT_EQ(boxBlurRGB16(1.5f, buffer.data(), buffer.data(), 5, 2), PrimStatus::badArguments);
  EXPECT_EQ(boxBlurRGB16(0.01f, buffer.data(), buffer.data(), -5, 2), PrimStatus::badArguments);
  Frame map = input;
  EXPECT_EQ(remove_grain(map.data(), 300, -1, grainKey(2), nullptr), PrimStatus::badArguments);
  EXPECT_EQ(remove_grain(nullptr, 300, 20, grainKey(2), nullptr), PrimStatus::badArguments);
}

// Pixels outside the working region take the backing colour, truncated; margins beyond the frame are clamped.
TEST(GrainRemoval, MarginTakesTheBackingColour) {
  const int w = 150, h = 20;  // level 1: radius 0, so the colours are not blurred
  const Frame input = randomFrame(w, h, 4);
  const pixeli backing{1000, 52000, 9000, 65535};
  const struct {
    int margin[4];  // left, right, top, bottom
  } cases[] = {{{2, 3, 1, 4}}, {{0, 0, 0, 0}}, {{-5, 0, -2, 0}}, {{0, 400, 0, 0}}, {{0, 0, 0, 90}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.margin[0] << " " << c.margin[1] << " " << c.margin[2] << " "
                                    << c.margin[3]);
    Frame map = input;
    ASSERT_EQ(remove_grain(map.data(), w, h, grainKey(1), c.margin), PrimStatus::ok);
    const int left = std::clamp(c.margin[0], 0, w), right = std::clamp(c.margin[1], 0, w);
    const int top = std::clamp(c.margin[2], 0, h), bottom = std::clamp(c.margin[3], 0, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool outside = y < top || y >= h - bottom || x < left || x >= w - right;
        const pixeli& in = input[y * w + x];
        const pixeli expected = outside ? backing : pixeli{in.r, in.g, in.b, 65535};
        ASSERT_EQ(map[y * w + x], expected) << x << "," << y;
      }
  }
}

// Synthetic grain (Gaussian, σ = 6·256) over two flat areas split by a hard vertical edge. Level 2 on 1000 × 600
// gives a 19 × 11 box, so the grain's σ should fall by √209 ≈ 14.5. Away from the frame's edges and the step
// every output averages 209 independent samples, so the prediction is exact up to sampling: each area keeps
// about 270,000 pixels, which hold some 1,300 independent boxes, so the measured σ has a relative standard error
// near 1/√(2·1300) ≈ 2 %; truncation adds a variance of 1/12, nothing at σ ≈ 106. 10 % is five standard errors.
// The step's half-way crossing stays where it was: the box is symmetric.
TEST(GrainRemoval, GrainFallsAsTheBoxPredictsAndTheEdgeStays) {
  const int w = 1000, h = 600, edge = 500;
  const double sigma = 6 * 256, low = 20000, high = 45000;
  const int rx = boxBlurRadius(grainFilter[2], w), ry = boxBlurRadius(grainFilter[2], h);
  ASSERT_EQ(rx, 9);
  ASSERT_EQ(ry, 5);
  std::mt19937 random(2024);
  std::normal_distribution<double> grain(0.0, sigma);
  Frame map(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto v = [&] { return static_cast<std::uint16_t>(std::lround((x < edge ? low : high) + grain(random))); };
      map[y * w + x] = {v(), v(), v(), 0};
    }
  const Frame before = map;
  ASSERT_EQ(remove_grain(map.data(), w, h, grainKey(2), nullptr), PrimStatus::ok);

  // σ of the green channel over the pixels whose box lies wholly inside one flat area.
  auto deviation = [&](const Frame& frame, int x0, int x1) {
    double sum = 0, squares = 0;
    long n = 0;
    for (int y = ry; y < h - ry; ++y)
      for (int x = x0; x < x1; ++x) {
        const double v = frame[y * w + x].g;
        sum += v;
        squares += v * v;
        ++n;
      }
    const double mean = sum / n;
    return std::sqrt(squares / n - mean * mean);
  };
  const double predicted = 1.0 / std::sqrt((2.0 * rx + 1) * (2.0 * ry + 1));
  for (const auto& [x0, x1] : {std::pair{rx, edge - rx - 1}, {edge + rx + 1, w - rx}}) {
    SCOPED_TRACE(testing::Message() << "columns " << x0 << ".." << x1);
    const double ratio = deviation(map, x0, x1) / deviation(before, x0, x1);
    EXPECT_NEAR(ratio / predicted, 1.0, 0.10);
  }

  // Where each frame's column profile (mean over the rows) first crosses half-way between the two levels.
  auto crossing = [&](const Frame& frame) {
    std::vector<double> profile(w);
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) profile[x] += frame[y * w + x].r;
      profile[x] /= h;
    }
    const double half = (low + high) / 2;
    for (int x = 1; x < w; ++x)
      if (profile[x] >= half && profile[x - 1] < half)
        return x - 1 + (half - profile[x - 1]) / (profile[x] - profile[x - 1]);
    return -1.0;
  };
  EXPECT_NEAR(crossing(map), crossing(before), 1.0);
}

TEST(GrainRemoval, SameResultOnAnyNumberOfWorkers) {
  const struct {
    int w, h, level;
  } cases[] = {{1200, 90, 3}, {640, 480, 3}, {301, 777, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    const Frame input = randomFrame(c.w, c.h, static_cast<unsigned>(c.w));
    Frame one;
    Channels oneBuffer;
    for (const int workers : {1, 2, 8}) {
      const WorkerCount count(workers);
      Frame map = input;
      Channels buffer = channelsOf(input);
      ASSERT_EQ(remove_grain(map.data(), c.w, c.h, grainKey(c.level), nullptr), PrimStatus::ok);
      ASSERT_EQ(boxBlurRGB16(grainFilter[static_cast<std::size_t>(c.level)], buffer.data(), buffer.data(), c.w, c.h),
                PrimStatus::ok);
      if (workers == 1) {
        one = map;
        oneBuffer = buffer;
      } else {
        EXPECT_EQ(map, one) << workers;
        EXPECT_EQ(buffer, oneBuffer) << workers;
      }
    }
  }
}

}  // namespace
}  // namespace vorl
