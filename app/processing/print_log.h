// The print log: one line per finished job in "Print Log File" in the application folder.
//
// A line is: date TAB time TAB seconds TAB "Printer: "name TAB "Template: "name TAB job text 1 TAB job text 2 TAB
// "TRUE"/"FALSE" TAB CR, in Mac Roman. The first line of a run starts a new file; the previous run's file is kept
// beside it as "Print Log File (previous run)".
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "foundation/records/job_records.h"

namespace vorl {

struct PrintLogEntry {
  std::uint32_t elapsedTicks = 0;
  std::string printerName;   // UTF-8, as the main window shows it
  std::string templateName;  // UTF-8
  tJobInfo jobInfo{};
};

class PrintLogFile {
 public:
  // The log file in `folder` (the application folder).
  explicit PrintLogFile(std::filesystem::path folder);
  // Writes one line; answers false (and logs why) when the file could not be written.
  bool write(const PrintLogEntry& entry);
  const std::filesystem::path& path() const noexcept { return fPath; }

 private:
  std::filesystem::path fPath;
  bool fCreated = false;
};

}  // namespace vorl
