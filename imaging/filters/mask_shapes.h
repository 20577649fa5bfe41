// The shapes of junk and exclusion masks: the rectangle text other programs store them as, and the fills that
// draw them into an offscreen.
//
// Rectangles and ovals are filled without anti-aliasing, in port coordinates (y down), as the shape's bounds
// were stored. Polygons are filled anti-aliased (non-zero winding) in the coordinates of a drawing context laid
// over the port with its origin at the port's bottom-left corner and y pointing up, unflipped: a point stored at
// (x, y) lands x to the right of the port's left edge and y above its bottom edge. The producing program made
// its marks against that, so it stays.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

// A rectangle as stored: origin and size, as NSRectFromString reads them.
struct ShapeRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// Parses "{{x, y}, {w, h}}": decimal numbers (sign, fraction and exponent allowed), spaces allowed around each
// number and brace. Nullopt for anything else, and for a number that is not finite.
std::optional<ShapeRect> parseRectString(std::string_view text) noexcept;

// The shape's bounds at `scale`: the edges (origin, and origin plus size) cut to whole numbers toward zero, then
// each multiplied by `scale` as a float and cut again. Values are held within the 16-bit range of
// a rectangle at both steps; nullopt when the scale is not finite.
std::optional<Rect> scaledShapeBounds(const ShapeRect& shape, float scale) noexcept;

// Fills the pixels of `area` (port coordinates, clipped to the port) with (alpha 0, grey, grey, grey).
void fillRectWithGrey(const PixView& view, const Rect& area, std::uint8_t grey) noexcept;
// Fills the oval inscribed in `area`: the pixels whose centres lie inside or on the ellipse.
void fillOvalWithGrey(const PixView& view, const Rect& area, std::uint8_t grey) noexcept;

// Fills the closed polygon through the points times `scale` with the grey, anti-aliased; the alpha bytes are
// not touched. Coordinates are held within ±1e9 before use. Fewer than three points, or a scale that is not
// finite, fill nothing.
struct ShapePoint {
  double x = 0;
  double y = 0;
};
void fillPolygonWithGrey(const PixView& view, std::span<const ShapePoint> points, float scale,
                         std::uint8_t grey) noexcept;

}  // namespace vorl
