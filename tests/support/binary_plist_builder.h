// Binary property lists ("bplist00") put together object by object, for what libplist's writer will not make:
// keys holding U+0000 or a zero byte, references out of range, cycles, deep nesting, containers shared many
// times. References and offsets are four bytes wide; an object may refer to one added later.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/record_bytes.h"

namespace vorl::test {

class BinaryPlistBuilder {
 public:
  using Ref = std::uint32_t;

  Ref ascii(std::string_view text);     // one byte per character, as stored
  Ref utf16(std::u16string_view text);  // big-endian code units, as stored
  Ref integer(std::uint8_t value);
  Ref boolean(bool value);
  Ref uid(std::uint8_t value);
  Ref array(const std::vector<Ref>& items);
  Ref dictionary(const std::vector<std::pair<Ref, Ref>>& entries);
  // The next object's reference, for an object that refers ahead (or to itself).
  Ref next() const noexcept { return static_cast<Ref>(objects_.size()); }

  Bytes finish(Ref top) const;

 private:
  Ref add(Bytes object);
  static void appendMarker(Bytes& object, std::uint8_t type, std::size_t length);
  static void appendRef(Bytes& object, Ref ref);

  std::vector<Bytes> objects_;
};

}  // namespace vorl::test
