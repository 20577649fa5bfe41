// A background colour filling a whole 10x15 inch page at 300 dpi (3000 x 4500 pixels, 54 MB), beside a memset of
// the page's bytes, the floor of any fill.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/per_pixel_counter.h"
#include "imaging/offscreens/offscreen.h"
#include "layout/attribute_objects.h"

namespace {

constexpr int kWidth = 3000;
constexpr int kHeight = 4500;

vorl::OffscreenPtr makePage() {
  const vorl::Rect bounds = vorl::makeRect(0, 0, kHeight, kWidth);
  return vorl::OffscreenPtr{vorl::myNewGWorld(&bounds)};
}

void BM_BackgroundFillsPage(benchmark::State& state) {
  vorl::OffscreenPtr page = makePage();
  vorl::CBackColorDesc desc{};
  desc.layout.width = 10.0f;
  desc.layout.height = 15.0f;
  desc.color.red = 0x8000;
  desc.color.green = 0x4000;
  desc.color.blue = 0x2000;
  auto background = vorl::TBackColorObject::New(desc);
  for (auto _ : state) {
    benchmark::DoNotOptimize(background->Draw4Printing(page.get(), 300, nullptr));
    benchmark::ClobberMemory();
  }
  vorl::bench::reportPerPixel(state, double{kWidth} * kHeight);
}
BENCHMARK(BM_BackgroundFillsPage)->Unit(benchmark::kMillisecond);

void BM_MemsetOfThePage(benchmark::State& state) {
  vorl::OffscreenPtr page = makePage();
  const std::size_t bytes = static_cast<std::size_t>(page->rowBytes()) * kHeight;
  for (auto _ : state) {
    std::memset(page->baseAddr(), 0x40, bytes);
    benchmark::ClobberMemory();
  }
  vorl::bench::reportPerPixel(state, double{kWidth} * kHeight);
}
BENCHMARK(BM_MemsetOfThePage)->Unit(benchmark::kMillisecond);

}  // namespace
