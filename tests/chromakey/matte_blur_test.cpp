// The matte blur: the passes against a literal padded-area calculation, the whole blur against the window's
// two-dimensional weighted sum, the alpha adjustments, constant fields, corners, symmetry, argument checks and
// splitting over workers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/matte_blur.h"
#include "tests/chromakey/key_fixtures.h"

namespace vorl {
namespace {

using test::WorkerCount;

using Frame = std::vector<pixeli>;

// Random colours; alphas a mix of 0, 65535 and anything between, so that every clamp and branch is reached.
Frame randomMatte(int w, int h, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(0, 65535), pick(0, 2);
  Frame frame(static_cast<std::size_t>(w) * h);
  for (pixeli& p : frame) {
    const int kind = pick(random);
    p = {static_cast<std::uint16_t>(value(random)), static_cast<std::uint16_t>(value(random)),
         static_cast<std::uint16_t>(value(random)),
         static_cast<std::uint16_t>(kind == 0 ? 0 : kind == 1 ? 65535 : value(random))};
  }
  return frame;
}

std::vector<std::uint16_t> alphasOf(const Frame& frame) {
  std::vector<std::uint16_t> a(frame.size());
  for (std::size_t i = 0; i < frame.size(); ++i) a[i] = frame[i].a;
  return a;
}

// --- The blur as written out for a padded work area, one step at a time -------------------------------------------

struct Window {
  float q, t, S;
};

Window windowOf(int r) {
  const auto q = static_cast<float>(std::pow(0.04, 1.0 / r));
  double sum = 0;
  for (int i = 1; i <= r; ++i) sum += std::pow(double{q}, i);
  return {q, static_cast<float>(std::pow(double{q}, r + 1)), static_cast<float>(2.0 * sum)};
}

// One line of n samples; writes positions first .. end − 1.
void literalLine(std::vector<float>& x, int r, int first, int end, std::vector<std::uint16_t>& out) {
  const Window win = windowOf(r);
  const int n = static_cast<int>(x.size());
  std::vector<float> F(n), B(n);
  F[0] = x[0] * win.q;
  B[n - 1] = x[n - 1] * win.q;
  for (int i = 1; i <= r; ++i) {
    F[i] = (x[i] + F[i - 1]) * win.q;
    B[n - 1 - i] = (x[n - 1 - i] + B[n - i]) * win.q;
  }
  for (int i = r + 1; i <= n - 1; ++i) F[i] = (x[i] + F[i - 1]) * win.q - x[i - r - 1] * win.t;
  for (int j = n - 2 - r; j >= 0; --j) B[j] = (x[j] + B[j + 1]) * win.q - x[j + r + 1] * win.t;
  const float inverse = 1.0f / win.S;
  out.assign(n, 0);
  for (int i = first; i < end; ++i) {
    const float v = (F[i] + B[i]) * inverse + 0.5f;
    out[i] = v >= 65535.0f ? 65535 : v <= 0.0f ? 0 : static_cast<std::uint16_t>(static_cast<int>(v));
  }
}

void literalPassX(std::vector<std::uint16_t>& area, int W, int H, int r) {
  std::vector<float> line(W);
  std::vector<std::uint16_t> out;
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) line[x] = area[y * W + x];
    literalLine(line, r, r, W, out);
    for (int x = r; x < W; ++x) area[y * W + x] = out[x];
  }
}

void literalPassY(std::vector<std::uint16_t>& area, int W, int H, int h, int r) {
  std::vector<float> line(H);
  std::vector<std::uint16_t> out;
  for (int x = 0; x < W; ++x) {
    for (int y = 0; y < H; ++y) line[y] = area[y * W + x];
    literalLine(line, r, 0, r + h, out);
    for (int y = 0; y < r + h; ++y) area[y * W + x] = out[y];
  }
}

