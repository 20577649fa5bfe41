#include "platform/text/mac_roman.h"

#include <array>
#include <cstdint>

namespace vorl {
namespace {

// Unicode code points of Mac Roman 0x80..0xFF (Apple's ROMAN.TXT, with the euro sign at 0xDB).
constexpr std::array<char32_t, 128> kHighHalf = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,  // 80
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,  // 88
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,  // 90
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,  // 98
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,  // A0
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,  // A8
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,  // B0
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,  // B8
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,  // C0
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,  // C8
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,  // D0
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,  // D8
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,  // E0
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,  // E8
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,  // F0
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,  // F8
};

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `in[pos]`, advancing `pos`; malformed input yields U+FFFD one byte at a time.
char32_t decodeUtf8(std::string_view in, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(in[pos]);
  std::size_t extra = 0;
  char32_t c = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, c = lead & 0x07;
  } else {
    ++pos;
    return 0xFFFD;
  }
  if (pos + extra >= in.size()) {
    ++pos;
    return 0xFFFD;
  }
  for (std::size_t i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(in[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    c = (c << 6) | (next & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return 0xFFFD;
  }
  pos += extra + 1;
  return c;
}

// Mac Roman byte of each code point below U+0100 (0 where there is none); the rest are searched.
const std::array<unsigned char, 256> kLatin1ToMacRoman = [] {
  std::array<unsigned char, 256> table{};
  for (std::size_t i = 0; i < kHighHalf.size(); ++i)
    if (kHighHalf[i] < 0x100) table[kHighHalf[i]] = static_cast<unsigned char>(0x80 + i);
  return table;
}();

char toMacRoman(char32_t c) {
  if (c < 0x80) return static_cast<char>(c);
  if (c < 0x100) return kLatin1ToMacRoman[c] != 0 ? static_cast<char>(kLatin1ToMacRoman[c]) : kMacRomanReplacement;
  for (std::size_t i = 0; i < kHighHalf.size(); ++i)
    if (kHighHalf[i] == c) return static_cast<char>(0x80 + i);
  return kMacRomanReplacement;
}

}  // namespace

std::string macRomanToUtf8(std::string_view macRoman) {
  std::string out;
  out.reserve(macRoman.size() + macRoman.size() / 4);
  for (const char ch : macRoman) {
    const auto byte = static_cast<unsigned char>(ch);
    appendUtf8(out, byte < 0x80 ? char32_t{byte} : kHighHalf[byte - 0x80]);
  }
  return out;
}

std::string utf8ToMacRoman(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) out += toMacRoman(decodeUtf8(utf8, pos));
  return out;
}

}  // namespace vorl
