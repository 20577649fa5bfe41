// Shared by the job tests: a recording observer and reading a written job into a fresh view.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/job_view.h"
#include "tests/support/job_file_writer.h"

namespace vorl::test {

class RecordingObserver final : public JobObserver {
 public:
  void SetJobInfo(const tJobInfo& info) override { jobInfos.push_back(info); }
  void SetPrinterAndTemplate(std::int16_t printerType, const Str31& templateName, const Str255& packageName) override {
    printers.push_back({printerType, templateName, packageName});
  }
  void SetStatus(std::string_view status) override { statuses.emplace_back(status); }

  struct PrinterAndTemplate {
    std::int16_t printerType;
    Str31 templateName;
    Str255 packageName;
  };
  std::vector<tJobInfo> jobInfos;
  std::vector<PrinterAndTemplate> printers;
  std::vector<std::string> statuses;
};

// A job the reader accepts: the defaults of a JobSpec and one background-colour record on the page.
JobSpec minimalJob();

struct ReadJob {
  std::unique_ptr<RecordingObserver> observer = std::make_unique<RecordingObserver>();
  std::unique_ptr<TBGPrintView> view = std::make_unique<TBGPrintView>(observer.get());
  std::int16_t result = -1;
};

ReadJob readJob(const Bytes& bytes);
inline ReadJob readJob(const JobSpec& spec) { return readJob(writeJobFile(spec).bytes); }

}  // namespace vorl::test
