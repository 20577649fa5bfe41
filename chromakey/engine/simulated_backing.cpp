#include "chromakey/engine/simulated_backing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <vector>

#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/histogram_training.h"
#include "chromakey/engine/key_defaults.h"
#include "chromakey/engine/key_pipeline.h"
#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/key_surfaces.h"
#include "chromakey/engine/pixel_math.h"

namespace vorl {
namespace {

constexpr float kDiagonalWeight = 0.70710677f;
constexpr float kPrivateMiddleOuterRadius = 130560.0f;
constexpr float kPrivateRadiusWithoutFakeForeground = 32640.0f;
constexpr float kBackingSampleAlpha = 19660.5f;  // 0.3 × 65535

struct Hsv {
  float h = 0;  // sextants, 0..6
  float s = 0;
  float v = 0;
};

Hsv hsvOf(float r, float g, float b) noexcept {
  const float max = std::max({r, g, b}), min = std::min({r, g, b});
  Hsv hsv;
  hsv.v = max;
  hsv.s = max > 0.0f ? (max - min) / max : 0.0f;
  const float delta = max - min;
  if (delta > 0.0f) {
    if (max == r) {
      hsv.h = (g - b) / delta;
      if (hsv.h < 0.0f) hsv.h += 6.0f;
    } else if (max == g) {
      hsv.h = 2.0f + (b - r) / delta;
    } else {
      hsv.h = 4.0f + (r - g) / delta;
    }
  }
  return hsv;
}

Hsv hsvOf(const pixeli& p) noexcept {
  return hsvOf(static_cast<float>(p.r) / 65535.0f, static_cast<float>(p.g) / 65535.0f,
               static_cast<float>(p.b) / 65535.0f);
}

pixeli pixelOfHsv(const Hsv& hsv) noexcept {
  const float h = hsv.h, s = std::min(hsv.s, 1.0f), v = hsv.v;
  const int sextant = std::clamp(static_cast<int>(std::floor(h)), 0, 5);
  const float f = h - static_cast<float>(sextant);
  const float p = v * (1.0f - s), q = v * (1.0f - s * f), t = v * (1.0f - s * (1.0f - f));
  float r = v, g = t, b = p;
  switch (sextant) {
    case 0:
      r = v, g = t, b = p;
      break;
    case 1:
      r = q, g = v, b = p;
      break;
    case 2:
      r = p, g = v, b = t;
      break;
    case 3:
      r = p, g = q, b = v;
      break;
    case 4:
      r = t, g = p, b = v;
      break;
    default:
      r = v, g = p, b = q;
      break;
  }
  return {truncClamp16(r * 65535.0f), truncClamp16(g * 65535.0f), truncClamp16(b * 65535.0f), 0};
}

pixeli integerBacking(const fixcoef& record) noexcept {
  return {truncClamp16(record.backing[0]), truncClamp16(record.backing[1]), truncClamp16(record.backing[2]), 65535};
}

// The private key the grid samples are keyed with: the stage's inner radius around the backing, the hues away
// from the backing dented out of it, then trained on the frame itself.
void trainPrivateKey(const pixeli* fg, int w, int h, int innerRadius, const fixcoef& record, fixcoef& local) {
  static_cast<void>(init_KEYp(local));
  local.options |= kKeyOptionNoReplacement;
  const pixeli backing = integerBacking(record);
  local.backing = {static_cast<float>(backing.r), static_cast<float>(backing.g), static_cast<float>(backing.b)};
  local.radii[kInnerSurface].fill(static_cast<float>(innerRadius));
  local.radii[kMiddleSurface].fill(kPrivateMiddleOuterRadius);
  local.radii[kOuterSurface].fill(kPrivateMiddleOuterRadius);

  std::vector<pixeli> fake(kFakeForegroundSize);
  const int count = generate_fakefg(fake.data(), local);
  if (count > 0) {
    dnt_out(fake.data(), count, 1, local);
  } else {
    local.radii[kMiddleSurface].fill(kPrivateRadiusWithoutFakeForeground);
    local.radii[kOuterSurface].fill(kPrivateRadiusWithoutFakeForeground);
  }
  remove_inconsistence(2, local);

  static_cast<void>(histogram_proc(backing, fg, w, h, local, false, true, 0.0f, 0.0f, false, false, 1, 1));
}

// The mean of the 3 × 3 pixels around (x, y), the frame's edge repeated outside it.
pixeli meanAround(const pixeli* fg, int w, int h, int x, int y) noexcept {
  double sum[3] = {0.0, 0.0, 0.0};
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int px = std::clamp(x + dx, 0, w - 1), py = std::clamp(y + dy, 0, h - 1);
      const pixeli& p = fg[static_cast<std::size_t>(py) * static_cast<std::size_t>(w) + static_cast<std::size_t>(px)];
      sum[0] += p.r;
      sum[1] += p.g;
      sum[2] += p.b;
    }
  return {truncClamp16(sum[0] / 9.0), truncClamp16(sum[1] / 9.0), truncClamp16(sum[2] / 9.0), 0};
}

// Keys the 3 × 3 mean at every grid point; the cells that key as backing are the samples the rest is estimated
// from. Returns whether there is any.
bool sampleGrid(GRID& grid, const fixcoef& local, const PrimPass& pass) noexcept {
  const int g = grid.columns;
  bool anyBacking = false;
  for (int i = 0; i < g; ++i)
    for (int j = 0; j < g; ++j) {
      int y = static_cast<int>(static_cast<float>(i) * grid.sy);
      int x = static_cast<int>(static_cast<float>(j) * grid.sx);
      if (i == 0) y += s_adjustLightingOuterGridBoundry;
      if (i == g - 1) y -= s_adjustLightingOuterGridBoundry;
      if (j == 0) x += s_adjustLightingOuterGridBoundry;
      if (j == g - 1) x -= s_adjustLightingOuterGridBoundry;
      const pixeli mean = meanAround(grid.source, grid.width, grid.height, x, y);
      pixeli keyed{};
      primproc(&mean, nullptr, &mean, nullptr, nullptr, &keyed, 1, local, pass);
      GridCell& cell = grid.at(j, i);
      cell.r = mean.r;
      cell.g = mean.g;
      cell.b = mean.b;
      cell.sampled = 65535;
      cell.state = static_cast<float>(keyed.a) < kBackingSampleAlpha ? kCellBackingSample : kCellForeground;
      anyBacking = anyBacking || cell.state == kCellBackingSample;
    }
  return anyBacking;
}

// The weighted mean of the known neighbours of a cell.
void estimateCell(GRID& grid, int x, int y) noexcept {
  float sum[3] = {0.0f, 0.0f, 0.0f};
  float weights = 0.0f;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int nx = x + dx, ny = y + dy;
      if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= grid.columns || ny >= grid.rows) continue;
      const GridCell& neighbour = grid.at(nx, ny);
      if (neighbour.state == kCellForeground) continue;
      const float weight = (dx == 0 || dy == 0) ? 1.0f : kDiagonalWeight;
      sum[0] += weight * static_cast<float>(neighbour.r);
      sum[1] += weight * static_cast<float>(neighbour.g);
      sum[2] += weight * static_cast<float>(neighbour.b);
      weights += weight;
    }
  GridCell& cell = grid.at(x, y);
  if (weights > 0.0f) {
    cell.r = truncClamp16(sum[0] / weights);
    cell.g = truncClamp16(sum[1] / weights);
    cell.b = truncClamp16(sum[2] / weights);
  }
  cell.sampled = 0;
  cell.state = kCellEstimated;
}

