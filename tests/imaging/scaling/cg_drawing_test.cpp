// Drawing pictures into offscreens: where they land, how they turn and scale, and what they leave alone.
#include "imaging/scaling/cg_drawing.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <filesystem>

#include "tests/imaging/pixel_fixtures.h"

namespace vorl {
namespace {

using test::makeOffscreen;
using test::Pixel;
using test::pixelAt;
using test::rectAt;

constexpr Pixel kPaper{77, 250, 240, 230};  // the destination's own alpha (77) must survive every drawing

OffscreenPtr paper(const Rect& bounds) {
  OffscreenPtr page = makeOffscreen(bounds);
  test::fillWith(*page, [](int, int) { return kPaper; });
  return page;
}

OffscreenPtr solid(int width, int height, Pixel pixel) {
  OffscreenPtr picture = makeOffscreen(rectAt(0, 0, width, height));
  test::fillWith(*picture, [&](int, int) { return pixel; });
  return picture;
}

// The bounding box of the pixels whose colour is not the paper's.
Rect paintedArea(const Offscreen& page) {
  const Rect port = page.portRect();
  Rect box = makeRect(port.bottom, port.right, port.top, port.left);
  for (int y = port.top; y < port.bottom; ++y)
    for (int x = port.left; x < port.right; ++x) {
      const Pixel p = pixelAt(page, x, y);
      if (p[1] == kPaper[1] && p[2] == kPaper[2] && p[3] == kPaper[3]) continue;
      box = makeRect(std::min<int>(box.top, y), std::min<int>(box.left, x), std::max<int>(box.bottom, y + 1),
                     std::max<int>(box.right, x + 1));
    }
  return box;
}

void expectAlphaUntouched(const Offscreen& page) {
  const Rect port = page.portRect();
  for (int y = port.top; y < port.bottom; ++y)
    for (int x = port.left; x < port.right; ++x) ASSERT_EQ(pixelAt(page, x, y)[0], kPaper[0]) << x << "," << y;
}

void saveArtifact(const Offscreen& page, const char* name) {
  QImage image(page.width(), page.height(), QImage::Format_RGB32);
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const std::uint8_t* p = page.view().localPixel(x, y);
      image.setPixel(x, y, qRgb(p[1], p[2], p[3]));
    }
  std::filesystem::create_directories(VORL_ARTIFACT_DIR);
  image.save(QString::fromStdString(std::string(VORL_ARTIFACT_DIR) + "/" + name));
}

TEST(DrawCGImage, AnImageAtItsOwnSizeIsCopiedIntoTheBottomUpRectangle) {
  // A 3 x 2 image at (1, 1) from the bottom of a 7 x 5 port lands on rows 2 and 3 counted from the top.
  OffscreenPtr page = paper(rectAt(10, 20, 7, 5));
  OffscreenPtr image = makeOffscreen(rectAt(0, 0, 3, 2));
  test::fillWith(*image, [](int x, int y) {
    return Pixel{0, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 9};
  });
  DrawCGImageToGWorld(std::move(image), page.get(), CGRect{1, 1, 3, 2});

  EXPECT_EQ(paintedArea(*page), rectAt(11, 22, 3, 2));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(pixelAt(*page, 11 + x, 22 + y),
                (Pixel{77, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 9}));
  expectAlphaUntouched(*page);
}

TEST(DrawCGImage, TheFlipIsAnExactHalfTurn) {
  OffscreenPtr page = paper(rectAt(0, 0, 5, 3));
  OffscreenPtr image = makeOffscreen(rectAt(0, 0, 5, 3));
  test::fillCoordinates(*image);
  test::fillWith(*image, [](int x, int y) {
    Pixel p = test::coordinatePixel(x, y);
    p[0] = 0;
    return p;
  });
  DrawCGImageToGWorldFlip(std::move(image), page.get(), CGRect{0, 0, 5, 3});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      Pixel expected = test::coordinatePixel(4 - x, 2 - y);
      expected[0] = kPaper[0];
      EXPECT_EQ(pixelAt(*page, x, y), expected) << x << "," << y;
    }
}