std::uint16_t literalAdjust(int a, int r, int inward, float shrink) {
  const float m = shrink * 65535.0f, d = 65536.0f - m, k = d == 0.0f ? 0.0f : 65536.0f / d;
  auto clampTrunc = [](float v) { return static_cast<std::uint16_t>(v <= 0 ? 0 : v >= 65535 ? 65535 : int(v)); };
  if (r != 0 && inward != 0) {
    const float f = static_cast<float>(r) * 0.05f;
    if (shrink == 0.0f) return static_cast<std::uint16_t>(std::clamp(int((a - 65535) * f) + a, 0, 65535));
    const int a1 = int((a - 65535) * f + 0.5f) + a;
    return clampTrunc((a1 - m) * k + 0.5f);
  }
  if (shrink != 0.0f) return clampTrunc((a - m) * k + 0.5f);
  return static_cast<std::uint16_t>(a);
}

// The frame in a (w + 2r) × (h + 2r) area whose every pad pixel repeats the nearest frame pixel, corners included.
std::vector<std::uint16_t> paddedArea(const Frame& frame, int w, int h, int r) {
  const int W = w + 2 * r, H = h + 2 * r;
  std::vector<std::uint16_t> area(static_cast<std::size_t>(W) * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      area[y * W + x] = frame[std::clamp(y - r, 0, h - 1) * w + std::clamp(x - r, 0, w - 1)].a;
  return area;
}

// The whole blur as the padded-area steps give it, alphas only.
std::vector<std::uint16_t> literalDefocus(const Frame& frame, int w, int h, int r, int inward, float shrink) {
  std::vector<std::uint16_t> result = alphasOf(frame);
  if (r == 0) {
    for (std::uint16_t& a : result) a = literalAdjust(a, 0, inward, shrink);
    return result;
  }
  const int W = w + 2 * r, H = h + 2 * r;
  std::vector<std::uint16_t> area = paddedArea(frame, w, h, r);
  literalPassX(area, W, H, r);
  literalPassY(area, W, H, h, r);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) result[y * w + x] = literalAdjust(area[(y + r) * W + x + r], r, inward, shrink);
  return result;
}

// --- Tests --------------------------------------------------------------------------------------------------------

TEST(MatteBlur, WindowConstants) {
  for (int r = 1; r <= kMaxDefocus; ++r) {
    SCOPED_TRACE(r);
    const ExponentialWindow window = exponentialWindow(r);
    const Window expected = windowOf(r);
    EXPECT_EQ(window.q, expected.q);
    EXPECT_EQ(window.t, expected.t);
    EXPECT_EQ(window.S, expected.S);
    EXPECT_NEAR(std::pow(double{window.q}, r), 0.04, 1e-6);  // the weight at the radius is 4 % of the centre's
  }
  EXPECT_EQ(exponentialWindow(0).inverseNorm, std::numeric_limits<float>::infinity());
}

// The blur without the work area equals the padded-area steps, for frames of every shape against the radius,
// including frames smaller than the window, with each alpha adjustment.
TEST(MatteBlur, EqualsThePaddedAreaCalculation) {
  const struct {
    int w, h, r, inward;
    float shrink;
  } cases[] = {
      {1, 1, 10, 0, 0.0f},  {3, 2, 10, 0, 0.0f},  {3, 2, 10, 1, 0.25f}, {17, 9, 1, 0, 0.0f},
      {17, 9, 2, 1, 0.0f},  {40, 33, 3, 0, 0.0f}, {33, 40, 5, 1, 0.4f}, {20, 15, 20, 1, 0.0f},
      {64, 48, 50, 0, 0.1f}, {5, 70, 7, 0, 0.6f}, {70, 5, 13, 1, 1.0f}, {18, 19, 0, 1, 0.3f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " r " << c.r << " inward " << c.inward << " shrink "
                                    << c.shrink);
    const Frame input = randomMatte(c.w, c.h, static_cast<unsigned>(c.w * 131 + c.h * 7 + c.r));
    Frame frame = input;
    ASSERT_EQ(doDefocusMask(frame.data(), c.w, c.h, c.r, c.inward, c.shrink), PrimStatus::ok);
    EXPECT_EQ(alphasOf(frame), literalDefocus(input, c.w, c.h, c.r, c.inward, c.shrink));
    for (std::size_t i = 0; i < frame.size(); ++i) {
      ASSERT_EQ(frame[i].r, input[i].r);
      ASSERT_EQ(frame[i].g, input[i].g);
      ASSERT_EQ(frame[i].b, input[i].b);
    }
  }
}

