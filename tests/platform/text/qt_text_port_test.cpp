// The text port on Qt's fonts, with the fonts tools/install-deps installs. Text fitting shrinks the size and then
// turns on the condensed face until a line fits, so both must make text narrower, never wider.
//
// What Qt does with the condensed face here: for DejaVu it picks the real "DejaVu Sans Condensed" faces when
// they are installed (fonts-dejavu-extra) and otherwise squeezes the glyphs, as it always does for Liberation,
// which has no condensed faces. Either way the text comes out clearly narrower, so the tests ask for that.
#include "platform/text/qt_text_port.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>
#include <QString>

#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

namespace vorl {
namespace {

constexpr const char* kFamilies[] = {"DejaVu Sans", "Liberation Sans", "Liberation Serif"};

std::span<const unsigned char> macRoman(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

constexpr std::string_view kSample = "Class of 2024 - Portrait Package B";

// Fails the test when the machine lacks the font and Qt stood another one in.
::testing::AssertionResult usesFamily(const QtTextPort& port, const char* family) {
  const QString found = QFontInfo(port.font()).family();
  if (found == QString::fromUtf8(family)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << family << " is not installed (Qt offers " << found.toStdString()
                                       << "); tools/install-deps installs it";
}

TEST(QtTextPort, LargerSizeGivesWiderTextAndTallerMetrics) {
  const std::int16_t sizes[] = {6, 9, 12, 18, 24, 48, 96};
  for (const char* family : kFamilies) {
    SCOPED_TRACE(family);
    QtTextPort port{QFont(family)};
    ASSERT_TRUE(usesFamily(port, family));
    std::int16_t lastWidth = 0;
    int lastHeight = 0;
    std::int16_t lastWidMax = 0;
    for (const std::int16_t size : sizes) {
      SCOPED_TRACE(size);
      port.setTextSize(size);
      EXPECT_EQ(port.textSize(), size);
      const std::int16_t width = port.textWidth(macRoman(kSample));
      const FontInfo info = port.fontInfo();
      EXPECT_GT(info.ascent, 0);
      EXPECT_GT(info.descent, 0);
      EXPECT_GE(info.leading, 0);
      EXPECT_GT(width, lastWidth);
      EXPECT_GT(info.ascent + info.descent, lastHeight);
      EXPECT_GT(info.widMax, lastWidMax);
      lastWidth = width;
      lastHeight = info.ascent + info.descent;
      lastWidMax = info.widMax;
    }
  }
}

// Width grows about in proportion to the size: text fitting relies on that when it shrinks a size step by step.
TEST(QtTextPort, WidthScalesWithTheSize) {
  for (const char* family : kFamilies) {
    SCOPED_TRACE(family);
    QtTextPort port{QFont(family)};
    ASSERT_TRUE(usesFamily(port, family));
    port.setTextSize(12);
    const double at12 = port.textWidth(macRoman(kSample));
    port.setTextSize(48);
    const double at48 = port.textWidth(macRoman(kSample));
    EXPECT_NEAR(at48 / at12, 4.0, 0.2);
  }
}

TEST(QtTextPort, CondensedFaceIsNarrowerAndExtendedWider) {
  const struct {
    std::int16_t plain;
    std::int16_t condensed;
  } faces[] = {
      {0, kFaceCondense},
      {kFaceBold, static_cast<std::int16_t>(kFaceBold | kFaceCondense)},
      {kFaceItalic, static_cast<std::int16_t>(kFaceItalic | kFaceCondense)},
  };
  for (const char* family : kFamilies) {
    for (const auto& f : faces) {
      for (const std::int16_t size : {std::int16_t{9}, std::int16_t{12}, std::int16_t{36}}) {
        SCOPED_TRACE(testing::Message() << family << ", face " << f.plain << ", size " << size);
        QtTextPort port{QFont(family)};
        ASSERT_TRUE(usesFamily(port, family));
        port.setTextSize(size);
        port.setTextFace(f.plain);
        const std::int16_t plain = port.textWidth(macRoman(kSample));
        port.setTextFace(f.condensed);
        EXPECT_EQ(port.textFace(), f.condensed);
        const std::int16_t condensed = port.textWidth(macRoman(kSample));
        port.setTextFace(static_cast<std::int16_t>(f.plain | kFaceExtend));
        const std::int16_t extended = port.textWidth(macRoman(kSample));
        EXPECT_LT(condensed, plain * 0.9);
        EXPECT_GT(extended, plain * 1.1);
        // Back to the plain face: nothing of the condensed one stays behind.
        port.setTextFace(f.plain);
        EXPECT_EQ(port.textWidth(macRoman(kSample)), plain);
      }
    }
  }
}

TEST(QtTextPort, BoldFaceIsNoNarrowerThanPlain) {
  for (const char* family : kFamilies) {
    SCOPED_TRACE(family);
    QtTextPort port{QFont(family)};
    ASSERT_TRUE(usesFamily(port, family));
    port.setTextSize(24);
    const std::int16_t plain = port.textWidth(macRoman(kSample));
    port.setTextFace(kFaceBold);
    EXPECT_TRUE(port.font().bold());
    EXPECT_GE(port.textWidth(macRoman(kSample)), plain);
  }
}

// The bytes are Mac Roman: 0xC4 is "ƒ" (narrow), not Latin-1 "Ä" (wide).
TEST(QtTextPort, AccentedMacRomanTextIsMeasuredAsMacRoman) {
  const struct {
    std::string_view macRoman;
    const char* utf8;
  } cases[] = {
      {"\xC4\xC4\xC4\xC4\xC4\xC4", "\xC6\x92\xC6\x92\xC6\x92\xC6\x92\xC6\x92\xC6\x92"},
      {"Caf\x8E Z\x9Frich", "Caf\xC3\xA9 Z\xC3\xBCrich"},
      {"\x80\x85\x86 \xA7\xDB", "\xC3\x84\xC3\x96\xC3\x9C \xC3\x9F\xE2\x82\xAC"},
  };
  for (const char* family : kFamilies) {
    QtTextPort port{QFont(family)};
    ASSERT_TRUE(usesFamily(port, family));
    port.setTextSize(24);
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << family << ": " << c.utf8);
      const std::int16_t width = port.textWidth(macRoman(c.macRoman));
      EXPECT_GT(width, 0);
      const double expected = QFontMetricsF(port.font()).horizontalAdvance(QString::fromUtf8(c.utf8));
      EXPECT_EQ(width, static_cast<std::int16_t>(std::ceil(expected)));
    }
    const double latin1 = QFontMetricsF(port.font()).horizontalAdvance(QString::fromLatin1("\xC4\xC4\xC4\xC4\xC4\xC4"));
    EXPECT_NE(port.textWidth(macRoman(cases[0].macRoman)), static_cast<std::int16_t>(std::ceil(latin1)));
  }
}

TEST(QtTextPort, AccentsAddWidth) {
  QtTextPort port{QFont("DejaVu Sans")};
  ASSERT_TRUE(usesFamily(port, "DejaVu Sans"));
  port.setTextSize(18);
  EXPECT_GT(port.textWidth(macRoman("Caf\x8E")), port.textWidth(macRoman("Caf")));
  EXPECT_GT(port.textWidth(macRoman("\x8E")), 0);
}

TEST(QtTextPort, EmptyTextHasNoWidth) {
  QtTextPort port{QFont("DejaVu Sans")};
  ASSERT_TRUE(usesFamily(port, "DejaVu Sans"));
  EXPECT_EQ(port.textWidth({}), 0);
}

TEST(QtTextPort, NewPortIsTwelvePixelsPlain) {
  QtTextPort port{QFont("DejaVu Sans")};
  EXPECT_EQ(port.textSize(), 12);
  EXPECT_EQ(port.textFace(), 0);
  EXPECT_EQ(port.font().pixelSize(), 12);
}

TEST(QtTextPort, CurrentPortScopePutsThePreviousPortBack) {
  QtTextPort outer{QFont("DejaVu Sans")};
  QtTextPort inner{QFont("Liberation Sans")};
  EXPECT_EQ(currentTextPort(), nullptr);
  {
    TextPortScope first(&outer);
    EXPECT_EQ(currentTextPort(), &outer);
    {
      TextPortScope second(&inner);
      EXPECT_EQ(currentTextPort(), &inner);
    }
    EXPECT_EQ(currentTextPort(), &outer);
  }
  EXPECT_EQ(currentTextPort(), nullptr);
}

}  // namespace
}  // namespace vorl
