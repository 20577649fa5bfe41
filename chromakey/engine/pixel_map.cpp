#include "chromakey/engine/pixel_map.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <utility>

namespace vorl {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMapThreshold = std::size_t{1} << 20;

}  // namespace

PixelMap::PixelMap(std::size_t count) noexcept {
  if (count == 0 || count > std::numeric_limits<std::size_t>::max() / sizeof(pixeli) - kHugePage) return;
  const std::size_t bytes = count * sizeof(pixeli);
  if (bytes < kMapThreshold) {
    pixels_ = static_cast<pixeli*>(std::calloc(count, sizeof(pixeli)));
    if (pixels_ != nullptr) count_ = count;
    return;
  }
  // Map a huge page more than the rounded-up size and trim both ends, so the pixels start on a huge-page boundary
  // and the whole rounded-up length lies inside the mapping whatever the offset of its start.
  const std::size_t length = (bytes + kHugePage - 1) & ~(kHugePage - 1);
  const std::size_t span = length + kHugePage;
  void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::size_t head = aligned - start;
  if (head > 0) munmap(mapped, head);
  if (span - head > length) munmap(reinterpret_cast<void*>(aligned + length), span - head - length);
  // Only advice: without huge pages the map works the same, page by page.
  static_cast<void>(madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE));
  pixels_ = reinterpret_cast<pixeli*>(aligned);
  count_ = count;
  mappedBytes_ = length;
}

PixelMap::~PixelMap() { release(); }

PixelMap::PixelMap(PixelMap&& other) noexcept
    : pixels_(std::exchange(other.pixels_, nullptr)),
      count_(std::exchange(other.count_, 0)),
      mappedBytes_(std::exchange(other.mappedBytes_, 0)) {}

PixelMap& PixelMap::operator=(PixelMap&& other) noexcept {
  if (this != &other) {
    release();
    pixels_ = std::exchange(other.pixels_, nullptr);
    count_ = std::exchange(other.count_, 0);
    mappedBytes_ = std::exchange(other.mappedBytes_, 0);
  }
  return *this;
}

void PixelMap::release() noexcept {
  if (pixels_ == nullptr) return;
  if (mappedBytes_ != 0)
    munmap(pixels_, mappedBytes_);
  else
    std::free(pixels_);
  pixels_ = nullptr;
  count_ = 0;
  mappedBytes_ = 0;
}

}  // namespace vorl
