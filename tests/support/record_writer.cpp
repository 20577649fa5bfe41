#include "tests/support/record_writer.h"

#include <bit>
#include <cstring>
#include <stdexcept>

namespace vorl::test {
namespace {

void putBigEndian(std::uint8_t* p, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
}

void putLittleEndian(std::uint8_t* p, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Adds `count` numbers of one width and order, `step` bytes apart, from `first`.
void addRun(std::vector<LayoutField>& fields, std::size_t first, std::size_t count, int width, bool converted,
            bool isFloat = false, std::size_t step = 0) {
  if (step == 0) step = static_cast<std::size_t>(width);
  for (std::size_t i = 0; i < count; ++i) fields.push_back({first + i * step, width, converted, isFloat});
}

// Ten value records of three 32-bit words (the colour-adjustment values), all converted.
void addValueRecords(std::vector<LayoutField>& fields, std::size_t first, std::size_t count) {
  addRun(fields, first, count * 3, 4, true);
}

// The ten colour floats of a per-image colour correction.
void addCocoaFloats(std::vector<LayoutField>& fields, std::size_t first, bool converted) {
  addRun(fields, first, 10, 4, converted, true);
}

// myUpdColorAdjustInfo at `first`: ten value records, then the lamination switch at 120.
void addUpdColorAdjust(std::vector<LayoutField>& fields, std::size_t first) {
  addValueRecords(fields, first, 10);
  fields.push_back({first + 120, 2, true, false});
}

}  // namespace

std::uint8_t* RecordBytes::at(std::size_t offset, std::size_t width) {
  if (offset + width > bytes_.size()) throw std::out_of_range("field outside the record");
  return bytes_.data() + offset;
}

RecordBytes& RecordBytes::u8(std::size_t offset, std::uint8_t value) {
  *at(offset, 1) = value;
  return *this;
}
RecordBytes& RecordBytes::be16(std::size_t offset, std::uint16_t value) {
  putBigEndian(at(offset, 2), value, 2);
  return *this;
}
RecordBytes& RecordBytes::be32(std::size_t offset, std::uint32_t value) {
  putBigEndian(at(offset, 4), value, 4);
  return *this;
}
RecordBytes& RecordBytes::beFloat(std::size_t offset, float value) {
  return be32(offset, std::bit_cast<std::uint32_t>(value));
}
RecordBytes& RecordBytes::le16(std::size_t offset, std::uint16_t value) {
  putLittleEndian(at(offset, 2), value, 2);
  return *this;
}
RecordBytes& RecordBytes::le32(std::size_t offset, std::uint32_t value) {
  putLittleEndian(at(offset, 4), value, 4);
  return *this;
}
RecordBytes& RecordBytes::leFloat(std::size_t offset, float value) {
  return le32(offset, std::bit_cast<std::uint32_t>(value));
}
RecordBytes& RecordBytes::pascal(std::size_t offset, std::string_view text) {
  return pascalWithLength(offset, static_cast<std::uint8_t>(text.size()), text);
}
RecordBytes& RecordBytes::pascalWithLength(std::size_t offset, std::uint8_t lengthByte, std::string_view text) {
  std::uint8_t* p = at(offset, 1 + text.size());
  p[0] = lengthByte;
  std::memcpy(p + 1, text.data(), text.size());
  return *this;
}
RecordBytes& RecordBytes::raw(std::size_t offset, std::span<const std::uint8_t> bytes) {
  if (!bytes.empty()) std::memcpy(at(offset, bytes.size()), bytes.data(), bytes.size());
  return *this;
}

ByteStream& ByteStream::u8(std::uint8_t value) {
  bytes_.push_back(value);
  return *this;
}
ByteStream& ByteStream::be16(std::uint16_t value) {
  const std::size_t at = bytes_.size();
  bytes_.resize(at + 2);
  putBigEndian(bytes_.data() + at, value, 2);
  return *this;
}
ByteStream& ByteStream::be32(std::uint32_t value) {
  const std::size_t at = bytes_.size();
  bytes_.resize(at + 4);
  putBigEndian(bytes_.data() + at, value, 4);
  return *this;
}
ByteStream& ByteStream::beFloat(float value) { return be32(std::bit_cast<std::uint32_t>(value)); }
ByteStream& ByteStream::leFloat(float value) {
  const std::size_t at = bytes_.size();
  bytes_.resize(at + 4);
  putLittleEndian(bytes_.data() + at, std::bit_cast<std::uint32_t>(value), 4);
  return *this;
}
ByteStream& ByteStream::append(std::span<const std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}
ByteStream& ByteStream::zeros(std::size_t count) {
  bytes_.resize(bytes_.size() + count, 0);
  return *this;
}
ByteStream& ByteStream::pascal(std::string_view text) {
  return pascalWithLength(static_cast<std::uint8_t>(text.size()), text);
}
ByteStream& ByteStream::pascalWithLength(std::uint8_t lengthByte, std::string_view text) {
  bytes_.push_back(lengthByte);
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return *this;
}

const RecordLayout& colorAdjustInfo2Layout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"myUpdColorAdjustInfo2", 1224, {}};
    addRun(r.fields, 0, 2, 2, true);
    addValueRecords(r.fields, 4, 10);
    r.fields.push_back({124, 2, true, false});
    addCocoaFloats(r.fields, 126, true);
    addRun(r.fields, 1174, 25, 2, false);  // the tail no converter lists
    return r;
  }();
  return layout;
}

