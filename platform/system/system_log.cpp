#include "platform/system/system_log.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>

namespace vorl {

void systemLog(std::string_view line) noexcept {
  // A thread keeps its id; asking the kernel once per thread saves a system call on every line.
  static thread_local const long threadId = syscall(SYS_gettid);
  try {
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

}  // namespace vorl
