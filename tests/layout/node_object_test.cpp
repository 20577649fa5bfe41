// Nodes composing their nested layouts: placement and turning by rotation code, mirror, grey and old-time
// toning, failing and left-out nested objects. The nested layouts are background colours of known colours: a
// blue node with a red corner at its top-left.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "imaging/color/color_tables.h"
#include "layout/image_object.h"
#include "layout/job_file_stream.h"
#include "layout/node_object.h"
#include "layout/object_records.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "tests/layout/fixed_job_view.h"
#include "tests/layout/page_drawing_support.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/object_record_writer.h"

namespace vorl::test {
namespace {

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr std::int16_t kResolution = 10;  // pixels per inch: the node at (1, 1), 2 × 3 inch is 20 × 30 pixels

// A nested object that answers false, with the type it is given.
class FailingObject final : public TLayoutObject {
 public:
  explicit FailingObject(OSType type) { ILayoutObject({}, type); }
  bool Draw4Printing(Offscreen*, std::int16_t, JobViewAccess*) override { return false; }
  std::unique_ptr<TLayoutObject> Clone() const override { return std::make_unique<FailingObject>(*this); }
};

struct NodeLook {
  std::int16_t rotationCode = 3;
  bool mirror = false;
  bool color = true;
  bool sepia = false;
  std::int16_t oldTimeBlend = 0;
  float x = 1, y = 1, width = 2, height = 3;
};

// The node's layout is composed in its own (possibly exchanged) frame: a blue ground with a red 0.5-inch corner.
LayoutObjectList cornerLayout(float width, float height) {
  LayoutObjectList objects;
  objects.push_back(makeBackground(0, 0, width, height, kBlue));
  objects.push_back(makeBackground(0, 0, 0.45f, 0.45f, kRed));
  return objects;
}

std::unique_ptr<TNodeViewObject> makeNode(const NodeLook& look, LayoutObjectList objects) {
  CNodeDesc desc{};
  placeAt(desc.layout, look.x, look.y, look.width, look.height);
  desc.jobFile.name = Str63::fromUtf8("nested.job");
  desc.rotationCode = look.rotationCode;
  desc.mirror = look.mirror ? 1 : 0;
  desc.color = look.color ? 1 : 0;
  desc.sepia = look.sepia ? 1 : 0;
  desc.oldTimeBlend = look.oldTimeBlend;
  auto node = TNodeViewObject::New(desc);
  node->AdoptObjects(std::move(objects));
  return node;
}

std::unique_ptr<TNodeViewObject> cornerNode(const NodeLook& look) {
  const bool quarterTurn = look.rotationCode == 1 || look.rotationCode == 2;
  return makeNode(look, quarterTurn ? cornerLayout(look.height, look.width) : cornerLayout(look.width, look.height));
}

struct PlacementCase {
  std::string name;
  std::int16_t rotationCode;
  bool mirror;
  int redX, redY;  // a page pixel that must be red: the corner the red square went to
};

TEST(NodeObject, RotationCodesAndMirrorPlaceTheLayoutInTheNodeFrame) {
  const std::vector<PlacementCase> cases = {
      {"upright", 3, false, 10, 10},
      {"half turn", 4, false, 29, 39},
      {"quarter clockwise", 2, false, 29, 10},
      {"quarter counter-clockwise", 1, false, 10, 39},
      {"unknown code drawn upright", 7, false, 10, 10},
      {"code 0 drawn upright", 0, false, 10, 10},
      {"mirrored", 3, true, 29, 10},
      {"half turn mirrored", 4, true, 10, 39},
  };
  for (const PlacementCase& c : cases) {
    SCOPED_TRACE(c.name);
    NodeLook look;
    look.rotationCode = c.rotationCode;
    look.mirror = c.mirror;
    auto node = cornerNode(look);
    OffscreenPtr page = makeFilledPage(60, 60);
    FixedJobView view;
    ASSERT_TRUE(node->Draw4Printing(page.get(), kResolution, &view));
    // Whatever the turn, the picture fills the node's own 2 × 3 inch frame and nothing else.
    const Rect area = changedArea(*page, kPageGrey);
    EXPECT_EQ(area.left, 10);
    EXPECT_EQ(area.top, 10);
    EXPECT_EQ(area.right, 30);
    EXPECT_EQ(area.bottom, 40);
    EXPECT_EQ(pixelAt(*page, c.redX, c.redY), kRed);
    // The corner opposite the red one is the blue ground.
    EXPECT_EQ(pixelAt(*page, 39 - c.redX, 49 - c.redY), kBlue);
    EXPECT_EQ(node->objects(), nullptr) << "the list is released after drawing";
    if (c.rotationCode == 2) saveDrawnPage(*page, "node_quarter_clockwise");
  }
}

TEST(NodeObject, ComposesOverWhatThePageAlreadyShows) {
  LayoutObjectList objects;
  objects.push_back(makeBackground(0, 0, 0.45f, 0.45f, kRed));  // only a corner: the rest shows the page
  auto node = makeNode({}, std::move(objects));
  OffscreenPtr page = makeFilledPage(60, 60);
  FixedJobView view;
  ASSERT_TRUE(node->Draw4Printing(page.get(), kResolution, &view));
  EXPECT_EQ(pixelAt(*page, 10, 10), kRed);
  EXPECT_EQ(pixelAt(*page, 20, 20), kPageGrey);
}

TEST(NodeObject, CoveringThePageUprightComposesOnThePageItself) {
  for (const bool mirror : {false, true}) {
    SCOPED_TRACE(mirror ? "mirrored" : "plain");
    NodeLook look;
    look.x = 0;
    look.y = 0;
    look.mirror = mirror;
    auto node = cornerNode(look);
    OffscreenPtr page = makeFilledPage(20, 30);
    FixedJobView view;
    ASSERT_TRUE(node->Draw4Printing(page.get(), kResolution, &view));
    EXPECT_EQ(pixelAt(*page, mirror ? 19 : 0, 0), kRed);
    EXPECT_EQ(pixelAt(*page, mirror ? 0 : 19, 29), kBlue);
  }
}

TEST(NodeObject, ColourOffTurnsThePictureGrey) {
  NodeLook look;
  look.color = false;
  auto node = cornerNode(look);
  OffscreenPtr page = makeFilledPage(60, 60);
  FixedJobView view;
  ASSERT_TRUE(node->Draw4Printing(page.get(), kResolution, &view));
  EXPECT_EQ(pixelAt(*page, 10, 10), (Rgb{76, 76, 76}));  // 0.3 × 255
  EXPECT_EQ(pixelAt(*page, 29, 39), (Rgb{28, 28, 28}));  // 0.11 × 255
  EXPECT_EQ(pixelAt(*page, 5, 5), kPageGrey);
}

// The colour a lone pixel of `colour` takes through the old-time toning of that kind.
Rgb toned(Rgb colour, std::int16_t kind, const FixedJobView& view) {
  OffscreenPtr sample = makeFilledPage(1, 1, colour);
  EXPECT_TRUE(ConvertOffscreenToSepiaSpooler(sample.get(), view.sepiaAdjust, sample.get(), kind, view.oldTime));
  return pixelAt(*sample, 0, 0);
}

TEST(NodeObject, SepiaTonesByKind99AndTheOldTimeBlendByKind98) {
  FixedJobView view;
  view.sepiaAdjust.red = 30;
  view.sepiaAdjust.blue = -30;
  view.oldTime.tones.green = 40;
  view.oldTime.percent = 50;
  const Rgb sepiaRed = toned(kRed, 99, view);
  const Rgb blendRed = toned(kRed, 98, view);
  ASSERT_NE(sepiaRed, blendRed);

  struct ToneCase {
    std::string name;
    bool sepia;
    std::int16_t oldTimeBlend;
    bool color;
    Rgb expectedRed;
  };
  const std::vector<ToneCase> cases = {
      {"sepia", true, 0, true, sepiaRed},
      {"old-time blend wins over sepia", true, 1, true, blendRed},
      {"old-time blend alone", false, 256, true, blendRed},
      {"grey then sepia", true, 0, false, toned(Rgb{76, 76, 76}, 99, view)},
      {"neither", false, 0, true, kRed},
  };
  for (const ToneCase& c : cases) {
    SCOPED_TRACE(c.name);
    NodeLook look;
    look.sepia = c.sepia;
    look.oldTimeBlend = c.oldTimeBlend;
    look.color = c.color;
    auto node = cornerNode(look);
    OffscreenPtr page = makeFilledPage(60, 60);
    ASSERT_TRUE(node->Draw4Printing(page.get(), kResolution, &view));
    EXPECT_EQ(pixelAt(*page, 10, 10), c.expectedRed);
    EXPECT_EQ(pixelAt(*page, 5, 5), kPageGrey) << "toning stays inside the node";
    if (c.oldTimeBlend != 0 && c.sepia) saveDrawnPage(*page, "node_old_time_blend");
  }
}

TEST(NodeObject, AFailingNestedObjectFailsTheNodeAndLeavesThePageAlone) {
  LayoutObjectList objects = cornerLayout(2, 3);
  objects.push_back(std::make_unique<FailingObject>(kTextObjectType));
  auto node = makeNode({}, std::move(objects));
  OffscreenPtr page = makeFilledPage(60, 60);
  FixedJobView view;
  EXPECT_FALSE(node->Draw4Printing(page.get(), kResolution, &view));
  EXPECT_EQ(changedArea(*page, kPageGrey).right, 0);
  EXPECT_EQ(node->objects(), nullptr);
}

TEST(NodeObject, IgnoringOverlaysLeavesOutOnlyTheFileOverlays) {
  for (const bool ignore : {false, true}) {
    SCOPED_TRACE(ignore ? "overlays ignored" : "overlays drawn");
    LayoutObjectList objects = cornerLayout(2, 3);
    objects.insert(objects.begin() + 1, std::make_unique<FailingObject>(kFileOverlayObjectType));
    auto node = makeNode({}, std::move(objects));
    OffscreenPtr page = makeFilledPage(60, 60);
    FixedJobView view;
    view.ignoreOverlays = ignore;
    EXPECT_EQ(node->Draw4Printing(page.get(), kResolution, &view), ignore);
    EXPECT_EQ(pixelAt(*page, 10, 10), ignore ? kRed : kPageGrey);
  }
}

TEST(NodeObject, NothingToDrawSucceeds) {
  OffscreenPtr page = makeFilledPage(60, 60);
  FixedJobView view;

  auto empty = makeNode({}, {});
  EXPECT_TRUE(empty->Draw4Printing(page.get(), kResolution, &view));

  CImageDesc photo{};
  placeAt(photo.layout, 0, 0, 1, 1);
  photo.photo.name = Str63::fromUtf8("No File");
  LayoutObjectList objects;
  objects.push_back(TImageObject::New(photo));
  objects.push_back(makeBackground(0, 0, 1, 1, kRed));
  auto noFile = makeNode({}, std::move(objects));
  EXPECT_TRUE(noFile->Draw4Printing(page.get(), kResolution, &view));
  EXPECT_NE(noFile->objects(), nullptr) << "an undrawn node keeps its list";
  EXPECT_TRUE(view.inserted.empty());
  EXPECT_EQ(changedArea(*page, kPageGrey).right, 0);
}

TEST(NodeObject, ANodeReadFromItsRecordDrawsItsNestedRecords) {
  NodeSpec spec;
  spec.at.x = 1;
  spec.at.y = 1;
  spec.at.width = 2;
  spec.at.height = 3;
  spec.rotationCode = 3;
  spec.mirror = 0;
  spec.color = 1;
  spec.sepia = 0;
  spec.oldTimeBlend = 0;
  BackColorSpec ground;
  ground.at.x = 0;
  ground.at.y = 0;
  ground.at.width = 2;
  ground.at.height = 3;
  ground.color = {0, 0, 0xFFFF};
  BackColorSpec corner = ground;
  corner.at.width = 0.45f;
  corner.at.height = 0.45f;
  corner.color = {0xFFFF, 0, 0};
  spec.records = {backColorRecord(ground), backColorRecord(corner)};
  const Bytes bytes = nodeRecord(spec);
  JobFileStream stream(bytes);
  std::unique_ptr<TLayoutObject> object;
  ASSERT_TRUE(readObjectRecord(stream, ObjectListKind::Page, object));
  ASSERT_TRUE(object);
  OffscreenPtr page = makeFilledPage(60, 60);
  FixedJobView view;
  ASSERT_TRUE(object->Draw4Printing(page.get(), kResolution, &view));
  EXPECT_EQ(pixelAt(*page, 10, 10), kRed);
  EXPECT_EQ(pixelAt(*page, 29, 39), kBlue);
}

TEST(NodeObject, HandsTheJobItsPhotoFilesInTheImagesFolderAndRefusesOtherNames) {
  const std::filesystem::path images = makeTempFolder("node-images");
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  ASSERT_EQ(FSFolderIDs(images, vRefNum, dirID), noErr);
  prefs->imagesFolder.vRefNum = vRefNum;
  prefs->imagesFolder.dirID = dirID;

  LayoutObjectList objects;
  for (const char* name : {"portrait.jpg", "No File", "../outside.jpg"}) {
    CImageDesc photo{};
    placeAt(photo.layout, 0, 0, 1, 1);
    photo.photo.vRefNum = 7;
    photo.photo.parID = 77;
    photo.photo.name = Str63::fromUtf8(name);
    objects.push_back(TImageObject::New(photo));
  }
  // The first photo is missing, so the node fails; its files are handed on all the same.
  auto node = makeNode({}, std::move(objects));
  OffscreenPtr page = makeFilledPage(60, 60);
  FixedJobView view;
  EXPECT_FALSE(node->Draw4Printing(page.get(), kResolution, &view));
  ASSERT_EQ(view.inserted.size(), 1u);
  EXPECT_EQ(view.inserted[0].name.macRoman(), "portrait.jpg");
  EXPECT_EQ(view.inserted[0].vRefNum, vRefNum);
  EXPECT_EQ(view.inserted[0].parID, dirID);
}

}  // namespace
}  // namespace vorl::test
