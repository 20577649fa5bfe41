#include "chromakey/engine/grain_removal.h"

#include <algorithm>
#include <cstring>

#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/pixel_math.h"
#include "chromakey/engine/sample_plane.h"
#include "chromakey/engine/worker_shares.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// Columns whose running sums are carried down the frame together, so that the sums stay in the nearest cache.
constexpr std::size_t kColumnGroup = 500;

// The mean of a window of 2·radius + 1 samples from their integer sum, truncated, with the reciprocal in double.
// sum·(1/n) alone can fall just below a whole number when sum is an exact multiple of n (49·(1/49) < 1), and a
// flat area would then lose one level at some radii: a 49-pixel box would turn 8-bit grey 1 into 0. Half a unit
// added to the sum keeps every quotient at least 0.5/n clear of a whole number, far beyond the product's rounding,
// so the truncation gives floor(sum / n) exactly.
class WindowMean {
 public:
  explicit WindowMean(int radius) noexcept : reciprocal_(1.0 / (2 * radius + 1)) {}

  [[nodiscard]] std::uint16_t operator()(std::int32_t sum) const noexcept {
    return static_cast<std::uint16_t>(static_cast<std::int32_t>((static_cast<double>(sum) + 0.5) * reciprocal_));
  }

 private:
  double reciprocal_;
};

// Pixels of a row whose running sums are taken before their means, so that the serial sums and the mean's
// arithmetic each run as a loop of their own.
constexpr std::size_t kRowChunk = 512;

// The box along rows first .. end − 1 of src (pixels kStride channels apart, R, G, B first) into tmp (three
// channels a pixel), each row's end pixels repeated beyond it.
template <std::size_t kStride>
void blurRows(const std::uint16_t* src, std::uint16_t* tmp, std::size_t w, std::size_t firstRow, std::size_t endRow,
              int rx) noexcept {
  const WindowMean mean(rx);
  const auto radius = static_cast<std::size_t>(rx);
  const std::size_t last = w - 1;
  for (std::size_t y = firstRow; y < endRow; ++y) {
    const std::uint16_t* p = src + y * w * kStride;
    std::uint16_t* out = tmp + y * w * 3;
    std::int32_t sums[3];
    for (std::size_t c = 0; c < 3; ++c) sums[c] = (rx + 1) * p[c];
    for (std::size_t k = 1; k <= radius; ++k)
      for (std::size_t c = 0; c < 3; ++c) sums[c] += p[std::min(k, last) * kStride + c];
    std::int32_t chunk[kRowChunk * 3];
    for (std::size_t first = 0; first < w; first += kRowChunk) {
      const std::size_t end = std::min(first + kRowChunk, w);
      for (std::size_t x = first; x < end; ++x) {
        const std::size_t adding = std::min(x + radius + 1, last) * kStride;
        const std::size_t leaving = (x >= radius ? x - radius : 0) * kStride;
        for (std::size_t c = 0; c < 3; ++c) {
          chunk[3 * (x - first) + c] = sums[c];
          sums[c] += p[adding + c] - p[leaving + c];
        }
      }
      for (std::size_t j = 0; j < 3 * (end - first); ++j) out[3 * first + j] = mean(chunk[j]);
    }
  }
}

// The box along columns first .. end − 1 of tmp into dst (pixels kStride channels apart; a fourth channel is set
// to 65535), each column's end pixels repeated beyond it.
template <std::size_t kStride>
void blurColumns(const std::uint16_t* tmp, std::uint16_t* dst, std::size_t w, std::size_t h,
                 std::size_t firstColumn, std::size_t endColumn, int ry) noexcept {
  const WindowMean mean(ry);
  const auto radius = static_cast<std::size_t>(ry);
  const std::size_t last = h - 1, rowLength = w * 3;
  std::int32_t sums[kColumnGroup * 3];
  std::uint16_t means[kColumnGroup * 3];
  for (std::size_t group = firstColumn; group < endColumn; group += kColumnGroup) {
    const std::size_t columns = std::min(kColumnGroup, endColumn - group), n = columns * 3;
    const std::uint16_t* top = tmp + group * 3;
    for (std::size_t j = 0; j < n; ++j) sums[j] = (ry + 1) * top[j];
    for (std::size_t k = 1; k <= radius; ++k) {
      const std::uint16_t* row = top + std::min(k, last) * rowLength;
      for (std::size_t j = 0; j < n; ++j) sums[j] += row[j];
    }
    for (std::size_t y = 0; y < h; ++y) {
      for (std::size_t j = 0; j < n; ++j) means[j] = mean(sums[j]);
      const std::uint16_t* adding = top + std::min(y + radius + 1, last) * rowLength;
      const std::uint16_t* leaving = top + (y >= radius ? y - radius : 0) * rowLength;
      for (std::size_t j = 0; j < n; ++j) sums[j] += adding[j] - leaving[j];
      std::uint16_t* out = dst + (y * w + group) * kStride;
      if constexpr (kStride == 3) {
        std::copy_n(means, n, out);
      } else {
        for (std::size_t x = 0; x < columns; ++x) {
          out[x * kStride] = means[3 * x];
          out[x * kStride + 1] = means[3 * x + 1];
          out[x * kStride + 2] = means[3 * x + 2];
          out[x * kStride + 3] = 65535;
        }
      }
    }
  }
}

