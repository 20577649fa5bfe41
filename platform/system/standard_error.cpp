#include "platform/system/standard_error.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/system/system_log.h"

namespace vorl {

OSErr redirectStandardErrorTo(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return osErrFromErrno(errno);
  std::fflush(stderr);
  flushSystemLog();  // what is held back belongs to the file it came in for
  const int failure = ::dup2(fd, STDERR_FILENO) < 0 ? errno : 0;
  ::close(fd);
  if (failure == 0) systemLogFileChanged();
  return osErrFromErrno(failure);
}

}  // namespace vorl
