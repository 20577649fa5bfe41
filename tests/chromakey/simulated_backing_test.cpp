// The simulated-backing stage: grid size, the cases where it leaves the frame alone, the fill of the grid, the
// per-pixel shift, evening out an unevenly lit backing, and the same bytes at any worker count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/key_pipeline.h"
#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/simulated_backing.h"
#include "tests/chromakey/key_fixtures.h"
#include "tests/chromakey/synthetic_green_screen.h"

namespace vorl {
namespace {

using test::px;

constexpr std::array<float, 3> kGreen = {7680, 43520, 15360};
const pixeli kNeutral = px(30000, 30000, 30000, 1234);

using test::WorkerCount;

fixcoef backingRecord(std::array<float, 3> backing = kGreen) {
  return test::sphericalKey(backing, 0, 0, 0, kKeyOptionNoReplacement);
}

// Light over the frame: 1.25 at the centre down to 0.75 in the corners.
float vignette(int x, int y, int w, int h) {
  const float rx = (x + 0.5f) / w - 0.5f, ry = (y + 0.5f) / h - 0.5f;
  return 1.0f + 0.25f * (1.0f - 4.0f * (rx * rx + ry * ry));
}

// A green backing under the vignette with a neutral grey square in the middle.
struct LitFrame {
  int w = 0, h = 0;
  std::vector<pixeli> pixels;
  std::vector<pixeli> lighting;  // the lit backing everywhere, square included
  std::vector<bool> square;
  std::vector<bool> backing;  // the backing away from the square's edge
};

LitFrame litFrame(int w, int h) {
  LitFrame f;
  f.w = w, f.h = h;
  const std::size_t n = std::size_t(w) * h;
  f.pixels.resize(n), f.lighting.resize(n), f.square.resize(n), f.backing.resize(n);
  const int x0 = w * 3 / 8, x1 = w * 5 / 8, y0 = h * 3 / 8, y1 = h * 5 / 8;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = std::size_t(y) * w + x;
      const float l = vignette(x, y, w, h);
      f.lighting[i] = px(int(kGreen[0] * l), int(kGreen[1] * l), int(kGreen[2] * l), 65535);
      f.square[i] = x >= x0 && x < x1 && y >= y0 && y < y1;
      f.backing[i] = x < x0 - 4 || x >= x1 + 4 || y < y0 - 4 || y >= y1 + 4;
      f.pixels[i] = f.square[i] ? kNeutral : px(f.lighting[i].r, f.lighting[i].g, f.lighting[i].b, 0);
    }
  return f;
}

std::vector<pixeli> render(const std::vector<pixeli>& fg, int w, int h, int density, int mode,
                           PrimStatus expected = PrimStatus::ok, std::array<float, 3> backing = kGreen) {
  std::vector<pixeli> out(fg.size(), px(1, 2, 3, 4));
  EXPECT_EQ(generateSimulatedRender(fg.data(), out.data(), w, h, density, 2550, backingRecord(backing), nullptr, mode),
            expected);
  return out;
}

double deviationOfGreen(const std::vector<pixeli>& frame, const std::vector<bool>& where) {
  double sum = 0, squares = 0, n = 0;
  for (std::size_t i = 0; i < frame.size(); ++i)
    if (where[i]) {
      sum += frame[i].g, squares += double(frame[i].g) * frame[i].g, n += 1;
    }
  const double mean = sum / n;
  return std::sqrt(squares / n - mean * mean);
}

TEST(SimulatedBacking, GridSideFollowsTheDensity) {
  const struct {
    int density;
    int side;
  } cases[] = {{0, 0}, {-3, 0}, {1, 2}, {12, 13}, {98, 99}, {99, 100}, {100, 99}, {5000, 99}};
  for (const auto& c : cases) EXPECT_EQ(gridSideFor(c.density), c.side) << c.density;

  // Without an out map the cells go to the grid output, column by column, and nothing past them.
  const int w = 120, h = 90;
  const std::vector<pixeli> green(std::size_t(w) * h, px(int(kGreen[0]), int(kGreen[1]), int(kGreen[2])));
  for (const int density : {12, 99, 150}) {
    SCOPED_TRACE(density);
    const int g = gridSideFor(density);
    std::vector<pixeli> cells(kMaxGridSide * kMaxGridSide + 1, px(9, 9, 9, 9));
    ASSERT_EQ(generateSimulatedRender(green.data(), nullptr, w, h, density, 2550, backingRecord(), cells.data(), 0),
              PrimStatus::ok);
    for (int i = 0; i < g * g; ++i) ASSERT_EQ(cells[std::size_t(i)], px(kGreen[0], kGreen[1], kGreen[2], 65535)) << i;
    EXPECT_EQ(cells[std::size_t(g * g)], px(9, 9, 9, 9));
  }
}

TEST(SimulatedBacking, LeavesTheFrameAloneWhenThereIsNothingToEstimate) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> level(20000, 40000);
  auto greyish = [&](int w, int h) {
    std::vector<pixeli> frame(std::size_t(w) * h);
    for (pixeli& p : frame) {
      const int v = level(random);
      p = px(v, v + 50, v - 50, level(random));
    }
    return frame;
  };
  {
    SCOPED_TRACE("no backing at any grid point: a plain copy");
    const std::vector<pixeli> fg = greyish(64, 48);
    EXPECT_EQ(render(fg, 64, 48, 12, 0), fg);
    EXPECT_EQ(render(fg, 64, 48, 12, 1), fg);
  }
  for (const auto& [w, h] : {std::pair{1, 7}, std::pair{6, 1}, std::pair{1, 2}}) {
    SCOPED_TRACE(testing::Message() << "a frame " << w << " × " << h << ": a plain copy");
    const std::vector<pixeli> fg = greyish(w, h);
    EXPECT_EQ(render(fg, w, h, 12, 0), fg);
  }
  {
    SCOPED_TRACE("density 0: nothing at all, not even the copy");
    const std::vector<pixeli> fg = greyish(16, 16);
    EXPECT_EQ(render(fg, 16, 16, 0, 0), std::vector<pixeli>(fg.size(), px(1, 2, 3, 4)));
  }
  const std::vector<pixeli> fg = greyish(16, 16);
  std::vector<pixeli> out(fg.size());
  const fixcoef record = backingRecord();
  EXPECT_EQ(generateSimulatedRender(fg.data(), out.data(), 16, 16, -1, 2550, record, nullptr, 0),
            PrimStatus::badArguments);
  EXPECT_EQ(generateSimulatedRender(fg.data(), out.data(), 16, 16, 12, -1, record, nullptr, 0),
            PrimStatus::badArguments);
  EXPECT_EQ(generateSimulatedRender(nullptr, out.data(), 16, 16, 12, 2550, record, nullptr, 0),
            PrimStatus::badArguments);
  EXPECT_EQ(generateSimulatedRender(fg.data(), nullptr, 16, 16, 12, 2550, record, nullptr, 0),
            PrimStatus::badArguments);
}

