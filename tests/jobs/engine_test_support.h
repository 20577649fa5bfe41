// For the job engine tests: a working-folder tree the print-server record points at, job files dropped into the
// spooler folder, an observer that records what the engine tells the application, and a step driver that holds
// the baton as the worker does.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "jobs/engine/job_observer.h"
#include "jobs/engine/job_queue.h"
#include "jobs/engine/job_task_manager.h"
#include "preferences/preference_records.h"
#include "tests/support/job_file_writer.h"

namespace vorl::test {

// What the state machine tells the application. Safe to fill from the worker thread.
class EngineObserver final : public JobObserver {
 public:
  void SetJobInfo(const tJobInfo&) override {}
  void SetPrinterAndTemplate(std::int16_t, const Str31&, const Str255&) override {}
  void SetStatus(std::string_view status) override { record("status:" + std::string(status)); }
  void SetImage(const Offscreen*, std::string_view) override {}
  void SetJobFileName(std::string_view name) override {
    std::lock_guard lock(mutex_);
    if (!name.empty()) jobNames.emplace_back(name);  // the empty name of the idle window is not a job
  }
  void SetFilesToDelete(const std::vector<FSSpec>&) override {}
  void Beep() override {}
  bool IsBackgroundPrintingEnabled() override { return processingOn.load(); }
  void ScanForNewJobs() override {}
  void SendNotificationToWebServer(const ArchivedValue&) override { ++webServerNotices; }
  void UpdateJobsList(const std::vector<std::string>& longNames) override {
    std::lock_guard lock(mutex_);
    jobLists.push_back(longNames);
  }
  void EnableButtonsWhenDone() override { ++buttonsBack; }
  void PrintLog(std::uint32_t elapsedTicks) override {
    std::lock_guard lock(mutex_);
    printLogs.push_back(elapsedTicks);
    ++printLogCount;
  }
  FailedJobChoice AskAboutFailedJob(std::string_view jobName, std::string_view message) override;
  void PauseProcessing() override { ++pauses; }
  std::atomic<int> webServerNotices{0};

  std::vector<std::string> snapshotJobNames() const {
    std::lock_guard lock(mutex_);
    return jobNames;
  }

  std::atomic<bool> processingOn{true};
  FailedJobChoice answer = FailedJobChoice::kMoveToUnknownJobs;
  struct Question {
    std::string jobName;
    std::string message;
    bool batonHeld;
  };
  std::vector<Question> questions;
  std::vector<std::string> jobNames;
  std::vector<std::vector<std::string>> jobLists;
  std::vector<std::uint32_t> printLogs;
  std::atomic<int> printLogCount{0};
  std::atomic<int> buttonsBack{0};
  std::atomic<int> pauses{0};
  std::vector<std::string> calls;

 private:
  void record(std::string call) {
    std::lock_guard lock(mutex_);
    calls.push_back(std::move(call));
  }
  mutable std::mutex mutex_;
};

// The working folders of one test in a fresh temporary tree, with the print-server record pointed at them
// (keep processed files on, rescan on, no question on failed jobs) and the single print-to-file folder at
// `output`. The record and the output folder are put back afterwards.
class EngineFolders {
 public:
  EngineFolders();
  ~EngineFolders();
  EngineFolders(const EngineFolders&) = delete;
  EngineFolders& operator=(const EngineFolders&) = delete;

  // Writes a job file into the spooler folder, dated a few seconds back so that it counts as complete however
  // the intake checks for writers.
  std::filesystem::path dropJob(const std::string& name, const Bytes& bytes) const;
  std::filesystem::path dropJob(const std::string& name, const JobSpec& spec) const;

  std::filesystem::path root, spool, allFiles, finished, unknown, output;

 private:
  tPrintServerPrefs saved_{};
};

// The folder as the print-server record holds it.
FolderLocation folderLocation(const std::filesystem::path& folder);
// Sets the file's modification time `seconds` back from now.
void ageFile(const std::filesystem::path& file, int seconds);
// The plain names in a folder (no sidecars, no hidden names), sorted.
std::vector<std::string> jobNamesIn(const std::filesystem::path& folder);
// Whether this file system grants read leases to this process.
bool leasesWork(const std::filesystem::path& folder);

// A type-17 job of one page (2 x 1 inches at 20 dots per inch) with `objects` background-colour records, printed
// once as a JPEG "Lab_nnnn.jpg" into the single print-to-file folder.
JobSpec singleFolderJob(int objects = 1);

// DoNextTask under the baton, as the worker runs it.
void step(TPrintJobTaskManager& manager);
// Steps until the predicate holds (checked before each step); false after `limit` steps.
bool stepUntil(TPrintJobTaskManager& manager, const std::function<bool()>& done, int limit = 200);
// Steps until the manager is back at task 0 with no job in hand and nothing queued.
bool runUntilIdle(TPrintJobTaskManager& manager, int limit = 400);

}  // namespace vorl::test
