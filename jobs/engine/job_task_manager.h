// jobs/engine/: the job engine. Intake moves new files from the spooler folder into the queue; the state machine
// (this unit) takes the oldest, reads it into the job view, draws the page offscreen object by object, has it
// delivered, and logs or parks the job file; the worker thread runs its steps. The special jobs and the sub-job
// picture are drawn here too, and everything the engine tells the window goes through the job observer.
//
// The job state machine: every job passes through the one `TPrintJobTaskManager`.
//
// `DoNextTask` performs one short step of the job in hand and returns: 0 takes the next job and reads it, 1
// prepares the page, 2 draws one object, 3 finishes and delivers, 4 logs and disposes of the job file. Short
// steps keep the window live: `TSimpleThread` runs them one after another under the baton while processing is
// on. Failures of any step end in
// `DoError`, which reports, tells the web-server companion and parks the job file (or asks the operator).
//
// Switching processing off never interrupts a step: the step ends and the job keeps its task.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "jobs/engine/job_observer.h"
#include "jobs/engine/job_queue.h"
#include "platform/core/mac_types.h"
#include "preferences/preference_records.h"

namespace vorl {

class TSpoolerPrintView;

// The volume reference that says "no job in hand".
inline constexpr std::int16_t kNoJobVolume = 999;

class TPrintJobTaskManager {
 public:
  // `behaviour` receives status, names, the job list, the print log and the failed-job question; it may be null
  // and must outlive the manager.
  explicit TPrintJobTaskManager(JobObserver* behaviour = nullptr);
  ~TPrintJobTaskManager();
  TPrintJobTaskManager(const TPrintJobTaskManager&) = delete;
  TPrintJobTaskManager& operator=(const TPrintJobTaskManager&) = delete;

  // A job file for the next reading (a fresh view is made), or the volume kNoJobVolume to abandon the job in
  // hand: the next step of task 1, 2 or 3 then goes straight to clean-up.
  void SetCurrentJob(const FSSpec& job);
  void SetActive(bool active);
  bool IsActive() const noexcept { return fActive.load(); }
  bool IsBusyWithTask() const noexcept { return fBusy.load(); }

  void AddFilesToDelete(const FSSpec& file);
  // The first registered image file; all zero when none.
  FSSpec GetCurrentImageFileFSSpec() const;
  // Disposes of the registered image files (deleted unless the print-server setting keeps processed files).
  void DeleteFilesUsed4Printing();

  // Reports `code`, tells the companion, parks or requeues the job file; 0 does nothing.
  void DoError(std::int16_t code);
  // One step of the job in hand.
  void DoNextTask();

  // What the window, quit and tests look at.
  std::uint16_t currentTask() const noexcept { return fCurrentTask; }
  bool hasJobInHand() const noexcept { return fJobFile.has_value(); }
  TSpoolerPrintView* printView() const noexcept { return fPrintView.get(); }

 private:
  // The steps of DoNextTask.
  void takeNextJob();
  void preparePage();
  void drawNextObject();
  void finishJob();
  void cleanUp();

  // Takes over the photos the view registered, optionally tells the companion of the failure, resets and
  // destroys the view.
  void collectFilesOfView();
  void disposeOfView(bool tellCompanion);
  // Moves the job file into the folder under a name free there; false (logged and shown) when it stays where it is.
  bool moveJobFileInto(const FolderLocation& folder);
  void deleteJobFile();
  // The delivered job's file goes to the finished-jobs folder (or is deleted), once.
  void disposeOfFinishedJobFile();
  // No job in hand any more; the next step takes the next one.
  void endJob();

  JobObserver* fBehaviour;
  std::atomic<std::uint16_t> fCurrentTask{0};  // read by a pause that does not wait for the baton
  FSSpec fCurrentJob{};
  std::atomic<bool> fActive{false};
  std::unique_ptr<TSpoolerPrintView> fPrintView;
  std::optional<QueuedJob> fJobFile;
  std::vector<FSSpec> fFilesToDelete;
  std::atomic<bool> fBusy{false};
  std::uint32_t fStartTicks = 0;
  bool fJobFileDisposed = false;  // the job file in hand already left "All Files"
};

// The one state machine; null until the processing behaviour made it.
extern TPrintJobTaskManager* gPrintJobTaskManager;

// Free bytes of the volume; 0 when it cannot be asked.
std::uint64_t getAvailableHardDiskSpace(std::int16_t vRefNum);

}  // namespace vorl
