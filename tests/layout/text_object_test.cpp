// Text, edit-text and database-text objects on pages: fitting, wrapping, justification, turns, colours, faces,
// the skip rule, and QR and Code 128 symbols read back by a second decoder (zbarimg).
#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "imaging/offscreens/offscreen.h"
#include "layout/job_view_access.h"
#include "layout/code128_symbol.h"
#include "layout/code_symbols.h"
#include "layout/job_file_stream.h"
#include "layout/object_records.h"
#include "layout/text_drawing.h"
#include "layout/text_objects.h"
#include "platform/system/command_runner.h"
#include "tests/layout/code_reading.h"
#include "tests/layout/fixed_job_view.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::decodeWithZbar;
using test::zbarMissing;

constexpr std::int16_t kDpi = 150;

struct Ink {
  Rect box = makeRect(0, 0, 0, 0);
  long pixels = 0;
  int width() const { return rectWidth(box); }
  int height() const { return rectHeight(box); }
};

// The pixels that differ from the background colour (white unless given).
Ink inkOn(const Offscreen& page, std::uint8_t background = 255) {
  Ink ink;
  int top = 1 << 30, left = 1 << 30, bottom = -1, right = -1;
  const PixView view = page.view();
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const std::uint8_t* p = view.localPixel(x, y);
      if (p[kRedByte] == background && p[kGreenByte] == background && p[kBlueByte] == background) continue;
      ++ink.pixels;
      top = std::min(top, y), left = std::min(left, x), bottom = std::max(bottom, y + 1), right = std::max(right, x + 1);
    }
  if (ink.pixels) ink.box = makeRect(top, left, bottom, right);
  return ink;
}

std::string describe(const Rect& r) {
  return "(t" + std::to_string(r.top) + " l" + std::to_string(r.left) + " b" + std::to_string(r.bottom) + " r" +
         std::to_string(r.right) + ")";
}

bool inside(const Rect& inner, const Rect& outer) {
  return inner.top >= outer.top && inner.left >= outer.left && inner.bottom <= outer.bottom &&
         inner.right <= outer.right;
}

OffscreenPtr makePage(int width, int height, std::uint8_t grey = 255) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr page{myNewGWorld(&bounds)};
  const PixView view = page->view();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = view.localPixel(x, y);
      p[kRedByte] = p[kGreenByte] = p[kBlueByte] = grey;
    }
  return page;
}

QImage toQImage(const Offscreen& page) {
  QImage image(page.width(), page.height(), QImage::Format_RGB32);
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const std::uint8_t* p = page.view().localPixel(x, y);
      image.setPixel(x, y, qRgb(p[kRedByte], p[kGreenByte], p[kBlueByte]));
    }
  return image;
}

void saveArtifact(const Offscreen& page, const std::string& name) {
  const fs::path folder = VORL_ARTIFACT_DIR;
  fs::create_directories(folder);
  EXPECT_TRUE(toQImage(page).save(QString::fromStdString((folder / (name + ".png")).string())));
}

test::TextStyleSpec blackStyle(std::int16_t size, std::int16_t justification = 0) {
  test::TextStyleSpec style;
  style.color = {0, 0, 0};
  style.size = size;
  style.font = 3;
  style.face = 0;
  style.justification = justification;
  return style;
}

test::Placement at(float x, float y, float width, float height) {
  test::Placement placement;
  placement.x = x, placement.y = y, placement.width = width, placement.height = height;
  return placement;
}

std::unique_ptr<TLayoutObject> objectFrom(const test::Bytes& record) {
  JobFileStream stream(record);
  std::unique_ptr<TLayoutObject> object;
  EXPECT_TRUE(readObjectRecord(stream, ObjectListKind::Page, object));
  return object;
}

test::TextSpec plainText(const std::string& text, test::Placement where, test::TextStyleSpec style,
                         std::int16_t rotation = 0, std::int16_t codeType = 0) {
  test::TextSpec spec;
  spec.at = where;
  spec.text = text;
  spec.style = style;
  spec.rotation = rotation;
  spec.skipFlag = 0;
  spec.codeType = codeType;
  return spec;
}

