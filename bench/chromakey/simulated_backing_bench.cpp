// The simulated-backing stage on a print-sized synthetic green-screen photograph (6000×4000, 24 megapixels) under
// harsh vignetting: the whole stage at grid density 12 and 99 on one thread and on eight, and the histogram
// training it starts with, in nanoseconds per pixel. Under the sanitizers the frame is 600×400, so the program
// stays quick there.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/per_pixel_counter.h"
#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/histogram_training.h"
#include "chromakey/engine/key_defaults.h"
#include "chromakey/engine/key_stages.h"
#include "tests/chromakey/synthetic_green_screen.h"

namespace {

using namespace vorl;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kWidth = 600, kHeight = 400;
#else
constexpr int kWidth = 6000, kHeight = 4000;
#endif

struct Frames {
  std::vector<pixeli> photograph;
  std::vector<pixeli> out;
  fixcoef record;
};

// Made once and shared by every benchmark: making the scene costs more than the stage.
Frames& frames() {
  static Frames* f = [] {
    auto* made = new Frames;
    test::GreenScreenScene scene = test::makeGreenScreenScene(kWidth, kHeight, 1, 0.25f);
    made->record = test::makeSurfaceKeyFor(scene);
    made->photograph = std::move(scene.photograph);
    made->out.resize(made->photograph.size());
    return made;
  }();
  return *f;
}

void perPixel(benchmark::State& state) {
  const double pixels = static_cast<double>(kWidth) * kHeight;
  bench::reportPerPixel(state, pixels);
}

// range(0): grid density; range(1): worker count.
void BM_SimulatedRender(benchmark::State& state) {
  Frames& f = frames();
  setDuzeviveThreadCount(static_cast<int>(state.range(1)));
  for (auto _ : state) {
    if (generateSimulatedRender(f.photograph.data(), f.out.data(), kWidth, kHeight, static_cast<int>(state.range(0)),
                                f.record.simulatedInnerRadius, f.record, nullptr, 0) != PrimStatus::ok)
      state.SkipWithError("stage failed");
    benchmark::ClobberMemory();
  }
  setDuzeviveThreadCount(1);
  perPixel(state);
}
BENCHMARK(BM_SimulatedRender)
    ->ArgNames({"density", "workers"})
    ->Args({12, 1})
    ->Args({12, 8})
    ->Args({99, 1})
    ->Args({99, 8})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The training alone, on the private record the stage starts from (without its artificial foreground).
void BM_HistogramTraining(benchmark::State& state) {
  Frames& f = frames();
  const pixeli backing = {static_cast<std::uint16_t>(f.record.backing[0]),
                          static_cast<std::uint16_t>(f.record.backing[1]),
                          static_cast<std::uint16_t>(f.record.backing[2]), 65535};
  for (auto _ : state) {
    fixcoef local;
    static_cast<void>(init_KEYp(local));
    local.options |= kKeyOptionNoReplacement;
    local.backing = {float(backing.r), float(backing.g), float(backing.b)};
    local.radii[kInnerSurface].fill(static_cast<float>(f.record.simulatedInnerRadius));
    local.radii[kMiddleSurface].fill(130560.0f);
    local.radii[kOuterSurface].fill(130560.0f);
    benchmark::DoNotOptimize(histogram_proc(backing, f.photograph.data(), kWidth, kHeight, local, false, true, 0.0f,
                                            0.0f, false, false, 1, 1));
  }
  perPixel(state);
}
BENCHMARK(BM_HistogramTraining)->Unit(benchmark::kMillisecond);

}  // namespace
