// The stored descriptors of the page objects, as a job file holds them after each object record's header.
//
// Every descriptor opens with the 32-byte `tLayoutInfo`; bytes 32 to 159 are reserved and each class's own fields
// begin at 160. The layouts are file formats: offsets and widths are fixed, numbers are `Unaligned` so there is no
// padding, and a default-made descriptor is all zeros (its strings empty). Numbers are big-endian in the file
// until the descriptor's converter (descriptor_byte_order.h) has run; the few fields no converter lists stay as the
// producer stored them, which is little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "foundation/records/image_property_records.h"
#include "foundation/records/job_records.h"
#include "platform/core/mac_types.h"

namespace vorl {

// The head of every descriptor: the object's frame and its place on the page in inches.
struct tLayoutInfo {
  SInt32Field top;      // 0
  SInt32Field left;     // 4
  SInt32Field bottom;   // 8
  SInt32Field right;    // 12
  Float32Field x;       // 16: from the page's left edge
  Float32Field y;       // 20: from the page's top edge
  Float32Field width;   // 24
  Float32Field height;  // 28
};
static_assert(sizeof(tLayoutInfo) == 32);

// The bytes between the head and the class's own fields, never read.
using DescriptorReserve = std::array<unsigned char, 128>;

struct CImageDesc {
  tLayoutInfo layout;                            // 0
  DescriptorReserve reserved32{};                // 32
  SInt16Field fitMode;                           // 160: 1 fill and crop, else fit whole
  FSSpec photo;                                  // 162: only the name is used
  Float32Field rotationAngle;                    // 232: degrees
  SInt16Field offsetV;                           // 236
  SInt16Field offsetH;                           // 238
  SInt16Field insetSteps;                        // 240
  myImageColorAdjustInfo colorAdjust;            // 242
  Str31 graphicCategory;                         // 254
  Str31 graphicName;                             // 286
  std::uint8_t keyed = 0;                        // 318: non-zero: a tChromaKeySettings record follows in the file
  std::uint8_t pad319 = 0;                       // 319
  SInt16Field borderFlag;                        // 320
  SInt16Field borderWidth;                       // 322: points
  RGBColor borderColor;                          // 324: not converted
  SInt16Field imageNumber;                       // 330
  std::uint8_t keptByte = 0;                     // 332
  std::uint8_t pad333 = 0;                       // 333
  SInt16Field keptValue;                         // 334
  SInt16Field angledFlag;                        // 336
  SInt16Field angle;                             // 338: degrees
  SInt16Field angleDirection;                    // 340: 1 turn by 360 - angle, 2 by angle
  SInt16Field useCropBounds;                     // 342
  std::array<Float32Field, 4> cropBounds;        // 344: x, y, width, height in image pixels
  SInt16Field boxScale;                          // 360: not converted
  std::array<unsigned char, 230> reserved362{};  // 362
};
static_assert(sizeof(CImageDesc) == 592);
static_assert(offsetof(CImageDesc, fitMode) == 160);
static_assert(offsetof(CImageDesc, photo) == 162);
static_assert(offsetof(CImageDesc, rotationAngle) == 232);
static_assert(offsetof(CImageDesc, insetSteps) == 240);
static_assert(offsetof(CImageDesc, colorAdjust) == 242);
static_assert(offsetof(CImageDesc, graphicCategory) == 254);
static_assert(offsetof(CImageDesc, graphicName) == 286);
static_assert(offsetof(CImageDesc, keyed) == 318);
static_assert(offsetof(CImageDesc, borderFlag) == 320);
static_assert(offsetof(CImageDesc, borderColor) == 324);
static_assert(offsetof(CImageDesc, imageNumber) == 330);
static_assert(offsetof(CImageDesc, keptByte) == 332);
static_assert(offsetof(CImageDesc, keptValue) == 334);
static_assert(offsetof(CImageDesc, angledFlag) == 336);
static_assert(offsetof(CImageDesc, angleDirection) == 340);
static_assert(offsetof(CImageDesc, useCropBounds) == 342);
static_assert(offsetof(CImageDesc, cropBounds) == 344);
static_assert(offsetof(CImageDesc, boxScale) == 360);

// The text, its style and rotation, shared by the three text descriptors and the stamp.
struct TextDescHead {
  tLayoutInfo layout;              // 0
  DescriptorReserve reserved32{};  // 32
  Str255 text;                     // 160
  tTextInfo style;                 // 416
  SInt16Field rotation;            // 430: degrees
};
static_assert(sizeof(TextDescHead) == 432);

struct CTextDesc {
  TextDescHead head;                             // 0
  SInt16Field skipFlag;                          // 432: print-to-file skip flag
  SInt16Field keptValue;                         // 434
  SInt16Field codeType;                          // 436: 1 QR code, 2 Code 128, else plain
  std::array<unsigned char, 250> reserved438{};  // 438
};
static_assert(sizeof(CTextDesc) == 688);

struct CEditTextDesc {
  TextDescHead head;                             // 0
  SInt16Field editValue;                         // 432
  SInt16Field value434;                          // 434: converted, not read
  SInt16Field skipFlag;                          // 436
  std::array<unsigned char, 254> reserved438{};  // 438
};
static_assert(sizeof(CEditTextDesc) == 692);

struct CDatabaseDesc {
  TextDescHead head;                             // 0
  SInt16Field databaseValue1;                    // 432
  SInt16Field databaseValue2;                    // 434
  SInt16Field value436;                          // 436: neither converted nor read
  std::array<unsigned char, 254> reserved438{};  // 438
};
static_assert(sizeof(CDatabaseDesc) == 692);

struct CStampDesc {
  TextDescHead head;                             // 0
  SInt16Field stampValue;                        // 432
  SInt16Field firstStampFlag;                    // 434
  SInt16Field secondStampFlag;                   // 436
  SInt16Field value438;                          // 438: converted, not read
  SInt16Field value440;                          // 440: converted, not read
  std::array<unsigned char, 6> reserved442{};    // 442
  SInt16Field skipFlag;                          // 448: not converted; only non-zero counts
  std::array<unsigned char, 2> reserved450{};    // 450
  SInt16Field keptValue;                         // 452
  SInt16Field codeType;                          // 454
  std::array<unsigned char, 244> reserved456{};  // 456
};
static_assert(sizeof(CStampDesc) == 700);
static_assert(offsetof(CStampDesc, skipFlag) == 448);
static_assert(offsetof(CStampDesc, keptValue) == 452);
static_assert(offsetof(CStampDesc, codeType) == 454);

struct CGroupPhotoDesc {
  tLayoutInfo layout;                            // 0
  DescriptorReserve reserved32{};                // 32
  FSSpec photo;                                  // 160: only the name is used
  Str31 category;                                // 230: sub-folder of the graphics folder
  SInt16Field value262;                          // 262: converted, not read
  std::array<unsigned char, 256> reserved264{};  // 264
};
static_assert(sizeof(CGroupPhotoDesc) == 520);
static_assert(offsetof(CGroupPhotoDesc, category) == 230);
static_assert(offsetof(CGroupPhotoDesc, value262) == 262);

// Shared by the file overlay ('fovl') and the transparent overlay ('tran').
struct COverlayDesc {
  tLayoutInfo layout;                            // 0
  DescriptorReserve reserved32{};                // 32
  FSSpec graphic;                                // 160: only the name is used
  Str31 category;                                // 230
  SInt16Field flagA;                             // 262
  SInt16Field flagB;                             // 264: not converted; only non-zero counts
  SInt16Field overlayMode;                       // 266: 0 is derived from the flags
  SInt16Field skipFlag;                          // 268
  std::array<unsigned char, 254> reserved270{};  // 270
};
static_assert(sizeof(COverlayDesc) == 524);
static_assert(offsetof(COverlayDesc, flagB) == 264);
static_assert(offsetof(COverlayDesc, skipFlag) == 268);

struct CNodeDesc {
  tLayoutInfo layout;                            // 0
  DescriptorReserve reserved32{};                // 32
  FSSpec jobFile;                                // 160: the nested layout's job file
  SInt16Field rotationCode;                      // 230
  SInt16Field keptValue;                         // 232
  SInt16Field mirror;                            // 234: the object keeps the low byte
  SInt16Field color;                             // 236: low byte; 0 turns the picture grey
  SInt16Field sepia;                             // 238: low byte
  SInt16Field cacheSwitch;                       // 240: read, then replaced by 1
  SInt16Field oldTimeBlend;                      // 242: not converted; only non-zero counts
  std::array<unsigned char, 252> reserved244{};  // 244
};
static_assert(sizeof(CNodeDesc) == 496);
static_assert(offsetof(CNodeDesc, rotationCode) == 230);
static_assert(offsetof(CNodeDesc, oldTimeBlend) == 242);

struct CAttributeDesc {
  tLayoutInfo layout;                            // 0
  DescriptorReserve reserved32{};                // 32
  SInt16Field subjobResizeMode;                  // 160
  SInt16Field saveTemplateAsIs;                  // 162
  SInt16Field ignoreOverlays;                    // 164
  SInt16Field saveOriginal;                      // 166
  std::array<unsigned char, 508> reserved168{};  // 168
};
static_assert(sizeof(CAttributeDesc) == 676);

struct CBackColorDesc {
  tLayoutInfo layout;                            // 0
  DescriptorReserve reserved32{};                // 32
  RGBColor color;                                // 160
  SInt16Field skipFlag;                          // 166
  std::array<unsigned char, 256> reserved168{};  // 168
};
static_assert(sizeof(CBackColorDesc) == 424);
static_assert(offsetof(CBackColorDesc, skipFlag) == 166);

}  // namespace vorl
