#include "tests/support/fake_clock.h"

#include <ctime>

namespace vorl::test {

FakeClock::FakeClock() {
  setLocalTime(2012, 3, 7, 14, 0, 0);
  setClock(this);
}

FakeClock::~FakeClock() { setClock(nullptr); }

void FakeClock::setLocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  now_ = std::chrono::system_clock::from_time_t(std::mktime(&local));
}

}  // namespace vorl::test
