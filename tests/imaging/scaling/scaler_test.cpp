// The resize: the plain streaming scaler's arithmetic pinned on small rows, and the banded resize held byte for
// byte to it at any band and thread count.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <vector>

#include "imaging/scaling/banded_scaler.h"
#include "imaging/parallel/job_pool.h"
#include "imaging/parallel/progress_hook.h"
#include "imaging/scaling/resize.h"
#include "imaging/scaling/scaler_kernels.h"
#include "imaging/scaling/streaming_scaler.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/message_recorder.h"

namespace vorl::test {
namespace {

// The streaming scaler run over a whole offscreen, as the single pass of the resize has always run.
std::vector<std::uint8_t> streamingResize(int type, const Offscreen& source, int dstWidth, int dstHeight) {
  scale* record = initScale(type, type, 4, source.width(), dstWidth, source.height(), dstHeight);
  EXPECT_NE(record, nullptr);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(dstWidth) * dstHeight * 4);
  scaleImage(record, source.baseAddr(), source.rowBytes(), out.data(), dstWidth * 4);
  finishScale(record);
  return out;
}

// One row (or column) of grey values through the resize; the other direction keeps its size.
std::vector<int> resizeRow(int type, const std::vector<int>& values, int dstCount, bool vertical) {
  const int n = static_cast<int>(values.size());
  OffscreenPtr source = makeOffscreen(vertical ? rectAt(0, 0, 1, n) : rectAt(0, 0, n, 1));
  for (int i = 0; i < n; ++i) {
    const auto v = static_cast<std::uint8_t>(values[static_cast<std::size_t>(i)]);
    setPixel(*source, vertical ? 0 : i, vertical ? i : 0, {v, v, v, v});
  }
  const std::vector<std::uint8_t> bytes =
      streamingResize(type, *source, vertical ? 1 : dstCount, vertical ? dstCount : 1);
  std::vector<int> result;
  for (int i = 0; i < dstCount; ++i) result.push_back(bytes[static_cast<std::size_t>(i) * 4 + 1]);
  return result;
}

TEST(StreamingScaler, SmallRowsGiveTheirKnownValuesBothWays) {
  const struct {
    const char* what;
    int type;
    std::vector<int> in;
    int count;
    std::vector<int> out;
  } cases[] = {
      {"nearest 4 to 2 takes pixels 1 and 3", 1, {10, 20, 30, 40}, 2, {20, 40}},
      {"linear 2 to 3", 2, {0, 255}, 3, {0, 127, 255}},
      {"box 4 to 2", 2, {0, 0, 255, 255}, 2, {0, 255}},
      {"box 3 to 2 shares the middle pixel", 2, {0, 255, 0}, 2, {85, 85}},
      {"nearest 3 to 7: source ⌊(2x + 1) · 3 / 14⌋", 1, {10, 20, 30}, 7, {10, 10, 20, 20, 20, 30, 30}},
  };
  for (const auto& c : cases)
    for (bool vertical : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.what << (vertical ? ", vertical" : ", horizontal"));
      EXPECT_EQ(resizeRow(c.type, c.in, c.count, vertical), c.out);
    }
}

TEST(StreamingScaler, NearestReductionTakesTheCentredRowEvenWhenTheStepExceedsTheRatio) {
  // Each destination row takes the source row under its centre, ⌊(2y + 1) · srcHeight / (2 · dstHeight)⌋; 4 → 2 and 7 →
  // 2 step by more rows than ⌈srcHeight / dstHeight⌉ − 1 at some row.
  for (const auto& [srcHeight, dstHeight] : {std::pair{4, 2}, {7, 2}, {9, 4}, {30, 7}}) {
    SCOPED_TRACE(testing::Message() << srcHeight << " to " << dstHeight);
    std::vector<int> rows(static_cast<std::size_t>(srcHeight));
    for (int i = 0; i < srcHeight; ++i) rows[static_cast<std::size_t>(i)] = i;
    std::vector<int> expected;
    for (int y = 0; y < dstHeight; ++y) expected.push_back((2 * y + 1) * srcHeight / (2 * dstHeight));
    EXPECT_EQ(resizeRow(1, rows, dstHeight, true), expected);
  }
}

