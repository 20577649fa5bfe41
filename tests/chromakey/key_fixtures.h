// Records and pixels the keying tests build: keys whose answer is known in closed form.
#pragma once

#include <array>
#include <cstdint>

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/key_defaults.h"

namespace vorl::test {

// A fresh record with spherical surfaces: every direction's inner, middle and outer radius the same. Along a
// mesh direction each triangle plane passes through the radius point, so the key there is exact arithmetic.
inline fixcoef sphericalKey(std::array<float, 3> backing, float inner, float middle, float outer,
                            std::uint32_t options) {
  fixcoef record;
  static_cast<void>(initialize_data(record));
  record.backing = backing;
  record.options = options;
  record.radii[kInnerSurface].fill(inner);
  record.radii[kMiddleSurface].fill(middle);
  record.radii[kOuterSurface].fill(outer);
  return record;
}

inline pixeli px(int r, int g, int b, int a = 0) {
  return {static_cast<std::uint16_t>(r), static_cast<std::uint16_t>(g), static_cast<std::uint16_t>(b),
          static_cast<std::uint16_t>(a)};
}

// Puts the engine's worker count back after a test that changes it.
class WorkerCount {
 public:
  explicit WorkerCount(int count) : saved_(duzeviveThreadCount()) { setDuzeviveThreadCount(count); }
  ~WorkerCount() { setDuzeviveThreadCount(saved_); }
  WorkerCount(const WorkerCount&) = delete;
  WorkerCount& operator=(const WorkerCount&) = delete;

 private:
  int saved_;
};

}  // namespace vorl::test
