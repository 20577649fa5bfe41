// Length-prefixed strings of fixed capacity. The bytes are a file format, so the tests look at the raw buffer:
// the length byte, the characters, and zeros after them. A length byte read from a damaged file may claim more
// than the buffer holds; nothing may then read or copy past the buffer.
#include "platform/text/pascal_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace vorl {
namespace {

template <std::size_t N>
std::string rawBytes(const PascalString<N>& s) {
  return std::string(reinterpret_cast<const char*>(s.raw()), N + 1);
}

template <std::size_t N>
void fillRaw(PascalString<N>& s, unsigned char value) {
  std::memset(s.raw(), value, N + 1);
}

TEST(MacPascalString, AssignKeepsTextUpToTheCapacity) {
  const struct {
    std::string_view text;
    std::string_view kept;
  } cases[] = {
      {"", ""},
      {"a", "a"},
      {"Print", "Print"},
      {"12345678", "12345678"},   // exactly the capacity
      {"123456789", "12345678"},  // one over
      {"1234567890ABCDEF", "12345678"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    PascalString<8> s;
    s.assign(c.text);
    EXPECT_EQ(s.length(), c.kept.size());
    EXPECT_EQ(std::size_t{s.raw()[0]}, c.kept.size());
    EXPECT_EQ(s.macRoman(), c.kept);
    EXPECT_EQ(PascalString<8>(c.text).macRoman(), c.kept);
  }
}

TEST(MacPascalString, Str255TakesTwoHundredFiftyFiveCharacters) {
  const std::string text(300, 'x');
  Str255 s;
  s.assign(text);
  EXPECT_EQ(s.length(), 255u);
  EXPECT_EQ(s.raw()[0], 255);
  EXPECT_TRUE(s.lengthFits());
}

// Whatever the buffer held before, an assignment leaves zeros after the text.
TEST(MacPascalString, AssignZeroesTheBytesAfterTheText) {
  for (const std::string_view text : {"", "ab", "1234567", "12345678", "123456789"}) {
    SCOPED_TRACE(text);
    PascalString<8> s;
    fillRaw(s, 0xA5);
    s.assign(text);
    const std::size_t n = std::min<std::size_t>(text.size(), 8);
    const std::string raw = rawBytes(s);
    EXPECT_EQ(raw.substr(1, n), text.substr(0, n));
    EXPECT_EQ(raw.substr(1 + n), std::string(8 - n, '\0'));
  }
}

TEST(MacPascalString, ShorterAssignmentLeavesNothingOfTheLongerText) {
  Str31 s("VORL PREFERENCES FOLDER");
  s.assign("Print");
  std::string expected(32, '\0');
  expected[0] = 5;
  expected.replace(1, 5, "Print");
  EXPECT_EQ(rawBytes(s), expected);
}

TEST(MacPascalString, ClearZeroesTheWholeBuffer) {
  Str31 s;
  fillRaw(s, 0xFF);
  s.clear();
  EXPECT_EQ(rawBytes(s), std::string(32, '\0'));
  EXPECT_TRUE(s.empty());
}

TEST(MacPascalString, DefaultIsAllZeros) {
  EXPECT_EQ(rawBytes(Str63{}), std::string(64, '\0'));
  EXPECT_EQ(rawBytes(PascalString<8>{}), std::string(9, '\0'));
}

// A length byte written by hand (as a file read would) larger than the capacity.
TEST(MacPascalString, LengthByteBeyondTheCapacityNeverReachesPastTheBuffer) {
  const unsigned char claims[] = {9, 31, 32, 64, 200, 255};
  for (const unsigned char claim : claims) {
    SCOPED_TRACE(static_cast<int>(claim));
    PascalString<8> s;
    fillRaw(s, 'z');
    s.raw()[0] = claim;
    EXPECT_FALSE(s.lengthFits());
    EXPECT_EQ(s.length(), 8u);
    EXPECT_FALSE(s.empty());
    EXPECT_EQ(s.text().size(), 8u);
    EXPECT_EQ(s.text().data(), s.raw() + 1);
    EXPECT_EQ(s.macRoman(), "zzzzzzzz");
    EXPECT_EQ(s.toUtf8(), "zzzzzzzz");
    EXPECT_TRUE(s == PascalString<31>("zzzzzzzz"));
    EXPECT_EQ(s.at(9), 0);  // beyond the buffer: no character
    EXPECT_EQ(s.at(8), 'z');
  }
}

TEST(MacPascalString, LengthByteWithinTheCapacityIsTaken) {
  Str31 s("abcdef");
  s.raw()[0] = 3;
  EXPECT_TRUE(s.lengthFits());
  EXPECT_EQ(s.macRoman(), "abc");
  EXPECT_EQ(s.at(1), 'a');
  EXPECT_EQ(s.at(0), 3);  // the length byte, not a character
}

TEST(MacPascalString, EqualityComparesTheTextAcrossCapacities) {
  EXPECT_TRUE(Str31("Print") == Str63("Print"));
  EXPECT_FALSE(Str31("Print") == Str63("Print2"));
  EXPECT_FALSE(Str31("Print") == Str31("print"));
  EXPECT_TRUE(Str255() == Str31());
  // Bytes after the text do not count.
  Str31 withTail("Print!");
  withTail.raw()[0] = 5;
  EXPECT_TRUE(withTail == Str31("Print"));
}

TEST(MacPascalString, Utf8ConvertsThroughMacRoman) {
  const struct {
    std::string_view utf8;
    std::string_view macRoman;
  } cases[] = {
      {"Print", "Print"},
      {"IMAGES FOLDER \xC6\x92", "IMAGES FOLDER \xC4"},
      {"Caf\xC3\xA9 \xE2\x82\xAC", "Caf\x8E \xDB"},
      {"\xE4\xB8\xAD", "^"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    const Str63 s = Str63::fromUtf8(c.utf8);
    EXPECT_EQ(s.macRoman(), c.macRoman);
    if (c.macRoman != "^") {
      EXPECT_EQ(s.toUtf8(), c.utf8);
    }
  }
}

// The capacity counts Mac Roman bytes, so a cut never splits a UTF-8 sequence.
TEST(MacPascalString, FromUtf8CutsInMacRomanCharacters) {
  const std::string fiveFolderSigns = "\xC6\x92\xC6\x92\xC6\x92\xC6\x92\xC6\x92";  // 10 UTF-8 bytes
  const auto s = PascalString<4>::fromUtf8(fiveFolderSigns);
  EXPECT_EQ(s.macRoman(), "\xC4\xC4\xC4\xC4");
  EXPECT_EQ(s.toUtf8(), fiveFolderSigns.substr(0, 8));

  const std::string sixtyThree(63, 'n');
  EXPECT_EQ(Str63::fromUtf8(sixtyThree + "\xC6\x92").macRoman(), sixtyThree);
  EXPECT_EQ(Str63::fromUtf8(std::string(62, 'n') + "\xC6\x92").length(), 63u);
}

}  // namespace
}  // namespace vorl
