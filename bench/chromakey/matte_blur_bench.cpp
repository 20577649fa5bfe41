// The keying engine's image filters on a print-sized frame (6000×4000, 24 megapixels): the matte blur at small,
// medium and large radius and grain removal at level 2, on one thread and on eight, in nanoseconds per pixel. A
// memcpy of the frame is the floor. Under the sanitizers the frame is 600×400, so the program stays quick there.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>

#include "bench/per_pixel_counter.h"
#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/pixel_map.h"

namespace {

using namespace vorl;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kWidth = 600, kHeight = 400;
#else
constexpr int kWidth = 6000, kHeight = 4000;
#endif

// A keyed frame: an elliptical subject with a soft edge over a transparent backing, grainy colours throughout.
// In a PixelMap, as the engine's frames are.
PixelMap& frame() {
  static PixelMap* made = [] {
    auto* f = new PixelMap(static_cast<std::size_t>(kWidth) * kHeight);
    std::mt19937 random(1);
    std::uniform_int_distribution<int> grain(-1500, 1500);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const double dx = (x - kWidth * 0.5) / (kWidth * 0.3), dy = (y - kHeight * 0.55) / (kHeight * 0.4);
        const double inside = std::clamp((1.0 - std::sqrt(dx * dx + dy * dy)) * 40.0, 0.0, 1.0);
        const auto channel = [&](int base) { return static_cast<std::uint16_t>(std::clamp(base + grain(random), 0, 65535)); };
        (*f)[static_cast<std::size_t>(y) * kWidth + x] = {channel(40000), channel(30000), channel(26000),
                                                          static_cast<std::uint16_t>(std::lround(inside * 65535))};
      }
    return f;
  }();
  return *made;
}

void perPixel(benchmark::State& state) {
  const double pixels = static_cast<double>(kWidth) * kHeight;
  bench::reportPerPixel(state, pixels);
}

void BM_MemcpyFrame(benchmark::State& state) {
  PixelMap& f = frame();
  PixelMap copy(f.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), f.data(), f.size() * sizeof(pixeli));
    benchmark::ClobberMemory();
  }
  perPixel(state);
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMillisecond);

// range(0): radius; range(1): workers; the blur alone, no inward pull or shrink. Each run blurs the previous
// run's matte again, which costs the same.
void BM_DefocusMask(benchmark::State& state) {
  PixelMap& f = frame();
  setDuzeviveThreadCount(static_cast<int>(state.range(1)));
  for (auto _ : state) {
    if (doDefocusMask(f.data(), kWidth, kHeight, static_cast<int>(state.range(0)), 0, 0.0f) != PrimStatus::ok)
      state.SkipWithError("matte blur failed");
    benchmark::ClobberMemory();
  }
  setDuzeviveThreadCount(1);
  perPixel(state);
}
BENCHMARK(BM_DefocusMask)
    ->ArgNames({"r", "workers"})
    ->ArgsProduct({{1, 3, 10, 20, 50}, {1, 8}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// range(0): workers.
void BM_RemoveGrain(benchmark::State& state) {
  PixelMap& f = frame();
  fixcoef record;
  record.grainLevel = 2;
  setDuzeviveThreadCount(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    if (remove_grain(f.data(), kWidth, kHeight, record, nullptr) != PrimStatus::ok)
      state.SkipWithError("grain removal failed");
    benchmark::ClobberMemory();
  }
  setDuzeviveThreadCount(1);
  perPixel(state);
}
BENCHMARK(BM_RemoveGrain)->ArgNames({"workers"})->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
