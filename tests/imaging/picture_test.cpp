// Pictures: version 2 pictures made here byte by byte from the published layout (not from the reader's code),
// drawn into offscreens.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/picture.h"
#include "tests/imaging/pixel_fixtures.h"

namespace vorl::test {
namespace {

class PictWriter {
 public:
  void u8(int v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void u16(int v) {
    u8(v >> 8);
    u8(v);
  }
  void u32(std::uint32_t v) {
    u16(static_cast<int>(v >> 16));
    u16(static_cast<int>(v & 0xFFFF));
  }
  void rect(const Rect& r) {
    u16(r.top);
    u16(r.left);
    u16(r.bottom);
    u16(r.right);
  }
  void pad() {
    if (bytes.size() % 2) u8(0);
  }
  std::vector<std::uint8_t> bytes;
};

// A picture of one 32-bit pixel image over `frame`: rows of (r, g, b) per pixel, packed as asked.
std::vector<std::uint8_t> makePicture(const Rect& frame, const std::vector<std::vector<Pixel>>& rows, int packType) {
  const int width = static_cast<int>(rows[0].size());
  const int rowBytes = width * 4;
  PictWriter w;
  w.u16(0);
  w.rect(frame);
  w.u16(0x0011);
  w.u16(0x02FF);
  w.u16(0x0C00);
  for (int i = 0; i < 12; ++i) w.u16(i == 0 ? 0xFFFE : 0);
  w.u16(0x001E);
  w.u16(0x0001);  // clip region: just its rectangle
  w.u16(10);
  w.rect(frame);
  w.u16(0x00A1);  // long comment with odd data
  w.u16(100);
  w.u16(3);
  w.u8(1), w.u8(2), w.u8(3);
  w.pad();
  w.u16(0x009A);
  w.u32(0xFF);
  w.u16(rowBytes | 0x8000);
  w.rect(frame);
  w.u16(0);
  w.u16(packType);
  w.u32(0);
  w.u32(72 << 16);
  w.u32(72 << 16);
  w.u16(16);  // direct pixels
  w.u16(32);
  w.u16(3);
  w.u16(8);
  w.u32(0), w.u32(0), w.u32(0);
  w.rect(frame);
  w.rect(frame);
  w.u16(0);  // srcCopy
  for (const auto& row : rows) {
    if (packType == 1) {
      for (const Pixel& p : row) w.u8(0), w.u8(p[1]), w.u8(p[2]), w.u8(p[3]);
      continue;
    }
    // PackBits per component: each plane as one literal run, except a repeat run when the plane is uniform.
    PictWriter packed;
    for (int c = 1; c <= 3; ++c) {
      bool uniform = true;
      for (const Pixel& p : row) uniform = uniform && p[c] == row[0][c];
      if (uniform && width >= 2) {
        packed.u8(257 - width);
        packed.u8(row[0][c]);
      } else {
        packed.u8(width - 1);
        for (const Pixel& p : row) packed.u8(p[c]);
      }
    }
    w.u8(static_cast<int>(packed.bytes.size()));
    w.bytes.insert(w.bytes.end(), packed.bytes.begin(), packed.bytes.end());
  }
  w.pad();
  w.u16(0x00FF);
  return w.bytes;
}

Handle toHandle(const std::vector<std::uint8_t>& bytes) {
  Handle h = NewHandle(static_cast<std::int64_t>(bytes.size()));
  std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(*h));
  return h;
}

TEST(Picture, DrawsIntoAnOffscreenAtThePicturesOwnFrame) {
  const std::vector<std::vector<Pixel>> rows{{{0, 1, 2, 3}, {0, 4, 5, 6}, {0, 7, 8, 9}},
                                             {{0, 9, 9, 9}, {0, 9, 9, 9}, {0, 9, 9, 9}}};
  for (int packType : {1, 4}) {
    SCOPED_TRACE(packType);
    Handle picture = toHandle(makePicture(rectAt(20, 10, 3, 2), rows, packType));
    OffscreenPtr o{PicHandleToOffscreen(picture)};
    ASSERT_TRUE(o);
    EXPECT_EQ(o->portRect(), rectAt(20, 10, 3, 2));
    EXPECT_EQ(pixelAt(*o, 21, 10), (Pixel{0, 4, 5, 6}));
    EXPECT_EQ(pixelAt(*o, 22, 11), (Pixel{0, 9, 9, 9}));
    DisposeHandle(picture);
  }
}

TEST(Picture, DamagedOrForeignPicturesFailWithoutDrawingPastTheirBytes) {
  const std::vector<std::vector<Pixel>> rows{{{0, 1, 2, 3}, {0, 4, 5, 6}}};
  const std::vector<std::uint8_t> good = makePicture(rectAt(0, 0, 2, 1), rows, 4);
  std::vector<std::uint8_t> unknown = good;
  unknown[unknown.size() - 1] = 0x30;  // opcode 0x0030 (frameRect) in place of the end
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"cut inside the pixel data", {good.begin(), good.end() - 6}},
      {"cut inside the header", {good.begin(), good.begin() + 8}},
      {"an opcode this reader does not draw", unknown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Handle picture = toHandle(c.bytes);
    EXPECT_EQ(PicHandleToOffscreen(picture), nullptr);
    DisposeHandle(picture);
  }
  EXPECT_EQ(PicHandleToOffscreen(nullptr), nullptr);
}

}  // namespace
}  // namespace vorl::test
