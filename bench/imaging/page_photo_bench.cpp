// A page photograph's road on a print-sized file: a 24-megapixel JPEG (6000 x 4000, q92) carrying an
// Adobe-RGB-like profile is decoded, reduced with lanczos3 to a 6x4 inch page at 300 dpi (1800 x 1200) and matched
// from its profile to sRGB, at one thread and at all threads. Beside it, in the same process on the same file and
// profiles, libvips does the same: the file opened for sequential reading, `vips_thumbnail_image` to 1800 x 1200,
// `vips_icc_transform` to sRGB, and the pixels written to memory. bench/compare_page_photo.sh makes the file (the
// folder comes in VORL_PAGE_PHOTO_DIR) and runs both interleaved.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "imaging/color/color_conversion.h"
#include "imaging/color/color_profile.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/parallel/job_pool.h"
#include "imaging/offscreens/offscreen.h"
#include "imaging/scaling/resize.h"
#include "platform/files/safe_files.h"

#if defined(VORL_HAVE_VIPS)
#include <vips/vips.h>
#endif

namespace {

namespace fs = std::filesystem;

fs::path workFolder() {
  const char* folder = std::getenv("VORL_PAGE_PHOTO_DIR");
  return folder != nullptr ? fs::path(folder) : fs::temp_directory_path() / "vorl-page-photo";
}

// Without the comparison script's files (a brief run in CI) the benchmark makes its own: ramps with grain, the
// Debian profiles.
void makeFilesWhenMissing(const fs::path& folder) {
  if (fs::exists(folder / "photo24.jpg")) return;
  fs::create_directories(folder);
  const fs::path icc = "/usr/share/color/icc";
  std::error_code ignored;
  fs::copy_file(icc / "sRGB.icc", folder / "srgb.icc", fs::copy_options::overwrite_existing, ignored);
  std::vector<std::uint8_t> adobe;
  if (vorl::readFileBytes(icc / "compatibleWithAdobeRGB1998.icc", adobe) != vorl::noErr) return;
  const vorl::Rect bounds = vorl::makeRect(0, 0, 4000, 6000);
  vorl::OffscreenPtr photo{vorl::myNewGWorld(&bounds)};
  std::uint32_t grain = 7;
  for (int y = 0; y < 4000; ++y) {
    std::uint8_t* p = photo->view().row(y);
    for (int x = 0; x < 6000; ++x, p += 4) {
      grain = grain * 1664525u + 1013904223u;
      const int g = static_cast<int>(grain >> 29);
      p[1] = static_cast<std::uint8_t>(x * 255 / 6000 + g);
      p[2] = static_cast<std::uint8_t>(y * 255 / 4000 + g);
      p[3] = static_cast<std::uint8_t>((x + y) * 127 / 10000 + 64 + g);
    }
  }
  vorl::EncodeOptions options;
  options.quality = 92;
  options.iccProfile = adobe;
  static_cast<void>(vorl::encodeImageFile(*photo, folder / "photo24.jpg", vorl::ImageFileType::jpeg, options));
}

void pagePhoto(benchmark::State& state) {
  const bool allThreads = state.range(0) == 0;
  vorl::MPJobs_Init(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  vorl::gThreaded = allThreads;
  makeFilesWhenMissing(workFolder());
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

#if defined(VORL_HAVE_VIPS)
void vipsPagePhoto(benchmark::State& state) {
  static const bool started = VIPS_INIT("page_photo_bench") == 0;
  if (!started) {
    state.SkipWithError("libvips did not start");
    return;
  }
  makeFilesWhenMissing(workFolder());
  const std::string photo = (workFolder() / "photo24.jpg").string();
  const std::string srgb = (workFolder() / "srgb.icc").string();
  const std::string adobe = "/usr/share/color/icc/compatibleWithAdobeRGB1998.icc";
  vips_cache_set_max(0);  // nothing of one round may serve the next
  vips_concurrency_set(state.range(0) == 1 ? 1 : static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  for (auto _ : state) {
    VipsImage* in = vips_image_new_from_file(photo.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
    VipsImage* thumb = nullptr;
    VipsImage* matched = nullptr;
    void* pixels = nullptr;
    std::size_t size = 0;
    if (in != nullptr &&
        vips_thumbnail_image(in, &thumb, 1800, "height", 1200, "size", VIPS_SIZE_FORCE, nullptr) == 0 &&
        vips_icc_transform(thumb, &matched, srgb.c_str(), "input_profile", adobe.c_str(), nullptr) == 0)
      pixels = vips_image_write_to_memory(matched, &size);
    if (pixels == nullptr) state.SkipWithError(vips_error_buffer());
    benchmark::DoNotOptimize(pixels);
    g_free(pixels);
    if (matched != nullptr) g_object_unref(matched);
    if (thumb != nullptr) g_object_unref(thumb);
    if (in != nullptr) g_object_unref(in);
  }
}
BENCHMARK(vipsPagePhoto)->Arg(1)->Arg(0)->ArgName("one_thread")->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
