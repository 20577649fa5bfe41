// A plane of 16-bit samples for a stage's intermediate results. It lives in a PixelMap's memory (four samples a
// pixel), so that a print-sized plane comes in huge pages, already zero-filled, like the engine's other maps,
// instead of being filled page by page a second time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "chromakey/engine/pixel_map.h"

namespace vorl {

class SamplePlane {
 public:
  // Room for `count` samples (count ≥ 1); false when it could not be had.
  [[nodiscard]] bool allocate(std::size_t count) noexcept {
    map_ = PixelMap((count + 3) / 4);
    return !map_.empty();
  }
  [[nodiscard]] std::uint16_t* data() noexcept { return reinterpret_cast<std::uint16_t*>(map_.data()); }

 private:
  PixelMap map_;
};

}  // namespace vorl
