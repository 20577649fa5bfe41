// Separable Gaussian blur of an offscreen's colour channels, and the pieces the luminance sharpening shares
// with it: the kernel and bands of rows on a job pool.
//
// Edges are clamped (the picture is taken to go on with its border pixels), so the result keeps the picture's
// size and place and a flat picture stays flat up to its border. Every output value is a sum over a fixed
// neighbourhood taken in a fixed order, so bands and threads do not change a byte.
#pragma once

#include <functional>
#include <vector>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

class JobPool;

// Largest blur radius (standard deviation in pixels) we take; beyond it the work grows for no visible gain.
inline constexpr double kMaxBlurRadius = 100;

// Half-width ceil(3σ) and normalised weights w[0..half] (w[0] the centre) of a Gaussian with standard
// deviation `sigma` > 0.
struct GaussianKernel {
  int half = 0;
  std::vector<float> weights;
};
GaussianKernel makeGaussianKernel(double sigma);

// out[x] = Σ w[|k|]·in[x + k] over k = −half..half for x = 0 .. width − 1, where `in` points at the row's
// first pixel and holds `half` clamped pixels on each side.
void convolveRow(const float* in, float* out, int width, const GaussianKernel& kernel) noexcept;

// Clamps each value to 0..top and scales it so that truncation rounds it to a byte: v·255/top + 0.5. A NaN
// becomes 0, an infinity 0 or 255.
void clampToByteScale(float* values, int count, float top) noexcept;

// Calls band(firstRow, endRow) for bands covering rows 0 .. rows − 1 on `pool` (null: the process's pool when
// it runs several threads, else the calling thread).
void forFilterBands(JobPool* pool, int rows, const std::function<void(int firstRow, int endRow)>& band);

// Blurs the colour channels of `source` into `destination` with standard deviation `radius`; alpha is copied
// unchanged. Same size, memory that does not overlap. A radius ≤ 0 copies. The radius must be finite and at
// most kMaxBlurRadius (the callers check and log). False when working memory could not be had.
[[nodiscard]] bool gaussianBlur(const PixView& source, const PixView& destination, double radius,
                                JobPool* pool = nullptr);

}  // namespace vorl
