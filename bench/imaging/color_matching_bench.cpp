// Matching a finished page in place: a 10x15 inch page at 300 dpi (3000 x 4500, 54 MB) from an Adobe-RGB-like
// profile to sRGB (matrix and curves both sides) and from sRGB to a printer-like table profile, on one thread
// and in bands on every processor, beside a memcpy of the page's bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <thread>

#include "imaging/color/color_matching.h"
#include "imaging/color/color_transform.h"
#include "imaging/parallel/job_pool.h"
#include "imaging/offscreens/offscreen.h"
#include "tests/imaging/icc_fixtures.h"

namespace {

using vorl::OffscreenPtr;

constexpr int kWidth = 3000;
constexpr int kHeight = 4500;
constexpr std::int64_t kPageBytes = std::int64_t{kWidth} * kHeight * 4;

OffscreenPtr makePage() {
  const vorl::Rect bounds = vorl::makeRect(0, 0, kHeight, kWidth);
  OffscreenPtr page{vorl::myNewGWorld(&bounds)};
  std::uint32_t state = 777;
  const vorl::PixView view = page->view();
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth * 4; ++x) {
      state = state * 1664525u + 1013904223u;
      view.row(y)[x] = static_cast<std::uint8_t>(state >> 24);
    }
  return page;
}

int allThreads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

void finish(benchmark::State& state) { state.SetBytesProcessed(state.iterations() * kPageBytes); }

void BM_Memcpy_Page(benchmark::State& state) {
  OffscreenPtr from = makePage(), to = makePage();
  for (auto _ : state) {
    std::memcpy(to->baseAddr(), from->baseAddr(), static_cast<std::size_t>(kPageBytes));
    benchmark::DoNotOptimize(to->baseAddr());
    benchmark::ClobberMemory();
  }
  finish(state);
}
BENCHMARK(BM_Memcpy_Page)->Unit(benchmark::kMillisecond)->UseRealTime();

// range(0): 0 for Adobe-like -> sRGB, 1 for sRGB -> table printer; range(1): threads.
void BM_Match_Page(benchmark::State& state) {
  const bool table = state.range(0) == 1;
  const int threads = static_cast<int>(state.range(1));
  vorl::CMProfileRef source = vorl::openProfileData(
      vorl::test::profileBytes(table ? vorl::test::makeSRGBProfile() : vorl::test::makeAdobeLikeProfile()), nullptr);
  vorl::CMProfileRef destination = vorl::openProfileData(
      vorl::test::profileBytes(table ? vorl::test::makeRGBPrinterProfile() : vorl::test::makeSRGBProfile()), nullptr);
  vorl::CMWorldRef world;
  if (vorl::NCWNewColorWorld(&world, source, destination) != vorl::noErr) {
    state.SkipWithError("no transform");
    return;
  }
  vorl::JobPool pool(threads);
  OffscreenPtr page = makePage();
  const vorl::PixView v = page->view();
  for (auto _ : state) {
    vorl::transformRows(*world, v.base(), v.rowBytes(), v.base(), v.rowBytes(), v.width(), v.height(),
                        threads > 1 ? &pool : nullptr, threads);
    benchmark::ClobberMemory();
  }
  finish(state);
}
BENCHMARK(BM_Match_Page)
    ->ArgNames({"table", "threads"})
    ->ArgsProduct({{0, 1}, {1, allThreads()}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