// The opponent chroma (0..1) and hue (turns) of a colour.
struct ChromaHue {
  float chroma;
  float hue;
};

ChromaHue chromaHueOf(const pixeli& p) noexcept {
  const float r = static_cast<float>(p.r) / 65535.0f;
  const float g = static_cast<float>(p.g) / 65535.0f;
  const float b = static_cast<float>(p.b) / 65535.0f;
  const float u = (b - g) * 0.70710677f;
  const float v = (g + b - 2.0f * r) * 0.70710677f;
  const float c = std::clamp(std::sqrt(u * u + v * v), 0.0f, 1.0f);
  return {c, std::atan2(v, u) * 0.15915963f};
}

// The bilinear cell of a pixel coordinate: the lower cell and the share of the upper one. The last column and row
// of pixels map onto the grid's last line (share 1 of the last cell) rather than a cell past it.
struct Lerp {
  int index;
  float fraction;
};

Lerp lerpOf(int pixel, float inverseCellSize, int side) noexcept {
  const float position = static_cast<float>(pixel) * inverseCellSize;
  const int index = static_cast<int>(std::floor(position));
  if (index > side - 2) return {side - 2, 1.0f};
  return {index, position - static_cast<float>(index)};
}

}  // namespace

int getCount(const GRID& grid, int x, int y, int state) noexcept {
  if (grid.at(x, y).state == kCellEstimated) return 0;
  int count = 0;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int nx = x + dx, ny = y + dy;
      if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= grid.columns || ny >= grid.rows) continue;
      count += grid.at(nx, ny).state == state ? 1 : 0;
    }
  return count;
}

