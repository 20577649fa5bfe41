// The offscreens a job draws into: the page and the sub-job picture, each sized from inches and the job's
// resolution.
#pragma once

#include <cstdint>
#include <optional>

#include "imaging/offscreens/offscreen.h"
#include "platform/core/mac_types.h"

namespace vorl {

// The rectangle (0, 0, height, width) of a page of the given size: each side the product of inches and
// resolution in single precision, truncated toward zero. None when a side is not a number, below one pixel or
// past the 32767 pixels a rectangle side can hold, where the 16-bit side would have wrapped round.
[[nodiscard]] std::optional<Rect> jobPageRectangle(float widthInches, float heightInches,
                                                   std::int16_t resolution) noexcept;

// A white offscreen (alpha 0) on that rectangle, protected and locked. Null when the size is refused (the
// operator is told the size, with `what` naming the page), when it would pass the job's memory budget (told the
// same way) or the memory cannot be had (myNewGWorld tells).
[[nodiscard]] OffscreenPtr newJobOffscreen(float widthInches, float heightInches, std::int16_t resolution,
                                           const char* what);

}  // namespace vorl
