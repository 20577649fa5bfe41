// Small pages and descriptors for the drawing tests of the background, node and stamp objects.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/offscreens/offscreen.h"
#include "layout/attribute_objects.h"
#include "layout/descriptors.h"

namespace vorl::test {

using Rgb = std::array<std::uint8_t, 3>;

inline constexpr Rgb kPageGrey{10, 20, 30};

// A page of width × height pixels filled with `colour`, alpha 0.
OffscreenPtr makeFilledPage(int width, int height, Rgb colour = kPageGrey);
Rgb pixelAt(const Offscreen& page, int x, int y);
// The bounding box of the pixels that differ from `background` (empty when none).
Rect changedArea(const Offscreen& page, Rgb background);
void placeAt(tLayoutInfo& layout, float x, float y, float width, float height);
std::unique_ptr<TBackColorObject> makeBackground(float x, float y, float width, float height, Rgb colour,
                                                 std::int16_t skipFlag = 0);
// Writes the page as a PNG into the build's artifact folder.
void saveDrawnPage(const Offscreen& page, const std::string& name);

}  // namespace vorl::test
