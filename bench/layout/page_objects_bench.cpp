// An 8 × 10 inch page at 300 dpi (2400 × 3000 pixels) of everything but photos: a background colour, thirty text
// objects, four codes (two QR, two Code 128) and four full-page overlays (two file overlays, two transparent
// ones) read from PNG files with alpha. Each kind is timed on its own, the whole page object by object, and
// beside them the floor: filling the page once with the background colour plus decoding the four overlay files.
// The page as a whole should stay within twice that floor. The drawn page is written as a PNG file for a look.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/decoded_image.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/offscreens/offscreen.h"
#include "jobs/engine/job_view.h"
#include "layout/graphics_files.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/object_record_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace vorl;

#if defined(__SANITIZE_ADDRESS__)
constexpr std::int16_t kResolution = 60;  // under the sanitizers: the same page, coarser
#else
constexpr std::int16_t kResolution = 300;
#endif
constexpr float kPageWidth = 8.0f, kPageHeight = 10.0f;
constexpr int kWidth = static_cast<int>(kPageWidth * kResolution), kHeight = static_cast<int>(kPageHeight * kResolution);

// A frame: opaque coloured edges a third of an inch wide, a clear middle, and a soft shadow inside the edge.
constexpr int kEdge = kResolution / 3, kShadow = kResolution / 5;
OffscreenPtr framePicture(int seed) {
  const Rect bounds = makeRect(0, 0, kHeight, kWidth);
  OffscreenPtr image{myNewGWorld(&bounds)};
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* p = image->view().row(y);
    for (int x = 0; x < kWidth; ++x, p += 4) {
      const int edge = std::min(std::min(x, kWidth - 1 - x), std::min(y, kHeight - 1 - y));
      // Our alpha: 0 drawn, 255 not drawn.
      p[kAlphaByte] =
          edge < kEdge ? 0 : (edge < kEdge + kShadow ? static_cast<std::uint8_t>(255 * (edge - kEdge) / kShadow) : 255);
      p[kRedByte] = static_cast<std::uint8_t>(40 * seed + x / 20);
      p[kGreenByte] = static_cast<std::uint8_t>(200 - y / 20);
      p[kBlueByte] = static_cast<std::uint8_t>((x + y) / 30);
    }
  }
  return image;
}

test::Placement at(float x, float y, float width, float height) {
  test::Placement p;
  p.x = x, p.y = y, p.width = width, p.height = height;
  p.top = static_cast<std::int32_t>(y * 72), p.left = static_cast<std::int32_t>(x * 72);
  p.bottom = static_cast<std::int32_t>((y + height) * 72), p.right = static_cast<std::int32_t>((x + width) * 72);
  return p;
}

struct Page {
  std::vector<fs::path> overlayFiles;
  std::unique_ptr<TBGPrintView> view;
  // Index ranges into the view's objects, in drawing order.
  std::size_t backgroundEnd = 0, textsEnd = 0, codesEnd = 0, overlaysEnd = 0;
};

