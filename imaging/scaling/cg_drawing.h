// Drawing one picture into another offscreen with scaling and turning: decoded images into new offscreens,
// angled photos onto pages, pages stretched for the print data.
//
// The pictures are drawn smoothly (bilinear, anti-aliased edges) through QPainter on a scratch image, then
// blended into the destination's red, green and blue by the scratch image's coverage. The destination's alpha
// byte is never touched: it carries the page's own meaning (drawn or not, or a matte) and drawing a picture does
// not change it. Pixels outside the drawn area are left exactly as they were.
//
// Coverage of the drawn picture:
//  - offscreen sources (`DrawRotatedGWorld`, `DrawResizedGWorld`) are drawn opaque: their alpha byte is data
//    (0 means drawn), so reading it as coverage would make every ordinary photo vanish;
//  - decoded images (`DrawCGImageToGWorld`) cover by 255 − alpha, our reading of a file's own transparency.
#pragma once

#include <cstdint>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

// A rectangle in the bottom-up coordinates of a destination port: (x, y) is its lower left corner, measured
// from the port's lower left corner.
struct CGRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  friend bool operator==(const CGRect&, const CGRect&) = default;
};

// Draws `image` scaled into `rect` of `destination` and frees it. A null image or destination draws nothing
// (the image is freed all the same).
void DrawCGImageToGWorld(OffscreenPtr image, Offscreen* destination, const CGRect& rect);

// The same turned by an exact half turn about the centre of `rect` (the orientation of a photo stored upside
// down).
void DrawCGImageToGWorldFlip(OffscreenPtr image, Offscreen* destination, const CGRect& rect);

// Draws the whole of `source` into `destination`, scaled into `rect` (top-down port coordinates) and turned
// clockwise by `angle` degrees about the rectangle's centre (360 is 0). The turn is by (angle / 180) × 3.14
// radians, so 90 degrees is 1.57 radians: the angles operators chose were always drawn this way. A `boxScale`
// of 1 or more enlarges the drawn box by that many pixels in height and as many in proportion in width, centred,
// so that the turned picture still fills its frame.
void DrawRotatedGWorld(std::int16_t angle, Offscreen* destination, const Offscreen* source, const Rect& rect,
                       std::int16_t boxScale);

// Draws the whole of `source` scaled into `destinationRect` (top-down port coordinates). `sourceRect` does not
// narrow the drawing: callers hand over an offscreen that holds just the part to draw.
void DrawResizedGWorld(Offscreen* destination, const Offscreen* source, const Rect& sourceRect,
                       const Rect& destinationRect);

}  // namespace vorl