TEST(SimulatedBacking, GetCountCountsNeighboursInsideTheGrid) {
  auto grid = std::make_unique<GRID>();
  grid->columns = grid->rows = 3;
  for (int x = 0; x < 3; ++x)
    for (int y = 0; y < 3; ++y) grid->at(x, y).state = kCellBackingSample;
  EXPECT_EQ(getCount(*grid, 1, 1, kCellBackingSample), 8);
  EXPECT_EQ(getCount(*grid, 0, 0, kCellBackingSample), 3);
  EXPECT_EQ(getCount(*grid, 2, 1, kCellBackingSample), 5);
  grid->at(0, 1).state = kCellForeground;
  EXPECT_EQ(getCount(*grid, 1, 1, kCellBackingSample), 7);
  EXPECT_EQ(getCount(*grid, 1, 1, kCellForeground), 1);
  grid->at(1, 1).state = kCellEstimated;
  EXPECT_EQ(getCount(*grid, 1, 1, kCellBackingSample), 0);  // an estimated cell counts nothing
  EXPECT_EQ(getCount(*grid, 0, 1, kCellEstimated), 1);
}

// The fill as its rule reads: rescore every cell each step, take the foreground cell with the highest count,
// then score, then the first in row-major order.
void fillByRescoring(GRID& grid) {
  const int g = grid.columns;
  for (int y = 0; y < g; ++y)
    for (int x = 0; x < g; ++x) grid.at(x, y).count = getCount(grid, x, y, kCellBackingSample);
  for (;;) {
    int best = -1, bestCount = -1, bestScore = -1;
    for (int y = 0; y < g; ++y)
      for (int x = 0; x < g; ++x) {
        const GridCell& cell = grid.at(x, y);
        if (cell.state != kCellForeground) continue;
        const int score = getCount(grid, x, y, kCellEstimated) + cell.count;
        if (cell.count > bestCount || (cell.count == bestCount && score > bestScore)) {
          best = y * g + x, bestCount = cell.count, bestScore = score;
        }
      }
    if (best < 0) return;
    const int x = best % g, y = best / g;
    float sum[3] = {0, 0, 0}, weights = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = x + dx, ny = y + dy;
        if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= g || ny >= g) continue;
        const GridCell& n = grid.at(nx, ny);
        if (n.state == kCellForeground) continue;
        const float weight = (dx == 0 || dy == 0) ? 1.0f : 0.70710677f;
        sum[0] += weight * n.r, sum[1] += weight * n.g, sum[2] += weight * n.b, weights += weight;
      }
    GridCell& cell = grid.at(x, y);
    cell.r = std::uint16_t(sum[0] / weights), cell.g = std::uint16_t(sum[1] / weights);
    cell.b = std::uint16_t(sum[2] / weights), cell.sampled = 0, cell.state = kCellEstimated;
  }
}