// The job as the text objects see it: only the printer type counts.
std::unique_ptr<JobViewAccess> viewFor(std::int16_t printerType) {
  auto view = std::make_unique<test::FixedJobView>();
  view->printerType = printerType;
  return view;
}

// Draws one record on a white page of `inches` square at the resolution; the page comes back.
OffscreenPtr drawRecord(const test::Bytes& record, std::int16_t resolution = kDpi, float inches = 4,
                        std::int16_t printerType = 17, std::uint8_t grey = 255) {
  const int side = static_cast<int>(inches * resolution);
  OffscreenPtr page = makePage(side, side, grey);
  const auto view = viewFor(printerType);
  const auto object = objectFrom(record);
  EXPECT_TRUE(object->Draw4Printing(page.get(), resolution, view.get()));
  return page;
}

Rect rectAt(float x, float y, float width, float height, std::int16_t resolution = kDpi) {
  return makeRect(static_cast<int>(y * resolution), static_cast<int>(x * resolution),
                  static_cast<int>((y + height) * resolution), static_cast<int>((x + width) * resolution));
}

TEST(TextPixelSize, PointsAtTheResolutionTruncatedAndClamped) {
  struct Case {
    std::int16_t points, resolution, expected;
  };
  for (const Case& c : {Case{12, 72, 12}, Case{12, 300, 50}, Case{10, 150, 20}, Case{7, 100, 9},
                        Case{30000, 300, 2000}, Case{0, 300, 1}, Case{-12, 300, 1}}) {
    SCOPED_TRACE(std::to_string(c.points) + " pt at " + std::to_string(c.resolution));
    EXPECT_EQ(textPixelSize(c.points, c.resolution, 1.0, "test"), c.expected);
  }
}

TEST(TextObject, LongLineShrinksUntilItsInkFitsTheBox) {
  const Rect box = rectAt(0.5f, 0.5f, 2, 0.5f);
  const std::string longLine = "The graduating class of two thousand and eleven";
  const OffscreenPtr page = drawRecord(test::textRecord(plainText(longLine, at(0.5f, 0.5f, 2, 0.5f), blackStyle(30))));
  const Ink ink = inkOn(*page);
  ASSERT_GT(ink.pixels, 0);
  EXPECT_TRUE(inside(ink.box, box)) << describe(ink.box) << " in " << describe(box);
  EXPECT_GE(ink.width(), rectWidth(box) * 6 / 10) << "shrunk only as far as needed";
  // The unfitted 30-point text is 62 px high: the fitted one is much smaller.
  EXPECT_LT(ink.height(), 40);

  const OffscreenPtr shortPage = drawRecord(test::textRecord(plainText("Hi", at(0.5f, 0.5f, 2, 0.5f), blackStyle(30))));
  EXPECT_GT(inkOn(*shortPage).height(), 35) << "a text that fits keeps its size";
}

TEST(TextObject, TallBoxWrapsWithoutShrinkingAndCutsAtTheBottom) {
  const std::string words = "one two three four five six seven eight nine ten eleven twelve";
  const Rect box = rectAt(0.5f, 0.5f, 1.5f, 1.2f);
  const OffscreenPtr page = drawRecord(test::textRecord(plainText(words, at(0.5f, 0.5f, 1.5f, 1.2f), blackStyle(18))));
  const Ink ink = inkOn(*page);
  EXPECT_TRUE(inside(ink.box, box)) << describe(ink.box);
  EXPECT_GT(ink.height(), 3 * 37) << "several lines at the full 37-pixel size";

  const OffscreenPtr oneLine = drawRecord(test::textRecord(plainText("one\rtwo", at(0.5f, 0.5f, 1.5f, 1.2f), blackStyle(18))));
  EXPECT_GT(inkOn(*oneLine).height(), 45) << "a carriage return starts a new line";
}

