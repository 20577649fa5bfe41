// `tSpecialPrintToFilePref` (982 bytes): one print-to-file destination. It is each of the eight print-to-file
// sets and the web-upload destination of the preferences, and a job file carries one (when its field at 362 is
// non-zero, two `tRecordStruct` follow it in the file). What the fields mean as settings, with their factory
// defaults, lies with the preference records.
#pragma once

#include <array>
#include <cstddef>

#include "foundation/records/folder_records.h"

namespace vorl {

// A string of up to 8 characters stored in 10 bytes: the length byte, eight characters and a pad byte.
struct ShortFieldText {
  PascalString<8> text;
  unsigned char pad = 0;
};
static_assert(sizeof(ShortFieldText) == 10);

struct tSpecialPrintToFilePref {
  tFolderFSSpec folder;                               // 0: destination folder
  SInt16Field hasRecordBlocks;                        // 362: non-zero: two tRecordStruct follow in a job file
  Str31 yearbookFolderName;                           // 364
  SInt16Field value396;                               // 396
  SInt16Field orientation;                            // 398: 1 landscape, 2 portrait
  SInt16Field rotationDirection;                      // 400: handed to the quarter-turn rotation
  SInt16Field fileFormat;                             // 402: the save-as type
  Str63 fileNamePrefix;                               // 404
  Str31 fileNameExtension;                            // 468
  SInt16Field forceOrientation;                       // 500
  SInt16Field namingScheme;                           // 502: 1 to 8
  SInt16Field databaseNameSwitch;                     // 504
  std::array<SInt16Field, 4> databaseFieldSelectors;  // 506, 508, 510, 512
  std::array<ShortFieldText, 4> fieldTexts;           // 514, 524, 534, 544: texts after the fields
  SInt16Field fileWriterOption;                       // 554: check box 'sapc', the file writer's last argument
  Str63 folderTextA;                                  // 556
  Str63 folderTextB;                                  // 620
  SInt16Field createJPEGForWeb;                       // 684
  SInt16Field webMaximumSize;                         // 686
  SInt16Field doNotResizeJpegForWeb;                  // 688: keep format-10 files at full size
  SInt16Field uploadSite;                             // 690
  SInt16Field doNotResizePngForWeb;                   // 692: keep format-9 files at full size
  SInt16Field overwriteExisting;                      // 694
  Str255 clientAddressList;                           // 696: comma-separated, compared with the job's "ipaddress"
  std::array<SInt16Field, 3> linkedSets;              // 952, 954, 956
  std::array<UInt32Field, 6> reserved958;             // 958: copied unchanged
};

static_assert(sizeof(tSpecialPrintToFilePref) == 982);
static_assert(offsetof(tSpecialPrintToFilePref, hasRecordBlocks) == 362);
static_assert(offsetof(tSpecialPrintToFilePref, yearbookFolderName) == 364);
static_assert(offsetof(tSpecialPrintToFilePref, value396) == 396);
static_assert(offsetof(tSpecialPrintToFilePref, orientation) == 398);
static_assert(offsetof(tSpecialPrintToFilePref, rotationDirection) == 400);
static_assert(offsetof(tSpecialPrintToFilePref, fileFormat) == 402);
static_assert(offsetof(tSpecialPrintToFilePref, fileNamePrefix) == 404);
static_assert(offsetof(tSpecialPrintToFilePref, fileNameExtension) == 468);
static_assert(offsetof(tSpecialPrintToFilePref, forceOrientation) == 500);
static_assert(offsetof(tSpecialPrintToFilePref, namingScheme) == 502);
static_assert(offsetof(tSpecialPrintToFilePref, databaseNameSwitch) == 504);
static_assert(offsetof(tSpecialPrintToFilePref, databaseFieldSelectors) == 506);
static_assert(offsetof(tSpecialPrintToFilePref, fieldTexts) == 514);
static_assert(offsetof(tSpecialPrintToFilePref, fileWriterOption) == 554);
static_assert(offsetof(tSpecialPrintToFilePref, folderTextA) == 556);
static_assert(offsetof(tSpecialPrintToFilePref, folderTextB) == 620);
static_assert(offsetof(tSpecialPrintToFilePref, createJPEGForWeb) == 684);
static_assert(offsetof(tSpecialPrintToFilePref, webMaximumSize) == 686);
static_assert(offsetof(tSpecialPrintToFilePref, doNotResizeJpegForWeb) == 688);
static_assert(offsetof(tSpecialPrintToFilePref, uploadSite) == 690);
static_assert(offsetof(tSpecialPrintToFilePref, doNotResizePngForWeb) == 692);
static_assert(offsetof(tSpecialPrintToFilePref, overwriteExisting) == 694);
static_assert(offsetof(tSpecialPrintToFilePref, clientAddressList) == 696);
static_assert(offsetof(tSpecialPrintToFilePref, linkedSets) == 952);
static_assert(offsetof(tSpecialPrintToFilePref, reserved958) == 958);

// 41 strings, nothing else; a job file carries two when its print-to-file record says so.
struct tRecordStruct {
  std::array<Str255, 41> texts;
};
static_assert(sizeof(tRecordStruct) == 10496);

}  // namespace vorl