TEST(ScalerKernels, TableWeightsFollowTheKernelFormula) {
  // Worked by hand: lanczos2(0.5) = sin(π/2) · sin(π/4) / (π² · 0.125) = 0.573159..., lanczos3(0.5) = 6 / π²
  // = 0.607927...; a 2:1 reduction halves the weights and samples the kernel at i / 1024.
  const struct {
    int type, srcWidth, dstWidth, index, weight;
  } cases[] = {
      {3, 10, 20, 0, 4096}, {3, 10, 20, 256, 2348}, {4, 10, 20, 256, 2490},
      {3, 10, 20, 512, 0},  {4, 20, 10, 512, 1245}, {4, 20, 10, 0, 2048},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " " << c.srcWidth << "->" << c.dstWidth << " i "
                                    << c.index);
    const HorizontalFilterShape shape = horizontalFilterShape(c.type, c.srcWidth, c.dstWidth);
    EXPECT_EQ(horizontalFilterWeight(kernelForType(c.type), shape, c.index), c.weight);
  }
  EXPECT_EQ(horizontalFilterShape(4, 6000, 1800).taps, 10);  // ⌈3 · 6000 / 1800⌉
}

TEST(StreamingScaler, LanczosOvershootSaturatesInsteadOfWrapping) {
  // A hard black-to-white edge: the negative lobes push the sums below 0 next to the edge on the dark side and
  // above 255 on the light side; a wrap would show as near-white on the dark side.
  for (int type : {3, 4})
    for (const auto& [n, m] : {std::pair{8, 29}, {29, 8}}) {
      SCOPED_TRACE(testing::Message() << "type " << type << " " << n << "->" << m);
      std::vector<int> edge(static_cast<std::size_t>(n));
      for (int i = n / 2; i < n; ++i) edge[static_cast<std::size_t>(i)] = 255;
      const std::vector<int> out = resizeRow(type, edge, m, false);
      EXPECT_EQ(out.front(), 0);
      EXPECT_EQ(out.back(), 255);
      for (int i = 0; i + 1 < m; ++i)
        EXPECT_LE(out[static_cast<std::size_t>(i)], out[static_cast<std::size_t>(i + 1)] + 40);
    }
}

// The banded resize against the streaming scaler over many size pairs, with bands that split the rows at
// arbitrary places. Sizes stay small so the table runs fast under the sanitizers.
TEST(BandedScaler, MatchesTheStreamingScalerForRandomSizesBandsAndThreads) {
  std::mt19937 random(20240611);
  JobPool pools[] = {JobPool(1), JobPool(2), JobPool(8)};
  auto size = [&] { return 1 + static_cast<int>(random() % 37); };
  for (int round = 0; round < 220; ++round) {
    const int sw = size(), sh = size(), dw = size(), dh = size();
    OffscreenPtr source = makeOffscreen(rectAt(0, 0, sw, sh));
    fillRandom(*source, static_cast<std::uint32_t>(round));
    for (int type = 1; type <= 4; ++type) {
      SCOPED_TRACE(testing::Message() << "type " << type << " " << sw << "x" << sh << " -> " << dw << "x" << dh);
      const std::vector<std::uint8_t> expected = streamingResize(type, *source, dw, dh);
      for (int threads = 0; threads < 3; ++threads) {
        const int bands = 1 + 3 * threads;  // 1, 4, 7 bands on pools of 1, 2, 8 threads
        OffscreenPtr destination = makeOffscreen(rectAt(0, 0, dw, dh));
        ASSERT_TRUE(resizePixels(type, source->view(), destination->view(), bands, &pools[threads]));
        ASSERT_EQ(pixelBytes(*destination), expected) << bands << " bands";
      }
    }
  }
}

TEST(BandedScaler, PrintSizedReductionIsTheSameAtOneTwoAndEightThreads) {
  OffscreenPtr source = makeOffscreen(rectAt(0, 0, 601, 403));
  fillRandom(*source, 7);
  std::vector<std::uint8_t> reference;
  for (int type : {3, 4}) {
    for (int threads : {1, 2, 8}) {
      SCOPED_TRACE(testing::Message() << "type " << type << ", " << threads << " threads");
      JobPool pool(threads);
      OffscreenPtr destination = makeOffscreen(rectAt(0, 0, 181, 122));
      ASSERT_TRUE(resizeGWorldBanded(source.get(), source->portRect(), destination.get(), destination->portRect(),
                                     static_cast<std::int16_t>(type), &pool, threads));
      if (threads == 1) reference = streamingResize(type, *source, 181, 122);
      EXPECT_EQ(pixelBytes(*destination), reference);
    }
  }
}

