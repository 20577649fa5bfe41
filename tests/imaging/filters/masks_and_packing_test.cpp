// Alpha masks and pixel packing: alpha to a grey mask and back, alpha fills, overlays, packed triples and
// colour planes, on offset ports with padded rows.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/filters/alpha_masks.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/pixel_packing.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/message_recorder.h"

namespace vorl::test {
namespace {

TEST(AlphaMasks, AlphaBecomesGreyAndGreyIsOredBackIntoAlpha) {
  OffscreenPtr source = makeOffscreen(rectAt(4, -2, 3, 1));
  setPixel(*source, 4, -2, {200, 1, 2, 3});
  setPixel(*source, 5, -2, {0, 1, 2, 3});
  setPixel(*source, 6, -2, {255, 1, 2, 3});
  OffscreenPtr mask{myCreateMaskGWorld(source.get())};
  ASSERT_TRUE(mask);
  EXPECT_EQ(pixelAt(*mask, 4, -2), (Pixel{0, 200, 200, 200}));
  EXPECT_EQ(pixelAt(*mask, 6, -2), (Pixel{0, 255, 255, 255}));

  OffscreenPtr target = makeOffscreen(rectAt(0, 0, 3, 1));
  setPixel(*target, 0, 0, {0x40, 9, 9, 9});
  setPixel(*target, 1, 0, {0x40, 9, 9, 9});
  setPixel(*target, 2, 0, {0x40, 9, 9, 9});
  setPixel(*mask, 4, -2, {0, 100, 100, 100});  // luminance 30 + 59 + 11 = 100
  ASSERT_TRUE(myCopyMaskGworldToAlphaChannel(target.get(), mask.get()));
  EXPECT_EQ(pixelAt(*target, 0, 0), (Pixel{0x40 | 100, 9, 9, 9}));
  EXPECT_EQ(pixelAt(*target, 1, 0), (Pixel{0x40, 9, 9, 9}));  // black ORs 0
  EXPECT_EQ(pixelAt(*target, 2, 0), (Pixel{0xFF, 9, 9, 9}));  // white ORs 255
}

TEST(AlphaMasks, LuminanceSumsInSinglePrecisionInItsOwnOrder) {
  const struct {
    Pixel pixel;
    std::uint8_t luminance;
  } cases[] = {{{0, 100, 100, 100}, 100}, {{0, 255, 255, 255}, 255}, {{0, 255, 0, 0}, 76},
               {{0, 0, 255, 0}, 150},     {{0, 0, 0, 255}, 28},      {{0, 1, 1, 1}, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.luminance));
    EXPECT_EQ(maskLuminance(c.pixel.data()), c.luminance);
  }
}

TEST(AlphaMasks, RectangleFormTakesTheMaskAreaThenTheTargetAreaAndSkipsWhatLiesOutside) {
  OffscreenPtr page = makeOffscreen(rectAt(0, 0, 6, 4));
  OffscreenPtr matte = makeOffscreen(rectAt(0, 0, 3, 2));  // white: luminance 255
  setPixel(*matte, 0, 0, {0, 0, 0, 0});
  // The matte's own rectangle onto page area (4, 3)-(7, 5), which reaches past the page's right and bottom.
  ASSERT_TRUE(myCopyMaskGworldToAlphaChannel(page.get(), matte.get(), matte->portRect(), rectAt(4, 3, 3, 2)));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool white = x >= 4 && y >= 3 && !(x == 4 && y == 3);
      EXPECT_EQ(pixelAt(*page, x, y)[0], white ? 255 : 0) << x << "," << y;
    }
  OffscreenPtr other = makeOffscreen(rectAt(0, 0, 2, 2));
  EXPECT_FALSE(myCopyMaskGworldToAlphaChannel(page.get(), other.get()));  // sizes differ: refused
  EXPECT_FALSE(myCopyMaskGworldToAlphaChannel(nullptr, other.get()));
}

