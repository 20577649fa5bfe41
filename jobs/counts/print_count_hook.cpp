#include "jobs/counts/print_count_hook.h"

#include <mutex>
#include <utility>

#include "platform/system/system_log.h"

namespace vorl {
namespace {

std::mutex& adderMutex() {
  static std::mutex mutex;
  return mutex;
}

PrintCountAdder& installedAdder() {
  static PrintCountAdder adder;
  return adder;
}

}  // namespace

void setPrintCountAdder(PrintCountAdder adder) {
  const std::scoped_lock lock(adderMutex());
  installedAdder() = std::move(adder);
}

void addToPrintCount(std::int16_t quantity, std::int16_t kind, std::int16_t printerType, std::int16_t canvas) {
  PrintCountAdder adder;
  {
    const std::scoped_lock lock(adderMutex());
    adder = installedAdder();
  }
  if (!adder) {
    systemLogf("addToPrintCount: no count store; %d output(s) of kind %d for printer type %d not counted", quantity,
               kind, printerType);
    return;
  }
  adder(quantity, kind, printerType, canvas);
}

std::int16_t countKindFor(std::int16_t printerType) noexcept {
  if (printerType == 8) return kCountSystemPrint;
  if (printerType == 17 || (printerType >= 25 && printerType <= 28) || (printerType >= 49 && printerType <= 52))
    return kCountPrintToFile;
  return kCountRegularPrint;
}

}  // namespace vorl
