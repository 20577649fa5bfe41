// jobs/delivery/: a finished page on its way to a printer. The page is finished for its printer type (turned,
// fitted, colour-matched: page_finishing, output_geometry), then written as a print-data file with this header, or
// as a JPEG and property-list hand-off pair, into the print-centre folder, whose program is then started; printer
// type 8 prints through the system's printing instead. The completion notice tells the web-server companion once the
// delivery succeeded.
//
// The header of a print-data file, as the print centre reads it.
//
// 15036 bytes, zeroed and then filled from the job. In memory every field holds its host value; the writer turns
// a copy into the file's byte order (`swapPrintInfo`): big-endian, except the three flags at 10, 12 and 16, which
// the print centre reads little-endian. The records inside keep the layouts their converters know. The hand-off
// property list exports the same values by name, from the host copy.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "foundation/records/printer_settings_records.h"
#include "platform/core/unaligned.h"

namespace vorl {

inline constexpr std::uint16_t kPrintInfoMagic = 0xC31F;
inline constexpr std::uint8_t kPrintDataMarker = 0xEE;

// The picture's sample layout after the header.
inline constexpr std::uint32_t kDataTypeJPEG = 1;
inline constexpr std::uint32_t kDataTypeRGBInterleaved = 2;
inline constexpr std::uint32_t kDataTypeRGBPlanes = 4;
inline constexpr std::uint32_t kDataTypeBGRPlanes = 32;

inline constexpr std::size_t kPrintInfoNameSize = 128;  // 127 characters and a zero byte

struct tPrintInfoStruct {
  UInt16Field magic;               // 0
  SInt16Field width;               // 2: after rotation and cropping
  SInt16Field height;              // 4
  SInt16Field printer;             // 6
  SInt16Field resolution;          // 8
  SInt16Field isMirror;            // 10: little-endian in the file
  SInt16Field isColor;             // 12: little-endian in the file
  SInt16Field mediaTypeMustMatch;  // 14
  SInt16Field useColorSettings;    // 16: little-endian in the file
  SInt16Field printQuantity;       // 18
  SInt16Field useDualBuffer;       // 20
  std::array<unsigned char, 2> unused22{};
  UInt32Field dataSize;                                            // 24
  UInt32Field dataType;                                            // 28
  myUpdColorAdjustInfo2 sonyPrintSettings;                         // 32: colour-adjust block one
  myUpdColorAdjustInfo2 kodakPrintSettings;                        // 1256: colour-adjust block two
  KodakSettings kodakSettings;                                     // 2480
  myFujiColorAdjustInfo fujiColorAdjust;                           // 2512
  tMediaTypePref mediaSettings;                                    // 2794
  tMitsubishiSettings mitsubishiSettings;                          // 2928
  tShinkoPrinterSettings shinkoSettings;                           // 13224
  myCocoaImageColorAdjustInfo colorAdjustSettings;                 // 13604
  std::array<unsigned char, kPrintInfoNameSize> templateName{};      // 14652: Mac Roman, zero-terminated
  std::array<unsigned char, kPrintInfoNameSize> currentImageName{};  // 14780
  std::array<unsigned char, kPrintInfoNameSize> packageName{};       // 14908
};
static_assert(sizeof(tPrintInfoStruct) == 15036);
static_assert(offsetof(tPrintInfoStruct, dataSize) == 24);
static_assert(offsetof(tPrintInfoStruct, sonyPrintSettings) == 32);
static_assert(offsetof(tPrintInfoStruct, kodakPrintSettings) == 1256);
static_assert(offsetof(tPrintInfoStruct, kodakSettings) == 2480);
static_assert(offsetof(tPrintInfoStruct, fujiColorAdjust) == 2512);
static_assert(offsetof(tPrintInfoStruct, mediaSettings) == 2794);
static_assert(offsetof(tPrintInfoStruct, mitsubishiSettings) == 2928);
static_assert(offsetof(tPrintInfoStruct, shinkoSettings) == 13224);
static_assert(offsetof(tPrintInfoStruct, colorAdjustSettings) == 13604);
static_assert(offsetof(tPrintInfoStruct, templateName) == 14652);
static_assert(offsetof(tPrintInfoStruct, currentImageName) == 14780);
static_assert(offsetof(tPrintInfoStruct, packageName) == 14908);

// Turns the header between host values and the file's byte order (the same call both ways on a little-endian
// host).
void swapPrintInfo(tPrintInfoStruct& header) noexcept;

// The data type a printer type's picture is written in.
std::uint32_t printDataTypeFor(std::int16_t printerType) noexcept;

}  // namespace vorl