const RecordLayout& mediaTypeLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"tMediaTypePref", 134, {}};
    addRun(r.fields, 0, 8, 2, true);
    addRun(r.fields, 16, 4, 2, false);
    return r;
  }();
  return layout;
}

const RecordLayout& kodakLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"KodakSettings", 32, {}};
    for (std::size_t offset = 0; offset < 32; offset += 2) {
      const bool converted = offset != 18 && offset != 24 && offset != 26;
      r.fields.push_back({offset, 2, converted, false});
    }
    return r;
  }();
  return layout;
}

const RecordLayout& fujiLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"myFujiColorAdjustInfo", 282, {}};
    addRun(r.fields, 0, 3, 2, true);
    addValueRecords(r.fields, 6, 12);
    addRun(r.fields, 150, 2, 2, true);
    addRun(r.fields, 154, 4, 2, false);
    return r;
  }();
  return layout;
}

const RecordLayout& mitsubishiLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"tMitsubishiSettings", 10296, {}};
    addRun(r.fields, 0, 7, 2, true);
    r.fields.push_back({14, 2, false, false});
    addRun(r.fields, 16, 9, 4, true);
    addRun(r.fields, 52, 3, 2, true);
    addUpdColorAdjust(r.fields, 58);
    addRun(r.fields, 180, 3, 2, true);
    addCocoaFloats(r.fields, 186, false);  // the converter leaves the colour floats as stored
    return r;
  }();
  return layout;
}

const RecordLayout& mitsubishiMediaLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"tMitsubishiMediaPref", 148, {}};
    addRun(r.fields, 0, 10, 2, true);
    addRun(r.fields, 20, 2, 2, false);
    return r;
  }();
  return layout;
}

const RecordLayout& print2FileItemLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"tPrint2FileItem", 130, {}};
    // The set number at 0 stays 1..8 so a print-to-file job names a real set; the writer sets it itself.
    addRun(r.fields, 2, 2, 2, true);
    addRun(r.fields, 6, 3, 2, false);
    return r;
  }();
  return layout;
}

const RecordLayout& shinkoLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"tShinkoPrinterSettings", 380, {}};
    addUpdColorAdjust(r.fields, 0);
    r.fields.push_back({122, 2, true, false});
    r.fields.push_back({124, 2, false, false});  // the matte level is not converted
    return r;
  }();
  return layout;
}

const RecordLayout& noritsuLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"tNoritsuPrinterSettings", 634, {}};
    addUpdColorAdjust(r.fields, 0);
    addRun(r.fields, 122, 3, 2, false);
    return r;
  }();
  return layout;
}

