#include "tests/layout/page_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "imaging/codecs/image_file_codec.h"
#include "imaging/offscreens/offscreen_copy.h"

namespace vorl::test {

namespace fs = std::filesystem;

OffscreenPtr quadrantPicture(int width, int height) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr picture{myNewGWorld(&bounds)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      const Colour c = bottom ? (right ? kYellow : kBlue) : (right ? kGreen : kRed);
      std::uint8_t* p = picture->view().localPixel(x, y);
      p[kAlphaByte] = 0;
      p[kRedByte] = c[0];
      p[kGreenByte] = c[1];
      p[kBlueByte] = c[2];
    }
  return picture;
}

OffscreenPtr makePage(int width, int height) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr page{myNewGWorld(&bounds)};
  fillPixelMap(page.get(), (kPageColour[0] << 16) | (kPageColour[1] << 8) | kPageColour[2]);
  return page;
}

Colour colourAt(const Offscreen& page, int x, int y) {
  const std::uint8_t* p = page.view().portPixel(x, y);
  return {p[kRedByte], p[kGreenByte], p[kBlueByte]};
}

std::uint8_t alphaAt(const Offscreen& page, int x, int y) { return page.view().portPixel(x, y)[kAlphaByte]; }

Rect paintedArea(const Offscreen& page) {
  const Rect port = page.portRect();
  int top = port.bottom, left = port.right, bottom = port.top, right = port.left;
  for (int y = port.top; y < port.bottom; ++y)
    for (int x = port.left; x < port.right; ++x) {
      if (colourAt(page, x, y) == kPageColour) continue;
      top = std::min(top, y);
      left = std::min(left, x);
      bottom = std::max(bottom, y + 1);
      right = std::max(right, x + 1);
    }
  if (bottom <= top) return makeRect(0, 0, 0, 0);
  return makeRect(top, left, bottom, right);
}

bool near(const Colour& a, const Colour& b, int tolerance) {
  for (int i = 0; i < 3; ++i)
    if (std::abs(int{a[i]} - int{b[i]}) > tolerance) return false;
  return true;
}

std::string describe(const Rect& r) {
  return "(t" + std::to_string(r.top) + " l" + std::to_string(r.left) + " b" + std::to_string(r.bottom) + " r" +
         std::to_string(r.right) + ")";
}

void saveArtifact(const Offscreen& page, const std::string& name) {
  const fs::path folder = VORL_ARTIFACT_DIR;
  fs::create_directories(folder);
  OffscreenPtr opaque{myDuplicateGWorld(const_cast<Offscreen*>(&page))};
  const Rect port = opaque->portRect();
  for (int y = port.top; y < port.bottom; ++y)
    for (int x = port.left; x < port.right; ++x) opaque->view().portPixel(x, y)[kAlphaByte] = 0;
  EXPECT_EQ(encodeImageFile(*opaque, folder / (name + ".png"), ImageFileType::png, {}), noErr);
}

}  // namespace vorl::test
