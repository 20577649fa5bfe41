// A page photograph's road on a print-sized file: a 24-megapixel JPEG (6000 x 4000, q92) carrying an
// Adobe-RGB-like profile is decoded, reduced with lanczos3 to a 6x4 inch page at 300 dpi (1800 x 1200) and matched
// from its profile to sRGB, at one thread and at all threads. bench/compare_page_photo.sh makes the file (the
// path comes in VORL_PAGE_PHOTO_DIR) and times `vips thumbnail` + `vips icc_transform` on the same file and
// profiles beside it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "imaging/color_conversion.h"
#include "imaging/color_profile.h"
#include "imaging/image_file_codec.h"
#include "imaging/job_pool.h"
#include "imaging/offscreen.h"
#include "imaging/resize.h"

namespace {

namespace fs = std::filesystem;

fs::path workFolder() {
  const char* folder = std::getenv("VORL_PAGE_PHOTO_DIR");
  return folder != nullptr ? fs::path(folder) : fs::temp_directory_path();
}

void pagePhoto(benchmark::State& state) {
  const bool allThreads = state.range(0) == 0;
  vorl::MPJobs_Init(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  vorl::gThreaded = allThreads;
  const fs::path photo = workFolder() / "photo24.jpg";
  const vorl::ProfileRef srgb = vorl::Profile::profileWithPath((workFolder() / "srgb.icc").string());
  if (!fs::exists(photo) || srgb == nullptr) {
    state.SkipWithError("run bench/compare_page_photo.sh: it makes the photo and the profiles");
    return;
  }
  const int bands = allThreads ? vorl::processJobPool()->threadCount() : 1;
  for (auto _ : state) {
    vorl::DecodedImage decoded;
    if (vorl::decodeImageFile(photo, decoded) != vorl::noErr) state.SkipWithError("decode failed");
    const vorl::Rect pageRect = vorl::makeRect(0, 0, 1200, 1800);
    vorl::OffscreenPtr page{vorl::myNewGWorld(&pageRect)};
    if (!vorl::resizeGWorldBanded(decoded.pixels.get(), decoded.pixels->portRect(), page.get(), pageRect, 4,
                                  allThreads ? vorl::processJobPool() : nullptr, bands))
      state.SkipWithError("resize failed");
    if (!vorl::convertRGBOffscreen(page.get(), decoded.iccProfile, *srgb)) state.SkipWithError("match failed");
    benchmark::DoNotOptimize(page->baseAddr());
  }
  vorl::gThreaded = true;
}

BENCHMARK(pagePhoto)->Arg(1)->Arg(0)->ArgName("one_thread")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
