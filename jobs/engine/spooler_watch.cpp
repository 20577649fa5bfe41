#include "jobs/engine/spooler_watch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/system/system_log.h"

namespace vorl {

namespace {
// A finished job file arrives by a rename (producers write under a temporary name) or is written in place; the
// folder itself may be removed or moved away.
constexpr std::uint32_t kEvents = IN_MOVED_TO | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE_SELF | IN_MOVE_SELF;
}  // namespace

SpoolerFolderWatch::SpoolerFolderWatch(std::function<void()> changed) : changed_(std::move(changed)) {
  inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  stop_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (inotify_ < 0 || stop_ < 0) {
    systemLogf("The spooler folder cannot be watched: %s", std::strerror(errno));
    return;
  }
  thread_ = std::thread([this] { run(); });
}

SpoolerFolderWatch::~SpoolerFolderWatch() {
  if (thread_.joinable()) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
    thread_.join();
  }
  if (inotify_ >= 0) ::close(inotify_);
  if (stop_ >= 0) ::close(stop_);
}

bool SpoolerFolderWatch::watch(const std::filesystem::path& folder) {
  std::lock_guard lock(mutex_);
  if (inotify_ < 0) return false;
  if (watch_ >= 0 && folder == folder_) return true;
  if (watch_ >= 0) ::inotify_rm_watch(inotify_, watch_);
  watch_ = ::inotify_add_watch(inotify_, folder.c_str(), kEvents | IN_ONLYDIR);
  folder_ = watch_ >= 0 ? folder : std::filesystem::path();
  if (watch_ < 0) systemLogf("The spooler folder %s cannot be watched: %s", folder.c_str(), std::strerror(errno));
  return watch_ >= 0;
}

void SpoolerFolderWatch::run() {
  std::array<pollfd, 2> waits{{{inotify_, POLLIN, 0}, {stop_, POLLIN, 0}}};
  alignas(inotify_event) std::array<char, 4096> events;
  for (;;) {
    if (::poll(waits.data(), waits.size(), -1) < 0) {
      if (errno == EINTR) continue;
      systemLogf("Watching the spooler folder stopped: %s", std::strerror(errno));
      return;
    }
    if (waits[1].revents != 0) return;
    if (waits[0].revents == 0) continue;
    bool any = false;
    while (::read(inotify_, events.data(), events.size()) > 0) any = true;
    if (any) changed_();
  }
}

}  // namespace vorl
