// Where an image object's photo lands on the page: the object rectangle, fit and fill, anchors, turns, the crop
// road against the direct road, the resize modes, odd resolutions, the border, angled photos and the box scale.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/filters/alpha_masks.h"
#include "imaging/image_files/image_settings_resources.h"
#include "imaging/filters/junk_masks.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/placement.h"
#include "platform/files/apple_double.h"
#include "tests/layout/image_object_fixture.h"
#include "tests/support/keyed_archive_writer.h"

namespace vorl::test {
namespace {

struct Corners {
  Colour topLeft, topRight, bottomLeft, bottomRight;
};

struct PlacementCase {
  const char* name;
  ViewSettings view;
  ObjectSettings object;
  std::int16_t resolution;
  Rect expected;  // where the photo must land
  Corners corners;
  int tolerance = 0;
};

ViewSettings cropRoad(std::int16_t cropMode, float w, float h, std::int16_t cropWhere = 1) {
  ViewSettings v;
  v.printMode = 2;
  v.cropMode = cropMode;
  v.cropWidth = w;
  v.cropHeight = h;
  v.cropWhere = cropWhere;
  return v;
}
ViewSettings direct(std::int16_t cropWhere = 1, std::int16_t resizeMode = 1) {
  ViewSettings v;
  v.cropWhere = cropWhere;
  v.resizeMode = v.reductionResizeMode = resizeMode;
  return v;
}
ObjectSettings fit(float rotation = 0) {
  ObjectSettings o;
  o.rotation = rotation;
  return o;
}
ObjectSettings fill() {
  ObjectSettings o;
  o.fitMode = 1;
  return o;
}
ObjectSettings square(float x, float side) {
  ObjectSettings o;
  o.x = o.y = x;
  o.width = o.height = side;
  return o;
}

constexpr Corners kUpright{kRed, kGreen, kBlue, kYellow};

class ImageObjectPlacement : public ImageObjectTest {};

// The photo is 400 x 200 pixels in four quadrants; the object 2 x 3 inches at (1, 1), so at 100 dpi its rectangle
// is (100, 100) to (300, 400).
TEST_F(ImageObjectPlacement, PhotosLandWhereTheLayoutAsks) {
  writeQuadrantPhoto("photo.png", 400, 200);
  const std::vector<PlacementCase> cases = {
      // Fitted: half size, centred in the height.
      {"fit", direct(), fit(), 100, makeRect(200, 100, 300, 300), kUpright},
      // Filled: the middle 133 columns of the photo fill the rectangle.
      {"fill centre", direct(), fill(), 100, makeRect(100, 100, 400, 300), kUpright},
      {"fill top", direct(2), fill(), 100, makeRect(100, 100, 400, 300), {kRed, kRed, kBlue, kBlue}},
      {"fill bottom", direct(3), fill(), 100, makeRect(100, 100, 400, 300), {kGreen, kGreen, kYellow, kYellow}},
      // Turned clockwise by 90: 200 x 400, fitted at three quarters.
      {"turn 90", direct(), fit(90), 100, makeRect(100, 125, 400, 275), {kBlue, kRed, kYellow, kGreen}},
      {"turn 180", direct(), fit(180), 100, makeRect(200, 100, 300, 300), {kYellow, kBlue, kGreen, kRed}},
      {"turn 270", direct(), fit(270), 100, makeRect(100, 125, 400, 275), {kGreen, kYellow, kRed, kBlue}},
      {"turn -90 is 270", direct(), fit(-90), 100, makeRect(100, 125, 400, 275), {kGreen, kYellow, kRed, kBlue}},
      // A turn that is no quarter turn draws the photo upright.
      {"turn 45 upright", direct(), fit(45), 100, makeRect(200, 100, 300, 300), kUpright},
      // The crop road cuts a 1:1 square first (the middle 200 columns), then fits it.
      {"crop road square", cropRoad(6, 1, 1), fit(), 100, makeRect(150, 100, 350, 300), kUpright},
      {"crop road square top",
       cropRoad(6, 1, 1, 2),
       fit(),
       100,
       makeRect(150, 100, 350, 300),
       {kRed, kRed, kBlue, kBlue}},
      {"crop road no crop", cropRoad(1, 1, 1), fit(), 100, makeRect(200, 100, 300, 300), kUpright},
      // The direct road never uses the crop format.
      {"direct ignores crop",
       [] {
         ViewSettings v = cropRoad(6, 1, 1);
         v.printMode = 3;
         return v;
       }(),
       fit(), 100, makeRect(200, 100, 300, 300), kUpright},
      {"resize mode 2", direct(1, 2), fit(), 100, makeRect(200, 100, 300, 300), kUpright, 40},
      {"resize mode 3", direct(1, 3), fit(), 100, makeRect(200, 100, 300, 300), kUpright, 40},
      {"resize mode 4", direct(1, 4), fit(), 100, makeRect(200, 100, 300, 300), kUpright, 40},
      {"crop road mode 4 fill",
       [] {
         ViewSettings v = cropRoad(6, 1, 1);
         v.resizeMode = 4;
         return v;
       }(),
       fill(), 100, makeRect(100, 100, 400, 300), kUpright, 40},
      // Odd resolutions: the rectangle edges are truncated products; 1 inch at 0.5 is 150..451 at 301 dpi.
      {"301 dpi", direct(), square(0.5f, 1), 301, ResizeToFit(makeRect(150, 150, 451, 451), makeRect(0, 0, 200, 400)),
       kUpright},
      {"72 dpi", direct(), square(0.5f, 1), 72, makeRect(54, 36, 90, 108), kUpright},
      {"150 dpi fill", direct(),
       [] {
         ObjectSettings o = square(0.5f, 1);
         o.fitMode = 1;
         return o;
       }(),
       150, makeRect(75, 75, 225, 225), kUpright},
  };
  for (const PlacementCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto view = makeView(c.view);
    auto object = makeObject(c.object);
    OffscreenPtr page = makePage(700, 700);
    ASSERT_TRUE(object->Draw4Printing(page.get(), c.resolution, view.get()));
    const Rect drawn = paintedArea(*page);
    EXPECT_TRUE(EqualRect(drawn, c.expected)) << describe(drawn) << " expected " << describe(c.expected);
    EXPECT_TRUE(near(colourAt(*page, drawn.left, drawn.top), c.corners.topLeft, c.tolerance));
    EXPECT_TRUE(near(colourAt(*page, drawn.right - 1, drawn.top), c.corners.topRight, c.tolerance));
    EXPECT_TRUE(near(colourAt(*page, drawn.left, drawn.bottom - 1), c.corners.bottomLeft, c.tolerance));
    EXPECT_TRUE(near(colourAt(*page, drawn.right - 1, drawn.bottom - 1), c.corners.bottomRight, c.tolerance));
    if (std::string_view(c.name) == "crop road square") saveArtifact(*page, "image-object-crop-road");
  }
}

// Inset and offset move the photo inside its frame, never outside the object rectangle.
TEST_F(ImageObjectPlacement, InsetAndOffsetStayInsideTheFrame) {
  writeQuadrantPhoto("photo.png", 400, 200);
  struct Case {
    const char* name;
    std::int16_t inset, offsetV, offsetH;
    Corners corners;
  } cases[] = {
      {"inset zooms in", 2, 0, 0, kUpright},
      // A positive offset pulls the photo right in its frame: the window moves to the photo's left part.
      {"offset right", 0, 0, 100, {kRed, kRed, kBlue, kBlue}},
      {"offset left", 0, 0, -100, {kGreen, kGreen, kYellow, kYellow}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto view = makeView(direct());
    ObjectSettings settings = square(1, 2);
    settings.fitMode = 1;
    settings.insetSteps = c.inset;
    settings.offsetV = c.offsetV;
    settings.offsetH = c.offsetH;
    auto object = makeObject(settings);
    OffscreenPtr page = makePage(400, 400);
    ASSERT_TRUE(object->Draw4Printing(page.get(), 100, view.get()));
    const Rect drawn = paintedArea(*page);
    const Rect frame = makeRect(100, 100, 300, 300);
    EXPECT_GE(drawn.left, frame.left);
    EXPECT_GE(drawn.top, frame.top);
    EXPECT_LE(drawn.right, frame.right);
    EXPECT_LE(drawn.bottom, frame.bottom);
    EXPECT_TRUE(near(colourAt(*page, drawn.left, drawn.top), c.corners.topLeft, 0)) << describe(drawn);
    EXPECT_TRUE(near(colourAt(*page, drawn.right - 1, drawn.top), c.corners.topRight, 0));
    EXPECT_TRUE(near(colourAt(*page, drawn.left, drawn.bottom - 1), c.corners.bottomLeft, 0));
    EXPECT_TRUE(near(colourAt(*page, drawn.right - 1, drawn.bottom - 1), c.corners.bottomRight, 0));
  }
}

// On the crop road a landscape photo in a portrait frame is turned when the job asks; the direct road never turns
// it.
TEST_F(ImageObjectPlacement, CropRoadTurnsForPrintAndTheDirectRoadDoesNot) {
  writeQuadrantPhoto("photo.png", 400, 200);
  ViewSettings turning = cropRoad(1, 1, 1);
  turning.matchRotation = 1;
  turning.rotation = 2;  // clockwise
  OffscreenPtr page = makePage(500, 500);
  ASSERT_TRUE(makeObject(fit())->Draw4Printing(page.get(), 100, makeView(turning).get()));
  Rect drawn = paintedArea(*page);
  EXPECT_TRUE(EqualRect(drawn, makeRect(100, 125, 400, 275))) << describe(drawn);
  EXPECT_EQ(colourAt(*page, drawn.left, drawn.top), kBlue);
  EXPECT_EQ(colourAt(*page, drawn.right - 1, drawn.top), kRed);

  turning.printMode = 3;
  page = makePage(500, 500);
  ASSERT_TRUE(makeObject(fit())->Draw4Printing(page.get(), 100, makeView(turning).get()));
  drawn = paintedArea(*page);
  EXPECT_TRUE(EqualRect(drawn, makeRect(200, 100, 300, 300))) << describe(drawn);
  EXPECT_EQ(colourAt(*page, drawn.left, drawn.top), kRed);
}

// A 40 x 41 photo fitted into a 200 x 200 frame comes out 200 x 205 (the fit picks its side on whole percentages),
// 2 rows above the frame and 3 below: only the part inside the frame reaches the page, on every road and
// resize mode, and the border follows what shows.
TEST_F(ImageObjectPlacement, AFitThatOverhangsItsFrameIsClippedToTheFrame) {
  writeQuadrantPhoto("photo.png", 40, 41);
  const Rect frame = makeRect(100, 100, 300, 300);
  ASSERT_TRUE(EqualRect(ResizeToFit(frame, makeRect(0, 0, 41, 40)), makeRect(98, 100, 303, 300)));
  const struct {
    const char* name;
    ViewSettings view;
  } cases[] = {
      {"direct, copy", direct(1, 1)},     {"direct, resize 2", direct(1, 2)},     {"direct, resize 3", direct(1, 3)},
      {"direct, resize 4", direct(1, 4)}, {"crop road, copy", cropRoad(1, 1, 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ObjectSettings settings = square(1, 2);
    settings.photo = "photo.png";
    OffscreenPtr page = makePage(400, 400);
    ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 100, makeView(c.view).get()));
    const Rect drawn = paintedArea(*page);
    EXPECT_TRUE(EqualRect(drawn, frame)) << describe(drawn);
    for (int x = 100; x < 300; x += 7) {
      EXPECT_EQ(colourAt(*page, x, 99), kPageColour) << x;
      EXPECT_EQ(colourAt(*page, x, 300), kPageColour) << x;
    }
    if (std::string_view(c.name) == "direct, copy") saveArtifact(*page, "image-object-fit-clipped-to-frame");
  }

  // The border goes round the picture as it shows, inside the frame.
  ObjectSettings bordered = square(1, 2);
  bordered.borderFlag = 1;
  bordered.borderWidth = 1;
  bordered.borderColour = {0x8000, 0x4000, 0x2000};
  OffscreenPtr page = makePage(400, 400);
  ASSERT_TRUE(makeObject(bordered)->Draw4Printing(page.get(), 100, makeView(direct()).get()));
  const Rect drawn = paintedArea(*page);
  EXPECT_TRUE(EqualRect(drawn, frame)) << describe(drawn);
  for (const int y : {100, 299}) EXPECT_EQ(colourAt(*page, 150, y), (Colour{0x80, 0x40, 0x20})) << y;
}

// A border of 1 point at 300 dpi is 4 pixels wide, inside the photo's rectangle.
TEST_F(ImageObjectPlacement, BorderPenIsTheWidthAtTheResolution) {
  writeQuadrantPhoto("photo.png", 400, 200);
  ObjectSettings settings = fit();
  settings.x = settings.y = 0.5f;
  settings.width = 2;
  settings.height = 1;
  settings.borderFlag = 1;
  settings.borderWidth = 1;
  settings.borderColour = {0x8000, 0x4000, 0x2000};
  OffscreenPtr page = makePage(1000, 500);
  ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 300, makeView(direct()).get()));
  const Colour pen{0x80, 0x40, 0x20};
  const Rect frame = makeRect(150, 150, 450, 750);
  EXPECT_TRUE(EqualRect(paintedArea(*page), frame)) << describe(paintedArea(*page));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(colourAt(*page, frame.left + i, 300), pen) << i;
    EXPECT_EQ(colourAt(*page, frame.right - 1 - i, 300), pen) << i;
    EXPECT_EQ(colourAt(*page, 400, frame.top + i), pen) << i;
    EXPECT_EQ(colourAt(*page, 400, frame.bottom - 1 - i), pen) << i;
  }
  EXPECT_EQ(colourAt(*page, frame.left + 4, frame.top + 4), kRed);
  EXPECT_EQ(colourAt(*page, frame.right - 5, frame.bottom - 5), kYellow);
}

