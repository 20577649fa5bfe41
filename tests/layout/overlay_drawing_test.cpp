// Where group photos, file overlays and transparent overlays land on the page and how they mix with it.
#include <QImage>

#include "layout/overlay_objects.h"
#include "tests/layout/overlay_objects_fixture.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using namespace test;

Placement inches(float x, float y, float width, float height) {
  Placement at;
  at.x = x;
  at.y = y;
  at.width = width;
  at.height = height;
  return at;
}

Bytes groupPhoto(const std::string& category, const std::string& name, const Placement& at) {
  GroupPhotoSpec spec;
  spec.at = at;
  spec.category = category;
  spec.name = name;
  return groupPhotoRecord(spec);
}

OverlaySpec overlay(const std::string& category, const std::string& name, const Placement& at) {
  OverlaySpec spec;
  spec.at = at;
  spec.category = category;
  spec.name = name;
  spec.skipFlag = 0;
  return spec;
}

TLayoutObject& onlyObject(const TBGPrintView& view) {
  EXPECT_EQ(view.layoutObjects().size(), 1u);
  return *view.layoutObjects().front();
}

using OverlayDrawing = OverlayObjectsTest;

// A larger photo is copied down into the largest rectangle of its shape in the frame, centred; a smaller one is
// enlarged into it with the job's resampler.
TEST_F(OverlayDrawing, GroupPhotoFillsItsFrameWithItsProportions) {
  struct Case {
    const char* name;
    int photoWidth, photoHeight;
    float frameInches;
    Rect expected;
    bool resampled;
  };
  const Case cases[] = {
      {"600 x 400 in 300 x 300", 600, 400, 3.0f, makeRect(150, 100, 350, 400), false},
      {"200 x 100 in 400 x 400", 200, 100, 4.0f, makeRect(200, 100, 400, 500), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeGraphic("GROUPS", "team.png", *quadrantPicture(c.photoWidth, c.photoHeight));
    // The category as the job writes it, in lower case, finds the folder named in capitals.
    auto view = readJob({groupPhoto("groups", "team.png", inches(1, 1, c.frameInches, c.frameInches))});
    OffscreenPtr page = makePage(600, 600);
    EXPECT_TRUE(onlyObject(*view).Draw4Printing(page.get(), 100, view.get()));
    const Rect drawn = paintedArea(*page);
    EXPECT_TRUE(EqualRect(drawn, c.expected)) << describe(drawn);
    EXPECT_TRUE(near(colourAt(*page, drawn.left + 2, drawn.top + 2), kRed, 2));
    EXPECT_TRUE(near(colourAt(*page, drawn.right - 3, drawn.bottom - 3), kYellow, 2));
    // A copy keeps the pure quadrant colours; the resampler mixes them where the quadrants meet.
    const int middle = (drawn.left + drawn.right) / 2;
    bool mixed = false;
    for (int x = middle - 3; x <= middle + 3; ++x) {
      const Colour at = colourAt(*page, x, drawn.top + 10);
      mixed = mixed || (at != kRed && at != kGreen);
    }
    EXPECT_EQ(mixed, c.resampled);
    if (c.resampled) saveArtifact(*page, "overlay-group-photo-enlarged");
  }
}

// A square graphic stretched into a 2 x 1 inch frame; its transparent middle lets the page show through.
TEST_F(OverlayDrawing, MaskedFileOverlayStretchesASquareGraphicToItsFrame) {
  OffscreenPtr graphic = quadrantPicture(100, 100);
  for (int y = 40; y < 60; ++y)
    for (int x = 40; x < 60; ++x) graphic->view().localPixel(x, y)[kAlphaByte] = 255;
  writeGraphic("FRAMES", "square.png", *graphic);
  auto view = readJob({fileOverlayRecord(overlay("Frames", "square.png", inches(1, 1, 2, 1)))});
  OffscreenPtr page = makePage(400, 300);
  EXPECT_TRUE(onlyObject(*view).Draw4Printing(page.get(), 100, view.get()));
  saveArtifact(*page, "overlay-file-overlay");
  EXPECT_TRUE(EqualRect(paintedArea(*page), makeRect(100, 100, 200, 300))) << describe(paintedArea(*page));
  EXPECT_EQ(colourAt(*page, 100, 100), kRed);
  EXPECT_EQ(colourAt(*page, 299, 100), kGreen);
  EXPECT_EQ(colourAt(*page, 100, 199), kBlue);
  EXPECT_EQ(colourAt(*page, 299, 199), kYellow);
  // Each quadrant is stretched twice as wide as high.
  EXPECT_EQ(colourAt(*page, 199, 120), kRed);
  EXPECT_EQ(colourAt(*page, 200, 120), kGreen);
  EXPECT_EQ(colourAt(*page, 120, 149), kRed);
  EXPECT_EQ(colourAt(*page, 120, 150), kBlue);
  // The hole: 40 graphic pixels wide become 40 page pixels wide at twice the scale, 20 high.
  EXPECT_EQ(colourAt(*page, 200, 150), kPageColour);
  EXPECT_EQ(colourAt(*page, 181, 141), kPageColour);
  EXPECT_EQ(colourAt(*page, 219, 159), kPageColour);
  EXPECT_EQ(colourAt(*page, 179, 150), kBlue);
  EXPECT_EQ(colourAt(*page, 220, 141), kGreen);
  EXPECT_EQ(colourAt(*page, 199, 139), kRed);
  EXPECT_EQ(alphaAt(*page, 200, 150), 0) << "the page keeps its own alpha";
}

// A red PNG whose file alpha is 128 blends half and half with the page; the page's alpha stays.
TEST_F(OverlayDrawing, TransparentOverlayBlendsByTheFilesAlpha) {
  // Our alpha 127 is the file's 128.
  writeGraphic("CLOUDS", "half.png", *plainPicture(50, 50, kRed, 127));
  auto view = readJob({transparentOverlayRecord(overlay("CLOUDS", "half.png", inches(1, 1, 1, 1)))});
  OffscreenPtr page = makePage(300, 300);
  EXPECT_TRUE(onlyObject(*view).Draw4Printing(page.get(), 100, view.get()));
  saveArtifact(*page, "overlay-transparent");
  // 255 · 128/255 of red over the page's 127/255: (128 + 5, 10, 15).
  const Colour blended = colourAt(*page, 150, 150);
  EXPECT_TRUE(near(blended, Colour{133, 10, 15}, 1))
      << int{blended[0]} << "," << int{blended[1]} << "," << int{blended[2]};
  EXPECT_EQ(alphaAt(*page, 150, 150), 0);
  EXPECT_TRUE(EqualRect(paintedArea(*page), makeRect(100, 100, 200, 200))) << describe(paintedArea(*page));
}

// Stripes one pixel wide survive only when the graphic is read at its full size.
TEST_F(OverlayDrawing, TransparentOverlayIsReadAtFullSizeAndKeptWithTheObject) {
  OffscreenPtr stripes = plainPicture(100, 100, kRed, 0);
  for (int y = 0; y < 100; ++y)
    for (int x = 1; x < 100; x += 2) {
      std::uint8_t* p = stripes->view().localPixel(x, y);
      p[kRedByte] = 0;
      p[kBlueByte] = 255;
    }
  writeGraphic("STRIPES", "fine.png", *stripes);
  auto view = readJob({transparentOverlayRecord(overlay("STRIPES", "fine.png", inches(1, 1, 1, 1)))});
  auto& object = static_cast<TTransparentOverlayObject&>(onlyObject(*view));
  for (const bool fileStillThere : {true, false}) {
    SCOPED_TRACE(fileStillThere ? "first drawing" : "file removed after the first drawing");
    if (!fileStillThere) fs::remove(graphicsFolder() / "STRIPES" / "fine.png");
    OffscreenPtr page = makePage(300, 300);
    EXPECT_TRUE(object.Draw4Printing(page.get(), 100, view.get()));
    EXPECT_EQ(colourAt(*page, 150, 150), kRed);
    EXPECT_EQ(colourAt(*page, 151, 150), kBlue);
  }
  // A copy of the object reads for itself, and the file is gone.
  auto copy = object.Clone();
  OffscreenPtr page = makePage(300, 300);
  EXPECT_TRUE(copy->Draw4Printing(page.get(), 100, view.get()));
  EXPECT_EQ(paintedArea(*page).right, 0);
}

// Grey graphics become RGB on reading, for both overlay kinds.
TEST_F(OverlayDrawing, GreyGraphicsAreDrawnInColourSpace) {
  fs::create_directories(graphicsFolder() / "GREY");
  QImage grey(40, 40, QImage::Format_Grayscale8);
  grey.fill(200);
  ASSERT_TRUE(grey.save(QString::fromStdString((graphicsFolder() / "GREY" / "grey.png").string()), "PNG"));
  for (const bool transparent : {false, true}) {
    SCOPED_TRACE(transparent ? "tran" : "fovl");
    const OverlaySpec spec = overlay("GREY", "grey.png", inches(1, 1, 1, 1));
    auto view = readJob({transparent ? transparentOverlayRecord(spec) : fileOverlayRecord(spec)});
    OffscreenPtr page = makePage(300, 300);
    EXPECT_TRUE(onlyObject(*view).Draw4Printing(page.get(), 100, view.get()));
    EXPECT_TRUE(near(colourAt(*page, 150, 150), Colour{200, 200, 200}, 1));
  }
}

}  // namespace
}  // namespace vorl
