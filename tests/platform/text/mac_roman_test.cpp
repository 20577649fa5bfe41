// Mac Roman <-> UTF-8. glibc's iconv "MACINTOSH" converter shares no code with our table, so it serves as the
// oracle for every byte and, the other way, for every character of the Basic Multilingual Plane. The two differ
// on purpose in two bytes, where we follow Apple's table (what the studio Macs themselves produce):
// - 0xF0, the Apple logo: glibc gives it a private-use code point of its own, Apple uses U+F8FF;
// - 0xC6: glibc keeps the old GREEK CAPITAL LETTER DELTA (U+0394), Apple's table has INCREMENT (U+2206) since
//   1998 (UTF-8 "ƒ", C6 92, misread as Mac Roman shows as "∆í" on a Mac).
#include "platform/text/mac_roman.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vorl {
namespace {

// The bytes where glibc and Apple disagree, with Apple's code point (and its UTF-8) and glibc's.
struct Disagreement {
  unsigned char byte;
  char32_t apple;
  const char* appleUtf8;
  char32_t glibc;
};
constexpr Disagreement kDisagreements[] = {{0xC6, 0x2206, "\xE2\x88\x86", 0x0394},
                                           {0xF0, 0xF8FF, "\xEF\xA3\xBF", 0xE01E}};

bool glibcDisagrees(int byte) {
  for (const Disagreement& d : kDisagreements)
    if (d.byte == byte) return true;
  return false;
}

bool isDisputedCharacter(char32_t c) {
  for (const Disagreement& d : kDisagreements)
    if (d.apple == c || d.glibc == c) return true;
  return false;
}

std::string hex(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    char part[4];
    std::snprintf(part, sizeof part, "%02X ", static_cast<unsigned char>(c));
    text += part;
  }
  return text;
}

std::string byteString(unsigned char byte) { return std::string(1, static_cast<char>(byte)); }

// One iconv conversion descriptor, closed with its owner.
class Converter {
 public:
  Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(descriptor_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }

