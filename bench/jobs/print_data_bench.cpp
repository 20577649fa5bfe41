// Finishing a 6x4 inch page at 300 dpi (1800 x 1200) and writing it for the print centre, for each data type,
// beside the floor: the same number of bytes written into the same folder and flushed.
//
// The page goes the program's own road: a spooler view read from a job file, given the drawn page, then
// `FillPrintInfo` and `WriteStructureAndOffscreenToFile` as the delivery calls them (turn and crop to the
// printer's area, its colour correction and mirror, the header, the picture in the data type's layout, the
// flush and the rename). The printer types are chosen so that the page keeps its size:
//   type 1   RGB interleaved                      type 44  RGB planes (mirrored)
//   type 5   BGR planes                           type 30  JPEG q100 (turned portrait first)
// and the hand-off of the new print-centre mode (a JPEG q100 and a property list beside the folder).
// BM_WriteAndFlush/<type> writes 15041 + the data size of that type's file: open, write, fsync, close, unlink.
// The aim is at most twice the floor.
//
// With VORL_PRINT_DATA_BENCH_PPM set, the page is also written there as a PPM, for cjpeg beside the hand-off.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "bench/delivery_setup.h"
#include "bench/photo_like_page.h"
#include "foundation/files/files.h"
#include "foundation/services/os_services.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "jobs/engine/spooler_print_view.h"
#include "preferences/preference_globals.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/object_record_writer.h"

namespace fs = std::filesystem;

namespace {

using vorl::test::Bytes;

constexpr int kWidth = 1800, kHeight = 1200;  // 6 x 4 inches at 300 dpi
constexpr std::size_t kHeaderBytes = 15041;   // length word, header and marker

// The delivery logs a few lines per page, as the program does; here they go to /dev/null, not the terminal.
const int kQuietLog = [] {
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) ::dup2(null, STDERR_FILENO);
  return 0;
}();

// The print-centre folder in a temporary tree, a fixed machine address, the page, and the PPM when asked for.
struct Workspace {
  fs::path printCentre;  // ".../Vorl-PrintCenter Folder/Jobs To Be Printed"
  fs::path handOff;      // its sibling, where the hand-off pair goes
  vorl::OffscreenPtr page;

  Workspace() {
    vorl::test::isolateEnvironment();
    const fs::path root = vorl::test::makeTempFolder("print-data-bench");
    printCentre = vorl::bench::usePrintCentreFolderIn(root);
    handOff = root / "Vorl-PrintCenter Folder" / "Jobs To Be Printed---NEW";
    vorl::getMyPrintServerPrefs()->dualBuffer = 1;
    vorl::bench::useFixedMachineIn(root);

    page = vorl::bench::photoLikePage(kWidth, kHeight);
    if (!page) std::abort();
    if (const char* ppm = std::getenv("VORL_PRINT_DATA_BENCH_PPM"); ppm != nullptr && *ppm != '\0')
      if (!vorl::bench::writePpm(*page, ppm)) std::abort();
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

// The job of a printer type: a 6 x 4 inch page at 300 dpi, the printer's records all zero (no colour change, no
// media that would change the page size, single height).
Bytes jobFileFor(std::int16_t printerType) {
  vorl::test::JobSpec spec;
  spec.pageRecords = {vorl::test::backColorRecord({})};
  spec.printerType = printerType;
  switch (printerType) {
    case 1: spec.printerBlock = Bytes(1224, 0); break;          // colour adjustment one
    case 5: spec.printerBlock = Bytes(32 + 1224, 0); break;     // Kodak, colour adjustment two
    case 30: spec.printerBlock = Bytes(634 + 134, 0); break;    // Noritsu, media one
    case 44: spec.printerBlock = Bytes(10296 + 134, 0); break;  // Mitsubishi, media one
    default: std::abort();
  }
  spec.pageWidth = 6.0f;
  spec.pageHeight = 4.0f;
  spec.resolution = 300;
  spec.templateName = "Template";
  return vorl::test::writeJobFile(spec).bytes;
}

std::unique_ptr<vorl::TSpoolerPrintView> viewFor(std::int16_t printerType) {
  auto view = std::make_unique<vorl::TSpoolerPrintView>();
  if (view->ReadJobFile(jobFileFor(printerType)) != vorl::kJobReadOK) return nullptr;
  return view;
}

vorl::OffscreenPtr freshPage() { return vorl::OffscreenPtr{vorl::myDuplicateGWorld(workspace().page.get())}; }

bool deliver(vorl::TSpoolerPrintView& view) {
  auto header = std::make_unique<vorl::tPrintInfoStruct>();
  view.FillPrintInfo(*header);
  return view.WriteStructureAndOffscreenToFile(*header);
}

// Size of the files one delivery leaves in the folder (the print-data file and its sidecar, or the pair).
std::uintmax_t bytesIn(const fs::path& folder) {
  std::uintmax_t total = 0;
  std::error_code ignored;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ignored))
    if (!entry.path().filename().string().starts_with("._")) total += entry.file_size(ignored);
  return total;
}