// A resize mode the drawing does not know draws no photo, but the border still.
TEST_F(ImageObjectPlacement, UnknownResizeModeDrawsOnlyTheBorder) {
  writeQuadrantPhoto("photo.png", 400, 200);
  ObjectSettings settings = fit();
  settings.borderFlag = 1;
  settings.borderWidth = 1;
  settings.borderColour = {0xFFFF, 0xFFFF, 0xFFFF};
  OffscreenPtr page = makePage(500, 500);
  ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 72, makeView(direct(1, 0)).get()));
  const Rect drawn = paintedArea(*page);
  EXPECT_EQ(colourAt(*page, drawn.left, drawn.top), (Colour{255, 255, 255}));
  EXPECT_EQ(colourAt(*page, (drawn.left + drawn.right) / 2, (drawn.top + drawn.bottom) / 2), kPageColour);
}

// Angled photos turn clockwise on the page for positive angles.
TEST_F(ImageObjectPlacement, AngledPhotoTurnsClockwise) {
  const Rect barBounds = makeRect(0, 0, 200, 20);
  OffscreenPtr bar{myNewGWorld(&barBounds)};
  fillPixelMap(bar.get(), 0xFF0000);
  writePhoto("bar.png", *bar);
  ObjectSettings settings = square(1, 2);
  settings.photo = "bar.png";
  settings.fitMode = 1;
  settings.width = 0.2f;
  settings.x = 1.9f;
  settings.angledFlag = 1;
  settings.angle = 30;
  settings.angleDirection = 2;
  OffscreenPtr page = makePage(400, 400);
  ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 100, makeView(direct()).get()));
  saveArtifact(*page, "image-object-angled");
  const Rect drawn = paintedArea(*page);
  const auto redColumnsIn = [&](int y) {
    int sum = 0, count = 0;
    for (int x = drawn.left; x < drawn.right; ++x)
      if (near(colourAt(*page, x, y), kRed, 60)) sum += x, ++count;
    return count ? sum / count : -1;
  };
  const int centre = 200;
  EXPECT_GT(redColumnsIn(drawn.top + 5), centre + 20);     // the top end went right
  EXPECT_LT(redColumnsIn(drawn.bottom - 6), centre - 20);  // the bottom end went left
}