// Each pass over a work area does what its steps say, and touches only the alpha it is meant to write.
TEST(MatteBlur, AreaPassesFollowTheirSteps) {
  const struct {
    int w, h, r;
  } cases[] = {{1, 1, 1}, {9, 4, 3}, {21, 30, 8}, {2, 3, 50}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " r " << c.r);
    const int W = c.w + 2 * c.r, H = c.h + 2 * c.r;
    const Frame input = randomMatte(W, H, static_cast<unsigned>(W * H + c.r));
    for (const bool horizontal : {true, false}) {
      Frame area = input;
      std::vector<std::uint16_t> expected = alphasOf(input);
      if (horizontal) {
        ASSERT_EQ(doDefocusMaskX(area.data(), c.w, c.h, W, H, c.r), PrimStatus::ok);
        literalPassX(expected, W, H, c.r);
      } else {
        ASSERT_EQ(doDefocusMaskY(area.data(), c.w, c.h, W, H, c.r), PrimStatus::ok);
        literalPassY(expected, W, H, c.h, c.r);
      }
      EXPECT_EQ(alphasOf(area), expected) << (horizontal ? "X" : "Y");
      for (std::size_t i = 0; i < area.size(); ++i) ASSERT_EQ(area[i].r, input[i].r);
    }
  }
}

TEST(MatteBlur, PassesReturnAtOnceOnAnEmptyFrame) {
  const int r = 4;
  const Frame input = randomMatte(2 * r + 3, 2 * r + 5, 9);
  Frame area = input;
  EXPECT_EQ(doDefocusMaskX(area.data(), 0, 5, 2 * r, 2 * r + 5, r), PrimStatus::ok);
  EXPECT_EQ(doDefocusMaskY(area.data(), 3, 0, 2 * r + 3, 2 * r, r), PrimStatus::ok);
  EXPECT_EQ(area, input);
}

// The same sum straight from the window's weights, in double, over the whole padded area: the recurrences give
// weight q^(k+1) at distance k ≤ r and leave the tail q^k·(q − 1) beyond it. The blur rounds to 16 bits between its
// two passes and works in floats, so it may differ by a level or two. The alphas stay clear of 0 and 65535, where
// the clamp after each pass would cut off the tail's small overshoot and no linear sum can follow.
TEST(MatteBlur, MatchesTheTwoDimensionalWindowSum) {
  const struct {
    int w, h, r;
  } cases[] = {{20, 15, 3}, {12, 9, 10}, {25, 18, 5}, {7, 11, 1}, {9, 6, 50}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " r " << c.r);
    Frame input = randomMatte(c.w, c.h, static_cast<unsigned>(c.r + 77));
    for (pixeli& p : input) p.a = static_cast<std::uint16_t>(10000 + p.a * 45000L / 65535);
    Frame frame = input;
    ASSERT_EQ(doDefocusMask(frame.data(), c.w, c.h, c.r, 0, 0.0f), PrimStatus::ok);

    const Window win = windowOf(c.r);
    const double q = win.q;
    auto weight = [&](int from, int to) {
      const int k = std::abs(from - to);
      const double one = k <= c.r ? std::pow(q, k + 1) : std::pow(q, k) * (q - 1);
      return from == to ? 2 * one : one;  // the centre is in both the forward and the backward sum
    };
    const int W = c.w + 2 * c.r, H = c.h + 2 * c.r;
    const std::vector<std::uint16_t> area = paddedArea(input, c.w, c.h, c.r);
    const double norm = double{win.S} * win.S;
    int worst = 0;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        double sum = 0;
        for (int py = 0; py < H; ++py)
          for (int px = 0; px < W; ++px) sum += weight(y + c.r, py) * weight(x + c.r, px) * area[py * W + px];
        const double v = std::clamp(std::trunc(sum / norm + 0.5), 0.0, 65535.0);
        worst = std::max(worst, std::abs(static_cast<int>(v) - frame[y * c.w + x].a));
      }
    EXPECT_LE(worst, 2);
  }
}

