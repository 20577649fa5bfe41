#include "foundation/text/pascal_strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

namespace vorl {
namespace {

template <std::size_t N>
std::string charsOf(const PascalString<N>& s) {
  return std::string(s.macRoman());
}

// Mac Roman letters with accents: é (0x8E), É (0x83), ä (0x8A), Ä (0x80), ö (0x9A), ß (0xA7).
constexpr std::string_view kAccented = "\x8E\x83\x8A\x80\x9A\xA7";

TEST(PascalStringCopy, CopiesLengthAndCharactersOverLongerText) {
  Str255 destination("a much longer text that was here before");
  const Str255 source("Print");
  pstrcpy(destination, source);
  EXPECT_EQ(destination.raw()[0], 5);
  EXPECT_EQ(charsOf(destination), "Print");
}

TEST(PascalStringCopy, BlockCopyAnswersTheDestination) {
  Str255 destination;
  const Str255 source("Smith_0012.jpg");
  EXPECT_EQ(pStrcpy(destination, source), destination.raw());
  EXPECT_EQ(charsOf(destination), "Smith_0012.jpg");
}

TEST(PascalStringCopy, CutsAtTheDestinationsCapacity) {
  const Str255 source(std::string(40, 'x') + "tail");
  Str31 destination;
  pstrcpy(destination, source);
  EXPECT_EQ(destination.raw()[0], 31);
  EXPECT_EQ(charsOf(destination), std::string(31, 'x'));

  Str31 viaBlockCopy("old");
  pStrcpy(viaBlockCopy, source);
  EXPECT_EQ(charsOf(viaBlockCopy), std::string(31, 'x'));
}

TEST(PascalStringJoin, AppendsWhatFitsInAStr255) {
  const std::string full(255, 'z');
  const struct {
    std::string destination, source, expected;
  } cases[] = {
      {"abc", "def", "abcdef"},
      {"", "def", "def"},
      {"abc", "", "abc"},
      // 250 + 10 characters: only the first 5 of the source fit.
      {std::string(250, 'a'), "0123456789", std::string(250, 'a') + "01234"},
      {std::string(254, 'a'), "0123456789", std::string(254, 'a') + "0"},
      {std::string(245, 'a'), "0123456789", std::string(245, 'a') + "0123456789"},
      {full, "more", full},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.destination.size() << " + \"" << c.source << "\"");
    Str255 destination(c.destination);
    const Str255 source(c.source);
    pstrcat(destination, source);
    EXPECT_EQ(destination.raw()[0], c.expected.size());
    EXPECT_EQ(charsOf(destination), c.expected);
  }
}

TEST(PascalStringJoin, CutsAtASmallerDestinationsCapacity) {
  Str31 destination(std::string(28, 'a'));
  const Str255 source("bcdefgh");
  pstrcat(destination, source);
  EXPECT_EQ(destination.raw()[0], 31);
  EXPECT_EQ(charsOf(destination), std::string(28, 'a') + "bcd");

  pstrcat(destination, source);  // already full
  EXPECT_EQ(charsOf(destination), std::string(28, 'a') + "bcd");
}

TEST(PascalStringCompare, EqualityWithAndWithoutLetterCase) {
  const struct {
    std::string_view a, b;
    std::int16_t exact, ignoringCase;
  } cases[] = {
      {"abc", "abc", 1, 1},
      {"", "", 1, 1},
      {"abc", "ABC", 0, 1},
      {"Photo 12.JPG", "photo 12.jpg", 0, 1},
      {"abc", "abd", 0, 0},
      {"abc", "abcd", 0, 0},  // lengths differ
      {"abcd", "abc", 0, 0},
      {"abc", "", 0, 0},
      {"@[`{", "@[`{", 1, 1},
      {"`", "@", 0, 0},  // neighbours of the letters are not letters
      {"{", "[", 0, 0},
      {"\x8E", "\x83", 0, 0},  // é and É: only ASCII letters change case
      {kAccented, kAccented, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.a << "\" vs \"" << c.b << "\"");
    const Str255 a(c.a), b(c.b);
    EXPECT_EQ(pstrcomp(a, b), c.exact);
    EXPECT_EQ(pstrcomp2(a, b), c.ignoringCase);
  }
}

TEST(PascalStringCompare, OrderingIgnoresLetterCase) {
  const struct {
    std::string_view first, second;
    std::int16_t expected;
  } cases[] = {
      {"abc", "abc", 0},
      {"abc", "ABC", 0},
      {"abc", "abd", -1},
      {"abd", "abc", 1},
      {"ABD", "abc", 1},
      {"b", "Azzz", 1},
      // Only the first string's length counts: a longer second string with the same start is equal.
      {"ABC", "abcd", 0},
      {"", "abc", 0},
      // When the second string ends first, the first sorts after it.
      {"abcd", "ABC", 1},
      {"abc", "", 1},
      // Compared upper-cased: 'a' becomes 'A' (0x41), below '_' (0x5F).
      {"a", "_", -1},
      {"_", "a", 1},
      // Bytes compare unsigned: Mac Roman é (0x8E) is above 'z'.
      {"\x8E", "z", 1},
      {"z", "\x8E", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.first << "\" vs \"" << c.second << "\"");
    EXPECT_EQ(pstrcomp3(Str255(c.first), Str255(c.second)), c.expected);
  }
}

TEST(PascalStringCompare, OrderingDoesNotReadPastTheSecondStringsLength) {
  // A buffer that once held "abcd" and now holds "ab": the stale "cd" must not make "abcd" equal to it.
  Str255 second("abcd");
  second.raw()[0] = 2;
  EXPECT_EQ(pstrcomp3(Str255("abcd"), second), 1);
}

TEST(PascalStringCompare, LeadingBytesIncludeTheLengthByte) {
  const struct {
    std::string_view a, b;
    std::int16_t n, expected;
  } cases[] = {
      {"abc", "abd", 0, 1}, {"abc", "abd", 1, 1},   // the length bytes
      {"abc", "abd", 3, 1},                         // length, 'a', 'b'
      {"abc", "abd", 4, 0}, {"abc", "abcd", 1, 0},  // the lengths differ
      {"abc", "ABC", 2, 0},                         // letter case counts
      {"abc", "abc", 4, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.a << "\" vs \"" << c.b << "\", n = " << c.n);
    EXPECT_EQ(myStringCompare(Str255(c.a), Str255(c.b), c.n), c.expected);
  }
}

TEST(PascalStringCompare, LeadingBytesStayInsideTheBuffers) {
  // A count beyond the buffers compares the whole buffers and no further.
  EXPECT_EQ(myStringCompare(Str31("abc"), Str31("abc"), 300), 1);
  EXPECT_EQ(myStringCompare(Str31("abc"), Str255("abc"), 255), 1);
  EXPECT_EQ(myStringCompare(Str31("abc"), Str31("abd"), 300), 0);
}

TEST(PascalStringConversion, ToZeroTerminated) {
  char buffer[300];
  std::memset(buffer, '#', sizeof buffer);
  ptocStrcpy(buffer, Str255("Smith"));
  EXPECT_STREQ(buffer, "Smith");

  const std::string full(255, 'q');
  ptocStrcpy(buffer, Str255(full));
  EXPECT_EQ(std::string(buffer), full);
}

TEST(PascalStringConversion, EmptyStringGivesAnEmptyZeroTerminatedString) {
  char buffer[16];
  std::strcpy(buffer, "stale text");
  ptocStrcpy(buffer, Str255());
  EXPECT_STREQ(buffer, "");
}

TEST(PascalStringConversion, ToZeroTerminatedCutsAtTheBuffersSize) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  ptocStrcpy(buffer, Str255("0123456789"));
  EXPECT_STREQ(buffer, "0123456");