void estimateMissingCells(GRID& grid) {
  const int columns = grid.columns, rows = grid.rows;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x) grid.at(x, y).count = getCount(grid, x, y, kCellBackingSample);

  // Each step takes the foreground cell with the most backing-sample neighbours (a count that never changes),
  // then the highest score (that count plus its estimated neighbours), then the first in row-major order. Only
  // the neighbours of the cell just estimated change score, so the order is kept in a sorted set and only they
  // move, instead of rescoring the whole grid each step: the same order, in O(g² log g) rather than O(g⁴).
  struct Candidate {
    int count;
    int score;
    int index;  // y · columns + x
    bool operator<(const Candidate& other) const noexcept {
      if (count != other.count) return count > other.count;
      if (score != other.score) return score > other.score;
      return index < other.index;
    }
  };
  std::vector<int> score(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
  std::set<Candidate> order;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x) {
      const GridCell& cell = grid.at(x, y);
      if (cell.state != kCellForeground) continue;
      const int index = y * columns + x;
      score[static_cast<std::size_t>(index)] = cell.count + getCount(grid, x, y, kCellEstimated);
      order.insert({cell.count, score[static_cast<std::size_t>(index)], index});
    }
  // A grid without a backing sample has nothing to estimate from.
  if (order.size() == static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows)) return;

  while (!order.empty()) {
    const Candidate next = *order.begin();
    order.erase(order.begin());
    const int x = next.index % columns, y = next.index / columns;
    estimateCell(grid, x, y);
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = x + dx, ny = y + dy;
        if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= columns || ny >= rows) continue;
        const GridCell& neighbour = grid.at(nx, ny);
        if (neighbour.state != kCellForeground) continue;
        const int index = ny * columns + nx;
        int& s = score[static_cast<std::size_t>(index)];
        order.erase({neighbour.count, s, index});
        ++s;
        order.insert({neighbour.count, s, index});
      }
  }
}

