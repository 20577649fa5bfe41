// Colour conversions for decoded images that carry their own profile: RGB pixels in place, grey samples to RGB,
// and CMYK samples into an RGB offscreen. Each takes the source profile as ICC bytes (as read from the file) or
// as a `Profile`, and the destination as a `Profile` of RGB space. The intent is the source header's, without
// black-point compensation; alpha is never touched.
//
// A source profile LittleCMS refuses, one of the wrong colour space or a destination that opens no RGB profile
// gives false with a log line, and the pixels stay as they were.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/color/color_profile.h"
#include "imaging/offscreens/offscreen.h"

namespace vorl {

// Red, green and blue of every pixel, in place.
[[nodiscard]] bool convertRGBOffscreen(Offscreen* offscreen, std::span<const std::uint8_t> sourceIcc,
                                       Profile& destination);
[[nodiscard]] bool convertRGBOffscreen(Offscreen* offscreen, Profile& source, Profile& destination);

// A grey picture held as its sample in the red byte (and copied to green and blue): the red byte goes through
// the grey profile and the result fills red, green and blue.
[[nodiscard]] bool convertGrayOffscreen(Offscreen* offscreen, std::span<const std::uint8_t> sourceIcc,
                                        Profile& destination);
[[nodiscard]] bool convertGrayOffscreen(Offscreen* offscreen, Profile& source, Profile& destination);

// Packed CMYK samples (C, M, Y, K per pixel, 0 = no ink, rows without padding), as many pixels as the offscreen
// has, into its red, green and blue bytes. False when `cmyk` does not hold width × height × 4 bytes.
[[nodiscard]] bool convertCMYKToOffscreen(std::span<const std::uint8_t> cmyk, std::span<const std::uint8_t> sourceIcc,
                                          Profile& destination, Offscreen* offscreen);
[[nodiscard]] bool convertCMYKToOffscreen(std::span<const std::uint8_t> cmyk, Profile& source, Profile& destination,
                                          Offscreen* offscreen);

}  // namespace vorl
