// The banded resize: plans, the row kernels and the bands.
#include "imaging/scaling/banded_scaler.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/parallel/job_pool.h"
#include "imaging/scaling/scaler_kernels.h"
#include "imaging/scaling/streaming_scaler.h"

namespace vorl {

namespace {

constexpr int kProgressRows = 50;

std::int32_t packPair(int first, int second) noexcept {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(second)) << 16) |
                                   static_cast<std::uint16_t>(first));
}

// Appends one weighted source row to the current destination row, merging a repeat of the last row (the edge
// repeated above the top and below the bottom): Σ w · p over equal rows is (Σ w) · p.
void addEntry(VerticalPlan& plan, int y, int row, int weight) {
  const auto index = static_cast<std::size_t>(y);
  if (plan.count[index] > 0 && plan.rows.back() == row) {
    plan.weights.back() = static_cast<std::int16_t>(plan.weights.back() + weight);
    return;
  }
  plan.rows.push_back(row);
  plan.weights.push_back(static_cast<std::int16_t>(weight));
  ++plan.count[index];
}

void startRow(VerticalPlan& plan, int y) {
  plan.first[static_cast<std::size_t>(y)] = static_cast<int>(plan.rows.size());
  plan.count[static_cast<std::size_t>(y)] = 0;
}

void windowFromEntries(VerticalPlan& plan, int y) {
  const auto index = static_cast<std::size_t>(y);
  const int first = plan.first[index], n = plan.count[index];
  plan.low[index] = n > 0 ? plan.rows[static_cast<std::size_t>(first)] : 0;
  plan.high[index] = n > 0 ? plan.rows[static_cast<std::size_t>(first + n - 1)] : 0;
}

// --- Row kernels -------------------------------------------------------------------------------------------

void filterRowHorizontal(const std::uint8_t* in, std::uint8_t* out, const HorizontalPlan& plan, int dstWidth) noexcept {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i round = _mm_set1_epi32(1 << (kWeightShift - 1));
  for (int x = 0; x < dstWidth; ++x) {
    const auto ix = static_cast<std::size_t>(x);
    const std::uint8_t* s = in + static_cast<std::ptrdiff_t>(plan.start[ix]) * kBytesPerPixel;
    const std::int32_t* w = plan.packed.data() + plan.weightAt[ix];
    const int pairs = plan.pairs[ix];
    __m128i sum = round;
    for (int k = 0; k < pairs; ++k, s += 2 * kBytesPerPixel) {
      // Two pixels' bytes interleaved channel by channel (a0 a1 r0 r1 g0 g1 b0 b1), then one multiply-add per pair.
      const __m128i both = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
      const __m128i interleaved = _mm_unpacklo_epi8(both, _mm_srli_si128(both, 4));
      sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi8(interleaved, zero), _mm_set1_epi32(w[k])));
    }
    if (plan.single[ix]) {
      std::int32_t pixel;
      std::memcpy(&pixel, s, sizeof pixel);
      const __m128i wide = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(pixel), zero), zero);
      sum = _mm_add_epi32(sum, _mm_madd_epi16(wide, _mm_set1_epi32(w[pairs])));
    }
    const __m128i shifted = _mm_srai_epi32(sum, kWeightShift);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(shifted, shifted), zero);
    const std::int32_t result = _mm_cvtsi128_si32(bytes);
    std::memcpy(out + static_cast<std::ptrdiff_t>(x) * kBytesPerPixel, &result, sizeof result);
  }
#else
  for (int x = 0; x < dstWidth; ++x) {
    const auto ix = static_cast<std::size_t>(x);
    const std::uint8_t* s = in + static_cast<std::ptrdiff_t>(plan.start[ix]) * kBytesPerPixel;
    const std::int32_t* w = plan.packed.data() + plan.weightAt[ix];
    const int n = 2 * plan.pairs[ix] + (plan.single[ix] ? 1 : 0);
    for (int c = 0; c < kBytesPerPixel; ++c) {
      int sum = 1 << (kWeightShift - 1);
      for (int k = 0; k < n; ++k) {
        const std::int32_t pair = w[k / 2];
        const int weight = static_cast<std::int16_t>(k % 2 == 0 ? pair & 0xFFFF : (pair >> 16) & 0xFFFF);
        sum += s[k * kBytesPerPixel + c] * weight;
      }
      out[x * kBytesPerPixel + c] = static_cast<std::uint8_t>(std::clamp(sum >> kWeightShift, 0, 255));
    }
  }
