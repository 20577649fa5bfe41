// The matte blur's window: an exponential ramp of radius r carried along a line by two recurrences, one from
// each end, so that a pass costs the same at any radius.
//
// Along a line x[0 .. n−1] the forward sum starts as F[0] = q·x[0]; each further step takes
// F[i] = q·(x[i] + F[i−1]), and from step r + 1 on also takes t·x[i − r − 1] off. The backward sum B runs the
// same way from the line's other end; each result is (F[i] + B[i])/S plus 0.5, truncated and clamped to
// 0..65535. Because the sample leaving the window is taken off after the multiplication by q, the window does not
// end at r: beyond it a small negative tail q^k·(q − 1) remains, whose sum is −t, so that the weights of both sums
// together add up to S and a line far from its ends keeps its value. The recurrences add no rounding term of their
// own, so alpha 0 stays exactly 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace vorl {

// The largest radius the matte blur takes.
inline constexpr int kMaxDefocus = 50;

struct ExponentialWindow {
  float q = 0;            // ratio 0.04^(1/r): the weight at the radius is 4 % of the centre's
  float t = 0;            // q^(r+1): what the sample leaving the window is taken off with
  float S = 0;            // 2·(q + q² + … + q^r): the weights' sum
  float inverseNorm = 0;  // 1/S; +infinity for r < 1
};

// The window of radius r, with q, t and S computed in double precision and kept as floats.
[[nodiscard]] ExponentialWindow exponentialWindow(int r) noexcept;

// The lines one worker filters side by side: kWindowLanes lines interleaved, sample i of lane k at
// [i·kWindowLanes + k], so that each step of the recurrences is one run of independent lanes.
inline constexpr std::size_t kWindowLanes = 32;

struct WindowLanes {
  std::vector<std::uint16_t> samples;   // the lines' samples, n per lane
  std::vector<float> forward;           // F over the positions written
  std::vector<std::uint16_t> filtered;  // the results over the positions written

  // Room for lines of up to `length` samples with up to `written` positions written. Throws std::bad_alloc.
  void reserve(std::size_t length, std::size_t written);
};

// Runs the window of radius r (r ≥ 1) along the kWindowLanes lines of n samples in lanes.samples, and writes the
// results for positions first .. end − 1 to lanes.filtered, position i of lane k at [(i − first)·kWindowLanes + k].
// Needs first < end ≤ n.
void filterWindowLanes(const ExponentialWindow& window, int r, std::size_t n, std::size_t first, std::size_t end,
                       WindowLanes& lanes) noexcept;

}  // namespace vorl
