#include "chromakey/engine/engine_workers.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace vorl {
namespace {

std::atomic<int> gNumDuzeviveThreads{1};

}  // namespace

int duzeviveThreadCount() noexcept { return gNumDuzeviveThreads.load(std::memory_order_relaxed); }

void setDuzeviveThreadCount(int count) noexcept {
  gNumDuzeviveThreads.store(std::clamp(count, 1, kMaxDuzeviveThreads), std::memory_order_relaxed);
}

void runBlocks(std::size_t total, int blocks,
               const std::function<void(std::size_t first, std::size_t count)>& body) noexcept {
  const auto blockCount = static_cast<std::size_t>(std::max(blocks, 1));
  const std::size_t size = total / blockCount;
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k + 1 < blockCount; ++k) {
    const std::size_t first = k * size;
    try {
      threads.emplace_back([&body, first, size] { body(first, size); });
    } catch (...) {
      // No thread (or no room to keep one): this block runs here, which gives the same pixels.
      body(first, size);
    }
  }
  const std::size_t last = (blockCount - 1) * size;
  body(last, total - last);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace vorl