// Defocus 0 with shrink 0 leaves the frame alone; shrink 0.5 clears every alpha up to 32767 and stretches the
// rest onto 0..65536; shrink 1.0 clears everything.
TEST(MatteBlur, ShrinkWithoutBlur) {
  const int w = 256, h = 256;
  Frame every(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < every.size(); ++i) every[i] = {1, 2, 3, static_cast<std::uint16_t>(i)};

  Frame frame = every;
  ASSERT_EQ(doDefocusMask(frame.data(), w, h, 0, 1, 0.0f), PrimStatus::ok);
  EXPECT_EQ(frame, every);

  ASSERT_EQ(doDefocusMask(frame.data(), w, h, 0, 0, 0.5f), PrimStatus::ok);
  int previous = 0;
  for (int a = 0; a <= 65535; ++a) {
    const int out = frame[static_cast<std::size_t>(a)].a;
    if (a <= 32767) {
      ASSERT_EQ(out, 0) << a;
    } else {
      const double stretched = (a - 32767.5) * 65536.0 / 32768.5 + 0.5;
      ASSERT_NEAR(out, std::trunc(stretched), 1.0) << a;
    }
    ASSERT_GE(out, previous) << a;
    previous = out;
  }

  for (const int r : {0, 5}) {
    frame = every;
    ASSERT_EQ(doDefocusMask(frame.data(), w, h, r, 0, 1.0f), PrimStatus::ok);
    for (const pixeli& p : frame) ASSERT_EQ(p.a, 0) << "r " << r;
  }
}

// Radius 20 pulls inwards by all of an alpha's distance from 65535: each blurred a becomes max(2a − 65535, 0).
TEST(MatteBlur, InwardPullAtRadiusTwenty) {
  const int w = 60, h = 45;
  const Frame input = randomMatte(w, h, 20);
  Frame blurred = input, pulled = input;
  ASSERT_EQ(doDefocusMask(blurred.data(), w, h, 20, 0, 0.0f), PrimStatus::ok);
  ASSERT_EQ(doDefocusMask(pulled.data(), w, h, 20, 1, 0.0f), PrimStatus::ok);
  for (std::size_t i = 0; i < input.size(); ++i)
    ASSERT_EQ(pulled[i].a, std::max(2 * blurred[i].a - 65535, 0)) << i;
}

// Fully transparent stays exactly 0 and fully opaque exactly 65535 at every radius, whatever the frame's size:
// a backdrop must not pick up a faint veil of foreground.
TEST(MatteBlur, ConstantFieldsKeepTheirValue) {
  for (const int r : {1, 2, 3, 5, 13, 50})
    for (const auto& [w, h] : {std::pair{1, 1}, {7, 5}, {40, 30}})
      for (const std::uint16_t a : {std::uint16_t{0}, std::uint16_t{65535}}) {
        Frame frame(static_cast<std::size_t>(w) * h, pixeli{100, 200, 300, a});
        ASSERT_EQ(doDefocusMask(frame.data(), w, h, r, 0, 0.0f), PrimStatus::ok);
        for (const pixeli& p : frame) ASSERT_EQ(p.a, a) << "r " << r << ", " << w << "x" << h;
      }
}

