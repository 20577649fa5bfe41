// Separable Gaussian blur: a vertical pass straight from the source rows, then a horizontal pass over one row of
// interleaved floats, so no band keeps more than two rows of working memory.
#include "imaging/filters/gaussian_blur.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/parallel/job_pool.h"

namespace vorl {

// The convolutions are built twice, for AVX2 and for plain x86-64, and chosen at run time. Without fused
// multiply-add (the build forbids contraction) both give the same bytes.
#define VORL_BLUR_KERNEL __attribute__((target_clones("avx2", "default")))

namespace {

// Below this many rows a band costs more to hand over than it saves.
constexpr int kMinRowsPerBand = 16;
// Floats a convolution accumulates at a time: 2 KB, so the sums stay in the first-level cache across the taps.
constexpr int kBlock = 512;

// Sums of the vertical neighbourhood of row y, all four bytes of every pixel (alpha included: cheaper than
// skipping it, and its sum is never used), on the 0..255 scale.
VORL_BLUR_KERNEL void verticalPass(const PixView& source, int y, const GaussianKernel& kernel,
                                   float* __restrict out) noexcept {
  const int count = 4 * source.width();
  const int last = source.height() - 1;
  const float* w = kernel.weights.data();
  // In blocks that stay in the first-level cache while every tap adds into them.
  for (int start = 0; start < count; start += kBlock) {
    const int n = std::min(kBlock, count - start);
    float* __restrict o = out + start;
    const std::uint8_t* __restrict centre = source.row(y) + start;
    for (int i = 0; i < n; ++i) o[i] = w[0] * static_cast<float>(centre[i]);
    for (int k = 1; k <= kernel.half; ++k) {
      const std::uint8_t* __restrict above = source.row(std::max(y - k, 0)) + start;
      const std::uint8_t* __restrict below = source.row(std::min(y + k, last)) + start;
      const float wk = w[k];
      for (int i = 0; i < n; ++i) o[i] += wk * static_cast<float>(above[i] + below[i]);  // exact: small integers
    }
  }
}

// Horizontal pass over interleaved pixels: neighbours of a value lie 4·k floats away.
VORL_BLUR_KERNEL void horizontalPass(const float* __restrict in, float* __restrict out, int count,
                                     const GaussianKernel& kernel) noexcept {
  const float* w = kernel.weights.data();
  for (int start = 0; start < count; start += kBlock) {
    const int n = std::min(kBlock, count - start);
    const float* c = in + start;
    float* __restrict o = out + start;
    for (int i = 0; i < n; ++i) o[i] = w[0] * c[i];
    for (int k = 1; k <= kernel.half; ++k) {
      const float* left = c - 4 * k;
      const float* right = c + 4 * k;
      const float wk = w[k];
      for (int i = 0; i < n; ++i) o[i] += wk * (left[i] + right[i]);
    }
  }
}

void blurBand(const PixView& source, const PixView& destination, const GaussianKernel& kernel, int firstRow,
              int endRow) {
  const int width = source.width();
  const int half = kernel.half;
  std::vector<float> padded(4 * static_cast<std::size_t>(width + 2 * half));
  std::vector<float> blurred(4 * static_cast<std::size_t>(width));
  float* row = padded.data() + 4 * half;
  for (int y = firstRow; y < endRow; ++y) {
    verticalPass(source, y, kernel, row);
    for (int k = 1; k <= half; ++k) {
      std::memcpy(row - 4 * k, row, 4 * sizeof(float));
      std::memcpy(row + 4 * (width - 1 + k), row + 4 * (width - 1), 4 * sizeof(float));
    }
    horizontalPass(row, blurred.data(), 4 * width, kernel);
    clampToByteScale(blurred.data(), 4 * width, 255.f);
    const std::uint8_t* from = source.row(y);
    std::uint8_t* to = destination.row(y);
    for (int x = 0; x < width; ++x) {
      to[4 * x + kAlphaByte] = from[4 * x + kAlphaByte];
      to[4 * x + kRedByte] = static_cast<std::uint8_t>(static_cast<int>(blurred[4 * x + kRedByte]));
      to[4 * x + kGreenByte] = static_cast<std::uint8_t>(static_cast<int>(blurred[4 * x + kGreenByte]));
      to[4 * x + kBlueByte] = static_cast<std::uint8_t>(static_cast<int>(blurred[4 * x + kBlueByte]));
    }
  }
}

}  // namespace

void clampToByteScale(float* values, int count, float top) noexcept {
  const float scale = 255.f / top;
  int i = 0;
#if defined(__SSE2__)
  // The compiler will not turn the NaN-safe comparisons into min and max itself. maxps answers its second
  // operand when the first is a NaN, so a NaN becomes 0.
  const __m128 zero = _mm_setzero_ps(), high = _mm_set1_ps(top), factor = _mm_set1_ps(scale), half = _mm_set1_ps(0.5f);
  for (; i + 4 <= count; i += 4) {
    const __m128 v = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(values + i), zero), high);
    _mm_storeu_ps(values + i, _mm_add_ps(_mm_mul_ps(v, factor), half));
  }
