#include "platform/system/system_log.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorl {
namespace {

// The longest group of lines recognised as repeating: a notification logs about seven.
constexpr std::size_t kLongestRepeat = 16;
// A group is written as it comes this many times before its repeats are held back: a message shown a few times
// over appears each time, at once; only a flood is summarised.
constexpr std::uint64_t kGroupsWrittenInFull = 10;
// Held-back lines and the summary are written once the log has been quiet this long, so that a line someone
// waits for never stays held back.
constexpr std::chrono::seconds kQuietBeforeSummary{1};

void writeAll(const std::string& text) noexcept {
  // One write per line, so lines from two threads never interleave.
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t written = ::write(STDERR_FILENO, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

std::string prefixed(std::string_view line) {
  // A thread keeps its id; asking the kernel once per thread saves a system call on every line.
  static thread_local const long threadId = syscall(SYS_gettid);
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[64];
  const std::size_t stampLength = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  char prefix[160];
  const int prefixLength = std::snprintf(prefix, sizeof prefix, "%.*s.%03lld %s[%d:%ld] ",
                                         static_cast<int>(stampLength), stamp, static_cast<long long>(millis),
                                         program_invocation_short_name, static_cast<int>(getpid()), threadId);
  std::string text(prefix, static_cast<std::size_t>(prefixLength > 0 ? prefixLength : 0));
  text.append(line);
  text.push_back('\n');
  return text;
}

// What the log holds back and how much the file has. Every member is used under `mutex`.
struct LogState {
  std::mutex mutex;
  std::deque<std::string> recent;    // the last lines asked for, written or not
  std::size_t period = 0;            // the length of the group repeating now; 0 while nothing repeats
  std::uint64_t repeatedLines = 0;   // lines held back since the repeat began
  std::vector<std::string> partial;  // the held-back lines of a group not yet complete, as they were to be written
  std::size_t candidate = 0;         // the group length the lines written in full have been repeating
  std::uint64_t candidateLines = 0;  // how many lines in a row have repeated it
  std::chrono::steady_clock::time_point lastLine;
  std::condition_variable repeatBegan;
  bool summariserRuns = false;
  std::uint64_t limit = kSystemLogLimit;
  std::uint64_t fileSize = 0;
  bool sizeKnown = false;
  bool full = false;

  void remember(std::string_view line) {
    recent.emplace_back(line);
    if (recent.size() > kLongestRepeat) recent.pop_front();
  }
  // The line `distance` lines back equals this one.
  bool repeats(std::string_view line, std::size_t distance) const {
    return recent.size() >= distance && recent[recent.size() - distance] == line;
  }

  void write(const std::string& text) {
    if (full) return;
    if (!sizeKnown) {
      struct stat info {};
      fileSize = ::fstat(STDERR_FILENO, &info) == 0 && S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size)
                                                                              : 0;
      sizeKnown = true;
    }
    if (fileSize + text.size() > limit) {
      full = true;
      writeAll(prefixed("The log file reached its limit of " + std::to_string(limit / (1024 * 1024)) + " MB (" +
                        std::to_string(limit) + " bytes); the lines that follow are left out"));
      return;
    }
    writeAll(text);
    fileSize += text.size();
  }

  // Ends a repeat: the summary of the whole groups, then the lines of a group cut short, as they came.
  void endRepeat() {
    if (period == 0) return;
    const std::uint64_t groups = repeatedLines / period;
    if (groups > 0) {
      const std::string times = std::to_string(groups) + (groups == 1 ? " time" : " times");
      write(prefixed(period == 1 ? "\xE2\x80\xA6 repeated " + times
                                 : "\xE2\x80\xA6 the last " + std::to_string(period) + " lines repeated " + times));
    }
    for (const std::string& text : partial) write(text);
    partial.clear();
    period = 0;
    repeatedLines = 0;
  }

  // Writes what a repeat held back once the log has been quiet for a moment.
  void summariseWhenQuiet() {
    std::unique_lock lock(mutex);
    for (;;) {
      repeatBegan.wait(lock, [this] { return period > 0; });
      const auto due = lastLine + kQuietBeforeSummary;
      if (std::chrono::steady_clock::now() >= due) {
        endRepeat();
      } else {
        repeatBegan.wait_until(lock, due);
      }
    }
  }

  void beginRepeat(std::size_t distance, std::string_view line) {
    period = distance;
    repeatedLines = 1;
    partial.push_back(prefixed(line));
    if (partial.size() == period) partial.clear();
    if (!summariserRuns) {
      summariserRuns = true;
      std::thread([this] { summariseWhenQuiet(); }).detach();  // lives as long as the process
    }
    repeatBegan.notify_one();
  }

  void log(std::string_view line) {
    if (full) return;
    lastLine = std::chrono::steady_clock::now();
    if (period > 0) {
      if (repeats(line, period)) {
        ++repeatedLines;
        partial.push_back(prefixed(line));
        if (partial.size() == period) partial.clear();
        remember(line);
        return;
      }
      endRepeat();
    }
    // The group the last lines repeated goes on, or the shortest one this line repeats begins.
    if (candidate == 0 || !repeats(line, candidate)) {
      candidate = 0;
      candidateLines = 0;
      for (std::size_t distance = 1; distance <= kLongestRepeat && candidate == 0; ++distance)
        if (repeats(line, distance)) candidate = distance;
    }
    if (candidate > 0 && ++candidateLines > kGroupsWrittenInFull * candidate) {
      beginRepeat(candidate, line);
      candidate = 0;
      candidateLines = 0;
      remember(line);
      return;
    }
    write(prefixed(line));
    remember(line);
  }
};

LogState& state() {
  static LogState* const shared = new LogState;  // never destroyed: threads may log while the program ends
  return *shared;
}

}  // namespace

void systemLog(std::string_view line) noexcept {
  try {
    LogState& log = state();
    std::lock_guard lock(log.mutex);
    log.log(line);
  } catch (...) {
    // A log line that cannot be made is dropped; logging never ends the program.
  }
}

void systemLogf(const char* format, ...) noexcept {
  char buffer[2048];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  if (length < 0) return;
  systemLog(std::string_view(buffer, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof buffer - 1)));
}

void flushSystemLog() noexcept {
  try {
    LogState& log = state();
    std::lock_guard lock(log.mutex);
    log.endRepeat();
    log.recent.clear();
    log.candidate = 0;
    log.candidateLines = 0;
  } catch (...) {
  }
}

void systemLogFileChanged() noexcept {
  try {
    LogState& log = state();
    std::lock_guard lock(log.mutex);
    log.recent.clear();
    log.candidate = 0;
    log.candidateLines = 0;
    log.sizeKnown = false;
    log.full = false;
  } catch (...) {
  }
}

void setSystemLogLimit(std::uint64_t bytes) noexcept {
  try {
    LogState& log = state();
    std::lock_guard lock(log.mutex);
    log.limit = bytes;
    log.full = false;
  } catch (...) {
  }
}

}  // namespace vorl