// A subject filling a frame corner keeps full alpha up to that corner: the pad continues the corner pixel instead
// of cutting a transparent notch into it.
TEST(MatteBlur, SubjectInACornerKeepsTheCorner) {
  const int w = 48, h = 40, r = 10;
  for (int corner = 0; corner < 4; ++corner) {
    SCOPED_TRACE(corner);
    const bool right = corner & 1, bottom = corner & 2;
    auto inSubject = [&](int x, int y, int margin) {
      return (right ? x >= w / 2 + margin : x < w / 2 - margin) && (bottom ? y >= h / 2 + margin : y < h / 2 - margin);
    };
    Frame frame(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) frame[y * w + x].a = inSubject(x, y, 0) ? 65535 : 0;
    ASSERT_EQ(doDefocusMask(frame.data(), w, h, r, 0, 0.0f), PrimStatus::ok);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (inSubject(x, y, r)) {
          ASSERT_EQ(frame[y * w + x].a, 65535) << x << "," << y;
        }
  }
}

TEST(MatteBlur, MirroredInputGivesMirroredOutput) {
  const int w = 37, h = 29, r = 7;
  const Frame input = randomMatte(w, h, 5);
  Frame plain = input, acrossX(input.size()), acrossY(input.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      acrossX[y * w + (w - 1 - x)] = input[y * w + x];
      acrossY[(h - 1 - y) * w + x] = input[y * w + x];
    }
  ASSERT_EQ(doDefocusMask(plain.data(), w, h, r, 1, 0.2f), PrimStatus::ok);
  ASSERT_EQ(doDefocusMask(acrossX.data(), w, h, r, 1, 0.2f), PrimStatus::ok);
  ASSERT_EQ(doDefocusMask(acrossY.data(), w, h, r, 1, 0.2f), PrimStatus::ok);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      ASSERT_EQ(acrossX[y * w + (w - 1 - x)].a, plain[y * w + x].a) << x << "," << y;
      ASSERT_EQ(acrossY[(h - 1 - y) * w + x].a, plain[y * w + x].a) << x << "," << y;
    }
}

TEST(MatteBlur, SameResultOnAnyNumberOfWorkers) {
  const int w = 203, h = 157, r = 7;
  const Frame input = randomMatte(w, h, 11);
  const int W = w + 2 * r, H = h + 2 * r;
  const Frame areaInput = randomMatte(W, H, 12);
  Frame oneFrame, oneArea;
  for (const int workers : {1, 2, 8}) {
    SCOPED_TRACE(workers);
    const WorkerCount count(workers);
    Frame frame = input, area = areaInput;
    ASSERT_EQ(doDefocusMask(frame.data(), w, h, r, 1, 0.2f), PrimStatus::ok);
    ASSERT_EQ(doDefocusMaskX(area.data(), w, h, W, H, r), PrimStatus::ok);
    ASSERT_EQ(doDefocusMaskY(area.data(), w, h, W, H, r), PrimStatus::ok);
    if (workers == 1) {
      oneFrame = frame;
      oneArea = area;
    } else {
      EXPECT_EQ(frame, oneFrame);
      EXPECT_EQ(area, oneArea);
    }
  }
}

