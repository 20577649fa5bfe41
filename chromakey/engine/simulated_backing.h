// The parts of the simulated-backing stage (`generateSimulatedRender`, declared with the other stages in
// key_stages.h): the grid of backing estimates, its fill, the per-pixel phase and the artificial foreground that
// shapes the private key the grid samples are keyed with.
//
// The stage samples the frame on a g × g grid, keys each sample's 3 × 3 mean with a private record trained for the
// frame, keeps the samples that key as backing and estimates the others from their neighbours. Per pixel, colours
// close to the backing's hue and chroma are then shifted by the difference between the record's backing and the
// estimate there, so the keyer sees an evenly lit backing.
#pragma once

#include <array>
#include <cstdint>

#include "chromakey/engine/chroma_key_record.h"

namespace vorl {

inline constexpr int kMaxGridSide = 100;
// Sample points on the grid's outer lines move this many pixels inwards, off the frame's edge.
inline constexpr int s_adjustLightingOuterGridBoundry = 5;
// Samples of artificial foreground `generate_fakefg` makes.
inline constexpr int kFakeForegroundSize = 10000;

enum GridCellState : std::int32_t {
  kCellBackingSample = 0,  // the sample keyed as backing
  kCellEstimated = 1,      // estimated from its neighbours
  kCellForeground = 2,     // the sample keyed as foreground; not yet estimated
};

struct GridCell {
  std::uint16_t r = 0, g = 0, b = 0;
  std::uint16_t sampled = 0;  // 65535 for a sampled cell, 0 for an estimated one
  std::int32_t state = kCellForeground;
  std::int32_t count = 0;  // neighbours that are backing samples
};

// The grid, indexed by column x then row y; the first columns × rows cells are used (the stage makes it square).
struct GRID {
  std::array<std::array<GridCell, kMaxGridSide>, kMaxGridSide> cells;
  int columns = 0;
  int rows = 0;
  int width = 0;  // frame
  int height = 0;
  float sx = 0;  // pixels per cell, across and down
  float sy = 0;
  const pixeli* source = nullptr;
  pixeli* output = nullptr;
  const fixcoef* record = nullptr;
  int innerRadius = 0;
  int firstRow = 0;  // rows the per-pixel phase processes, both included
  int lastRow = -1;
  float inverseSx = 0;
  float inverseSy = 0;

  [[nodiscard]] GridCell& at(int x, int y) noexcept {
    return cells[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)];
  }
  [[nodiscard]] const GridCell& at(int x, int y) const noexcept {
    return cells[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)];
  }
};

// The grid side for a density: density + 1 up to 100, 99 beyond; 0 for density 0 (the stage is off) or below.
[[nodiscard]] constexpr int gridSideFor(int density) noexcept {
  if (density <= 0) return 0;
  return density + 1 <= kMaxGridSide ? density + 1 : kMaxGridSide - 1;
}

// How many of the up to eight neighbours of cell (x, y) inside the grid are in `state`; 0 when the cell itself
// has been estimated.
[[nodiscard]] int getCount(const GRID& grid, int x, int y, int state) noexcept;

// Estimates every foreground cell from its neighbours, most backing-sample neighbours first, then most neighbours
// that are known (sampled or estimated), then row-major order: each gets the weighted mean of its known
// neighbours (1 for the four beside it, 0.70710677 for the diagonals), channels truncated. Also sets every cell's
// count. A grid without any backing sample keeps its foreground cells. Throws std::bad_alloc when its work list
// cannot be had.
void estimateMissingCells(GRID& grid);

// Writes out rows firstRow..lastRow: mode 0 shifts backing-like pixels by (backing − estimate), mode 1 writes the
// estimate itself; alpha 65535 either way.
void phase_calculateGenerateSimulatedForeground(const GRID& grid, int mode) noexcept;

// Fills `buffer` (kFakeForegroundSize pixels) with colours of the hues away from the record's backing, for
// denting the private key; returns how many, 0 when the backing is too grey, too dark or too bright to have a
// hue worth guarding.
[[nodiscard]] int generate_fakefg(pixeli* buffer, const fixcoef& record) noexcept;

// Fills `buffer` with two lattices of colours turned by the backing's hue (R lies `darkening` × 65535 below the
// smaller of G and B) and returns kFakeForegroundSize. Only the classes `generate_fakefg` gives (3 to 8) have
// lattices; any other class fills nothing and gives 0.
[[nodiscard]] int gen_art_color(int colourClass, pixeli* buffer, const fixcoef& record, float darkening) noexcept;

}  // namespace vorl
