// Pages and pictures of known colours for the page-object tests, and reading them back: colours and alpha at a
// pixel, the painted area, and PNG copies for a person to look at.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "imaging/offscreens/offscreen.h"

namespace vorl::test {

using Colour = std::array<std::uint8_t, 3>;

inline constexpr Colour kRed{255, 0, 0};
inline constexpr Colour kGreen{0, 255, 0};
inline constexpr Colour kBlue{0, 0, 255};
inline constexpr Colour kYellow{255, 255, 0};
inline constexpr Colour kPageColour{10, 20, 30};

// A picture in four coloured quadrants (red, green / blue, yellow), alpha 0.
OffscreenPtr quadrantPicture(int width, int height);
// A page of the size filled with the page colour, alpha 0.
OffscreenPtr makePage(int width, int height);

Colour colourAt(const Offscreen& page, int x, int y);
std::uint8_t alphaAt(const Offscreen& page, int x, int y);
// The bounding box of the pixels whose colour is not the page colour (empty when none).
Rect paintedArea(const Offscreen& page);
bool near(const Colour& a, const Colour& b, int tolerance = 40);
std::string describe(const Rect& r);
// Writes the page's colours as a PNG into the build's artifact folder.
void saveArtifact(const Offscreen& page, const std::string& name);

}  // namespace vorl::test