// Written into a plane of its own, the matte edge is sample for sample the one made over the map's alphas, on
// any number of workers, and the keyed map is not touched: its alphas stay the keyer's.
TEST(MatteBlur, IntoAPlaneEqualsInPlace) {
  const struct {
    int w, h, r, inward;
    float shrink;
  } cases[] = {{1, 1, 10, 0, 0.0f},  {3, 2, 10, 1, 0.25f},   {17, 9, 1, 0, 0.0f},   {40, 33, 3, 0, 0.05f},
               {33, 40, 5, 1, 0.4f}, {203, 157, 7, 1, 0.2f}, {64, 48, 50, 0, 0.1f}, {18, 19, 0, 0, 0.3f},
               {18, 19, 0, 1, 0.0f}, {70, 5, 13, 1, 1.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " r " << c.r << " inward " << c.inward << " shrink "
                                    << c.shrink);
    const Frame input = randomMatte(c.w, c.h, static_cast<unsigned>(c.w * 17 + c.h + c.r));
    Frame inPlace = input;
    ASSERT_EQ(doDefocusMask(inPlace.data(), c.w, c.h, c.r, c.inward, c.shrink), PrimStatus::ok);
    for (const int workers : {1, 3, 8}) {
      SCOPED_TRACE(workers);
      const WorkerCount count(workers);
      std::vector<std::uint16_t> plane(input.size(), 12345);
      ASSERT_EQ(doDefocusMaskInto(input.data(), plane.data(), c.w, c.h, c.r, c.inward, c.shrink), PrimStatus::ok);
      EXPECT_EQ(plane, alphasOf(inPlace));
    }
  }
  Frame frame = randomMatte(6, 5, 8);
  std::vector<std::uint16_t> plane(frame.size());
  EXPECT_EQ(doDefocusMaskInto(frame.data(), nullptr, 6, 5, 3, 0, 0.0f), PrimStatus::badArguments);
  EXPECT_EQ(doDefocusMaskInto(nullptr, plane.data(), 6, 5, 3, 0, 0.0f), PrimStatus::badArguments);
  EXPECT_EQ(doDefocusMaskInto(frame.data(), plane.data(), 6, 5, 51, 0, 0.0f), PrimStatus::badArguments);
  EXPECT_EQ(doDefocusMaskInto(frame.data(), plane.data(), 6, 5, 3, 0, 1.5f), PrimStatus::badArguments);
  EXPECT_EQ(doDefocusMaskInto(nullptr, nullptr, 0, 5, 3, 0, 0.0f), PrimStatus::ok);
}

TEST(MatteBlur, RefusesArgumentsOutsideItsRange) {
  const int w = 6, h = 5;
  const Frame input = randomMatte(w, h, 3);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* what;
    bool nullMap;
    int w, h, r;
    float shrink;
  } cases[] = {
      {"negative radius", false, w, h, -1, 0.0f}, {"radius 51", false, w, h, 51, 0.0f},
      {"negative width", false, -1, h, 3, 0.0f},  {"negative height", false, w, -1, 3, 0.0f},
      {"shrink NaN", false, w, h, 3, nan},        {"shrink above 1", false, w, h, 3, 1.5f},
      {"shrink below 0", false, w, h, 0, -0.1f},  {"no map", true, w, h, 3, 0.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Frame frame = input;
    EXPECT_EQ(doDefocusMask(c.nullMap ? nullptr : frame.data(), c.w, c.h, c.r, 0, c.shrink),
              PrimStatus::badArguments);
    EXPECT_EQ(frame, input);
  }
  // An empty frame has nothing to blur, map or not.
  EXPECT_EQ(doDefocusMask(nullptr, 0, 4, 3, 0, 0.0f), PrimStatus::ok);

  Frame area = randomMatte(w + 6, h + 6, 4);
  const Frame before = area;
  EXPECT_EQ(doDefocusMaskX(area.data(), w, h, w + 6, h + 6, 0), PrimStatus::badArguments);
  EXPECT_EQ(doDefocusMaskX(area.data(), w, h, w + 5, h + 6, 3), PrimStatus::badArguments);
  EXPECT_EQ(doDefocusMaskY(area.data(), w, h, w + 6, h + 7, 3), PrimStatus::badArguments);
  EXPECT_EQ(doDefocusMaskY(nullptr, w, h, w + 6, h + 6, 3), PrimStatus::badArguments);
  EXPECT_EQ(area, before);
}

}  // namespace
}  // namespace vorl