void phase_calculateGenerateSimulatedForeground(const GRID& grid, int mode) noexcept {
  const pixeli backing = integerBacking(*grid.record);
  const ChromaHue reference = chromaHueOf(backing);
  const float backingChroma = std::min(reference.chroma, 1.0f);
  const float backingHue = reference.hue;
  // A nearly grey backing has no chroma to compare with: chroma is compared unscaled.
  const bool scaleChroma = backingChroma >= 0.05f;
  const float chromaReference = scaleChroma ? 1.0f : backingChroma;

  const auto width = static_cast<std::size_t>(grid.width);
  for (int y = grid.firstRow; y <= grid.lastRow; ++y) {
    const Lerp row = lerpOf(y, grid.inverseSy, grid.rows);
    const float fy = row.fraction;
    const pixeli* in = grid.source + static_cast<std::size_t>(y) * width;
    pixeli* out = grid.output + static_cast<std::size_t>(y) * width;
    for (std::size_t x = 0; x < width; ++x) {
      const Lerp column = lerpOf(static_cast<int>(x), grid.inverseSx, grid.columns);
      const float fx = column.fraction;
      const GridCell& c00 = grid.at(column.index, row.index);
      const GridCell& c01 = grid.at(column.index, row.index + 1);
      const GridCell& c10 = grid.at(column.index + 1, row.index);
      const GridCell& c11 = grid.at(column.index + 1, row.index + 1);
      auto blend = [&](std::uint16_t GridCell::*channel) {
        return truncClamp16(static_cast<float>(c00.*channel) * (1.0f - fx) * (1.0f - fy) +
                            static_cast<float>(c01.*channel) * (1.0f - fx) * fy +
                            static_cast<float>(c10.*channel) * fx * (1.0f - fy) +
                            static_cast<float>(c11.*channel) * fx * fy);
      };
      const pixeli estimate = {blend(&GridCell::r), blend(&GridCell::g), blend(&GridCell::b), 65535};
      if (mode == 1) {
        out[x] = estimate;
        continue;
      }

      const pixeli& p = in[x];
      const ChromaHue colour = chromaHueOf(p);
      const float chroma = scaleChroma ? colour.chroma / backingChroma : colour.chroma;
      float hue = colour.hue;
      if (hue - backingHue > 0.5f)
        hue -= 1.0f;
      else if (backingHue - hue > 0.5f)
        hue += 1.0f;
      const float dh = 6.0f * (hue - backingHue), dc = chroma - chromaReference;
      const float distance = std::sqrt(dh * dh + dc * dc);
      float weight = 0.0f;
      if (distance <= 1.0f) {
        const float t = 1.5f * distance - 0.25f;
        weight = t < 0.0f ? 1.0f : (t > 1.0f ? 0.0f : 1.0f - t);
      }
      if (weight == 0.0f) {
        out[x] = {p.r, p.g, p.b, 65535};
        continue;
      }
      auto shift = [&](std::uint16_t pc, std::uint16_t bc, std::uint16_t ec) {
        return truncClamp16(static_cast<float>(pc) + (static_cast<float>(bc) - static_cast<float>(ec)) * weight);
      };
      out[x] = {shift(p.r, backing.r, estimate.r), shift(p.g, backing.g, estimate.g), shift(p.b, backing.b, estimate.b),
                65535};
    }
  }
}

int gen_art_color(int colourClass, pixeli* buffer, const fixcoef& record, float darkening) noexcept {
  if (colourClass < 3 || colourClass > 8) return 0;
  const float below = darkening * 65535.0f;
  // Two lattices of 50 × 100: rows fold 25..74 to 25..49 then 24..0, columns 50..149 to 50..99 then 49..0.
  // The first has B on the rows and G on the columns, the second the other way round; a colour whose row
  // channel is below its column channel is white.
  for (int lattice = 0; lattice < 2; ++lattice)
    for (int k = 0; k < 50; ++k)
      for (int m = 0; m < 100; ++m) {
        const int a = 25 + k <= 49 ? 25 + k : 74 - (25 + k);
        const int b = 50 + m <= 99 ? 50 + m : 149 - (50 + m);
        const float columnValue = static_cast<float>(b) * 661.9697f;  // 65535 / 99
        const float rowValue = static_cast<float>(a) * 1337.449f;     // 65535 / 49
        pixeli sample = {65535, 65535, 65535, 0};
        if (rowValue >= columnValue) {
          const std::uint16_t red = truncClamp16(std::max(columnValue - below, 0.0f));
          sample = lattice == 0 ? pixeli{red, truncClamp16(columnValue), truncClamp16(rowValue), 0}
                                : pixeli{red, truncClamp16(rowValue), truncClamp16(columnValue), 0};
        }
        buffer[static_cast<std::size_t>(lattice * 5000 + k * 100 + m)] = sample;
      }

  // Turn every coloured sample by the backing's hue.
  const float backingHue = hsvOf(integerBacking(record)).h;
  for (int i = 0; i < kFakeForegroundSize; ++i) {
    pixeli& sample = buffer[i];
    Hsv hsv = hsvOf(sample);
    if (hsv.s < 1e-5f) continue;
    hsv.h += backingHue;
    while (hsv.h >= 6.0f) hsv.h -= 6.0f;
    sample = pixelOfHsv(hsv);
  }
  return kFakeForegroundSize;
}

