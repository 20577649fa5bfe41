// Fitting a caption on one line of its box by condensing, then shrinking, the current port's text.
#pragma once

#include <cstdint>

#include "foundation/records/job_records.h"
#include "platform/core/mac_types.h"

namespace vorl {

// Works on the current text port (nothing happens without one). A starting size of 0 means 15.
// A box at least two lines high, or text that already fits, changes nothing. Otherwise the style's face plus
// condensed is set; if still too wide, the size goes down from the starting size one step at a time until the
// text fits, or to 5 at the least.
void myMakeTextFit(const CRect_AC& box, const CStr255_AC& text, std::int16_t size, const tTextInfo& style);

}  // namespace vorl
