#include "foundation/text/text_fit.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/records/rect_orientation.h"
#include "platform/text/text_port.h"

namespace vorl {
namespace {

// A port with fixed metrics: a line is 9 + 3 + 2 = 14 pixels high; every character is `size` pixels wide, or
// three quarters of that when condensed. Records every size and face it is given.
class FakeTextPort final : public TextPort {
 public:
  static constexpr int kLineHeight = 14;

  FakeTextPort(std::int16_t size, std::int16_t face) : size_(size), face_(face) {}

  std::int16_t textSize() const override { return size_; }
  void setTextSize(std::int16_t size) override {
    size_ = size;
    sizesSet.push_back(size);
  }
  std::int16_t textFace() const override { return face_; }
  void setTextFace(std::int16_t face) override {
    face_ = face;
    facesSet.push_back(face);
  }
  FontInfo fontInfo() const override { return FontInfo{9, 3, 20, 2}; }
  std::int16_t textWidth(std::span<const unsigned char> macRoman) const override {
    const int condensedQuarters = (face_ & kFaceCondense) ? 3 : 4;
    return static_cast<std::int16_t>(static_cast<int>(macRoman.size()) * size_ * condensedQuarters / 4);
  }

  std::vector<std::int16_t> sizesSet;
  std::vector<std::int16_t> facesSet;

 private:
  std::int16_t size_;
  std::int16_t face_;
};

// A box of the given size away from the origin, so that width and height must be differences.
Rect box(int width, int height) {
  Rect r;
  r.top = 100;
  r.left = 200;
  r.bottom = static_cast<std::int16_t>(100 + height);
  r.right = static_cast<std::int16_t>(200 + width);
  return r;
}

tTextInfo styleWithFace(std::int16_t face) {
  tTextInfo style{};
  style.size = 12;
  style.face = face;
  return style;
}

// Ten characters: 120 pixels at size 12, 90 condensed.
const CStr255_AC kCaption("ABCDEFGHIJ");

TEST(TextFit, BoxTwoLinesHighOrMoreChangesNothing) {
  for (const int height : {2 * FakeTextPort::kLineHeight, 2 * FakeTextPort::kLineHeight + 1, 300}) {
    SCOPED_TRACE(height);
    FakeTextPort port(12, kFaceItalic);
    TextPortScope scope(&port);
    myMakeTextFit(box(10, height), kCaption, 12, styleWithFace(kFaceBold));
    EXPECT_TRUE(port.sizesSet.empty());
    EXPECT_TRUE(port.facesSet.empty());
    EXPECT_EQ(port.textSize(), 12);
    EXPECT_EQ(port.textFace(), kFaceItalic);
  }
}

TEST(TextFit, TextThatFitsChangesNothing) {
  for (const int width : {120, 121, 500}) {
    SCOPED_TRACE(width);
    FakeTextPort port(12, 0);
    TextPortScope scope(&port);
    myMakeTextFit(box(width, 20), kCaption, 12, styleWithFace(kFaceBold));
    EXPECT_TRUE(port.sizesSet.empty());
    EXPECT_TRUE(port.facesSet.empty());
  }
}

TEST(TextFit, CondensedFirst) {
  // 90 pixels condensed fit a box 100 wide (one line high) without a smaller size.
  const struct {
    std::int16_t styleFace, expectedFace;
  } cases[] = {
      {0, kFaceCondense},
      {kFaceBold, kFaceBold | kFaceCondense},
      {kFaceBold | kFaceItalic | kFaceUnderline, kFaceBold | kFaceItalic | kFaceUnderline | kFaceCondense},
      {kFaceCondense, kFaceCondense},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.styleFace);
    FakeTextPort port(12, kFaceItalic);  // the port's own face is not kept: the style's is
    TextPortScope scope(&port);
    myMakeTextFit(box(100, 2 * FakeTextPort::kLineHeight - 1), kCaption, 12, styleWithFace(c.styleFace));
    EXPECT_EQ(port.facesSet, std::vector<std::int16_t>{c.expectedFace});
    EXPECT_TRUE(port.sizesSet.empty());
  }
}

TEST(TextFit, ShrinksOneStepAtATimeUntilItFits) {
  // Condensed widths: 82 at 11, 75 at 10, 67 at 9.
  const struct {
    int width;
    std::vector<std::int16_t> sizes;
  } cases[] = {
      {85, {11}},
      {82, {11}},
      {75, {11, 10}},
      {70, {11, 10, 9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    FakeTextPort port(12, 0);
    TextPortScope scope(&port);
    myMakeTextFit(box(c.width, 20), kCaption, 12, styleWithFace(0));
    EXPECT_EQ(port.facesSet, std::vector<std::int16_t>{kFaceCondense});
    EXPECT_EQ(port.sizesSet, c.sizes);
    EXPECT_EQ(port.textSize(), c.sizes.back());
  }
}

TEST(TextFit, StartingSizeZeroMeans15) {
  FakeTextPort port(12, 0);
  TextPortScope scope(&port);
  // Condensed widths: 105 at 14, 97 at 13, 90 at 12, 82 at 11, 75 at 10.
  myMakeTextFit(box(80, 20), kCaption, 0, styleWithFace(0));
  EXPECT_EQ(port.sizesSet, (std::vector<std::int16_t>{14, 13, 12, 11, 10}));
}

TEST(TextFit, NeverSmallerThan5) {
  for (const std::int16_t start : {12, 6, 5, 3}) {
    SCOPED_TRACE(start);
    FakeTextPort port(12, 0);
    TextPortScope scope(&port);
    myMakeTextFit(box(1, 20), kCaption, start, styleWithFace(0));
    ASSERT_FALSE(port.sizesSet.empty());
    EXPECT_EQ(port.textSize(), 5);
    // Down one step at a time from the starting size, and no size below 5 is ever set.
    std::int16_t expected = static_cast<std::int16_t>(start - 1);
    for (const std::int16_t size : port.sizesSet) {
      EXPECT_GE(size, 5);
      if (expected >= 5) {
        EXPECT_EQ(size, expected);
      }
      --expected;
    }
  }
}

TEST(TextFit, WithoutAPortNothingHappens) {
  TextPortScope scope(nullptr);
  myMakeTextFit(box(1, 1), kCaption, 12, styleWithFace(0));  // must not crash
}

Rect rect(int top, int left, int bottom, int right) {
  Rect r;
  r.top = static_cast<std::int16_t>(top);
  r.left = static_cast<std::int16_t>(left);
  r.bottom = static_cast<std::int16_t>(bottom);
  r.right = static_cast<std::int16_t>(right);
  return r;
}

TEST(RectOrientation, WiderThanHighIsLandscape) {
  const struct {
    Rect r;
    bool landscape;
  } cases[] = {
      {rect(0, 0, 100, 100), false},  // a square is portrait
      {rect(0, 0, 0, 0), false},
      {rect(0, 0, 100, 101), true},
      {rect(0, 0, 101, 100), false},
      {rect(0, 0, 1200, 1800), true},
      {rect(0, 0, 1800, 1200), false},
      // Away from the origin: right 100 is more than bottom 50, yet the rectangle is 10 wide and 50 high.
      {rect(0, 90, 50, 100), false},
      {rect(-50, -200, 50, 0), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.r.top.value() << "," << c.r.left.value() << "," << c.r.bottom.value() << ","
                                    << c.r.right.value());
    EXPECT_EQ(isLandscape(c.r), c.landscape);
    EXPECT_EQ(getRectOrientation(c.r), c.landscape ? 1 : 2);
  }
}

}  // namespace
}  // namespace vorl
