// Offscreens to keying maps and back.
//
// An offscreen pixel's bytes lie in memory as alpha, red, green, blue; a map pixel holds each as a 16-bit value
// shifted left by 8 (×256, not ×257: the keys the studio programs trained were made on that scale). Going back
// keeps the top byte of red, green and blue and writes alpha 0, so the output is drawn everywhere.
// Rows are split over the engine's workers; the result does not depend on how many there are.
#pragma once

#include "chromakey/engine/chroma_key_record.h"
#include "imaging/offscreens/offscreen.h"

namespace vorl {

// The map holds offscreen.width() × offscreen.height() pixels, row after row.
void offscreenToMap(const Offscreen& offscreen, pixeli* map) noexcept;
void mapToOffscreen(const pixeli* map, Offscreen& offscreen) noexcept;

}  // namespace vorl
