// Placement geometry: crops, fits, insets and panning, on worked rectangles.
#include <gtest/gtest.h>

#include "imaging/placement.h"
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
      {"odd difference, bottom: the crop ends on the last column", size(601, 400), size(100, 100), kAnchorBottom,
       makeRect(0, 201, 400, 601)},
      {"tall to square, centred", size(400, 600), size(50, 50), 0, makeRect(100, 0, 500, 400)},
      {"empty target: the source comes back", size(400, 600), size(0, 50), 0, size(400, 600)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CropAndResize(c.source, c.target, c.where), c.expected);
  }
}

TEST(Placement, FitsInsideTheFrame) {
  EXPECT_EQ(ResizeToFit(rectAt(10, 10, 100, 100), size(400, 200)), makeRect(35, 10, 85, 110));
  // 1005 high and 1000 wide into 1000 × 1000: whole percentages tie at 100, the exact ratio says fit the height,
  // which keeps the image inside the frame.
  EXPECT_EQ(ResizeToFit(size(1000, 1000), size(1000, 1005)), makeRect(0, 2, 1000, 997));
  EXPECT_EQ(ResizeToFit(size(0, 100), size(40, 20)), size(40, 20));

  EXPECT_EQ(CalculateMaximumRect(rectAt(30, 30, 100, 100), size(50, 50), false), makeRect(25, 25, 75, 75));
  EXPECT_EQ(CalculateMaximumRect(rectAt(30, 30, 100, 100), size(50, 50), true), makeRect(0, 0, 100, 100));
  EXPECT_EQ(CalculateMaximumRect(size(100, 100), size(400, 100), false), makeRect(37, 0, 62, 100));
  // As high as the frame and wider: fitted to the width rather than left standing out of the frame.
  EXPECT_EQ(CalculateMaximumRect(size(100, 100), size(200, 100), false), makeRect(25, 0, 75, 100));
}

TEST(Placement, CropPresetsTakeTheImagesOrientationAndStayInsideIt) {
  const struct {
    const char* what;
    Rect image;
    std::int16_t type;
    float h, v;
    Rect expected;
  } cases[] = {
      {"none: the image itself", rectAt(5, 7, 30, 20), kNoCrop, 0, 0, rectAt(5, 7, 30, 20)},
      {"8x10 of a portrait", size(1000, 1500), k8x10CropPortrait, 0, 0, size(800, 1000)},
      {"8x10 of a 3:2 landscape is shrunk to fit", size(1500, 1000), k8x10CropPortrait, 0, 0, size(1250, 1000)},
      {"5x7 of a landscape", size(1400, 700), k5x7CropPortrait, 0, 0, size(980, 700)},
      {"caller's square", size(300, 200), kRatioCrop, 4, 4, size(200, 200)},
      {"caller's 2 by 3 on a landscape", size(300, 240), kRatioCrop, 2, 3, size(300, 200)},
      {"a zero ratio crops nothing", size(300, 200), kRatioCrop, 0, 3, size(300, 200)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(getCropRect(c.image, c.type, c.h, c.v, 300), c.expected);
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
