// Date and time texts for file names, log lines and reports, and waiting by ticks.
#pragma once

#include <cstdint>

#include "platform/core/mac_types.h"

namespace vorl {

// Today's date in the form the code asks for:
//   3 (and 0): MM-DD-YYYY    4: YYYY-MM-DD    99: YYYYMMDD
//   1: long date, "Wednesday, March 7, 2012"    2 (and any other code): abbreviated, "Wed, Mar 7, 2012"
// The long forms are always English, so names and reports do not change with the machine's language.
Str255 getCurrentDateString(std::int16_t code);

// The hour without a leading zero, then minute and second with two digits each, no separators: 9:05:07 gives
// "90507". Empty for a null record.
Str255 getTimeString(const DateTimeRec* dateTime);
Str255 getCurrentTimeString();

// Waits the given number of ticks (1/60 s). It sleeps, and lets go of the baton meanwhile, so the other thread
// can run; the original spun instead.
void waitfor(std::int32_t ticks);

// Drawing is finished when a drawing call returns, so there is nothing to wait for.
inline void waitForQDDone() noexcept {}

}  // namespace vorl
