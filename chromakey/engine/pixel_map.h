// Owner of one `pixeli` map: the engine's frames and work maps.
//
// A print-sized frame is hundreds of megabytes, and first touching it page by page costs more than keying it. Maps
// of a megabyte or more are therefore taken straight from the system, aligned to 2 MB and marked for huge pages;
// smaller ones come from the ordinary heap. Memory arrives zero-filled either way. Allocation never throws: an
// empty map says it failed.
#pragma once

#include <cstddef>

#include "chromakey/engine/chroma_key_record.h"

namespace vorl {

class PixelMap {
 public:
  PixelMap() noexcept = default;
  // `count` pixels, zero-filled; empty() when they could not be had.
  explicit PixelMap(std::size_t count) noexcept;
  ~PixelMap();
  PixelMap(PixelMap&& other) noexcept;
  PixelMap& operator=(PixelMap&& other) noexcept;
  PixelMap(const PixelMap&) = delete;
  PixelMap& operator=(const PixelMap&) = delete;

  [[nodiscard]] pixeli* data() noexcept { return pixels_; }
  [[nodiscard]] const pixeli* data() const noexcept { return pixels_; }
  [[nodiscard]] std::size_t size() const noexcept { return count_; }
  [[nodiscard]] bool empty() const noexcept { return pixels_ == nullptr; }
  pixeli& operator[](std::size_t i) noexcept { return pixels_[i]; }
  const pixeli& operator[](std::size_t i) const noexcept { return pixels_[i]; }

 private:
  void release() noexcept;

  pixeli* pixels_ = nullptr;
  std::size_t count_ = 0;
  std::size_t mappedBytes_ = 0;  // non-zero when the pixels are a mapping of their own
};

}  // namespace vorl
