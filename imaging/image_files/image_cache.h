// The one-entry cache of the last decoded image, keyed on the file, the rotation, the six colour values and the
// image size. It lives on the job worker (under the baton) and is emptied at the end of every job.
#pragma once

#include <cstdint>

#include "foundation/records/image_property_records.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/core/mac_types.h"

namespace vorl {

// The cache takes over `gworld` and frees the image it held. Handing over the image already cached keeps it.
void SetCurrentImageGWorldPtr(Offscreen* gworld, const FSSpec& file, float rotation,
                              const myImageColorAdjustInfo& colours, std::int16_t imageSize);
// On a hit the cached image, still owned by the cache (draw from it, do not dispose of it, and do not keep it
// past the next cache call). A hit needs the name bytes (length included), volume, directory, the rotation
// exactly (a NaN never matches), the six colour values and the size. A miss frees the cached image and answers
// null; the key stays, so the same request misses again until the next SetCurrentImageGWorldPtr.
[[nodiscard]] Offscreen* GetCurrentImageGWorldPtr(const FSSpec& file, float rotation,
                                                  const myImageColorAdjustInfo& colours, std::int16_t imageSize);
void DisposeCurrentImageGWorldPtr();

}  // namespace vorl
