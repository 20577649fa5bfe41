// The job pool: every job runs once with its own parameters, a wait ends only when the jobs queued before it
// have finished, and results computed on the pool equal those computed on one thread. Gates (jobs held until
// the test lets them go) make the order of events certain, so no assertion depends on timing; a short sleep
// only gives a wrong pool the chance to show itself.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "imaging/parallel/job_pool.h"

namespace vorl::test {
namespace {

// Jobs held until `open` is called.
class Gate {
 public:
  void pass() {
    ++waiting_;
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
  }
  void open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }
  // Spins until `count` jobs wait at the gate.
  void awaitWaiting(int count) const {
    while (waiting_.load() < count) std::this_thread::yield();
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
  std::atomic<int> waiting_{0};
};

struct GatedJob {
  Gate* gate;
  std::atomic<bool> finished{false};
};
void runGated(void* parameter1, void*) {
  auto* job = static_cast<GatedJob*>(parameter1);
  job->gate->pass();
  job->finished = true;
}

void setFlag(void* parameter1, void*) { static_cast<std::atomic<bool>*>(parameter1)->store(true); }

// The sum of the integers in [first, end), as a job writes it into its slot.
struct SumJob {
  std::int64_t first, end;
  std::int64_t sum = 0;
  int runs = 0;
};
void runSum(void* parameter1, void* parameter2) {
  auto* job = static_cast<SumJob*>(parameter1);
  for (std::int64_t i = job->first; i < job->end; ++i) job->sum += i * *static_cast<int*>(parameter2);
  ++job->runs;
}

std::atomic<int> gJobsRun{0};
void countJob(void* parameter1, void*) { gJobsRun += *static_cast<int*>(parameter1); }

TEST(JobPool, WaitReturnsOnlyWhenEveryJobSubmittedSinceTheLastWaitHasRun) {
  JobPool pool(3);
  int one = 1;
  for (int round = 0; round < 3; ++round) {
    gJobsRun = 0;
    for (int i = 0; i < 40; ++i) pool.submit(countJob, &one, nullptr);
    pool.submit(nullptr, nullptr, nullptr);  // a job without a procedure does nothing
    pool.wait();
    EXPECT_EQ(gJobsRun.load(), 40) << round;
  }
}

TEST(JobPool, EverySubmittedJobRunsOnceWithItsOwnParameters) {
  const struct { int threads, jobs; } cases[] = {{1, 50}, {2, 200}, {8, 500}, {0, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, " << c.jobs << " jobs");
    JobPool pool(c.threads);
    EXPECT_EQ(pool.threadCount(), std::max(1, c.threads));
    std::vector<SumJob> jobs;
    for (int i = 0; i < c.jobs; ++i) jobs.push_back({1000 * i, 1000 * i + 37 + i % 11});
    std::vector<int> factors(static_cast<std::size_t>(c.jobs));
    std::iota(factors.begin(), factors.end(), 1);
    for (int i = 0; i < c.jobs; ++i)
      pool.submit(runSum, &jobs[static_cast<std::size_t>(i)], &factors[static_cast<std::size_t>(i)]);
    pool.wait();
    for (int i = 0; i < c.jobs; ++i) {
      const SumJob& job = jobs[static_cast<std::size_t>(i)];
      std::int64_t expected = 0;
      for (std::int64_t k = job.first; k < job.end; ++k) expected += k * (i + 1);
      ASSERT_EQ(job.runs, 1) << i;
      ASSERT_EQ(job.sum, expected) << i;
    }
  }
}

TEST(JobPool, WaitReturnsOnlyAfterItsJobsHaveFinished) {
  for (int threads : {1, 2, 4}) {
    SCOPED_TRACE(testing::Message() << threads << " threads");
    JobPool pool(threads);
    Gate gate;
    std::vector<GatedJob> jobs(5);
    for (GatedJob& job : jobs) {
      job.gate = &gate;
      pool.submit(runGated, &job, nullptr);
    }
    std::atomic<bool> returned{false};
    int finishedAtReturn = -1;
    std::thread waiter([&] {
      pool.wait();
      finishedAtReturn = 0;
      for (const GatedJob& job : jobs) finishedAtReturn += job.finished ? 1 : 0;
      returned = true;
    });
    gate.awaitWaiting(std::min(threads, 5));  // as many jobs as threads are held; the rest are queued
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned.load());
    gate.open();
    waiter.join();
    EXPECT_EQ(finishedAtReturn, 5);
  }
}

// Two callers on one pool: a quick job queued by one must not end the other's wait for its slow job.
TEST(JobPool, AWaitIsNotEndedByJobsQueuedAfterIt) {
  const struct {
    const char* what;
    bool throughRun;
  } cases[] = {{"the second caller submits", false}, {"the second caller runs a batch", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    JobPool pool(2);
    Gate gate;
    GatedJob slow;
    slow.gate = &gate;
    pool.submit(runGated, &slow, nullptr);
    gate.awaitWaiting(1);
    std::atomic<bool> returned{false};
    bool slowFinishedAtReturn = false;
    std::thread waiter([&] {
      pool.wait();
      slowFinishedAtReturn = slow.finished;
      returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the waiter is now waiting
    std::atomic<bool> quickRan{false};
    if (c.throughRun) {
      pool.run(3, [&](int) { quickRan = true; });
    } else {
      pool.submit(setFlag, &quickRan, nullptr);
      while (!quickRan.load()) std::this_thread::yield();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned.load());
    gate.open();
    waiter.join();
    EXPECT_TRUE(slowFinishedAtReturn);
    pool.wait();
  }
}

// Submitters on several threads at once, each waiting for its own batch, with batches through run() among
// them: every sum comes out as on one thread.
TEST(JobPool, ConcurrentCallersGetTheResultsOfOneThread) {
  JobPool pool(4);
  constexpr int kCallers = 4, kRounds = 20, kJobs = 16;
  std::vector<std::vector<SumJob>> jobs(kCallers, std::vector<SumJob>(kJobs));
  std::vector<std::vector<std::int64_t>> runSums(kCallers, std::vector<std::int64_t>(kJobs));
  std::vector<std::thread> callers;
  std::atomic<int> wrong{0};
  int factor = 3;
  for (int t = 0; t < kCallers; ++t)
    callers.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        std::vector<SumJob>& mine = jobs[static_cast<std::size_t>(t)];
        for (int i = 0; i < kJobs; ++i) {
          mine[static_cast<std::size_t>(i)] = {round * 1000 + i * 50, round * 1000 + i * 50 + 40 + t};
          pool.submit(runSum, &mine[static_cast<std::size_t>(i)], &factor);
        }
        std::vector<std::int64_t>& sums = runSums[static_cast<std::size_t>(t)];
        pool.run(kJobs, [&](int i) {
          std::int64_t sum = 0;
          for (int k = 0; k <= i + round; ++k) sum += k;
          sums[static_cast<std::size_t>(i)] = sum;
        });
        pool.wait();
        for (int i = 0; i < kJobs; ++i) {
          const SumJob& job = mine[static_cast<std::size_t>(i)];
          std::int64_t expected = 0;
          for (std::int64_t k = job.first; k < job.end; ++k) expected += 3 * k;
          const std::int64_t n = i + round;
          if (job.runs != 1 || job.sum != expected || sums[static_cast<std::size_t>(i)] != n * (n + 1) / 2) ++wrong;
        }
      }
    });
  for (std::thread& caller : callers) caller.join();
  EXPECT_EQ(wrong.load(), 0);
}

// A pass started from inside a job (a new offscreen filled in bands while a band is being worked) runs on that
// thread instead of waiting for the pool, whose threads may all be busy waiting the same way.
TEST(JobPool, ARunFromInsideAJobDoesNotWaitForItsOwnPool) {
  JobPool pool(2);
  std::atomic<int> inner{0};
  pool.run(4, [&](int) { pool.run(3, [&](int) { ++inner; }); });
  EXPECT_EQ(inner.load(), 12);
}

TEST(JobPool, TheProcessPoolAnswersThroughTheMultiprocessingCalls) {
  if (processJobPool() == nullptr) {
    EXPECT_NE(MPJobs_Submit(setFlag, nullptr, nullptr), 0);  // no pool yet: refused, nothing run
    EXPECT_NE(MPJobs_Wait(), 0);
  }
  const bool threadedBefore = gThreaded;
  ASSERT_EQ(MPJobs_Init(3), 0);
  ASSERT_NE(processJobPool(), nullptr);
  EXPECT_EQ(gThreaded, processJobPool()->threadCount() > 1);
  std::vector<std::atomic<bool>> flags(30);
  for (auto& flag : flags) ASSERT_EQ(MPJobs_Submit(setFlag, &flag, nullptr), 0);
  ASSERT_EQ(MPJobs_Wait(), 0);
  for (std::size_t i = 0; i < flags.size(); ++i) EXPECT_TRUE(flags[i].load()) << i;
  gThreaded = threadedBefore;  // the other tests of this process choose their own pools
}

}  // namespace
}  // namespace vorl::test
