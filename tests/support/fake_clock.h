// A clock that stands still until told: a fixed wall-clock moment and a tick count that only sleeping or the
// test advances. Installs itself for its lifetime.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/core/clock.h"

namespace vorl::test {

class FakeClock final : public Clock {
 public:
  FakeClock();
  ~FakeClock() override;
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  std::chrono::system_clock::time_point now() const override { return now_; }
  std::uint32_t ticks() const override { return ticks_; }
  void sleepTicks(std::uint32_t ticks) override {
    ticks_ += ticks;
    slept_ += ticks;
  }

  // Local (the tests run with TZ=UTC) date and time.
  void setLocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
  void setTicks(std::uint32_t ticks) { ticks_ = ticks; }
  void advanceTicks(std::uint32_t ticks) { ticks_ += ticks; }
  std::uint32_t ticksSlept() const { return slept_; }

 private:
  std::chrono::system_clock::time_point now_{};
  std::uint32_t ticks_ = 1000;
  std::uint32_t slept_ = 0;
};

}  // namespace vorl::test
