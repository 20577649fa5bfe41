// Overlays at print size: a 3000 x 2000 PNG with varied alpha decoded alone, then drawn as a file overlay (read
// and masked at every drawing), as a transparent overlay (read once, blended at every drawing) and as a group
// photo (copied, or enlarged from half the size), each onto a 10 x 6.67 inch page at 300 dpi.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "imaging/codecs/image_file_codec.h"
#include "imaging/image_files/image_import_export.h"
#include "imaging/offscreens/offscreen.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "jobs/engine/job_view.h"
#include "layout/graphics_files.h"
#include "layout/overlay_objects.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"

namespace {

namespace fs = std::filesystem;
using namespace vorl;

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;
constexpr std::int16_t kResolution = 300;

OffscreenPtr picture(int width, int height, bool withAlpha) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr image{myNewGWorld(&bounds)};
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = image->view().row(y);
    for (int x = 0; x < width; ++x, p += 4) {
      p[0] = withAlpha ? static_cast<std::uint8_t>((x / 8 + y / 8) & 0xFF) : 0;
      p[1] = static_cast<std::uint8_t>(x * 255 / width);
      p[2] = static_cast<std::uint8_t>(y * 255 / height);
      p[3] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
    }
  }
  return image;
}

// The print-server root with the graphics the benchmarks draw, made once per process.
const fs::path& graphics() {
  static const fs::path folder = [] {
    const fs::path root = fs::temp_directory_path() / ("vorl-overlay-bench-" + std::to_string(::getpid()));
    const fs::path frames = root / kGraphicsFolderName / "FRAMES";
    fs::create_directories(frames);
    static_cast<void>(encodeImageFile(*picture(kWidth, kHeight, true), frames / "overlay.png", ImageFileType::png, {}));
    static_cast<void>(encodeImageFile(*picture(kWidth, kHeight, false), frames / "group.png", ImageFileType::png, {}));
    static_cast<void>(
        encodeImageFile(*picture(kWidth / 2, kHeight / 2, false), frames / "small.png", ImageFileType::png, {}));
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    static_cast<void>(FSFolderIDs(root, vRefNum, dirID));
    getMyPrintServerPrefs()->serverRoot.vRefNum = vRefNum;
    getMyPrintServerPrefs()->serverRoot.dirID = dirID;
    return frames;
  }();
  return folder;
}

template <typename Desc>
Desc placed() {
  Desc desc{};
  desc.layout.x = 0;
  desc.layout.y = 0;
  desc.layout.width = static_cast<float>(kWidth) / kResolution;
  desc.layout.height = static_cast<float>(kHeight) / kResolution;
  desc.category = Str31::fromUtf8("FRAMES");
  return desc;
}

OffscreenPtr page() {
  const Rect bounds = makeRect(0, 0, kHeight, kWidth);
  return OffscreenPtr{myNewGWorld(&bounds)};
}

void decodeOverlay(benchmark::State& state) {
  FSSpec file;
  static_cast<void>(FSMakeFSSpecFromPath(graphics() / "overlay.png", file));
  for (auto _ : state) benchmark::DoNotOptimize(getFileOverlayGWorldFromFileSpec(file));
}
BENCHMARK(decodeOverlay)->Unit(benchmark::kMillisecond)->UseRealTime();

void fileOverlay(benchmark::State& state) {
  graphics();
  auto desc = placed<COverlayDesc>();
  desc.graphic.name = Str63::fromUtf8("overlay.png");
  auto object = TFileOverlayObject::New(desc);
  TBGPrintView view;
  OffscreenPtr target = page();
  for (auto _ : state) benchmark::DoNotOptimize(object->Draw4Printing(target.get(), kResolution, &view));
}
BENCHMARK(fileOverlay)->Unit(benchmark::kMillisecond)->UseRealTime();

void transparentOverlay(benchmark::State& state) {
  graphics();
  auto desc = placed<COverlayDesc>();
  desc.graphic.name = Str63::fromUtf8("overlay.png");
  auto object = TTransparentOverlayObject::New(desc);
  TBGPrintView view;
  OffscreenPtr target = page();
  static_cast<void>(object->Draw4Printing(target.get(), kResolution, &view));  // reads and keeps the image
  for (auto _ : state) benchmark::DoNotOptimize(object->Draw4Printing(target.get(), kResolution, &view));
}
BENCHMARK(transparentOverlay)->Unit(benchmark::kMillisecond)->UseRealTime();

void groupPhoto(benchmark::State& state, const char* name) {
  graphics();
  auto desc = placed<CGroupPhotoDesc>();
  desc.photo.name = Str63::fromUtf8(name);
  auto object = TGroupPhotoObject::New(desc);
  TBGPrintView view;
  OffscreenPtr target = page();
  for (auto _ : state) benchmark::DoNotOptimize(object->Draw4Printing(target.get(), kResolution, &view));
}
BENCHMARK_CAPTURE(groupPhoto, copied, "group.png")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(groupPhoto, enlarged, "small.png")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
