// Everything one job file says about its job, as the job view keeps it.
//
// The reader fills the fields block by block (job_file_reader.cpp); the drawing, finishing and output steps
// read them. Records are kept converted to host order, exactly as their converters leave them; text stays Mac
// Roman. A field the file does not fill (for example the records of the printer families a job does not use)
// stays zero, as in a new job view.
#pragma once

#include <array>
#include <cstdint>

#include "foundation/records/color_sync_records.h"
#include "foundation/records/image_property_records.h"
#include "foundation/records/print_to_file_record.h"
#include "foundation/records/printer_settings_records.h"
#include "platform/text/pascal_string.h"

namespace vorl {

// The drawing choices no block of the job file carries take these values, here and nowhere else.
inline constexpr std::int16_t kJobResizeMode = 3;           // the high-quality scaler with filter type 3
inline constexpr std::int16_t kJobReductionResizeMode = 3;  // the same when the picture is not enlarged
inline constexpr std::int16_t kJobScaleType = 3;            // the filter the group photos enlarge with
inline constexpr std::int16_t kJobAlphaOutput = 0;          // the page keeps no matte in its alpha channel

inline constexpr std::size_t kOriginalPathSize = 1024;
inline constexpr std::size_t kUploadDataSize = 4096;
inline constexpr std::size_t kJobDictionaryBufferSize = 32768;
inline constexpr std::size_t kVideoPathSize = 1024;

struct JobFileSettings {
  std::int16_t printerType = 0;   // 1 to 57
  std::int16_t canvasNumber = 0;  // the canvas index of the print counts
  tColorSyncPrefs colorSyncPrefs{};
  std::int16_t retailCustomerMetadata = 0;
  Str255 groupCode;
  Str255 customerEmail;
  Str255 jobName;  // without its last extension
  Str255 extraNameText;
  float pageWidth = 0;  // inches
  float pageHeight = 0;
  std::int16_t resolution = 0;  // dots per inch of the page
  std::uint8_t mirror = 0;
  std::uint8_t color = 0;  // 0: the page is turned to grey
  std::int16_t printQuantity = 0;
  myUpdColorAdjustInfo2 colorAdjustOne{};
  KodakSettings kodakSettings{};
  myFujiColorAdjustInfo fujiColorAdjust{};
  std::int16_t mediaMatch = 0;
  std::uint8_t useColorSettings = 0;
  Str31 templateName;
  Str255 packageName;
  myImageColorAdjustInfo sepiaAdjust{};
  std::int16_t toneMode = 0;  // 98 and 99 ask for sepia
  tRecordStruct fieldValues{};
  tRecordStruct fieldNames{};
  tMediaTypePref mediaOne{};
  tMitsubishiMediaPref mitsubishiMedia{};
  tMitsubishiSettings mitsubishiSettings{};
  tMediaTypePref mediaTwo{};
  myUpdColorAdjustInfo2 colorAdjustTwo{};
  tShinkoPrinterSettings shinkoSettings{};
  tNoritsuPrinterSettings noritsuSettings{};
  tDNPPrinterSettings dnpSettings{};
  std::array<std::uint8_t, kOriginalPathSize> originalPath{};  // zero-terminated Mac Roman, if it fits
  std::array<std::uint8_t, kUploadDataSize> uploadData{};      // an archive; its length little-endian at 4092
  std::array<std::uint8_t, kUploadDataSize> emailEntryBuffer{};
  std::array<std::uint8_t, kVideoPathSize> videoPath{};  // zero-terminated UTF-8, if it fits
  // A keyed archive of the job dictionary; its length little-endian at 32764.
  std::array<std::uint8_t, kJobDictionaryBufferSize> fCurrentDictionaryBuffer{};
  tPrint2FileItem print2FileItem{};
  std::int16_t imageQuality = 0;
  tOlmecOP800PrinterSettings olmecSettings{};
  tOldTimePhotoPrefs oldTimePhoto{};
  std::int16_t videoMerge = 0;
  std::int16_t fEnableVideoCopy = 0;
  std::int16_t ignoreOverlays = 0;
  float blurValue = 0;    // radius for the page photographs; 0 blurs nothing
  float subJobWidth = 0;  // inches
  float subJobHeight = 0;
  tSpecialPrintToFilePref printToFileRecord{};
  std::uint8_t hasSubJob = 0;
  std::int16_t saveOriginal = 0;
  std::int16_t subjobResizeMode = 0;
  std::int16_t saveTemplateAsIs = 0;
  std::int16_t matchRotationForPrint = 0;
  std::int16_t rotationForPrint = 0;
  std::int16_t cropWhere = 0;
  std::int16_t printMode = 0;
  std::int16_t cropMode = 0;
  float cropWidth = 0;
  float cropHeight = 0;
  std::int16_t finalCropWhere = 0;
  std::int16_t fixedName = 0;
  std::int16_t resizeMode = kJobResizeMode;
  std::int16_t reductionResizeMode = kJobReductionResizeMode;
  std::int16_t scaleType = kJobScaleType;
  std::int16_t alphaOutput = kJobAlphaOutput;
};

}  // namespace vorl
