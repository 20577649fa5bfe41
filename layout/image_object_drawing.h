// What the image object's drawing units share: the photo in hand during one drawing and the small steps both
// roads, the keying and the special drawing use. Not for use outside the image object.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "imaging/offscreens/offscreen.h"
#include "layout/image_object.h"

namespace vorl {

struct TImageObject::PhotoRead {
  Rect objectRect{};
  Offscreen* image = nullptr;  // the cache's, or `owned`
  OffscreenPtr owned;          // a picture the cache does not keep (a part read through crop bounds)
  Rect imageBounds{};
};

namespace image_drawing {

inline constexpr const char* kNoFileName = "No File";
inline constexpr std::string_view kReadingStatus = "Reading Image";
inline constexpr std::string_view kAdjustingStatus = "Applying Color Adjustments…";
inline constexpr std::string_view kDrawingStatus = "Drawing Image…";

// True when the photo's file is there and is a file; else tells the operator, naming it.
bool checkPhotoFile(const FSSpec& photo);
// Shows the text to the operator (never waits).
void tellOperator(const std::string& text);
// Counts one photo decoded by an image object.
void countDecode() noexcept;

enum class DrawOutcome { drawn, notDrawn, failed };
// Draws `sourceRect` of `source` into `destRect` of `destination` as the job's resize mode asks: a plain copy
// (mode 1), our own resampler with the mode as its scale type (modes 2, 3), or a smooth resize of a copy of just
// that part (mode 4). Unknown modes draw nothing. Every copy is clipped to the destination.
DrawOutcome drawPartByResizeMode(Offscreen* source, const Rect& sourceRect, Offscreen* destination,
                                 const Rect& destRect, std::int16_t resizeMode);
// drawPartByResizeMode for a picture fitted to `frame`: a fit can overhang its frame by a row or column (it
// chooses its side on whole percentages), and only the part inside the frame reaches `page`.
DrawOutcome drawFittedPart(Offscreen* source, const Rect& sourceRect, Offscreen* page, const Rect& destRect,
                           const Rect& frame, std::int16_t resizeMode);
// The part of `source` in a new offscreen at the origin; null when it cannot be made.
OffscreenPtr copyPartToOrigin(Offscreen* source, const Rect& part);
// The photo turned by `angle` degrees: only quarter, half and three-quarter turns (after reducing the angle to
// 0..360) turn it; any other angle is logged and the photo is drawn upright. Null when a turn cannot be made
// (the photo is released).
OffscreenPtr turnPhoto(OffscreenPtr image, float angle);
// Every alpha byte inside `area` (clipped to the port) set to `value`.
void setAlphaInside(Offscreen* offscreen, const Rect& area, std::uint8_t value);
// The rectangle's size at the origin.
inline Rect atOrigin(const Rect& r) { return makeRect(0, 0, rectHeight(r), rectWidth(r)); }

}  // namespace image_drawing
}  // namespace vorl
