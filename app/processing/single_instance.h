// One processor per user: a second copy started while one runs refuses to start.
//
// The lock is an flock on a file in the user's runtime folder ($XDG_RUNTIME_DIR, else the configuration
// folder). The kernel drops it when the holder ends in any way, a crash or kill -9 included, so it never goes
// stale and needs no clean-up.
#pragma once

#include <filesystem>

namespace vorl {

class SingleInstanceLock {
 public:
  SingleInstanceLock() = default;
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // True when this process now holds the lock; false when another process holds it (or the lock file cannot be
  // made, which is logged: then the program cannot tell, and refuses to run a second copy blind).
  bool acquire();
  bool held() const noexcept { return fDescriptor >= 0; }
  static std::filesystem::path lockFilePath();

 private:
  int fDescriptor = -1;
};

}  // namespace vorl
