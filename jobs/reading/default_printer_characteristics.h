// Default characteristics of the older numbering of printer models, kept in two process-wide records.
//
// A stand-alone facility: the job road takes its printer geometry from the spooler view's output rectangle, and
// nothing reads these records today. They are kept so that code written against the older models still finds
// their defaults. The records are touched only by the job worker.
#pragma once

#include <array>
#include <cstdint>

#include "platform/core/mac_types.h"

namespace vorl {

// The settings for printing one image, every field a signed 16-bit number, in this order.
struct tPrintImageInfo {
  std::int16_t desiredPrintTemplate = 0;
  Rect desiredImageRect{};  // top, left, bottom, right
  std::int16_t desiredDPI = 0;
  std::int16_t printMarkedImages = 0;  // 0/1
  std::int16_t imageNumber = 0;
  std::int16_t totalImages = 0;
  std::int16_t reserved = 0;
  std::int16_t mirrorImage = 0;  // 0/1
  std::int16_t rotateImage = 0;
  std::int16_t rotateImage180 = 0;
  std::int16_t laminateImage = 0;  // 0/1
  std::int16_t laminationType = 0;
  std::int16_t resizeToFitImage = 0;   // 0/1
  std::int16_t printAsGrayscale = 0;   // 0/1
  std::int16_t checkForMediaType = 0;  // 0/1
  std::int16_t printQuantity = 0;
};

inline constexpr std::size_t kPrinterSwitchCount = 8;

// A printer model's defaults. The mode and the switches carry no meaning any code gives them: every model sets
// the mode to 0 and every switch to 0 (off).
struct tPrinterInfoStruct {
  std::int16_t model = 0;
  std::int16_t resolution = 0;  // dots per inch
  std::int16_t mode = 0;
  std::int16_t printableWidth = 0;  // pixels
  std::int16_t printableHeight = 0;
  std::array<std::int16_t, kPrinterSwitchCount> switches{};
};

extern tPrinterInfoStruct gCurrentPrinterInfoStruct;
extern tPrintImageInfo gCurrentPrintImageInfo;

inline constexpr std::int16_t kUnknownPrinterModel = -2;

// Maps the printer number to a model and resolution (eight printer numbers have one), fills the printer record
// for it, then resets the image settings to their defaults with the model's resolution and the template. 1 done;
// kUnknownPrinterModel for any other printer number (it has no model, so `resolution` never comes into play),
// with both records as they were.
std::int16_t setupPrinterCharacteristics(std::int16_t printer, std::int16_t resolution, std::int16_t printTemplate);

// Fills the printer record with the model's defaults for the resolution asked for. 0 done; kUnknownPrinterModel
// (nothing set) for a model not listed.
std::int16_t getDefaultPrinterCharacteristics(std::int16_t model, std::int16_t resolution);

// Resets the image settings: empty rectangle, 0 dpi, image 1 of 1, rotation 3, every switch and the lamination
// type 0, and a print quantity outside 1..100 becomes 1. The template and the reserved field stay. 0.
std::int16_t setPrintImageInfoDefaultValues();

// Each stores its value as given and answers 0.
std::int16_t setPrintImageInfoDesiredImageRect(const Rect& rect);
std::int16_t setPrintImageInfoDesiredDPI(std::int16_t dpi);
std::int16_t setPrintImageInfoImageNumber(std::int16_t number);
std::int16_t setPrintImageInfoTotalImages(std::int16_t total);
std::int16_t setPrintImageInfoLaminationType(std::int16_t type);
std::int16_t setPrintImageInfoDoRotateImage(std::int16_t rotation);
std::int16_t setPrintImageInfoDoRotateImage180(std::int16_t rotation);
std::int16_t setPrintImageInfoDoPrintQuantity(std::int16_t quantity);
std::int16_t setPrintImageInfoDesiredPrintTemplate(std::int16_t printTemplate);

// Stores a switch: a value above 1 is stored as 0, any other as given. 0; −1 without a field.
std::int16_t setPrintImageInfoSetTrueFalse(std::int16_t* field, std::int16_t value);
// The switches, each through setPrintImageInfoSetTrueFalse.
std::int16_t setPrintImageInfoDoCheckForMediaType(std::int16_t on);
std::int16_t setPrintImageInfoDoPrintAsGrayscale(std::int16_t on);
std::int16_t setPrintImageInfoDoResizeToFitImage(std::int16_t on);
std::int16_t setPrintImageInfoDoLaminateImage(std::int16_t on);
std::int16_t setPrintImageInfoDoMirrorImage(std::int16_t on);
std::int16_t setPrintImageInfoDoPrintMarkedImages(std::int16_t on);

// Copies the value into `destination`. 0; −1 without a destination.
std::int16_t getPrintImageInfoShortValue(std::int16_t value, std::int16_t* destination);
// The print quantity, through getPrintImageInfoShortValue.
std::int16_t getPrintImageInfoDoPrintQuantity(std::int16_t* quantity);

}  // namespace vorl