  char one[1] = {'#'};
  ptocStrcpy(one, Str255("abc"));
  EXPECT_EQ(one[0], '\0');
}

TEST(PascalStringConversion, ToZeroTerminatedIgnoresNullDestination) {
  ptocStrcpy(nullptr, 16, Str255("abc"));  // must not crash
  char buffer[4] = {'x', 'y', 'z', '\0'};
  ptocStrcpy(buffer, 0, Str255("abc"));
  EXPECT_STREQ(buffer, "xyz");
}

TEST(PascalStringConversion, FromZeroTerminated) {
  const std::string long300(300, 'w');
  const struct {
    std::string source, expected;
  } cases[] = {
      {"hello", "hello"},
      {"", ""},
      {std::string(255, 'w'), std::string(255, 'w')},
      {long300, std::string(255, 'w')},
      {std::string(kAccented), std::string(kAccented)},  // Mac Roman bytes pass unchanged
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source.size());
    Str255 destination("previous");
    ctopStrcpy(destination, c.source.c_str());
    EXPECT_EQ(destination.raw()[0], c.expected.size());
    EXPECT_EQ(charsOf(destination), c.expected);
  }
}

TEST(PascalStringConversion, FromZeroTerminatedCutsAtCapacityAndIgnoresNull) {
  Str31 small;
  ctopStrcpy(small, std::string(40, 'k').c_str());
  EXPECT_EQ(charsOf(small), std::string(31, 'k'));

  Str255 kept("kept");
  ctopStrcpy(kept, nullptr);
  EXPECT_EQ(charsOf(kept), "kept");
}

