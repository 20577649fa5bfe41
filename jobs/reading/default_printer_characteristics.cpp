#include "jobs/reading/default_printer_characteristics.h"

#include <optional>

namespace vorl {

tPrinterInfoStruct gCurrentPrinterInfoStruct;
tPrintImageInfo gCurrentPrintImageInfo;

namespace {

struct ModelAt {
  std::int16_t model;
  std::int16_t resolution;
};

std::optional<ModelAt> modelOfPrinter(std::int16_t printer) noexcept {
  switch (printer) {
    case 1:
      return ModelAt{1, 150};
    case 3:
      return ModelAt{5, 142};
    case 5:
      return ModelAt{10, 300};
    case 6:
      return ModelAt{11, 300};
    case 7:
      return ModelAt{12, 300};
    case 10:
      return ModelAt{1, 300};
    case 18:
      return ModelAt{8, 282};
    case 21:
      return ModelAt{24, 334};
    default:
      return std::nullopt;
  }
}

inline constexpr std::int16_t kNoModel = 0;

struct ModelDefaults {
  std::int16_t resolution;
  std::int16_t width;
  std::int16_t height;
};

// Models 1, 6 and 7 print at two resolutions: the coarse one up to it, the fine one for anything above.
std::optional<ModelDefaults> defaultsOfModel(std::int16_t model, std::int16_t resolution) noexcept {
  switch (model) {
    case 1:
      return resolution <= 150 ? ModelDefaults{150, 1500, 1200} : ModelDefaults{300, 3000, 2400};
    case 2:
      return ModelDefaults{300, 2048, 1536};
    case 3:
      return ModelDefaults{163, 1478, 1280};
    case 5:
      return ModelDefaults{142, 664, 512};
    case 6:
      return resolution <= 155 ? ModelDefaults{155, 682, 512} : ModelDefaults{310, 1365, 1024};
    case 7:
      return resolution <= 155 ? ModelDefaults{155, 823, 512} : ModelDefaults{310, 1646, 1024};
    case 8:
      return ModelDefaults{282, 2048, 1480};
    case 10:
    case 11:
      return ModelDefaults{300, 2400, 3000};
    case 12:
      return ModelDefaults{300, 1500, 2100};
    case 24:
      return ModelDefaults{334, 2338, 1670};
    default:
      return std::nullopt;
  }
}

std::int16_t store(std::int16_t& field, std::int16_t value) noexcept {
  field = value;
  return 0;
}

}  // namespace

std::int16_t setupPrinterCharacteristics(std::int16_t printer, std::int16_t resolution, std::int16_t printTemplate) {
  const std::optional<ModelAt> mapped = modelOfPrinter(printer);
  const std::int16_t model = mapped ? mapped->model : kNoModel;
  const std::int16_t dpi = mapped ? mapped->resolution : resolution;
  if (const std::int16_t error = getDefaultPrinterCharacteristics(model, dpi); error != 0) return error;
  static_cast<void>(setPrintImageInfoDefaultValues());
  static_cast<void>(setPrintImageInfoDesiredDPI(dpi));
  static_cast<void>(setPrintImageInfoDesiredPrintTemplate(printTemplate));
  return 1;
}

std::int16_t getDefaultPrinterCharacteristics(std::int16_t model, std::int16_t resolution) {
  const std::optional<ModelDefaults> defaults = defaultsOfModel(model, resolution);
  if (!defaults) return kUnknownPrinterModel;
  tPrinterInfoStruct& info = gCurrentPrinterInfoStruct;
  info.model = model;
  info.resolution = defaults->resolution;
  info.mode = 0;
  info.printableWidth = defaults->width;
  info.printableHeight = defaults->height;
  info.switches.fill(0);
  return 0;
}

std::int16_t setPrintImageInfoDefaultValues() {
  tPrintImageInfo& info = gCurrentPrintImageInfo;
  info.desiredImageRect = Rect{};
  info.desiredDPI = 0;
  info.printMarkedImages = 0;
  info.imageNumber = 1;
  info.totalImages = 1;
  info.mirrorImage = 0;
  info.laminateImage = 0;
  info.laminationType = 0;
  info.resizeToFitImage = 0;
  info.printAsGrayscale = 0;
  info.checkForMediaType = 0;
  info.rotateImage = 3;
  info.rotateImage180 = 0;
  if (info.printQuantity < 1 || info.printQuantity > 100) info.printQuantity = 1;
  return 0;
}

std::int16_t setPrintImageInfoDesiredImageRect(const Rect& rect) {
  gCurrentPrintImageInfo.desiredImageRect = rect;
  return 0;
}

std::int16_t setPrintImageInfoDesiredDPI(std::int16_t dpi) { return store(gCurrentPrintImageInfo.desiredDPI, dpi); }
std::int16_t setPrintImageInfoImageNumber(std::int16_t number) {
  return store(gCurrentPrintImageInfo.imageNumber, number);
}
std::int16_t setPrintImageInfoTotalImages(std::int16_t total) {
  return store(gCurrentPrintImageInfo.totalImages, total);
}
std::int16_t setPrintImageInfoLaminationType(std::int16_t type) {
  return store(gCurrentPrintImageInfo.laminationType, type);
}
std::int16_t setPrintImageInfoDoRotateImage(std::int16_t rotation) {
  return store(gCurrentPrintImageInfo.rotateImage, rotation);
}
std::int16_t setPrintImageInfoDoRotateImage180(std::int16_t rotation) {
  return store(gCurrentPrintImageInfo.rotateImage180, rotation);
}
std::int16_t setPrintImageInfoDoPrintQuantity(std::int16_t quantity) {
  return store(gCurrentPrintImageInfo.printQuantity, quantity);
}
std::int16_t setPrintImageInfoDesiredPrintTemplate(std::int16_t printTemplate) {
  return store(gCurrentPrintImageInfo.desiredPrintTemplate, printTemplate);
}

std::int16_t setPrintImageInfoSetTrueFalse(std::int16_t* field, std::int16_t value) {
  if (field == nullptr) return -1;
  *field = value > 1 ? 0 : value;
  return 0;
}

std::int16_t setPrintImageInfoDoCheckForMediaType(std::int16_t on) {
  return setPrintImageInfoSetTrueFalse(&gCurrentPrintImageInfo.checkForMediaType, on);
}
std::int16_t setPrintImageInfoDoPrintAsGrayscale(std::int16_t on) {
  return setPrintImageInfoSetTrueFalse(&gCurrentPrintImageInfo.printAsGrayscale, on);
}
std::int16_t setPrintImageInfoDoResizeToFitImage(std::int16_t on) {
  return setPrintImageInfoSetTrueFalse(&gCurrentPrintImageInfo.resizeToFitImage, on);
}
std::int16_t setPrintImageInfoDoLaminateImage(std::int16_t on) {
  return setPrintImageInfoSetTrueFalse(&gCurrentPrintImageInfo.laminateImage, on);
}
std::int16_t setPrintImageInfoDoMirrorImage(std::int16_t on) {
  return setPrintImageInfoSetTrueFalse(&gCurrentPrintImageInfo.mirrorImage, on);
}
std::int16_t setPrintImageInfoDoPrintMarkedImages(std::int16_t on) {
  return setPrintImageInfoSetTrueFalse(&gCurrentPrintImageInfo.printMarkedImages, on);
}

std::int16_t getPrintImageInfoShortValue(std::int16_t value, std::int16_t* destination) {
  if (destination == nullptr) return -1;
  *destination = value;
  return 0;
}

std::int16_t getPrintImageInfoDoPrintQuantity(std::int16_t* quantity) {
  return getPrintImageInfoShortValue(gCurrentPrintImageInfo.printQuantity, quantity);
}

}  // namespace vorl
