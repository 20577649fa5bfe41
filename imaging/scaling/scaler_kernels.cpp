// The resampling kernels and their integer weights.
#include "imaging/scaling/scaler_kernels.h"

#include <cmath>

namespace vorl {

double lanczos2(double x) noexcept {
  if (x > -0.0001 && x < 0.0001) return 1.0;
  if (x < -2.0 || x > 2.0) return 0.0;
  return std::sin(kScalerPi * x) * std::sin(kScalerPi * x / 2.0) / (kScalerPi * (x * kScalerPi) * x / 2.0);
}

double lanczos3(double x) noexcept {
  if (x > -0.0001 && x < 0.0001) return 1.0;
  if (x < -3.0 || x > 3.0) return 0.0;
  return std::sin(kScalerPi * x) * std::sin(kScalerPi * x / 3.0) / (kScalerPi * (x * kScalerPi) * x / 3.0);
}

ScaleKernel kernelForType(int scaleType) noexcept { return scaleType == 3 ? lanczos2 : lanczos3; }
int supportForType(int scaleType) noexcept { return scaleType == 3 ? 2 : 3; }

HorizontalFilterShape horizontalFilterShape(int scaleType, int srcWidth, int dstWidth) noexcept {
  const int support = supportForType(scaleType);
  if (dstWidth >= srcWidth) return {1.0, 1.0 / kSamplesPerUnit, support};
  return {static_cast<double>(dstWidth) / srcWidth,
          static_cast<double>(dstWidth) / (static_cast<double>(kSamplesPerUnit) * srcWidth),
          (srcWidth * support + dstWidth - 1) / dstWidth};
}

std::int16_t horizontalFilterWeight(ScaleKernel kernel, const HorizontalFilterShape& shape, int i) noexcept {
  return static_cast<std::int16_t>(std::floor(0.5 + kernel(i * shape.step) * shape.factor * 4096));
}

int verticalFilterWeight(ScaleKernel kernel, double factor, double s, int srcHeight, int dstHeight) noexcept {
  const double x = dstHeight <= srcHeight ? s * dstHeight / srcHeight : s;
  return static_cast<int>(std::floor(0.5 + factor * kernel(x)));
}

double verticalFilterFactor(int srcHeight, int dstHeight) noexcept {
  return (dstHeight < srcHeight ? static_cast<double>(dstHeight) / srcHeight : 1.0) * 4096;
}

double verticalFilterStart(int phase, int dstHeight, int bufferRows) noexcept {
  return -static_cast<double>(phase) / (dstHeight - 1) - std::floor(bufferRows / 2.0);
}

int verticalBufferRows(int scaleType, int srcHeight, int dstHeight) noexcept {
  const bool reducing = dstHeight <= srcHeight;
  switch (scaleType) {
    case 1:
      // A reduction can advance ⌈srcHeight / dstHeight⌉ rows between two destination rows, so the ring holds
      // one row more than that: with exactly that many the last one would be read before it arrived.
      return reducing ? (srcHeight + dstHeight - 1) / dstHeight + 1 : 3;
    case 2:
      return reducing ? (dstHeight + srcHeight - 1) / dstHeight + 1 : 2;
    case 3:
      return reducing ? (5 * srcHeight + dstHeight - 1) / dstHeight : 5;
    default:
      return reducing ? (7 * srcHeight + dstHeight - 1) / dstHeight : 7;
  }
}

int verticalFilterOffset(int scaleType, int bufferRows, int srcHeight, int dstHeight) noexcept {
  if (dstHeight <= srcHeight) return -(bufferRows / 2);
  return scaleType == 3 ? -2 : -3;
}

int effectiveScaleType(int scaleType, int dstSize) noexcept {
  return (scaleType == 3 || scaleType == 4) && dstSize <= 1 ? 2 : scaleType;
}

}  // namespace vorl