void runDeliveries(benchmark::State& state, std::int16_t printerType, const fs::path& folder) {
  const std::unique_ptr<vorl::TSpoolerPrintView> view = viewFor(printerType);
  if (!view) {
    state.SkipWithError("the job file was not read");
    return;
  }
  std::uintmax_t written = 0;
  for (auto _ : state) {
    state.PauseTiming();
    view->SetPageOffscreen(freshPage());
    state.ResumeTiming();
    if (!deliver(*view)) {
      state.SkipWithError("the page was not delivered");
      break;
    }
    state.PauseTiming();
    written = bytesIn(folder);
    Workspace::empty(folder);
    state.ResumeTiming();
  }
  state.counters["file_bytes"] = static_cast<double>(written);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(written));
}

void BM_FinishAndWrite(benchmark::State& state) {
  const auto type = static_cast<std::int16_t>(state.range(0));
  runDeliveries(state, type, workspace().printCentre);
}
BENCHMARK(BM_FinishAndWrite)->ArgName("printer")->Arg(1)->Arg(44)->Arg(5)->Arg(30)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_HandOff(benchmark::State& state) {
  vorl::getMyProcessedJobsPrefs()->newHandOverFormat = 1;
  runDeliveries(state, 1, workspace().handOff);
  vorl::getMyProcessedJobsPrefs()->newHandOverFormat = 0;
}
BENCHMARK(BM_HandOff)->UseRealTime()->Unit(benchmark::kMillisecond);

// The size of the file the printer type's delivery writes, found by one delivery (the JPEG's varies).
std::size_t printDataFileSize(std::int16_t printerType) {
  if (printerType != 30) return kHeaderBytes + std::size_t(kWidth) * kHeight * 3;
  static const std::size_t jpegFile = [] {
    const std::unique_ptr<vorl::TSpoolerPrintView> view = viewFor(30);
    if (!view) return std::size_t{0};
    view->SetPageOffscreen(freshPage());
    if (!deliver(*view)) return std::size_t{0};
    const std::size_t size = static_cast<std::size_t>(bytesIn(workspace().printCentre));
    Workspace::empty(workspace().printCentre);
    return size;
  }();
  return jpegFile;
}

void BM_WriteAndFlush(benchmark::State& state) {
  const std::size_t size = printDataFileSize(static_cast<std::int16_t>(state.range(0)));
  if (size == 0) {
    state.SkipWithError("the size of the file was not found");
    return;
  }
  const std::vector<char> bytes(size, 'x');
  const fs::path file = workspace().printCentre / "floor";
  for (auto _ : state) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      state.SkipWithError("open");
      break;
    }
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(fd, bytes.data() + done, size - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    const bool flushed = ::fsync(fd) == 0;
    ::close(fd);
    ::unlink(file.c_str());
    if (done != size || !flushed) {
      state.SkipWithError("write");
      break;
    }
  }
  state.counters["file_bytes"] = static_cast<double>(size);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_WriteAndFlush)->ArgName("printer")->Arg(1)->Arg(44)->Arg(5)->Arg(30)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
