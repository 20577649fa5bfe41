#include "tests/app/worker_gate.h"

#include <atomic>
#include <shared_mutex>
#include <stdexcept>

#include "jobs/engine/job_task_manager.h"
#include "jobs/engine/job_worker.h"

namespace vorl::test {
namespace {

std::atomic<WorkerGate*> gGate{nullptr};
// A worker inside the gate holds this shared; removing the gate waits for it to leave.
std::shared_mutex gInside;

}  // namespace

WorkerGate::WorkerGate(std::uint16_t heldTask) : heldTask_(heldTask) {
  WorkerGate* none = nullptr;
  if (!gGate.compare_exchange_strong(none, this)) throw std::logic_error("one worker gate at a time");
  setWorkerPassGate(&WorkerGate::pass);
}

WorkerGate::~WorkerGate() {
  open();
  setWorkerPassGate(nullptr);
  std::unique_lock waitForTheWorkerToLeave(gInside);
  gGate.store(nullptr);
}

void WorkerGate::letThrough(int steps) {
  std::lock_guard lock(mutex_);
  permits_ += steps;
  changed_.notify_all();
}

void WorkerGate::open() {
  std::lock_guard lock(mutex_);
  open_ = true;
  changed_.notify_all();
}

bool WorkerGate::waitUntilHeld(std::chrono::seconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [this] { return held_; });
}

bool WorkerGate::waitForPasses(int count, std::chrono::seconds limit) {
  std::unique_lock lock(mutex_);
  const long target = passes_ + count;
  return changed_.wait_for(lock, limit, [&] { return passes_ >= target; });
}

void WorkerGate::pass(const TPrintJobTaskManager& manager) {
  std::shared_lock inside(gInside);
  if (WorkerGate* gate = gGate.load()) gate->arrive(manager);
}

void WorkerGate::arrive(const TPrintJobTaskManager& manager) {
  std::unique_lock lock(mutex_);
  ++passes_;
  changed_.notify_all();
  if (!manager.IsActive() || manager.currentTask() != heldTask_) return;
  while (!open_ && permits_ == 0) {
    held_ = true;
    changed_.notify_all();
    changed_.wait(lock);
  }
  held_ = false;
  if (!open_) --permits_;
}

}  // namespace vorl::test