// Decoded images carry a file's transparency as 255 − alpha: fully transparent pixels leave the page alone,
// half transparent ones blend.
TEST(DrawCGImage, TransparentPixelsOfAnImageBlend) {
  OffscreenPtr page = paper(rectAt(0, 0, 3, 1));
  OffscreenPtr image = makeOffscreen(rectAt(0, 0, 3, 1));
  test::setPixel(*image, 0, 0, {0, 0, 0, 0});    // opaque black
  test::setPixel(*image, 1, 0, {255, 0, 0, 0});  // transparent
  test::setPixel(*image, 2, 0, {128, 0, 0, 0});  // half
  DrawCGImageToGWorld(std::move(image), page.get(), CGRect{0, 0, 3, 1});
  EXPECT_EQ(pixelAt(*page, 0, 0), (Pixel{77, 0, 0, 0}));
  EXPECT_EQ(pixelAt(*page, 1, 0), kPaper);
  const Pixel half = pixelAt(*page, 2, 0);
  EXPECT_NEAR(half[1], 125, 2);
  EXPECT_EQ(half[0], 77);
}

TEST(DrawCGImage, NothingToDrawIsNoFault) {
  OffscreenPtr page = paper(rectAt(0, 0, 4, 4));
  DrawCGImageToGWorld(nullptr, page.get(), CGRect{0, 0, 4, 4});
  DrawCGImageToGWorld(solid(2, 2, {0, 1, 2, 3}), nullptr, CGRect{0, 0, 2, 2});
  DrawCGImageToGWorld(solid(2, 2, {0, 1, 2, 3}), page.get(), CGRect{100, 100, 2, 2});  // outside the port
  EXPECT_EQ(paintedArea(*page), makeRect(4, 4, 0, 0));
}

TEST(DrawRotatedGWorld, WithoutAngleOrBoxScaleTheSourceFillsTheRectangleExactly) {
  for (const std::int16_t angle : {0, 360}) {
    SCOPED_TRACE(angle);
    OffscreenPtr page = paper(rectAt(0, 0, 40, 30));
    OffscreenPtr source = makeOffscreen(rectAt(0, 0, 13, 7));
    test::fillCoordinates(*source);
    DrawRotatedGWorld(angle, page.get(), source.get(), rectAt(5, 9, 13, 7), 0);
    EXPECT_EQ(paintedArea(*page), rectAt(5, 9, 13, 7));
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) {
        Pixel expected = test::coordinatePixel(x, y);
        expected[0] = kPaper[0];
        ASSERT_EQ(pixelAt(*page, 5 + x, 9 + y), expected) << x << "," << y;
      }
    expectAlphaUntouched(*page);
  }
}

// The source's alpha byte is data, not coverage: an ordinary photo (alpha 0) is drawn, not lost.
TEST(DrawRotatedGWorld, SourceAlphaDoesNotHideThePicture) {
  OffscreenPtr page = paper(rectAt(0, 0, 10, 10));
  DrawRotatedGWorld(0, page.get(), solid(10, 10, {0, 1, 2, 3}).get(), rectAt(0, 0, 10, 10), 0);
  EXPECT_EQ(pixelAt(*page, 5, 5), (Pixel{77, 1, 2, 3}));
  DrawRotatedGWorld(0, page.get(), solid(10, 10, {255, 4, 5, 6}).get(), rectAt(0, 0, 10, 10), 0);
  EXPECT_EQ(pixelAt(*page, 5, 5), (Pixel{77, 4, 5, 6}));
}

TEST(DrawRotatedGWorld, ABoxScaleWidensTheDrawnBoxInProportion) {
  // 20 x 10 with a box scale of 4: r = trunc(4 × 20 / 10) = 8, so 4 more on each side and 2 above and below.
  OffscreenPtr page = paper(rectAt(0, 0, 60, 40));
  DrawRotatedGWorld(0, page.get(), solid(20, 10, {0, 0, 0, 255}).get(), rectAt(20, 15, 20, 10), 4);
  EXPECT_EQ(paintedArea(*page), rectAt(16, 13, 28, 14));
  // Below 1 the box is the rectangle.
  OffscreenPtr plain = paper(rectAt(0, 0, 60, 40));
  DrawRotatedGWorld(0, plain.get(), solid(20, 10, {0, 0, 0, 255}).get(), rectAt(20, 15, 20, 10), -3);
  EXPECT_EQ(paintedArea(*plain), rectAt(20, 15, 20, 10));
}

