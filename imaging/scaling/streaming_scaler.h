// The streaming scaler: rows go in one at a time, are scaled horizontally into a small ring, and the vertical
// pass makes each destination row from the ring, so memory follows the kernel's height and not the image.
//
// This is the plain, single-thread form, kept exactly as the integer arithmetic has always been: nearest
// neighbour, linear (enlarging) or box average (reducing), Lanczos with 2 or 3 lobes, 12-bit weights, a
// 512-sample horizontal table per source pixel. The banded resize (banded_scaler.h) must give the same bytes;
// the tests hold the two together.
//
// Scale types: 1 nearest; 2 linear when enlarging, box when reducing; 3 lanczos2; 4 lanczos3. Horizontal type 0
// copies rows; vertical type 0 turns every source row into one destination row.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/scaling/scaler_kernels.h"

namespace vorl {

struct ScaleContribution {
  const std::uint8_t* row = nullptr;
  int weight = 0;
};

// One resize pass. Made by initScale, released by finishScale.
struct scale {
  int horizontalType = 0;
  int verticalType = 0;
  int srcWidth = 0, dstWidth = 0, srcHeight = 0, dstHeight = 0;
  int bytesPerPixel = 0;
  std::vector<std::uint8_t> rowBuffer;  // bufferRows rows of dstRowBytes
  int bufferRows = 0;
  int rowsRead = 0;
  int dstRowBytes = 0;
  int firstRow = 0;
  int nextRow = 0;
  int rowsHeld = 0;
  std::vector<ScaleContribution> contributions;
  ScaleKernel verticalKernel = nullptr;
  int verticalError = 0;
  int verticalPhase = 0;
  int verticalOffset = 0;
  int verticalShift = kWeightShift;
  double verticalFactor = 0.0;
  int horizontalShift = kWeightShift;
  int samplesPerUnit = kSamplesPerUnit;
  int horizontalTaps = 0;
  std::vector<std::int16_t> horizontalTable;
};

// Null for sizes below 1 or when memory cannot be had. Types 3 and 4 towards a side of 1 pixel run as type 2.
[[nodiscard]] scale* initScale(int horizontalType, int verticalType, int bytesPerPixel, int srcWidth, int dstWidth,
                               int srcHeight, int dstHeight);
// Offers one source row and a destination row. 0: the source row was taken, no destination row written;
// 1: a destination row was written, offer the same source row again; 2: both.
int doScale(const std::uint8_t* source, std::uint8_t* destination, scale* record) noexcept;
void finishScale(scale* record) noexcept;

// One row scaled horizontally (srcWidth pixels in, dstWidth out); also used by the banded resize.
void horizontalScale(const std::uint8_t* source, std::uint8_t* destination, const scale* record) noexcept;

// Runs the driving loop over a whole image: every source row offered in turn (the last one again past the
// bottom) until `dstHeight` rows are written. Rows are `srcRowBytes` / `dstRowBytes` apart.
void scaleImage(scale* record, const std::uint8_t* source, std::ptrdiff_t srcRowBytes, std::uint8_t* destination,
                std::ptrdiff_t dstRowBytes) noexcept;

}  // namespace vorl
