// A 10 × 15 inch page at 300 dpi (3000 × 4500 pixels) with six photos of 24 megapixels (6000 × 4000 JPEG files),
// two of them green-screen photos keyed over what the page already holds, each filling a 5 × 5 inch frame. The
// page is drawn as the drawing loop draws it, object by object, and beside it the six photos are only decoded:
// that is the floor no page of these photos can beat. Both at one thread and at all threads; the ratio page/decode
// is the figure to watch (target: at most 1.5). Under the sanitizers the photos are 600 × 400 and the page 1 × 1.5
// inches, so the program stays quick there.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "chromakey/engine/engine_workers.h"
#include "imaging/image_files/image_cache.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/image_files/image_import_export.h"
#include "imaging/parallel/job_pool.h"
#include "jobs/engine/job_view.h"
#include "layout/image_object.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"
#include "tests/chromakey/synthetic_green_screen.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/object_record_writer.h"

namespace {

using namespace vorl;
namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kPhotoWidth = 600, kPhotoHeight = 400;
constexpr float kScale = 0.1f;  // the page and its frames in tenths
#else
constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000;
constexpr float kScale = 1.0f;
#endif
constexpr int kResolution = 300;
constexpr int kPhotos = 6;
constexpr bool isKeyed(int i) { return i == 1 || i == 4; }

OffscreenPtr offscreenOf(const std::vector<pixeli>& map) {
  const Rect bounds = makeRect(0, 0, kPhotoHeight, kPhotoWidth);
  OffscreenPtr o{myNewGWorld(&bounds)};
  for (int y = 0; y < kPhotoHeight; ++y) {
    std::uint8_t* q = o->view().row(y);
    for (int x = 0; x < kPhotoWidth; ++x, q += 4) {
      const pixeli& p = map[static_cast<std::size_t>(y) * kPhotoWidth + x];
      q[kAlphaByte] = 0;
      q[kRedByte] = static_cast<std::uint8_t>(p.r >> 8);
      q[kGreenByte] = static_cast<std::uint8_t>(p.g >> 8);
      q[kBlueByte] = static_cast<std::uint8_t>(p.b >> 8);
    }
  }
  return o;
}

// A plain photograph: soft ramps with grain, so the JPEG file is about as large as a real one.
OffscreenPtr plainPhoto(unsigned seed) {
  const Rect bounds = makeRect(0, 0, kPhotoHeight, kPhotoWidth);
  OffscreenPtr photo{myNewGWorld(&bounds)};
  std::uint32_t grain = seed;
  for (int y = 0; y < kPhotoHeight; ++y) {
    std::uint8_t* p = photo->view().row(y);
    for (int x = 0; x < kPhotoWidth; ++x, p += 4) {
      grain = grain * 1664525u + 1013904223u;
      const int g = static_cast<int>(grain >> 28);
      p[kRedByte] = static_cast<std::uint8_t>(x * 200 / kPhotoWidth + g);
      p[kGreenByte] = static_cast<std::uint8_t>(y * 200 / kPhotoHeight + g);
      p[kBlueByte] = static_cast<std::uint8_t>((x + y + static_cast<int>(seed) * 97) % 180 + g);
    }
  }
  return photo;
}

struct Fixture {
  fs::path images;
  std::vector<FSSpec> photos;
  std::shared_ptr<const tChromaKeySettings> key;
  std::unique_ptr<TBGPrintView> view;
};

// Made once: writing six print-sized JPEG files takes longer than drawing the page.
Fixture& fixture() {
  static Fixture* made = [] {
    auto* f = new Fixture;
    char folder[] = "/tmp/vorl-page-draw-XXXXXX";
    const fs::path root = mkdtemp(folder);
    f->images = root / "IMAGES FOLDER ƒ";
    fs::create_directories(f->images);
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    tPrintServerPrefs* prefs = getMyPrintServerPrefs();
    static_cast<void>(FSFolderIDs(f->images, vRefNum, dirID));
    prefs->imagesFolder.vRefNum = vRefNum;
    prefs->imagesFolder.dirID = dirID;
    static_cast<void>(FSFolderIDs(root, vRefNum, dirID));
    prefs->serverRoot.vRefNum = vRefNum;
    prefs->serverRoot.dirID = dirID;

    EncodeOptions options;
    options.quality = 92;
    for (int i = 0; i < kPhotos; ++i) {
      OffscreenPtr photo;
      if (isKeyed(i)) {
        const test::GreenScreenScene scene = test::makeGreenScreenScene(kPhotoWidth, kPhotoHeight, 10 + i);
        if (!f->key) {
          auto settings = std::make_shared<tChromaKeySettings>();
          settings->coefficients = test::makeSurfaceKeyFor(scene);
          settings->defocus = 2;
          settings->shrink = 0.05f;
          f->key = settings;
        }
        photo = offscreenOf(scene.photograph);
      } else {
        photo = plainPhoto(static_cast<unsigned>(i + 1));
      }
      const fs::path file = f->images / ("photo" + std::to_string(i) + ".jpg");
      static_cast<void>(encodeImageFile(*photo, file, ImageFileType::jpeg, options));
      FSSpec spec{};
      static_cast<void>(FSMakeFSSpecFromPath(file, spec));
      f->photos.push_back(spec);
    }

    test::JobSpec job;
    job.pageWidth = 10.0f * kScale;
    job.pageHeight = 15.0f * kScale;
    job.resolution = kResolution;
    job.printMode = 3;
    job.pageRecords = {test::backColorRecord({})};
    f->view = std::make_unique<TBGPrintView>();
    static_cast<void>(f->view->ReadJobFile(test::writeJobFile(job).bytes));
    return f;
  }();
  return *made;
}

std::unique_ptr<TImageObject> imageObject(int i, const Fixture& f) {
  CImageDesc desc{};
  desc.layout.x = 5.0f * kScale * static_cast<float>(i % 2);
  desc.layout.y = 5.0f * kScale * static_cast<float>(i / 2);
  desc.layout.width = 5.0f * kScale;
  desc.layout.height = 5.0f * kScale;
  desc.fitMode = 1;
  desc.photo.name = Str63::fromUtf8("photo" + std::to_string(i) + ".jpg");
  desc.keyed = isKeyed(i) ? 1 : 0;
  std::unique_ptr<TImageObject> object = TImageObject::New(desc);
  if (isKeyed(i)) object->SetChromaKeySettings(f.key);
  return object;
}

void useThreads(bool all) {
  const int count = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  MPJobs_Init(count);
  gThreaded = all;
  setDuzeviveThreadCount(all ? count : 1);
}

// range(0): 1 one thread, 0 all threads.
void BM_DecodeSixPhotos(benchmark::State& state) {
  Fixture& f = fixture();
  useThreads(state.range(0) == 0);
  for (auto _ : state) {
    for (const FSSpec& photo : f.photos) {
      OffscreenPtr decoded = ReadFile2(photo);
      if (!decoded) state.SkipWithError("decode failed");
      benchmark::DoNotOptimize(decoded.get());
    }
  }
  useThreads(true);
}
BENCHMARK(BM_DecodeSixPhotos)->Arg(1)->Arg(0)->ArgName("one_thread")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DrawPage(benchmark::State& state) {
  Fixture& f = fixture();
  useThreads(state.range(0) == 0);
  std::vector<std::unique_ptr<TImageObject>> objects;
  for (int i = 0; i < kPhotos; ++i) objects.push_back(imageObject(i, f));
  OffscreenPtr page;
  for (auto _ : state) {
    DisposeCurrentImageGWorldPtr();
    const Rect bounds = makeRect(0, 0, static_cast<int>(15.0f * kScale * kResolution),
                                 static_cast<int>(10.0f * kScale * kResolution));
    page.reset(myNewGWorld(&bounds));
    for (auto& object : objects)
      if (!object->Draw4Printing(page.get(), kResolution, f.view.get())) state.SkipWithError("an object failed");
    benchmark::DoNotOptimize(page->baseAddr());
  }
  DisposeCurrentImageGWorldPtr();
  // The page as drawn, for a person to look at.
  if (page) {
    fs::create_directories(VORL_ARTIFACT_DIR);
    static_cast<void>(encodeImageFile(*page, fs::path(VORL_ARTIFACT_DIR) / "page-six-photos.png", ImageFileType::png, {}));
  }
  useThreads(true);
}
BENCHMARK(BM_DrawPage)->Arg(1)->Arg(0)->ArgName("one_thread")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
