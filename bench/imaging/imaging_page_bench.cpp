// The single passes over a finished page: a 10x15 inch page at 300 dpi (3000 x 4500, 54 MB) through the colour
// table, greyscale, sepia, a quarter turn into a new offscreen, mirroring and packing to red, green, blue
// triples. Each one is measured against a memcpy of the page's bytes, the floor of any single pass. The passes
// run in bands on the process's job pool (one thread a processor), as in the processor; the turns, the mirror and
// the memcpy also run on one thread (argument threads:1), each beside the memcpy at the same thread count.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "imaging/color/color_tables.h"
#include "imaging/parallel/job_pool.h"
#include "imaging/offscreens/offscreen.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "imaging/offscreens/pixel_packing.h"
#include "imaging/parallel/row_bands.h"

namespace {

using vorl::OffscreenPtr;

constexpr int kWidth = 3000;
constexpr int kHeight = 4500;
constexpr std::int64_t kPageBytes = std::int64_t{kWidth} * kHeight * 4;

OffscreenPtr makePage(int width = kWidth, int height = kHeight) {
  // The passes run in bands on the process's pool, as they do in the processor.
  static_cast<void>(vorl::MPJobs_Init());
  const vorl::Rect bounds = vorl::makeRect(0, 0, height, width);
  OffscreenPtr page{vorl::myNewGWorld(&bounds)};
  std::uint32_t state = 777;
  const vorl::PixView view = page->view();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width * 4; ++x) {
      state = state * 1664525u + 1013904223u;
      view.row(y)[x] = static_cast<std::uint8_t>(state >> 24);
    }
  return page;
}

void finish(benchmark::State& state) { state.SetBytesProcessed(state.iterations() * kPageBytes); }

// One thread, or one band a processor on the pool.
const int kAllThreads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
void useThreads(const benchmark::State& state) { vorl::gThreaded = state.range(0) > 1; }
void threadCounts(benchmark::internal::Benchmark* b) {
  b->ArgName("threads")->Arg(1);
  if (kAllThreads > 1) b->Arg(kAllThreads);
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}

// The page's bytes into a second page of the same size, in the same bands as the passes.
void BM_Memcpy_Page(benchmark::State& state) {
  OffscreenPtr from = makePage(), to = makePage();
  useThreads(state);
  const std::ptrdiff_t rowBytes = from->rowBytes();
  for (auto _ : state) {
    vorl::forRowBands(kHeight, [&](int first, int end) {
      std::memcpy(to->baseAddr() + first * rowBytes, from->baseAddr() + first * rowBytes,
                  static_cast<std::size_t>((end - first) * rowBytes));
    });
    benchmark::DoNotOptimize(to->baseAddr());
    benchmark::ClobberMemory();
  }
  finish(state);
}
BENCHMARK(BM_Memcpy_Page)->Apply(threadCounts);

void BM_ColorTable_Page(benchmark::State& state) {
  OffscreenPtr page = makePage();
  vorl::myImageColorAdjustInfo settings{};
  settings.red = 5;
  settings.gamma = -7;
  settings.dark = 3;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vorl::ApplyColorSettingsToOffscreen(page.get(), settings, page.get()));
    benchmark::ClobberMemory();
  }
  finish(state);
}
BENCHMARK(BM_ColorTable_Page)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Greyscale_Page(benchmark::State& state) {
  OffscreenPtr page = makePage();
  for (auto _ : state) {
    benchmark::DoNotOptimize(vorl::doGrayScaleTheImageInGWorld(page.get()));
    benchmark::ClobberMemory();
  }
  finish(state);
}
BENCHMARK(BM_Greyscale_Page)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Sepia_Page(benchmark::State& state) {
  OffscreenPtr page = makePage();
  vorl::myImageColorAdjustInfo tones{};
  tones.red = 30;
  tones.blue = -20;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vorl::ConvertOffscreenToSepia(page.get(), tones, page.get()));
    benchmark::ClobberMemory();
  }
  finish(state);
}
BENCHMARK(BM_Sepia_Page)->Unit(benchmark::kMillisecond)->UseRealTime();

// Direction 2 (clockwise) and 1 (counter-clockwise) into an offscreen of the turned size.
void rotatePage(benchmark::State& state, std::int16_t direction) {
  OffscreenPtr page = makePage();
  OffscreenPtr turned = makePage(kHeight, kWidth);
  useThreads(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(vorl::rotateImage90Degrees(direction, page.get(), turned.get()));
    benchmark::ClobberMemory();
  }
  finish(state);
}
void BM_Rotate90_Page(benchmark::State& state) { rotatePage(state, 2); }
BENCHMARK(BM_Rotate90_Page)->Apply(threadCounts);
void BM_Rotate90CounterClockwise_Page(benchmark::State& state) { rotatePage(state, 1); }
BENCHMARK(BM_Rotate90CounterClockwise_Page)->Apply(threadCounts);

void BM_Rotate180_Page(benchmark::State& state) {
  OffscreenPtr page = makePage();
  useThreads(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(vorl::rotateImage180Degrees(page.get()));
    benchmark::ClobberMemory();
  }
  finish(state);
}
BENCHMARK(BM_Rotate180_Page)->Apply(threadCounts);

void BM_Mirror_Page(benchmark::State& state) {
  OffscreenPtr page = makePage();
  useThreads(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(vorl::doMirrorTheImageInGWorld(page.get()));
    benchmark::ClobberMemory();
  }
  finish(state);
}
BENCHMARK(BM_Mirror_Page)->Apply(threadCounts);

void BM_PackRGB_Page(benchmark::State& state) {
  OffscreenPtr page = makePage();
  std::vector<std::uint8_t> packed(static_cast<std::size_t>(vorl::packedRGBSize(page.get())));
  for (auto _ : state) {
    benchmark::DoNotOptimize(vorl::convertGWorldToDKC(page.get(), packed));
    benchmark::ClobberMemory();
  }
  finish(state);
}
BENCHMARK(BM_PackRGB_Page)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