TEST(Resize, RectanglesInsideOffsetPortsReadAndWriteOnlyTheirPixels) {
  // Ports away from the origin and odd widths: the result inside the destination rectangle must equal a resize
  // of the same pixels copied into an offscreen at the origin, and nothing outside it may change.
  OffscreenPtr source = makeOffscreen(rectAt(-7, 13, 31, 23));
  fillRandom(*source, 3);
  const Rect from = rectAt(-3, 17, 19, 15);
  OffscreenPtr alone = makeOffscreen(rectAt(0, 0, 19, 15));
  fillWith(*alone, [&](int x, int y) { return pixelAt(*source, x - 3, y + 17); });

  for (int type = 1; type <= 4; ++type) {
    SCOPED_TRACE(type);
    OffscreenPtr destination = makeOffscreen(rectAt(100, 200, 41, 37));
    const Rect to = rectAt(105, 203, 27, 29);
    ASSERT_TRUE(
        betterResizeGworldToGworld(source.get(), from, destination.get(), to, static_cast<std::int16_t>(type), false));
    const std::vector<std::uint8_t> expected = streamingResize(type, *alone, 27, 29);
    for (int y = 200; y < 237; ++y)
      for (int x = 100; x < 141; ++x) {
        const bool inside = x >= 105 && x < 132 && y >= 203 && y < 232;
        const std::size_t at = (static_cast<std::size_t>(y - 203) * 27 + static_cast<std::size_t>(x - 105)) * 4;
        const Pixel want = inside ? Pixel{expected[at], expected[at + 1], expected[at + 2], expected[at + 3]}
                                  : Pixel{0, 255, 255, 255};
        ASSERT_EQ(pixelAt(*destination, x, y), want) << x << "," << y;
      }
  }
}

TEST(Resize, RefusesWhatItCannotScaleWithItsMessage) {
  OffscreenPtr offset = makeOffscreen(rectAt(10, 20, 30, 30));
  OffscreenPtr origin = makeOffscreen(rectAt(0, 0, 30, 30));
  const struct {
    const char* what;
    Offscreen* source;
    Rect sourceRect;
    Offscreen* destination;
    Rect destRect;
    std::int16_t list, item;
  } cases[] = {
      {"null source", nullptr, rectAt(0, 0, 5, 5), origin.get(), rectAt(0, 0, 9, 9), 4106, 30},
      {"null destination", origin.get(), rectAt(0, 0, 5, 5), nullptr, rectAt(0, 0, 9, 9), 4106, 30},
      {"above and left of a port away from the origin", origin.get(), rectAt(0, 0, 5, 5), offset.get(),
       rectAt(5, 5, 20, 20), 4105, 33},
      {"empty destination", origin.get(), rectAt(0, 0, 5, 5), origin.get(), rectAt(3, 3, 0, 4), 4105, 33},
      {"inverted source", origin.get(), makeRect(9, 0, 2, 5), origin.get(), rectAt(0, 0, 9, 9), 4105, 33},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MessageRecorder messages;
    EXPECT_FALSE(betterResizeGworldToGworld(c.source, c.sourceRect, c.destination, c.destRect, 4, false));
    EXPECT_TRUE(messages.showedOnly(c.list, c.item)) << testing::PrintToString(messages.messages());
  }
}

TEST(Resize, DestinationReachingPastItsPortIsClippedToIt) {
  OffscreenPtr source = makeOffscreen(rectAt(0, 0, 10, 10));
  fillCoordinates(*source);
  OffscreenPtr destination = makeOffscreen(rectAt(0, 0, 8, 8));
  // The destination rectangle 0..16 is clipped to 0..8: the whole source is squeezed into 8 × 8 (nearest).
  ASSERT_TRUE(
      betterResizeGworldToGworld(source.get(), source->portRect(), destination.get(), rectAt(0, 0, 16, 16), 1, false));
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(pixelAt(*destination, i, i), coordinatePixel((2 * i + 1) * 10 / 16, (2 * i + 1) * 10 / 16));
}

int gProgressCalls = 0;
void countProgress() { ++gProgressCalls; }

TEST(Resize, OneThreadGivesTheProgressIdleEveryFiftyRows) {
  gProgressCalls = 0;
  setIdleProgressHook(countProgress);
  OffscreenPtr source = makeOffscreen(rectAt(0, 0, 20, 40));
  OffscreenPtr destination = makeOffscreen(rectAt(0, 0, 10, 151));
  ASSERT_TRUE(
      resizeGWorldBanded(source.get(), source->portRect(), destination.get(), destination->portRect(), 3, nullptr, 1));
  setIdleProgressHook(nullptr);
  EXPECT_EQ(gProgressCalls, 4);  // rows 0, 50, 100, 150
}

TEST(Resize, EqualSizesCopyWhateverTheType) {
  OffscreenPtr source = makeOffscreen(rectAt(0, 0, 9, 5));
  fillRandom(*source, 11);
  for (int type = 1; type <= 4; ++type) {
    OffscreenPtr destination = makeOffscreen(rectAt(3, 4, 9, 5));
    ASSERT_TRUE(betterResizeGworldToGworld(source.get(), source->portRect(), destination.get(), destination->portRect(),
                                           static_cast<std::int16_t>(type), false));
    EXPECT_EQ(pixelBytes(*destination), pixelBytes(*source)) << type;
  }
}

}  // namespace
}  // namespace vorl::test