// Both passes, rows then columns, each split over the workers; tmp holds w × h × 3 samples. The column pass only
// starts once every row is done, so dst may be src.
template <std::size_t kStride>
void blurBothWays(const std::uint16_t* src, std::uint16_t* dst, std::uint16_t* tmp, std::size_t w, std::size_t h,
                  int rx, int ry) noexcept {
  runShares(h, shareCount(h), [&](std::size_t, std::size_t first, std::size_t end) {
    blurRows<kStride>(src, tmp, w, first, end, rx);
  });
  runShares(w, shareCount(w), [&](std::size_t, std::size_t first, std::size_t end) {
    blurColumns<kStride>(tmp, dst, w, h, first, end, ry);
  });
}

// Paints the pixels outside the working region with the backing colour: `margin` columns at the left and right
// and rows at the top and bottom, each clamped to the frame.
void fillMargin(pixeli* map, int w, int h, const fixcoef& record, const int* margin) noexcept {
  const int left = std::clamp(margin[0], 0, w), right = std::clamp(margin[1], 0, w);
  const int top = std::clamp(margin[2], 0, h), bottom = std::clamp(margin[3], 0, h);
  const std::uint16_t r = truncClamp16(record.backing[0]), g = truncClamp16(record.backing[1]),
                      b = truncClamp16(record.backing[2]);
  for (int y = 0; y < h; ++y) {
    pixeli* row = map + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    const bool outside = y < top || y >= h - bottom;
    for (int x = 0; x < w; ++x)
      if (outside || x < left || x >= w - right) {
        row[x].r = r;
        row[x].g = g;
        row[x].b = b;
      }
  }
}

}  // namespace

int boxBlurRadius(float factor, int extent) noexcept {
  const float radius = static_cast<float>((extent >> 1) - 1) * factor;
  if (!(radius >= 1.0f)) return 0;
  // Keeps the running sums of (2·radius + 1) samples within 32 bits.
  return radius >= 16383.0f ? 16383 : static_cast<int>(radius);
}

PrimStatus boxBlurRGB16(float factor, const std::uint16_t* src, std::uint16_t* dst, int w, int h) noexcept {
  if (w < 0 || h < 0 || !(factor >= 0.0f && factor <= 1.0f)) return PrimStatus::badArguments;
  if (w == 0 || h == 0) return PrimStatus::ok;
  if (src == nullptr || dst == nullptr) return PrimStatus::badArguments;
  const auto width = static_cast<std::size_t>(w), height = static_cast<std::size_t>(h);
  const int rx = boxBlurRadius(factor, w);
  if (rx == 0) {
    if (src != dst) std::memmove(dst, src, width * height * 3 * sizeof(std::uint16_t));
    return PrimStatus::ok;
  }
  SamplePlane tmp;
  if (!tmp.allocate(width * height * 3)) return PrimStatus::outOfMemory;
  blurBothWays<3>(src, dst, tmp.data(), width, height, rx, boxBlurRadius(factor, h));
  return PrimStatus::ok;
}

PrimStatus remove_grain(pixeli* map, int w, int h, const fixcoef& record, const int* margin) noexcept {
  if (w < 0 || h < 0) return PrimStatus::badArguments;
  const int level = record.grainLevel;
  if (level < 0 || level >= static_cast<int>(grainFilter.size())) {
    systemLogf("chroma keying: grain level %d is outside 0..3; no grain removal", level);
    return PrimStatus::badArguments;
  }
  const float factor = grainFilter[static_cast<std::size_t>(level)];
  if (factor == 0.0f || w == 0 || h == 0) return PrimStatus::ok;
  if (map == nullptr) return PrimStatus::badArguments;

  // The blur reads R, G, B straight from the map and writes them back with alpha 65535, which gives the same
  // pixels as blurring a copy of the colours and copying them back.
  const auto width = static_cast<std::size_t>(w), height = static_cast<std::size_t>(h);
  const int rx = boxBlurRadius(factor, w);
  SamplePlane tmp;
  if (rx != 0 && !tmp.allocate(width * height * 3)) return PrimStatus::outOfMemory;
  if (margin != nullptr) fillMargin(map, w, h, record, margin);
  auto* channels = reinterpret_cast<std::uint16_t*>(map);
  if (rx == 0) {
    for (std::size_t i = 0; i < width * height; ++i) map[i].a = 65535;
  } else {
    blurBothWays<4>(channels, channels, tmp.data(), width, height, rx, boxBlurRadius(factor, h));
  }
  return PrimStatus::ok;
}

}  // namespace vorl
