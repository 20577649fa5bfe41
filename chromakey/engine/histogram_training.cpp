#include "chromakey/engine/histogram_training.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numeric>

#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/key_surfaces.h"
#include "chromakey/engine/pixel_math.h"

namespace vorl {
namespace {

constexpr int kBinCount = 256;
constexpr int kScaledTotal = 21600;
constexpr int kSmoothingPasses = 4;
constexpr int kSpillMinimumBrightness = 30720;  // R + G + B
constexpr float kSpillDominance = 1.02f;

// The positions, in a matching set of `count` pixels, that the training set's slots take.
std::vector<std::size_t> trainingSetPositions(std::size_t count) {
  std::vector<std::size_t> positions(std::min(count, kTrainingSetSize));
  if (count <= kTrainingSetSize) {
    std::iota(positions.begin(), positions.end(), std::size_t{0});
    return positions;
  }
  const std::size_t stride = count / kTrainingSetSize;
  positions[0] = 0;
  for (std::size_t k = 1; k + 1 < kTrainingSetSize; ++k) positions[k] = k * stride;
  positions[kTrainingSetSize - 1] = kTrainingSetSize - 1;
  return positions;
}

// The sampled pixels of a frame: every stepY-th row and stepX-th column from the top left, numbered row-major.
struct Samples {
  const pixeli* frame;
  int width;
  int stepX;
  int stepY;
  std::size_t rows;
  std::size_t columns;

  Samples(const pixeli* frame, int width, int height, int stepX, int stepY) noexcept
      : frame(frame),
        width(width),
        stepX(stepX),
        stepY(stepY),
        rows(static_cast<std::size_t>((height + stepY - 1) / stepY)),
        columns(static_cast<std::size_t>((width + stepX - 1) / stepX)) {}

  [[nodiscard]] std::size_t count() const noexcept { return rows * columns; }
  [[nodiscard]] const pixeli& operator()(std::size_t row, std::size_t column) const noexcept {
    return frame[row * static_cast<std::size_t>(stepY) * static_cast<std::size_t>(width) +
                 column * static_cast<std::size_t>(stepX)];
  }
};

// Runs body(firstRow, rows) over the sample rows, split over the engine's workers when there are several. Every
// result the passes gather this way is an integer sum, the same in any order.
void forSampleRows(const Samples& samples, int width, int height,
                   const std::function<void(std::size_t, std::size_t)>& body) {
  const int workers = duzeviveThreadCount();
  if (workers >= 2 && width > 9 && height > 9)
    runBlocks(samples.rows, workers, body);
  else
    body(0, samples.rows);
}

struct Projection {
  std::array<float, 4> rowKey{};
  std::array<float, 4> rowCross{};

