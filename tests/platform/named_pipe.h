// A named pipe that nobody writes to. A plain open for reading waits on it until a writer comes, which in the
// processor would be never. `finishesPromptly` runs a call that meets the pipe on a thread of its own; if the
// call is still waiting after the grace period, the test opens the pipe for writing and closes it again, so the
// call can end and the test can report the wait instead of hanging.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

namespace vorl::test {

class NamedPipe {
 public:
  explicit NamedPipe(std::filesystem::path path) : path_(std::move(path)) { ok_ = ::mkfifo(path_.c_str(), 0600) == 0; }
  NamedPipe(const NamedPipe&) = delete;
  NamedPipe& operator=(const NamedPipe&) = delete;

  bool made() const noexcept { return ok_; }
  const std::filesystem::path& path() const noexcept { return path_; }

  bool finishesPromptly(const std::function<void()>& call,
                        std::chrono::milliseconds grace = std::chrono::milliseconds(3000)) const {
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread worker([&] {
      call();
      done.set_value();
    });
    const bool prompt = finished.wait_for(grace) == std::future_status::ready;
    while (finished.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
      const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
    }
    worker.join();
    return prompt;
  }

 private:
  std::filesystem::path path_;
  bool ok_ = false;
};

}  // namespace vorl::test
