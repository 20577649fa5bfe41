#include "jobs/reading/printer_type_names.h"

#include <string>

namespace vorl {

Str255 getStringFromPrinterType(std::int16_t printerType) {
  if (printerType < 1 || printerType > 57) return Str255();
  std::string name;
  if (printerType == 8) {
    name = "System Printer";
  } else if (printerType == 17) {
    name = "Print To File Folder";
  } else if ((printerType >= 25 && printerType <= 28) || (printerType >= 49 && printerType <= 52)) {
    name = "Print To File Set " + std::to_string(printerType);
  } else {
    name = "Printer " + std::to_string(printerType);
  }
  return Str255(name);
}

}  // namespace vorl
