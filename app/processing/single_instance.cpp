#include "app/processing/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <system_error>

#include "platform/files/xdg_folders.h"

namespace vorl {

std::filesystem::path SingleInstanceLock::lockFilePath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::filesystem::path folder = (runtime != nullptr && *runtime != '\0') ? std::filesystem::path(runtime)
                                                                          : xdgConfigHome() / "Vorl-Zeverezoz";
  return folder / "vorl-zeverezoz.lock";
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fDescriptor >= 0) ::close(fDescriptor);  // closing drops the lock; the file itself stays, harmless
}

bool SingleInstanceLock::acquire() {
  if (fDescriptor >= 0) return true;
  const std::filesystem::path path = lockFilePath();
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (descriptor < 0) {
    std::cerr << "SingleInstanceLock: cannot open \"" << path.string() << "\": " << std::strerror(errno) << '\n';
    return false;
  }
  if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) {
      std::cerr << "SingleInstanceLock: cannot lock \"" << path.string() << "\": " << std::strerror(errno) << '\n';
    }
    ::close(descriptor);
    return false;
  }
  fDescriptor = descriptor;
  return true;
}

}  // namespace vorl
