// How the edge of a keyed image's matte is finished: blurred by `defocus` pixels (0..50), pulled inwards when
// `inward` is non-zero, and alphas up to `shrink` × 65535 (0..1) made transparent. Each keyed image carries its
// own; the image object hands them to the bridge for its keying call.
#pragma once

#include <cstdint>

namespace vorl {

struct MatteEdgeSettings {
  std::int16_t defocus = 0;
  std::int16_t inward = 0;
  float shrink = 0.0f;
};

inline constexpr std::int16_t kMaxDefocus = 50;

}  // namespace vorl
