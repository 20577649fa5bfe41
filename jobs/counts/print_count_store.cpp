#include "jobs/counts/print_count_store.h"

#include <filesystem>
#include <optional>

#include "jobs/counts/daily_print_counts.h"
#include "jobs/counts/print_count_file.h"
#include "jobs/counts/print_count_hook.h"
#include "jobs/counts/replacement_batch.h"
#include "platform/system/system_log.h"

namespace vorl {

std::int16_t addToPrintCount(std::int16_t quantity, std::int16_t which, std::int16_t printer, std::int16_t canvas,
                             bool isProcessor, bool isToday) {
  const std::optional<std::filesystem::path> file = printCountFilePath(isProcessor, isToday);
  if (!file) {
    systemLogf("addToPrintCount: the print-server root folder cannot be found; %d output(s) of kind %d not counted",
               quantity, which);
    return kPrintCountNoFile;
  }
  if (!isToday) return addToPrintCountFile(*file, quantity, which, printer, canvas);
  return addToPrintCountFile(*file, quantity, which, printer, canvas, [&] {
    saveToDictionaryFile(quantity, which, printer, canvas, isProcessor);
  });
}

std::int16_t addToPrintCounts(std::int16_t quantity, std::int16_t which, std::int16_t printer, std::int16_t canvas,
                              bool isProcessor) {
  const std::optional<std::filesystem::path> allTime = printCountFilePath(isProcessor, false);
  const std::optional<std::filesystem::path> today = printCountFilePath(isProcessor, true);
  if (!allTime || !today) {
    systemLogf("addToPrintCount: the print-server root folder cannot be found; %d output(s) of kind %d not counted",
               quantity, which);
    return kPrintCountNoFile;
  }
  const std::filesystem::path files[] = {*allTime, *today};
  return addToPrintCountFiles(files, quantity, which, printer, canvas, [&](ReplacementBatch& batch) {
    return saveToDictionaryFile(quantity, which, printer, canvas, isProcessor, batch);
  });
}

void installPrintCountStore() {
  setPrintCountAdder([](std::int16_t quantity, std::int16_t kind, std::int16_t printerType, std::int16_t canvas) {
    static_cast<void>(addToPrintCounts(quantity, kind, printerType, canvas, true));
  });
}

}  // namespace vorl
