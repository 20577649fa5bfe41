// What the job side tells the application while a job runs.
//
// The worker never touches a window: the application implements this interface and forwards each call to the
// main thread as a queued call carrying copies of its arguments; tests implement it with a recorder. A job view
// without an observer simply tells nobody.
#pragma once

#include <cstdint>
#include <string_view>

#include "foundation/job_records.h"
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
};

}  // namespace vorl
