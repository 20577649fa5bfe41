// The memory one job may take. A page or a picture whose pixels would pass it is refused before its memory is
// taken, with a message naming the file and its size, so that one bad or oversized file cannot push the machine
// into swap or out of memory beside the other programs of the studio.
#pragma once

#include <cstdint>
#include <string_view>

namespace vorl {

// 2 GiB: a 40 x 60 inch poster page at 300 dpi (about 824 MiB) fits with its photo beside it.
inline constexpr std::uint64_t kDefaultJobMemoryBudget = std::uint64_t{2} << 30;

// The budget in bytes; the default until start-up (or a job) sets another.
[[nodiscard]] std::uint64_t jobMemoryBudget() noexcept;
// 0 restores the default.
void setJobMemoryBudget(std::uint64_t bytes) noexcept;

// Whether a picture or page of width × height pixels taking `bytes` fits the budget. When it does not, the
// operator is told (`what` and `name` say what was refused: "picture", "IMG_1.jpg") and the refusal is counted.
[[nodiscard]] bool fitsJobMemoryBudget(std::uint64_t bytes, std::int64_t width, std::int64_t height,
                                       std::string_view what, std::string_view name);

// How many refusals there have been in this process: a caller compares the count before and after a step to
// tell a refusal for memory from a file that could not be read.
[[nodiscard]] std::int64_t jobMemoryRefusals() noexcept;

}  // namespace vorl
