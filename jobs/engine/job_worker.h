// The worker thread: while processing is on it runs the state machine's steps one after another, each under the
// baton, and gives the main thread a turn between two steps.
//
// With nothing to do (processing off, or no job in hand and none queued) it waits up to 15 ticks between two
// steps instead of spinning; `wake` ends such a wait at once (a new file in the spooler folder, seen by the
// folder watch, a switch-on, quit).
#pragma once

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "jobs/engine/spooler_watch.h"

namespace vorl {

class TPrintJobTaskManager;

// Called by the worker at the start of every pass, before it takes the baton. A test installs one to hold the
// worker at a step of its choosing and let it go when it has looked, so that nothing it checks depends on how fast
// the machine runs the steps. The program installs none; null removes it.
using WorkerPassGate = void (*)(const TPrintJobTaskManager& manager);
void setWorkerPassGate(WorkerPassGate gate) noexcept;

class TSimpleThread {
 public:
  explicit TSimpleThread(TPrintJobTaskManager& manager);
  ~TSimpleThread();  // shuts down and joins
  TSimpleThread(const TSimpleThread&) = delete;
  TSimpleThread& operator=(const TSimpleThread&) = delete;

  void Start();
  void Wake();
  // Wakes the worker whenever a file lands in `folder` (the spooler folder); a later call moves the watch.
  bool WatchFolder(const std::filesystem::path& folder) { return fFolderWatch.watch(folder); }
  // Asks the loop to end after the step in hand and waits for it. Call without holding the baton.
  void ShutdownAndJoin();
  bool IsAlive() const noexcept { return fThread.joinable() && !fFinished.load(); }

 private:
  void Run();

  TPrintJobTaskManager& fManager;
  std::atomic<bool> fShutdown{false};
  std::atomic<bool> fFinished{false};
  std::mutex fWaitMutex;
  std::condition_variable fWakeUp;
  bool fWoken = false;
  std::thread fThread;
  SpoolerFolderWatch fFolderWatch{[this] { Wake(); }};
};

}  // namespace vorl
