// The multiprocessor job pool.
#include "imaging/parallel/job_pool.h"

#include <pthread.h>
#include <sched.h>

#include <latch>
#include <memory>

namespace vorl {

bool gThreaded = false;

namespace {

constexpr OSStatus kNoPool = -29295;  // kMPInvalidIDErr: the pool was not started

// Set on the pool's own threads: a pass started from inside a job runs there, since waiting for the pool from
// one of its threads could wait for itself.
thread_local bool tOnPoolThread = false;

std::unique_ptr<JobPool>& processPool() {
  static std::unique_ptr<JobPool> pool;
  return pool;
}

}  // namespace

int usableProcessorCount() noexcept {
  // The processors this process may run on (a container or taskset may allow fewer than the machine has).
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    const int count = CPU_COUNT(&allowed);
    if (count > 0) return count;
  }
  const unsigned processors = std::thread::hardware_concurrency();
  return processors == 0 ? 1 : static_cast<int>(processors);
}

JobPool::JobPool(int threads) {
  const int count = threads < 1 ? 1 : threads;
  threads_.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) threads_.emplace_back([this] { work(); });
}

JobPool::~JobPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void JobPool::work() {
  tOnPoolThread = true;
  // Named so that a look at the running program (top -H, /proc/<pid>/task) shows the pool at work.
  pthread_setname_np(pthread_self(), "vorl job pool");
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    job.run();
    {
      std::lock_guard lock(mutex_);
      finish(job.ticket);
    }
    finished_.notify_all();
  }
}

// Jobs finish out of order; a wait needs to know that every ticket before its own has finished, not how many
// have: a quick job queued after the wait must not stand in for a slow one queued before it.
void JobPool::finish(std::int64_t ticket) {
  if (ticket != finishedBelow_) {
    finishedAbove_.insert(ticket);
    return;
  }
  ++finishedBelow_;
  while (!finishedAbove_.empty() && *finishedAbove_.begin() == finishedBelow_) {
    finishedAbove_.erase(finishedAbove_.begin());
    ++finishedBelow_;
  }
}

void JobPool::submit(MPJobProcedure procedure, void* parameter1, void* parameter2) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({submitted_++, [procedure, parameter1, parameter2] {
                        if (procedure) procedure(parameter1, parameter2);
                      }});
  }
  ready_.notify_one();
}

void JobPool::wait() {
  std::unique_lock lock(mutex_);
  const std::int64_t target = submitted_;
  finished_.wait(lock, [this, target] { return finishedBelow_ >= target; });
}

void JobPool::run(int count, const std::function<void(int)>& job) {
  if (count <= 0) return;
  if (tOnPoolThread) {
    for (int i = 0; i < count; ++i) job(i);
    return;
  }
  std::latch allDone(count);
  {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < count; ++i)
      queue_.push_back({submitted_++, [&job, &allDone, i] {
                          job(i);
                          allDone.count_down();
                        }});
  }
  ready_.notify_all();
  allDone.wait();
}

OSStatus MPJobs_Init() { return MPJobs_Init(usableProcessorCount()); }

OSStatus MPJobs_Init(int threads) {
  if (!processPool()) processPool() = std::make_unique<JobPool>(threads);
  gThreaded = processPool()->threadCount() > 1;
  return 0;
}

OSStatus MPJobs_Submit(MPJobProcedure procedure, void* parameter1, void* parameter2) {
  if (!processPool()) return kNoPool;
  processPool()->submit(procedure, parameter1, parameter2);
  return 0;
}

OSStatus MPJobs_Wait() {
  if (!processPool()) return kNoPool;
  processPool()->wait();
  return 0;
}

JobPool* processJobPool() noexcept { return processPool().get(); }

}  // namespace vorl