  // The whole input converted, or nothing when iconv refuses any of it.
  std::optional<std::string> convert(std::string_view input) {
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    std::string in(input);
    std::string out(input.size() * 4 + 16, '\0');
    char* inPointer = in.data();
    char* outPointer = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    if (iconv(descriptor_, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
      return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  iconv_t descriptor_;
};

TEST(MacRoman, EveryByteDecodesAsGlibcDoesWhereAppleAgrees) {
  Converter glibc("UTF-8", "MACINTOSH");
  ASSERT_TRUE(glibc.ok()) << "glibc's MACINTOSH converter is missing: " << std::strerror(errno);
  for (int byte = 0x00; byte <= 0xFF; ++byte) {
    if (glibcDisagrees(byte)) continue;
    SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
    const std::optional<std::string> expected = glibc.convert(byteString(static_cast<unsigned char>(byte)));
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(hex(macRomanToUtf8(byteString(static_cast<unsigned char>(byte)))), hex(*expected));
  }
}

TEST(MacRoman, EveryGlibcDecodedByteEncodesBack) {
  Converter glibc("UTF-8", "MACINTOSH");
  ASSERT_TRUE(glibc.ok());
  for (int byte = 0x00; byte <= 0xFF; ++byte) {
    if (glibcDisagrees(byte)) continue;
    SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
    const std::optional<std::string> utf8 = glibc.convert(byteString(static_cast<unsigned char>(byte)));
    ASSERT_TRUE(utf8.has_value());
    EXPECT_EQ(hex(utf8ToMacRoman(*utf8)), hex(byteString(static_cast<unsigned char>(byte))));
  }
}

TEST(MacRoman, DisputedBytesFollowApple) {
  for (const Disagreement& d : kDisagreements) {
    SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << static_cast<int>(d.byte));
    EXPECT_EQ(hex(macRomanToUtf8(byteString(d.byte))), hex(d.appleUtf8));
    EXPECT_EQ(hex(utf8ToMacRoman(d.appleUtf8)), hex(byteString(d.byte)));
  }
}

TEST(MacRoman, AllBytesSurviveTheRoundTrip) {
  std::string all;
  for (int byte = 0x00; byte <= 0xFF; ++byte) all += static_cast<char>(byte);
  const std::string utf8 = macRomanToUtf8(all);
  const std::string back = utf8ToMacRoman(utf8);
  ASSERT_EQ(back.size(), all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << i);
    EXPECT_EQ(static_cast<unsigned char>(back[i]), static_cast<unsigned char>(all[i]));
  }
  // And once more from UTF-8: what the disk holds comes back byte for byte.
  EXPECT_EQ(macRomanToUtf8(back), utf8);
}

// Every character below U+10000 has a Mac Roman form exactly when glibc can encode it.
TEST(MacRoman, UnmappableCharactersOfTheBasicPlaneAreThoseGlibcRefuses) {
  Converter glibc("MACINTOSH", "UTF-8");
  Converter encoder("UTF-8", "UTF-32LE");  // glibc encodes the test's UTF-8 too, independently of ours
  ASSERT_TRUE(glibc.ok() && encoder.ok());
  int mismatches = 0;
  for (char32_t c = 0x80; c < 0x10000; ++c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || isDisputedCharacter(c)) continue;
    const char codeUnit[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF), 0, 0};
    const std::optional<std::string> encoded = encoder.convert(std::string_view(codeUnit, 4));
    ASSERT_TRUE(encoded.has_value()) << std::hex << static_cast<unsigned>(c);
    const std::string& utf8 = *encoded;
    const std::optional<std::string> expected = glibc.convert(utf8);
    const std::string ours = utf8ToMacRoman(utf8);
    const std::string wanted = expected ? *expected : std::string(1, kMacRomanReplacement);
    if (ours != wanted && ++mismatches <= 10)
      ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << ": ours " << hex(ours) << ", glibc "
                    << hex(wanted);
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(MacRoman, WorkingFolderSuffixIsC4OnRecordsAndC692OnDisk) {
  EXPECT_EQ(hex(utf8ToMacRoman("\xC6\x92")), "C4 ");
  EXPECT_EQ(hex(macRomanToUtf8("\xC4")), "C6 92 ");
  EXPECT_EQ(utf8ToMacRoman("IMAGES FOLDER \xC6\x92"), "IMAGES FOLDER \xC4");
  EXPECT_EQ(macRomanToUtf8("VORL PREFERENCES FOLDER \xC4"), "VORL PREFERENCES FOLDER \xC6\x92");
}

TEST(MacRoman, EmptyTextStaysEmpty) {
  EXPECT_EQ(macRomanToUtf8(""), "");
  EXPECT_EQ(utf8ToMacRoman(""), "");
}

// One '^' per character, whatever its UTF-8 length, and the text around it untouched.
TEST(MacRoman, CharactersWithoutMacRomanFormBecomeOneCaretEach) {
  const struct {
    const char* name;
    std::string utf8;
    std::string macRoman;
  } cases[] = {
      {"currency sign (0xDB before the euro)", "\xC2\xA4", "^"},
      {"broken bar", "a\xC2\xA6z", "a^z"},
      {"Latin A with macron", "\xC4\x80", "^"},
      {"Polish l with stroke", "\xC5\x82\xC3\xB3w", "^\x97w"},
      {"CJK ideograph", "x\xE4\xB8\xADy", "x^y"},
      {"replacement character", "\xEF\xBF\xBD", "^"},
      {"emoji outside the basic plane", "\xF0\x9F\x98\x80!", "^!"},
      {"euro sign has a form", "5 \xE2\x82\xAC", "5 \xDB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(hex(utf8ToMacRoman(c.utf8)), hex(c.macRoman));
  }
}

// Each byte of a malformed sequence becomes one '^'; what follows it decodes normally. In particular an overlong
// "/" never becomes a path separator.
TEST(MacRoman, MalformedUtf8BecomesCarets) {
  const struct {
    const char* name;
    std::string utf8;
    std::string macRoman;
  } cases[] = {
      {"two-byte sequence cut at the end", "ab\xC6", "ab^"},
      {"three-byte sequence cut at the end", "ab\xE2\x82", "ab^^"},
      {"four-byte sequence cut at the end", "\xF0\x9F\x98", "^^^"},
      {"lead byte followed by ASCII", "\xC6Z", "^Z"},
      {"three-byte sequence cut before ASCII", "\xE2\x82z", "^^z"},
      {"lone continuation byte", "a\x92z", "a^z"},
      {"two continuation bytes", "\x80\xBF", "^^"},
      {"overlong two-byte slash", "\xC0\xAF", "^^"},
      {"overlong two-byte DEL", "\xC1\xBF", "^^"},
      {"overlong three-byte slash", "\xE0\x80\xAF", "^^^"},
      {"overlong four-byte slash", "\xF0\x80\x80\xAF", "^^^^"},
      {"high surrogate", "\xED\xA0\x80", "^^^"},
      {"low surrogate", "\xED\xBF\xBF", "^^^"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "^^^^"},
      {"byte 0xFE", "\xFE", "^"},
      {"byte 0xFF", "\xFFz", "^z"},
      {"five-byte form", "\xF8\x88\x80\x80\x80", "^^^^^"},
      {"malformed then a good character", "\xC0\xAF\xC6\x92", "^^\xC4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = utf8ToMacRoman(c.utf8);
    EXPECT_EQ(hex(out), hex(c.macRoman));
    EXPECT_EQ(out.find('/'), std::string::npos);
  }
}

// A sequence cut by the end of the input is malformed even when the bytes after the end would complete it; and
// with the input in a block of exactly its size, AddressSanitizer sees any read past it.
TEST(MacRoman, CutSequenceIsNeverCompletedFromBeyondTheInput) {
  const struct {
    std::string whole;
    std::size_t kept;
    std::string macRoman;
  } cases[] = {
      {"\xC6\x92", 1, "^"},           {"\xE2\x82\xAC", 1, "^"}, {"\xE2\x82\xAC", 2, "^^"},
      {"\xF0\x9F\x98\x80", 3, "^^^"}, {"x\xC6\x92", 2, "x^"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(hex(c.whole) + "cut to " + std::to_string(c.kept));
    EXPECT_EQ(hex(utf8ToMacRoman(std::string_view(c.whole).substr(0, c.kept))), hex(c.macRoman));

    const auto exact = std::make_unique<char[]>(c.kept);
    std::memcpy(exact.get(), c.whole.data(), c.kept);
    EXPECT_EQ(hex(utf8ToMacRoman(std::string_view(exact.get(), c.kept))), hex(c.macRoman));
  }
}

}  // namespace
}  // namespace vorl
