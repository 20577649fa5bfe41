#include "foundation/text/pascal_strings.h"

#include <algorithm>

namespace vorl {
namespace pstring_internal {
namespace {

bool matchesAt(Chars pattern, Chars text, std::size_t start, bool ignoreCase) noexcept {
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    unsigned char p = pattern[i], t = text[start + i];
    if (ignoreCase) p = upperMacRomanByte(p), t = upperMacRomanByte(t);
    if (p != t) return false;
  }
  return true;
}

}  // namespace

bool equalChars(Chars a, Chars b, bool ignoreCase) noexcept {
  return a.size() == b.size() && matchesAt(a, b, 0, ignoreCase);
}

std::int16_t orderChars(Chars first, Chars second) noexcept {
  for (std::size_t i = 0; i < first.size(); ++i) {
    if (i >= second.size()) return 1;  // a string sorts after its own prefix
    const unsigned char a = upperMacRomanByte(first[i]), b = upperMacRomanByte(second[i]);
    if (a != b) return a > b ? 1 : -1;
  }
  return 0;
}

std::int16_t findFirst(Chars pattern, Chars text) noexcept {
  if (pattern.size() > text.size()) return 0;
  for (std::size_t start = 0; start + pattern.size() <= text.size(); ++start)
    if (matchesAt(pattern, text, start, false)) return static_cast<std::int16_t>(start + 1);
  return 0;
}

// Walks the possible starts backwards from the last that fits, which includes a match at the very end.
std::int16_t findLast(Chars pattern, Chars text) noexcept {
  if (pattern.empty()) return static_cast<std::int16_t>(text.size());
  if (pattern.size() > text.size()) return 0;
  for (std::size_t start = text.size() - pattern.size() + 1; start >= 1; --start)
    if (matchesAt(pattern, text, start - 1, true)) return static_cast<std::int16_t>(start);
  return 0;
}

void copyToCString(char* destination, std::size_t destinationSize, Chars source) noexcept {
  if (!destination || destinationSize == 0) return;
  const std::size_t n = std::min(source.size(), destinationSize - 1);
  std::copy_n(reinterpret_cast<const char*>(source.data()), n, destination);
  destination[n] = '\0';
}

}  // namespace pstring_internal

std::int16_t toUpperString(char* text) noexcept {
  if (!text) return 0;
  for (char* c = text; *c; ++c) *c = static_cast<char>(upperMacRomanByte(static_cast<unsigned char>(*c)));
  return 1;
}

}  // namespace vorl