// Positive angles turn clockwise: the source's left edge ends up at the top. The turn is (90 / 180) × 3.14 =
// 1.57 radians, slightly short of a quarter turn, so a mark 498 pixels left of the centre lands 0.4 pixels left
// of the vertical through the centre, not on it.
TEST(DrawRotatedGWorld, NinetyDegreesTurnsClockwiseByOnePointFiftySevenRadians) {
  const int side = 1001;
  OffscreenPtr source = solid(side, side, {0, 255, 255, 255});
  for (int y = 498; y <= 502; ++y)
    for (int x = 0; x < 5; ++x) test::setPixel(*source, x, y, {0, 0, 0, 0});
  OffscreenPtr page = paper(rectAt(0, 0, side, side));
  DrawRotatedGWorld(90, page.get(), source.get(), rectAt(0, 0, side, side), 0);

  // Only the dark mark counts: the turned box's soft edges against the paper are light.
  double weight = 0, sumX = 0, sumY = 0;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const double ink = 200.0 - pixelAt(*page, x, y)[1];
      if (ink <= 0) continue;
      weight += ink;
      sumX += ink * (x + 0.5);
      sumY += ink * (y + 0.5);
    }
  ASSERT_GT(weight, 0);
  // The mark's centre (2.5, 500.5) is 497.5 left of the turning point (500, 501) and half a pixel above it,
  // so an exact quarter turn would put it at x = 500.5.
  const double exactQuarterTurnX = 500.5;
  EXPECT_LT(sumY / weight, 10) << "the left edge went to the top";
  EXPECT_NEAR(sumX / weight - exactQuarterTurnX, -0.40, 0.15);
  saveArtifact(*page, "rotated_90.png");
}

TEST(DrawRotatedGWorld, AnAngledPictureStaysInsideItsTurnedFrame) {
  OffscreenPtr source = makeOffscreen(rectAt(0, 0, 120, 80));
  test::fillWith(*source, [](int x, int y) {
    return Pixel{0, static_cast<std::uint8_t>(2 * x), static_cast<std::uint8_t>(3 * y),
                 static_cast<std::uint8_t>(x < 10 ? 0 : 200)};
  });
  OffscreenPtr page = paper(rectAt(0, 0, 240, 200));
  DrawRotatedGWorld(30, page.get(), source.get(), rectAt(60, 60, 120, 80), 0);
  // A turned 120 x 80 box spans 120·cos 30° + 80·sin 30° = 143.9 by 120·sin 30° + 80·cos 30° = 129.3 pixels.
  const Rect painted = paintedArea(*page);
  EXPECT_NEAR(painted.right - painted.left, 144, 2);
  EXPECT_NEAR(painted.bottom - painted.top, 130, 2);
  EXPECT_EQ(pixelAt(*page, 0, 0), kPaper);
  expectAlphaUntouched(*page);
  saveArtifact(*page, "rotated_30.png");
}

TEST(DrawResizedGWorld, TheWholeSourceIsScaledIntoTheDestinationRectangle) {
  OffscreenPtr page = paper(rectAt(0, 0, 30, 20));
  OffscreenPtr source = solid(4, 2, {0, 10, 20, 30});
  DrawResizedGWorld(page.get(), source.get(), rectAt(100, 100, 1, 1), rectAt(3, 5, 17, 9));
  EXPECT_EQ(paintedArea(*page), rectAt(3, 5, 17, 9));
  EXPECT_EQ(pixelAt(*page, 10, 9), (Pixel{77, 10, 20, 30}));
  DrawResizedGWorld(page.get(), nullptr, rectAt(0, 0, 1, 1), rectAt(0, 0, 30, 20));
  EXPECT_EQ(paintedArea(*page), rectAt(3, 5, 17, 9));
  expectAlphaUntouched(*page);
}

}  // namespace
}  // namespace vorl
