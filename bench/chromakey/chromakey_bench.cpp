// The keying engine on a print-sized synthetic green-screen photograph (6000×4000, 24 megapixels): each kernel
// family, the composite, and the whole pass (prepare, key, composite) on one thread and split over workers, in
// nanoseconds per pixel. A memcpy of the frame is the floor. Under the sanitizers the frame is 600×400, so the
// program stays quick there.
#include <benchmark/benchmark.h>

#include <cstring>
#include <thread>
#include <vector>

#include "bench/per_pixel_counter.h"
#include "chromakey/engine/composite.h"
#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/key_pipeline.h"
#include "tests/chromakey/synthetic_green_screen.h"

namespace {

using namespace vorl;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kWidth = 600, kHeight = 400;
#else
constexpr int kWidth = 6000, kHeight = 4000;
#endif

struct Frames {
  test::GreenScreenScene scene;
  fixcoef surfaceKey;
  fixcoef rtKey;
  std::vector<pixeli> mask;
  std::vector<pixeli> keyed;
  std::vector<pixeli> composite;
  std::vector<pixeli> matte;
};

// Made once and shared by every benchmark: making the scene costs more than keying it.
Frames& frames() {
  static Frames* f = [] {
    auto* made = new Frames;
    made->scene = test::makeGreenScreenScene(kWidth, kHeight, 1);
    made->surfaceKey = test::makeSurfaceKeyFor(made->scene);
    made->rtKey = test::makeRTKeyFor(made->scene);
    // Only the frames are needed from here on.
    made->scene.subject = {};
    made->scene.alpha = {};
    made->scene.region = {};
    const std::size_t n = made->scene.photograph.size();
    made->mask.resize(n);
    for (std::size_t i = 0; i < n; ++i) made->mask[i] = {0, static_cast<std::uint16_t>((i % 97) * 600), 0, 0};
    made->keyed.resize(n);
    made->composite.resize(n);
    made->matte.resize(n);
    return made;
  }();
  return *f;
}

void perPixel(benchmark::State& state) {
  const double pixels = static_cast<double>(kWidth) * kHeight;
  bench::reportPerPixel(state, pixels);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(pixels) * 8);
}

void BM_MemcpyFrame(benchmark::State& state) {
  Frames& f = frames();
  for (auto _ : state) {
    std::memcpy(f.keyed.data(), f.scene.photograph.data(), f.keyed.size() * sizeof(pixeli));
    benchmark::ClobberMemory();
  }
  perPixel(state);
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMillisecond);

// One kernel over the whole frame on one thread: the surface key or the RT key with the given option bits.
void keyWith(benchmark::State& state, std::uint32_t options, bool useRT, bool withMask) {
  Frames& f = frames();
  fixcoef record = useRT ? f.rtKey : f.surfaceKey;
  record.options = options;
  PrimPass pass;
  if (primcoef_begin(record, pass) != 1) state.SkipWithError("record refused");
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(f.keyed.size());
  for (auto _ : state) {
    primproc(f.scene.photograph.data(), nullptr, f.scene.photograph.data(), nullptr, withMask ? f.mask.data() : nullptr,
             f.keyed.data(), n, record, pass);
    benchmark::ClobberMemory();
  }
  perPixel(state);
}

void BM_Kernel_0_1_0(benchmark::State& s) { keyWith(s, kKeyOptionNoReplacement, false, false); }
void BM_Kernel_0_1_1(benchmark::State& s) { keyWith(s, kKeyOptionNoReplacement | kKeyOptionExternalMask, false, true); }
void BM_Kernel_1_1_0(benchmark::State& s) {
  keyWith(s, kKeyOptionNoReplacement | kKeyOptionFloatKernels, false, false);
}
void BM_Kernel_1_1_1(benchmark::State& s) {
  keyWith(s, kKeyOptionNoReplacement | kKeyOptionFloatKernels | kKeyOptionExternalMask, false, true);
}
void BM_Kernel_RT(benchmark::State& s) { keyWith(s, kKeyOptionNoReplacement | kKeyOptionRT, true, false); }
void BM_Kernel_RT_Mask(benchmark::State& s) {
  keyWith(s, kKeyOptionNoReplacement | kKeyOptionRT | kKeyOptionExternalMask, true, true);
}
void BM_Kernel_RTPlus(benchmark::State& s) { keyWith(s, kKeyOptionNoReplacement | kKeyOptionRTPlus, true, false); }
void BM_Kernel_RTPlus_Mask(benchmark::State& s) {
  keyWith(s, kKeyOptionNoReplacement | kKeyOptionRTPlus | kKeyOptionExternalMask, true, true);
}
BENCHMARK(BM_Kernel_0_1_0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kernel_0_1_1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kernel_1_1_0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kernel_1_1_1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kernel_RT)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kernel_RT_Mask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kernel_RTPlus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kernel_RTPlus_Mask)->Unit(benchmark::kMillisecond);

void BM_Composite(benchmark::State& state) {
  Frames& f = frames();
  setDuzeviveThreadCount(1);
  // A keyed frame to lay over the background: the surface key's.
  fixcoef record = f.surfaceKey;
  PrimPass pass;
  static_cast<void>(primcoef_begin(record, pass));
  static_cast<void>(
      doPrimProc(f.scene.photograph.data(), f.keyed.data(), nullptr, nullptr, kWidth, kHeight, record, nullptr, pass));
  for (auto _ : state) {
    static_cast<void>(
        doComposite(f.keyed.data(), f.scene.background.data(), f.composite.data(), f.matte.data(), kWidth, kHeight));
    benchmark::ClobberMemory();
  }
  perPixel(state);
}
BENCHMARK(BM_Composite)->Unit(benchmark::kMillisecond);

// The whole pass as the bridge runs it: prepare, key, matte blur (nothing to do), composite, finish.
// range(0): worker count; range(1): 0 surface key, 1 RT key.
void BM_KeyingPass(benchmark::State& state) {
  Frames& f = frames();
  setDuzeviveThreadCount(static_cast<int>(state.range(0)));
  const fixcoef stored = state.range(1) == 0 ? f.surfaceKey : f.rtKey;
  for (auto _ : state) {
    fixcoef record = stored;
    PrimPass pass;
    static_cast<void>(primcoef_begin(record, pass));
    if (doPrimProc(f.scene.photograph.data(), f.keyed.data(), nullptr, nullptr, kWidth, kHeight, record, nullptr,
                   pass) != PrimStatus::ok ||
        doDefocusMask(f.keyed.data(), kWidth, kHeight, 0, 0, 0.0f) != PrimStatus::ok ||
        doComposite(f.keyed.data(), f.scene.background.data(), f.composite.data(), f.matte.data(), kWidth, kHeight,
                    keyedColoursOf(record)) != PrimStatus::ok)
      state.SkipWithError("pass failed");
    static_cast<void>(primcoef_finish(record, pass));
    benchmark::ClobberMemory();
  }
  setDuzeviveThreadCount(1);
  perPixel(state);
}
BENCHMARK(BM_KeyingPass)
    ->ArgNames({"workers", "rt"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({static_cast<int>(std::max(2u, std::thread::hardware_concurrency())), 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
