#include "jobs/print_count_store.h"

#include <filesystem>
#include <optional>

#include "jobs/daily_print_counts.h"
#include "jobs/print_count_file.h"
#include "jobs/print_count_hook.h"
#include "platform/system_log.h"

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

void installPrintCountStore() {
  setPrintCountAdder([](std::int16_t quantity, std::int16_t kind, std::int16_t printerType, std::int16_t canvas) {
    static_cast<void>(addToPrintCount(quantity, kind, printerType, canvas, true, false));
    static_cast<void>(addToPrintCount(quantity, kind, printerType, canvas, true, true));
  });
}

}  // namespace vorl
