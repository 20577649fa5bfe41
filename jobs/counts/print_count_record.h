// The print-count record, which is also the whole of a count file: 16,564 bytes, every number a signed 32-bit
// little-endian integer but the 24 reserved bytes at the end. The sibling program reads and writes the same
// files, so the layout and the version number never change.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorl {

inline constexpr std::int32_t kPrintCountVersion = 9904;
// Files of the version before, which are started afresh.
inline constexpr std::int32_t kOldPrintCountVersion = 9903;
inline constexpr std::size_t kPrintCountFileSize = 16564;
inline constexpr std::size_t kCountPrinterTypes = 100;  // canvas rows, indexed by printer type
inline constexpr std::size_t kCountCanvases = 41;       // canvas columns, indexed by canvas
inline constexpr std::size_t kCountPackagePrinters = 25;

struct tPrintQuantityInfo {
  std::int32_t versionNumber = 0;           // 0
  std::int32_t printToFileCount = 0;        // 4: kinds 3 and 12
  std::int32_t cdCount = 0;                 // 8: kind 2
  std::int32_t chooserCount = 0;            // 12: kind 1
  std::int32_t regularCount = 0;            // 16: kind 4
  std::int32_t printToFile2Count = 0;       // 20: kind 5
  std::int32_t saveAsCompositionCount = 0;  // 24: kind 6
  std::int32_t cdWriteCount = 0;            // 28: kind 7
  std::array<std::array<std::int32_t, kCountCanvases>, kCountPrinterTypes> canvasCounts{};  // 32: [printer][canvas]
  std::int32_t imageGrabCount = 0;                                    // 16432: kind 8
  std::array<std::int32_t, kCountPackagePrinters> packageCounts{};    // 16436: kind 9, by printer
  std::int32_t kind10Count = 0;                                       // 16536: kind 10
  std::array<std::uint8_t, 24> reserved{};                            // 16540

  bool operator==(const tPrintQuantityInfo&) const = default;
};

// The file's bytes; `versionNumber` is written as it stands.
std::array<std::uint8_t, kPrintCountFileSize> encodePrintQuantityInfo(const tPrintQuantityInfo& record) noexcept;
// The record of a full-length file.
tPrintQuantityInfo decodePrintQuantityInfo(std::span<const std::uint8_t, kPrintCountFileSize> bytes) noexcept;

// Recognises words written big-endian: the two 16-bit halves exchanged, the bytes within each exchanged, and the
// two halves ORed together after each is sign-extended. For a value with a zero half this is the value with its
// four bytes reversed (00 00 26 B0 read little-endian gives 9904).
std::int32_t computeSwappedLong(std::int32_t value) noexcept;

// Adds one output to the record: the quantity to the kind's total, and to the counter of the printer type and
// canvas when both are in range.
void addOutputToRecord(tPrintQuantityInfo& record, std::int16_t quantity, std::int16_t which, std::int16_t printer,
                       std::int16_t canvas) noexcept;

}  // namespace vorl
