// imaging/parallel/: work split over the machine's cores: the job pool (this unit), row bands that split a per-pixel
// pass over the pool with results identical to one thread, and the idle turn that keeps the progress bar alive
// during long passes.
//
// The multiprocessor job pool: threads started once for the whole run that take jobs from one queue.
//
// The pool serves data-parallel kernels inside one job step (the resize bands); whoever submits waits for its
// jobs before the step goes on, so nothing a job touches outlives the call. Jobs must not call Qt, show
// messages or take the baton.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace vorl {

using OSStatus = std::int32_t;
using MPJobProcedure = void (*)(void* parameter1, void* parameter2);

class JobPool {
 public:
  // `threads` below 1 counts as 1.
  explicit JobPool(int threads);
  ~JobPool();
  JobPool(const JobPool&) = delete;
  JobPool& operator=(const JobPool&) = delete;

  int threadCount() const noexcept { return static_cast<int>(threads_.size()); }
  // Queues one job; a null procedure is a job that does nothing.
  void submit(MPJobProcedure procedure, void* parameter1, void* parameter2);
  // Returns once every job queued before the call (by any thread, through submit or run) has finished; jobs
  // queued after it, even ones that finish first, do not end the wait.
  void wait();
  // Runs job(0) .. job(count − 1) on the pool and returns when all have finished; independent of submit/wait.
  void run(int count, const std::function<void(int)>& job);

 private:
  void work();

  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable finished_;
  struct Job {
    std::int64_t ticket = 0;
    std::function<void()> run;
  };
  void finish(std::int64_t ticket);  // with mutex_ held

  std::deque<Job> queue_;
  std::int64_t submitted_ = 0;            // tickets handed out, in queue order
  std::int64_t finishedBelow_ = 0;        // every ticket below this has finished
  std::set<std::int64_t> finishedAbove_;  // finished tickets past the first unfinished one
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// Whether the pool has more than one thread; set by MPJobs_Init.
extern bool gThreaded;

// The processors this process may run on; at least 1.
int usableProcessorCount() noexcept;

// Starts the process's pool with one thread per usable processor (once; later calls keep the pool). 0 on success.
OSStatus MPJobs_Init();
// The same with a given number of threads, for the tests and benchmarks.
OSStatus MPJobs_Init(int threads);
OSStatus MPJobs_Submit(MPJobProcedure procedure, void* parameter1, void* parameter2);
OSStatus MPJobs_Wait();
// The process's pool, null before MPJobs_Init.
JobPool* processJobPool() noexcept;

}  // namespace vorl
