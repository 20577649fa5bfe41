// Diagnostic log lines, the stand-in for the system log call: one line on standard error, which the per-day log
// file set-up redirects into the day's file. Lines carry the time, program name, process and thread.
//
// A flood (a sibling program posting the same notification thousands of times) must not fill the disk: a line,
// or a group of up to 16 lines, that comes again and again is written in full ten times, then its repeats are
// held back and summarised ("… repeated N times") when something else is logged or the log has been quiet for a
// second; and past a limit (50 MB) a file gets one last line saying so and no more.
#pragma once

#include <cstdint>
#include <string_view>

namespace vorl {

void systemLog(std::string_view line) noexcept;
void systemLogf(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));

// Writes the summary of repeats still held back (at quit, or before reading the log).
void flushSystemLog() noexcept;
// Standard error now goes to another file (after `flushSystemLog`): its size so far counts towards the limit.
void systemLogFileChanged() noexcept;
// The most the log file may hold; 50 MB unless set (tests set less).
inline constexpr std::uint64_t kSystemLogLimit = 50ull * 1024 * 1024;
void setSystemLogLimit(std::uint64_t bytes) noexcept;

}  // namespace vorl
