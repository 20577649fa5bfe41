// A set output of a 10 x 15 inch page at 300 dpi (3000 x 4500) as a JPEG with upload metadata, beside the
// same page's JPEG encode alone; the aim is at most 1.2 times the encode.
//   BM_EncodeJpegAlone        codec::encodeJpeg of the page, in memory, at the set's quality and resolution
//   BM_SetOutput              DoNewPrintToFile into a print-to-file set (save type 3): the opaque pass, the
//                             encode, the staging file, the upload metadata written into it, the rename
//   BM_SetOutputWithWebCopy   the same set also asking for the web copy (640 pixels) in the web-upload folder
//   BM_WebSizedCopyAndEncode  the web copy's own work in memory: the page fitted into 640 x 640 and encoded
// The difference of the two set outputs is what the web copy costs on the real road; compare_set_output.sh
// puts it beside `vips thumbnail -s 640` on the same page saved as a JPEG.
//
// With VORL_SET_OUTPUT_BENCH_JPEG set, the page is also written there as that JPEG.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/photo_like_page.h"
#include "foundation/files/aliases.h"
#include "imaging/codecs/jpeg_file.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_view.h"
#include "jobs/outputs/print_to_file_pages.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "preferences/preference_globals.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/keyed_archive_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 3000, kHeight = 4500;  // 10 x 15 inches at 300 dpi
constexpr std::int16_t kResolution = 300;
constexpr std::int16_t kQuality = 90;     // the job's image quality, for the set file
constexpr std::int16_t kWebQuality = 80;  // the output preferences' quality, for the web copy
constexpr std::int16_t kSetAliasId = 4511;  // set 1's folder reference
constexpr std::int16_t kWebUploadAliasId = 4566;

// The outputs log a few lines per page, as the program does; here they go to /dev/null, not the terminal.
const int kQuietLog = [] {
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) ::dup2(null, STDERR_FILENO);
  return 0;
}();

// A job view whose settings the benchmark fills in, as a job file would.
class BenchJobView : public vorl::TBGPrintView {
 public:
  vorl::JobFileSettings& edit() noexcept { return editableSettings(); }
};

void pointFolderAt(vorl::tFolderFSSpec& record, std::int16_t aliasId, const fs::path& folder) {
  vorl::FSSpec spec;
  if (vorl::FSMakeFSSpecFromPath(folder, spec) != vorl::noErr) std::abort();
  record.aliasId = aliasId;
  record.spec = spec;
  vorl::SaveFSSpecAsAliasHandle(spec, aliasId);
}

struct Workspace {
  fs::path setFolder, webFolder;
  vorl::OffscreenPtr page;
  vorl::EncodeOptions options;

  Workspace() {
    vorl::test::isolateEnvironment();  // the folder references go into the user defaults
    setFolder = vorl::test::makeTempFolder("set-output-bench");
    webFolder = vorl::test::makeTempFolder("web-upload-bench");
    vorl::tSpecialPrintToFilePref& set = *vorl::getMyPrintToFileSetPrefs(1);
    set = vorl::tSpecialPrintToFilePref{};
    pointFolderAt(set.folder, kSetAliasId, setFolder);
    set.fileFormat = 3;  // JPEG with the upload metadata
    set.fileNameExtension = vorl::Str31(".JPG");
    set.namingScheme = 2;
    *vorl::getMyWebUploadPrefs() = vorl::tSpecialPrintToFilePref{};
    pointFolderAt(vorl::getMyWebUploadPrefs()->folder, kWebUploadAliasId, webFolder);
    vorl::getMyOutputFilePrefs()->outputQuality = kWebQuality;

    page = vorl::bench::photoLikePage(kWidth, kHeight);
    if (!page) std::abort();
    options.dpi = kResolution;
    options.quality = kQuality;
    if (const char* jpeg = std::getenv("VORL_SET_OUTPUT_BENCH_JPEG"); jpeg != nullptr && *jpeg != '\0') {
      vorl::codec::Bytes bytes;
      if (vorl::codec::encodeJpeg(*page, options, bytes, jpeg) != vorl::noErr ||
          vorl::writeFileAtomically(jpeg, std::span<const std::uint8_t>(bytes), true) != vorl::noErr)
        std::abort();
    }
  }

