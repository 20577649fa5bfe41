// The composite: lays the keyed frame over the background and, in the same sweep, writes a grey view of the
// matte. The keying pass keeps the foreground's colours (no replacement), so this is where the background comes
// in.
#pragma once

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/prim_status.h"

namespace vorl {

// Four maps of w × h pixels. Per pixel, with a = keyed alpha:
//   a = 0      composite = the background pixel, all four channels; matte R = G = B = 0
//   a = 65535  composite = the keyed pixel, all four channels;      matte R = G = B = 65535
//   otherwise  composite R, G, B = trunc(keyed·f + background·(1 − f)), f = a/65535 in single precision, its
//              alpha left as it was; matte R = G = B = a
// The matte's alpha is never written. Rows are split over the engine's workers when there are several.
[[nodiscard]] PrimStatus doComposite(const pixeli* keyed, const pixeli* background, pixeli* composite,
                                     pixeli* matteView, int w, int h) noexcept;

}  // namespace vorl
