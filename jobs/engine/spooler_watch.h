// Watching the spooler folder with inotify: a job renamed or written into it wakes the worker at once, so a job
// landing in an idle spooler is taken within milliseconds instead of at the worker's next look.
#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

namespace vorl {

class SpoolerFolderWatch {
 public:
  // `changed` is called on the watch's own thread for every batch of changes; it must only wake someone.
  explicit SpoolerFolderWatch(std::function<void()> changed);
  ~SpoolerFolderWatch();
  SpoolerFolderWatch(const SpoolerFolderWatch&) = delete;
  SpoolerFolderWatch& operator=(const SpoolerFolderWatch&) = delete;

  // Watches `folder` instead of the folder watched before; false (logged) when it cannot be watched, and the
  // worker then finds new jobs by its regular looks alone.
  bool watch(const std::filesystem::path& folder);
  const std::filesystem::path& folder() const noexcept { return folder_; }

 private:
  void run();

  std::function<void()> changed_;
  int inotify_ = -1;
  int stop_ = -1;  // an eventfd that ends the thread
  int watch_ = -1;
  std::mutex mutex_;
  std::filesystem::path folder_;
  std::thread thread_;
};

}  // namespace vorl
