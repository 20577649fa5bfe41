#include "layout/object_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vorl {

void ObjectStreamReader::setPosition(std::size_t position) noexcept {
  position_ = std::min(position, bytes_.size());
  failed_ = false;
}

bool ObjectStreamReader::ReadBytes(void* destination, std::size_t count) noexcept {
  if (count > remaining()) return fail();
  if (count != 0) std::memcpy(destination, bytes_.data() + position_, count);
  position_ += count;
  return true;
}

bool ObjectStreamReader::Skip(std::size_t count) noexcept {
  if (count > remaining()) return fail();
  position_ += count;
  return true;
}

bool ObjectStreamReader::readWord(std::uint32_t& word, std::size_t width, bool bigEndian) noexcept {
  unsigned char bytes[4];
  if (!ReadBytes(bytes, width)) return false;
  word = 0;
  for (std::size_t i = 0; i < width; ++i) {
    const std::size_t shift = bigEndian ? 8 * (width - 1 - i) : 8 * i;
    word |= std::uint32_t{bytes[i]} << shift;
  }
  return true;
}

bool ObjectStreamReader::ReadInteger(std::int16_t& value) noexcept {
  std::uint32_t word = 0;
  if (!readWord(word, 2, order_ == StreamByteOrder::bigEndian)) return false;
  value = static_cast<std::int16_t>(static_cast<std::uint16_t>(word));
  return true;
}

bool ObjectStreamReader::ReadLong(std::int32_t& value) noexcept {
  std::uint32_t word = 0;
  if (!readWord(word, 4, order_ == StreamByteOrder::bigEndian)) return false;
  value = static_cast<std::int32_t>(word);
  return true;
}

bool ObjectStreamReader::ReadBoolean(bool& value) noexcept {
  std::uint8_t byte = 0;
  if (!ReadBytes(&byte, 1)) return false;
  value = byte != 0;
  return true;
}

bool ObjectStreamReader::ReadString(std::string& text, std::size_t maxLength) noexcept {
  std::uint8_t length = 0;
  if (!ReadBytes(&length, 1)) return false;
  if (length > maxLength || length > remaining()) return fail();
  text.assign(reinterpret_cast<const char*>(bytes_.data() + position_), length);
  position_ += length;
  return true;
}

bool ObjectStreamReader::readRaw(std::int16_t& value) noexcept {
  std::uint32_t word = 0;
  if (!readWord(word, 2, false)) return false;
  value = static_cast<std::int16_t>(static_cast<std::uint16_t>(word));
  return true;
}

bool ObjectStreamReader::readRaw(std::uint16_t& value) noexcept {
  std::uint32_t word = 0;
  if (!readWord(word, 2, false)) return false;
  value = static_cast<std::uint16_t>(word);
  return true;
}

bool ObjectStreamReader::readRaw(std::int32_t& value) noexcept {
  std::uint32_t word = 0;
  if (!readWord(word, 4, false)) return false;
  value = static_cast<std::int32_t>(word);
  return true;
}

bool ObjectStreamReader::readRaw(float& value) noexcept {
  std::uint32_t word = 0;
  if (!readWord(word, 4, false)) return false;
  value = std::bit_cast<float>(word);
  return true;
}

bool ObjectStreamReader::readRaw(Rect& rect) noexcept {
  std::int16_t top = 0, left = 0, bottom = 0, right = 0;
  if (!readRaw(top) || !readRaw(left) || !readRaw(bottom) || !readRaw(right)) return false;
  rect.top = top;
  rect.left = left;
  rect.bottom = bottom;
  rect.right = right;
  return true;
}

bool ObjectStreamReader::readRaw(Point& point) noexcept {
  std::int16_t v = 0, h = 0;
  if (!readRaw(v) || !readRaw(h)) return false;
  point.v = v;
  point.h = h;
  return true;
}

bool ObjectStreamReader::readRaw(RGBColor& color) noexcept {
  std::uint16_t red = 0, green = 0, blue = 0;
  if (!readRaw(red) || !readRaw(green) || !readRaw(blue)) return false;
  color.red = red;
  color.green = green;
  color.blue = blue;
  return true;
}

bool ObjectStreamReader::readRaw(FSSpec& spec) noexcept {
  std::int16_t volume = 0;
  std::int32_t folder = 0;
  Str63 name;
  if (!readRaw(volume) || !readRaw(folder) || !readRaw(name)) return false;
  spec.vRefNum = volume;
  spec.parID = folder;
  spec.name = name;
  return true;
}

bool ObjectStreamReader::readRaw(tJunkMaskStructure& mask) noexcept {
  Rect rect;
  std::int32_t word = 0;
  if (!readRaw(rect) || !readRaw(word)) return false;
  mask.rect = rect;
  mask.word8 = word;
  return true;
}

bool ObjectStreamReader::readRaw(tTextInfo& style) noexcept {
  RGBColor color;
  std::int16_t size = 0, font = 0, face = 0, justification = 0;
  if (!readRaw(color) || !readRaw(size) || !readRaw(font) || !readRaw(face) || !readRaw(justification)) return false;
  style.color = color;
  style.size = size;
  style.font = font;
  style.face = face;
  style.justification = justification;
  return true;
}

bool ObjectStreamReader::enterNestedObject() noexcept {
  if (nesting_ >= kMaxStreamedNesting) return fail();
  ++nesting_;
  return true;
}

void ObjectStreamWriter::writeWord(std::uint32_t word, std::size_t width, bool bigEndian) {
  for (std::size_t i = 0; i < width; ++i) {
    const std::size_t shift = bigEndian ? 8 * (width - 1 - i) : 8 * i;
    bytes_.push_back(static_cast<std::uint8_t>(word >> shift));
  }
}

void ObjectStreamWriter::WriteInteger(std::int16_t value) {
  writeWord(static_cast<std::uint16_t>(value), 2, order_ == StreamByteOrder::bigEndian);
}

void ObjectStreamWriter::WriteLong(std::int32_t value) {
  writeWord(static_cast<std::uint32_t>(value), 4, order_ == StreamByteOrder::bigEndian);
}

void ObjectStreamWriter::WriteBoolean(bool value) { bytes_.push_back(value ? 1 : 0); }

void ObjectStreamWriter::WriteString(std::string_view text) {
  const std::size_t length = std::min<std::size_t>(text.size(), 255);
  bytes_.push_back(static_cast<std::uint8_t>(length));
  WriteBytes(text.data(), length);
}

void ObjectStreamWriter::WriteBytes(const void* bytes, std::size_t count) {
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  bytes_.insert(bytes_.end(), first, first + count);
}

void ObjectStreamWriter::writeZeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }

void ObjectStreamWriter::writeRaw(std::int16_t value) { writeWord(static_cast<std::uint16_t>(value), 2, false); }
void ObjectStreamWriter::writeRaw(std::uint16_t value) { writeWord(value, 2, false); }
void ObjectStreamWriter::writeRaw(std::int32_t value) { writeWord(static_cast<std::uint32_t>(value), 4, false); }

void ObjectStreamWriter::writeRaw(const RGBColor& color) {
  writeRaw(color.red.value());
  writeRaw(color.green.value());
  writeRaw(color.blue.value());
}

void ObjectStreamWriter::writeRaw(const FSSpec& spec) {
  writeRaw(spec.vRefNum.value());
  writeRaw(spec.parID.value());
  writeRaw(spec.name);
}

}  // namespace vorl
