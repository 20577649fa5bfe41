#include "jobs/delivery/print_info.h"

#include <algorithm>
#include <bit>

#include "foundation/records/byte_order.h"
#include "foundation/records/record_byte_order.h"

namespace vorl {
namespace {

// The print centre reads the three flags little-endian whatever the writer's processor; on a little-endian host
// that is the order they are already in.
void keepLittleEndian(SInt16Field& flag) noexcept {
  if constexpr (std::endian::native == std::endian::big) std::ranges::reverse(flag.bytes());
}

}  // namespace

void swapPrintInfo(tPrintInfoStruct& header) noexcept {
  constexpr bool doSwap = true;
  swapUInt16(header.magic, doSwap);
  swapUInt16(header.width, doSwap);
  swapUInt16(header.height, doSwap);
  swapUInt16(header.printer, doSwap);
  swapUInt16(header.resolution, doSwap);
  swapUInt16(header.mediaTypeMustMatch, doSwap);
  swapUInt16(header.printQuantity, doSwap);
  swapUInt16(header.useDualBuffer, doSwap);
  swapUInt32(header.dataSize, doSwap);
  swapUInt32(header.dataType, doSwap);
  swapMyMediaData(header.mediaSettings, doSwap);
  swapMyKodakSettings(header.kodakSettings, doSwap);
  swapMyFujiColorAdjustInfo(header.fujiColorAdjust, doSwap);
  swapMyMitsubishiSettings(header.mitsubishiSettings, doSwap);
  swapMyShinkoPrinterSettings(header.shinkoSettings, doSwap);
  swapMyUpdColorAdjustInfo2(header.kodakPrintSettings, doSwap);
  swapMyUpdColorAdjustInfo2(header.sonyPrintSettings, doSwap);
  swapMyCocoaImageColorAdjustInfoSettings(header.colorAdjustSettings, doSwap);
  keepLittleEndian(header.isMirror);
  keepLittleEndian(header.isColor);
  keepLittleEndian(header.useColorSettings);
}

std::uint32_t printDataTypeFor(std::int16_t printerType) noexcept {
  switch (printerType) {
    case 30:
      return kDataTypeJPEG;
    case 23:
    case 32:
    case 36:
    case 44:
      return kDataTypeRGBPlanes;
    case 5:
    case 6:
    case 33:
      return kDataTypeBGRPlanes;
    default:
      return kDataTypeRGBInterleaved;
  }
}

}  // namespace vorl