// The box scale enlarges each angled photo by its own value in pixels at the resolution; a second object does
// not compound it.
TEST_F(ImageObjectPlacement, BoxScaleIsPerObject) {
  writeQuadrantPhoto("photo.png", 200, 200);
  OffscreenPtr page = makePage(700, 400);
  auto view = makeView(direct());
  for (float x : {0.5f, 2.5f}) {
    ObjectSettings settings = square(x, 1);
    settings.y = 0.5f;
    settings.angledFlag = 1;
    settings.angleDirection = 2;
    settings.boxScale = 6;  // 12 pixels at 144 dpi
    ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 144, view.get()));
  }
  const int side = 144;
  const Rect first = makeRect(72 - 6, 72 - 6, 72 + side + 6, 72 + side + 6);
  const Rect second = makeRect(72 - 6, 360 - 6, 72 + side + 6, 360 + side + 6);
  const Rect drawn = paintedArea(*page);
  EXPECT_TRUE(EqualRect(drawn, makeRect(first.top, first.left, second.bottom, second.right))) << describe(drawn);
  EXPECT_EQ(colourAt(*page, first.right, 100), kPageColour);
  EXPECT_NE(colourAt(*page, first.right - 1, 100), kPageColour);
  EXPECT_NE(colourAt(*page, second.left, 100), kPageColour);
  EXPECT_EQ(colourAt(*page, second.left - 1, 100), kPageColour);
}