TEST(SimulatedBacking, FillKeepsTheOrderOfRescoringEveryStep) {
  std::mt19937 random(11);
  for (const int g : {2, 5, 13, 40}) {
    for (const double backingShare : {0.02, 0.3, 0.8}) {
      SCOPED_TRACE(testing::Message() << g << " × " << g << ", backing share " << backingShare);
      auto grid = std::make_unique<GRID>();
      grid->columns = grid->rows = g;
      std::bernoulli_distribution isBacking(backingShare);
      std::uniform_int_distribution<int> colour(0, 65535);
      for (int x = 0; x < g; ++x)
        for (int y = 0; y < g; ++y) {
          GridCell& cell = grid->at(x, y);
          cell = {std::uint16_t(colour(random)),
                  std::uint16_t(colour(random)),
                  std::uint16_t(colour(random)),
                  65535,
                  isBacking(random) ? kCellBackingSample : kCellForeground,
                  0};
        }
      grid->at(g / 2, g / 3).state = kCellBackingSample;
      auto expected = std::make_unique<GRID>(*grid);
      fillByRescoring(*expected);
      estimateMissingCells(*grid);
      for (int x = 0; x < g; ++x)
        for (int y = 0; y < g; ++y) {
          const GridCell &a = grid->at(x, y), &b = expected->at(x, y);
          ASSERT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b && a.sampled == b.sampled && a.state == b.state &&
                      a.count == b.count)
              << x << "," << y;
        }
    }
  }
}

// A grid of two cells each way with known corners, and cells past the grid set to a colour that must never show.
std::unique_ptr<GRID> cornerGrid(int w, int h, const fixcoef& record, const std::vector<pixeli>& fg,
                                 std::vector<pixeli>& out) {
  auto grid = std::make_unique<GRID>();
  for (auto& column : grid->cells)
    for (GridCell& cell : column) cell = {65535, 65535, 65535, 0, kCellEstimated, 0};
  grid->columns = grid->rows = 2;
  grid->at(0, 0) = {1000, 2000, 3000, 65535, kCellBackingSample, 0};
  grid->at(1, 0) = {2000, 2000, 3000, 65535, kCellBackingSample, 0};
  grid->at(0, 1) = {1000, 4000, 3000, 65535, kCellBackingSample, 0};
  grid->at(1, 1) = {2000, 4000, 5000, 65535, kCellBackingSample, 0};
  grid->width = w, grid->height = h;
  grid->sx = float(w - 1), grid->sy = float(h - 1);
  grid->inverseSx = 1.0f / grid->sx, grid->inverseSy = 1.0f / grid->sy;
  grid->source = fg.data(), grid->output = out.data(), grid->record = &record;
  grid->firstRow = 0, grid->lastRow = h - 1;
  return grid;
}

