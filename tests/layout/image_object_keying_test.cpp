// Keyed photos: a green-screen photo keyed through the bridge over what the page already holds, on each road,
// with and without the matte in the page's alpha.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/offscreens/offscreen_copy.h"
#include "tests/chromakey/synthetic_green_screen.h"
#include "tests/layout/image_object_fixture.h"

namespace vorl::test {
namespace {

constexpr Colour kOrange{200, 100, 50};
constexpr int kWidth = 240, kHeight = 180;

class KeyedImageObject : public ImageObjectTest {
 protected:
  void SetUp() override {
    ImageObjectTest::SetUp();
    scene_ = makeGreenScreenScene(kWidth, kHeight, 7);
    const Rect bounds = makeRect(0, 0, kHeight, kWidth);
    OffscreenPtr photo{myNewGWorld(&bounds)};
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const pixeli& p = scene_.photograph[static_cast<std::size_t>(y) * kWidth + x];
        std::uint8_t* q = photo->view().localPixel(x, y);
        q[kRedByte] = static_cast<std::uint8_t>(p.r >> 8);
        q[kGreenByte] = static_cast<std::uint8_t>(p.g >> 8);
        q[kBlueByte] = static_cast<std::uint8_t>(p.b >> 8);
      }
    writePhoto("green.png", *photo);
    auto settings = std::make_shared<tChromaKeySettings>();
    settings->coefficients = makeSurfaceKeyFor(scene_);
    key_ = settings;
  }

  // 2 x 1.5 inches at 120 dpi: the photo's own size, so each photo pixel lands on one page pixel.
  std::unique_ptr<TImageObject> keyedObject(float x, std::int16_t angledFlag = 0) const {
    ObjectSettings settings;
    settings.photo = "green.png";
    settings.x = x;
    settings.y = 0.5f;
    settings.width = 2;
    settings.height = 1.5f;
    settings.keyed = true;
    settings.angledFlag = angledFlag;
    settings.angleDirection = 2;
    auto object = makeObject(settings);
    object->SetChromaKeySettings(key_);
    return object;
  }

  static OffscreenPtr orangePage(int width) {
    OffscreenPtr page = makePage(width, 300);
    fillPixelMap(page.get(), (kOrange[0] << 16) | (kOrange[1] << 8) | kOrange[2]);
    return page;
  }

  struct RegionScores {
    double backingReplaced = 0;  // backing pixels that show the page's orange
    double interiorKept = 0;     // subject pixels that show the photo
    double backingAlphaClear = 0, interiorAlphaSet = 0;
    double backingExact = 0, interiorExact = 0;  // the same shares to the 8-bit level
  };
  RegionScores score(const Offscreen& page, int left, int top) const {
    RegionScores s;
    double backing = 0, interior = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * kWidth + x;
        const Colour c = colourAt(page, left + x, top + y);
        const std::uint8_t a = alphaAt(page, left + x, top + y);
        if (scene_.region[i] == kRegionBacking) {
          backing += 1;
          s.backingReplaced += near(c, kOrange, 12);
          s.backingExact += near(c, kOrange, 0);
          s.backingAlphaClear += a < 32;
        } else if (scene_.region[i] == kRegionInterior) {
          interior += 1;
          const pixeli& p = scene_.photograph[i];
          const Colour photo{static_cast<std::uint8_t>(p.r >> 8), static_cast<std::uint8_t>(p.g >> 8),
                             static_cast<std::uint8_t>(p.b >> 8)};
          s.interiorKept += near(c, photo, 12);
          s.interiorExact += near(c, photo, 0);
          s.interiorAlphaSet += a > 223;
        }
      }
    s.backingReplaced /= backing;
    s.backingExact /= backing;
    s.interiorExact /= interior;
    s.backingAlphaClear /= backing;
    s.interiorKept /= interior;
    s.interiorAlphaSet /= interior;
    return s;
  }

  GreenScreenScene scene_;
  std::shared_ptr<const tChromaKeySettings> key_;
};

TEST_F(KeyedImageObject, KeysOverWhatThePageHoldsOnEveryRoad) {
  struct Case {
    const char* name;
    std::int16_t printMode;
    std::int16_t angledFlag;
    double minimum;
    bool exact;  // drawn at its own size: the keying marks hold to the level
  } cases[] = {
      {"direct road", 3, 0, 0.97, true},
      {"crop road", 2, 0, 0.97, true},
      // Turned by no angle through the smooth drawing first: the same picture, a little softer.
      {"angled", 3, 1, 0.9, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ViewSettings settings;
    settings.printMode = c.printMode;
    settings.cropMode = 1;
    OffscreenPtr page = orangePage(400);
    ASSERT_TRUE(keyedObject(0.5f, c.angledFlag)->Draw4Printing(page.get(), 120, makeView(settings).get()));
    if (c.printMode == 3 && c.angledFlag == 0) saveArtifact(*page, "image-object-keyed");
    const RegionScores s = score(*page, 60, 60);
    EXPECT_GE(s.backingReplaced, c.minimum);
    EXPECT_GE(s.interiorKept, c.minimum);
    if (c.exact) {
      EXPECT_GE(s.backingExact, 0.995);
      EXPECT_GE(s.interiorExact, 0.999);
    }
    // Nothing outside the photo's rectangle changed.
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 400; ++x)
        if (x < 60 || x >= 300 || y < 60 || y >= 240) ASSERT_EQ(colourAt(*page, x, y), kOrange) << x << "," << y;
  }
}

// With alpha output each keyed photo's matte lands under its own rectangle; a later keyed photo keeps the earlier
// one's matte, and the rest of the page keeps alpha 0.
TEST_F(KeyedImageObject, MattesOfEveryKeyedPhotoReachThePageAlpha) {
  ViewSettings settings;
  settings.alphaOutput = 1;
  auto view = makeView(settings);
  OffscreenPtr page = orangePage(700);
  ASSERT_TRUE(keyedObject(0.5f)->Draw4Printing(page.get(), 120, view.get()));
  ASSERT_TRUE(keyedObject(3.0f)->Draw4Printing(page.get(), 120, view.get()));
  for (int left : {60, 360}) {
    SCOPED_TRACE(left);
    const RegionScores s = score(*page, left, 60);
    EXPECT_GE(s.interiorAlphaSet, 0.97);
    EXPECT_GE(s.backingAlphaClear, 0.97);
  }
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 700; ++x) {
      const bool inFirst = x >= 60 && x < 300 && y >= 60 && y < 240;
      const bool inSecond = x >= 360 && x < 600 && y >= 60 && y < 240;
      if (!inFirst && !inSecond) ASSERT_EQ(alphaAt(*page, x, y), 0) << x << "," << y;
    }
}

TEST_F(KeyedImageObject, KeyedPhotoWithUnknownResizeModeFails) {
  ViewSettings settings;
  settings.resizeMode = settings.reductionResizeMode = 0;
  OffscreenPtr page = orangePage(400);
  EXPECT_FALSE(keyedObject(0.5f)->Draw4Printing(page.get(), 120, makeView(settings).get()));
  EXPECT_EQ(colourAt(*page, 100, 100), kOrange);
}

}  // namespace
}  // namespace vorl::test
