#include "chromakey/engine/matte_blur.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/sample_plane.h"
#include "chromakey/engine/worker_shares.h"

namespace vorl {
namespace {

constexpr std::size_t L = kWindowLanes;
constexpr std::size_t kAlphaStride = sizeof(pixeli) / sizeof(std::uint16_t);
constexpr std::size_t kPrefetchRows = 8;
constexpr std::size_t kTileColumns = 64;
constexpr std::size_t kPixelsPerLine = 64 / sizeof(pixeli);

// truncClamp16 for values that cannot be NaN (finite alphas, m and k), written so that a run of them vectorises.
inline std::uint16_t clampToChannel(float v) noexcept {
  v = v < 0.0f ? 0.0f : v;
  v = v > 65535.0f ? 65535.0f : v;
  return static_cast<std::uint16_t>(static_cast<std::int32_t>(v));
}

// What happens to each blurred alpha: the inward pull by r·5 % of its distance from 65535, the shrink that maps
// m .. 65536 onto 0 .. 65536, both, or neither. All in single precision.
class AlphaAdjustment {
 public:
  AlphaAdjustment(int r, int inward, float shrink) noexcept
      : m_(shrink * 65535.0f), f_(static_cast<float>(r) * 0.05f) {
    const float d = 65536.0f - m_;
    k_ = d == 0.0f ? 0.0f : 65536.0f / d;
    if (r != 0 && inward != 0)
      kind_ = shrink == 0.0f ? Kind::inward : Kind::inwardAndShrink;
    else if (shrink != 0.0f)
      kind_ = Kind::shrink;
  }

  [[nodiscard]] bool active() const noexcept { return kind_ != Kind::none; }

  // Adjusts `count` alphas, `stride` samples apart, in place.
  void apply(std::uint16_t* alphas, std::size_t count, std::size_t stride) const noexcept {
    switch (kind_) {
      case Kind::none:
        return;
      case Kind::inward:
        return applyEach<Kind::inward>(alphas, count, stride);
      case Kind::inwardAndShrink:
        return applyEach<Kind::inwardAndShrink>(alphas, count, stride);
      case Kind::shrink:
        return applyEach<Kind::shrink>(alphas, count, stride);
    }
  }

 private:
  enum class Kind { none, inward, inwardAndShrink, shrink };

  template <Kind kKind>
  void applyEach(std::uint16_t* alphas, std::size_t count, std::size_t stride) const noexcept {
    for (std::size_t i = 0; i < count; ++i) {
      std::uint16_t& alpha = alphas[i * stride];
      const int a = alpha;
      if constexpr (kKind == Kind::inward) {
        const int pulled = static_cast<int>((static_cast<float>(a) - 65535.0f) * f_) + a;
        alpha = static_cast<std::uint16_t>(pulled < 0 ? 0 : pulled);  // never above a
      } else if constexpr (kKind == Kind::inwardAndShrink) {
        const int pulled = static_cast<int>((static_cast<float>(a) - 65535.0f) * f_ + 0.5f) + a;
        alpha = clampToChannel((static_cast<float>(pulled) - m_) * k_ + 0.5f);
      } else {
        alpha = clampToChannel((static_cast<float>(a) - m_) * k_ + 0.5f);
      }
    }
  }