#endif
  for (; i < count; ++i) {
    float v = values[i];
    v = v > 0.f ? v : 0.f;
    v = v < top ? v : top;
    values[i] = v * scale + 0.5f;
  }
}

GaussianKernel makeGaussianKernel(double sigma) {
  GaussianKernel kernel;
  kernel.half = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
  std::vector<double> w(static_cast<std::size_t>(kernel.half) + 1);
  double sum = 0;
  for (int k = 0; k <= kernel.half; ++k) {
    w[k] = std::exp(-(double(k) * k) / (2 * sigma * sigma));
    sum += k == 0 ? w[k] : 2 * w[k];
  }
  kernel.weights.resize(w.size());
  for (std::size_t k = 0; k < w.size(); ++k) kernel.weights[k] = static_cast<float>(w[k] / sum);
  return kernel;
}

VORL_BLUR_KERNEL void convolveRow(const float* in, float* out, int width, const GaussianKernel& kernel) noexcept {
  const float* w = kernel.weights.data();
  for (int start = 0; start < width; start += kBlock) {
    const int n = std::min(kBlock, width - start);
    const float* c = in + start;
    float* __restrict o = out + start;
    for (int x = 0; x < n; ++x) o[x] = w[0] * c[x];
    for (int k = 1; k <= kernel.half; ++k) {
      const float* __restrict left = c - k;
      const float* __restrict right = c + k;
      const float wk = w[k];
      for (int x = 0; x < n; ++x) o[x] += wk * (left[x] + right[x]);
    }
  }
}

void forFilterBands(JobPool* pool, int rows, const std::function<void(int, int)>& band) {
  if (rows <= 0) return;
  if (!pool && gThreaded) pool = processJobPool();
  const int bands = pool ? std::clamp(rows / kMinRowsPerBand, 1, pool->threadCount()) : 1;
  if (bands == 1) {
    band(0, rows);
    return;
  }
  pool->run(bands, [&](int b) {
    band(static_cast<int>(std::int64_t{rows} * b / bands), static_cast<int>(std::int64_t{rows} * (b + 1) / bands));
  });
}

bool gaussianBlur(const PixView& source, const PixView& destination, double radius, JobPool* pool) {
  if (source.empty() || destination.width() != source.width() || destination.height() != source.height()) return false;
  if (!(radius > 0)) {
    for (int y = 0; y < source.height(); ++y)
      std::memcpy(destination.row(y), source.row(y), 4 * static_cast<std::size_t>(source.width()));
    return true;
  }
  const GaussianKernel kernel = makeGaussianKernel(std::min(radius, kMaxBlurRadius));
  std::atomic<bool> failed{false};
  forFilterBands(pool, source.height(), [&](int firstRow, int endRow) {
    try {
      blurBand(source, destination, kernel, firstRow, endRow);
    } catch (const std::bad_alloc&) {
      failed = true;  // a pool thread must not throw; the caller reports
    }
  });
  return !failed;
}

}  // namespace vorl
