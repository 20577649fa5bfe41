// The running processor measured as the program runs it: the job pool started as `main` starts it, the worker
// waking on the spooler folder's inotify watch as the behaviour sets it up, nothing the program does not do.
// Fifty jobs dropped at once into the spooler folder, each a 6 x 4 inch page at 300 dpi with one 24-megapixel
// photo, delivered as a print-data file, for three kinds of job:
//   bench:    old-time sepia (tone 98) and blur 1.5, the writer's defaults;
//   plain:    tone 97, no blur;
//   profile:  plain, with an Adobe-RGB-compatible profile embedded in the photo and applied.
// Also: drawing plus delivery alone for the bench jobs (the same files read, drawn and delivered by direct calls,
// no intake, no worker), the time a job waits between landing in the idle spooler and being taken, and the peak
// resident memory of one job of each kind.
//
// Printed at the end: jobs per minute per kind, the wait, the overhead ratio (per-job time through the processor
// over drawing plus delivery alone; the aim is under 1.1) and the peak memory. Under the sanitizers the photos
// are 600 x 400 and the page a tenth as large, and there are ten jobs, so the figures only show the benchmark
// still runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/delivery_setup.h"
#include "foundation/files/file_copy.h"
#include "foundation/files/files.h"
#include "foundation/services/os_services.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/offscreens/offscreen.h"
#include "imaging/parallel/job_pool.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_intake.h"
#include "jobs/engine/job_queue.h"
#include "jobs/engine/job_task_manager.h"
#include "jobs/engine/job_worker.h"
#include "jobs/engine/spooler_print_view.h"
#include "platform/core/baton.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "preferences/working_folders.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/object_record_writer.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kPhotoWidth = 600, kPhotoHeight = 400;
constexpr int kResolution = 30;
constexpr int kJobs = 10;
#else
constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000;
constexpr int kResolution = 300;
constexpr int kJobs = 50;
#endif

// The road logs a few lines per job, as the program does; here they go to /dev/null.
const int kQuietLog = [] {
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) ::dup2(null, STDERR_FILENO);
  return 0;
}();

// Notes when each job was taken; nothing else of the window.
class TimingObserver final : public vorl::JobObserver {
 public:
  void SetJobInfo(const vorl::tJobInfo&) override {}
  void SetPrinterAndTemplate(std::int16_t, const vorl::Str31&, const vorl::Str255&) override {}
  void SetStatus(std::string_view) override {}
  void SetImage(const vorl::Offscreen*, std::string_view) override {}
  void SetJobFileName(std::string_view name) override {
    if (name.empty()) return;
    std::lock_guard lock(mutex_);
    lastTaken_ = Clock::now();
    ++taken_;
  }
  void SetFilesToDelete(const std::vector<vorl::FSSpec>&) override {}
  void Beep() override {}
  bool IsBackgroundPrintingEnabled() override { return true; }
  void ScanForNewJobs() override { vorl::CheckForNewJobs(this); }
  void SendNotificationToWebServer(const vorl::ArchivedValue&) override {}

  int taken() {
    std::lock_guard lock(mutex_);
    return taken_;
  }
  Clock::time_point lastTaken() {
    std::lock_guard lock(mutex_);
    return lastTaken_;
  }

 private:
  std::mutex mutex_;
  int taken_ = 0;
  Clock::time_point lastTaken_{};
};

enum Kind { kBench, kPlain, kProfile, kKinds };
constexpr const char* kKindNames[kKinds] = {"bench", "plain", "profile"};

// The job writer's tone and blur are the bench kind's; the other kinds set their own.
void setKind(vorl::test::JobSpec& spec, Kind kind) {
  if (kind == kBench) return;
  spec.toneMode = 97;
  spec.blurValue = 0.0f;
  spec.applyEmbeddedProfiles = kind == kProfile ? 1 : 0;
}

