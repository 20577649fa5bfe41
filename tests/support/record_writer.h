// Building the bytes of stored records for job-file fixtures, field by field at the offsets of the file layout.
//
// The fixture writer never uses the program's record structs or converters: a record is a zeroed byte buffer and
// each field is put at its offset in the byte order the producing program stores it in (big-endian for the
// fields a converter lists, little-endian for the rest). A mistake in a shared record table or converter then
// shows as a wrong value instead of being mirrored by the fixture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "tests/support/record_bytes.h"

namespace vorl::test {

// A record of fixed size with fields put at offsets.
class RecordBytes {
 public:
  explicit RecordBytes(std::size_t size, std::uint8_t fill = 0) : bytes_(size, fill) {}

  RecordBytes& u8(std::size_t at, std::uint8_t value);
  RecordBytes& be16(std::size_t at, std::uint16_t value);
  RecordBytes& be32(std::size_t at, std::uint32_t value);
  RecordBytes& beFloat(std::size_t at, float value);
  RecordBytes& le16(std::size_t at, std::uint16_t value);
  RecordBytes& le32(std::size_t at, std::uint32_t value);
  RecordBytes& leFloat(std::size_t at, float value);
  // A length byte and the characters (Mac Roman bytes), as a length-prefixed string field holds them. The
  // length byte is the text's size unless given; nothing checks it against the field.
  RecordBytes& pascal(std::size_t at, std::string_view text);
  RecordBytes& pascalWithLength(std::size_t at, std::uint8_t lengthByte, std::string_view text);
  RecordBytes& raw(std::size_t at, std::span<const std::uint8_t> bytes);

  const Bytes& bytes() const noexcept { return bytes_; }
  std::size_t size() const noexcept { return bytes_.size(); }
  operator const Bytes&() const noexcept { return bytes_; }  // NOLINT: a record is its bytes

 private:
  std::uint8_t* at(std::size_t offset, std::size_t width);
  Bytes bytes_;
};

// A growing byte stream, for the blocks of a job file.
class ByteStream {
 public:
  ByteStream& u8(std::uint8_t value);
  ByteStream& be16(std::uint16_t value);
  ByteStream& be32(std::uint32_t value);
  ByteStream& beFloat(float value);
  ByteStream& leFloat(float value);
  ByteStream& append(std::span<const std::uint8_t> bytes);
  ByteStream& zeros(std::size_t count);
  // A length byte and exactly that many characters.
  ByteStream& pascal(std::string_view text);
  ByteStream& pascalWithLength(std::uint8_t lengthByte, std::string_view text);

  std::size_t size() const noexcept { return bytes_.size(); }
  Bytes& bytes() noexcept { return bytes_; }

 private:
  Bytes bytes_;
};

// One number of a stored record, as the converter list of the file layout gives it.
struct LayoutField {
  std::size_t offset;
  int width;       // 2 or 4
  bool converted;  // stored big-endian (listed by the converter) or little-endian (left out)
  bool isFloat;
};

// The layout of one stored record: its size and every number the file layout lists in it.
struct RecordLayout {
  const char* name;
  std::size_t size;
  std::vector<LayoutField> fields;
};

// The printer-block records, the colour-matching record, the print-to-file record and the job information, as
// the byte-order conversion of stored records lists them.
const RecordLayout& colorAdjustInfo2Layout();
const RecordLayout& mediaTypeLayout();
const RecordLayout& kodakLayout();
const RecordLayout& fujiLayout();
const RecordLayout& mitsubishiLayout();
const RecordLayout& mitsubishiMediaLayout();
const RecordLayout& print2FileItemLayout();
const RecordLayout& shinkoLayout();
const RecordLayout& noritsuLayout();
const RecordLayout& olmecLayout();
const RecordLayout& dnpLayout();
const RecordLayout& printToFileRecordLayout();
const RecordLayout& jobInfoLayout();
const RecordLayout& colorSyncLayout();

// The value a fixture puts into a field of the file layout: derived from the offset (and a seed, so two records of
// one kind can differ), with distinct bytes so that a missed or extra byte swap always shows.
std::uint32_t distinctValue(const LayoutField& field, std::uint32_t seed = 0);
// The record with every field of the file layout holding its distinct value, stored as the producer stores it.
Bytes recordWithDistinctFields(const RecordLayout& layout, std::uint32_t seed = 0);
// The field's value in a record that has been converted to host order (bytes as the program holds them).
std::uint32_t hostValueAt(std::span<const std::uint8_t> record, const LayoutField& field);

}  // namespace vorl::test
