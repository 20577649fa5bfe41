// The matte blur's passes over a padded work area, beside `doDefocusMask` (key_stages.h).
//
// The work area is W × H pixels, W = w + 2r and H = h + 2r, with the w × h frame at row r, column r and its edge
// pixels repeated outwards (corners included). `doDefocusMask` gets the same result without building the area:
// with every pad filled from the nearest frame pixel, the two passes over the area are one edge-clamped pass
// along the frame's rows and one along its columns.
#pragma once

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/exponential_window.h"
#include "chromakey/engine/prim_status.h"

namespace vorl {

// One pass of the window of radius r (1 ≤ r ≤ kMaxDefocus) over the A channel of the area, in place: along each
// of the H rows, writing columns r .. W − 1 (X), or along each of the W columns, writing rows 0 .. r + h − 1 (Y).
// They return at once, touching nothing, when w or h is 0.
[[nodiscard]] PrimStatus doDefocusMaskX(pixeli* area, int w, int h, int W, int H, int r) noexcept;
[[nodiscard]] PrimStatus doDefocusMaskY(pixeli* area, int w, int h, int W, int H, int r) noexcept;

}  // namespace vorl
