// The resize on print-sized pictures: a 24-megapixel photo reduced with lanczos3 to a 6x4 inch page at 300 dpi,
// and a 12-megapixel photo enlarged with lanczos2 to a 16x20 inch poster, at one thread and at all threads.
// A memcpy of the source's bytes is the floor. Beside each resize, when libvips is there, vips_resize does the
// same job on the same pixels in memory at the same thread count; bench/compare_resize.sh prints the ratios and
// also times the `vips` and `gm` command-line programs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "imaging/parallel/job_pool.h"
#include "imaging/offscreens/offscreen.h"
#include "imaging/scaling/resize.h"

#if defined(VORL_HAVE_VIPS)
#include <vips/vips.h>
#endif

namespace {

using vorl::OffscreenPtr;

OffscreenPtr makePicture(int width, int height) {
  const vorl::Rect bounds = vorl::makeRect(0, 0, height, width);
  OffscreenPtr picture{vorl::myNewGWorld(&bounds)};
  // A noisy picture, so no kernel can take a short cut on flat areas.
  std::uint32_t state = 12345;
  const vorl::PixView view = picture->view();
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = view.row(y);
    for (int x = 0; x < width * 4; ++x) {
      state = state * 1664525u + 1013904223u;
      row[x] = static_cast<std::uint8_t>(state >> 24);
    }
  }
  return picture;
}

int allThreads() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

void resizeCase(benchmark::State& state, int srcWidth, int srcHeight, int dstWidth, int dstHeight, int type) {
  const int threads = static_cast<int>(state.range(0)) == 0 ? allThreads() : 1;
  OffscreenPtr source = makePicture(srcWidth, srcHeight);
  OffscreenPtr destination = makePicture(dstWidth, dstHeight);
  std::unique_ptr<vorl::JobPool> pool;
  if (threads > 1) pool = std::make_unique<vorl::JobPool>(threads);
  for (auto _ : state) {
    const bool ok =
        vorl::resizeGWorldBanded(source.get(), source->portRect(), destination.get(), destination->portRect(),
                                 static_cast<std::int16_t>(type), pool.get(), threads);
    if (!ok) state.SkipWithError("resize failed");
    benchmark::DoNotOptimize(destination->baseAddr());
    benchmark::ClobberMemory();
  }
  state.counters["threads"] = threads;
  state.SetBytesProcessed(state.iterations() * std::int64_t{srcWidth} * srcHeight * 4);
}

// Argument 1: one thread; 0: all threads.
void BM_ReduceLanczos3_24MP_To_1800x1200(benchmark::State& state) { resizeCase(state, 6000, 4000, 1800, 1200, 4); }
BENCHMARK(BM_ReduceLanczos3_24MP_To_1800x1200)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EnlargeLanczos2_12MP_To_4800x6000(benchmark::State& state) { resizeCase(state, 3000, 4000, 4800, 6000, 3); }
BENCHMARK(BM_EnlargeLanczos2_12MP_To_4800x6000)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

#if defined(VORL_HAVE_VIPS)
// libvips on the same noisy pixels, held in memory as a 4-band image, resized with the same kernel; writing the
// result into a memory image makes it compute every pixel.
void vipsCase(benchmark::State& state, int srcWidth, int srcHeight, double factor, VipsKernel kernel) {
  static const bool started = VIPS_INIT("imaging_scaler_bench") == 0;
  if (!started) {
    state.SkipWithError("libvips did not start");
    return;
  }
  vips_cache_set_max(0);
  const int threads = static_cast<int>(state.range(0)) == 0 ? allThreads() : 1;
  vips_concurrency_set(threads);
  OffscreenPtr source = makePicture(srcWidth, srcHeight);
  // Rows of 4 × width bytes are a multiple of 64 here, so the offscreen's pixels are one block.
  VipsImage* in =
      vips_image_new_from_memory(source->baseAddr(), static_cast<std::size_t>(source->rowBytes()) * srcHeight, srcWidth,
                                 srcHeight, 4, VIPS_FORMAT_UCHAR);
  for (auto _ : state) {
    VipsImage* out = nullptr;
    if (vips_resize(in, &out, factor, "kernel", kernel, nullptr) != 0) {
      state.SkipWithError("vips_resize failed");
      break;
    }
    VipsImage* memory = vips_image_new_memory();
    if (vips_image_write(out, memory) != 0) state.SkipWithError("vips_image_write failed");
    benchmark::DoNotOptimize(memory);
    g_object_unref(memory);
    g_object_unref(out);
  }
  g_object_unref(in);
  state.counters["threads"] = threads;
  state.SetBytesProcessed(state.iterations() * std::int64_t{srcWidth} * srcHeight * 4);
}

void BM_VipsReduceLanczos3_24MP_To_1800x1200(benchmark::State& state) {
  vipsCase(state, 6000, 4000, 0.3, VIPS_KERNEL_LANCZOS3);
}
BENCHMARK(BM_VipsReduceLanczos3_24MP_To_1800x1200)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VipsEnlargeLanczos2_12MP_To_4800x6000(benchmark::State& state) {
  vipsCase(state, 3000, 4000, 1.6, VIPS_KERNEL_LANCZOS2);
}
BENCHMARK(BM_VipsEnlargeLanczos2_12MP_To_4800x6000)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// The floor: copying the bytes of the 24-megapixel source once.
void BM_Memcpy_24MP(benchmark::State& state) {
  const std::size_t bytes = std::size_t{6000} * 4000 * 4;
  std::vector<std::uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_Memcpy_24MP)->Unit(benchmark::kMillisecond);

}  // namespace
