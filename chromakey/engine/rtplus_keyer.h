// The RTPlus keyer (option bit 0x1000): the RT key with limits that vary across the plane perpendicular to the
// key direction.
//
// The record holds seven limit triples (base, key, colour): T0 at the backing, T1..T6 at the corners of a
// hexagon around it. In the kernel's plane (units of 65535) the corners lie at T1 (2, 0), T2 (1, 2), T3 (−1, 2),
// T4 (−2, 0), T5 (−1, −2), T6 (1, −2). A pixel takes limits interpolated over the hexagon triangle (sector) it
// falls in; `translate` precomputes per-sector coefficients so that the limit surfaces pass exactly through the
// three triples of each sector. With seven equal triples the key is the RT key.
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
