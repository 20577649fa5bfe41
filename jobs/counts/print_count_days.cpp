#include "jobs/counts/print_count_days.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "jobs/counts/daily_print_counts.h"
#include "jobs/counts/print_count_file.h"
#include "platform/core/clock.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

using std::chrono::days;
using std::chrono::sys_days;

constexpr sys_days kEpoch1904 = sys_days(std::chrono::year(1904) / std::chrono::January / 1);

}  // namespace

std::int64_t currentLongDateTime() {
  const DateTimeRec now = localDateTime(currentClock().now());
  return longDateTimeOf({now.year, now.month, now.day}) + now.hour * 3600 + now.minute * 60 + now.second;
}

CalendarDay calendarDayOf(std::int64_t dateTime) {
  const std::chrono::year_month_day date(
      std::chrono::floor<days>(kEpoch1904 + std::chrono::seconds(dateTime)));
  return {int(date.year()), int(unsigned(date.month())), int(unsigned(date.day()))};
}

std::int64_t longDateTimeOf(const CalendarDay& day) {
  const sys_days date = sys_days(std::chrono::year(day.year) / day.month / day.day);
  return (date - kEpoch1904).count() * kSecondsPerDay;
}

std::string countFileDateText(std::int64_t dateTime) {
  const CalendarDay day = calendarDayOf(dateTime);
  char text[32];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d", day.month, day.day, day.year);
  return text;
}

std::int16_t readDayCountFile(tPrintQuantityInfo& record, std::int64_t dateTime, bool isProcessor) {
  record = tPrintQuantityInfo{};
  const std::optional<fs::path> folder = printCountFolder();
  if (!folder) return kPrintCountNoFile;
  const fs::path file = *folder / printCountFileName(isProcessor, countFileDateText(dateTime));
  std::error_code error;
  if (!fs::exists(file, error)) return 0;
  return getPrintCount(file, record);
}

WindowTotals windowTotalsOf(const tPrintQuantityInfo& record) {
  return {record.regularCount, record.printToFileCount, record.printToFile2Count,      record.cdCount,
          record.cdWriteCount, record.chooserCount,     record.saveAsCompositionCount, 0};
}

WindowTotals sumDayCountFiles(std::int64_t start, std::int64_t end, bool isProcessor) {
  WindowTotals sums{};
  for (std::int64_t day = start; day <= end; day += kSecondsPerDay) {
    tPrintQuantityInfo record;
    if (readDayCountFile(record, day, isProcessor) != 0) continue;
    const WindowTotals totals = windowTotalsOf(record);
    for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += totals[i];
  }
  return sums;
}

WindowTotals sumDailyStores(std::int64_t start, std::int64_t end, bool isVorlX) {
  WindowTotals sums{};
  for (std::int64_t day = start; day <= end; day += kSecondsPerDay) {
    if (!printCountInfoObject::doesFileExistsAtPath(day, isVorlX)) continue;
    const std::unique_ptr<printCountInfoObject> info = printCountInfoObject::initWithLongDateTime(day, isVorlX);
    if (!info) continue;
    const WindowTotals totals{info->getRegularPrintCount(), info->getPrintToFileCount(), info->getUSBFlashCount(),
                              info->getCDCount(),           info->getCDWriteCount(),     info->getChooserCount(),
                              info->getSaveAsCompCount(),   info->getUSBCount()};
    for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += totals[i];
  }
  return sums;
}

}  // namespace vorl