  [[nodiscard]] int cross(const pixeli& p) const noexcept {
    return static_cast<int>(rowCross[0] * static_cast<float>(p.r) + rowCross[1] * static_cast<float>(p.g) +
                            rowCross[2] * static_cast<float>(p.b) + rowCross[3]);
  }
  [[nodiscard]] int key(const pixeli& p) const noexcept {
    return static_cast<int>(rowKey[0] * static_cast<float>(p.r) + rowKey[1] * static_cast<float>(p.g) +
                            rowKey[2] * static_cast<float>(p.b) + rowKey[3]);
  }
};

// The matching samples of a pass (by their bins and pixels), thinned to the training set as they are met: only
// the chosen ones are kept (and, for the spill pass, bleached), which gives the same set as collecting all and
// thinning afterwards.
template <class Matches, class Take>
std::vector<pixeli> gatherTrainingSet(const Samples& samples, const std::vector<std::int16_t>& bins, Matches matches,
                                      Take take) {
  std::size_t count = 0;
  for (std::size_t row = 0, k = 0; row < samples.rows; ++row)
    for (std::size_t column = 0; column < samples.columns; ++column, ++k)
      count += matches(bins[k], samples(row, column)) ? 1 : 0;
  const std::vector<std::size_t> positions = trainingSetPositions(count);
  std::vector<std::size_t> slotsInOrder(positions.size());
  std::iota(slotsInOrder.begin(), slotsInOrder.end(), std::size_t{0});
  std::stable_sort(slotsInOrder.begin(), slotsInOrder.end(),
                   [&](std::size_t a, std::size_t b) { return positions[a] < positions[b]; });

  std::vector<pixeli> set(positions.size());
  std::size_t met = 0, next = 0;
  for (std::size_t row = 0, k = 0; row < samples.rows && next < slotsInOrder.size(); ++row)
    for (std::size_t column = 0; column < samples.columns; ++column, ++k) {
      const pixeli& p = samples(row, column);
      if (!matches(bins[k], p)) continue;
      for (; next < slotsInOrder.size() && positions[slotsInOrder[next]] == met; ++next)
        set[slotsInOrder[next]] = take(p);
      ++met;
    }
  return set;
}

}  // namespace

void hgram::smooth() {
  const std::size_t n = bins.size();
  if (n < 2) return;
  std::vector<int> smoothed(n);
  smoothed[0] = (3 * bins[0] + bins[1]) / 4;
  for (std::size_t i = 1; i + 1 < n; ++i) smoothed[i] = (bins[i - 1] + 2 * bins[i] + bins[i + 1]) / 4;
  smoothed[n - 1] = (3 * bins[n - 1] + bins[n - 2]) / 4;
  bins.swap(smoothed);
}

void pix_backcolor_proc(const pixeli& backing, std::array<float, 4>& rowKey, std::array<float, 4>& rowCross) noexcept {
  const float r = static_cast<float>(backing.r) / 65535.0f;
  const float g = static_cast<float>(backing.g) / 65535.0f;
  const float b = static_cast<float>(backing.b) / 65535.0f;
  const float u = -0.81649655f * r + 0.40824828f * g + 0.40824828f * b;
  const float v = -0.70710677f * g + 0.70710677f * b;
  const float c = std::sqrt(u * u + v * v);
  if (std::fabs(static_cast<double>(c)) >= 1e-5) {
    const float nu = -u / c, nv = -v / c;
    rowCross = {-0.81649655f * nv, 0.40824828f * nv + 0.70710677f * nu, 0.40824828f * nv - 0.70710677f * nu, 0.0f};
    rowKey = {-0.81649655f * nu, 0.40824828f * nu - 0.70710677f * nv, 0.40824828f * nu + 0.70710677f * nv,
              c * 65535.0f};
  } else {
    // A grey backing has no chroma direction: take the opponent axes as they are.
    rowCross = {-0.81649655f, 0.40824828f, 0.40824828f, 0.0f};
    rowKey = {-0.0f, -0.70710677f, 0.70710677f, c * 65535.0f};
  }
}

bool dominatesLikeBacking(double r, double g, double b, const pixeli& backing, float k) noexcept {
  const auto fr = static_cast<float>(r), fg = static_cast<float>(g), fb = static_cast<float>(b);
  if (backing.b > backing.g && backing.b > backing.r) return fb > fg * k && fb > fr * k;
  if (backing.b < backing.g && backing.g > backing.r) {
    if (g > 2.0 * b) return g * 1.2 > r;
    return fg > fb * k && fg > fr * k;
  }
  return r > b && r > g;
}

bool isSpillCandidate(const pixeli& sample, const pixeli& backing) noexcept {
  if (sample.r + sample.g + sample.b < kSpillMinimumBrightness) return false;
  return dominatesLikeBacking(sample.r, sample.g, sample.b, backing, kSpillDominance);
}

pixeli bleach(const pixeli& pixel, const pixeli& backing, float amount, float dominance) noexcept {
  const std::array<float, 3> difference = {static_cast<float>(pixel.r) - static_cast<float>(backing.r),
                                           static_cast<float>(pixel.g) - static_cast<float>(backing.g),
                                           static_cast<float>(pixel.b) - static_cast<float>(backing.b)};
  const float length =
      std::sqrt(difference[0] * difference[0] + difference[1] * difference[1] + difference[2] * difference[2]);
  if (length == 0.0f) return pixel;
  const std::array<float, 3> d = {difference[0] / length, difference[1] / length, difference[2] / length};

  std::array<int, 3> q = {pixel.r, pixel.g, pixel.b};
  float sign = 1.0f;
  float step = 32768.0f;
  for (int i = 0; i < 15; ++i) {
    for (std::size_t c = 0; c < 3; ++c) q[c] = static_cast<int>(static_cast<float>(q[c]) + step * d[c] * sign);
    const bool inRange = std::all_of(q.begin(), q.end(), [](int v) { return v >= 0 && v <= 65535; });
    const bool valid = inRange && q[0] + q[1] + q[2] >= kSpillMinimumBrightness &&
                       dominatesLikeBacking(q[0], q[1], q[2], backing, dominance);
    sign = valid ? 1.0f : -1.0f;
    step *= 0.5f;
  }
  const std::array<int, 3> p = {pixel.r, pixel.g, pixel.b};
  pixeli out = pixel;
  std::uint16_t* channels[3] = {&out.r, &out.g, &out.b};
  for (std::size_t c = 0; c < 3; ++c)
    *channels[c] = truncClamp16(static_cast<float>(p[c]) + static_cast<float>(q[c] - p[c]) * amount);
  return out;
}

void reduceTrainingSet(std::vector<pixeli>& set) {
  if (set.size() <= kTrainingSetSize) return;
  const std::vector<std::size_t> positions = trainingSetPositions(set.size());
  std::vector<pixeli> reduced(positions.size());
  for (std::size_t k = 0; k < positions.size(); ++k) reduced[k] = set[positions[k]];
  set.swap(reduced);
}

int histogram_proc(const pixeli& backing, const pixeli* frame, int width, int height, fixcoef& record,
                   bool /*background_pass*/, bool foreground_pass, float /*background_widen*/,
                   float /*foreground_widen*/, bool /*skip_background_samples*/, bool /*matte_pass*/, int step_x,
                   int step_y) {
  if (frame == nullptr || width <= 0 || height <= 0 || !foreground_pass) return 0;
  const int stepX = std::max(step_x, 1), stepY = std::max(step_y, 1);

  Projection projection;
  pix_backcolor_proc(backing, projection.rowKey, projection.rowCross);

  // The projections are integers far below 2^31, so their sums are exact in 64-bit integers and do not depend
  // on the order of the pixels or how they are split over workers. A single-precision sum is not exact: once it
  // passes 2^24 times the values added, every addition rounds by a large part of a value; 24 million equal
  // values come out 12 to 20 % too high.
  const Samples samples(frame, width, height, stepX, stepY);
  const std::size_t n = samples.count();
  std::atomic<std::int64_t> sumCross{0}, sumKey{0};
  forSampleRows(samples, width, height, [&](std::size_t firstRow, std::size_t rows) {
    std::int64_t cross = 0, key = 0;
    for (std::size_t row = firstRow; row < firstRow + rows; ++row)
      for (std::size_t column = 0; column < samples.columns; ++column) {
        const pixeli& p = samples(row, column);
        cross += projection.cross(p);
        key += projection.key(p);
      }
    sumCross += cross;
    sumKey += key;
  });

  // The direction of the mean projection: the histogram is taken along it. The bins assume that direction leads
  // away from the backing. A frame whose backing is mostly lit brighter than the record's backing colour has its
  // mean on the near side (a negative key projection): along it the foreground would fall behind the backing, in
  // bin 128, and the backing's darker half would be taken for foreground and dent the key onto the backing
  // itself. Such a frame, like one without a mean, is taken along the key axis.
  float ma = 0.0f, mb = 1.0f;
  if (n > 0) {
    const auto meanCross = static_cast<std::int64_t>(static_cast<double>(sumCross) / static_cast<double>(n));
    const auto meanKey = static_cast<std::int64_t>(static_cast<double>(sumKey) / static_cast<double>(n));
    const float length = std::sqrt(static_cast<float>(meanCross * meanCross) + static_cast<float>(meanKey * meanKey));
    if (std::fabs(length) >= 1e-5f && meanKey > 0) {
      ma = static_cast<float>(meanCross) / length;
      mb = static_cast<float>(meanKey) / length;
    }
  }

  // Each sample's bin, kept for the passes below.
  std::vector<std::int16_t> bins(n);
  std::array<std::atomic<std::int64_t>, kBinCount> counts{};
  forSampleRows(samples, width, height, [&](std::size_t firstRow, std::size_t rows) {
    std::array<std::int64_t, kBinCount> blockCounts{};
    for (std::size_t row = firstRow; row < firstRow + rows; ++row)
      for (std::size_t column = 0; column < samples.columns; ++column) {
        const pixeli& p = samples(row, column);
        const int along =
            static_cast<int>(static_cast<float>(projection.key(p)) * mb + static_cast<float>(projection.cross(p)) * ma);
        const int bin = histogramBin(along);
        bins[row * samples.columns + column] = static_cast<std::int16_t>(std::max(bin, -32768));
        if (bin >= 0 && bin < kBinCount) ++blockCounts[static_cast<std::size_t>(bin)];
      }
    for (std::size_t i = 0; i < kBinCount; ++i)
      if (blockCounts[i] != 0) counts[i] += blockCounts[i];
  });
  hgram histogram(kBinCount);
  std::int64_t total = 0;
  for (std::size_t i = 0; i < kBinCount; ++i) {
    histogram.bins[i] = static_cast<int>(counts[i].load());
    total += counts[i].load();
  }
  // Every projection outside the histogram: there is nothing to read edges from.
  if (total == 0) return 0;
  const float scale = static_cast<float>(kScaledTotal) / static_cast<float>(total);
  for (int& bin : histogram.bins) bin = static_cast<int>(static_cast<float>(bin) * scale);

  // The bin of grey (the key direction's far end) and the midpoint between it and the backing's side.
  const int greyProjection = static_cast<int>(static_cast<float>(static_cast<int>(projection.rowKey[3])) * mb +
                                              static_cast<float>(static_cast<int>(projection.rowCross[3])) * ma);
  const int grey = histogramBin(std::max(greyProjection, 0));
  const int middle = 132 - (132 - grey) / 2;

  for (int i = 0; i < kSmoothingPasses; ++i) histogram.smooth();
  const auto& h = histogram.bins;
  int lowest = kBinCount - 1;
  for (int i = 0; i < kBinCount; ++i)
    if (h[static_cast<std::size_t>(i)] != 0) {
      lowest = i;
      break;
    }

  // The slope, a seventh at a time; the last two entries keep the bins themselves.
  std::array<int, kBinCount> slope{};
  for (int i = 0; i + 2 < kBinCount; ++i)
    slope[static_cast<std::size_t>(i)] = h[static_cast<std::size_t>(i) + 1] - h[static_cast<std::size_t>(i)];
  slope[kBinCount - 2] = h[kBinCount - 2];
  slope[kBinCount - 1] = h[kBinCount - 1];
  auto q = [&](int i) { return slope[static_cast<std::size_t>(i)] / 7; };

  // Foreground edge: the first steep fall met going down from the midpoint.
  int foregroundEdge = middle;
  for (int j = middle + 1; j >= 1; --j)
    if (q(j) < -40 && q(j) < q(j + 1) && q(j) <= q(j - 1)) {
      foregroundEdge = j;
      break;
    }
  // Lowest edge: the first rise met going up from the lowest occupied bin.
  int lowEdge = lowest;
  for (int i = lowest + 1; i < kBinCount - 2; ++i)
    if (q(i) > 0 && q(i) > q(i - 1) && q(i) >= q(i + 1)) {
      lowEdge = i;
      break;
    }

  // Foreground pass: samples from the lowest edge up to the foreground edge (never past grey) lie outside.
  const int foregroundTop = std::min(foregroundEdge, grey);
  std::vector<pixeli> foreground = gatherTrainingSet(
      samples, bins, [&](int bin, const pixeli&) { return bin >= lowEdge && bin <= foregroundTop; },
      [](const pixeli& p) { return p; });
  if (!foreground.empty()) {
    dnt_out(foreground.data(), static_cast<int>(foreground.size()), 1, record);
    remove_inconsistence(2, record);
  }

  // Spill pass: bright, backing-dominated samples between there and halfway to the midpoint are bleached to the
  // edge of backing dominance and taken in.
  const int spillTop = (middle + grey) / 2;
  std::vector<pixeli> spill = gatherTrainingSet(
      samples, bins,
      [&](int bin, const pixeli& p) { return bin >= foregroundTop && bin <= spillTop && isSpillCandidate(p, backing); },
      [&](const pixeli& p) { return bleach(p, backing, 1.0f, kSpillDominance); });
  if (!spill.empty()) {
    jut_out(spill.data(), static_cast<int>(spill.size()), 1, record);
    remove_inconsistence(2, record);
  }
  return (!foreground.empty() || !spill.empty()) ? 1 : 0;
}

}  // namespace vorl
