// foundation/text/: operations on texts: length-prefixed strings (this unit), the numbered string lists, fitting a
// caption on one line, and date and time texts.
//
// Copying, joining, comparing and searching length-prefixed strings, and converting them to and from
// zero-terminated strings. Every copy and join stops at the destination's capacity; upper-casing changes only
// the ASCII letters a..z (Mac Roman accented letters stay as they are).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/text/pascal_string.h"

namespace vorl {

namespace pstring_internal {
using Chars = std::span<const unsigned char>;
bool equalChars(Chars a, Chars b, bool ignoreCase) noexcept;
std::int16_t orderChars(Chars first, Chars second) noexcept;
std::int16_t findFirst(Chars pattern, Chars text) noexcept;
std::int16_t findLast(Chars pattern, Chars text) noexcept;
void copyToCString(char* destination, std::size_t destinationSize, Chars source) noexcept;
}  // namespace pstring_internal

// ASCII-only upper case of one Mac Roman byte.
constexpr unsigned char upperMacRomanByte(unsigned char c) noexcept {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Copies the source's characters; text beyond the destination's capacity is cut.
template <std::size_t D, std::size_t S>
void pstrcpy(PascalString<D>& destination, const PascalString<S>& source) noexcept {
  destination.assign(source.text());
}

// The same copy; answers the destination's length byte.
template <std::size_t D, std::size_t S>
unsigned char* pStrcpy(PascalString<D>& destination, const PascalString<S>& source) noexcept {
  pstrcpy(destination, source);
  return destination.raw();
}

// Appends the source; when the sum passes the capacity only the characters that fit are appended.
template <std::size_t D, std::size_t S>
void pstrcat(PascalString<D>& destination, const PascalString<S>& source) noexcept {
  const std::size_t have = destination.length();
  const std::size_t take = std::min(source.length(), D - have);
  unsigned char joined[D];
  std::copy_n(destination.chars(), have, joined);
  std::copy_n(source.chars(), take, joined + have);
  destination.assign(std::span<const unsigned char>(joined, have + take));
}

// 1 when both strings have the same length and characters (letter case counts), else 0.
template <std::size_t A, std::size_t B>
std::int16_t pstrcomp(const PascalString<A>& a, const PascalString<B>& b) noexcept {
  return pstring_internal::equalChars(a.text(), b.text(), false) ? 1 : 0;
}

// As pstrcomp, ignoring the case of ASCII letters.
template <std::size_t A, std::size_t B>
std::int16_t pstrcomp2(const PascalString<A>& a, const PascalString<B>& b) noexcept {
  return pstring_internal::equalChars(a.text(), b.text(), true) ? 1 : 0;
}

// Ordering over the first string's characters, upper-cased: 1 when the first string is greater at the first
// difference, -1 when smaller, 0 when the first string's characters all match (so "ABC" and "abcd" give 0).
// Where the second string ends first, the first string sorts after it.
template <std::size_t A, std::size_t B>
std::int16_t pstrcomp3(const PascalString<A>& first, const PascalString<B>& second) noexcept {
  return pstring_internal::orderChars(first.text(), second.text());
}

// 1 when the first n stored bytes (the length byte included) are equal, else 0; n is limited to the buffers.
template <std::size_t A, std::size_t B>
std::int16_t myStringCompare(const PascalString<A>& a, const PascalString<B>& b, std::int16_t n) noexcept {
  const std::size_t count = n <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), std::min(A, B) + 1);
  return std::equal(a.raw(), a.raw() + count, b.raw()) ? 1 : 0;
}

// Length-prefixed to zero-terminated, cut to fit the destination; an empty source gives an empty string.
// Nothing happens when the destination is null or has no room at all.
template <std::size_t S>
void ptocStrcpy(char* destination, std::size_t destinationSize, const PascalString<S>& source) noexcept {
  pstring_internal::copyToCString(destination, destinationSize, source.text());
}
template <std::size_t N, std::size_t S>
void ptocStrcpy(char (&destination)[N], const PascalString<S>& source) noexcept {
  ptocStrcpy(destination, N, source);
}

// Zero-terminated to length-prefixed, cut at the capacity; nothing happens for a null source.
template <std::size_t D>
void ctopStrcpy(PascalString<D>& destination, const char* source) noexcept {
  if (!source) return;
  const std::size_t length = std::char_traits<char>::length(source);
  destination.assign(std::string_view(source, length));
}

// ASCII letters of the C string to upper case, in place. Answers 1, or 0 when given null.
std::int16_t toUpperString(char* text) noexcept;

// 1-based position of the first occurrence of the pattern in the text (letter case counts); 0 when none.
// An empty pattern is found at 1.
template <std::size_t P, std::size_t T>
std::int16_t FindPos(const PascalString<P>& pattern, const PascalString<T>& text) noexcept {
  return pstring_internal::findFirst(pattern.text(), text.text());
}

// 1-based position of the last occurrence, ignoring the case of ASCII letters; 0 when none.
template <std::size_t P, std::size_t T>
std::int16_t FindPosInReverse(const PascalString<P>& pattern, const PascalString<T>& text) noexcept {
  return pstring_internal::findLast(pattern.text(), text.text());
}

}  // namespace vorl
