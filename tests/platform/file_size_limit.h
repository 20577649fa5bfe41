// A full disk for the length of a scope: the process may not make any file larger than the given size (writes
// past it fail with EFBIG, which the program takes for a full disk). The signal the kernel sends for such a
// write is ignored meanwhile, so the write only fails.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace vorl::test {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{bytes, saved_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previousHandler_ = SIG_DFL;
};

}  // namespace vorl::test
