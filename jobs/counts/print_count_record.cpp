#include "jobs/counts/print_count_record.h"

namespace vorl {
namespace {

class LittleEndianWriter {
 public:
  explicit LittleEndianWriter(std::span<std::uint8_t> out) : out_(out) {}
  void put(std::int32_t value) noexcept {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out_[at_++] = static_cast<std::uint8_t>(bits >> shift);
  }
  void putBytes(std::span<const std::uint8_t> bytes) noexcept {
    for (const std::uint8_t byte : bytes) out_[at_++] = byte;
  }

 private:
  std::span<std::uint8_t> out_;
  std::size_t at_ = 0;
};

class LittleEndianReader {
 public:
  explicit LittleEndianReader(std::span<const std::uint8_t> in) : in_(in) {}
  std::int32_t get() noexcept {
    std::uint32_t bits = 0;
    for (int shift = 0; shift < 32; shift += 8) bits |= std::uint32_t{in_[at_++]} << shift;
    return static_cast<std::int32_t>(bits);
  }
  void getBytes(std::span<std::uint8_t> bytes) noexcept {
    for (std::uint8_t& byte : bytes) byte = in_[at_++];
  }

 private:
  std::span<const std::uint8_t> in_;
  std::size_t at_ = 0;
};

}  // namespace

std::array<std::uint8_t, kPrintCountFileSize> encodePrintQuantityInfo(const tPrintQuantityInfo& record) noexcept {
  std::array<std::uint8_t, kPrintCountFileSize> bytes{};
  LittleEndianWriter out(bytes);
  out.put(record.versionNumber);
  out.put(record.printToFileCount);
  out.put(record.cdCount);
  out.put(record.chooserCount);
  out.put(record.regularCount);
  out.put(record.printToFile2Count);
  out.put(record.saveAsCompositionCount);
  out.put(record.cdWriteCount);
  for (const auto& row : record.canvasCounts)
    for (const std::int32_t count : row) out.put(count);
  out.put(record.imageGrabCount);
  for (const std::int32_t count : record.packageCounts) out.put(count);
  out.put(record.kind10Count);
  out.putBytes(record.reserved);
  return bytes;
}

tPrintQuantityInfo decodePrintQuantityInfo(std::span<const std::uint8_t, kPrintCountFileSize> bytes) noexcept {
  tPrintQuantityInfo record;
  LittleEndianReader in(bytes);
  record.versionNumber = in.get();
  record.printToFileCount = in.get();
  record.cdCount = in.get();
  record.chooserCount = in.get();
  record.regularCount = in.get();
  record.printToFile2Count = in.get();
  record.saveAsCompositionCount = in.get();
  record.cdWriteCount = in.get();
  for (auto& row : record.canvasCounts)
    for (std::int32_t& count : row) count = in.get();
  record.imageGrabCount = in.get();
  for (std::int32_t& count : record.packageCounts) count = in.get();
  record.kind10Count = in.get();
  in.getBytes(record.reserved);
  return record;
}

std::int32_t computeSwappedLong(std::int32_t value) noexcept {
  const auto bits = static_cast<std::uint32_t>(value);
  const auto swapBytes = [](std::uint32_t half) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(((half & 0xFFu) << 8) | ((half >> 8) & 0xFFu)));
  };
  // The halves change places, but both are sign-extended and ORed unshifted, as the sibling program does it.
  const std::int32_t fromLowHalf = swapBytes(bits & 0xFFFFu);
  const std::int32_t fromHighHalf = swapBytes(bits >> 16);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(fromLowHalf) | static_cast<std::uint32_t>(fromHighHalf));
}

void addOutputToRecord(tPrintQuantityInfo& record, std::int16_t quantity, std::int16_t which, std::int16_t printer,
                       std::int16_t canvas) noexcept {
  const std::int32_t amount = quantity;
  switch (which) {
    case 1: record.chooserCount += amount; break;
    case 2: record.cdCount += amount; break;
    case 3:
    case 12: record.printToFileCount += amount; break;
    case 4: record.regularCount += amount; break;
    case 5: record.printToFile2Count += amount; break;
    case 6: record.saveAsCompositionCount += amount; break;
    case 7: record.cdWriteCount += amount; break;
    case 8: record.imageGrabCount += amount; break;
    case 9:
      if (printer >= 0 && printer < static_cast<std::int16_t>(kCountPackagePrinters))
        record.packageCounts[static_cast<std::size_t>(printer)] += amount;
      break;
    case 10: record.kind10Count += amount; break;
    default: break;
  }
  if (printer >= 1 && printer <= 99 && canvas >= 1 && canvas <= 40)
    record.canvasCounts[static_cast<std::size_t>(printer)][static_cast<std::size_t>(canvas)] += amount;
}

}  // namespace vorl
