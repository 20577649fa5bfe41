#include "app/windows/printer_route_name.h"

#include <QCoreApplication>

#include "jobs/reading/printer_blocks.h"

namespace vorl {

QString printerRouteName(std::int16_t printerType, std::int16_t setNumber, bool handOff) {
  if (printerType == 0) return {};
  const auto tr = [](const char* text) { return QCoreApplication::translate("PrinterRouteName", text); };
  QString route;
  if (printerType == 8) {
    route = tr("System printer");
  } else if (printerType == 17) {
    route = tr("Print-to-file folder");
  } else if (printerFamilyOf(printerType) == PrinterFamily::PrintToFileSet) {
    route = setNumber >= 1 && setNumber <= 8 ? tr("Print-to-file set %1").arg(QChar(u'A' + (setNumber - 1)))
                                             : tr("Print-to-file set");
  } else {
    route = handOff ? tr("Hand-off to the print centre (JPEG and property list)")
                    : tr("Print-data file for the print centre");
  }
  return QCoreApplication::translate("PrinterRouteName", "%1 (type %2)").arg(route).arg(printerType);
}

}  // namespace vorl
