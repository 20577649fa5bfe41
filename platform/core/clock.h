// The clocks: the wall clock for dates and names, and the tick count (60 a second) for intervals and waits.
// Tests install their own `Clock` so that dates and intervals are stable.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/core/mac_types.h"

namespace vorl {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::system_clock::time_point now() const = 0;
  // Ticks (1/60 s) since some fixed start; wraps after about 828 days, so compare differences only.
  virtual std::uint32_t ticks() const = 0;
  virtual void sleepTicks(std::uint32_t ticks) = 0;
};

// The clock in use: the system's, unless a test installed another. `setClock(nullptr)` restores the system's.
Clock& currentClock() noexcept;
void setClock(Clock* clock) noexcept;

std::uint32_t TickCount() noexcept;
// The current local date and time.
void GetTime(DateTimeRec* dateTime) noexcept;
// Local date and time of any moment.
DateTimeRec localDateTime(std::chrono::system_clock::time_point moment) noexcept;

}  // namespace vorl