#endif
}

void filterRowVertical(const std::uint8_t* const* rows, const std::int16_t* weights, int n, std::uint8_t* out,
                       int bytes) noexcept {
  int j = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i round = _mm_set1_epi32(1 << (kWeightShift - 1));
  for (; j + 16 <= bytes; j += 16) {
    __m128i s0 = round, s1 = round, s2 = round, s3 = round;
    for (int i = 0; i < n; i += 2) {
      const bool pair = i + 1 < n;
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[i] + j));
      const __m128i b = pair ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[i + 1] + j)) : zero;
      const __m128i w = _mm_set1_epi32(packPair(weights[i], pair ? weights[i + 1] : 0));
      const __m128i lo = _mm_unpacklo_epi8(a, b), hi = _mm_unpackhi_epi8(a, b);
      s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
      s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
      s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
      s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
    }
    const __m128i low = _mm_packs_epi32(_mm_srai_epi32(s0, kWeightShift), _mm_srai_epi32(s1, kWeightShift));
    const __m128i high = _mm_packs_epi32(_mm_srai_epi32(s2, kWeightShift), _mm_srai_epi32(s3, kWeightShift));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(low, high));
  }
#endif
  for (; j < bytes; ++j) {
    int sum = 1 << (kWeightShift - 1);
    for (int i = 0; i < n; ++i) sum += rows[i][j] * weights[i];
    out[j] = static_cast<std::uint8_t>(std::clamp(sum >> kWeightShift, 0, 255));
  }
}

void divideRowVertical(const std::uint8_t* const* rows, const std::int16_t* weights, int n, std::uint8_t* out,
                       int bytes, int bias, int divisor) noexcept {
  for (int j = 0; j < bytes; ++j) {
    int sum = bias;
    for (int i = 0; i < n; ++i) sum += rows[i][j] * weights[i];
    out[j] = static_cast<std::uint8_t>(sum / divisor);
  }
}

// --- Bands -------------------------------------------------------------------------------------------------

struct ResizeJob {
  int scaleType;
  PixView source;
  PixView destination;
  int srcWidth, srcHeight, dstWidth, dstHeight;
  const VerticalPlan* vertical;
  const HorizontalPlan* horizontal;  // types 3 and 4
  void (*beforeRow)();
};

