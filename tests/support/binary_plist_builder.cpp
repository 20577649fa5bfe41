#include "tests/support/binary_plist_builder.h"

namespace vorl::test {

BinaryPlistBuilder::Ref BinaryPlistBuilder::add(Bytes object) {
  objects_.push_back(std::move(object));
  return static_cast<Ref>(objects_.size() - 1);
}

// Lengths under 15 sit in the marker's low nibble; longer ones follow as a four-byte integer object.
void BinaryPlistBuilder::appendMarker(Bytes& object, std::uint8_t type, std::size_t length) {
  if (length < 15) {
    object.push_back(static_cast<unsigned char>(type | length));
    return;
  }
  object.push_back(static_cast<unsigned char>(type | 0x0F));
  object.push_back(0x12);
  for (int shift = 24; shift >= 0; shift -= 8) object.push_back(static_cast<unsigned char>(length >> shift));
}

void BinaryPlistBuilder::appendRef(Bytes& object, Ref ref) {
  for (int shift = 24; shift >= 0; shift -= 8) object.push_back(static_cast<unsigned char>(ref >> shift));
}

BinaryPlistBuilder::Ref BinaryPlistBuilder::ascii(std::string_view text) {
  Bytes object;
  appendMarker(object, 0x50, text.size());
  object.insert(object.end(), text.begin(), text.end());
  return add(std::move(object));
}

BinaryPlistBuilder::Ref BinaryPlistBuilder::utf16(std::u16string_view text) {
  Bytes object;
  appendMarker(object, 0x60, text.size());
  for (char16_t unit : text) {
    object.push_back(static_cast<unsigned char>(unit >> 8));
    object.push_back(static_cast<unsigned char>(unit & 0xFF));
  }
  return add(std::move(object));
}

BinaryPlistBuilder::Ref BinaryPlistBuilder::integer(std::uint8_t value) { return add({0x10, value}); }

BinaryPlistBuilder::Ref BinaryPlistBuilder::boolean(bool value) {
  return add({static_cast<unsigned char>(value ? 0x09 : 0x08)});
}

BinaryPlistBuilder::Ref BinaryPlistBuilder::uid(std::uint8_t value) { return add({0x80, value}); }

BinaryPlistBuilder::Ref BinaryPlistBuilder::array(const std::vector<Ref>& items) {
  Bytes object;
  appendMarker(object, 0xA0, items.size());
  for (Ref item : items) appendRef(object, item);
  return add(std::move(object));
}

BinaryPlistBuilder::Ref BinaryPlistBuilder::dictionary(const std::vector<std::pair<Ref, Ref>>& entries) {
  Bytes object;
  appendMarker(object, 0xD0, entries.size());
  for (const auto& entry : entries) appendRef(object, entry.first);
  for (const auto& entry : entries) appendRef(object, entry.second);
  return add(std::move(object));
}

Bytes BinaryPlistBuilder::finish(Ref top) const {
  Bytes file{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
  std::vector<std::uint32_t> offsets;
  for (const Bytes& object : objects_) {
    offsets.push_back(static_cast<std::uint32_t>(file.size()));
    file.insert(file.end(), object.begin(), object.end());
  }
  const std::uint64_t tableStart = file.size();
  for (std::uint32_t offset : offsets) appendRef(file, offset);
  auto append64 = [&](std::uint64_t value) {
    for (int shift = 56; shift >= 0; shift -= 8) file.push_back(static_cast<unsigned char>(value >> shift));
  };
  file.insert(file.end(), 6, 0);
  file.push_back(4);  // offset width
  file.push_back(4);  // reference width
  append64(objects_.size());
  append64(top);
  append64(tableStart);
  return file;
}

}  // namespace vorl::test
