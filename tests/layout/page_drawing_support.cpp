#include "tests/layout/page_drawing_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "imaging/codecs/image_file_codec.h"

namespace vorl::test {

OffscreenPtr makeFilledPage(int width, int height, Rgb colour) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr page(myNewGWorld(&bounds));
  const PixView view = page->view();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = view.localPixel(x, y);
      p[kAlphaByte] = 0;
      p[kRedByte] = colour[0];
      p[kGreenByte] = colour[1];
      p[kBlueByte] = colour[2];
    }
  return page;
}

Rgb pixelAt(const Offscreen& page, int x, int y) {
  const std::uint8_t* p = page.view().portPixel(x, y);
  return {p[kRedByte], p[kGreenByte], p[kBlueByte]};
}

Rect changedArea(const Offscreen& page, Rgb background) {
  const Rect port = page.portRect();
  int top = port.bottom, left = port.right, bottom = port.top, right = port.left;
  for (int y = port.top; y < port.bottom; ++y)
    for (int x = port.left; x < port.right; ++x)
      if (pixelAt(page, x, y) != background) {
        top = std::min(top, y);
        left = std::min(left, x);
        bottom = std::max(bottom, y + 1);
        right = std::max(right, x + 1);
      }
  if (bottom <= top) return makeRect(0, 0, 0, 0);
  return makeRect(top, left, bottom, right);
}

void placeAt(tLayoutInfo& layout, float x, float y, float width, float height) {
  layout.x = x;
  layout.y = y;
  layout.width = width;
  layout.height = height;
}

std::unique_ptr<TBackColorObject> makeBackground(float x, float y, float width, float height, Rgb colour,
                                                 std::int16_t skipFlag) {
  CBackColorDesc desc{};
  placeAt(desc.layout, x, y, width, height);
  // 16-bit components whose high byte is the 8-bit colour.
  desc.color.red = static_cast<std::uint16_t>(colour[0] * 257);
  desc.color.green = static_cast<std::uint16_t>(colour[1] * 257);
  desc.color.blue = static_cast<std::uint16_t>(colour[2] * 257);
  desc.skipFlag = skipFlag;
  return TBackColorObject::New(desc);
}

void saveDrawnPage(const Offscreen& page, const std::string& name) {
  const std::filesystem::path folder = VORL_ARTIFACT_DIR;
  std::filesystem::create_directories(folder);
  EXPECT_EQ(encodeImageFile(page, folder / (name + ".png"), ImageFileType::png, {}), noErr);
}

}  // namespace vorl::test