TEST(TextObject, JustificationPlacesTheLine) {
  struct Case {
    std::int16_t justification;
    const char* name;
  };
  const Rect box = rectAt(0.5f, 0.5f, 3, 0.5f);
  for (const Case& c : {Case{0, "left"}, Case{-2, "force left"}, Case{1, "centre"}, Case{-1, "right"}}) {
    SCOPED_TRACE(c.name);
    const OffscreenPtr page =
        drawRecord(test::textRecord(plainText("Name", at(0.5f, 0.5f, 3, 0.5f), blackStyle(20, c.justification))));
    const Ink ink = inkOn(*page);
    ASSERT_GT(ink.pixels, 0);
    const int leftGap = ink.box.left - box.left, rightGap = box.right - ink.box.right;
    if (c.justification == 1)
      EXPECT_NEAR(leftGap, rightGap, 6);
    else if (c.justification == -1)
      EXPECT_LT(rightGap, 8);
    else
      EXPECT_LT(leftGap, 8);
  }
}

TEST(TextObject, TurnsLandInTheirRectangleFacingTheirWay) {
  // A tall box: turned text runs along its height.
  struct Case {
    std::int16_t rotation;
    bool nearTop, nearRight;  // where the start of a left-justified line ends up
    bool upright;
  };
  const Rect box = rectAt(1, 0.5f, 0.6f, 2.5f);
  for (const Case& c : {Case{90, true, true, false}, Case{270, false, false, false}, Case{180, false, true, true},
                        Case{45, true, false, true}, Case{0, true, false, true}}) {
    SCOPED_TRACE("rotation " + std::to_string(c.rotation));
    const bool quarter = c.rotation == 90 || c.rotation == 270;
    const test::Placement where = quarter ? at(1, 0.5f, 0.6f, 2.5f) : at(1, 0.5f, 0.6f, 2.5f);
    const OffscreenPtr page = drawRecord(test::textRecord(plainText(quarter ? "Portrait" : "Hi", where, blackStyle(20), c.rotation)));
    const Ink ink = inkOn(*page);
    ASSERT_GT(ink.pixels, 0);
    EXPECT_TRUE(inside(ink.box, box)) << describe(ink.box) << " in " << describe(box);
    if (!c.upright) {
      EXPECT_GT(ink.height(), 2 * ink.width()) << "the line runs down the box";
    }
    const bool top = ink.box.top - box.top < box.bottom - ink.box.bottom;
    const bool right = box.right - ink.box.right < ink.box.left - box.left;
    EXPECT_EQ(top, c.nearTop) << describe(ink.box);
    EXPECT_EQ(right, c.nearRight) << describe(ink.box);
  }
}

TEST(TextObject, WhiteTurnedTextShowsOnBlack) {
  for (const std::int16_t rotation : {0, 90, 180, 270}) {
    SCOPED_TRACE(rotation);
    test::TextStyleSpec white = blackStyle(24);
    white.color = {0xFFFF, 0xFFFF, 0xFFFF};
    const OffscreenPtr page =
        drawRecord(test::textRecord(plainText("White", at(0.5f, 0.5f, 2, 2), white, rotation)), kDpi, 4, 17, 0);
    const Ink ink = inkOn(*page, 0);
    EXPECT_GT(ink.pixels, 200);
    bool sawFullWhite = false;
    for (int y = ink.box.top; y < ink.box.bottom && !sawFullWhite; ++y)
      for (int x = ink.box.left; x < ink.box.right; ++x)
        if (page->view().localPixel(x, y)[kRedByte] == 255) sawFullWhite = true;
    EXPECT_TRUE(sawFullWhite);
  }
}

TEST(TextObject, TurnedTextIsTheSizeOfUprightTextAtEveryResolution) {
  for (const std::int16_t resolution : {36, 72, 150, 300}) {
    SCOPED_TRACE(resolution);
    const auto inkOf = [&](std::int16_t rotation) {
      return inkOn(*drawRecord(test::textRecord(plainText("Size", at(0.25f, 0.25f, 3, 1), blackStyle(36), rotation)),
                               resolution, 4));
    };
    const Ink upright = inkOf(0), halfTurned = inkOf(180);
    EXPECT_NEAR(halfTurned.width(), upright.width(), 2);
    EXPECT_NEAR(halfTurned.height(), upright.height(), 2);
  }
}

