// Which fields of each preference record go into its stored stream, in stream order. Fields are named by their
// byte offset in the record, so the tables read like the record layouts; fields not listed (folder names of the
// print-server record, the set's folder bytes after +140) are not stored and keep what they hold.
#pragma once

#include <cstdint>
#include <span>

#include "platform/core/os_errors.h"
#include "preferences/preference_records.h"
#include "preferences/preference_stream.h"

namespace vorl {

enum class StreamFieldKind : std::uint8_t { Integer, Long, String, Bytes };

struct StreamField {
  StreamFieldKind kind;
  std::uint16_t offset;
  std::uint16_t size;  // strings: the field's size with its length byte; raw bytes: the count
};

std::span<const StreamField> printServerStreamLayout() noexcept;
std::span<const StreamField> printToFileSetStreamLayout() noexcept;
std::span<const StreamField> webUploadStreamLayout() noexcept;
std::span<const StreamField> processedJobsStreamLayout() noexcept;
std::span<const StreamField> outputFilesStreamLayout() noexcept;

// Writes the listed fields of `record` in order.
void writeRecordToStream(std::span<const StreamField> layout, const void* record, PreferenceStreamWriter& stream);
// Reads the listed fields into `record` in order and stops at the first failure; the fields read before it keep
// their new values and the rest keep what they held.
[[nodiscard]] OSErr readRecordFromStream(std::span<const StreamField> layout, void* record,
                                         PreferenceStreamReader& stream) noexcept;

}  // namespace vorl