Page& page() {
  static Page* made = [] {
    // Text is laid out by Qt's font system, which needs a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "page_objects_bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    auto* p = new Page;
    const fs::path root = fs::temp_directory_path() / ("vorl-page-objects-bench-" + std::to_string(::getpid()));
    const fs::path frames = root / kGraphicsFolderName / "FRAMES";
    fs::create_directories(frames);
    for (int i = 0; i < 4; ++i) {
      p->overlayFiles.push_back(frames / ("frame" + std::to_string(i) + ".png"));
      static_cast<void>(encodeImageFile(*framePicture(i), p->overlayFiles.back(), ImageFileType::png, {}));
    }
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    static_cast<void>(FSFolderIDs(root, vRefNum, dirID));
    getMyPrintServerPrefs()->serverRoot.vRefNum = vRefNum;
    getMyPrintServerPrefs()->serverRoot.dirID = dirID;

    test::JobSpec job;
    job.pageWidth = kPageWidth;
    job.pageHeight = kPageHeight;
    job.resolution = kResolution;
    test::BackColorSpec background;
    background.at = at(0, 0, kPageWidth, kPageHeight);
    job.pageRecords.push_back(test::backColorRecord(background));
    for (int i = 0; i < 30; ++i) {
      test::TextSpec text;
      text.at = at(0.4f + 2.45f * static_cast<float>(i % 3), 0.45f + 0.8f * static_cast<float>(i / 3), 2.3f, 0.7f);
      text.text = "Portrait " + std::to_string(i + 1) + " \xD2" "Class of 2027\xD3";  // Mac Roman curly quotes
      text.style.size = 18;
      text.style.justification = static_cast<std::int16_t>(i % 3 - 1);
      text.rotation = 0;
      text.skipFlag = 0;
      text.codeType = 0;
      job.pageRecords.push_back(test::textRecord(text));
    }
    for (int i = 0; i < 4; ++i) {
      test::TextSpec code;
      const bool qr = i < 2;
      code.at = qr ? at(0.5f + 1.4f * static_cast<float>(i), 8.5f, 1.1f, 1.1f)
                   : at(3.4f + 2.2f * static_cast<float>(i - 2), 8.7f, 2.0f, 0.8f);
      code.text = "ORDER-" + std::to_string(4711 + i);
      code.rotation = 0;
      code.skipFlag = 0;
      code.codeType = qr ? 1 : 2;
      job.pageRecords.push_back(test::textRecord(code));
    }
    for (int i = 0; i < 4; ++i) {
      test::OverlaySpec overlay;
      overlay.at = at(0, 0, kPageWidth, kPageHeight);
      overlay.name = "frame" + std::to_string(i) + ".png";
      overlay.category = "FRAMES";
      overlay.skipFlag = 0;
      job.pageRecords.push_back(i % 2 == 0 ? test::fileOverlayRecord(overlay)
                                           : test::transparentOverlayRecord(overlay));
    }
    p->view = std::make_unique<TBGPrintView>();
    if (p->view->ReadJobFile(test::writeJobFile(job).bytes) != 0) std::abort();
    p->backgroundEnd = 1;
    p->textsEnd = 31;
    p->codesEnd = 35;
    p->overlaysEnd = 39;
    return p;
  }();
  return *made;
}

OffscreenPtr blankPage() {
  const Rect bounds = makeRect(0, 0, kHeight, kWidth);
  return OffscreenPtr{myNewGWorld(&bounds)};
}

// Draws fresh copies of the objects [first, end) of the page onto a fresh page each iteration, so an object that
// keeps its decoded overlay reads it anew, as it does on every job.
void drawObjects(benchmark::State& state, std::size_t first, std::size_t end, const char* artifact = nullptr) {
  Page& p = page();
  const LayoutObjectList& objects = p.view->layoutObjects();
  OffscreenPtr drawn;
  for (auto _ : state) {
    state.PauseTiming();
    drawn = blankPage();
    LayoutObjectList copies;
    for (std::size_t i = first; i < end; ++i) copies.push_back(objects[i]->Clone());
    state.ResumeTiming();
    for (const auto& object : copies)
      if (!object->Draw4Printing(drawn.get(), kResolution, p.view.get())) state.SkipWithError("an object failed");
    benchmark::DoNotOptimize(drawn->baseAddr());
  }
  state.counters["objects"] = static_cast<double>(end - first);
  if (artifact != nullptr && drawn) {
    fs::create_directories(VORL_ARTIFACT_DIR);
    static_cast<void>(encodeImageFile(*drawn, fs::path(VORL_ARTIFACT_DIR) / artifact, ImageFileType::png, {}));
  }
}

void BM_Background(benchmark::State& state) { drawObjects(state, 0, page().backgroundEnd); }
void BM_ThirtyTexts(benchmark::State& state) { drawObjects(state, page().backgroundEnd, page().textsEnd); }
void BM_FourCodes(benchmark::State& state) { drawObjects(state, page().textsEnd, page().codesEnd); }
void BM_FourOverlays(benchmark::State& state) { drawObjects(state, page().codesEnd, page().overlaysEnd); }
void BM_FileOverlay(benchmark::State& state) { drawObjects(state, page().codesEnd, page().codesEnd + 1); }
void BM_TransparentOverlay(benchmark::State& state) {
  drawObjects(state, page().codesEnd + 1, page().codesEnd + 2);
}
void BM_WholePage(benchmark::State& state) { drawObjects(state, 0, page().overlaysEnd, "page-of-objects.png"); }

void BM_DecodeFourOverlays(benchmark::State& state) {
  Page& p = page();
  for (auto _ : state) {
    for (const fs::path& file : p.overlayFiles) {
      DecodedImage decoded;
      if (decodeImageFile(file, decoded) != noErr) state.SkipWithError("decode failed");
      benchmark::DoNotOptimize(decoded.pixels.get());
    }
  }
}

BENCHMARK(BM_Background)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeFourOverlays)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThirtyTexts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FourCodes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FourOverlays)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FileOverlay)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TransparentOverlay)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholePage)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
