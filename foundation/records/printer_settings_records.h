// The printer-family settings records of a job file and the colour-adjustment records inside them. Their use by
// printer type lies with job processing; here are their stored layouts, which the byte-order converters and the
// print-data writer share.
#pragma once

#include <array>
#include <cstddef>

#include "foundation/records/image_property_records.h"

namespace vorl {

// Three 32-bit words; colour correction reads its value from the first.
struct myValueRec {
  std::array<SInt32Field, 3> words;
};
static_assert(sizeof(myValueRec) == 12);

// Which value record holds which setting, in the ten-record lists below.
enum ColorAdjustValue : std::size_t {
  kAdjustRed = 0,
  kAdjustGreen = 1,
  kAdjustBlue = 2,
  kAdjustDark = 3,
  kAdjustLight = 4,
  kAdjustSharpness = 5,
  kAdjustGamma = 6,
  kAdjustLamination = 7,
  kAdjustValue8 = 8,
  kAdjustPrintQuantity = 9,
};

struct myUpdColorAdjustInfo {
  std::array<myValueRec, 10> values;  // 0
  SInt16Field useLaminationType;      // 120
};
static_assert(sizeof(myUpdColorAdjustInfo) == 122);
static_assert(offsetof(myUpdColorAdjustInfo, useLaminationType) == 120);

// The per-image colour correction of ten floats (1048 bytes).
struct myCocoaImageColorAdjustInfo {
  Float32Field saturation;                     // 0
  Float32Field brightness;                     // 4
  Float32Field contrast;                       // 8
  Float32Field red;                            // 12
  Float32Field green;                          // 16
  Float32Field blue;                           // 20
  Float32Field sharpness;                      // 24
  Float32Field gamma;                          // 28
  Float32Field exposure;                       // 32
  Float32Field hue;                            // 36
  std::array<unsigned char, 1008> reserved{};  // 40
};
static_assert(sizeof(myCocoaImageColorAdjustInfo) == 1048);
static_assert(offsetof(myCocoaImageColorAdjustInfo, hue) == 36);

struct myUpdColorAdjustInfo2 {
  SInt16Field version;                       // 0
  SInt16Field useThisSetting;                // 2
  std::array<myValueRec, 10> values;         // 4
  SInt16Field useLaminationType;             // 124
  myCocoaImageColorAdjustInfo imageAdjust;   // 126
  std::array<unsigned char, 50> reserved{};  // 1174
};
static_assert(sizeof(myUpdColorAdjustInfo2) == 1224);
static_assert(offsetof(myUpdColorAdjustInfo2, values) == 4);
static_assert(offsetof(myUpdColorAdjustInfo2, useLaminationType) == 124);
static_assert(offsetof(myUpdColorAdjustInfo2, imageAdjust) == 126);
static_assert(offsetof(myUpdColorAdjustInfo2, reserved) == 1174);

struct KodakSettings {
  SInt16Field value0, value2, lamination, value6, value8, value10, value12, value14;   // 0..14
  SInt16Field value16, value18, value20, value22, value24, value26, value28, value30;  // 16..30
};
static_assert(sizeof(KodakSettings) == 32);
static_assert(offsetof(KodakSettings, lamination) == 4);
static_assert(offsetof(KodakSettings, value30) == 30);

struct tPrint2FileItem {
  SInt16Field setNumber;                      // 0: the print-to-file set
  SInt16Field value2;                         // 2
  SInt16Field value4;                         // 4
  std::array<unsigned char, 124> reserved{};  // 6
};
static_assert(sizeof(tPrint2FileItem) == 130);

struct tMitsubishiMediaPref {
  SInt16Field value0, value2, cutInHalf, value6, value8, value10, value12, value14, value16, value18;  // 0..18
  std::array<unsigned char, 128> reserved{};                                                           // 20
};
static_assert(sizeof(tMitsubishiMediaPref) == 148);
static_assert(offsetof(tMitsubishiMediaPref, cutInHalf) == 4);
static_assert(offsetof(tMitsubishiMediaPref, reserved) == 20);

struct tMediaTypePref {
  SInt16Field turnOn;                         // 0
  SInt16Field mediaType;                      // 2
  SInt16Field cutInHalf;                      // 4
  SInt16Field orientation;                    // 6
  SInt16Field surfaceIndex;                   // 8
  SInt16Field ribbonType;                     // 10
  SInt16Field resizeMethod;                   // 12
  SInt16Field printMode;                      // 14
  std::array<unsigned char, 118> reserved{};  // 16
};
static_assert(sizeof(tMediaTypePref) == 134);
static_assert(offsetof(tMediaTypePref, printMode) == 14);

struct myFujiColorAdjustInfo {
  SInt16Field value0, value2, value4;         // 0..4
  std::array<myValueRec, 12> values;          // 6
  SInt16Field value150;                       // 150
  SInt16Field value152;                       // 152
  std::array<unsigned char, 128> reserved{};  // 154
};
static_assert(sizeof(myFujiColorAdjustInfo) == 282);
static_assert(offsetof(myFujiColorAdjustInfo, values) == 6);
static_assert(offsetof(myFujiColorAdjustInfo, value150) == 150);
static_assert(offsetof(myFujiColorAdjustInfo, reserved) == 154);

struct tMitsubishiSettings {
  SInt16Field numberOfCopies;                  // 0
  SInt16Field density;                         // 2
  SInt16Field sharpness;                       // 4
  SInt16Field coefficient;                     // 6
  SInt16Field offset;                          // 8
  SInt16Field printingMode;                    // 10
  SInt16Field value12;                         // 12
  SInt16Field value14;                         // 14
  std::array<SInt32Field, 9> values16;         // 16..48
  SInt16Field adjustCurve;                     // 52
  SInt16Field lamination;                      // 54
  SInt16Field gamma;                           // 56
  myUpdColorAdjustInfo colorAdjust;            // 58
  SInt16Field contrast;                        // 180
  SInt16Field mirror;                          // 182
  SInt16Field colorConversion;                 // 184
  myCocoaImageColorAdjustInfo imageAdjust;     // 186
  std::array<unsigned char, 9062> reserved{};  // 1234
};
static_assert(sizeof(tMitsubishiSettings) == 10296);
static_assert(offsetof(tMitsubishiSettings, value14) == 14);
static_assert(offsetof(tMitsubishiSettings, values16) == 16);
static_assert(offsetof(tMitsubishiSettings, adjustCurve) == 52);
static_assert(offsetof(tMitsubishiSettings, gamma) == 56);
static_assert(offsetof(tMitsubishiSettings, colorAdjust) == 58);
static_assert(offsetof(tMitsubishiSettings, contrast) == 180);
static_assert(offsetof(tMitsubishiSettings, colorConversion) == 184);
static_assert(offsetof(tMitsubishiSettings, imageAdjust) == 186);
static_assert(offsetof(tMitsubishiSettings, reserved) == 1234);

struct tShinkoPrinterSettings {
  myUpdColorAdjustInfo colorAdjust;           // 0
  SInt16Field printMode;                      // 122
  SInt16Field matteLevel;                     // 124
  std::array<unsigned char, 254> reserved{};  // 126
};
static_assert(sizeof(tShinkoPrinterSettings) == 380);
static_assert(offsetof(tShinkoPrinterSettings, printMode) == 122);
static_assert(offsetof(tShinkoPrinterSettings, matteLevel) == 124);

struct tOlmecOP800PrinterSettings {
  myUpdColorAdjustInfo colorAdjust;           // 0
  std::array<unsigned char, 512> reserved{};  // 122
};
static_assert(sizeof(tOlmecOP800PrinterSettings) == 634);

struct tNoritsuPrinterSettings {
  myUpdColorAdjustInfo colorAdjust;           // 0
  std::array<unsigned char, 512> reserved{};  // 122
};
static_assert(sizeof(tNoritsuPrinterSettings) == 634);

struct tDNPPrinterSettings {
  SInt16Field sharpness;                      // 0
  SInt16Field printingMode;                   // 2
  myCocoaImageColorAdjustInfo imageAdjust;    // 4
  SInt16Field lamination;                     // 1052
  std::array<unsigned char, 254> reserved{};  // 1054
};
static_assert(sizeof(tDNPPrinterSettings) == 1308);
static_assert(offsetof(tDNPPrinterSettings, imageAdjust) == 4);
static_assert(offsetof(tDNPPrinterSettings, lamination) == 1052);

// Old-time photo toning: red, green and blue tone percentages in the first three values, then a percentage.
struct tOldTimePhotoPrefs {
  myImageColorAdjustInfo tones;               // 0
  SInt16Field percent;                        // 12
  std::array<unsigned char, 128> reserved{};  // 14
};
static_assert(sizeof(tOldTimePhotoPrefs) == 142);

}  // namespace vorl
