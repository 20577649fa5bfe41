// Pictures: QuickDraw version 2 pictures (PICT), held as their bytes in a handle as the Mac held them, and drawn
// into offscreens. The pictures this program meets hold one pixel image (DirectBitsRect or DirectBitsRgn,
// 32 bits a pixel, unpacked, alpha-dropped or PackBits per component) with the usual header, clip, comment and
// highlight opcodes around it; any other opcode ends the drawing with an error, so a foreign picture fails
// cleanly instead of drawing garbage. Every length is checked against the bytes that are there, and every size
// a header promises against the bytes that could back it, before anything is allocated for it.
#pragma once

#include <cstdint>

#include "imaging/offscreens/offscreen.h"
#include "platform/core/handles.h"
#include "platform/core/mac_types.h"

namespace vorl {

using PicHandle = Handle;

inline constexpr OSErr kPictureFormatError = -32766;  // QuickDraw's picture error: damaged or unknown picture

// The picture's frame (its source rectangle), from the header; false for a null or short picture.
bool pictureFrame(PicHandle picture, Rect& frame) noexcept;
// Draws the picture into `port`, its frame mapped onto `destination` (port coordinates); noErr, or
// kPictureFormatError for a damaged or unknown picture (what was drawn before the fault stays).
OSErr DrawPicture(PicHandle picture, Offscreen* port, const Rect& destination);

// 0 when drawn, −1 for a null offscreen or picture or a picture that could not be drawn.
std::int16_t myDrawPicture(Offscreen* gworld, PicHandle picture, const Rect* destination);
// A new offscreen whose port rectangle is the picture's frame (not moved to the origin) with the picture drawn
// into it. Null, with a log line and before the offscreen is made, when the picture is null or damaged, or its
// frame is empty or holds more pixels than its pixel images do (a damaged header); null after message 4101/10
// when the offscreen cannot be made.
[[nodiscard]] Offscreen* PicHandleToOffscreen(PicHandle picture);

}  // namespace vorl
