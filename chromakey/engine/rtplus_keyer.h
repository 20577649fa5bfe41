// The RTPlus keyer (option bit 0x1000): the RT keyer's ramps, but with limits that change with the pixel's
// position off the key axis.
//
// Seven (base, key, colour) triples are stored: T0 belongs to the backing itself, T1..T6 to a hexagon around
// it, whose corners sit at (2, 0), (1, 2), (−1, 2), (−2, 0), (−1, −2), (1, −2) in the off-axis plane (65535
// units). The hexagon splits into six triangles; inside one, the limits blend linearly between its three
// triples, and `translate` turns each triangle's triples into plane coefficients once. Seven equal triples
// reproduce the RT keyer exactly.
#pragma once

#include <array>
#include <cstddef>

#include "chromakey/engine/keyer_base.h"

namespace vorl {

class DuzeviveRTPlus final : public DuzeviveBase {
 public:
  // One ramp (alpha or spill) of one sector: G = ou·u + ov·v + oz·Z + base is the distance past the base limit,
  // F = uv·(u·v/65535) + u_·u + v_·v + c its reciprocal width, and the ramp value F·G/65535.
  struct Ramp {
    float ou = 0, ov = 0, oz = 0, base = 0, uv = 0, u = 0, v = 0, c = 0;
  };
  struct Sector {
    float u_gain = 0, u_offset = 0, v_gain = 0, v_offset = 0;  // maps (X, Y) into the sector's own (u, v)
    Ramp alpha;
    Ramp spill;
  };
  struct Constants {
    float luma_scale = 0;
    float luma_offset = 0;  // × 65535
    std::array<float, 3> cross_axis{};
    std::array<float, 3> key_axis{};
    float backing_chroma = 0;  // × 65535
    std::array<Sector, 6> sectors{};
  };

  // Backing colour into the record; every base 0.05, key = colour from the backing's chroma length (grey
  // backings: from its green, for the centre and the corners apart).
  void set_center_backing(float r, float g, float b, fixcoef& record) noexcept override;
  int translate(const fixcoef& record) noexcept override;

  // Keys `count` pixels of parallel runs; `mask` may be null. As `DuzeviveRT::pixelproc` otherwise.
  void pixelproc(const pixeli* fg, const pixeli* src, const pixeli* background, const pixeli* mask, pixeli* out,
                 const fixcoef& record, std::ptrdiff_t count) const noexcept;

  [[nodiscard]] const Constants& constants() const noexcept { return constants_; }

  // The hexagon sector of a point (X, Y) of the kernel's plane.
  [[nodiscard]] static int sectorOf(float x, float y) noexcept;

 private:
  template <bool kMasked>
  void keyRun(const pixeli* fg, const pixeli* src, const pixeli* mask, pixeli* out, const fixcoef& record,
              std::ptrdiff_t count) const noexcept;

  Constants constants_;
};

}  // namespace vorl
