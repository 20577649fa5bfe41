#include "platform/core/baton.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace vorl {
namespace {

// A ticket lock: whoever asked first gets the baton next, so a thread that yields and asks again always lets a
// waiting thread run first (a plain mutex may hand it straight back).
std::mutex gMutex;
std::condition_variable gTurn;
std::uint64_t gNextTicket = 0;
std::uint64_t gServing = 0;
thread_local bool tHeld = false;

}  // namespace

void acquireBaton() {
  std::unique_lock lock(gMutex);
  const std::uint64_t ticket = gNextTicket++;
  gTurn.wait(lock, [ticket] { return gServing == ticket; });
  tHeld = true;
}

void releaseBaton() {
  {
    std::lock_guard lock(gMutex);
    tHeld = false;
    ++gServing;
  }
  gTurn.notify_all();
}

bool batonHeldByThisThread() noexcept { return tHeld; }

BatonRelease::BatonRelease() : wasHeld_(tHeld) {
  if (wasHeld_) releaseBaton();
}

BatonRelease::~BatonRelease() {
  if (wasHeld_) acquireBaton();
}

void yieldBaton() {
  BatonRelease release;
  std::this_thread::yield();
}

}  // namespace vorl
