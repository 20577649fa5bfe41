#include "jobs/counts/print_count_report.h"

#include <sys/stat.h>

#include "foundation/text/date_time.h"
#include "foundation/services/messages.h"
#include "jobs/counts/print_count_file.h"
#include "jobs/reading/printer_type_names.h"
#include "platform/files/apple_double.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

constexpr std::int16_t kLastReportedPrinterType = 58;
constexpr std::int16_t kLastCanvas = 40;

// The canvas column: the canvas number.
std::string getCanvasString(std::int16_t /*printerType*/, std::int16_t canvas) { return std::to_string(canvas); }

void tellOperator(const std::string& text) { DisplayNormalMessage(text.c_str()); }

}  // namespace

std::string printCountReportDefaultName(bool isProcessor) {
  return std::string(getCurrentDateString(2).macRoman()) + (isProcessor ? " - Zeverezoz" : " - Vorl-X");
}

std::string printCountReportText(const tPrintQuantityInfo& allTime, const tPrintQuantityInfo& today,
                                 std::string_view dateText) {
  std::string text;
  for (std::int16_t printer = 1; printer <= kLastReportedPrinterType; ++printer) {
    for (std::int16_t canvas = 1; canvas <= kLastCanvas; ++canvas) {
      const std::int32_t total = allTime.canvasCounts[printer][canvas];
      if (total == 0) continue;
      text += dateText;
      text += '\t';
      text += getStringFromPrinterType(printer).macRoman();
      text += '\t';
      text += getCanvasString(printer, canvas);
      text += '\t';
      text += std::to_string(today.canvasCounts[printer][canvas]);
      text += '\t';
      text += std::to_string(total);
      text += '\r';
    }
  }
  return text;
}

std::int16_t createReport(bool isProcessor, const std::filesystem::path& destination) {
  tPrintQuantityInfo allTime, today;
  std::int16_t result = getPrintCount(allTime, isProcessor, false);
  if (result == noErr) result = getPrintCount(today, isProcessor, true);
  if (result != noErr) {
    tellOperator("An unexpected error occured in getPrintCount");
    return result;
  }
  const std::string text = printCountReportText(allTime, today, getCurrentDateString(2).macRoman());
  TempFile temp;
  OSErr error = temp.open(destination.parent_path(), 0666);
  if (error == noErr) {
    static_cast<void>(::fchmod(temp.fd(), 0666));
    error = temp.write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  }
  if (error == noErr) error = temp.commit(destination, true);
  if (error != noErr) {
    systemLogf("createReport: [%s] cannot be written, error %d", destination.c_str(), error);
    tellOperator("The print count report \"" + destination.filename().string() + "\" could not be written (error " +
                 std::to_string(error) + ").");
    return error;
  }
  FInfo info;
  info.fdType = fourCharCode("TEXT");
  info.fdCreator = fourCharCode("QZKb");
  static_cast<void>(setFinderInfo(destination, info));
  return noErr;
}

}  // namespace vorl
