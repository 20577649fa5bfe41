#include "layout/job_file_names.h"

#include "platform/files/file_specs.h"
#include "platform/system/system_log.h"

namespace vorl {

std::optional<std::string> diskNameFromJobFile(std::string_view macRoman) {
  if (macRoman.empty() || macRoman.front() == '.' || macRoman.find('\0') != std::string_view::npos) {
    const std::string shown = macNameToDiskName(macRoman.substr(0, macRoman.find('\0')));
    systemLogf("A name from the job file cannot name a file: [%s]", shown.c_str());
    return std::nullopt;
  }
  return macNameToDiskName(macRoman);
}

}  // namespace vorl
