// Where a page lands on the printer's sheet when it prints through the system's printing.
//
// Two placements. A job without a page setup keeps the size it was drawn for: dots divided by the job's dots
// per inch give inches on paper; the page sits in the middle of the sheet, is given a quarter turn when it lies
// the other way, and shrinks only when the sheet is too small for it. A job with a page setup is shown like a
// picture in a frame as large as the sheet: one pixel per point (72 per inch), shrunk when too large, centred.
#pragma once

#include <cstdint>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

// Places the picture's printed size (its pixels × printer resolution ÷ image resolution, each axis) on the
// page: centred when it fits (a spare of 1 dot or less stays at the edge); otherwise reduced by the smaller of
// page ÷ printed on the two axes, so it always fits whole, and centred. Both rectangles are taken with their
// top-left corner at (0, 0); `pageRect` becomes the destination in those coordinates. Resolutions of 0 or less
// count as equal (no scaling). Always true.
bool computeAdjustedRect(const Rect& pictureRect, Rect& pageRect, std::int16_t imageResolutionH,
                         std::int16_t imageResolutionV, std::int16_t printerResolutionH,
                         std::int16_t printerResolutionV);

// Sizes the picture for the page and, when `rotate` is set and the two orientations differ (narrower than tall
// is portrait, anything else, squares too, landscape), turns it a quarter clockwise first. `pageRect` becomes
// the destination. Answers the turned copy to draw, or null when the offscreen passed in is the one to draw
// (not turned, or the turn failed: then it prints unturned, reduced to fit). A null offscreen leaves the
// rectangle alone.
[[nodiscard]] OffscreenPtr rescaleImageForChooserPrinting(Offscreen* offscreen, std::int16_t imageResolution,
                                                          Rect& pageRect, std::int16_t printerResolution,
                                                          bool rotate);

// A picture of `pictureWidth` × `pictureHeight` points in a frame of `frameWidth` × `frameHeight` points:
// unchanged when it fits, else reduced by the smaller ratio; centred. Answers left, top, width, height.
struct FittedPicture {
  double left = 0, top = 0, width = 0, height = 0;
};
FittedPicture fitPictureInFrame(double pictureWidth, double pictureHeight, double frameWidth, double frameHeight);

}  // namespace vorl
