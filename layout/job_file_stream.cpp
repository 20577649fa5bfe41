#include "layout/job_file_stream.h"

#include <bit>
#include <cstring>

namespace vorl {

bool JobFileStream::read(void* destination, std::size_t count) noexcept {
  if (failed_ || count > bytes_.size() - position_) return fail();
  if (count > 0) std::memcpy(destination, bytes_.data() + position_, count);
  position_ += count;
  return true;
}

bool JobFileStream::skip(std::size_t count) noexcept {
  if (failed_ || count > bytes_.size() - position_) return fail();
  position_ += count;
  return true;
}

bool JobFileStream::take(std::size_t count, std::span<const std::uint8_t>& bytes) noexcept {
  if (failed_ || count > bytes_.size() - position_) return fail();
  bytes = bytes_.subspan(position_, count);
  position_ += count;
  return true;
}

bool JobFileStream::readWord(std::uint32_t& word, std::size_t width, bool bigEndian) noexcept {
  std::uint8_t bytes[4] = {};
  if (!read(bytes, width)) return false;
  word = 0;
  for (std::size_t i = 0; i < width; ++i) {
    const std::size_t shift = 8 * (bigEndian ? width - 1 - i : i);
    word |= static_cast<std::uint32_t>(bytes[i]) << shift;
  }
  return true;
}

bool JobFileStream::readBigEndian(std::uint16_t& value) noexcept {
  std::uint32_t word = 0;
  if (!readWord(word, 2, true)) return false;
  value = static_cast<std::uint16_t>(word);
  return true;
}

bool JobFileStream::readBigEndian(std::int16_t& value) noexcept {
  std::uint16_t word = 0;
  if (!readBigEndian(word)) return false;
  value = static_cast<std::int16_t>(word);
  return true;
}

bool JobFileStream::readBigEndian(std::uint32_t& value) noexcept { return readWord(value, 4, true); }

bool JobFileStream::readBigEndian(std::int32_t& value) noexcept {
  std::uint32_t word = 0;
  if (!readWord(word, 4, true)) return false;
  value = static_cast<std::int32_t>(word);
  return true;
}

bool JobFileStream::readBigEndian(float& value) noexcept {
  std::uint32_t word = 0;
  if (!readWord(word, 4, true)) return false;
  value = std::bit_cast<float>(word);
  return true;
}

bool JobFileStream::readLittleEndian(float& value) noexcept {
  std::uint32_t word = 0;
  if (!readWord(word, 4, false)) return false;
  value = std::bit_cast<float>(word);
  return true;
}

}  // namespace vorl
