// platform/core/: the small pieces everything else stands on: the Mac data types of stored records (this unit),
// unaligned numbers, result codes, relocatable memory handles, the clocks and the process-wide baton.
//
// The small Mac data types that stored records and their callers share: rectangles, points, colours, file
// specifications, date records and four-character codes. Layouts are the stored ones (all numbers through
// `Unaligned`, so no padding); values are in host order once a record has been converted.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/core/os_errors.h"
#include "platform/text/pascal_string.h"
#include "platform/core/unaligned.h"

namespace vorl {

// Top, left, bottom, right.
struct Rect {
  SInt16Field top;
  SInt16Field left;
  SInt16Field bottom;
  SInt16Field right;
};
using CRect_AC = Rect;

// Vertical, then horizontal.
struct Point {
  SInt16Field v;
  SInt16Field h;
};
using CPoint_AC = Point;

// 0..65535 each.
struct RGBColor {
  UInt16Field red;
  UInt16Field green;
  UInt16Field blue;
};
using CRGBColor_AC = RGBColor;

// A file or folder: volume reference number, parent directory id and a name of up to 63 Mac Roman characters.
struct FSSpec {
  SInt16Field vRefNum;
  SInt32Field parID;
  Str63 name;
};

static_assert(sizeof(Rect) == 8 && sizeof(Point) == 4 && sizeof(RGBColor) == 6 && sizeof(FSSpec) == 70);

// A broken-down local date and time; dayOfWeek runs from 1 (Sunday) to 7.
struct DateTimeRec {
  std::int16_t year = 0;
  std::int16_t month = 0;
  std::int16_t day = 0;
  std::int16_t hour = 0;
  std::int16_t minute = 0;
  std::int16_t second = 0;
  std::int16_t dayOfWeek = 0;
};

using OSType = std::uint32_t;

// 'QZKb' as a number, first character in the high byte.
constexpr OSType fourCharCode(std::string_view code) noexcept {
  OSType value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value = (value << 8) | static_cast<unsigned char>(i < code.size() ? code[i] : ' ');
  return value;
}

}  // namespace vorl