std::vector<std::uint8_t> adobeLikeProfile() {
  std::ifstream in("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc", std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct Workspace {
  fs::path root, images, spooler, centre;
  std::vector<vorl::test::Bytes> jobs[kKinds];  // one job file per photo copy and kind

  Workspace() {
    vorl::test::isolateEnvironment();
    root = vorl::test::makeTempFolder("throughput-bench");
    vorl::tPrintServerPrefs* prefs = vorl::getMyPrintServerPrefs();
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    if (vorl::FSFolderIDs(root, vRefNum, dirID) != vorl::noErr) std::abort();
    prefs->serverRoot.vRefNum = vRefNum;
    prefs->serverRoot.dirID = dirID;
    prefs->keepJobFiles = 1;  // the photos stay for the next round
    prefs->rescan = 1;
    prefs->askOnFailedJob = 0;
    vorl::createImageAndJobFolders();
    images = root / "IMAGES FOLDER \xC6\x92";
    spooler = root / "PRINT JOBS FOLDER \xC6\x92";
    centre = vorl::bench::usePrintCentreFolderIn(root);
    vorl::bench::useFixedMachineIn(root);

    // One photograph: soft ramps with grain, about as large as a camera's JPEG; a copy per job, so no job finds
    // the photo of the one before already decoded.
    const vorl::Rect bounds = vorl::makeRect(0, 0, kPhotoHeight, kPhotoWidth);
    vorl::OffscreenPtr photo{vorl::myNewGWorld(&bounds)};
    std::uint32_t grain = 1;
    for (int y = 0; y < kPhotoHeight; ++y) {
      std::uint8_t* p = photo->view().row(y);
      for (int x = 0; x < kPhotoWidth; ++x, p += 4) {
        grain = grain * 1664525u + 1013904223u;
        const int g = static_cast<int>(grain >> 28);
        p[vorl::kRedByte] = static_cast<std::uint8_t>(x * 200 / kPhotoWidth + g);
        p[vorl::kGreenByte] = static_cast<std::uint8_t>(y * 200 / kPhotoHeight + g);
        p[vorl::kBlueByte] = static_cast<std::uint8_t>((x + y) % 180 + g);
      }
    }
    vorl::EncodeOptions options;
    options.quality = 92;
    if (vorl::encodeImageFile(*photo, images / "photo.jpg", vorl::ImageFileType::jpeg, options) != vorl::noErr)
      std::abort();
    const std::vector<std::uint8_t> profile = adobeLikeProfile();
    options.iccProfile = profile;
    if (profile.empty() ||
        vorl::encodeImageFile(*photo, images / "profiled.jpg", vorl::ImageFileType::jpeg, options) != vorl::noErr)
      std::abort();
    for (int k = 0; k < kKinds; ++k)
    for (int i = 0; i < kJobs; ++i) {
      const std::string name = std::string(kKindNames[k]) + std::to_string(i) + ".jpg";
      fs::copy_file(images / (k == kProfile ? "profiled.jpg" : "photo.jpg"), images / name,
                    fs::copy_options::overwrite_existing);
      vorl::test::JobSpec spec;
      spec.printerType = 34;  // delivered as a print-data file
      spec.pageWidth = 6.0f;
      spec.pageHeight = 4.0f;
      spec.resolution = kResolution;
      spec.templateName = "Throughput";
      vorl::test::ImageSpec image;
      image.at = {0.0f, 0.0f, 6.0f, 4.0f, 0, 0, 288, 432};
      image.photoName = name;
      image.rotation = 0.0f;
      image.offsetV = image.offsetH = 0;
      image.insetSteps = 0;
      image.colorAdjust = {};
      image.graphicCategory.clear();
      image.graphicName.clear();
      image.borderFlag = 0;
      image.angledFlag = 0;
      image.useCropBounds = 0;
      spec.pageRecords = {vorl::test::imageRecord(image)};
      setKind(spec, static_cast<Kind>(k));
      jobs[k].push_back(vorl::test::writeJobFile(spec).bytes);
    }
    // Nothing of the set-up may still be waiting to be written when a measured flush comes.
    ::sync();
  }

  void emptyCentre() const {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(centre, ignored)) fs::remove_all(entry.path(), ignored);
  }
  std::size_t delivered() const {
    std::size_t count = 0;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(centre, ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("._", 0) != 0 && name.rfind("Tempfile_", 0) != 0) ++count;
    }
    return count;
  }
  void drop(Kind kind, int i, const std::string& name) const {
    const fs::path temporary = spooler / ("TempFile-" + name);
    vorl::test::writeFile(temporary, jobs[kind][static_cast<std::size_t>(i)]);
    fs::rename(temporary, spooler / name);
  }
};

Workspace& workspace() {
  static Workspace instance;
  return instance;
}

// The job queue, the state machine and its worker running, as the application runs them (without a window).
struct RunningProcessor {
  vorl::TSortedFileList queue;
  TimingObserver observer;
  vorl::TPrintJobTaskManager manager{&observer};
  vorl::TSimpleThread worker{manager};

  RunningProcessor() {
    vorl::gJobFileList = &queue;
    vorl::gPrintJobTaskManager = &manager;
    worker.Start();
    // As the behaviour does once processing runs: a job landing in the spooler folder wakes the worker.
    if (!worker.WatchFolder(workspace().spooler)) std::abort();
    manager.SetActive(true);
  }
  ~RunningProcessor() {
    manager.SetActive(false);
    worker.ShutdownAndJoin();
    vorl::gPrintJobTaskManager = nullptr;
    vorl::gJobFileList = nullptr;
  }
};

double gProcessorPerJob[kKinds] = {}, gAlonePerJob = 0, gWaitMs = 0, gPeakMiB[kKinds] = {};