  static void empty(const fs::path& folder) {
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ignored)) fs::remove_all(entry.path(), ignored);
  }
};

Workspace& workspace() {
  static Workspace instance;
  return instance;
}

// A job for set 1 as a studio sends it: one copy, no alpha kept, an order in its upload data.
void fillJob(BenchJobView& view) {
  vorl::JobFileSettings& job = view.edit();
  job.print2FileItem.setNumber = 1;
  job.printQuantity = 1;
  job.resolution = kResolution;
  job.imageQuality = kQuality;
  job.templateName = vorl::Str31("10x15 Portrait");
  const vorl::test::Bytes archive = vorl::test::encodeKeyedArchive(vorl::ArchivedValue::dictionary(
      {{"order", vorl::ArchivedValue::string("A-17")}, {"customer", vorl::ArchivedValue::string("Parent 42")}}));
  std::copy(archive.begin(), archive.end(), job.uploadData.begin());
  const auto length = static_cast<std::uint32_t>(archive.size());
  for (int i = 0; i < 4; ++i) job.uploadData[4092 + i] = static_cast<std::uint8_t>(length >> (8 * i));
  const std::string original = "/photos/IMG_0042.jpg";
  std::copy(original.begin(), original.end(), job.originalPath.begin());
  view.SetCurrentImageName(vorl::CStr255_AC("IMG_0042.jpg"));
}

void runSetOutputs(benchmark::State& state, bool webCopy) {
  Workspace& w = workspace();
  vorl::getMyPrintToFileSetPrefs(1)->createJPEGForWeb = webCopy ? 1 : 0;
  BenchJobView view;
  fillJob(view);
  for (auto _ : state) {
    state.PauseTiming();
    vorl::OffscreenPtr copy{vorl::myDuplicateGWorld(w.page.get())};
    state.ResumeTiming();
    if (view.DoNewPrintToFile(std::move(copy)) != vorl::kDrawOK) {
      state.SkipWithError("the set output failed");
      break;
    }
    state.PauseTiming();
    Workspace::empty(w.setFolder);
    Workspace::empty(w.webFolder);
    state.ResumeTiming();
  }
  vorl::getMyPrintToFileSetPrefs(1)->createJPEGForWeb = 0;
}

void BM_EncodeJpegAlone(benchmark::State& state) {
  const Workspace& w = workspace();
  std::size_t size = 0;
  for (auto _ : state) {
    vorl::codec::Bytes jpeg;  // a new buffer each time, as each output's encode gets
    if (vorl::codec::encodeJpeg(*w.page, w.options, jpeg, "the page") != vorl::noErr) {
      state.SkipWithError("encode");
      break;
    }
    benchmark::DoNotOptimize(jpeg.data());
    size = jpeg.size();
  }
  state.counters["jpeg_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_EncodeJpegAlone)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_SetOutput(benchmark::State& state) { runSetOutputs(state, false); }
BENCHMARK(BM_SetOutput)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_SetOutputWithWebCopy(benchmark::State& state) { runSetOutputs(state, true); }
BENCHMARK(BM_SetOutputWithWebCopy)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_WebSizedCopyAndEncode(benchmark::State& state) {
  const Workspace& w = workspace();
  BenchJobView view;
  fillJob(view);
  vorl::EncodeOptions options;
  options.dpi = kResolution;
  options.quality = kWebQuality;
  for (auto _ : state) {
    vorl::codec::Bytes jpeg;
    const vorl::OffscreenPtr web = vorl::webSizedCopy(view, w.page.get());
    if (!web || vorl::codec::encodeJpeg(*web, options, jpeg, "the web copy") != vorl::noErr) {
      state.SkipWithError("web copy");
      break;
    }
    benchmark::DoNotOptimize(jpeg.data());
  }
}
BENCHMARK(BM_WebSizedCopyAndEncode)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
