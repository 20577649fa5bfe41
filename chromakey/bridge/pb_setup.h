// The adapter between the bridge and the keying engine: one coefficient record (slot 0) with the matte-edge
// settings and the margin beside it, and the engine's pass functions called with them.
//
// The record the bridge keys with is the job's own, with two option bits set here: 0x10 (keep the foreground's
// colours; the background comes in through the composite) and 0x4 exactly when the image has an exclusion mask.
// The shape-mask stage gets no shapes from here: a job file cannot carry any, so a record that asks for the stage
// keys without it.
#pragma once

#include <array>
#include <cstdint>

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/key_pipeline.h"
#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/prim_status.h"

namespace vorl {

class PBSetup {
 public:
  // Defaults for the whole adapter: slot 0 a fresh record, the matte-edge settings and the margin 0.
  PBSetup() noexcept;

  void pb_init() noexcept;
  // A fresh record as the adapter keeps it: defaults, foreground colours kept, replacement colour mid-grey,
  // floating-point kernels.
  static void pb_init(fixcoef& slot) noexcept;
  void set(const fixcoef& record) noexcept { slot0_ = record; }
  // 0, the only form in use, keeps the foreground's colours (option 0x10).
  void pb_spillproc(int spillproc) noexcept;
  // 1 lets the mask map's G channel take part (option 0x4); anything else keeps it out.
  void extmsk(int useMaskMap) noexcept;
  void defocus(int radius) noexcept { defocus_ = radius; }
  void inward_flag(int inward) noexcept { inward_ = inward; }
  void shrink_val(float shrink) noexcept { shrink_ = shrink; }

  // Prepares slot 0 for a pass; false when the engine refuses the record.
  [[nodiscard]] bool translate_begin() noexcept;
  [[nodiscard]] PrimStatus pixelproc(const pixeli* fg, pixeli* keyed, const pixeli* bg, const pixeli* mask, int w,
                                     int h) noexcept;
  // True when the matte-edge settings change the keyer's alpha (a blur or a shrink); `maskpp` and a softened
  // plane are needed only then.
  [[nodiscard]] bool softensMatte() const noexcept { return matteEdgeChangesAlpha(defocus_, shrink_); }
  // The matte edge: blur, inward pull and shrink of the keyed map's alpha, into `softened` (w × h samples); the
  // keyed map keeps the keyer's own alpha beside it.
  [[nodiscard]] PrimStatus maskpp(const pixeli* keyed, std::uint16_t* softened, int w, int h) noexcept;
  // `softened` is what `maskpp` wrote, or null when the matte edge changes nothing.
  [[nodiscard]] PrimStatus composite(const pixeli* keyed, const std::uint16_t* softened, const pixeli* bg,
                                     pixeli* composite, pixeli* matteView, int w, int h) noexcept;
  void translate_finish() noexcept;

  [[nodiscard]] const fixcoef& slot0() const noexcept { return slot0_; }

 private:
  int defocus_ = 0;
  float shrink_ = 0.0f;
  int inward_ = 0;
  std::array<int, 4> margin_{};  // left, right, top, bottom; all 0: the whole frame
  fixcoef slot0_;
  PrimPass pass_;
};

}  // namespace vorl