// Mode 1 draws the estimate: the corners exactly, bilinear between, and the last column and row from the last
// cells of the grid, never from past it.
TEST(SimulatedBacking, EstimateIsBilinearAndStaysInsideTheGrid) {
  for (const auto& [w, h] : {std::pair{11, 7}, std::pair{97, 61}, std::pair{3, 2}}) {
    SCOPED_TRACE(testing::Message() << w << " × " << h);
    const fixcoef record = backingRecord();
    const std::vector<pixeli> fg(std::size_t(w) * h, kNeutral);
    std::vector<pixeli> out(fg.size());
    const auto grid = cornerGrid(w, h, record, fg, out);
    phase_calculateGenerateSimulatedForeground(*grid, 1);
    auto at = [&](int x, int y) { return out[std::size_t(y) * w + x]; };
    EXPECT_EQ(at(0, 0), px(1000, 2000, 3000, 65535));
    EXPECT_EQ(at(w - 1, 0), px(2000, 2000, 3000, 65535));
    EXPECT_EQ(at(0, h - 1), px(1000, 4000, 3000, 65535));
    EXPECT_EQ(at(w - 1, h - 1), px(2000, 4000, 5000, 65535));
    for (const pixeli& p : out) {
      // Truncation may land one below a corner's value.
      ASSERT_TRUE(p.r >= 999 && p.r <= 2000 && p.g >= 1999 && p.g <= 4000 && p.b >= 2999 && p.b <= 5000);
    }
  }
}

// Mode 0, pixel by pixel: a colour of the backing's hue and chroma takes the whole shift to the backing; one far
// from it in hue or chroma is copied; every pixel comes out opaque.
TEST(SimulatedBacking, ShiftFollowsTheDistanceInHueAndChroma) {
  const fixcoef record = backingRecord();
  const int w = 4, h = 2;
  std::vector<pixeli> fg = {px(6912, 39168, 13824),   // the backing × 0.9: same hue, chroma 0.9 → shifted fully
                            kNeutral,                 // no chroma
                            px(50000, 10000, 10000),  // red
                            px(7680, 20000, 50000),   // blue-green: a sixth of a turn off in hue
                            px(3840, 21760, 7680),    // the backing × 0.5: chroma off by half → partly
                            px(0, 0, 0),
                            px(65535, 65535, 65535),
                            px(7680, 43520, 15360, 77)};
  std::vector<pixeli> out(fg.size());
  auto grid = cornerGrid(w, h, record, fg, out);
  for (int x = 0; x < 2; ++x)
    for (int y = 0; y < 2; ++y) grid->at(x, y) = {6912, 39168, 13824, 65535, kCellBackingSample, 0};
  phase_calculateGenerateSimulatedForeground(*grid, 0);
  EXPECT_EQ(out[0], px(7680, 43520, 15360, 65535));
  for (std::size_t i : {1u, 2u, 3u, 5u, 6u}) EXPECT_EQ(out[i], px(fg[i].r, fg[i].g, fg[i].b, 65535)) << i;
  // Half the chroma: distance 0.5, so t = 0.5 and half the shift.
  EXPECT_NEAR(out[4].g, 21760 + (43520 - 39168) * 0.5, 2.0);
  EXPECT_EQ(out[7], px(7680 + 768, 43520 + 4352, 15360 + 1536, 65535));
}

TEST(SimulatedBacking, EvensOutAVignettedBackingAndKeepsTheForeground) {
  const LitFrame frame = litFrame(240, 160);
  const std::vector<pixeli> out = render(frame.pixels, frame.w, frame.h, 12, 0);
  const double before = deviationOfGreen(frame.pixels, frame.backing);
  const double after = deviationOfGreen(out, frame.backing);
  std::printf("backing deviation of G: %.0f before, %.0f after (%.1f %% less)\n", before, after,
              100.0 * (1.0 - after / before));
  EXPECT_LE(after, 0.2 * before);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (frame.square[i]) {
      ASSERT_EQ(out[i], px(kNeutral.r, kNeutral.g, kNeutral.b, 65535)) << i;
    }
    ASSERT_EQ(out[i].a, 65535);
  }
}

