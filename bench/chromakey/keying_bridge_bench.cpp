// The whole keying call as the page side makes it, on a print-sized synthetic green-screen photograph (6000×4000,
// 24 megapixels): 8-bit offscreens into the bridge, the key, and the composite with its matte back out. Once with
// the matte edge only (defocus 3, shrink 0.05) and once with every stage on (grain removal, simulated backing,
// matte edge, junk keep-region, matte into alpha), on one thread and on all, in nanoseconds per pixel. Under the
// sanitizers the frame is 600×400, so the program stays quick there.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bench/per_pixel_counter.h"
#include "chromakey/bridge/keying_bridge.h"
#include "chromakey/engine/engine_workers.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "platform/files/file_specs.h"
#include "tests/chromakey/synthetic_green_screen.h"

namespace {

using namespace vorl;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kWidth = 600, kHeight = 400;
#else
constexpr int kWidth = 6000, kHeight = 4000;
#endif

OffscreenPtr offscreenOf(const std::vector<pixeli>& map) {
  const Rect bounds = makeRect(0, 0, kHeight, kWidth);
  OffscreenPtr o{myNewGWorld(&bounds)};
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* q = o->view().row(y);
    for (int x = 0; x < kWidth; ++x, q += 4) {
      const pixeli& p = map[static_cast<std::size_t>(y) * kWidth + x];
      q[0] = 0;
      q[1] = static_cast<std::uint8_t>(p.r >> 8);
      q[2] = static_cast<std::uint8_t>(p.g >> 8);
      q[3] = static_cast<std::uint8_t>(p.b >> 8);
    }
  }
  return o;
}

struct Inputs {
  OffscreenPtr photo;
  OffscreenPtr background;
  fixcoef key;
  FSSpec image{};
};

Inputs& inputs() {
  static Inputs* made = [] {
    auto* in = new Inputs;
    const test::GreenScreenScene scene = test::makeGreenScreenScene(kWidth, kHeight, 1);
    in->photo = offscreenOf(scene.photograph);
    in->background = offscreenOf(scene.background);
    in->key = test::makeSurfaceKeyFor(scene);
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "vorl-keying-bench.jpg";
    std::ofstream(file) << "pixels";
    static_cast<void>(FSMakeFSSpecFromPath(file, in->image));
    return in;
  }();
  return *made;
}

// range(0): worker count; range(1): 0 matte edge only, 1 every stage.
void BM_BridgePass(benchmark::State& state) {
  Inputs& in = inputs();
  setDuzeviveThreadCount(static_cast<int>(state.range(0)));
  const bool everything = state.range(1) == 1;
  tChromaKeySettings settings{};
  settings.coefficients = in.key;
  if (everything) {
    settings.coefficients.options |= kKeyOptionGrainRemoval | kKeyOptionSimulatedBacking;
    settings.coefficients.grainLevel = 1;
    settings.coefficients.gridDensity = 12;
  }
  const MatteEdgeSettings edge{3, 0, 0.05f};
  const Rect port = in.photo->portRect();
  OffscreenPtr output{myNewGWorld(&port)};
  for (auto _ : state) {
    state.PauseTiming();
    OffscreenPtr photo{myDuplicateGWorld(in.photo.get())};
    OffscreenPtr background{myDuplicateGWorld(in.background.get())};
    state.ResumeTiming();
    if (!doNewChromaKeyingEx(std::move(photo), std::move(background), output.get(), &settings, edge, everything,
                             everything, in.photo.get(), port, port, 0, in.image))
      state.SkipWithError("keying failed");
    benchmark::ClobberMemory();
  }
  setDuzeviveThreadCount(1);
  const double pixels = static_cast<double>(kWidth) * kHeight;
  bench::reportPerPixel(state, pixels);
}
BENCHMARK(BM_BridgePass)
    ->ArgNames({"workers", "all_stages"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({static_cast<int>(std::max(2u, std::thread::hardware_concurrency())), 0})
    ->Args({static_cast<int>(std::max(2u, std::thread::hardware_concurrency())), 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
