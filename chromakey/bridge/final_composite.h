// The junk mask's keep-region, applied after keying: where the photograph's alpha byte (carried ×256 in the
// foreground map) says so, the photograph's own colours replace the composite.
#pragma once

#include <array>

#include "chromakey/engine/chroma_key_record.h"

namespace vorl {

// 256 weights: entry i is i / 255 in single precision (0 and 1 exactly at the ends).
using UInt8ToFloatTable = std::array<float, 256>;
[[nodiscard]] UInt8ToFloatTable initUInt8ToFloatTable() noexcept;

// Per pixel, a = table[foreground alpha byte]: each colour channel is (1 − a)·composite + a·foreground on the 8-bit
// scale (double, then float, then truncated), stored back ×256. Alpha byte 255 gives the foreground's colour
// exactly, 0 the composite's. −1 for a negative size, else 0.
int doFinalComposite(const pixeli* foreground, const pixeli* composite, pixeli* out, long w, long h) noexcept;

// Makes the matte view solid white wherever the foreground's alpha byte is 255 (the keep-region). −1 for a
// negative size, else 0.
int doCompositeTest(const pixeli* foreground, pixeli* matteView, long w, long h) noexcept;

}  // namespace vorl