TEST(TextObject, ColourAndMacRomanCharactersReachThePage) {
  test::TextStyleSpec red = blackStyle(40);
  red.color = {0xFFFF, 0, 0};
  const OffscreenPtr page = drawRecord(test::textRecord(plainText("Red", at(0.5f, 0.5f, 3, 1), red)));
  bool sawRed = false;
  for (int y = 0; y < page->height() && !sawRed; ++y)
    for (int x = 0; x < page->width(); ++x) {
      const std::uint8_t* p = page->view().localPixel(x, y);
      if (p[kRedByte] == 255 && p[kGreenByte] == 0 && p[kBlueByte] == 0) sawRed = true;
    }
  EXPECT_TRUE(sawRed);

  // Accented, ƒ and curly quotes each draw a glyph of their own, not the plain letter or a box.
  struct Pair {
    const char* special;
    const char* plain;
  };
  const auto coverageOf = [](const char* macRoman) {
    StyledText text;
    text.text = Str255(macRoman);
    text.style.size = 40;
    text.style.font = 3;
    text.objectName = "test";
    return DrawTextOnOffscreen(text, makeRect(0, 0, 100, 200), 1.0f, 72).values;
  };
  for (const Pair& p : {Pair{"\x8E", "e"}, Pair{"\xC4", "f"}, Pair{"\xD2", "\""}, Pair{"\x8A", "a"}}) {
    const auto special = coverageOf(p.special), plain = coverageOf(p.plain);
    EXPECT_NE(special, plain) << p.plain;
    EXPECT_GT(std::count_if(special.begin(), special.end(), [](auto v) { return v > 128; }), 20) << p.plain;
  }
}

TEST(TextObject, MacRomanTextDrawsAsQtDrawsItsUnicode) {
  StyledText text;
  text.text = Str255("Caf\x8E \xC4 \xD2q\xD3 \xA5 \x9A");
  text.style.size = 40;
  text.style.font = 3;
  text.objectName = "test";
  const TextCoverage ours = DrawTextOnOffscreen(text, makeRect(0, 0, 60, 400), 1.0f, 72);
  ASSERT_FALSE(ours.empty());

  QImage theirs(400, 60, QImage::Format_Alpha8);
  theirs.fill(0);
  {
    QFont font("DejaVu Sans");
    font.setPixelSize(40);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    QPainter painter(&theirs);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0, 255));
    painter.drawText(QPointF(0, std::ceil(QFontMetricsF(font).ascent())), QString::fromUtf8("Café ƒ “q” • ö"));
  }
  int differing = 0, inked = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 400; ++x) {
      const int a = ours.at(x, y), b = qAlpha(theirs.pixel(x, y));
      if (b > 128) ++inked;
      if (std::abs(a - b) > 64) ++differing;
    }
  EXPECT_GT(inked, 300);
  EXPECT_LT(differing, inked / 50) << differing << " of " << inked << " inked pixels differ";
}

TEST(TextObject, FacesAndUnknownFontsDrawSomething) {
  struct Case {
    std::int16_t font, face;
  };
  for (const Case& c : {Case{3, 1}, Case{3, 2}, Case{3, 4}, Case{3, 8}, Case{3, 16}, Case{3, 32}, Case{3, 64},
                        Case{20, 0}, Case{21, 0}, Case{22, 0}, Case{23, 0}, Case{12345, 0}}) {
    SCOPED_TRACE("font " + std::to_string(c.font) + " face " + std::to_string(c.face));
    test::TextStyleSpec style = blackStyle(20);
    style.font = c.font;
    style.face = c.face;
    testing::internal::CaptureStderr();
    const OffscreenPtr page = drawRecord(test::textRecord(plainText("Face", at(0.5f, 0.5f, 2, 0.5f), style)));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_GT(inkOn(*page).pixels, 100);
    if (c.font == 12345 || c.font == 23) {
      EXPECT_NE(log.find("font number " + std::to_string(c.font)), std::string::npos) << log;
    }
  }
}