TEST(AlphaMasks, FillsSetOnlyTheAlphaByte) {
  OffscreenPtr o = makeOffscreen(rectAt(1, 1, 3, 2));
  fillWith(*o, [](int, int) { return Pixel{255, 10, 20, 30}; });
  ASSERT_TRUE(myClearOffscreen(o.get()));
  EXPECT_EQ(pixelAt(*o, 3, 2), (Pixel{0, 10, 20, 30}));
  ASSERT_TRUE(mySetGworldAlphaChannelToByteValue(o.get(), 77));
  EXPECT_EQ(pixelAt(*o, 1, 1), (Pixel{77, 10, 20, 30}));
  ASSERT_TRUE(myFillOffscreen(o.get()));
  EXPECT_EQ(pixelAt(*o, 2, 1), (Pixel{255, 10, 20, 30}));
  EXPECT_FALSE(myFillOffscreen(nullptr));
}

TEST(AlphaMasks, OverlayIsDrawnThroughItsAlphaOrSkipsWhite) {
  OffscreenPtr overlay = makeOffscreen(rectAt(0, 0, 3, 1));
  setPixel(*overlay, 0, 0, {0, 10, 20, 30});     // drawn
  setPixel(*overlay, 1, 0, {255, 10, 20, 30});   // not drawn
  setPixel(*overlay, 2, 0, {0, 255, 255, 255});  // white
  const struct {
    std::int16_t useMask;
    Pixel first, second, third;
  } cases[] = {{1, {9, 10, 20, 30}, {9, 1, 2, 3}, {9, 255, 255, 255}},
               {0, {0, 10, 20, 30}, {255, 10, 20, 30}, {9, 1, 2, 3}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.useMask);
    OffscreenPtr page = makeOffscreen(rectAt(5, 5, 3, 1));
    fillWith(*page, [](int, int) { return Pixel{9, 1, 2, 3}; });
    ASSERT_TRUE(myCopyOverlayWithMask(c.useMask, overlay.get(), page.get(), overlay->portRect(), page->portRect()));
    EXPECT_EQ(pixelAt(*page, 5, 5), c.first);
    EXPECT_EQ(pixelAt(*page, 6, 5), c.second);
    EXPECT_EQ(pixelAt(*page, 7, 5), c.third);
  }
  EXPECT_FALSE(myCopyOverlayWithMask(1, nullptr, overlay.get(), overlay->portRect(), overlay->portRect()));
}

// Drawing through the overlay's own alpha gives exactly what drawing through a mask made of that alpha gives,
// stretched and at every alpha.
TEST(AlphaMasks, OverlayThroughItsAlphaEqualsTheMaskRoad) {
  OffscreenPtr overlay = makeOffscreen(rectAt(2, 3, 7, 5));
  fillRandom(*overlay, 11);
  const Rect destination = rectAt(4, 1, 11, 9);
  OffscreenPtr direct = makeOffscreen(rectAt(0, 0, 16, 12));
  fillRandom(*direct, 12);
  OffscreenPtr throughMask{myDuplicateGWorld(direct.get())};
  OffscreenPtr mask{myCreateMaskGWorld(overlay.get())};
  ASSERT_TRUE(myCopyOverlayWithMask(1, overlay.get(), direct.get(), overlay->portRect(), destination));
  ASSERT_TRUE(myCopyDeepMask(overlay.get(), mask.get(), throughMask.get(), &overlay->portRect(), &overlay->portRect(),
                             &destination, srcCopy, nullptr));
  EXPECT_EQ(pixelBytes(*direct), pixelBytes(*throughMask));
}