TEST(SimulatedBacking, PassThroughModeRendersTheLighting) {
  const LitFrame frame = litFrame(240, 160);
  const std::vector<pixeli> out = render(frame.pixels, frame.w, frame.h, 12, 1);
  double squares = 0, squaresBacking = 0, nBacking = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double e = double(out[i].g) - frame.lighting[i].g;
    squares += e * e;
    if (frame.backing[i]) squaresBacking += e * e, nBacking += 1;
    ASSERT_EQ(out[i].a, 65535);
  }
  const double rmse = std::sqrt(squares / out.size()), rmseBacking = std::sqrt(squaresBacking / nBacking);
  std::printf("estimated lighting: RMSE of G %.0f over the frame, %.0f over the backing (of %.0f)\n", rmse, rmseBacking,
              kGreen[1]);
  EXPECT_LE(rmseBacking, 0.015 * kGreen[1]);
  EXPECT_LE(rmse, 0.02 * kGreen[1]);  // under the square the estimate is interpolated
}

// In a pass-through pass the stage's estimate is what comes out.
TEST(SimulatedBacking, PassThroughPassShowsTheEstimate) {
  const LitFrame frame = litFrame(120, 80);
  fixcoef record = test::sphericalKey(kGreen, 2500, 15000, 25000,
                                      kKeyOptionNoReplacement | kKeyOptionSimulatedBacking | kKeyOptionPassThrough);
  PrimPass pass;
  ASSERT_EQ(primcoef_begin(record, pass), 1);
  std::vector<pixeli> out(frame.pixels.size());
  ASSERT_EQ(doPrimProc(frame.pixels.data(), out.data(), nullptr, nullptr, frame.w, frame.h, record, nullptr, pass),
            PrimStatus::ok);
  static_cast<void>(primcoef_finish(record, pass));
  EXPECT_EQ(out, render(frame.pixels, frame.w, frame.h, 12, 1));
}

TEST(SimulatedBacking, WorkersGiveTheSameBytesAsOneThread) {
  const test::GreenScreenScene scene = test::makeGreenScreenScene(193, 131, 5, 0.25f);  // sizes that do not divide
  for (const int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    std::vector<std::vector<pixeli>> outs;
    for (const int workers : {1, 2, 8}) {
      const WorkerCount count(workers);
      outs.push_back(render(scene.photograph, scene.width, scene.height, 12, mode, PrimStatus::ok, scene.backing));
    }
    EXPECT_EQ(outs[1], outs[0]);
    EXPECT_EQ(outs[2], outs[0]);
  }
}

// The densest grid with most of it foreground: the fill has ten thousand cells to order.
TEST(SimulatedBacking, DensestGridFillsMostlyForegroundFrame) {
  const int w = 200, h = 150;
  std::vector<pixeli> fg(std::size_t(w) * h, kNeutral);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) fg[std::size_t(y) * w + x] = px(int(kGreen[0]), int(kGreen[1]), int(kGreen[2]));
  std::vector<pixeli> cells(kMaxGridSide * kMaxGridSide);
  ASSERT_EQ(generateSimulatedRender(fg.data(), nullptr, w, h, 99, 2550, backingRecord(), cells.data(), 0),
            PrimStatus::ok);
  // Every cell is either a sample or estimated from the backing corner.
  EXPECT_EQ(cells[0], px(int(kGreen[0]), int(kGreen[1]), int(kGreen[2]), 65535));
  int drift = 0;
  for (const pixeli& cell : cells)
    if (cell.a == 0)
      drift = std::max({drift, int(kGreen[0]) - cell.r, int(kGreen[1]) - cell.g, int(kGreen[2]) - cell.b});
  EXPECT_LE(drift, 3);  // truncation, a unit at a time over many estimates
  EXPECT_EQ(cells.back().a, 0);
}