  Kind kind_ = Kind::none;
  float m_;
  float f_;
  float k_ = 0;
};

// Runs body(lanes, firstLine, lineCount) over `lines` lines in groups of kWindowLanes, the groups split over the
// workers, each worker with lanes for lines of `length` samples and `written` results. The scratch is had before
// the first line is touched, so a shortage changes nothing.
template <typename Body>
PrimStatus forLineGroups(std::size_t lines, std::size_t length, std::size_t written, const Body& body) noexcept {
  const std::size_t groups = (lines + L - 1) / L;
  const int shares = shareCount(groups);
  std::vector<WindowLanes> scratch;
  try {
    scratch.resize(static_cast<std::size_t>(shares));
    for (WindowLanes& lanes : scratch) lanes.reserve(length, written);
  } catch (const std::bad_alloc&) {
    return PrimStatus::outOfMemory;
  }
  runShares(groups, shares, [&](std::size_t share, std::size_t first, std::size_t end) {
    for (std::size_t group = first; group < end; ++group) {
      const std::size_t firstLine = group * L;
      body(scratch[share], firstLine, std::min(L, lines - firstLine));
    }
  });
  return PrimStatus::ok;
}

// Checks a pass's arguments; `done` when there is nothing to do.
PrimStatus checkAreaPass(const pixeli* area, int w, int h, int W, int H, int r, bool& done) noexcept {
  done = true;
  if (w < 0 || h < 0) return PrimStatus::badArguments;
  if (w == 0 || h == 0) return PrimStatus::ok;
  if (area == nullptr || r < 1 || r > kMaxDefocus || W != w + 2 * r || H != h + 2 * r)
    return PrimStatus::badArguments;
  done = false;
  return PrimStatus::ok;
}

}  // namespace

PrimStatus doDefocusMaskX(pixeli* area, int w, int h, int W, int H, int r) noexcept {
  bool done = false;
  if (const PrimStatus status = checkAreaPass(area, w, h, W, H, r, done); done) return status;
  const ExponentialWindow window = exponentialWindow(r);
  const auto width = static_cast<std::size_t>(W), radius = static_cast<std::size_t>(r);
  return forLineGroups(static_cast<std::size_t>(H), width, width - radius,
                       [&](WindowLanes& lanes, std::size_t firstRow, std::size_t rows) {
                         for (std::size_t k = 0; k < rows; ++k) {
                           const pixeli* row = area + (firstRow + k) * width;
                           for (std::size_t i = 0; i < width; ++i) lanes.samples[i * L + k] = row[i].a;
                         }
                         filterWindowLanes(window, r, width, radius, width, lanes);
                         for (std::size_t k = 0; k < rows; ++k) {
                           pixeli* row = area + (firstRow + k) * width;
                           for (std::size_t i = radius; i < width; ++i)
                             row[i].a = lanes.filtered[(i - radius) * L + k];
                         }
                       });
}

PrimStatus doDefocusMaskY(pixeli* area, int w, int h, int W, int H, int r) noexcept {
  bool done = false;
  if (const PrimStatus status = checkAreaPass(area, w, h, W, H, r, done); done) return status;
  const ExponentialWindow window = exponentialWindow(r);
  const auto width = static_cast<std::size_t>(W), height = static_cast<std::size_t>(H);
  const std::size_t written = static_cast<std::size_t>(r) + static_cast<std::size_t>(h);
  return forLineGroups(width, height, written, [&](WindowLanes& lanes, std::size_t firstColumn, std::size_t columns) {
    for (std::size_t p = 0; p < height; ++p) {
      const pixeli* row = area + p * width + firstColumn;
      for (std::size_t k = 0; k < columns; ++k) lanes.samples[p * L + k] = row[k].a;
    }
    filterWindowLanes(window, r, height, 0, written, lanes);
    for (std::size_t p = 0; p < written; ++p) {
      pixeli* row = area + p * width + firstColumn;
      for (std::size_t k = 0; k < columns; ++k) row[k].a = lanes.filtered[p * L + k];
    }
  });
}

namespace {

// The matte blur of the frame's alphas, written `stride` samples apart from `target` (the map's own A channel,
// or a plane of its own). `rowResults` holds w × h samples for the row pass's results; it may be the target
// itself when that is a plane, since each column group reads its columns whole before it writes them.
template <std::size_t kStride>
PrimStatus blurFrameAlphas(const pixeli* map, std::uint16_t* target, std::uint16_t* rowResults, int w, int h,
                           int defocus, const AlphaAdjustment& adjust) noexcept {
  const auto width = static_cast<std::size_t>(w), height = static_cast<std::size_t>(h);
  const ExponentialWindow window = exponentialWindow(defocus);
  const auto radius = static_cast<std::size_t>(defocus);

  // Along the rows, each row's end pixels repeated r times beyond it.
  PrimStatus status =
      forLineGroups(height, width + 2 * radius, width, [&](WindowLanes& lanes, std::size_t firstRow, std::size_t rows) {
        std::uint16_t* samples = lanes.samples.data();
        for (std::size_t k = 0; k < rows; ++k) {
          const pixeli* row = map + (firstRow + k) * width;
          for (std::size_t i = 0; i < radius; ++i) {
            samples[i * L + k] = row[0].a;
            samples[(radius + width + i) * L + k] = row[width - 1].a;
          }
        }
        // Rows into lanes and back a tile of columns at a time, so that the lanes' lines a tile touches stay in
        // the nearest cache while every row passes through them.
        for (std::size_t tile = 0; tile < width; tile += kTileColumns) {
          const std::size_t tileEnd = std::min(tile + kTileColumns, width);
          for (std::size_t k = 0; k < rows; ++k) {
            const pixeli* row = map + (firstRow + k) * width;
            for (std::size_t i = tile; i < tileEnd; ++i) samples[(radius + i) * L + k] = row[i].a;
          }
        }
        filterWindowLanes(window, defocus, width + 2 * radius, radius, radius + width, lanes);
        const std::uint16_t* filtered = lanes.filtered.data();
        for (std::size_t tile = 0; tile < width; tile += kTileColumns) {
          const std::size_t tileEnd = std::min(tile + kTileColumns, width);
          for (std::size_t k = 0; k < rows; ++k) {
            std::uint16_t* out = rowResults + (firstRow + k) * width;
            for (std::size_t i = tile; i < tileEnd; ++i) out[i] = filtered[i * L + k];
          }
        }
      });
  if (status != PrimStatus::ok) return status;

  // Along the columns, each column's end pixels repeated r times beyond it; the adjustment on the way out.
  const std::size_t length = height + 2 * radius;
  constexpr std::size_t kSamplesPerLine = kPixelsPerLine * kAlphaStride / kStride;
  status = forLineGroups(width, length, height, [&](WindowLanes& lanes, std::size_t firstColumn, std::size_t columns) {
    const std::uint16_t* top = rowResults + firstColumn;
    std::uint16_t* samples = lanes.samples.data();
    for (std::size_t p = 0; p < length; ++p) {
      // Rows a frame-width apart defeat the hardware's prefetch; ask for the row a few steps ahead.
      __builtin_prefetch(top + (std::clamp(p + kPrefetchRows, radius, radius + height - 1) - radius) * width);
      const std::uint16_t* row = top + (std::clamp(p, radius, radius + height - 1) - radius) * width;
      if (columns == L)
        std::memcpy(samples + p * L, row, L * sizeof(std::uint16_t));
      else
        std::copy_n(row, columns, samples + p * L);
    }
    filterWindowLanes(window, defocus, length, radius, radius + height, lanes);
    adjust.apply(lanes.filtered.data(), height * L, 1);
    for (std::size_t y = 0; y < height; ++y) {
      std::uint16_t* row = target + (y * width + firstColumn) * kStride;
      if (y + kPrefetchRows < height)
        for (std::size_t k = 0; k < columns; k += kSamplesPerLine)
          __builtin_prefetch(row + (kPrefetchRows * width + k) * kStride, 1);
      const std::uint16_t* blurred = lanes.filtered.data() + y * L;
      for (std::size_t k = 0; k < columns; ++k) row[k * kStride] = blurred[k];
    }
  });
  return status;
}

PrimStatus checkMatteEdge(int w, int h, int defocus, float shrink, bool& done) noexcept {
  done = true;
  if (w < 0 || h < 0 || defocus < 0 || defocus > kMaxDefocus || !(shrink >= 0.0f && shrink <= 1.0f))
    return PrimStatus::badArguments;
  if (w == 0 || h == 0) return PrimStatus::ok;
  done = false;
  return PrimStatus::ok;
}

}  // namespace

PrimStatus doDefocusMask(pixeli* map, int w, int h, int defocus, int inward, float shrink) noexcept {
  bool done = false;
  if (const PrimStatus status = checkMatteEdge(w, h, defocus, shrink, done); done) return status;
  if (map == nullptr) return PrimStatus::badArguments;
  const AlphaAdjustment adjust(defocus, inward, shrink);
  const auto width = static_cast<std::size_t>(w), height = static_cast<std::size_t>(h);

  if (defocus == 0) {
    if (!adjust.active()) return PrimStatus::ok;
    runShares(height, shareCount(height), [&](std::size_t, std::size_t firstRow, std::size_t endRow) {
      adjust.apply(&map[firstRow * width].a, (endRow - firstRow) * width, kAlphaStride);
    });
    return PrimStatus::ok;
  }

  // The rows' results go to a plane of their own, which the column pass then reads a block of columns at a time
  // without dragging the colour channels through the cache.
  SamplePlane plane;
  if (!plane.allocate(width * height)) return PrimStatus::outOfMemory;
  return blurFrameAlphas<kAlphaStride>(map, &map[0].a, plane.data(), w, h, defocus, adjust);
}

PrimStatus doDefocusMaskInto(const pixeli* map, std::uint16_t* softened, int w, int h, int defocus, int inward,
                             float shrink) noexcept {
  bool done = false;
  if (const PrimStatus status = checkMatteEdge(w, h, defocus, shrink, done); done) return status;
  if (map == nullptr || softened == nullptr) return PrimStatus::badArguments;
  const AlphaAdjustment adjust(defocus, inward, shrink);
  const auto width = static_cast<std::size_t>(w), height = static_cast<std::size_t>(h);

  if (defocus == 0) {
    runShares(height, shareCount(height), [&](std::size_t, std::size_t firstRow, std::size_t endRow) {
      const std::size_t first = firstRow * width, count = (endRow - firstRow) * width;
      for (std::size_t i = 0; i < count; ++i) softened[first + i] = map[first + i].a;
      adjust.apply(softened + first, count, 1);
    });
    return PrimStatus::ok;
  }
  return blurFrameAlphas<1>(map, softened, softened, w, h, defocus, adjust);
}

}  // namespace vorl
