// The printer type names (the program's string list 4002): shown in the main window and the print log, written
// into the print-count report, and keys of the daily print-count store. Stored files hold them, so they never
// change.
#pragma once

#include <cstdint>

#include "platform/text/pascal_string.h"

namespace vorl {

// The name of printer type 1 to 57 (Mac Roman); empty for any other number.
Str255 getStringFromPrinterType(std::int16_t printerType);

}  // namespace vorl
