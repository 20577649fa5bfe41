#include "app/processing/print_log.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <system_error>

#include "foundation/text/date_time.h"
#include "platform/text/mac_roman.h"

namespace vorl {
namespace {

constexpr char kPrintLogName[] = "Print Log File";
constexpr char kPreviousRunSuffix[] = " (previous run)";

// A TAB or line end inside a text would break the line into fields that are not there; they become spaces.
std::string fieldText(std::string_view macRoman) {
  std::string text(macRoman);
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

// A name from the window (UTF-8), as the log's Mac Roman text, cut to 255 characters as a Str255 would be.
std::string windowText(const std::string& utf8) {
  std::string text = utf8ToMacRoman(utf8);
  if (text.size() > 255) text.resize(255);
  return fieldText(text);
}

}  // namespace

PrintLogFile::PrintLogFile(std::filesystem::path folder) : fPath(std::move(folder) / kPrintLogName) {}

bool PrintLogFile::write(const PrintLogEntry& entry) {
  if (!fCreated) {
    // Each run starts its own log; the previous run's stays beside it instead of being lost.
    std::error_code error;
    if (std::filesystem::exists(fPath, error)) {
      std::filesystem::path previous = fPath;
      previous += kPreviousRunSuffix;
      std::filesystem::rename(fPath, previous, error);
      if (error) std::cerr << "PrintLog: could not keep the previous log: " << error.message() << '\n';
    }
    fCreated = true;
  }

  std::string line;
  line += getCurrentDateString(2).macRoman();
  line += '\t';
  line += getCurrentTimeString().macRoman();
  line += '\t';
  line += std::to_string(entry.elapsedTicks / 60);
  line += '\t';
  line += "Printer: " + windowText(entry.printerName);
  line += '\t';
  line += "Template: " + windowText(entry.templateName);
  line += '\t';
  line += fieldText(entry.jobInfo.name.macRoman());
  line += '\t';
  line += fieldText(entry.jobInfo.secondText.macRoman());
  line += '\t';
  line += static_cast<std::uint16_t>(entry.jobInfo.flag) != 0 ? "TRUE" : "FALSE";
  line += '\t';
  line += '\r';

  // One write of the whole line in append mode, so a line is never interleaved or half there after a crash of
  // the writer between two fields.
  std::ofstream file(fPath, std::ios::binary | std::ios::app);
  if (!file) {
    std::cerr << "PrintLog: could not open \"" << fPath.string() << "\": " << std::strerror(errno) << '\n';
    return false;
  }
  file.write(line.data(), static_cast<std::streamsize>(line.size()));
  file.close();
  if (!file) {
    std::cerr << "PrintLog: could not write \"" << fPath.string() << "\"\n";
    return false;
  }
  return true;
}

}  // namespace vorl
