// Splitting a keying stage over worker threads.
//
// The worker count is the engine's `gNumDuzeviveThreads`: 1 unless start-up sets another, read once at the start
// of each stage and never written during a pass. Every stage that splits its work hands disjoint pixel runs or
// row blocks to the workers, which only read the record and the other maps, so the result does not depend on the
// count. No worker calls Qt or anything outside the engine.
#pragma once

#include <cstddef>
#include <functional>

namespace vorl {

inline constexpr int kMaxDuzeviveThreads = 64;

[[nodiscard]] int duzeviveThreadCount() noexcept;
// Clamped to 1..kMaxDuzeviveThreads. Set outside keying passes (at start-up, or by a test or benchmark).
void setDuzeviveThreadCount(int count) noexcept;

// Runs body(first, count) over [0, total) split into `blocks` blocks of total / blocks items each, the last
// taking the rest, one block per thread (the caller's thread takes the last), and returns when all are done.
// A thread that cannot be started has its block run on the caller's thread instead. `body` must not throw.
void runBlocks(std::size_t total, int blocks,
               const std::function<void(std::size_t first, std::size_t count)>& body) noexcept;

}  // namespace vorl
