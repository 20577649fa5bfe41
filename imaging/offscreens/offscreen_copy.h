// Copying between offscreens, filling and erasing them, and making a duplicate or a uniform grey mask.
//
// The copies stand in for QuickDraw's CopyBits and CopyDeepMask with the port colours these callers set
// (foreground black, background white), so colours pass through unchanged:
//   - transfer mode 0 (srcCopy) copies whole pixels, alpha included;
//   - transfer mode 36 (transparent) copies whole pixels except those whose red, green and blue are the
//     background white, which leave the destination as it was;
//   - rectangles of different sizes stretch by nearest neighbour: destination column i of n takes source column
//     ⌊(2i + 1) · m / (2n)⌋ of m, rows alike;
//   - the destination rectangle is clipped to the destination's port, and destination pixels whose source (or
//     mask) pixel falls outside its port are left alone. Empty rectangles copy nothing.
// Rectangles are in each offscreen's port coordinates.
#pragma once

#include <cstdint>
#include <functional>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

inline constexpr std::int16_t srcCopy = 0;
inline constexpr std::int16_t transparent = 36;

// Null source: message 4101/13; null destination: 4101/14; an unknown mode copies as srcCopy. `maskRegion` is
// not applied (callers pass none), as it was not before.
[[nodiscard]] bool myCopyBits(Offscreen* source, Offscreen* destination, const Rect* sourceRect, const Rect* destRect,
                              std::int16_t mode, const void* maskRegion);
// myCopyBits with srcCopy.
[[nodiscard]] bool copyGWorldToGWorld(Offscreen* source, Offscreen* destination, const Rect* sourceRect,
                                      const Rect* destRect);
// Blends the source into the destination through a grey mask: per colour channel, with m the mask's value of
// that channel, the result is (source · (255 − m) + destination · m + 127) / 255, so black takes the source and
// white keeps the destination. The destination keeps its alpha. Null source: 4101/13; null mask or
// destination: 4101/14.
[[nodiscard]] bool myCopyDeepMask(Offscreen* source, Offscreen* mask, Offscreen* destination, const Rect* sourceRect,
                                  const Rect* maskRect, const Rect* destRect, std::int16_t mode,
                                  const void* maskRegion);
// myCopyDeepMask through a mask made of the source's own alpha (each grey the pixel's alpha), without making
// it: alpha 0 takes the source, 255 keeps the destination. Same messages for null offscreens.
[[nodiscard]] bool myCopyThroughOwnAlpha(Offscreen* source, Offscreen* destination, const Rect* sourceRect,
                                         const Rect* destRect);
// Copies the offscreen's source rectangle into the destination rectangle of `port` (srcCopy). The port is the
// explicit destination that QuickDraw took from the current port.
void simpleDraw(Offscreen* gworld, Offscreen* port, Rect sourceRect, Rect destRect);

// For a picture whose fitted rectangle overhangs its frame on the page: `draw` draws as it would straight into
// `destination` at `destRect` (same rectangles, same coordinates), and only the pixels inside `frame` reach the
// destination, each as that unclipped drawing would leave it; the picture is neither moved nor resized. When
// `destRect` lies inside the frame, `draw` gets the destination itself. Otherwise it gets a scratch offscreen
// whose port rectangle is `destRect`, holding the destination's pixels there, so drawings that blend with what
// is under them blend alike. False when `draw` fails (nothing reaches the destination then) or the scratch
// cannot be made (message 4101/10).
[[nodiscard]] bool drawClippedToFrame(Offscreen* destination, const Rect& destRect, const Rect& frame,
                                      const std::function<bool(Offscreen* target)>& draw);

// Every pixel becomes alpha 0 and the colour of the low 24 bits of `rgb` (red in bits 16-23). False for null.
bool fillPixelMap(Offscreen* gworld, std::int32_t rgb);
// Erases the area (clipped to the port) to white, alpha 0. Null: message 4101/7.
void clearOutGWorld2(Offscreen* gworld, Rect area);
// A new offscreen of `bounds` filled with the grey 255 · level / 100 (truncated; level clamped to 0..100, so a
// level past the ends gives white or black rather than a wrapped grey), alpha 0. Null when it cannot be made.
[[nodiscard]] Offscreen* myCreateMaskGWorld(Rect bounds, std::int16_t level);
// A new offscreen with the same port rectangle and a copy of every pixel; null for null or when it cannot be
// made.
[[nodiscard]] Offscreen* myDuplicateGWorld(Offscreen* gworld);

}  // namespace vorl
