#include "preferences/preference_stream.h"

#include <cstring>

namespace vorl {

void PreferenceStreamWriter::writeInteger(std::int16_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  bytes_.push_back(static_cast<std::uint8_t>(bits & 0xFF));
  bytes_.push_back(static_cast<std::uint8_t>(bits >> 8));
}

void PreferenceStreamWriter::writeLong(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<std::uint8_t>((bits >> shift) & 0xFF));
}

void PreferenceStreamWriter::writeString(const unsigned char* lengthPrefixed) {
  writeBytes(lengthPrefixed, std::size_t{lengthPrefixed[0]} + 1);
}

void PreferenceStreamWriter::writeBytes(const void* bytes, std::size_t count) {
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  bytes_.insert(bytes_.end(), first, first + count);
}

OSErr PreferenceStreamReader::readInteger(std::int16_t& value) noexcept {
  if (remaining() < 2) return eofErr;
  const std::uint8_t* p = bytes_.data() + position_;
  value = static_cast<std::int16_t>(p[0] | (p[1] << 8));
  position_ += 2;
  return noErr;
}

OSErr PreferenceStreamReader::readLong(std::int32_t& value) noexcept {
  if (remaining() < 4) return eofErr;
  const std::uint8_t* p = bytes_.data() + position_;
  value = static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                    std::uint32_t{p[3]} << 24);
  position_ += 4;
  return noErr;
}

OSErr PreferenceStreamReader::readString(unsigned char* field, std::size_t fieldSize) noexcept {
  if (remaining() < 1) return eofErr;
  const std::size_t length = bytes_[position_];
  if (length + 1 > fieldSize) return paramErr;
  if (remaining() < length + 1) return eofErr;
  std::memcpy(field, bytes_.data() + position_, length + 1);
  std::memset(field + length + 1, 0, fieldSize - length - 1);
  position_ += length + 1;
  return noErr;
}

OSErr PreferenceStreamReader::readBytes(void* destination, std::size_t count) noexcept {
  if (remaining() < count) return eofErr;
  std::memcpy(destination, bytes_.data() + position_, count);
  position_ += count;
  return noErr;
}

}  // namespace vorl