const RecordLayout& olmecLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r = noritsuLayout();
    r.name = "tOlmecOP800PrinterSettings";
    return r;
  }();
  return layout;
}

const RecordLayout& dnpLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"tDNPPrinterSettings", 1308, {}};
    addRun(r.fields, 0, 2, 2, true);
    addCocoaFloats(r.fields, 4, true);
    r.fields.push_back({1052, 2, true, false});
    addRun(r.fields, 1054, 2, 2, false);
    return r;
  }();
  return layout;
}

const RecordLayout& printToFileRecordLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"tSpecialPrintToFilePref", 982, {}};
    // The folder part: volume at 0, directory at 2, three words at 102..106.
    r.fields.push_back({0, 2, true, false});
    r.fields.push_back({2, 4, true, false});
    addRun(r.fields, 102, 3, 2, true);
    // 362 (whether the record structs follow) is left to the job writer.
    addRun(r.fields, 396, 4, 2, true);
    addRun(r.fields, 500, 7, 2, true);
    r.fields.push_back({554, 2, true, false});
    addRun(r.fields, 684, 6, 2, false);
    addRun(r.fields, 952, 3, 2, false);
    addRun(r.fields, 958, 6, 4, false);
    return r;
  }();
  return layout;
}

const RecordLayout& jobInfoLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"tJobInfo", 76, {}};
    r.fields.push_back({64, 2, true, false});
    r.fields.push_back({66, 4, true, true});
    addRun(r.fields, 70, 3, 2, true);
    return r;
  }();
  return layout;
}

const RecordLayout& colorSyncLayout() {
  static const RecordLayout layout = [] {
    RecordLayout r{"tColorSyncPrefs", 47550, {}};
    r.fields.push_back({0, 2, true, false});
    for (std::size_t spec : {2u, 72u, 142u}) {
      r.fields.push_back({spec, 2, true, false});
      r.fields.push_back({spec + 2, 4, true, false});
    }
    for (std::size_t printer = 0; printer < 100; ++printer) {
      const std::size_t base = 212 + 202 * printer;
      addRun(r.fields, base, 3, 2, true);
      r.fields.push_back({base + 6, 4, true, false});
      r.fields.push_back({base + 74, 2, true, false});
    }
    // 46524 (apply embedded profiles) is left to the job writer.
    r.fields.push_back({46526, 2, true, false});
    addRun(r.fields, 46528, 2, 2, false);
    return r;
  }();
  return layout;
}

std::uint32_t distinctValue(const LayoutField& field, std::uint32_t seed) {
  const auto offset = static_cast<std::uint32_t>(field.offset);
  if (field.isFloat) return std::bit_cast<std::uint32_t>(static_cast<float>(offset + seed) + 0.25f);
  if (field.width == 2) {
    // The high byte has its top bit set and the low byte never does, so the two bytes always differ.
    const std::uint32_t mixed = offset + seed * 7u;
    return 0x8000u | ((mixed >> 7) & 0x3Fu) << 8 | (mixed & 0x7Fu);
  }
  return 0x11223300u + offset + (seed << 16);
}

Bytes recordWithDistinctFields(const RecordLayout& layout, std::uint32_t seed) {
  RecordBytes record(layout.size);
  for (const LayoutField& field : layout.fields) {
    const std::uint32_t value = distinctValue(field, seed);
    if (field.width == 2)
      field.converted ? record.be16(field.offset, static_cast<std::uint16_t>(value))
                      : record.le16(field.offset, static_cast<std::uint16_t>(value));
    else
      field.converted ? record.be32(field.offset, value) : record.le32(field.offset, value);
  }
  return record.bytes();
}

std::uint32_t hostValueAt(std::span<const std::uint8_t> record, const LayoutField& field) {
  if (field.offset + static_cast<std::size_t>(field.width) > record.size()) throw std::out_of_range("field");
  if (field.width == 2) {
    std::uint16_t value = 0;
    std::memcpy(&value, record.data() + field.offset, 2);
    return value;
  }
  std::uint32_t value = 0;
  std::memcpy(&value, record.data() + field.offset, 4);
  return value;
}

}  // namespace vorl::test
