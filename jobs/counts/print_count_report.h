// The print-count report: for every printer type and canvas counted since the last reset, one line of today's
// date, the printer type's name, the canvas, today's count and the all-time count, separated by tabs and ended by
// a carriage return. The operator chooses where it goes; the save dialog belongs to the application.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "jobs/counts/print_count_record.h"

namespace vorl {

// Today's date ("Fri, Dec 11, 2026") and " - Zeverezoz" or " - Vorl-X".
std::string printCountReportDefaultName(bool isProcessor);

// The report's bytes (Mac Roman): printer types 1 to 58, canvases 1 to 40, the pairs whose all-time count is not 0.
std::string printCountReportText(const tPrintQuantityInfo& allTime, const tPrintQuantityInfo& today,
                                 std::string_view dateText);

// Reads the mode's all-time and today's files and writes the report to `destination` (a temporary file renamed
// over whatever is there). A failure is shown to the operator and answered; the old file then stays.
std::int16_t createReport(bool isProcessor, const std::filesystem::path& destination);

}  // namespace vorl
