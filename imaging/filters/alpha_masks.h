// Masks and the alpha channel: the alpha byte as a grey mask and back, alpha fills, and overlays drawn through
// a mask made from their alpha or with the transparent transfer mode.
//
// Alpha here is this system's: 0 means drawn, 255 not drawn. A mask offscreen holds one grey per pixel in red,
// green and blue (alpha 0); through a mask, black takes the overlay and white keeps what lies under it.
#pragma once

#include <cstdint>

#include "imaging/offscreens/offscreen.h"
#include "imaging/offscreens/pixel_locks.h"

namespace vorl {

// Luminance of a pixel: red × 0.3, green × 0.59 and blue × 0.11 added as floats, red first and blue last; the
// sum is kept within 0..255 and truncated.
std::uint8_t maskLuminance(const std::uint8_t* pixel) noexcept;

// The pixel word at local column x, row y as it lies in memory (bytes alpha, red, green, blue); 0 without a
// base address. Compare it with words built from bytes, never with shifted host-order values.
std::uint32_t get4ByteRGBValue(const theGworldInfoStruct* info, std::int16_t x, std::int16_t y) noexcept;

// A new mask of the source's port rectangle whose grey is the source's alpha; null when it cannot be made.
[[nodiscard]] Offscreen* myCreateMaskGWorld(Offscreen* source);
// Each mask pixel becomes (0, a, a, a) with a the source pixel's alpha. False when the sizes differ.
[[nodiscard]] bool myCreateMaskBits(Offscreen* source, Offscreen* mask);

// ORs the mask's luminance into the target's alpha over whole offscreens; colours stay. False when either is
// null or their sizes differ (nothing is touched then).
[[nodiscard]] bool myCopyMaskGworldToAlphaChannel(Offscreen* target, Offscreen* mask);
// The same over rectangles in port coordinates, laid top-left on top-left: each target pixel reads the mask
// pixel at the same offset inside `maskArea`. Pixels outside either port are skipped. False for a null
// offscreen.
[[nodiscard]] bool myCopyMaskGworldToAlphaChannel(Offscreen* target, Offscreen* mask, CRect_AC maskArea,
                                                  CRect_AC targetArea);

// Every alpha byte 255 / 0 / `value`; colours stay. False for null.
bool myFillOffscreen(Offscreen* offscreen);
bool myClearOffscreen(Offscreen* offscreen);
bool mySetGworldAlphaChannelToByteValue(Offscreen* offscreen, std::uint8_t value);

// Lays each pixel onto white by its cover 255 − alpha, as a decoded image is drawn onto a new (white) offscreen,
// and marks it drawn (alpha 0): a transparent photo prints white where it is transparent, whatever road read
// it. Opaque pixels stay exactly as they are.
void layTransparencyOntoWhite(Offscreen& image) noexcept;
// Draws the overlay's source rectangle into the destination rectangle: with `useMask` non-zero through a mask
// made from the overlay's alpha, else with the transparent mode (white overlay pixels are skipped). False when
// the overlay or the destination is null or the mask cannot be made.
[[nodiscard]] bool myCopyOverlayWithMask(std::int16_t useMask, Offscreen* overlay, Offscreen* destination,
                                         Rect sourceRect, Rect destRect);

// A place where long loops could yield to other threads; does nothing.
std::int16_t myYieldToAnyThread() noexcept;

}  // namespace vorl
