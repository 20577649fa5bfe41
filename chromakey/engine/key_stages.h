// The keying pass's optional stages: simulated backing, shape masks and grain removal before the kernel, and the
// matte blur (defocus, inward pull, shrink) the bridge runs between keying and composite.
//
// The pass calls them in its fixed order. Each reports a status; a stage that cannot do what the record asks stops
// the pass with that status instead of passing the frame through unchanged.
#pragma once

#include <cstdint>
#include <span>

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/prim_status.h"

namespace vorl {

// One shape of the shape-mask stage: a closed outline of control points with alpha, feather, invert flag and a
// combine rule.
struct DuzeviveShapeImpl;
using DuzeviveShapeList = std::span<const DuzeviveShapeImpl* const>;

// Estimates an unevenly lit backing on a grid of g × g cells (g = density + 1 up to 100, 99 above) and writes into
// `out` the frame with the backing evened out to the record's backing colour (mode 0) or the estimated backing itself
// (mode 1). With a null `out` the grid's cell colours go to `gridOut` (g × g, column by column). Density 0 does
// nothing. A frame under two pixels wide or high, or one without backing at any grid point, comes out as a plain copy
// of `fg`. A negative density or inner radius, a null `fg`, or neither `out` nor `gridOut`: badArguments.
[[nodiscard]] PrimStatus generateSimulatedRender(const pixeli* fg, pixeli* out, int w, int h, int gridDensity,
                                                 int innerRadius, const fixcoef& record, pixeli* gridOut,
                                                 int mode) noexcept;

// Draws the shapes into the mask map's G channel (65535 excludes), over the map's contents or, with `clear`, over
// a cleared map.
[[nodiscard]] PrimStatus renderMaskShape(pixeli* map, int w, int h, DuzeviveShapeList shapes, bool clear) noexcept;

// Blurs R, G and B of the map in place by the record's grain level and sets every alpha to 65535. `margin`
// (left, right, top, bottom; may be null) marks edge columns and rows outside the working region.
[[nodiscard]] PrimStatus remove_grain(pixeli* map, int w, int h, const fixcoef& record, const int* margin) noexcept;

// Blurs the alpha channel of a keyed map in place (radius `defocus`), pulls the matte inwards when `inward` is
// non-zero, and maps alphas up to `shrink`·65535 to 0.
[[nodiscard]] PrimStatus doDefocusMask(pixeli* map, int w, int h, int defocus, int inward, float shrink) noexcept;

// The same matte edge written into `softened` (w × h samples, row by row) instead of over the map's alphas, which
// keep the keyer's own matte: the composite needs both to tell what the edge step added and what it took away.
// The samples equal the alphas `doDefocusMask` would leave.
[[nodiscard]] PrimStatus doDefocusMaskInto(const pixeli* map, std::uint16_t* softened, int w, int h, int defocus,
                                           int inward, float shrink) noexcept;

// False when the matte edge leaves every alpha as the keyer made it (no blur and no shrink).
[[nodiscard]] constexpr bool matteEdgeChangesAlpha(int defocus, float shrink) noexcept {
  return defocus != 0 || shrink != 0.0f;
}

}  // namespace vorl
