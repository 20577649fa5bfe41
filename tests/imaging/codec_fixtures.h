// Pictures and files for the image-codec tests and the codec fuzz seeds, made in memory without GoogleTest: a
// photograph-like offscreen, ICC profiles from LittleCMS and a small camera raw file (DNG) written with libtiff.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "imaging/offscreens/offscreen.h"

namespace vorl::test {

// A photograph-like picture: smooth ramps with some texture, alpha 0 (drawn). With `alphaPattern`, each pixel
// gets a varied alpha instead.
OffscreenPtr makePhoto(int width, int height, bool alphaPattern = false);

// ICC profiles made with LittleCMS: sRGB, and RGB with the sRGB primaries and a plain gamma of 2.2.
std::vector<std::uint8_t> makeSrgbProfile();
std::vector<std::uint8_t> makeGammaRgbProfile();

// A CFA (RGGB) DNG of 16-bit samples written with libtiff; `orientation` is its TIFF orientation tag.
void writeSmallDng(const std::filesystem::path& file, int width, int height, int orientation);

}  // namespace vorl::test
