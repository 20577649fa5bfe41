#include "imaging/offscreens/memory_budget.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "foundation/services/messages.h"

namespace vorl {
namespace {

std::atomic<std::uint64_t> gBudget{kDefaultJobMemoryBudget};
std::atomic<std::int64_t> gRefusals{0};

constexpr double kMiB = 1024.0 * 1024.0;

}  // namespace

std::uint64_t jobMemoryBudget() noexcept { return gBudget.load(std::memory_order_relaxed); }

void setJobMemoryBudget(std::uint64_t bytes) noexcept {
  gBudget.store(bytes == 0 ? kDefaultJobMemoryBudget : bytes, std::memory_order_relaxed);
}

bool fitsJobMemoryBudget(std::uint64_t bytes, std::int64_t width, std::int64_t height, std::string_view what,
                         std::string_view name) {
  const std::uint64_t budget = jobMemoryBudget();
  if (bytes <= budget) return true;
  gRefusals.fetch_add(1, std::memory_order_relaxed);
  char text[512];
  std::snprintf(text, sizeof text,
                "The %.*s \"%.*s\" is %lld x %lld pixels: it needs %.1f MiB, more than the %.1f MiB one job may "
                "take. It is not drawn.",
                static_cast<int>(what.size()), what.data(), static_cast<int>(name.size()), name.data(),
                static_cast<long long>(width), static_cast<long long>(height), static_cast<double>(bytes) / kMiB,
                static_cast<double>(budget) / kMiB);
  DisplayNormalMessage(text);
  return false;
}

std::int64_t jobMemoryRefusals() noexcept { return gRefusals.load(std::memory_order_relaxed); }

}  // namespace vorl
