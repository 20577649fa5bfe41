#include "jobs/reading/job_archives.h"

namespace vorl {

std::int32_t archiveLengthOf(std::span<const std::uint8_t> buffer) noexcept {
  if (buffer.size() < 4) return 0;
  const std::uint8_t* tail = buffer.data() + buffer.size() - 4;
  const std::uint32_t word = std::uint32_t{tail[0]} | (std::uint32_t{tail[1]} << 8) | (std::uint32_t{tail[2]} << 16) |
                             (std::uint32_t{tail[3]} << 24);
  return static_cast<std::int32_t>(word);
}

bool archiveLengthFits(std::span<const std::uint8_t> buffer) noexcept { return archiveBytesIn(buffer).has_value(); }

std::optional<std::span<const std::uint8_t>> archiveBytesIn(std::span<const std::uint8_t> buffer) noexcept {
  const std::int32_t length = archiveLengthOf(buffer);
  if (length <= 0) return std::span<const std::uint8_t>();
  if (static_cast<std::size_t>(length) > buffer.size() - 4) return std::nullopt;
  return buffer.first(static_cast<std::size_t>(length));
}

std::optional<ArchivedValue> decodeArchiveIn(std::span<const std::uint8_t> buffer) noexcept {
  const auto bytes = archiveBytesIn(buffer);
  if (!bytes || bytes->empty()) return std::nullopt;
  return decodeKeyedArchive(*bytes);
}

}  // namespace vorl