TEST(TextObject, TextThatCannotFitIsCutWithALogLine) {
  const std::string text(200, 'W');
  testing::internal::CaptureStderr();
  const OffscreenPtr page = drawRecord(test::textRecord(plainText(text, at(0.5f, 0.5f, 0.5f, 0.2f), blackStyle(30))));
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(inside(inkOn(*page).box, rectAt(0.5f, 0.5f, 0.5f, 0.2f)));
  EXPECT_NE(log.find("does not fit its box even at 5 pixels"), std::string::npos) << log;
}

TEST(TextObject, SkipRuleByPrinterTypeAndKind) {
  struct Case {
    const char* name;
    test::Bytes record;
    std::int16_t printerType;
    bool drawn;
  };
  test::TextSpec text = plainText("Skip", at(0.5f, 0.5f, 2, 0.5f), blackStyle(20));
  text.skipFlag = 1;
  test::EditTextSpec edit;
  edit.at = text.at, edit.text = "Edit", edit.style = text.style, edit.rotation = 0, edit.skipFlag = 1;
  test::DatabaseSpec database;
  database.at = text.at, database.text = "Database", database.style = text.style, database.rotation = 0;
  const Case cases[] = {
      {"text, printer 27", test::textRecord(text), 27, false},
      {"text, printer 50", test::textRecord(text), 50, false},
      {"text, printer 17", test::textRecord(text), 17, true},
      {"edit text, printer 26", test::editTextRecord(edit), 26, false},
      {"edit text, printer 24", test::editTextRecord(edit), 24, true},
      {"database text, printer 27", test::databaseRecord(database), 27, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(inkOn(*drawRecord(c.record, kDpi, 4, c.printerType)).pixels > 0, c.drawn);
  }
}

TEST(TextObject, EmptyOrOutOfRangeRectanglesAndEmptyTextDrawNothingButSucceed) {
  EXPECT_EQ(inkOn(*drawRecord(test::textRecord(plainText("", at(0.5f, 0.5f, 2, 0.5f), blackStyle(20))))).pixels, 0);
  EXPECT_EQ(inkOn(*drawRecord(test::textRecord(plainText("Zero", at(0.5f, 0.5f, 0, 0.5f), blackStyle(20))))).pixels, 0);
  EXPECT_EQ(inkOn(*drawRecord(test::textRecord(plainText("Far", at(1e6f, 0.5f, 2, 0.5f), blackStyle(20))))).pixels, 0);
  const auto object = objectFrom(test::textRecord(plainText("Nowhere", at(0.5f, 0.5f, 2, 0.5f), blackStyle(20))));
  EXPECT_FALSE(object->Draw4Printing(nullptr, kDpi, nullptr)) << "no page: the page fails";
}

// ---- codes ----


TEST(TextObjectCodes, QRAndCode128DecodeToTheirTextAtEveryTurn) {
  if (zbarMissing()) GTEST_SKIP() << "zbarimg (package zbar-tools) is not installed; the codes cannot be read back";
  struct Case {
    std::int16_t codeType;
    std::string text;
    float width, height;
  };
  const Case cases[] = {
      {1, "https://example.com/order/4711", 1.5f, 1.5f},
      {1, "Caf\x8E M\x9Aller", 1.2f, 1.2f},  // Latin 1 bytes
      {2, "ORDER-4711-B", 2.5f, 0.6f},
  };
  for (const Case& c : cases) {
    for (const std::int16_t rotation : {0, 90, 180, 270}) {
      const std::string expected = Str255(c.text).toUtf8();
      SCOPED_TRACE(expected + " rotation " + std::to_string(rotation));
      const bool quarter = c.codeType == 2 && (rotation == 90 || rotation == 270);
      const test::Placement where = quarter ? at(0.5f, 0.5f, c.height, c.width) : at(0.5f, 0.5f, c.width, c.height);
      const OffscreenPtr page =
          drawRecord(test::textRecord(plainText(c.text, where, blackStyle(12), rotation, c.codeType)), kDpi, 3.5f);
      const Ink ink = inkOn(*page);
      EXPECT_TRUE(inside(ink.box, rectAt(0.5f, 0.5f, where.width, where.height))) << describe(ink.box);
      const auto decoded = decodeWithZbar(*page, "code");
      ASSERT_TRUE(decoded.has_value()) << "zbarimg read nothing";
      EXPECT_EQ(*decoded, expected);
      if (rotation == 90 && c.codeType == 1 && c.text[0] == 'h') saveArtifact(*page, "text_object_qr_90");
      if (rotation == 0 && c.codeType == 2) saveArtifact(*page, "text_object_code128");
    }
  }
}

TEST(TextObjectCodes, QuarterTurnsOfCodesGoTheOtherWayFromText) {
  CodeImage image;
  image.width = 2, image.height = 1, image.dark = {1, 0};  // dark on the left
  const CodeImage ninety = turnCodeImage(image, 90);
  ASSERT_EQ(ninety.width, 1);
  EXPECT_TRUE(ninety.isDark(0, 1)) << "90 turns counter-clockwise: the left end goes to the bottom";
  EXPECT_TRUE(turnCodeImage(image, 270).isDark(0, 0)) << "270 turns clockwise: the left end goes to the top";
  EXPECT_TRUE(turnCodeImage(image, 180).isDark(0, 0)) << "a half turn leaves a code as it is";
}

// A character the code has no byte for fails the object, so the job fails instead of printing a page without
// its code; an empty text has nothing to carry and draws nothing, as empty plain text does.
TEST(TextObjectCodes, TextACodeCannotCarryFailsTheObjectAndAnEmptyTextDrawsNothing) {
  struct Case {
    const char* name;
    std::int16_t codeType;
    std::string text;
    bool succeeds;
    const char* logged;
  };
  const Case cases[] = {
      {"ƒ in a QR code", 1, "price \xC4 10", false, "the object could not be drawn"},
      {"é in Code 128", 2, "Caf\x8E", false, "the object could not be drawn"},
      {"empty QR code", 1, "", true, "nothing was drawn"},
      {"empty Code 128", 2, "", true, "nothing was drawn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OffscreenPtr page = makePage(4 * kDpi, 4 * kDpi);
    const auto object = objectFrom(test::textRecord(plainText(c.text, at(0.5f, 0.5f, 2, 1), blackStyle(12), 0, c.codeType)));
    testing::internal::CaptureStderr();
    const bool drawn = object->Draw4Printing(page.get(), kDpi, viewFor(17).get());
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(drawn, c.succeeds);
    EXPECT_EQ(inkOn(*page).pixels, 0);
    EXPECT_NE(log.find("the text object \""), std::string::npos) << log;
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
  }
}

// The symbol characters of a Code 128: the shortest mix of code sets, the modulo-103 check, the stop.
TEST(Code128Symbol, ValuesTakeTheShortestCodeSetsAndEndWithCheckAndStop) {
  const struct {
    const char* name;
    std::string text;
    std::vector<std::uint8_t> values;
  } cases[] = {
      {"three digits are not worth set C", "PJJ123C", {104, 48, 42, 42, 17, 18, 19, 35, 55, 106}},
      {"digits only: set C from the start", "123456", {105, 12, 34, 56, 44, 106}},
      {"an odd run of digits: the first in set B", "A12345", {104, 33, 17, 99, 23, 45, 64, 106}},
      {"a lone control character among lower case: a shift", "a\tb", {104, 65, 98, 73, 66, 24, 106}},
      {"control characters: set A", "\x01\x02Z", {103, 65, 66, 58, 62, 106}},
      {"delete is in set B", "\x7F", {104, 95, 96, 106}},
      {"no text, no symbol", "", {}},
      {"a byte above ASCII, no symbol", "\x80", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.text.data());
    EXPECT_EQ(code128Values({bytes, c.text.size()}), c.values);
  }
  // The longest text a text object holds: start, 255 data characters, check, stop.
  const std::string longest(255, 'V');
  const std::vector<std::uint8_t> values =
      code128Values({reinterpret_cast<const unsigned char*>(longest.data()), longest.size()});
  ASSERT_EQ(values.size(), 258u);
  EXPECT_EQ(values.front(), 104);
  EXPECT_EQ(values.back(), 106);
}

// Every text a text object holds (up to 255 characters) prints as a Code 128 that a second decoder reads back,
// whatever its mix of digits: the generator's limit of 60 symbol characters does not apply. zbar's buffer holds
// 256 bytes, the symbol's characters and the digits set C expands to together, so the longest texts (255
// letters are 258 symbol characters) are left to the encoder's own test.
TEST(TextObjectCodes, Code128OfEveryLengthReadsBack) {
  if (zbarMissing()) GTEST_SKIP() << "zbarimg (package zbar-tools) is not installed; the codes cannot be read back";
  std::string everyPrintable, everyDigitPair;
  for (char c = ' '; c < '\x7F'; ++c) everyPrintable += c;
  for (int pair = 0; pair < 100; ++pair) everyDigitPair += std::to_string(pair / 10) + std::to_string(pair % 10);
  const auto repeat = [](const std::string& part, std::size_t length) {
    std::string text;
    while (text.size() < length) text += part;
    return text.substr(0, length);
  };
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"one letter", "A"},
      {"60 letters", repeat("ORDER", 60)},
      {"61 letters", repeat("ORDER", 61)},
      {"64 letters and digits", repeat("Order-4711/", 64)},
      {"68 letters with a few digits", repeat("Studio 4 Lab 27 ", 68)},
      {"70 alternating letters and digits", repeat("A1", 70)},
      {"75 with runs of digits", repeat("KD-20261211-", 75)},
      {"80 digits", repeat("0123456789", 80)},
      {"80 lower case with control characters", repeat("print\tlab\r", 80)},
      {"every printable character", everyPrintable},
      {"every digit pair", everyDigitPair},
      {"250 letters", repeat("Vorl", 250)},
      {"240 digits", repeat("0123456789", 240)},
      {"200 with runs of digits", repeat("KD-20261211-", 200)},
  };
  constexpr std::int16_t kResolution = 150;
  constexpr int kPixelsPerModule = 2;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " (" + std::to_string(c.text.size()) + " characters)");
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.text.data());
    const std::size_t characters = code128Values({bytes, c.text.size()}).size();
    ASSERT_GT(characters, 0u);
    // Two pixels a module: eleven modules a character, two more for the stop, seven quiet on either side.
    const int modules = static_cast<int>(characters) * 11 + 2 + 14;
    const float inches = static_cast<float>(modules * kPixelsPerModule) / kResolution;
    OffscreenPtr page = makePage(modules * kPixelsPerModule + kResolution, kResolution);
    const auto object = objectFrom(test::textRecord(plainText(c.text, at(0.5f, 0.25f, inches, 0.5f), blackStyle(12), 0, 2)));
    ASSERT_TRUE(object->Draw4Printing(page.get(), kResolution, viewFor(17).get()));
    if (c.text.size() == 75 || c.text.size() == 250)
      saveArtifact(*page, "text_object_code128_" + std::to_string(c.text.size()) + "_characters");
    const auto decoded = decodeWithZbar(*page, "code128");
    ASSERT_TRUE(decoded.has_value()) << "zbarimg read nothing";
    EXPECT_EQ(*decoded, c.text);
  }
}

