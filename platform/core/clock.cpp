#include "platform/core/clock.h"

#include <atomic>
#include <ctime>
#include <thread>

namespace vorl {
namespace {

class SystemClock final : public Clock {
 public:
  std::chrono::system_clock::time_point now() const override { return std::chrono::system_clock::now(); }

  std::uint32_t ticks() const override {
    using Tick = std::chrono::duration<std::int64_t, std::ratio<1, 60>>;
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return static_cast<std::uint32_t>(std::chrono::duration_cast<Tick>(elapsed).count());
  }

  void sleepTicks(std::uint32_t ticks) override {
    std::this_thread::sleep_for(std::chrono::microseconds(std::int64_t{ticks} * 1'000'000 / 60));
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

SystemClock& systemClock() noexcept {
  static SystemClock clock;
  return clock;
}

std::atomic<Clock*> gInstalledClock{nullptr};

}  // namespace

Clock& currentClock() noexcept {
  Clock* installed = gInstalledClock.load(std::memory_order_acquire);
  return installed ? *installed : systemClock();
}

void setClock(Clock* clock) noexcept { gInstalledClock.store(clock, std::memory_order_release); }

std::uint32_t TickCount() noexcept { return currentClock().ticks(); }

DateTimeRec localDateTime(std::chrono::system_clock::time_point moment) noexcept {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
  std::tm local{};
  localtime_r(&seconds, &local);
  DateTimeRec result;
  result.year = static_cast<std::int16_t>(local.tm_year + 1900);
  result.month = static_cast<std::int16_t>(local.tm_mon + 1);
  result.day = static_cast<std::int16_t>(local.tm_mday);
  result.hour = static_cast<std::int16_t>(local.tm_hour);
  result.minute = static_cast<std::int16_t>(local.tm_min);
  result.second = static_cast<std::int16_t>(local.tm_sec);
  result.dayOfWeek = static_cast<std::int16_t>(local.tm_wday + 1);
  return result;
}

void GetTime(DateTimeRec* dateTime) noexcept {
  if (dateTime) *dateTime = localDateTime(currentClock().now());
}

}  // namespace vorl
