// The byte streams the preference records are stored as: 16- and 32-bit integers little-endian, strings as a
// length byte and that many characters, raw bytes as they are. The layout of each record's stream lives in
// preference_stream_layouts.h; this file only knows how to put one field at a time into and out of bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/core/os_errors.h"

namespace vorl {

class PreferenceStreamWriter {
 public:
  void writeInteger(std::int16_t value);
  void writeLong(std::int32_t value);
  // Writes the length byte and that many characters: length + 1 bytes.
  void writeString(const unsigned char* lengthPrefixed);
  void writeBytes(const void* bytes, std::size_t count);

  const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Reads from a borrowed span. Every read either succeeds whole or fails and leaves the destination untouched:
// eofErr when the bytes run out, paramErr when a string's length byte does not fit its field.
class PreferenceStreamReader {
 public:
  explicit PreferenceStreamReader(std::span<const std::uint8_t> bytes) noexcept : bytes_(bytes) {}

  [[nodiscard]] OSErr readInteger(std::int16_t& value) noexcept;
  [[nodiscard]] OSErr readLong(std::int32_t& value) noexcept;
  // `fieldSize` counts the length byte. The field's bytes after the string are cleared.
  [[nodiscard]] OSErr readString(unsigned char* field, std::size_t fieldSize) noexcept;
  [[nodiscard]] OSErr readBytes(void* destination, std::size_t count) noexcept;

  std::size_t position() const noexcept { return position_; }

 private:
  std::size_t remaining() const noexcept { return bytes_.size() - position_; }

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

}  // namespace vorl
