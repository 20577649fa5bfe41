// What the main window shows for a job's printer: the road its page takes out of the program, with the type.
//
// The stored printer names ("Printer 34") stay what the print log and the count files hold; the window tells the
// operator where the page goes instead.
#pragma once

#include <QString>
#include <cstdint>

namespace vorl {

// `setNumber` is the job's print-to-file set (1 to 8; any other shows no letter), `handOff` whether the
// print-centre settings ask for the JPEG and property-list hand-off instead of a print-data file. Type 0 (no
// job) shows nothing.
QString printerRouteName(std::int16_t printerType, std::int16_t setNumber, bool handOff);

}  // namespace vorl