TEST(TextObjectCodes, OnlyTextObjectsDrawCodesAndOtherCodeTypesDrawText) {
  if (zbarMissing()) GTEST_SKIP() << "zbarimg (package zbar-tools) is not installed; the codes cannot be read back";
  test::EditTextSpec edit;
  edit.at = at(0.5f, 0.5f, 2, 1), edit.text = "Edit", edit.style = blackStyle(20), edit.rotation = 0;
  edit.skipFlag = 0;
  const OffscreenPtr editPage = drawRecord(test::editTextRecord(edit));
  EXPECT_GT(inkOn(*editPage).pixels, 0);
  EXPECT_FALSE(decodeWithZbar(*editPage, "edit").has_value()) << "edit text prints as text";

  testing::internal::CaptureStderr();
  const OffscreenPtr other = drawRecord(test::textRecord(plainText("Three", at(0.5f, 0.5f, 2, 1), blackStyle(20), 0, 3)));
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_GT(inkOn(*other).pixels, 0);
  EXPECT_NE(log.find("code type 3"), std::string::npos) << log;
}

TEST(TextObjectTiming, ThreeByOneInchBoxAt300Dpi) {
  const std::int16_t resolution = 300;
  const auto timeOf = [&](const test::Bytes& record) {
    const auto object = objectFrom(record);
    OffscreenPtr page = makePage(1200, 600);
    const auto start = std::chrono::steady_clock::now();
    constexpr int kRuns = 5;
    for (int i = 0; i < kRuns; ++i) EXPECT_TRUE(object->Draw4Printing(page.get(), resolution, nullptr));
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kRuns;
  };
  const test::Placement box = at(0.5f, 0.5f, 3, 1);
  const double text = timeOf(test::textRecord(plainText("Class of 2011 Graduation", box, blackStyle(36))));
  const double turned = timeOf(test::textRecord(plainText("Class of 2011", at(0.5f, 0.5f, 1, 3), blackStyle(36), 90)));
  const double qr = timeOf(test::textRecord(plainText("https://example.com/order/4711", box, blackStyle(12), 0, 1)));
  const double code128 = timeOf(test::textRecord(plainText("ORDER-4711-B", box, blackStyle(12), 0, 2)));
  // The longest fit: a huge size lowered one pixel at a time.
  const double huge = timeOf(test::textRecord(plainText("Class of 2011 Graduation", box, blackStyle(400))));
  std::printf("3 x 1 in at 300 dpi: text %.2f ms, turned text %.2f ms, QR %.2f ms, Code 128 %.2f ms, "
              "400-point text fitted %.2f ms\n", text, turned, qr, code128, huge);
}

