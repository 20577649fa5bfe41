// The page side's one road into the keying engine.
//
// A keyed photo arrives as three 32-bit offscreens of one size: the photograph, the background that is to show
// through and the output. The bridge keys the photograph with the image's settings record and matte-edge
// settings, composites it over the background into the output and, with `makeMask`, puts the matte into the
// output's alpha (the keying convention: 255 = foreground, 0 = background shows).
//
// With `junkInForegroundAlpha` the photograph's alpha byte carries the junk mask's keep-region: where it is 255
// the output keeps the photograph's own colours and the matte is white.
//
// The image's exclusion mask, if its file has one, is drawn at scale 2 into an offscreen of `exclusionFrame`'s
// size, copied from `exclusionSource` to `exclusionDestination` (moved to the origin), turned by `rotation` and
// excludes the white areas from keying.
//
// The photograph and background offscreens are taken over and released on every path. The output stays the
// caller's. False, with a message, when the key could not be made: memory, offscreens of different sizes, a
// record the engine refuses or a stage that failed. The output's pixels are then unspecified.
#pragma once

#include <cstdint>

#include "chromakey/bridge/matte_edge_settings.h"
#include "chromakey/engine/chroma_key_record.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/core/mac_types.h"

namespace vorl {

[[nodiscard]] bool doNewChromaKeyingEx(OffscreenPtr foreground, OffscreenPtr background, Offscreen* output,
                                       const tChromaKeySettings* settings, const MatteEdgeSettings& matteEdge,
                                       bool makeMask, bool junkInForegroundAlpha, Offscreen* exclusionFrame,
                                       CRect_AC exclusionSource, CRect_AC exclusionDestination, std::int16_t rotation,
                                       const FSSpec& imageFile);

}  // namespace vorl