TEST(SimulatedBacking, ArtificialForegroundOnlyForSaturatedBackings) {
  const struct {
    const char* what;
    std::array<float, 3> backing;
    int count;
  } cases[] = {
      {"green", kGreen, kFakeForegroundSize},
      {"blue", {5000, 9000, 50000}, kFakeForegroundSize},
      {"red", {52000, 9000, 5000}, kFakeForegroundSize},
      {"grey", {30000, 30000, 30000}, 0},
      {"nearly grey (saturation below 0.1)", {30000, 32000, 30000}, 0},
      {"dark and muted", {3000, 4200, 3000}, 0},
      {"bright and muted", {50000, 65000, 45000}, 0},
      {"black", {0, 0, 0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<pixeli> buffer(kFakeForegroundSize, px(1, 1, 1, 1));
    ASSERT_EQ(generate_fakefg(buffer.data(), backingRecord(c.backing)), c.count);
    if (c.count == 0) continue;
    // The colours lie away from the backing: in none of them does the backing's primary stand out.
    const std::size_t primary = c.backing[1] > c.backing[0] && c.backing[1] > c.backing[2] ? 1
                                : c.backing[2] > c.backing[0]                              ? 2
                                                                                           : 0;
    int nearBacking = 0;
    for (const pixeli& p : buffer) {
      const std::array<int, 3> channels = {p.r, p.g, p.b};
      nearBacking += channels[primary] > channels[(primary + 1) % 3] && channels[primary] > channels[(primary + 2) % 3];
    }
    EXPECT_EQ(nearBacking, 0);
  }
  std::vector<pixeli> buffer(kFakeForegroundSize);
  EXPECT_EQ(gen_art_color(2, buffer.data(), backingRecord(), 0.1f), 0);
}

// Keying a harshly lit scene with a key made for even light: the backing's far corners fall outside its inner
// surface. With the stage the backing is evened out before keying and the background's alpha error falls.
TEST(SimulatedBacking, KeyingPassClearsAnUnevenlyLitBacking) {
  const test::GreenScreenScene even = test::makeGreenScreenScene(600, 400, 9);
  const test::GreenScreenScene harsh = test::makeGreenScreenScene(600, 400, 9, 0.25f);
  const fixcoef key = test::makeSurfaceKeyFor(even);
  auto backgroundAlphaError = [&](std::uint32_t extra, double* interiorOpaque) {
    fixcoef record = key;
    record.options |= extra;
    PrimPass pass;
    EXPECT_EQ(primcoef_begin(record, pass), 1);
    std::vector<pixeli> keyed(harsh.photograph.size());
    EXPECT_EQ(doPrimProc(harsh.photograph.data(), keyed.data(), nullptr, nullptr, harsh.width, harsh.height, record,
                         nullptr, pass),
              PrimStatus::ok);
    static_cast<void>(primcoef_finish(record, pass));
    double error = 0, n = 0, opaque = 0, interior = 0;
    for (std::size_t i = 0; i < keyed.size(); ++i) {
      if (harsh.region[i] == test::kRegionBacking) error += keyed[i].a / 65535.0, n += 1;
      if (harsh.region[i] == test::kRegionInterior) opaque += keyed[i].a == 65535, interior += 1;
    }
    *interiorOpaque = opaque / interior;
    return error / n;
  };
  double opaqueWithout = 0, opaqueWith = 0;
  const double without = backgroundAlphaError(0, &opaqueWithout);
  const double with = backgroundAlphaError(kKeyOptionSimulatedBacking, &opaqueWith);
  std::printf(
      "background alpha error %.4f without the stage, %.4f with it (%.1f %% less); interior opaque %.4f, %.4f\n",
      without, with, 100.0 * (1.0 - with / without), opaqueWithout, opaqueWith);
  EXPECT_GT(without, 0.02);
  EXPECT_LE(with, 0.5 * without);
  EXPECT_GE(opaqueWith, opaqueWithout - 0.001);
}

}  // namespace
}  // namespace vorl