TEST(PascalStringUpperCase, ChangesOnlyAsciiLetters) {
  const struct {
    std::string input, expected;
  } cases[] = {
      {"abc xyz-09", "ABC XYZ-09"},
      {"Print_0007.jpg", "PRINT_0007.JPG"},
      {"", ""},
      {"@[`{}~", "@[`{}~"},
      {std::string(kAccented), std::string(kAccented)},
      {"caf\x8E", "CAF\x8E"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    std::string text = c.input;
    EXPECT_EQ(toUpperString(text.data()), 1);
    EXPECT_EQ(text, c.expected);
  }
  EXPECT_EQ(toUpperString(nullptr), 0);
}

TEST(PascalStringSearch, FindsFirstOccurrenceWithLetterCase) {
  const struct {
    std::string_view pattern, text;
    std::int16_t expected;
  } cases[] = {
      {"", "abc", 1},   {"", "", 1},        {"abcd", "abc", 0},           {"abc", "abc", 1},
      {"a", "abc", 1},  {"c", "abc", 3},                         // an occurrence ending on the last character
      {"b", "abcb", 2}, {"bc", "abxbc", 4}, {"aab", "aaab", 2},  // a partial match just before the real one
      {"B", "abc", 0},                                           // letter case counts
      {"x", "abc", 0},  {"x", "", 0},       {".jpg", "photo.jpg.jpg", 6}, {"\x8E", "caf\x8E", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.pattern << "\" in \"" << c.text << "\"");
    const Str255 pattern(c.pattern);
    Str255 text(c.text);
    EXPECT_EQ(FindPos(pattern, text), c.expected);
  }
}

TEST(PascalStringSearch, FindsLastOccurrenceIgnoringLetterCase) {
  const struct {
    std::string_view pattern, text;
    std::int16_t expected;
  } cases[] = {
      {".", "a.b.c", 4},
      {".", "abc.", 4},  // an occurrence ending on the last character
      {".", "abc", 0},
      {".", ".abc", 1},
      {"abc", "abc", 1},  // a pattern as long as the text
      {"abcd", "abc", 0},
      {"x", "", 0},
      {"b", "ABCB", 4},
      {"B", "abcb", 4},
      {" copy", "photo copy", 6},
      {" COPY", "Photo Copy 3", 6},
      {".jpg", "photo.jpg.jpg", 10},
      {"aa", "aaa", 2},     // overlapping occurrences: the last start
      {"\x8E", "\x83", 0},  // é and É differ: only ASCII letters change case
      {"\x8E",
       "\x8E"
       "a\x8E",
       3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.pattern << "\" in \"" << c.text << "\"");
    const Str255 pattern(c.pattern);
    Str255 text(c.text);
    EXPECT_EQ(FindPosInReverse(pattern, text), c.expected);
  }
}

TEST(PascalStringSearch, SearchesAFullLengthText) {
  const Str255 pattern("end");
  Str255 text(std::string(252, 'x') + "end");
  EXPECT_EQ(FindPos(pattern, text), 253);
  EXPECT_EQ(FindPosInReverse(pattern, text), 253);
}

}  // namespace
}  // namespace vorl