TEST(PixelPacking, PacksTriplesAndUnpacksKeepingAlpha) {
  OffscreenPtr o = makeOffscreen(rectAt(-9, 3, 2, 1));
  setPixel(*o, -9, 3, {9, 1, 2, 3});
  setPixel(*o, -8, 3, {9, 4, 5, 6});
  std::vector<std::uint8_t> packed(6);
  ASSERT_TRUE(convertGWorldToDKC(o.get(), packed));
  EXPECT_EQ(packed, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
  const std::vector<std::uint8_t> in{7, 8, 9, 10, 11, 12};
  ASSERT_TRUE(convertDKCtoGworld3(in, o.get()));
  EXPECT_EQ(pixelAt(*o, -9, 3), (Pixel{9, 7, 8, 9}));
  EXPECT_EQ(pixelAt(*o, -8, 3), (Pixel{9, 10, 11, 12}));
}

TEST(PixelPacking, PaddedRowsPackWithoutGapsAndShortBuffersAreRefused) {
  OffscreenPtr o = makeOffscreen(rectAt(0, 0, 5, 3));
  fillCoordinates(*o);
  Handle handle = NewHandle(5 * 3 * 3);
  ASSERT_TRUE(convertGWorldToDotSeqHandle(o.get(), handle));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(*handle);
  EXPECT_EQ(bytes[(2 * 5 + 4) * 3 + 1], coordinatePixel(4, 2)[2]);
  DisposeHandle(handle);

  MessageRecorder messages;
  std::vector<std::uint8_t> small(5 * 3 * 3 - 1);
  EXPECT_FALSE(convertGWorldToDKC(o.get(), small));
  EXPECT_FALSE(convertDKCtoGworld3(small, o.get()));
  Handle shortHandle = NewHandle(5 * 3 * 3 - 1);
  EXPECT_FALSE(convertGWorldToDotSeqHandle(o.get(), shortHandle));
  EXPECT_FALSE(convertGWorldToDotSeqHandle(nullptr, shortHandle));
  DisposeHandle(shortHandle);
  EXPECT_EQ(messages.messages().size(), 4u);
}

TEST(PixelPacking, PlanesByChannelTurnedOrNot) {
  OffscreenPtr o = makeOffscreen(rectAt(2, 2, 3, 2));
  fillCoordinates(*o);
  setPixel(*o, 2, 2, {0, 0, 255, 0});  // pure green at (0, 0)
  Handle plane = NewHandle(6);
  auto planeBytes = [&] {
    const auto* b = reinterpret_cast<const std::uint8_t*>(*plane);
    return std::vector<int>(b, b + 6);
  };
  ASSERT_TRUE(getOneChannelFromGWorldToOneHandleNew(5, o.get(), plane, false));
  EXPECT_EQ(planeBytes()[0], 0);        // magenta of pure green
  EXPECT_EQ(planeBytes()[1], 255 - 0);  // magenta of (1, 0): green byte = y = 0
  // Turned a quarter clockwise: 2 bytes wide, 3 rows; the first row holds (0, 1) then (0, 0).
  ASSERT_TRUE(getOneChannelFromGWorldToOneHandle(1, o.get(), plane, true));
  EXPECT_EQ(planeBytes(), (std::vector<int>{0, 0, 1, 1, 2, 2}));  // red = x
  ASSERT_TRUE(getOneChannelFromGWorldToOneHandle(3, o.get(), plane, true));
  EXPECT_EQ(planeBytes()[0], coordinatePixel(0, 1)[3]);
  EXPECT_EQ(planeBytes()[1], 0);  // blue of the pure green pixel

  EXPECT_FALSE(getOneChannelFromGWorldToOneHandle(4, o.get(), plane, false));  // only 1..3 here
  EXPECT_FALSE(getOneChannelFromGWorldToOneHandleNew(7, o.get(), plane, false));
  DisposeHandle(plane);
  const myColorUtils cmy;
  EXPECT_EQ(cmy.getYellowFromBlue(0), 255);
  EXPECT_EQ(cmy.getCyanFromRed(200), 55);
}

}  // namespace
}  // namespace vorl::test
