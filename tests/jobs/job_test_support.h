// Shared by the job tests: a recording observer and reading a written job into a fresh view.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/engine/job_view.h"
#include "tests/support/job_file_writer.h"

namespace vorl::test {

class RecordingObserver final : public JobObserver {
 public:
  void SetJobInfo(const tJobInfo& info) override { jobInfos.push_back(info); }
  void SetPrinterAndTemplate(std::int16_t printerType, const Str31& templateName, const Str255& packageName) override {
    printers.push_back({printerType, templateName, packageName});
  }
  void SetStatus(std::string_view status) override {
    statuses.emplace_back(status);
    calls.push_back("status:" + std::string(status));
  }
  void SetImage(const Offscreen* page, std::string_view caption) override;
  void SetJobFileName(std::string_view name) override {
    jobNames.emplace_back(name);
    calls.push_back("job name:" + std::string(name));
  }
  void SetFilesToDelete(const std::vector<FSSpec>& files) override { handedFiles.push_back(files); }
  void Beep() override {
    ++beeps;
    calls.emplace_back("beep");
  }
  bool IsBackgroundPrintingEnabled() override { return processingOn; }
  void ScanForNewJobs() override {
    ++scans;
    calls.emplace_back("scan");
  }
  void SendNotificationToWebServer(const ArchivedValue& dictionary) override { notices.push_back(dictionary); }

  struct PrinterAndTemplate {
    std::int16_t printerType;
    Str31 templateName;
    Str255 packageName;
  };
  std::vector<tJobInfo> jobInfos;
  std::vector<PrinterAndTemplate> printers;
  std::vector<std::string> statuses;

  // What the preview was shown: a copy of the page (none when cleared) and the caption.
  struct Preview {
    OffscreenPtr page;
    std::string caption;
  };
  std::vector<Preview> previews;
  std::vector<std::string> jobNames;
  std::vector<std::vector<FSSpec>> handedFiles;
  std::vector<ArchivedValue> notices;
  int beeps = 0;
  int scans = 0;
  // Answered to IsBackgroundPrintingEnabled; a test switches processing off by clearing it.
  bool processingOn = true;
  // Previews, statuses, job names, beeps and scans in the order they came ("image", "no image", "status:…").
  std::vector<std::string> calls;
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
