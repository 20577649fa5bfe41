// A job file held in memory, read front to back.
//
// The reader of a job file and the readers of its object lists share one stream. Every read checks the bytes
// left first: a read that would pass the end reads nothing and fails, and the stream stays failed, so a
// truncated file can never make a reader look past its end. Numbers come in the byte orders the file uses: most
// are big-endian, a few (the blur value, the lengths at the end of the archive buffers) little-endian, and
// records are read raw for their own converters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/text/pascal_string.h"

namespace vorl {

class JobFileStream {
 public:
  explicit JobFileStream(std::span<const std::uint8_t> bytes) noexcept : bytes_(bytes) {}

  std::size_t position() const noexcept { return position_; }
  std::size_t remaining() const noexcept { return failed_ ? 0 : bytes_.size() - position_; }
  bool failed() const noexcept { return failed_; }

  // Copies the next `count` bytes as stored.
  [[nodiscard]] bool read(void* destination, std::size_t count) noexcept;
  template <class Record>
  [[nodiscard]] bool readRecord(Record& record) noexcept {
    return read(&record, sizeof record);
  }
  [[nodiscard]] bool skip(std::size_t count) noexcept;
  // The next `count` bytes in place, without copying them; they live as long as the file's bytes.
  [[nodiscard]] bool take(std::size_t count, std::span<const std::uint8_t>& bytes) noexcept;

  [[nodiscard]] bool readBigEndian(std::uint8_t& value) noexcept { return read(&value, 1); }
  [[nodiscard]] bool readBigEndian(std::uint16_t& value) noexcept;
  [[nodiscard]] bool readBigEndian(std::int16_t& value) noexcept;
  [[nodiscard]] bool readBigEndian(std::uint32_t& value) noexcept;
  [[nodiscard]] bool readBigEndian(std::int32_t& value) noexcept;
  [[nodiscard]] bool readBigEndian(float& value) noexcept;
  [[nodiscard]] bool readLittleEndian(float& value) noexcept;

  // A length byte and that many characters. A length byte above the string's capacity fails the read: the
  // field the producer wrote could not have held it.
  template <std::size_t Capacity>
  [[nodiscard]] bool readPascalString(PascalString<Capacity>& text) noexcept {
    std::uint8_t length = 0;
    if (!readBigEndian(length)) return false;
    if (length > Capacity) return fail();
    unsigned char characters[Capacity];
    if (!read(characters, length)) return false;
    text.assign(std::span<const unsigned char>(characters, length));
    return true;
  }

 private:
  bool fail() noexcept {
    failed_ = true;
    return false;
  }
  [[nodiscard]] bool readWord(std::uint32_t& word, std::size_t width, bool bigEndian) noexcept;

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

}  // namespace vorl
