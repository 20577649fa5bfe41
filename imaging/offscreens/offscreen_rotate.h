// Quarter turns, half turns and mirroring of offscreens.
//
// Direction 1 turns a quarter counter-clockwise, any other direction but 3 a quarter clockwise; 3 copies
// without turning:
//          AB                BD                  CA
//          CD   -- 1 -->     AC     -- 2 -->     DB
#pragma once

#include <cstdint>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

// Writes the source turned into the destination, which must be the source's size turned (else message 4101/19,
// false, destination untouched). Null source: beep, 4101/17; null destination: beep, 4101/18.
[[nodiscard]] bool rotateImage90Degrees(std::int16_t direction, Offscreen* source, Offscreen* destination);
// A new offscreen holding the source turned, with the port rectangle (top, left, top + width, left + height);
// the source is disposed of. When the turn fails the source comes back unchanged.
[[nodiscard]] Offscreen* rotateGWorld90Degrees(std::int16_t direction, Offscreen* gworld);
// The same, leaving the source alone; on failure the source comes back.
[[nodiscard]] Offscreen* rotateGWorld90DegreesDoNotDispose(std::int16_t direction, Offscreen* gworld);

// Reverses every row in place; with an odd width the middle column stays. Null: message 4106/1.
bool doMirrorTheImageInGWorld(Offscreen* gworld);
// Half a turn in place; with an odd height the middle row is reversed. Null: message 4106/1.
bool rotateImage180Degrees(Offscreen* gworld);

// The kernels, on views of the port rectangles (sizes already checked).
void rotateQuarterPixels(const PixView& source, const PixView& destination, bool counterClockwise) noexcept;
void mirrorRows(const PixView& view) noexcept;
void rotateHalfPixels(const PixView& view) noexcept;

}  // namespace vorl
