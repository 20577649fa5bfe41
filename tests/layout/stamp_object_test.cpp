// Stamps: the skip rule, where the text lands upright and turned, and the values drawing leaves alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "layout/stamp_object.h"
#include "tests/layout/code_reading.h"
#include "tests/layout/fixed_job_view.h"
#include "tests/layout/page_drawing_support.h"

namespace vorl::test {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr std::int16_t kResolution = 100;

struct StampLook {
  std::string text = "STAMP";
  std::int16_t rotation = 0;
  std::int16_t skipFlag = 0;
  std::int16_t codeType = 0;
  bool flags = false;
  Rgb colour = kBlack;
  float x = 1, y = 1, width = 3, height = 1;
};

std::unique_ptr<TStampObject> makeStamp(const StampLook& look) {
  CStampDesc desc{};
  placeAt(desc.head.layout, look.x, look.y, look.width, look.height);
  desc.head.text = Str255::fromUtf8(look.text);
  desc.head.style.size = 36;
  desc.head.style.font = 3;
  desc.head.style.color.red = static_cast<std::uint16_t>(look.colour[0] * 257);
  desc.head.style.color.green = static_cast<std::uint16_t>(look.colour[1] * 257);
  desc.head.style.color.blue = static_cast<std::uint16_t>(look.colour[2] * 257);
  desc.head.rotation = look.rotation;
  desc.skipFlag = look.skipFlag;
  desc.codeType = look.codeType;
  desc.firstStampFlag = look.flags ? 1 : 0;
  desc.secondStampFlag = look.flags ? 1 : 0;
  return TStampObject::New(desc);
}

OffscreenPtr drawStamp(const StampLook& look, std::int16_t printerType = 17, Rgb ground = kWhite) {
  OffscreenPtr page = makeFilledPage(500, 500, ground);
  FixedJobView view;
  view.printerType = printerType;
  EXPECT_TRUE(makeStamp(look)->Draw4Printing(page.get(), kResolution, &view));
  return page;
}

bool inside(const Rect& inner, const Rect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

TEST(StampObject, SkipFlagLeavesItOffThePrintToFilePrinters) {
  struct SkipCase {
    std::int16_t skipFlag;
    std::int16_t printerType;
    bool drawn;
  };
  for (const SkipCase& c : std::vector<SkipCase>{{1, 51, false}, {1, 27, false}, {1, 30, true}, {0, 51, true}}) {
    SCOPED_TRACE(testing::Message() << "skip flag " << c.skipFlag << " printer type " << c.printerType);
    StampLook look;
    look.skipFlag = c.skipFlag;
    OffscreenPtr page = drawStamp(look, c.printerType);
    EXPECT_EQ(changedArea(*page, kWhite).right != 0, c.drawn);
  }
}

TEST(StampObject, TextStaysInItsRectangleUprightAndTurned) {
  const Rect upright = makeRect(100, 100, 200, 400);   // 3 × 1 inch at (1, 1)
  const Rect standing = makeRect(100, 100, 400, 200);  // 1 × 3 inch at (1, 1)
  struct TurnCase {
    std::int16_t rotation;
    bool standsUp;
  };
  for (const TurnCase& c : std::vector<TurnCase>{{0, false}, {45, false}, {180, false}, {90, true}, {270, true}}) {
    SCOPED_TRACE(testing::Message() << "rotation " << c.rotation);
    StampLook look;
    look.rotation = c.rotation;
    if (c.standsUp) std::swap(look.width, look.height);
    OffscreenPtr page = drawStamp(look);
    const Rect ink = changedArea(*page, kWhite);
    ASSERT_FALSE(rectEmpty(ink));
    EXPECT_TRUE(inside(ink, c.standsUp ? standing : upright));
    // A word of five capitals is longer than high, along the line of its turn.
    if (c.standsUp)
      EXPECT_GT(rectHeight(ink), rectWidth(ink));
    else
      EXPECT_GT(rectWidth(ink), rectHeight(ink));
    if (c.rotation == 90) saveDrawnPage(*page, "stamp_turned_90");
  }
}

TEST(StampObject, HalfTurnPutsTheInkAtTheOtherEnd) {
  StampLook look;
  const Rect plain = changedArea(*drawStamp(look), kWhite);
  look.rotation = 180;
  const Rect turned = changedArea(*drawStamp(look), kWhite);
  // Left-justified text hugs the left and top of the box; turned, the right and bottom.
  EXPECT_LT(plain.left - 100, 400 - plain.right);
  EXPECT_LT(400 - turned.right, turned.left - 100);
  EXPECT_LT(200 - turned.bottom, turned.top - 100);
}

TEST(StampObject, WhiteTurnedTextShowsOnADarkPage) {
  StampLook look;
  look.rotation = 90;
  look.colour = kWhite;
  std::swap(look.width, look.height);
  OffscreenPtr page = drawStamp(look, 17, kBlack);
  EXPECT_FALSE(rectEmpty(changedArea(*page, kBlack)));
}

TEST(StampObject, StampFlagsChangeNothingDrawn) {
  StampLook look;
  const OffscreenPtr plain = drawStamp(look);
  StampLook flagged = look;
  flagged.flags = true;
  const OffscreenPtr other = drawStamp(flagged);
  for (int y = 0; y < 500; ++y)
    for (int x = 0; x < 500; ++x) ASSERT_EQ(pixelAt(*plain, x, y), pixelAt(*other, x, y)) << x << "," << y;
}

// A stamp draws its codes as a text object does: read back by a second decoder, a Code 128 at 270 degrees turned
// into its unchanged rectangle.
TEST(StampObject, CodesReadBackToTheirText) {
  if (zbarMissing()) GTEST_SKIP() << "zbarimg (package zbar-tools) is not installed; the codes cannot be read back";
  struct CodeCase {
    std::int16_t codeType;
    std::int16_t rotation;
    float width, height;
  };
  for (const CodeCase& c : std::vector<CodeCase>{{1, 0, 1.5f, 1.5f}, {2, 0, 3, 1}, {2, 270, 1, 3}}) {
    SCOPED_TRACE(testing::Message() << "code type " << c.codeType << " rotation " << c.rotation);
    StampLook look;
    look.text = "STAMP-4711";
    look.codeType = c.codeType;
    look.rotation = c.rotation;
    look.width = c.width;
    look.height = c.height;
    const OffscreenPtr page = drawStamp(look);
    const auto decoded = decodeWithZbar(*page, "stamp");
    ASSERT_TRUE(decoded.has_value()) << "zbarimg read nothing";
    EXPECT_EQ(*decoded, "STAMP-4711");
    const Rect frame = makeRect(static_cast<int>(look.y * kResolution), static_cast<int>(look.x * kResolution),
                                static_cast<int>((look.y + look.height) * kResolution),
                                static_cast<int>((look.x + look.width) * kResolution));
    EXPECT_TRUE(inside(changedArea(*page, kWhite), frame));
  }
}

TEST(StampObject, EmptyTextDrawsNothingAndSucceeds) {
  StampLook look;
  look.text.clear();
  EXPECT_EQ(changedArea(*drawStamp(look), kWhite).right, 0);
}

// A stamp whose text a code cannot carry fails, as a text object does; the page keeps no part of it.
TEST(StampObject, ACodeItsTextCannotBeCarriedInFailsTheStamp) {
  for (const std::int16_t codeType : {1, 2}) {
    SCOPED_TRACE(codeType);
    StampLook look;
    look.text = codeType == 1 ? "Price \u0192 10" : "Caf\u00E9";  // ƒ has no Latin 1 form, é no ASCII one
    look.codeType = codeType;
    OffscreenPtr page = makeFilledPage(500, 500, kWhite);
    FixedJobView view;
    view.printerType = 17;
    EXPECT_FALSE(makeStamp(look)->Draw4Printing(page.get(), kResolution, &view));
    EXPECT_EQ(changedArea(*page, kWhite).right, 0);
  }
}

}  // namespace
}  // namespace vorl::test