// An angled photo with a junk mask: the turned mask becomes the alpha of the photo's rectangle, and the alpha of the
// rest of the page stays as it was.
TEST_F(ImageObjectPlacement, AngledJunkMaskSetsAlphaOnlyUnderThePhoto) {
  writeQuadrantPhoto("masked.png", 200, 200);
  ArchivedValue::Array rectangle{ArchivedValue::string("rectangle"), ArchivedValue::string("{{10, 20}, {30, 40}}")};
  ArchivedValue::Array shapes{ArchivedValue::array(std::move(rectangle))};
  const Bytes archive = encodeKeyedArchive(ArchivedValue::array(std::move(shapes)));
  ASSERT_EQ(writeResource(imagesFolder() / "masked.png", kPrefResourceType, kJunkMaskResourceID, archive), noErr);
  ObjectSettings settings = square(1, 2);
  settings.photo = "masked.png";
  settings.angledFlag = 1;
  settings.angleDirection = 2;
  OffscreenPtr page = makePage(400, 400);
  mySetGworldAlphaChannelToByteValue(page.get(), 77);  // another photo's alpha, which must stay
  ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 100, makeView(direct()).get()));
  // The mask's rectangle, drawn at twice its size: (20, 40) to (80, 120) in the photo.
  EXPECT_EQ(alphaAt(*page, 150, 180), 255);
  EXPECT_EQ(alphaAt(*page, 125, 145), 255);
  EXPECT_EQ(alphaAt(*page, 250, 250), 0);
  EXPECT_EQ(alphaAt(*page, 105, 105), 0);
  EXPECT_EQ(alphaAt(*page, 99, 150), 77);
  EXPECT_EQ(alphaAt(*page, 300, 150), 77);
  EXPECT_EQ(alphaAt(*page, 150, 350), 77);
  EXPECT_EQ(colourAt(*page, 110, 110), kRed);
}

}  // namespace
}  // namespace vorl::test
