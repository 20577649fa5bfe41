// The keying pass: prepare a coefficient record (`primcoef_begin`), key one frame through the fixed order of
// stages (`doPrimProc`), release what was prepared (`primcoef_finish`). The bridge runs the matte blur
// (`doDefocusMask`) and the composite (`doComposite`) between the last two.
//
// Everything a pass needs beyond the record (the chosen kernel and the keyers translated for the record) lives in
// a `PrimPass` the caller owns, not in process-wide state, so passes on different records may run on different
// threads. `primcoef_begin` writes the record's run-time tables; the record must not change while a pass keys
// with it.
//
// Stage order in `doPrimProc`: simulated backing (0x80000) → pass-through (0x100000, ends the pass) → shape mask
// (0x20000) → grain removal (0x4000) → kernel over all pixels. The option word is restored on every way out.
#pragma once

#include <cstddef>
#include <optional>

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/prim_kernels.h"
#include "chromakey/engine/prim_status.h"
#include "chromakey/engine/rt_keyer.h"
#include "chromakey/engine/rtplus_keyer.h"

namespace vorl {

struct PrimPass {
  PrimKernel kernel = nullptr;
  std::optional<DuzeviveRT> rt;          // made when the record asks for the RT keyer
  std::optional<DuzeviveRTPlus> rtPlus;  // made when it asks for RTPlus

  [[nodiscard]] PrimKeyers keyers() const noexcept { return {rt ? &*rt : nullptr, rtPlus ? &*rtPlus : nullptr}; }
};

// Fills the run-time half of `record` and sets `pass` up: tolerances, kernel choice, backing copy, the plane
// tables each surface is tested against, and whichever keyers the options ask for. Returns 1, or 0 for a record
// that fails its plausibility check; such a pass has no kernel, so `doPrimProc` will not run it.
[[nodiscard]] int primcoef_begin(fixcoef& record, PrimPass& pass) noexcept;

// Keys `fg` into `out` (w × h pixels each). `mask` may be null; `bg` and `margin` (left, right, top, bottom;
// may be null) go only to the stages that read them. `shapes` is the shape-mask stage's list; an empty list
// means that stage has nothing to draw and is skipped. Transparent pixels come out as (0, 0, 0, 0). On a
// status other than ok, `out` holds what was written until then and must not be used.
[[nodiscard]] PrimStatus doPrimProc(const pixeli* fg, pixeli* out, const pixeli* bg, const pixeli* mask, int w, int h,
                                    fixcoef& record, const int* margin, const PrimPass& pass,
                                    DuzeviveShapeList shapes = {}) noexcept;

// Runs the pass's kernel over n pixels. Only fg, src and out are required; bg stays here (no kernel reads it).
// Returns 1.
int primproc(const pixeli* fg, const pixeli* bg, const pixeli* src, const pixeli* bgwork, const pixeli* mask,
             pixeli* out, std::ptrdiff_t n, const fixcoef& record, const PrimPass& pass) noexcept;

// Releases the pass's kernel and keyers and clears the record's keyer slot. Returns 1.
int primcoef_finish(fixcoef& record, PrimPass& pass) noexcept;

}  // namespace vorl
