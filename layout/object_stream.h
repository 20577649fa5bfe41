// The framework's object stream, in which the page objects have an older streamed form besides the descriptors of
// the job files (nothing on the job road uses it).
//
// The typed reads and writes (`ReadInteger`: 16 bits, `ReadLong`: 32 bits, `ReadBoolean`: one byte, non-zero
// true) follow the stream's byte order: big-endian on the framework's plain stream, little-endian behind its
// little-endian filter. The raw reads copy a field as the producer held it in memory, so their numbers are in the
// producer's order, which is little-endian whatever the stream's order. Every read checks the bytes left first; a
// read past the end, or a length byte larger than its field, fails and leaves the stream failed, so a short or
// garbled stream can never make a reader look past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "foundation/records/job_records.h"
#include "platform/core/mac_types.h"
#include "platform/text/pascal_string.h"

namespace vorl {

enum class StreamByteOrder { bigEndian, littleEndian };

// The longest class name the object reader accepts.
inline constexpr std::size_t kMaxStreamedClassName = 63;
// How deeply objects may hold objects (nodes in nodes) in one stream.
inline constexpr int kMaxStreamedNesting = 8;

class ObjectStreamReader {
 public:
  ObjectStreamReader(std::span<const std::uint8_t> bytes, StreamByteOrder order) noexcept
      : bytes_(bytes), order_(order) {}

  std::size_t position() const noexcept { return position_; }
  std::size_t remaining() const noexcept { return failed_ ? 0 : bytes_.size() - position_; }
  bool failed() const noexcept { return failed_; }
  // Goes back (or on) to a position noted before, and forgets a failure since.
  void setPosition(std::size_t position) noexcept;

  [[nodiscard]] bool ReadInteger(std::int16_t& value) noexcept;
  [[nodiscard]] bool ReadLong(std::int32_t& value) noexcept;
  [[nodiscard]] bool ReadBoolean(bool& value) noexcept;
  // A length byte and that many characters; fails when the length exceeds `maxLength`.
  [[nodiscard]] bool ReadString(std::string& text, std::size_t maxLength) noexcept;
  [[nodiscard]] bool ReadBytes(void* destination, std::size_t count) noexcept;
  [[nodiscard]] bool Skip(std::size_t count) noexcept;

  // Fields copied as the producer held them in memory.
  [[nodiscard]] bool readRaw(std::int16_t& value) noexcept;
  [[nodiscard]] bool readRaw(std::uint16_t& value) noexcept;
  [[nodiscard]] bool readRaw(std::int32_t& value) noexcept;
  [[nodiscard]] bool readRaw(float& value) noexcept;
  [[nodiscard]] bool readRaw(Rect& rect) noexcept;
  [[nodiscard]] bool readRaw(Point& point) noexcept;
  [[nodiscard]] bool readRaw(RGBColor& color) noexcept;
  [[nodiscard]] bool readRaw(FSSpec& spec) noexcept;  // 70 bytes
  [[nodiscard]] bool readRaw(tJunkMaskStructure& mask) noexcept;
  [[nodiscard]] bool readRaw(tTextInfo& style) noexcept;
  // The whole field, length byte and buffer; fails when the length byte exceeds the buffer.
  template <std::size_t Capacity>
  [[nodiscard]] bool readRaw(PascalString<Capacity>& text) noexcept {
    PascalString<Capacity> read;
    if (!ReadBytes(read.raw(), Capacity + 1)) return false;
    if (!read.lengthFits()) return fail();
    text = read;
    return true;
  }

  // Counts the objects being read inside one another; false past kMaxStreamedNesting.
  [[nodiscard]] bool enterNestedObject() noexcept;
  void leaveNestedObject() noexcept { --nesting_; }

 private:
  bool fail() noexcept {
    failed_ = true;
    return false;
  }
  [[nodiscard]] bool readWord(std::uint32_t& word, std::size_t width, bool bigEndian) noexcept;

  std::span<const std::uint8_t> bytes_;
  StreamByteOrder order_;
  std::size_t position_ = 0;
  bool failed_ = false;
  int nesting_ = 0;
};

class ObjectStreamWriter {
 public:
  explicit ObjectStreamWriter(StreamByteOrder order) noexcept : order_(order) {}

  void WriteInteger(std::int16_t value);
  void WriteLong(std::int32_t value);
  void WriteBoolean(bool value);
  void WriteString(std::string_view text);  // at most 255 characters
  void WriteBytes(const void* bytes, std::size_t count);
  void writeZeros(std::size_t count);

  void writeRaw(std::int16_t value);
  void writeRaw(std::uint16_t value);
  void writeRaw(std::int32_t value);
  void writeRaw(const RGBColor& color);
  void writeRaw(const FSSpec& spec);
  template <std::size_t Capacity>
  void writeRaw(const PascalString<Capacity>& text) {
    WriteBytes(text.raw(), Capacity + 1);
  }

  const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }

 private:
  void writeWord(std::uint32_t word, std::size_t width, bool bigEndian);

  StreamByteOrder order_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace vorl
