// What the job side tells the application while a job runs.
//
// The worker never touches a window: the application implements this interface and forwards each call to the
// main thread as a queued call carrying copies of its arguments; tests implement it with a recorder. A job view
// without an observer simply tells nobody.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "foundation/job_records.h"
#include "imaging/offscreen.h"
#include "platform/keyed_archive.h"
#include "platform/mac_types.h"
#include "platform/pascal_string.h"

namespace vorl {

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
};

}  // namespace vorl