int generate_fakefg(pixeli* buffer, const fixcoef& record) noexcept {
  const Hsv backing = hsvOf(integerBacking(record));
  if (backing.s < 0.1f) return 0;
  if (backing.s < 0.6f && (backing.v < 0.07f || backing.v > 0.93f)) return 0;
  int colourClass = 5;
  if (backing.h < 0.5f)
    colourClass = 5;
  else if (backing.h < 1.5f)
    colourClass = 8;
  else if (backing.h < 2.5f)
    colourClass = 4;
  else if (backing.h < 3.5f)
    colourClass = 6;
  else if (backing.h < 4.5f)
    colourClass = 3;
  else if (backing.h < 5.5f)
    colourClass = 7;
  return gen_art_color(colourClass, buffer, record, 0.1f);
}

PrimStatus generateSimulatedRender(const pixeli* fg, pixeli* out, int w, int h, int gridDensity, int innerRadius,
                                   const fixcoef& record, pixeli* gridOut, int mode) noexcept {
  if (gridDensity == 0) return PrimStatus::ok;
  if (fg == nullptr || (out == nullptr && gridOut == nullptr) || w < 0 || h < 0 || gridDensity < 0 || innerRadius < 0)
    return PrimStatus::badArguments;
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  if (out != nullptr) std::memcpy(out, fg, n * sizeof(pixeli));
  // A frame one pixel wide or high has no cells to interpolate between: it stays as it is.
  if (w < 2 || h < 2) return PrimStatus::ok;

  try {
    const int g = gridSideFor(gridDensity);
    auto grid = std::make_unique<GRID>();
    grid->columns = grid->rows = g;
    grid->width = w;
    grid->height = h;
    grid->sx = static_cast<float>(w - 1) / static_cast<float>(g - 1);
    grid->sy = static_cast<float>(h - 1) / static_cast<float>(g - 1);
    grid->inverseSx = 1.0f / grid->sx;
    grid->inverseSy = 1.0f / grid->sy;
    grid->source = fg;
    grid->output = out;
    grid->record = &record;
    grid->innerRadius = innerRadius;

    fixcoef local;
    trainPrivateKey(fg, w, h, innerRadius, record, local);
    PrimPass pass;
    if (primcoef_begin(local, pass) != 1) return PrimStatus::badArguments;
    const bool anyBacking = sampleGrid(*grid, local, pass);
    static_cast<void>(primcoef_finish(local, pass));
    // Nothing to estimate the backing from: the frame stays as it is.
    if (!anyBacking) return PrimStatus::ok;

    estimateMissingCells(*grid);

    if (out == nullptr) {
      for (int x = 0; x < g; ++x)
        for (int y = 0; y < g; ++y) {
          const GridCell& cell = grid->at(x, y);
          gridOut[static_cast<std::size_t>(x) * static_cast<std::size_t>(g) + static_cast<std::size_t>(y)] = {
              cell.r, cell.g, cell.b, cell.sampled};
        }
      return PrimStatus::ok;
    }

    const int workers = duzeviveThreadCount();
    if (workers >= 2 && w > 9 && h > 9) {
      runBlocks(static_cast<std::size_t>(h), workers, [&](std::size_t firstRow, std::size_t rows) {
        if (rows == 0) return;
        GRID block = *grid;
        block.firstRow = static_cast<int>(firstRow);
        block.lastRow = static_cast<int>(firstRow + rows) - 1;
        phase_calculateGenerateSimulatedForeground(block, mode);
      });
    } else {
      grid->firstRow = 0;
      grid->lastRow = h - 1;
      phase_calculateGenerateSimulatedForeground(*grid, mode);
    }
    return PrimStatus::ok;
  } catch (const std::bad_alloc&) {
    return PrimStatus::outOfMemory;
  }
}

}  // namespace vorl
