// The shape-mask stage on a 3000×2000 frame: twenty feathered shapes (feather 0.05, a blur radius of 15) drawn
// and combined into a cleared mask, on one thread and split over workers, in nanoseconds per frame pixel; one
// sharp shape and one feathered over the whole frame show what the rasteriser and the blur cost alone. Under the
// sanitizers the frame is 300×200.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/shape_mask.h"

namespace {

using namespace vorl;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kWidth = 300, kHeight = 200;
#else
constexpr int kWidth = 3000, kHeight = 2000;
#endif

// A smooth blob of twelve control points around (cx, cy), every third a corner.
DuzeviveShapeImpl blob(float cx, float cy, float radius, float feather, std::int32_t mode) {
  DuzeviveShapeImpl shape;
  for (int k = 0; k < 12; ++k) {
    const double t = 2 * M_PI * k / 12;
    const double r = radius * (k % 2 == 0 ? 1.0 : 0.7);
    shape.x.push_back(static_cast<float>(cx + r * std::cos(t)));
    shape.y.push_back(static_cast<float>(cy + r * std::sin(t) * 1.5));
    shape.multiplicity.push_back(k % 3 == 0 ? 3 : 1);
  }
  shape.feather = feather;
  shape.combineMode = mode;
  return shape;
}

void drawShapes(benchmark::State& state, const std::vector<DuzeviveShapeImpl>& shapes) {
  setDuzeviveThreadCount(static_cast<int>(state.range(0)));
  std::vector<const DuzeviveShapeImpl*> list;
  for (const DuzeviveShapeImpl& s : shapes) list.push_back(&s);
  std::vector<pixeli> mask(static_cast<std::size_t>(kWidth) * kHeight);
  for (auto _ : state) {
    if (renderMaskShape(mask.data(), kWidth, kHeight, list, true) != PrimStatus::ok) state.SkipWithError("failed");
    benchmark::ClobberMemory();
  }
  setDuzeviveThreadCount(1);
  // Seconds per frame pixel; the report prints it with its prefix ("12.3n" is 12.3 ns).
  state.counters["per_pixel"] = benchmark::Counter(static_cast<double>(kWidth) * kHeight,
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void BM_TwentyFeatheredShapes(benchmark::State& state) {
  std::vector<DuzeviveShapeImpl> shapes;
  for (int i = 0; i < 20; ++i) {
    const float cx = 0.1f + 0.2f * static_cast<float>(i % 5);
    const float cy = 0.15f + 0.23f * static_cast<float>(i / 5);
    shapes.push_back(blob(cx, cy, 0.12f, 0.05f, i % 4));
  }
  drawShapes(state, shapes);
}

void BM_OneSharpShape(benchmark::State& state) { drawShapes(state, {blob(0.5f, 0.5f, 0.3f, 0.0f, 0)}); }

void BM_OneFeatheredFrame(benchmark::State& state) {
  DuzeviveShapeImpl shape = blob(0.5f, 0.5f, 0.3f, 0.05f, 0);
  shape.invert = true;
  drawShapes(state, {shape});
}

const int kManyWorkers = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 2u, 8u));

BENCHMARK(BM_TwentyFeatheredShapes)
    ->ArgName("workers")
    ->Arg(1)
    ->Arg(kManyWorkers)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_OneSharpShape)->ArgName("workers")->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OneFeatheredFrame)
    ->ArgName("workers")
    ->Arg(1)
    ->Arg(kManyWorkers)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
