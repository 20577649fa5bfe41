// imaging/scaling/: resizing pictures. This entry point runs the scaler over the whole destination, in bands on the
// job pool when it has several threads (the same bytes either way); the streaming scaler takes rows in one at a time
// and keeps a small ring of them; the kernels and their integer weights are shared; cg_drawing draws one picture
// into another with scaling and turning.
//
// Resizing a rectangle of one offscreen into a rectangle of another: the entry point every photograph, thumbnail
// and preview goes through.
#pragma once

#include <cstdint>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

class JobPool;

// Resamples `sourceRect` of `source` into `destRect` of `destination` (port coordinates) with scale type 1
// nearest, 2 linear/box, 3 lanczos2 or 4 lanczos3; all four bytes of a pixel, alpha included, are scaled.
// Each rectangle is first clipped to its own port (so a destination reaching past its offscreen is squeezed into
// what is left). Equal sizes copy. With the process's job pool running on more than one thread the destination
// rows are split into bands over the pool; the bytes are the same either way. On one thread the progress idle
// runs every 50 destination rows. Failures, each after its message: a null offscreen (4106/30); a rectangle
// outside its port after clipping, or empty (4105/33); memory (4105/31). The last argument has no effect.
[[nodiscard]] bool betterResizeGworldToGworld(Offscreen* source, Rect sourceRect, Offscreen* destination, Rect destRect,
                                              std::int16_t scaleType, bool unused);

// The same with an explicit pool and band count (null pool: every band on the calling thread).
[[nodiscard]] bool resizeGWorldBanded(Offscreen* source, Rect sourceRect, Offscreen* destination, Rect destRect,
                                      std::int16_t scaleType, JobPool* pool, int bands);

}  // namespace vorl
