#include "foundation/text/date_time.h"

#include <cstdio>
#include <string>

#include "platform/core/baton.h"
#include "platform/core/clock.h"

namespace vorl {
namespace {

constexpr const char* kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};

std::string longDate(const DateTimeRec& date, bool abbreviated) {
  const std::string day = kDayNames[(date.dayOfWeek - 1 + 7) % 7];
  const std::string month = kMonthNames[(date.month - 1 + 12) % 12];
  char text[64];
  std::snprintf(text, sizeof text, "%s, %s %d, %d", abbreviated ? day.substr(0, 3).c_str() : day.c_str(),
                abbreviated ? month.substr(0, 3).c_str() : month.c_str(), date.day, date.year);
  return text;
}

}  // namespace

Str255 getCurrentDateString(std::int16_t code) {
  DateTimeRec now;
  GetTime(&now);
  char text[64];
  switch (code) {
    case 0:
    case 3:
      std::snprintf(text, sizeof text, "%02d-%02d-%d", now.month, now.day, now.year);
      break;
    case 4:
      std::snprintf(text, sizeof text, "%d-%02d-%02d", now.year, now.month, now.day);
      break;
    case 99:
      std::snprintf(text, sizeof text, "%d%02d%02d", now.year, now.month, now.day);
      break;
    case 1:
      return Str255(longDate(now, false));
    default:
      return Str255(longDate(now, true));
  }
  return Str255(text);
}

Str255 getTimeString(const DateTimeRec* dateTime) {
  if (!dateTime) return Str255();
  char text[32];
  std::snprintf(text, sizeof text, "%d%02d%02d", dateTime->hour, dateTime->minute, dateTime->second);
  return Str255(text);
}

Str255 getCurrentTimeString() {
  DateTimeRec now;
  GetTime(&now);
  return getTimeString(&now);
}

void waitfor(std::int32_t ticks) {
  if (ticks <= 0) return;
  BatonRelease letOthersRun;
  currentClock().sleepTicks(static_cast<std::uint32_t>(ticks));
}

}  // namespace vorl
