// The baton: one side at a time on the shared state, handed over in the order it was asked for. The threads here
// stand for the job worker and the main thread.
#include "platform/core/baton.h"

#include <gtest/gtest.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <latch>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorl {
namespace {

using namespace std::chrono_literals;

// Runs `work` on its own thread and answers whether it finished in time. A thread that did not is left behind
// (detached) so that a broken baton fails the test instead of hanging the program.
bool finishesWithin(std::function<void()> work, std::chrono::milliseconds limit) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  std::thread runner([work = std::move(work), done] {
    work();
    done->set_value();
  });
  if (finished.wait_for(limit) == std::future_status::ready) {
    runner.join();
    return true;
  }
  runner.detach();
  return false;
}

// True once the thread sleeps in the kernel: for a thread whose only blocking call is acquireBaton, that means
// it has drawn its ticket and waits for its turn.
bool waitUntilSleeping(pid_t tid) {
  const std::string statFile = "/proc/self/task/" + std::to_string(tid) + "/stat";
  for (int attempt = 0; attempt < 2000; ++attempt) {
    std::ifstream in(statFile);
    std::string line;
    std::getline(in, line);
    // "tid (name) S ...": the state follows the last ')'.
    const auto close = line.rfind(')');
    if (close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'S') return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

TEST(Baton, HoldMarksOnlyTheHoldingThread) {
  EXPECT_FALSE(batonHeldByThisThread());
  {
    BatonHold hold;
    EXPECT_TRUE(batonHeldByThisThread());
    bool seenElsewhere = true;
    std::thread other([&] { seenElsewhere = batonHeldByThisThread(); });
    other.join();
    EXPECT_FALSE(seenElsewhere);
  }
  EXPECT_FALSE(batonHeldByThisThread());
}

TEST(Baton, ReleaseLetsAnotherThreadInAndTakesTheBatonBack) {
  BatonHold hold;
  {
    BatonRelease release;
    EXPECT_FALSE(batonHeldByThisThread());
    EXPECT_TRUE(finishesWithin([] { BatonHold other; }, 10s));
  }
  EXPECT_TRUE(batonHeldByThisThread());
}

// Releasing a baton this thread does not hold would hand out a turn that is nobody's and stall every later
// acquisition; so would yielding it.
TEST(Baton, ReleaseOrYieldWithoutHoldingDoesNothing) {
  const struct {
    const char* name;
    void (*letGo)();
  } cases[] = {
      {"release", [] { BatonRelease release; }},
      {"yield", [] { yieldBaton(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto heldAfter = std::make_shared<std::atomic<bool>>(true);
    ASSERT_TRUE(finishesWithin(
        [letGo = c.letGo, heldAfter] {
          letGo();
          *heldAfter = batonHeldByThisThread();
        },
        10s));
    EXPECT_FALSE(*heldAfter);

    std::atomic<int> holders{0};
    std::atomic<int> most{0};
    const auto holdOnce = [&] {
      BatonHold hold;
      const int now = ++holders;
      int seen = most.load();
      while (now > seen && !most.compare_exchange_weak(seen, now)) {
      }
      std::this_thread::sleep_for(5ms);
      --holders;
    };
    ASSERT_TRUE(finishesWithin(
        [&] {
          std::thread a(holdOnce), b(holdOnce);
          holdOnce();
          a.join();
          b.join();
        },
        10s));
    EXPECT_EQ(most.load(), 1);
  }
}

// Both threads hold the baton for the whole loop, as a job step does, and give the other a turn between
// increments. The read-modify-write is stretched by a processor yield, so any overlap loses an increment.
TEST(Baton, TwoHoldersNeverOverlap) {
  constexpr int kRounds = 2000;
  int counter = 0;
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> handovers{0};
  std::atomic<int> lastHolder{-1};
  std::latch start(2);
  std::atomic<int> rounds{0};
  const auto worker = [&](int who) {
    start.arrive_and_wait();
    BatonHold hold;
    // At least kRounds each, and on until the turns have changed hands a few times: on a loaded machine the
    // other thread may not be waiting yet during the first rounds.
    for (int i = 0; i < kRounds || handovers.load() <= 2; ++i) {
      ++rounds;
      if (++inside != 1) ++overlaps;
      if (lastHolder.exchange(who) != who) ++handovers;
      const int value = counter;
      std::this_thread::yield();
      counter = value + 1;
      --inside;
      yieldBaton();
      EXPECT_TRUE(batonHeldByThisThread());
    }
  };
  ASSERT_TRUE(finishesWithin(
      [&] {
        std::thread a(worker, 0), b(worker, 1);
        a.join();
        b.join();
      },
      60s));
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(counter, rounds.load());
  EXPECT_GT(handovers.load(), 2);  // the turns did interleave, so an overlap had its chance
}

// The thread that yields asks again behind the one already waiting, so the waiting thread always runs first.
TEST(Baton, YieldingThreadLetsTheWaitingThreadRunFirst) {
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    std::mutex logMutex;
    std::vector<std::string> log;
    const auto note = [&](const char* what) {
      std::lock_guard lock(logMutex);
      log.emplace_back(what);
    };
    std::promise<pid_t> waiterTid;
    std::future<pid_t> tid = waiterTid.get_future();

    BatonHold hold;
    std::thread waiter([&] {
      waiterTid.set_value(gettid());
      BatonHold waiting;
      note("waiter");
    });
    ASSERT_TRUE(waitUntilSleeping(tid.get()));
    yieldBaton();
    note("yielder");
    EXPECT_TRUE(batonHeldByThisThread());
    {
      BatonRelease release;  // lets the waiter finish before it is joined
      waiter.join();
    }
    EXPECT_EQ(log, (std::vector<std::string>{"waiter", "yielder"}));
  }
}

}  // namespace
}  // namespace vorl
