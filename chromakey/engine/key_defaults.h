// The defaults of a fresh coefficient record.
#pragma once

#include "chromakey/engine/chroma_key_record.h"

namespace vorl {

// Sets every stored field to its default except the settings block at 10600 (backing black, options 0, word 20 =
// 5, radii 0, RT and RTPlus factors for a black backing, grid density 12, simulated inner radius 2550) and clears
// the keyer and shape-list slots, the grain level and the tolerance amount. The run-time tables and the two
// byte blocks are left as they are. The keyers that set the factors are made for the call and dropped; no
// process-wide keyer is touched. Returns the RT keyer's `initialize` result (1).
int init_KEYp(fixcoef& record) noexcept;

// `init_KEYp`, then the settings block's defaults.
int initialize_data(fixcoef& record) noexcept;

}  // namespace vorl
