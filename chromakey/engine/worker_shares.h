// Splitting a stage into one contiguous share per worker, for stages whose workers each need scratch memory of
// their own: the share index says which scratch a worker uses, and all scratch is had before any pixel changes.
#pragma once

#include <algorithm>
#include <cstddef>

#include "chromakey/engine/engine_workers.h"

namespace vorl {

// How many shares `items` units of work are worth splitting into: no more than the worker count, no more than
// the units, at least 1.
[[nodiscard]] inline int shareCount(std::size_t items) noexcept {
  const auto workers = static_cast<std::size_t>(std::max(duzeviveThreadCount(), 1));
  return static_cast<int>(std::max<std::size_t>(std::min(workers, items), 1));
}

// Runs body(share, first, end) for share = 0 .. shares − 1, share k taking units [total·k/shares,
// total·(k+1)/shares), one share a thread, and returns when all are done. `body` must not throw.
template <typename Body>
void runShares(std::size_t total, int shares, const Body& body) noexcept {
  const auto count = static_cast<std::size_t>(std::max(shares, 1));
  runBlocks(count, static_cast<int>(count), [&](std::size_t share, std::size_t) {
    body(share, total * share / count, total * (share + 1) / count);
  });
}

}  // namespace vorl
