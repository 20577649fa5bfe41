// The text drawing the stamp object uses: a plain QPainter rendering of a styled text into a rectangle of an
// offscreen. It stands on its own so that it can later give way to the text objects' drawing without the
// stamp's geometry changing.
#pragma once

#include <string_view>

#include "foundation/job_records.h"
#include "imaging/offscreen.h"

namespace vorl {

// Draws the Mac Roman text into `box` (port coordinates, clipped to the port) at `pixelSize` pixels, in the
// style's colour, font, face and justification (0 left, 1 centre, −1 right). A text without line breaks that
// is wider than the box is set smaller until it fits; longer texts wrap at words. Only pixels the text covers
// change, and they become drawn (alpha 0).
void drawStampText(Offscreen* target, const Rect& box, std::string_view macRomanText, const tTextInfo& style,
                   int pixelSize);

}  // namespace vorl
