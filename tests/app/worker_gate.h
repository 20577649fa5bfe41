// Holds the real worker thread before its drawing steps, so that a test decides when the job in hand moves on:
// pausing, quitting or measuring "while a job draws" then never races a machine fast enough to finish the job
// first. One gate at a time; its destructor lets the worker go and removes it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vorl {
class TPrintJobTaskManager;
}

namespace vorl::test {

class WorkerGate {
 public:
  // From now on the worker stops before each step of task `heldTask` (2: draw the next object) while processing is
  // on, until it is let through.
  explicit WorkerGate(std::uint16_t heldTask = 2);
  ~WorkerGate();
  WorkerGate(const WorkerGate&) = delete;
  WorkerGate& operator=(const WorkerGate&) = delete;

  // Lets that many more held steps go.
  void letThrough(int steps);
  // Lets every step go from now on.
  void open();
  // Waits until the worker stands at the gate; false when it did not come within the limit.
  bool waitUntilHeld(std::chrono::seconds limit = std::chrono::seconds(60));
  // Waits until the worker has begun `count` more passes of its loop (held or not); false on the limit.
  bool waitForPasses(int count, std::chrono::seconds limit = std::chrono::seconds(30));

 private:
  static void pass(const TPrintJobTaskManager& manager);
  void arrive(const TPrintJobTaskManager& manager);

  const std::uint16_t heldTask_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int permits_ = 0;
  bool open_ = false;
  bool held_ = false;
  long passes_ = 0;
};

}  // namespace vorl::test
