#include "foundation/services/event_pump.h"

#include <atomic>

#include "platform/core/baton.h"
#include "platform/core/clock.h"

namespace vorl {
namespace {

bool switchOff() { return false; }

std::atomic<UpdateAllWindowsHook> gUpdateHook{&yieldBaton};
std::atomic<PollEventsSwitchHook> gSwitchHook{&switchOff};
// Tick count at the last update made by myPollEventOnTicks.
std::atomic<std::int32_t> gLastTicks{0};

bool pollSwitchOn() { return gSwitchHook.load(std::memory_order_acquire)(); }

}  // namespace

void setUpdateAllWindowsHook(UpdateAllWindowsHook hook) noexcept {
  gUpdateHook.store(hook ? hook : &yieldBaton, std::memory_order_release);
}

void setPollEventsSwitchHook(PollEventsSwitchHook hook) noexcept {
  gSwitchHook.store(hook ? hook : &switchOff, std::memory_order_release);
}

void myNewApplicationPollEvent() { gUpdateHook.load(std::memory_order_acquire)(); }
void myApplicationPollEvent() { myNewApplicationPollEvent(); }
void doApplicationPollEvent() { myNewApplicationPollEvent(); }

void myPollEvent() {
  if (pollSwitchOn()) doApplicationPollEvent();
}

void myPollEventOnTicks() {
  if (!pollSwitchOn()) return;
  const auto last = static_cast<std::uint32_t>(gLastTicks.load(std::memory_order_relaxed));
  if (TickCount() > last + static_cast<std::uint32_t>(gPollTicks)) {
    doApplicationPollEvent();
    // Read again after the update, so the time it took does not count towards the next interval.
    gLastTicks.store(static_cast<std::int32_t>(TickCount()), std::memory_order_relaxed);
  }
}

std::int32_t myGetLastPollTicks() noexcept { return gLastTicks.load(std::memory_order_relaxed); }

std::int32_t mySetLastPollTicks(std::int32_t ticks) noexcept {
  const std::int32_t stored = ticks < 1 ? 0 : ticks;
  gLastTicks.store(stored, std::memory_order_relaxed);
  return stored;
}

std::int16_t myGetPollTicks() noexcept { return gPollTicks; }

}  // namespace vorl
