// The keyer base: what the RT and RTPlus keyers share.
//
// A keyer holds only constants derived from a coefficient record; every setting lives in the record. Both keyers
// work in one colour frame built from the backing colour: a luminance axis and, in the chroma plane, the key axis
// (away from the backing's hue) and the cross axis (perpendicular to it). The key distance of a colour,
// key_axis·rgb + backing_chroma in normalised units, is 0 at the backing, backing_chroma for every grey and larger
// beyond grey.
//
// The original's interface has thirty virtual slots; only setting the backing (`set_center_backing`), deriving the
// constants (`translate`) and the pixel procedures are ever called, so only those exist here. A keyer is a
// value owned by whoever keys with it (a keying pass owns its own), so two passes never share one.
#pragma once

#include <array>

#include "chromakey/engine/chroma_key_record.h"

namespace vorl {

// `bw_mode` values: how the backing colour is classed.
inline constexpr int kBackingChromatic = 0;
inline constexpr int kBackingDarkGrey = 1;
inline constexpr int kBackingLightGrey = 2;
inline constexpr int kBackingBlackPassThrough = 3;  // RTPlus only: backing exactly black keys nothing

// The colour frame in normalised units (channels divided by 65535).
struct KeyerFrame {
  float luma_scale = 0;
  float luma_offset = 0;
  std::array<float, 3> cross_axis{};
  std::array<float, 3> key_axis{};
  float backing_chroma = 0;
};

// Opponent coordinates of a normalised colour: u and v in the chroma plane and the chroma length.
struct Chroma {
  float u;
  float v;
  float length;
};
[[nodiscard]] Chroma chromaOf(float r, float g, float b) noexcept;

class DuzeviveBase {
 public:
  virtual ~DuzeviveBase() = default;

  // Stores the backing colour (0..65535 each) in the record and the keyer's default limits for it.
  virtual void set_center_backing(float r, float g, float b, fixcoef& record) noexcept = 0;
  // Derives the keyer's per-pixel constants from the record. Returns 1.
  virtual int translate(const fixcoef& record) noexcept = 0;

  // `set_center_backing` with the record's own backing colour, then `translate`; returns `translate`'s result.
  int initialize(fixcoef& record) noexcept;

  // Classes the record's backing: chromatic when its chroma length exceeds 0.05, else light grey when the
  // normalised green is at least 0.5, dark grey otherwise.
  void regist_bw(const fixcoef& record) noexcept;

  // With `fixed` false, the value itself. With `fixed` true, a saturating 16.16 conversion: sign × (2^28 when
  // |value| > 4096, else |value| × 65536), truncated toward zero; NaN gives −2^31 (the integer indefinite).
  // The keyers ask for it when the difference they divide by is within 1e-7 of zero.
  [[nodiscard]] static float float_to_fix(float value, bool fixed) noexcept;

  [[nodiscard]] int bw_mode() const noexcept { return bw_mode_; }
  [[nodiscard]] const KeyerFrame& frame() const noexcept { return frame_; }

 protected:
  DuzeviveBase() = default;
  DuzeviveBase(const DuzeviveBase&) = default;
  DuzeviveBase& operator=(const DuzeviveBase&) = default;

  // The frame of the record's backing colour; both axes zero when its chroma length is below 1e-5.
  [[nodiscard]] static KeyerFrame chromaticFrame(const fixcoef& record) noexcept;

  int bw_mode_ = kBackingChromatic;
  KeyerFrame frame_;
};

}  // namespace vorl
