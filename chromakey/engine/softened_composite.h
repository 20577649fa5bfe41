// The composite of a softened matte: the keyed frame over the background where the matte edge (blur, inward
// pull, shrink) has changed the keyer's alpha.
//
// The keyer's colours belong to the keyer's own alpha. Blending them with another alpha puts rims around the
// subject: a blurred pixel the keyer left transparent has no colour at all (it darkens the background), and an
// RT keyer's colour already carries (1 − a)·Q for its own alpha a, so with a lower alpha the subject shows
// brighter than itself and with a higher one Q leaks into the background. Here each pixel's subject colour is
// recovered first and then laid over the background with the softened alpha.
#pragma once

#include <cstdint>

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/composite.h"
#include "chromakey/engine/prim_status.h"

namespace vorl {

// Four maps and one plane of w × h pixels: `keyed` with the keyer's alpha a0, `softened` the alpha a1 the
// matte edge made of it (`doDefocusMaskInto`), `reach` the blur's radius. Per pixel, f = a/65535 in single
// precision:
//   a1 = 0              composite = the background pixel, all four channels; matte R = G = B = 0
//   a1 = a0 = 65535     composite = the keyed pixel, all four channels
//   a0 = 0              subject brought in by the blur: F, the subject colour nearby (SubjectColourGrid),
//                       trunc(F·f1 + background·(1 − f1)); the background's colour when no subject is near
//   otherwise           P, the keyer's own share of the pixel: f0·keyed for straight colours; for premultiplied
//                       ones keyed − (1 − f0)·Q per channel, kept within 0..f0·65535 (nothing of Q is left).
//                       Alpha taken away (a1 ≤ a0) keeps the pixel's own colour: trunc(P·f1/f0 + background·
//                       (1 − f1)), for straight colours computed as `doComposite` does with a1. Alpha added moves
//                       the keyer's own composite C0 = P + (1 − f0)·background towards T = f0⁴·P/f0 + (1 − f0⁴)·F
//                       by the share of the pixel's transparency the blur took away:
//                       trunc(C0 + (f1 − f0)/(1 − f0)·(T − C0)).
// Where a1 is 65535 the composite's alpha is 65535; elsewhere it is left as it was. Matte R = G = B = a1; its
// alpha is never written. Rows are split over the engine's workers when there are several; the result does not
// depend on their number.
[[nodiscard]] PrimStatus doSoftenedComposite(const pixeli* keyed, const std::uint16_t* softened,
                                             const pixeli* background, pixeli* composite, pixeli* matteView, int w,
                                             int h, const KeyedColours& colours, int reach) noexcept;

}  // namespace vorl
