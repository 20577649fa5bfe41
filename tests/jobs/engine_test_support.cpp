#include "tests/jobs/engine_test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "jobs/engine/job_intake.h"
#include "platform/core/baton.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "tests/jobs/print_to_file_test_support.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/object_record_writer.h"

namespace vorl::test {

namespace fs = std::filesystem;

FailedJobChoice EngineObserver::AskAboutFailedJob(std::string_view jobName, std::string_view message) {
  std::lock_guard lock(mutex_);
  questions.push_back({std::string(jobName), std::string(message), batonHeldByThisThread()});
  return answer;
}

FolderLocation folderLocation(const fs::path& folder) {
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  if (FSFolderIDs(folder, vRefNum, dirID) != noErr) throw std::runtime_error("no folder ids for " + folder.string());
  FolderLocation location;
  location.vRefNum = vRefNum;
  location.dirID = dirID;
  return location;
}

EngineFolders::EngineFolders() {
  saved_ = *getMyPrintServerPrefs();
  root = makeTempFolder("engine");
  spool = root / "PRINT JOBS FOLDER";
  allFiles = spool / "All Files";
  finished = root / "FINISHED JOBS FOLDER";
  unknown = root / "UNKNOWN JOBS FOLDER";
  output = root / "Output";
  for (const fs::path& folder : {spool, finished, unknown, output}) fs::create_directories(folder);
  tPrintServerPrefs& prefs = *getMyPrintServerPrefs();
  prefs.printJobsFolder = folderLocation(spool);
  prefs.finishedJobsFolder = folderLocation(finished);
  prefs.unknownJobsFolder = folderLocation(unknown);
  prefs.keepJobFiles = std::int16_t{1};
  prefs.rescan = std::int16_t{1};
  prefs.askOnFailedJob = std::int16_t{0};
  pointPrintToFileFolderAt(output);
  gLastModDate = 0;
}

EngineFolders::~EngineFolders() {
  *getMyPrintServerPrefs() = saved_;
  forgetOutputFolders();
  gLastModDate = 0;
}

fs::path EngineFolders::dropJob(const std::string& name, const Bytes& bytes) const {
  const fs::path file = spool / name;
  writeFile(file, bytes);
  ageFile(file, 5);
  return file;
}

fs::path EngineFolders::dropJob(const std::string& name, const JobSpec& spec) const {
  return dropJob(name, writeJobFile(spec).bytes);
}

void ageFile(const fs::path& file, int seconds) {
  timespec times[2];
  clock_gettime(CLOCK_REALTIME, &times[0]);
  times[0].tv_sec -= seconds;
  times[1] = times[0];
  if (utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
    throw std::runtime_error("cannot date " + file.string());
}

std::vector<std::string> jobNamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with('.') && !entry.is_directory()) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool leasesWork(const fs::path& folder) {
  const fs::path probe = folder / ".lease-probe";
  writeFile(probe, Bytes{1});
  const int fd = open(probe.c_str(), O_RDONLY);
  const bool works = fd >= 0 && fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
  if (works) fcntl(fd, F_SETLEASE, F_UNLCK);
  if (fd >= 0) close(fd);
  fs::remove(probe);
  return works;
}

JobSpec singleFolderJob(int objects) {
  JobSpec spec;
  spec.printerType = 17;
  spec.pageWidth = 2;
  spec.pageHeight = 1;
  spec.resolution = 20;
  spec.toneMode = 0;
  spec.printQuantity = 1;
  spec.fixedName = 0;  // numbered names
  spec.pageRecords.assign(static_cast<std::size_t>(objects), backColorRecord({}));
  spec.printToFile.assign(982, 0);
  spec.printToFile[403] = 3;  // JPEG
  const auto putText = [&](std::size_t at, std::string_view text) {
    spec.printToFile[at] = static_cast<std::uint8_t>(text.size());
    std::copy(text.begin(), text.end(), spec.printToFile.begin() + static_cast<std::ptrdiff_t>(at) + 1);
  };
  putText(404, "Lab");
  putText(468, ".jpg");
  return spec;
}

void step(TPrintJobTaskManager& manager) {
  BatonHold hold;
  manager.DoNextTask();
}

bool stepUntil(TPrintJobTaskManager& manager, const std::function<bool()>& done, int limit) {
  for (int i = 0; i < limit; ++i) {
    if (done()) return true;
    step(manager);
  }
  return done();
}

bool runUntilIdle(TPrintJobTaskManager& manager, int limit) {
  // One step first: with nothing queued yet, task 0 takes new files in.
  step(manager);
  return stepUntil(
      manager,
      [&] { return manager.currentTask() == 0 && !manager.hasJobInHand() && gJobFileList->empty(); }, limit);
}

}  // namespace vorl::test
