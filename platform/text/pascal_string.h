// platform/text/: text as the stored records and the drawing ports hold it: length-prefixed strings (this unit), Mac
// Roman to and from UTF-8, and the text port on Qt's fonts.
//
// Length-prefixed strings of fixed capacity.
//
// Byte 0 holds the length n, bytes 1..n the Mac Roman characters; the buffer always takes its full size, so a
// `PascalString<31>` is the 32-byte Str31 of a stored record. The length byte of a string read from a file can
// claim more than the buffer holds: `length()` never answers more than the capacity, so nothing built on it reads
// or copies past the buffer. Every assignment cuts at the capacity and zeroes the bytes after the text, so no
// stale bytes travel into files.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "platform/text/mac_roman.h"

namespace vorl {

template <std::size_t Capacity>
class PascalString {
  static_assert(Capacity >= 1 && Capacity <= 255, "a length byte counts at most 255 characters");

 public:
  static constexpr std::size_t kCapacity = Capacity;

  constexpr PascalString() noexcept = default;
  // Mac Roman characters, cut at the capacity.
  explicit PascalString(std::string_view macRoman) noexcept { assign(macRoman); }

  static PascalString fromUtf8(std::string_view utf8) { return PascalString(utf8ToMacRoman(utf8)); }
  std::string toUtf8() const { return macRomanToUtf8(macRoman()); }

  constexpr std::size_t length() const noexcept { return std::min<std::size_t>(bytes_[0], Capacity); }
  constexpr bool empty() const noexcept { return length() == 0; }
  // False when the stored length byte claims more characters than the buffer holds.
  constexpr bool lengthFits() const noexcept { return bytes_[0] <= Capacity; }

  // Characters are numbered from 1, as in the length-prefixed form; `at(0)` is not a character.
  constexpr unsigned char at(std::size_t position) const noexcept {
    return position <= Capacity ? bytes_[position] : 0;
  }
  constexpr const unsigned char* chars() const noexcept { return bytes_.data() + 1; }
  constexpr std::span<const unsigned char> text() const noexcept { return {chars(), length()}; }
  std::string_view macRoman() const noexcept { return {reinterpret_cast<const char*>(chars()), length()}; }

  // The length byte followed by the buffer, as stored.
  constexpr unsigned char* raw() noexcept { return bytes_.data(); }
  constexpr const unsigned char* raw() const noexcept { return bytes_.data(); }

  void assign(std::span<const unsigned char> macRoman) noexcept {
    const std::size_t n = std::min(macRoman.size(), Capacity);
    std::copy_n(macRoman.begin(), n, bytes_.begin() + 1);
    std::fill(bytes_.begin() + 1 + n, bytes_.end(), 0);
    bytes_[0] = static_cast<unsigned char>(n);
  }
  void assign(std::string_view macRoman) noexcept {
    assign(std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(macRoman.data()), macRoman.size()));
  }
  constexpr void clear() noexcept { bytes_.fill(0); }

  template <std::size_t Other>
  constexpr bool operator==(const PascalString<Other>& other) const noexcept {
    return std::ranges::equal(text(), other.text());
  }

 private:
  std::array<unsigned char, Capacity + 1> bytes_{};
};

using Str255 = PascalString<255>;
using Str63 = PascalString<63>;
using Str31 = PascalString<31>;
// The application framework's string class has the Str255 layout.
using CStr255_AC = Str255;

static_assert(sizeof(Str255) == 256 && sizeof(Str63) == 64 && sizeof(Str31) == 32 && alignof(Str31) == 1);

}  // namespace vorl
