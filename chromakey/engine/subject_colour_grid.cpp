#include "chromakey/engine/subject_colour_grid.h"

#include <algorithm>
#include <memory>
#include <new>

#include "chromakey/engine/exponential_window.h"
#include "chromakey/engine/worker_shares.h"

namespace vorl {
namespace {

// How much a partly transparent pixel counts beside an opaque one: little enough that a band the keyer got wrong
// does not colour the subject brought in beside it, enough that the nearest subject still speaks for itself.
constexpr double kPartialWeight = 1.0 / 8;

// A colour·alpha product (0..65535²) back on the 16-bit scale, rounded.
inline std::uint32_t share(std::int64_t product) noexcept {
  return static_cast<std::uint32_t>((product + 32767) / 65535);
}

}  // namespace

PrimStatus SubjectColourGrid::build(const pixeli* keyed, int w, int h, const KeyedColours& colours,
                                    int reach) noexcept {
  if (keyed == nullptr || w < 1 || h < 1 || reach < 0 || reach > kMaxDefocus) return PrimStatus::badArguments;
  w_ = w;
  h_ = h;
  side_ = std::max(reach, kMinTileSide);
  const auto side = static_cast<std::size_t>(side_);
  tileColumns_ = (static_cast<std::size_t>(w) + side - 1) / side;
  tileRows_ = (static_cast<std::size_t>(h) + side - 1) / side;
  // A print-sized frame has millions of tiles: they live in a pixel map's memory, which comes in huge pages
  // (first touching small pages one by one would cost more than summing them). Every tile is written whole.
  const std::size_t tiles = tileColumns_ * tileRows_;
  memory_ = PixelMap((tiles * sizeof(Tile) + sizeof(pixeli) - 1) / sizeof(pixeli));
  if (memory_.empty()) return PrimStatus::outOfMemory;
  tiles_ = std::uninitialized_default_construct_n(reinterpret_cast<Tile*>(memory_.data()), tiles) - tiles;
  runShares(tileRows_, shareCount(tileRows_), [&](std::size_t, std::size_t first, std::size_t end) {
    for (std::size_t tileRow = first; tileRow < end; ++tileRow) {
      if (colours.premultiplied)
        sumTileRow<true>(keyed, tileRow, colours);
      else
        sumTileRow<false>(keyed, tileRow, colours);
    }
  });
  return PrimStatus::ok;
}

template <bool kPremultiplied>
void SubjectColourGrid::sumTileRow(const pixeli* keyed, std::size_t tileRow, const KeyedColours& colours) noexcept {
  const auto width = static_cast<std::size_t>(w_), side = static_cast<std::size_t>(side_);
  const std::size_t firstY = tileRow * side, endY = std::min(firstY + side, static_cast<std::size_t>(h_));
  const std::int64_t qr = colours.replacement[0], qg = colours.replacement[1], qb = colours.replacement[2];
  for (std::size_t column = 0; column < tileColumns_; ++column) {
    const std::size_t firstX = column * side, endX = std::min(firstX + side, width);
    // Opaque pixels add their colour as it is; partly transparent ones colour × alpha, brought back to the
    // 16-bit scale once per tile.
    std::uint32_t opaque[4] = {0, 0, 0, 0};
    std::int64_t partial[3] = {0, 0, 0};
    std::uint32_t partialAlpha = 0;
    for (std::size_t y = firstY; y < endY; ++y) {
      const pixeli* row = keyed + y * width;
      for (std::size_t x = firstX; x < endX; ++x) {
        const pixeli& p = row[x];
        if (p.a == 0) continue;  // backing: no subject here, whatever its colour says
        if (p.a == 65535) {
          opaque[0] += p.r;
          opaque[1] += p.g;
          opaque[2] += p.b;
          opaque[3] += 65535;
          continue;
        }
        const std::int64_t a = p.a;
        if constexpr (kPremultiplied) {
          // a·F + (65535 − a)·Q on the keyer's side: take the replacement colour's share out, and keep what is
          // left to what a colour at alpha a can be (the keyer's clamping shows there, differently for each Q).
          const std::int64_t rest = 65535 - a, most = a * 65535;
          partial[0] += std::clamp<std::int64_t>(std::int64_t{p.r} * 65535 - rest * qr, 0, most);
          partial[1] += std::clamp<std::int64_t>(std::int64_t{p.g} * 65535 - rest * qg, 0, most);
          partial[2] += std::clamp<std::int64_t>(std::int64_t{p.b} * 65535 - rest * qb, 0, most);
        } else {
          partial[0] += std::int64_t{p.r} * a;
          partial[1] += std::int64_t{p.g} * a;
          partial[2] += std::int64_t{p.b} * a;
        }
        partialAlpha += p.a;
      }
    }
    Tile& tile = tiles_[tileRow * tileColumns_ + column];
    tile.opaque = {opaque[0], opaque[1], opaque[2], opaque[3]};
    tile.partial = {share(partial[0]), share(partial[1]), share(partial[2]), partialAlpha};
  }
}

bool SubjectColourGrid::colourAt(int x, int y, std::array<float, 3>& colour) const noexcept {
  if (x < 0 || y < 0 || x >= w_ || y >= h_ || tiles_ == nullptr) return false;
  const int tx = x / side_, ty = y / side_;
  // Bilinear between the corners of the pixel's tile, each corner holding the four tiles around it: the 3 × 3
  // tiles around the pixel's own weigh (1 − f, 1, f) along each axis. Measured from the pixel's centre, so that no
  // weight is ever exactly 0.
  const double fx = (x - static_cast<double>(tx) * side_ + 0.5) / side_;
  const double fy = (y - static_cast<double>(ty) * side_ + 0.5) / side_;
  const double weightX[3] = {1 - fx, 1, fx}, weightY[3] = {1 - fy, 1, fy};
  double opaque[4] = {0, 0, 0, 0}, partial[4] = {0, 0, 0, 0};
  auto add = [](double* to, const Sums& sums, double weight) {
    to[0] += weight * static_cast<double>(sums.r);
    to[1] += weight * static_cast<double>(sums.g);
    to[2] += weight * static_cast<double>(sums.b);
    to[3] += weight * static_cast<double>(sums.a);
  };
  for (int v = 0; v < 3; ++v) {
    const int row = ty - 1 + v;
    if (row < 0 || static_cast<std::size_t>(row) >= tileRows_) continue;
    for (int u = 0; u < 3; ++u) {
      const int column = tx - 1 + u;
      if (column < 0 || static_cast<std::size_t>(column) >= tileColumns_) continue;
      const Tile& tile = tiles_[static_cast<std::size_t>(row) * tileColumns_ + static_cast<std::size_t>(column)];
      add(opaque, tile.opaque, weightX[u] * weightY[v]);
      add(partial, tile.partial, weightX[u] * weightY[v] * kPartialWeight);
    }
  }
  const double a = opaque[3] + partial[3];
  if (!(a > 0.0)) return false;
  for (int c = 0; c < 3; ++c)
    colour[c] = static_cast<float>(std::clamp(65535.0 * (opaque[c] + partial[c]) / a, 0.0, 65535.0));
  return true;
}

}  // namespace vorl
