// The keyed archives a job file carries in fixed-size buffers: the upload data (4096 bytes), the job dictionary
// (32768 bytes) and the e-mail entry block (4096 bytes). Each buffer holds the archive at its start and the
// archive's length in its last four bytes, as a little-endian signed 32-bit number; a length of 0 or less means
// the buffer holds nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/plists/keyed_archive.h"

namespace vorl {

// The little-endian signed length in the buffer's last four bytes (0 for a buffer too small to hold one).
std::int32_t archiveLengthOf(std::span<const std::uint8_t> buffer) noexcept;

// Whether the stored length fits the bytes before it; a length of 0 or less fits (the buffer is empty).
bool archiveLengthFits(std::span<const std::uint8_t> buffer) noexcept;

// The archive's bytes: empty for an empty buffer, nothing when the length does not fit.
std::optional<std::span<const std::uint8_t>> archiveBytesIn(std::span<const std::uint8_t> buffer) noexcept;

// The decoded archive; nothing when the buffer is empty, its length does not fit or the bytes do not decode.
std::optional<ArchivedValue> decodeArchiveIn(std::span<const std::uint8_t> buffer) noexcept;

}  // namespace vorl
