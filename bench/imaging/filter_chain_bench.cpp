// The filter chain on a 24-megapixel photo (6000 x 4000): the full per-image correction (every stage, the
// sharpening included) and the blur of radius 2 that every photo gets, at one thread and at all threads. A
// memcpy of the photo's bytes is the floor. When libvips is there, vips_gaussblur blurs the same pixels in memory
// at the same thread count; bench/compare_filters.sh prints the ratios and times the `vips` and `gm` programs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "imaging/color/color_adjustment_manager.h"
#include "imaging/filters/gaussian_blur.h"
#include "imaging/parallel/job_pool.h"
#include "imaging/offscreens/offscreen.h"

#if defined(VORL_HAVE_VIPS)
#include <vips/vips.h>
#endif

namespace {

using vorl::OffscreenPtr;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr double kMegapixels = kWidth * double(kHeight) / 1e6;

OffscreenPtr makePhoto() {
  const vorl::Rect bounds = vorl::makeRect(0, 0, kHeight, kWidth);
  OffscreenPtr photo{vorl::myNewGWorld(&bounds)};
  // Noise, so no stage can take a short cut on flat areas.
  std::uint32_t state = 4242;
  const vorl::PixView view = photo->view();
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth * 4; ++x) {
      state = state * 1664525u + 1013904223u;
      view.row(y)[x] = static_cast<std::uint8_t>(state >> 24);
    }
  return photo;
}

int threadsOf(const benchmark::State& state) {
  if (state.range(0) != 0) return 1;
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

void finish(benchmark::State& state, int threads) {
  state.counters["threads"] = threads;
  state.counters["megapixels"] =
      benchmark::Counter(kMegapixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 4);
}

// Argument 1: one thread; 0: all threads.
void BM_FullCorrection_24MP(benchmark::State& state) {
  const int threads = threadsOf(state);
  vorl::JobPool pool(threads);
  OffscreenPtr photo = makePhoto();
  vorl::ColorAdjustValues values;
  values.saturation = 1.2;
  values.contrast = 1.1;
  values.gamma = 0.9;
  values.exposure = 0.3;
  values.hue = 0.2;
  values.sharpness = 0.5;
  values.blue = 1.1;
  for (auto _ : state) {
    OffscreenPtr out = vorl::ColorAdjustmentManager().applyColorCorrection2(*photo, values, &pool);
    if (!out) state.SkipWithError("correction failed");
    benchmark::DoNotOptimize(out.get());
  }
  finish(state, threads);
}
BENCHMARK(BM_FullCorrection_24MP)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// Renders a plan into a picture made beforehand: the stages without making the new offscreen.
void renderPlan(benchmark::State& state, const vorl::FilterPlan& plan) {
  const int threads = threadsOf(state);
  vorl::JobPool pool(threads);
  OffscreenPtr photo = makePhoto();
  OffscreenPtr out = makePhoto();
  for (auto _ : state) {
    if (!vorl::renderFilterPlan(plan, photo->view(), out->view(), &pool)) state.SkipWithError("render failed");
    benchmark::DoNotOptimize(out->baseAddr());
    benchmark::ClobberMemory();
  }
  finish(state, threads);
}

// The full correction's stages.
void BM_FullCorrectionInto_24MP(benchmark::State& state) {
  vorl::FilterPlan plan;
  plan.colorControls = vorl::ColorControlsStage{1.2, 0, 1.1};
  plan.gamma = 0.9;
  plan.sharpness = 0.5;
  plan.exposure = 0.3;
  plan.hue = 0.2;
  plan.colorMatrix = vorl::ColorMatrixStage{1, 1, 1.1};
  renderPlan(state, plan);
}
BENCHMARK(BM_FullCorrectionInto_24MP)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The per-pixel stages alone, without the sharpening's neighbourhood.
void BM_PerPixelCorrection_24MP(benchmark::State& state) {
  vorl::FilterPlan plan;
  plan.colorControls = vorl::ColorControlsStage{1.2, 0, 1.1};
  plan.gamma = 0.9;
  plan.exposure = 0.3;
  plan.hue = 0.2;
  plan.colorMatrix = vorl::ColorMatrixStage{1, 1, 1.1};
  renderPlan(state, plan);
}
BENCHMARK(BM_PerPixelCorrection_24MP)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Blur2_24MP(benchmark::State& state) {
  const int threads = threadsOf(state);
  vorl::JobPool pool(threads);
  OffscreenPtr photo = makePhoto();
  OffscreenPtr out = makePhoto();
  for (auto _ : state) {
    if (!vorl::gaussianBlur(photo->view(), out->view(), 2.0, &pool)) state.SkipWithError("blur failed");
    benchmark::DoNotOptimize(out->baseAddr());
    benchmark::ClobberMemory();
  }
  finish(state, threads);
}
BENCHMARK(BM_Blur2_24MP)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

#if defined(VORL_HAVE_VIPS)
// libvips blurs the same pixels held in memory as a 4-band image at its default precision (integer arithmetic
// for 8-bit pixels), as a libvips user gets it; writing the result into a memory image makes it compute every
// pixel.
void BM_VipsGaussblur2_24MP(benchmark::State& state) {
  static const bool started = VIPS_INIT("filter_chain_bench") == 0;
  if (!started) {
    state.SkipWithError("libvips did not start");
    return;
  }
  vips_cache_set_max(0);
  const int threads = threadsOf(state);
  vips_concurrency_set(threads);
  OffscreenPtr photo = makePhoto();
  // Rows of 4 × 6000 bytes are a multiple of 64, so the offscreen's pixels are one block.
  VipsImage* in = vips_image_new_from_memory(photo->baseAddr(), static_cast<std::size_t>(photo->rowBytes()) * kHeight,
                                             kWidth, kHeight, 4, VIPS_FORMAT_UCHAR);
  for (auto _ : state) {
    VipsImage* out = nullptr;
    if (vips_gaussblur(in, &out, 2.0, nullptr) != 0) {
      state.SkipWithError("vips_gaussblur failed");
      break;
    }
    VipsImage* memory = vips_image_new_memory();
    if (vips_image_write(out, memory) != 0) state.SkipWithError("vips_image_write failed");
    benchmark::DoNotOptimize(memory);
    g_object_unref(memory);
    g_object_unref(out);
  }
  g_object_unref(in);
  finish(state, threads);
}
BENCHMARK(BM_VipsGaussblur2_24MP)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// The floor: copying the photo's bytes once.
void BM_Memcpy_24MP(benchmark::State& state) {
  const std::size_t bytes = std::size_t{kWidth} * kHeight * 4;
  std::vector<std::uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  finish(state, 1);
}
BENCHMARK(BM_Memcpy_24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