bool runBand(const ResizeJob& job, int firstRow, int endRow) noexcept {
  try {
    const VerticalPlan& plan = *job.vertical;
    const int rowBytes = job.dstWidth * kBytesPerPixel;
    const int cacheRows = plan.cacheRows;
    std::vector<std::uint8_t> cache(static_cast<std::size_t>(cacheRows) * static_cast<std::size_t>(rowBytes));
    std::vector<int> cachedRow(static_cast<std::size_t>(cacheRows), -1);
    std::vector<const std::uint8_t*> rows;
    std::unique_ptr<scale, void (*)(scale*)> rowScaler(nullptr, finishScale);
    if (!job.horizontal) {
      rowScaler.reset(initScale(job.scaleType, 0, kBytesPerPixel, job.srcWidth, job.dstWidth, 1, 1));
      if (!rowScaler) return false;
    }
    // A source row scaled horizontally, from the cache; the windows only move down, so a row dropped from the
    // cache is never asked for again.
    auto scaledRow = [&](int row) {
      const auto slot = static_cast<std::size_t>(row % cacheRows);
      std::uint8_t* scaled = cache.data() + slot * static_cast<std::size_t>(rowBytes);
      if (cachedRow[slot] != row) {
        const std::uint8_t* in = job.source.row(row);
        if (job.horizontal)
          filterRowHorizontal(in, scaled, *job.horizontal, job.dstWidth);
        else
          horizontalScale(in, scaled, rowScaler.get());
        cachedRow[slot] = row;
      }
      return static_cast<const std::uint8_t*>(scaled);
    };

    for (int y = firstRow; y < endRow; ++y) {
      if (job.beforeRow && y % kProgressRows == 0) job.beforeRow();
      const auto index = static_cast<std::size_t>(y);
      const int first = plan.first[index], n = plan.count[index];
      rows.clear();
      for (int i = 0; i < n; ++i) rows.push_back(scaledRow(plan.rows[static_cast<std::size_t>(first + i)]));
      const std::int16_t* weights = plan.weights.data() + first;
      std::uint8_t* out = job.destination.row(y);
      switch (plan.combine) {
        case VerticalPlan::Combine::kCopy:
          std::memcpy(out, rows[0], static_cast<std::size_t>(rowBytes));
          break;
        case VerticalPlan::Combine::kDivide:
          divideRowVertical(rows.data(), weights, n, out, rowBytes, plan.bias, plan.divisor);
          break;
        case VerticalPlan::Combine::kFilter:
          filterRowVertical(rows.data(), weights, n, out, rowBytes);
          break;
      }
    }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

VerticalPlan planVertical(int scaleType, int srcHeight, int dstHeight) {
  VerticalPlan plan;
  const int type = effectiveScaleType(scaleType, dstHeight);
  const auto rowsOut = static_cast<std::size_t>(dstHeight);
  plan.first.resize(rowsOut);
  plan.count.resize(rowsOut);
  plan.low.resize(rowsOut);
  plan.high.resize(rowsOut);

  if (type == 1) {
    plan.combine = VerticalPlan::Combine::kCopy;
    int error = srcHeight, row = 0;
    for (int y = 0; y < dstHeight; ++y) {
      startRow(plan, y);
      while (error >= 2 * dstHeight) {
        error -= 2 * dstHeight;
        ++row;
      }
      addEntry(plan, y, row, 1);
      windowFromEntries(plan, y);
      error += 2 * srcHeight;
    }
  } else if (type == 2 && dstHeight <= srcHeight) {
    // Box: each destination row spends a budget of srcHeight over rows that each carry dstHeight.
    plan.combine = VerticalPlan::Combine::kDivide;
    plan.divisor = srcHeight;
    plan.bias = srcHeight / 2;
    int left = dstHeight, row = 0;
    for (int y = 0; y < dstHeight; ++y) {
      startRow(plan, y);
      int budget = srcHeight, weight = left;
      while (budget >= weight) {
        addEntry(plan, y, row, weight);
        budget -= weight;
        ++row;
        weight = dstHeight;
      }
      if (budget > 0) addEntry(plan, y, row, budget);
      left = dstHeight - budget;
      windowFromEntries(plan, y);
    }
  } else if (type == 2) {
    // Linear: the upper row's weight e falls by srcHeight − 1 a row.
    plan.combine = VerticalPlan::Combine::kDivide;
    plan.divisor = dstHeight - 1;
    plan.bias = 0;
    int e = dstHeight - 1, row = 0;
    for (int y = 0; y < dstHeight; ++y) {
      startRow(plan, y);
      if (e > 0) addEntry(plan, y, row, e);
      if (dstHeight - 1 - e > 0) addEntry(plan, y, row + 1, dstHeight - 1 - e);
      windowFromEntries(plan, y);
      e -= srcHeight - 1;
      if (e <= 0) {
        e += dstHeight - 1;
        ++row;
      }
    }
  } else {
    // Lanczos: the streaming scaler's phase and offset, stepped from the top; slot i of the ring reads source
    // row offset + i held to the image.
    plan.combine = VerticalPlan::Combine::kFilter;
    const int bufferRows = verticalBufferRows(type, srcHeight, dstHeight);
    const ScaleKernel kernel = kernelForType(type);
    const double factor = verticalFilterFactor(srcHeight, dstHeight);
    int offset = verticalFilterOffset(type, bufferRows, srcHeight, dstHeight), phase = 0;
    for (int y = 0; y < dstHeight; ++y) {
      startRow(plan, y);
      const double t = verticalFilterStart(phase, dstHeight, bufferRows);
      phase += srcHeight - 1;
      const int advance = phase / (dstHeight - 1);
      phase %= dstHeight - 1;
      for (int i = 0; i < bufferRows; ++i) {
        const int weight = verticalFilterWeight(kernel, factor, i + t, srcHeight, dstHeight);
        if (weight != 0) addEntry(plan, y, std::clamp(offset + i, 0, srcHeight - 1), weight);
      }
      plan.low[static_cast<std::size_t>(y)] = std::clamp(offset, 0, srcHeight - 1);
      plan.high[static_cast<std::size_t>(y)] = std::clamp(offset + bufferRows - 1, 0, srcHeight - 1);
      offset += advance;
    }
  }
  for (int y = 0; y < dstHeight; ++y)
    plan.cacheRows =
        std::max(plan.cacheRows, plan.high[static_cast<std::size_t>(y)] - plan.low[static_cast<std::size_t>(y)] + 1);
  return plan;
}

HorizontalPlan planHorizontalFilter(int scaleType, int srcWidth, int dstWidth) {
  HorizontalPlan plan;
  const HorizontalFilterShape shape = horizontalFilterShape(scaleType, srcWidth, dstWidth);
  const ScaleKernel kernel = kernelForType(scaleType);
  const int taps = shape.taps, span = dstWidth - 1, last = srcWidth - 1;
  auto table = [&](int i) { return static_cast<int>(horizontalFilterWeight(kernel, shape, i)); };
  const int step = kSamplesPerUnit * (srcWidth - 1) / span;
  const int stepRemainder = kSamplesPerUnit * (srcWidth - 1) % span;
  int remainder = span / 2, phase = 0, x = 0;
  std::vector<int> window;
  const auto columns = static_cast<std::size_t>(dstWidth);
  plan.start.resize(columns);
  plan.pairs.resize(columns);
  plan.single.resize(columns);
  plan.weightAt.resize(columns);
  for (int i = 0; i < dstWidth; ++i) {
    // Weights of the source pixels x − taps .. x + taps, each held to the row's ends.
    const int low = std::max(0, x - taps), high = std::min(last, x + taps);
    window.assign(static_cast<std::size_t>(high - low + 1), 0);
    auto add = [&](int pixel, int weight) {
      window[static_cast<std::size_t>(std::clamp(pixel, 0, last) - low)] += weight;
    };
    for (int k = 0; k < taps; ++k) {
      add(x - k, table(phase + kSamplesPerUnit * k));
      add(x + k + 1, table(kSamplesPerUnit - phase + kSamplesPerUnit * k));
    }
    if (phase == 0) add(x - taps, table(kSamplesPerUnit * taps));
    int begin = 0, end = static_cast<int>(window.size());
    while (begin < end && window[static_cast<std::size_t>(begin)] == 0) ++begin;
    while (end > begin && window[static_cast<std::size_t>(end - 1)] == 0) --end;
    const auto ii = static_cast<std::size_t>(i);
    plan.start[ii] = low + begin;
    plan.pairs[ii] = (end - begin) / 2;
    plan.single[ii] = (end - begin) % 2 == 1;
    plan.weightAt[ii] = static_cast<int>(plan.packed.size());
    for (int k = begin; k + 1 < end; k += 2)
      plan.packed.push_back(packPair(window[static_cast<std::size_t>(k)], window[static_cast<std::size_t>(k + 1)]));
    if (plan.single[ii]) plan.packed.push_back(packPair(window[static_cast<std::size_t>(end - 1)], 0));

    phase += step;
    remainder += stepRemainder;
    if (remainder >= span) {
      remainder -= span;
      phase += 1;
    }
    while (phase >= kSamplesPerUnit) {
      phase -= kSamplesPerUnit;
      ++x;
    }
  }
  return plan;
}

bool resizePixels(int scaleType, const PixView& source, const PixView& destination, int bands, JobPool* pool,
                  void (*beforeRow)()) {
  const int srcWidth = source.width(), srcHeight = source.height();
  const int dstWidth = destination.width(), dstHeight = destination.height();
  if (srcWidth < 1 || srcHeight < 1 || dstWidth < 1 || dstHeight < 1 || scaleType < 1 || scaleType > 4) return false;
  try {
    const VerticalPlan vertical = planVertical(scaleType, srcHeight, dstHeight);
    const int horizontalType = effectiveScaleType(scaleType, dstWidth);
    HorizontalPlan horizontal;
    const bool filter = horizontalType == 3 || horizontalType == 4;
    if (filter) horizontal = planHorizontalFilter(horizontalType, srcWidth, dstWidth);
    const int bandCount = std::clamp(bands, 1, dstHeight);
    const ResizeJob job{horizontalType,
                        source,
                        destination,
                        srcWidth,
                        srcHeight,
                        dstWidth,
                        dstHeight,
                        &vertical,
                        filter ? &horizontal : nullptr,
                        bandCount == 1 ? beforeRow : nullptr};
    std::atomic<bool> ok{true};
    auto band = [&](int b) {
      const int first = static_cast<int>(std::int64_t{dstHeight} * b / bandCount);
      const int end = static_cast<int>(std::int64_t{dstHeight} * (b + 1) / bandCount);
      if (!runBand(job, first, end)) ok = false;
    };
    if (pool == nullptr || bandCount == 1) {
      for (int b = 0; b < bandCount; ++b) band(b);
    } else {
      pool->run(bandCount, band);
    }
    return ok;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace vorl
