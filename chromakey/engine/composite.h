// The composite: lays the keyed frame over the background and, in the same sweep, writes a grey view of the
// matte. The keying pass does not bring the background in, so this is where it comes in.
#pragma once

#include <array>
#include <cstdint>

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/prim_status.h"

namespace vorl {

// What the keyed frame's colours are. The surface kernels keep the photograph's colour at every alpha (straight).
// The RT and RTPlus keyers replace the backing's share of a pixel by the replacement colour Q along their spill
// ramp, so an edge pixel comes out as a·F + (1 − a)·Q: a colour already weighted by its alpha. Blending that as
// straight colour would weight the subject by a twice and darken every soft edge.
struct KeyedColours {
  bool premultiplied = false;
  std::array<std::uint16_t, 3> replacement{};  // Q, for premultiplied colours
};

// The colours a keying pass with this record leaves: premultiplied over the record's replacement colour when an
// RT or RTPlus keyer keys it.
[[nodiscard]] KeyedColours keyedColoursOf(const fixcoef& record) noexcept;

// Four maps of w × h pixels. Per pixel, with a = keyed alpha:
//   a = 0      composite = the background pixel, all four channels; matte R = G = B = 0
//   a = 65535  composite = the keyed pixel, all four channels;      matte R = G = B = 65535
//   otherwise  f = a/65535 in single precision; composite R, G, B =
//                straight:       trunc(keyed·f + background·(1 − f))
//                premultiplied:  trunc(keyed + (background − Q)·(1 − f)), clamped to 0..65535
//              its alpha left as it was; matte R = G = B = a
// The matte's alpha is never written. Rows are split over the engine's workers when there are several.
// This reads the keyed colours with the alpha beside them, so it is the composite of a matte as the keyer left
// it; a softened matte goes through `doSoftenedComposite` (softened_composite.h).
[[nodiscard]] PrimStatus doComposite(const pixeli* keyed, const pixeli* background, pixeli* composite,
                                     pixeli* matteView, int w, int h, const KeyedColours& colours = {}) noexcept;

}  // namespace vorl