TEST(TextObjectArtifacts, APageOfTexts) {
  const int side = 4 * kDpi;
  OffscreenPtr page = makePage(side, side);
  const auto view = viewFor(17);
  test::TextStyleSpec blue = blackStyle(24, 1);
  blue.color = {0x2000, 0x4000, 0xC000};
  test::TextStyleSpec white = blackStyle(20);
  white.color = {0xFFFF, 0xFFFF, 0xFFFF};
  const test::Bytes records[] = {
      test::textRecord(plainText("Class of 2011", at(0.25f, 0.2f, 3.5f, 0.5f), blue)),
      test::textRecord(plainText("Caf\x8E \xC4 \xD2quoted\xD3 fits a narrow box", at(0.25f, 0.8f, 1.5f, 0.3f), blackStyle(24))),
      test::textRecord(plainText("Wrapped words in a taller box, right justified", at(2, 0.8f, 1.7f, 1), blackStyle(14, -1))),
      test::textRecord(plainText("Turned 90", at(0.25f, 1.3f, 0.4f, 2), blackStyle(20), 90)),
      test::textRecord(plainText("Turned 270", at(0.8f, 1.3f, 0.4f, 2), blackStyle(20), 270)),
      test::textRecord(plainText("QR 4711", at(1.4f, 1.9f, 1, 1), blackStyle(12), 0, 1)),
      test::textRecord(plainText("ORDER-4711", at(1.4f, 3.1f, 2.3f, 0.6f), blackStyle(12), 0, 2)),
  };
  for (const test::Bytes& record : records) EXPECT_TRUE(objectFrom(record)->Draw4Printing(page.get(), kDpi, view.get()));
  // White turned text on a black band.
  for (int y = 1.9 * kDpi; y < 3 * kDpi; ++y)
    for (int x = 2.5 * kDpi; x < 3.8 * kDpi; ++x) {
      std::uint8_t* p = page->view().localPixel(x, y);
      p[kRedByte] = p[kGreenByte] = p[kBlueByte] = 0;
    }
  EXPECT_TRUE(objectFrom(test::textRecord(plainText("White 180", at(2.6f, 2.1f, 1.1f, 0.6f), white, 180)))
                  ->Draw4Printing(page.get(), kDpi, view.get()));
  saveArtifact(*page, "text_objects_page");
}

}  // namespace
}  // namespace vorl
