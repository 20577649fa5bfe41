// Placement geometry: crops, fits, insets and panning, on worked rectangles.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string_view>

#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/placement.h"
#include "imaging/scaling/resize.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/message_recorder.h"

namespace vorl::test {
namespace {

// Rectangles by size at the origin: width × height.
Rect size(int width, int height) { return rectAt(0, 0, width, height); }

TEST(Placement, CropToAShapeAtEachAnchor) {
  const struct {
    const char* what;
    Rect source, target;
    std::int16_t where;
    Rect expected;
  } cases[] = {
      {"wide to square, centred", size(600, 400), size(100, 100), 1, makeRect(0, 100, 400, 500)},
      {"wide to square, top", size(600, 400), size(100, 100), kAnchorTop, makeRect(0, 0, 400, 400)},
      {"wide to square, bottom", size(600, 400), size(100, 100), kAnchorBottom, makeRect(0, 200, 400, 600)},
      {"tall to square, centred", size(400, 600), size(50, 50), 0, makeRect(100, 0, 500, 400)},
      {"empty target: the source comes back", size(400, 600), size(0, 50), 0, size(400, 600)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CropAndResize(c.source, c.target, c.where), c.expected);
  }
}

// The bottom (or right) anchor places the crop at twice the centred margin, and the centred margin is the
// difference halved toward zero: an odd difference leaves its last row or column outside the crop.
TEST(Placement, BottomAnchorDoublesTheHalvedMargin) {
  const struct {
    const char* what;
    Rect source, target;
    int cropWidth, cropHeight;  // the crop's size, from the target's shape
  } cases[] = {
      {"wide, even difference", size(600, 400), size(100, 100), 400, 400},
      {"wide, odd difference", size(601, 400), size(100, 100), 400, 400},
      {"tall, odd difference", size(400, 601), size(100, 100), 400, 400},
      {"wide into 2:1, odd difference", size(401, 150), size(200, 100), 300, 150},
      {"tall into 1:2, odd difference", size(150, 403), size(100, 200), 150, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int marginX = (rectWidth(c.source) - c.cropWidth) / 2, marginY = (rectHeight(c.source) - c.cropHeight) / 2;
    const Rect expected = rectAt(2 * marginX, 2 * marginY, c.cropWidth, c.cropHeight);
    EXPECT_EQ(CropAndResizeBottom(c.source, c.target), expected);
    EXPECT_EQ(CropAndResize(c.source, c.target, kAnchorBottom), expected);
    // The far edge: one row or column beyond the crop when the difference is odd, none when it is even.
    EXPECT_EQ(rectWidth(c.source) - expected.right, (rectWidth(c.source) - c.cropWidth) % 2);
    EXPECT_EQ(rectHeight(c.source) - expected.bottom, (rectHeight(c.source) - c.cropHeight) % 2);
  }

  // On pixels: a coordinate photo 7 wide cropped to a 6-wide square at the bottom anchor starts at column 0 and
  // leaves column 6 out; the crop copied out holds columns 0..5.
  OffscreenPtr photo = makeOffscreen(size(7, 6));
  fillCoordinates(*photo);
  const Rect crop = CropAndResizeBottom(size(7, 6), size(1, 1));
  ASSERT_EQ(crop, makeRect(0, 0, 6, 6));
  OffscreenPtr out = makeOffscreen(size(6, 6));
  const Rect all = out->portRect();
  ASSERT_TRUE(copyGWorldToGWorld(photo.get(), out.get(), &crop, &all));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(pixelAt(*out, x, y), coordinatePixel(x, y)) << x << "," << y;
}

// The whole-percentage comparison picks the side to fit; when the two percentages tie although the ratios
// differ, the picture keeps its size and overhangs the frame by a few rows or columns.
TEST(Placement, FitsByWholePercentages) {
  // The fit worked out here from the frame and image sizes: percentages, the fitted size, the centring.
  auto fit = [](const Rect& frame, int iw, int ih) {
    const int fw = rectWidth(frame), fh = rectHeight(frame);
    const int pH = 100 * ih / fh, pW = 100 * iw / fw;
    int w = fw, h = fh;
    if (pH <= pW)
      h = static_cast<int>(std::trunc(ih * (static_cast<double>(fw) / iw)));
    else
      w = static_cast<int>(std::trunc(iw * (static_cast<double>(fh) / ih)));
    const int left = static_cast<int>(std::trunc((fw - w) / 2.0)), top = static_cast<int>(std::trunc((fh - h) / 2.0));
    return makeRect(top, left, top + h, left + w);
  };
  const struct {
    const char* what;
    Rect frame;
    int imageWidth, imageHeight;
    Rect expected;  // in the frame's coordinates
  } cases[] = {
      {"wide into a square at (10, 10)", rectAt(10, 10, 100, 100), 400, 200, makeRect(35, 10, 85, 110)},
      {"tall into a wide frame", rectAt(0, 0, 300, 100), 50, 200, makeRect(0, 137, 100, 162)},
      {"percentages tie at 100, 5 rows taller: 2 rows above, 3 below", size(1000, 1000), 1000, 1005,
       makeRect(-2, 0, 1003, 1000)},
      {"percentages tie at 20, enlarged", rectAt(50, 60, 200, 200), 40, 41, makeRect(58, 50, 263, 250)},
      {"percentages tie, a little wider: fits by width, inside", size(1000, 1000), 1005, 1000,
       makeRect(2, 0, 997, 1000)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Rect worked = fit(c.frame, c.imageWidth, c.imageHeight);
    ASSERT_EQ(makeRect(worked.top + c.frame.top, worked.left + c.frame.left, worked.bottom + c.frame.top,
                       worked.right + c.frame.left),
              c.expected);
    EXPECT_EQ(ResizeToFit(c.frame, size(c.imageWidth, c.imageHeight)), c.expected);
  }
  EXPECT_EQ(ResizeToFit(size(0, 100), size(40, 20)), size(40, 20));
}

TEST(Placement, MaximumRectangleKeepsTheSizeOfAnImageThatMeetsTheFrameOnOneSide) {
  const struct {
    const char* what;
    Rect frame, image;
    bool enlarge;
    Rect expected;
  } cases[] = {
      {"smaller both ways", rectAt(30, 30, 100, 100), size(50, 50), false, makeRect(25, 25, 75, 75)},
      {"smaller both ways, enlarged", rectAt(30, 30, 100, 100), size(50, 50), true, makeRect(0, 0, 100, 100)},
      {"wider, less tall: to the frame's width", size(100, 100), size(400, 100 - 1), false, makeRect(38, 0, 62, 100)},
      {"wider and less tall", size(100, 100), size(400, 50), false, makeRect(44, 0, 56, 100)},
      {"as tall and wider: kept, overhanging left and right", size(100, 100), size(200, 100), false,
       makeRect(0, -50, 100, 150)},
      {"as wide and taller: kept, overhanging above and below", size(100, 100), size(100, 201), false,
       makeRect(-50, 0, 151, 100)},
      {"as tall and wider, enlarged: fitted", size(100, 100), size(200, 100), true, makeRect(25, 0, 75, 100)},
      {"larger both ways, percentages 1005 and 1000", size(100, 100), size(1000, 1005), false, makeRect(0, 0, 100, 99)},
      {"larger both ways, percentages tie at 100: fitted by width, overhanging", size(999, 999), size(1000, 1005),
       false, makeRect(-2, 0, 1001, 999)},
      {"percentages tie, enlarged: kept to the whole percentages", size(200, 200), size(40, 41), true,
       makeRect(-2, 0, 203, 200)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CalculateMaximumRect(c.frame, c.image, c.enlarge), c.expected);
  }
}

// Where a fitted picture overhangs its frame, its drawing is clipped to the frame: the pixels inside are
// those of the unclipped drawing (nothing moved or resized), those outside keep the page's own.
TEST(Placement, AFittedPictureOverhangingItsFrameIsDrawnClippedToIt) {
  const Rect frame = rectAt(10, 10, 200, 200);
  OffscreenPtr photo = makeOffscreen(size(40, 41));
  fillCoordinates(*photo);
  const Rect from = photo->portRect();
  const Rect to = ResizeToFit(frame, from);
  ASSERT_EQ(to, makeRect(8, 10, 213, 210));  // 2 rows above the frame, 3 below
  const Pixel page{3, 1, 2, 3};

  const struct {
    const char* what;
    std::function<bool(Offscreen*)> draw;
  } cases[] = {
      {"copy", [&](Offscreen* target) { return copyGWorldToGWorld(photo.get(), target, &from, &to); }},
      {"resize, type 2",
       [&](Offscreen* target) { return betterResizeGworldToGworld(photo.get(), from, target, to, 2, true); }},
      {"resize, type 3",
       [&](Offscreen* target) { return betterResizeGworldToGworld(photo.get(), from, target, to, 3, true); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OffscreenPtr unclipped = makeOffscreen(rectAt(0, 0, 230, 230));
    fillWith(*unclipped, [&](int, int) { return page; });
    ASSERT_TRUE(c.draw(unclipped.get()));
    OffscreenPtr clipped = makeOffscreen(rectAt(0, 0, 230, 230));
    fillWith(*clipped, [&](int, int) { return page; });
    ASSERT_TRUE(drawClippedToFrame(clipped.get(), to, frame, c.draw));
    for (int y = 0; y < 230; ++y)
      for (int x = 0; x < 230; ++x) {
        const bool inFrame = x >= 10 && x < 210 && y >= 10 && y < 210;
        ASSERT_EQ(pixelAt(*clipped, x, y), inFrame ? pixelAt(*unclipped, x, y) : page) << x << "," << y;
      }
    // The copy's pixels inside the frame, worked out: nearest source column and row of the 200 × 205 drawing.
    if (std::string_view(c.what) == "copy")
      for (int y = 10; y < 210; ++y)
        for (int x = 10; x < 210; ++x) {
          const int i = x - 10, j = y - 8;
          ASSERT_EQ(pixelAt(*clipped, x, y), coordinatePixel((2 * i + 1) * 40 / 400, (2 * j + 1) * 41 / 410));
        }
  }

  // Inside its frame a drawing goes straight onto the page.
  OffscreenPtr direct = makeOffscreen(rectAt(0, 0, 230, 230));
  const Rect inside = rectAt(20, 20, 40, 41);
  ASSERT_TRUE(drawClippedToFrame(direct.get(), inside, frame, [&](Offscreen* target) {
    EXPECT_EQ(target, direct.get());
    return copyGWorldToGWorld(photo.get(), target, &from, &inside);
  }));
  EXPECT_EQ(pixelAt(*direct, 59, 60), coordinatePixel(39, 40));
}

// Presets keep their shape turned to the image's orientation; an 8×10 crop of a 3:2 landscape photo stands out
// below the photo.
TEST(Placement, CropPresetsTakeTheImagesOrientation) {
  const struct {
    const char* what;
    Rect image;
    std::int16_t type;
    float h, v;
    Rect expected;
  } cases[] = {
      {"none: the image itself", rectAt(5, 7, 30, 20), kNoCrop, 0, 0, rectAt(5, 7, 30, 20)},
      {"8x10 of a portrait", size(1000, 1500), k8x10CropPortrait, 0, 0, size(800, 1000)},
      {"8x10 of a 3:2 landscape: taller than the photo", size(1500, 1000), k8x10CropPortrait, 0, 0, size(1500, 1200)},
      {"5x7 of a 2:1 landscape: taller than the photo", size(1400, 700), k5x7CropPortrait, 0, 0, size(1400, 1000)},
      {"5x7 of a 3:2 landscape: taller than the photo", size(1500, 1000), k5x7CropPortrait, 0, 0, size(1500, 1071)},
      {"caller's square", size(300, 200), kRatioCrop, 4, 4, size(200, 200)},
      {"caller's 2 by 3 on a landscape", size(300, 240), kRatioCrop, 2, 3, size(300, 200)},
      {"caller's 3 by 2 on a near-square landscape", size(300, 290), kRatioCrop, 3, 2, size(290, 193)},
      {"caller's 3 by 2 on a 1:2 portrait: wider than the photo", size(100, 200), kRatioCrop, 3, 2, size(133, 200)},
      {"a zero ratio crops nothing", size(300, 200), kRatioCrop, 0, 3, size(300, 200)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(getCropRect(c.image, c.type, c.h, c.v, 300), c.expected);
  }
}

// A crop that stands out of the photo reads nothing outside it: copied through the crop, the part beyond the
// photo stays the destination's own background.
TEST(Placement, ACropStandingOutOfThePhotoLeavesTheBackgroundThere) {
  OffscreenPtr photo = makeOffscreen(size(15, 10));
  fillCoordinates(*photo);
  const Rect crop = getCropRect(photo->portRect(), k8x10CropPortrait, 0, 0, 300);
  ASSERT_EQ(crop, size(15, 12));
  const Pixel background{9, 8, 7, 6};
  const struct {
    const char* what;
    int scale;
  } cases[] = {{"at its size", 1}, {"enlarged twice", 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OffscreenPtr out = makeOffscreen(size(15 * c.scale, 12 * c.scale));
    fillWith(*out, [&](int, int) { return background; });
    const Rect to = out->portRect();
    ASSERT_TRUE(copyGWorldToGWorld(photo.get(), out.get(), &crop, &to));
    for (int y = 0; y < 12 * c.scale; ++y)
      for (int x = 0; x < 15 * c.scale; ++x) {
        const int sx = x / c.scale, sy = y / c.scale;
        ASSERT_EQ(pixelAt(*out, x, y), sy < 10 ? coordinatePixel(sx, sy) : background) << x << "," << y;
      }
  }
}

TEST(Placement, OrientationCountsSquaresApart) {
  EXPECT_EQ(GetRectOrientation(size(3, 2)), 1);
  EXPECT_EQ(GetRectOrientation(size(2, 3)), 2);
  EXPECT_EQ(GetRectOrientation(size(2, 2)), 3);
}

TEST(Placement, InsetsShrinkTheSourceAndFitTheDestination) {
  // Inset 10 on a 600 × 400 landscape: 10 across, lround(10 / 1.5) = 7 down, from every side.
  Rect src = size(600, 400), dst = size(300, 200);
  EXPECT_EQ(InsetRects(src, dst, size(600, 400), size(300, 200), 10, 0), 1);
  EXPECT_EQ(src, makeRect(7, 10, 393, 590));
  EXPECT_EQ(dst, makeRect(0, 0, 200, 300));

  // No inset into a square frame: the landscape fit (margin m = 50 above and below the 200 rows) grown by
  // d = (0 + 50) / 2 = 25 rows and e = lround(25 / (2/3)) = 38 columns on each side.
  src = size(600, 400);
  dst = size(300, 300);
  InsetRects(src, dst, size(600, 400), size(300, 300), 0, 0);
  EXPECT_EQ(dst, makeRect(25, -38, 275, 338));

  MessageRecorder messages;
  src = size(600, 400);
  dst = size(10, 10);
  InsetRects(src, dst, size(600, 400), size(0, 300), 0, 0);
  EXPECT_EQ(dst, size(10, 10));
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_NE(messages.messages()[0].find("Should never be here - InsetRectsFromWhere"), std::string::npos);
}

TEST(Placement, PanningPastTheImageMovesTheDestinationAndClipsToTheLimit) {
  const struct {
    const char* what;
    CPoint_AC offset;
    Rect src, dst;
  } cases[] = {
      {"inside the slack: the window moves", {0, 10}, makeRect(0, 10, 50, 60), makeRect(0, 0, 100, 100)},
      // 20 − 30 is past the left edge: the window stops at 0 and the destination moves right by (30 − 20) · 2,
      // then its right edge is clipped to 100, taking (120 − 100) / 2 columns off the window.
      {"past the left edge", {0, 30}, makeRect(0, 0, 50, 40), makeRect(0, 20, 100, 100)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Rect src = makeRect(0, 20, 50, 70), dst = makeRect(0, 0, 100, 100);
    OffsetRects(src, dst, size(100, 100), size(100, 100), c.offset);
    EXPECT_EQ(src, c.src);
    EXPECT_EQ(dst, c.dst);
  }
}

}  // namespace
}  // namespace vorl::test
