// The resize as it runs on print-sized pictures: the same bytes as the streaming scaler, computed in bands of
// destination rows that can run on several threads at once.
//
// Before any pixel is touched, a plan lists for every destination row which source rows it reads with which
// weights, and for every destination column of the Lanczos types which source pixels with which weights. The
// plan is worked out by stepping the streaming scaler's own counters (phase, remainder, offset, error terms)
// from the top, so a band that starts at row y starts from exactly the state the single pass has at row y:
// there is no seam between bands and the output does not depend on how many threads ran. Each band scales the
// source rows it needs horizontally into its own small cache, then combines them.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

class JobPool;

// Which source rows make one destination row, and how their weighted sum becomes a byte.
struct VerticalPlan {
  enum class Combine { kCopy, kDivide, kFilter };
  Combine combine = Combine::kCopy;
  int divisor = 1;  // kDivide: (sum + bias) / divisor
  int bias = 0;
  std::vector<int> first;  // per destination row: index of its first entry
  std::vector<int> count;  // per destination row: entries
  std::vector<int> low;    // per destination row: lowest source row it may read
  std::vector<int> high;   // per destination row: highest source row it may read
  std::vector<int> rows;
  std::vector<std::int16_t> weights;
  int cacheRows = 1;  // horizontally scaled rows a band keeps at once
};

// For the Lanczos types: per destination column a run of source pixels and their weights, taken in pairs.
struct HorizontalPlan {
  std::vector<int> start;            // first source pixel
  std::vector<int> pairs;            // pixel pairs
  std::vector<bool> single;          // one more pixel after the pairs
  std::vector<int> weightAt;         // index into packed of the column's first pair
  std::vector<std::int32_t> packed;  // two 16-bit weights a pair (first pixel low); a single's weight alone
};

// Plans of one scale type (1..4) between two sizes. Types 3 and 4 towards a side of 1 plan as type 2.
VerticalPlan planVertical(int scaleType, int srcHeight, int dstHeight);
HorizontalPlan planHorizontalFilter(int scaleType, int srcWidth, int dstWidth);

// Resizes `source` (rectangle of srcWidth × srcHeight pixels) into `destination` (dstWidth × dstHeight) with
// one of the scale types; the views' bases are the rectangles' top-left pixels. `bands` bands of destination
// rows run on `pool` (null: all on the calling thread, in order). `beforeRow`, when given, is called on the
// calling thread before destination rows 0, 50, 100, ... of a single-band run. False when memory could not be
// had (nothing is promised about the destination then).
[[nodiscard]] bool resizePixels(int scaleType, const PixView& source, const PixView& destination, int bands,
                                JobPool* pool, void (*beforeRow)() = nullptr);

}  // namespace vorl