// Fifty jobs of one kind at once through the running processor.
void BM_ProcessorFiftyJobs(benchmark::State& state) {
  const auto kind = static_cast<Kind>(state.range(0));
  Workspace& w = workspace();
  RunningProcessor processor;
  static int round = 0;
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    w.emptyCentre();
    ::sync();
    ++round;
    state.ResumeTiming();
    const auto start = Clock::now();
    for (int i = 0; i < kJobs; ++i) w.drop(kind, i, "job-" + std::to_string(round) + "-" + std::to_string(i));
    while (w.delivered() < kJobs) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  gProcessorPerJob[kind] = seconds / (static_cast<double>(state.iterations()) * kJobs);
  state.SetLabel(kKindNames[kind]);
  state.counters["jobs_per_minute"] = 60.0 / gProcessorPerJob[kind];
  state.counters["pool_threads"] = vorl::processJobPool() ? vorl::processJobPool()->threadCount() : 0;
}
BENCHMARK(BM_ProcessorFiftyJobs)->DenseRange(0, kKinds - 1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The peak resident memory of the process while one job of a kind goes through, counted from a reset of the
// kernel's high-water mark just before it lands.
void BM_OneJobPeakMemory(benchmark::State& state) {
  const auto kind = static_cast<Kind>(state.range(0));
  Workspace& w = workspace();
  RunningProcessor processor;
  static int round = 0;
  for (auto _ : state) {
    w.emptyCentre();
    std::ofstream("/proc/self/clear_refs") << "5";
    w.drop(kind, 0, "peak-" + std::to_string(++round));
    while (w.delivered() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("VmHWM:", 0) == 0) gPeakMiB[kind] = std::stod(line.substr(6)) / 1024.0;
  }
  state.SetLabel(kKindNames[kind]);
  state.counters["peak_MiB"] = gPeakMiB[kind];
}
BENCHMARK(BM_OneJobPeakMemory)->DenseRange(0, kKinds - 1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The same fifty jobs read, drawn and delivered by direct calls.
void BM_DrawAndDeliverAlone(benchmark::State& state) {
  Workspace& w = workspace();
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    w.emptyCentre();
    ::sync();
    state.ResumeTiming();
    const auto start = Clock::now();
    for (int i = 0; i < kJobs; ++i) {
      vorl::BatonHold baton;
      vorl::TSpoolerPrintView view;
      if (view.ReadJobFile(w.jobs[kBench][static_cast<std::size_t>(i)]) != vorl::kJobReadOK ||
          view.CreateOffscreens() != 0) {
        state.SkipWithError("the job was not read or its page not made");
        return;
      }
      std::int16_t result = 0;
      while ((result = view.DrawNextObject()) != vorl::kDrawPageDone) {
        if (result != vorl::kDrawOK) {
          state.SkipWithError("an object did not draw");
          return;
        }
      }
      if (view.FinishJob() != 0) {
        state.SkipWithError("the page was not delivered");
        return;
      }
      view.ResetJob();
    }
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  gAlonePerJob = seconds / (static_cast<double>(state.iterations()) * kJobs);
  state.counters["jobs_per_minute"] = 60.0 / gAlonePerJob;
}
BENCHMARK(BM_DrawAndDeliverAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// One job landing in the idle spooler folder: the time until the worker takes it.
void BM_WaitWhileIdle(benchmark::State& state) {
  Workspace& w = workspace();
  RunningProcessor processor;
  double total = 0, worst = 0;
  int round = 0;
  w.emptyCentre();
  for (auto _ : state) {
    state.PauseTiming();
    // The job before is delivered, and the worker has gone back to waiting between its scans.
    while (w.delivered() < static_cast<std::size_t>(round)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    state.ResumeTiming();
    const int before = processor.observer.taken();
    const auto landed = Clock::now();
    w.drop(kPlain, 0, "wait-" + std::to_string(++round));  // the folder watch wakes the worker, as in the program
    while (processor.observer.taken() == before) std::this_thread::sleep_for(std::chrono::microseconds(200));
    const double ms = std::chrono::duration<double, std::milli>(processor.observer.lastTaken() - landed).count();
    total += ms;
    worst = std::max(worst, ms);
  }
  while (w.delivered() < static_cast<std::size_t>(round)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  gWaitMs = total / static_cast<double>(state.iterations());
  state.counters["wait_ms"] = gWaitMs;
  state.counters["worst_wait_ms"] = worst;
}
BENCHMARK(BM_WaitWhileIdle)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

}  // namespace

int main(int argc, char** argv) {
  // As the program's `main`: one pool thread per usable processor, for the whole run.
  vorl::MPJobs_Init();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const int threads = vorl::processJobPool() ? vorl::processJobPool()->threadCount() : 0;
  for (int k = 0; k < kKinds; ++k)
    if (gProcessorPerJob[k] > 0)
      std::printf("processor, %s jobs: %.1f jobs per minute (%.0f ms a job) with a pool of %d threads\n", kKindNames[k],
                  60.0 / gProcessorPerJob[k], gProcessorPerJob[k] * 1000, threads);
  if (gProcessorPerJob[kBench] > 0 && gAlonePerJob > 0)
    std::printf("bench jobs, drawing and delivery alone: %.0f ms a job; overhead ratio %.3f (aim: under 1.1)\n",
                gAlonePerJob * 1000, gProcessorPerJob[kBench] / gAlonePerJob);
  for (int k = 0; k < kKinds; ++k)
    if (gPeakMiB[k] > 0) std::printf("peak resident memory, one %s job: %.0f MiB\n", kKindNames[k], gPeakMiB[k]);
  if (gWaitMs > 0) std::printf("a job landing in the idle spooler folder waits %.1f ms on average (aim: under 50)\n", gWaitMs);
  return 0;
}
