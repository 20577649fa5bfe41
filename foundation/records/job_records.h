// Small records of a job file: the job information, text appearance and junk-mask rectangle.
#pragma once

#include <cstddef>

#include "platform/core/mac_types.h"

namespace vorl {

// The job-information block (76 bytes).
struct tJobInfo {
  Str31 name;            // 0: compared with "Current" by the job reader; first text of the print log line
  Str31 secondText;      // 32: second text of the print log line
  UInt16Field flag;      // 64: "TRUE" or "FALSE" in the print log
  Float32Field value66;  // 66
  UInt16Field value70;   // 70
  UInt16Field value72;   // 72: the completion notice is sent only when 70 and 72 are equal
  UInt16Field value74;   // 74
};

static_assert(sizeof(tJobInfo) == 76);
static_assert(offsetof(tJobInfo, secondText) == 32);
static_assert(offsetof(tJobInfo, flag) == 64);
static_assert(offsetof(tJobInfo, value66) == 66);
static_assert(offsetof(tJobInfo, value70) == 70);
static_assert(offsetof(tJobInfo, value72) == 72);
static_assert(offsetof(tJobInfo, value74) == 74);

// A text appearance (14 bytes).
struct tTextInfo {
  RGBColor color;             // 0
  SInt16Field size;           // 6: points
  SInt16Field font;           // 8: font number
  SInt16Field face;           // 10: style bits
  SInt16Field justification;  // 12
};

static_assert(sizeof(tTextInfo) == 14);
static_assert(offsetof(tTextInfo, size) == 6);
static_assert(offsetof(tTextInfo, font) == 8);
static_assert(offsetof(tTextInfo, face) == 10);
static_assert(offsetof(tTextInfo, justification) == 12);

struct tJunkMaskStructure {
  Rect rect;          // 0
  SInt32Field word8;  // 8
};

static_assert(sizeof(tJunkMaskStructure) == 12);
static_assert(offsetof(tJunkMaskStructure, word8) == 8);

}  // namespace vorl
