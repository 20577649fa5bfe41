// The resampling kernels and the integer weights made from them, shared by the plain scaler and the banded
// one so that both compute the very same weights.
//
// Weights carry 12 fractional bits. Every expression keeps the operation order it has always had (double
// precision, no fused multiply-add), since a weight one unit off changes a printed byte.
#pragma once

#include <cstdint>

namespace vorl {

inline constexpr double kScalerPi = 3.141592653589793;
inline constexpr int kSamplesPerUnit = 512;
inline constexpr int kWeightShift = 12;

using ScaleKernel = double (*)(double);

// 1 near 0, 0 beyond ±2 (±3), else sin(πx) · sin(πx / n) / (π · (x · π) · x / n).
double lanczos2(double x) noexcept;
double lanczos3(double x) noexcept;

// Kernel of scale type 3 (lanczos2, support 2) or 4 (lanczos3, support 3).
ScaleKernel kernelForType(int scaleType) noexcept;
int supportForType(int scaleType) noexcept;

// The horizontal filter's geometry for a row of `srcWidth` pixels scaled to `dstWidth`.
struct HorizontalFilterShape {
  double factor;  // f: 1 when enlarging or equal, dstWidth / srcWidth when reducing
  double step;    // d: kernel distance between two table entries
  int taps;       // source pixels on each side
};
HorizontalFilterShape horizontalFilterShape(int scaleType, int srcWidth, int dstWidth) noexcept;
// Table entry i holds kernel(i · d) · f scaled by 4096, rounded to nearest with halves up, in 16 signed bits.
std::int16_t horizontalFilterWeight(ScaleKernel kernel, const HorizontalFilterShape& shape, int i) noexcept;

// Weight of a ring slot `s` source rows from the sampling point, factor times the kernel, rounded to nearest with
// halves up. Enlarging, the kernel is taken at s; otherwise it is stretched over the reduction and taken at
// s · dstHeight / srcHeight.
int verticalFilterWeight(ScaleKernel kernel, double factor, double s, int srcHeight, int dstHeight) noexcept;
// factor: (dstHeight / srcHeight when reducing, 1 when enlarging) · 4096.
double verticalFilterFactor(int srcHeight, int dstHeight) noexcept;
// Distance of ring slot 0 from the source position: −phase / (dstHeight − 1) − ⌊bufferRows / 2⌋.
double verticalFilterStart(int phase, int dstHeight, int bufferRows) noexcept;

// Ring rows and first-row offset of each vertical pass.
int verticalBufferRows(int scaleType, int srcHeight, int dstHeight) noexcept;
int verticalFilterOffset(int scaleType, int bufferRows, int srcHeight, int dstHeight) noexcept;

// The type that is run in one direction: scale types 3 and 4 need two destination pixels to place the ends of a
// row on each other, so a destination side of 1 is made with type 2 instead.
int effectiveScaleType(int scaleType, int dstSize) noexcept;

}  // namespace vorl
