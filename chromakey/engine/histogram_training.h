// Training a key's outer surface from a whole frame, without picked samples.
//
// Each sampled pixel is placed in the plane of the backing's key direction and the chroma direction across it.
// Counting the pixels by how far they lie along the frame's average offset from the backing gives a 256-bin
// profile in which the backing and the foreground form humps; their edges are read from the smoothed profile's
// slope. Foreground pixels then dent the outer surface (`dnt_out`) and bleached spill pixels widen it
// (`jut_out`), each edit followed by the consistency rule. The simulated-backing stage trains its private record
// this way before keying its grid samples.
//
// Bin numbers fall with distance from the backing: the backing itself, and anything on the far side of it, counts
// in 128, the top bin in use.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "chromakey/engine/chroma_key_record.h"

namespace vorl {

// A histogram of int bins.
struct hgram {
  std::vector<int> bins;

  explicit hgram(std::size_t count) : bins(count, 0) {}
  [[nodiscard]] std::size_t count() const noexcept { return bins.size(); }
  // One pass of the (1, 2, 1)/4 filter, (3, 1)/4 at the two ends, in integers truncating toward zero.
  void smooth();
};

// The two projection rows of a backing colour: `rowKey` gives 65535 times a pixel's key distance (0 at the
// backing, growing towards grey and beyond), `rowCross` its position across the key direction. Element 3 of
// each is the constant term, for pixels on the 0..65535 scale.
void pix_backcolor_proc(const pixeli& backing, std::array<float, 4>& rowKey, std::array<float, 4>& rowCross) noexcept;

// The histogram bin of a projection: 128 for p ≤ 0, else (1024 − (p >> 6)) >> 3, which is negative far from the
// backing.
[[nodiscard]] constexpr int histogramBin(int p) noexcept { return p <= 0 ? 128 : (1024 - (p >> 6)) >> 3; }

// Whether a sample may enter the spill set: bright enough (R + G + B ≥ 30720) and dominated by the backing's
// primary (see `dominatesLikeBacking`, at 1.02).
[[nodiscard]] bool isSpillCandidate(const pixeli& sample, const pixeli& backing) noexcept;

// The dominance test of a colour for the backing's kind, with factor k: for a blue backing B > k·G and B > k·R;
// for a green one G·1.2 > R when G > 2·B, else G > k·B and G > k·R; for any other R > B and R > G.
[[nodiscard]] bool dominatesLikeBacking(double r, double g, double b, const pixeli& backing, float k) noexcept;

// Pushes a spill pixel away from the backing, along P − B, to the edge of the region where it still reads as
// backing-dominated (channels in range, R + G + B ≥ 30720, `dominatesLikeBacking` with `dominance`), by 15
// halving steps from 32768; `amount` blends from P (0) to that point (1). A pixel at the backing has no
// direction and comes out unchanged.
[[nodiscard]] pixeli bleach(const pixeli& pixel, const pixeli& backing, float amount, float dominance) noexcept;

// Thins a sample set of more than 10000 pixels to 10000: entry 0 stays, entries 1..9998 are taken from positions
// k·s with s = count / 10000, entry 9999 stays as it was. Smaller sets are left alone.
inline constexpr std::size_t kTrainingSetSize = 10000;
void reduceTrainingSet(std::vector<pixeli>& set);

// Trains `record`'s outer surface from the frame (width × height pixels, row-major); `backing` is the backing
// colour. Samples are the pixels of every step_y-th row and step_x-th column from the top left (steps below 1
// count as 1). With `foreground_pass` the foreground pass (`dnt_out`) and the spill pass (`jut_out`) run, each
// followed by `remove_inconsistence`(2); without it nothing is trained. The background pass, the widening of the
// two ranges, leaving out background samples and the matte pass have no rule in this engine: their arguments are
// accepted and have no effect (the one caller, the simulated-backing stage, passes false, true, 0, 0, false,
// false, 1, 1). Returns 1 when a pass used at least one pixel; 0 otherwise, also when every projection falls
// outside the histogram, in which case nothing is trained.
//
// The projection passes split their rows over the engine's workers; the result does not depend on their number.
// Throws std::bad_alloc when its sample bins or sets cannot be had; the record is then as the passes so far left
// it.
int histogram_proc(const pixeli& backing, const pixeli* frame, int width, int height, fixcoef& record,
                   bool background_pass, bool foreground_pass, float background_widen, float foreground_widen,
                   bool skip_background_samples, bool matte_pass, int step_x, int step_y);

}  // namespace vorl
