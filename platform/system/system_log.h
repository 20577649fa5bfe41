// Diagnostic log lines, the stand-in for the system log call: one line on standard error, which the per-day log
// file set-up redirects into the day's file. Lines carry the time, program name, process and thread.
#pragma once

#include <string_view>

namespace vorl {

void systemLog(std::string_view line) noexcept;
void systemLogf(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));

}  // namespace vorl
