// What the job side tells the application while a job runs.
//
// The worker never touches a window: the application implements this interface and forwards each call to the
// main thread as a queued call carrying copies of its arguments; tests implement it with a recorder. A job view
// without an observer simply tells nobody.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/records/job_records.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/plists/keyed_archive.h"
#include "platform/core/mac_types.h"
#include "platform/text/pascal_string.h"

namespace vorl {

// The operator's answers to the failed-job question, by the items of its alert.
enum class FailedJobChoice : std::int16_t {
  kRequeue = 1,             // take it again later, by its date
  kDelete = 4,              // delete the job file and the image files it used
  kMoveToUnknownJobs = 5,   // park it in the unknown-jobs folder
  kRequeueAndPause = 6,     // put it back and switch processing off
};

class JobObserver {
 public:
  virtual ~JobObserver() = default;

  // The job information of the job just read (for the main window and the print log).
  virtual void SetJobInfo(const tJobInfo& info) = 0;
  // The printer type, template name and package name of the job just read.
  virtual void SetPrinterAndTemplate(std::int16_t printerType, const Str31& templateName,
                                     const Str255& packageName) = 0;
  // The progress status line.
  virtual void SetStatus(std::string_view status) = 0;

  // The preview shows `page` (null clears it) with the caption; the page is borrowed for the call only, so the
  // application takes its scaled copy before returning.
  virtual void SetImage(const Offscreen* page, std::string_view caption) = 0;
  // The name of the job in hand (UTF-8); empty when none.
  virtual void SetJobFileName(std::string_view name) = 0;
  // The image files the sub-job used, handed on once it is drawn.
  virtual void SetFilesToDelete(const std::vector<FSSpec>& files) = 0;
  // The system beep.
  virtual void Beep() = 0;
  // Whether processing is still switched on; asked between the objects of a sub-job.
  virtual bool IsBackgroundPrintingEnabled() = 0;
  // Takes new job files from the spooler folder into the queue and refreshes the job list when it changed.
  virtual void ScanForNewJobs() = 0;
  // Tells the web-server companion about a job it sent (the job dictionary with its "status").
  virtual void SendNotificationToWebServer(const ArchivedValue& dictionary) = 0;

  // --- What the state machine and intake tell the application (no-ops by default) ---

  // The job queue changed: the long names (UTF-8) of its files, next job first.
  virtual void UpdateJobsList(const std::vector<std::string>& /*longNames*/) {}
  // A step ended while processing is off: the exit, empty-folders and remove buttons may come back.
  virtual void EnableButtonsWhenDone() {}
  // A job ended after `elapsedTicks` ticks: one line of the print log. Called on the worker inside its step.
  virtual void PrintLog(std::uint32_t /*elapsedTicks*/) {}
  // Asks the operator what to do with a failed job (asked only when the print-server setting says so); the
  // caller has let go of the baton. The default, for a program nobody watches, parks the job.
  virtual FailedJobChoice AskAboutFailedJob(std::string_view /*jobName*/, std::string_view /*message*/) {
    return FailedJobChoice::kMoveToUnknownJobs;
  }
  // Switches processing off, as the operator's Pause does (the failed-job question can ask for it).
  virtual void PauseProcessing() {}
};

}  // namespace vorl
