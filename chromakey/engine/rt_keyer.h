// The RT keyer (option bit 0x800), which keys by distance along a single colour axis.
//
// Everything follows from the pixel's distance t along the key axis. Two linear ramps of t, clamped to the
// 16-bit range, start at the base factor Fb: alpha reaches full at the key factor Fk, the spill ramp at the
// colour factor Fc. What the spill ramp lacks of full decides how much of (replacement − backing) is added
// to the pixel, swapping the backing's share of it for the replacement colour.
#pragma once

#include <array>
#include <cstddef>

#include "chromakey/engine/keyer_base.h"

namespace vorl {

class DuzeviveRT final : public DuzeviveBase {
 public:
  // The per-pixel constants `translate` derives, on the 16-bit scale.
  struct Constants {
    std::array<float, 3> pp_axis{};  // the key axis
    float pp_offset = 0;             // backing_chroma · 65535
    float spill_gain = 0;
    float spill_offset = 0;
    float alpha_gain = 0;
    float alpha_offset = 0;
  };

  // Backing colour into the record; RT factors base 0.05 and key = colour = the backing's chroma length (grey
  // backings: a luminance-based length).
  void set_center_backing(float r, float g, float b, fixcoef& record) noexcept override;
  int translate(const fixcoef& record) noexcept override;

  // Keys `count` pixels of parallel runs. `src` decides transparency; when it is a different run from `fg`,
  // `fg` is tested as well (with a tolerance of 1.0) and gives the colour. `background` is not read (the pass
  // keeps foreground colours). A count below 1 does nothing.
  void pixelproc(const pixeli* fg, const pixeli* src, const pixeli* background, pixeli* out, const fixcoef& record,
                 std::ptrdiff_t count) const noexcept;
  // The same with an external mask: alpha scaled by (65535 − mask.G)/65535.
  void pixelproc_mask(const pixeli* fg, const pixeli* src, const pixeli* background, const pixeli* mask, pixeli* out,
                      const fixcoef& record, std::ptrdiff_t count) const noexcept;

  [[nodiscard]] const Constants& constants() const noexcept { return constants_; }

 private:
  template <bool kMasked>
  void keyRun(const pixeli* fg, const pixeli* src, const pixeli* mask, pixeli* out, const fixcoef& record,
              std::ptrdiff_t count) const noexcept;

  Constants constants_;
};

}  // namespace vorl
