// The counts of chosen days, for the print-count window: dates as seconds since 1904-01-01 in local wall-clock
// time (the unit of the window's date fields), the count files of one day or a range of days, and the daily
// stores over a range. Nothing here creates a file: a day without a file counts as zero.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "jobs/counts/print_count_record.h"

namespace vorl {

inline constexpr std::int64_t kSecondsPerDay = 86400;

// Now, as seconds since 1904-01-01 local time.
std::int64_t currentLongDateTime();
// The local calendar date of such seconds, and back (midnight).
struct CalendarDay {
  int year = 1904;
  int month = 1;
  int day = 1;
};
CalendarDay calendarDayOf(std::int64_t dateTime);
std::int64_t longDateTimeOf(const CalendarDay& day);

// The date text of a day file: MM-DD-YYYY.
std::string countFileDateText(std::int64_t dateTime);

// The day file of that day and mode; zeros when it does not exist. The result of `getPrintCount` otherwise.
std::int16_t readDayCountFile(tPrintQuantityInfo& record, std::int64_t dateTime, bool isProcessor);

// The seven totals the window shows, in its column order: regular, print to file, second print to file, CD, CD
// write, system printing, save as composition.
using WindowTotals = std::array<std::int64_t, 8>;
WindowTotals windowTotalsOf(const tPrintQuantityInfo& record);

// The totals of the day files of the mode from `start` to `end` inclusive, a day at a time; zeros when `start` is
// after `end`.
WindowTotals sumDayCountFiles(std::int64_t start, std::int64_t end, bool isProcessor);

// The totals of the daily stores of the mode over the days, in the window's column order: regular, print to file,
// USB flash, CD, CD write, system printing, save as composition, USB. The stores are only read.
WindowTotals sumDailyStores(std::int64_t start, std::int64_t end, bool isVorlX);

}  // namespace vorl
