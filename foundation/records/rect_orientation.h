// Orientation of rectangles: wider than high is landscape; a square counts as portrait.
#pragma once

#include <cstdint>

#include "platform/core/mac_types.h"

namespace vorl {

inline constexpr std::int16_t kLandscape = 1;
inline constexpr std::int16_t kPortrait = 2;

inline bool isLandscape(const Rect& rect) noexcept { return (rect.right - rect.left) > (rect.bottom - rect.top); }

inline std::int16_t getRectOrientation(const Rect& rect) noexcept { return isLandscape(rect) ? kLandscape : kPortrait; }

}  // namespace vorl
