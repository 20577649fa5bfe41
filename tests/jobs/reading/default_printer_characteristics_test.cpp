// The defaults of the older printer models: the model table, the printer-number mapping, the image settings'
// defaults and the setters that keep the switches to 0 and 1.
#include "jobs/reading/default_printer_characteristics.h"

#include <gtest/gtest.h>

#include <functional>

namespace vorl {
namespace {

// Values no default sets, so that a field left alone or overwritten shows.
tPrinterInfoStruct markedPrinterInfo() {
  tPrinterInfoStruct info;
  info.model = 77;
  info.resolution = 777;
  info.mode = 7;
  info.printableWidth = 7777;
  info.printableHeight = 7778;
  info.switches.fill(7);
  return info;
}

tPrintImageInfo markedImageInfo() {
  tPrintImageInfo info;
  info.desiredPrintTemplate = 41;
  info.desiredImageRect = Rect{1, 2, 3, 4};
  info.desiredDPI = 42;
  info.printMarkedImages = 43;
  info.imageNumber = 44;
  info.totalImages = 45;
  info.reserved = 46;
  info.mirrorImage = 47;
  info.rotateImage = 48;
  info.rotateImage180 = 49;
  info.laminateImage = 50;
  info.laminationType = 51;
  info.resizeToFitImage = 52;
  info.printAsGrayscale = 53;
  info.checkForMediaType = 54;
  info.printQuantity = 55;
  return info;
}

bool samePrinterInfo(const tPrinterInfoStruct& a, const tPrinterInfoStruct& b) {
  return a.model == b.model && a.resolution == b.resolution && a.mode == b.mode &&
         a.printableWidth == b.printableWidth && a.printableHeight == b.printableHeight && a.switches == b.switches;
}

bool sameRect(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

bool sameImageInfo(const tPrintImageInfo& a, const tPrintImageInfo& b) {
  return a.desiredPrintTemplate == b.desiredPrintTemplate && sameRect(a.desiredImageRect, b.desiredImageRect) &&
         a.desiredDPI == b.desiredDPI && a.printMarkedImages == b.printMarkedImages && a.imageNumber == b.imageNumber &&
         a.totalImages == b.totalImages && a.reserved == b.reserved && a.mirrorImage == b.mirrorImage &&
         a.rotateImage == b.rotateImage && a.rotateImage180 == b.rotateImage180 && a.laminateImage == b.laminateImage &&
         a.laminationType == b.laminationType && a.resizeToFitImage == b.resizeToFitImage &&
         a.printAsGrayscale == b.printAsGrayscale && a.checkForMediaType == b.checkForMediaType &&
         a.printQuantity == b.printQuantity;
}

class PrinterDefaults : public testing::Test {
 protected:
  void SetUp() override {
    gCurrentPrinterInfoStruct = markedPrinterInfo();
    gCurrentPrintImageInfo = markedImageInfo();
  }
  void TearDown() override {
    gCurrentPrinterInfoStruct = {};
    gCurrentPrintImageInfo = {};
  }
};

void expectPrinter(std::int16_t model, std::int16_t resolution, std::int16_t width, std::int16_t height) {
  const tPrinterInfoStruct& info = gCurrentPrinterInfoStruct;
  EXPECT_EQ(info.model, model);
  EXPECT_EQ(info.resolution, resolution);
  EXPECT_EQ(info.printableWidth, width);
  EXPECT_EQ(info.printableHeight, height);
  EXPECT_EQ(info.mode, 0);
  for (std::int16_t on : info.switches) EXPECT_EQ(on, 0);
}

TEST_F(PrinterDefaults, EveryModelAndResolutionStep) {
  const struct {
    std::int16_t model, asked;
    std::int16_t resolution, width, height;
  } cases[] = {
      {1, 150, 150, 1500, 1200},  {1, 72, 150, 1500, 1200},   {1, 151, 300, 3000, 2400},  {1, 600, 300, 3000, 2400},
      {2, 0, 300, 2048, 1536},    {2, 600, 300, 2048, 1536},  {3, 300, 163, 1478, 1280},  {5, 300, 142, 664, 512},
      {6, 155, 155, 682, 512},    {6, 156, 310, 1365, 1024},  {7, 155, 155, 823, 512},    {7, 310, 310, 1646, 1024},
      {8, 150, 282, 2048, 1480},  {10, 150, 300, 2400, 3000}, {11, 600, 300, 2400, 3000}, {12, 0, 300, 1500, 2100},
      {24, 300, 334, 2338, 1670},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "model " << c.model << " at " << c.asked);
    gCurrentPrinterInfoStruct = markedPrinterInfo();
    EXPECT_EQ(getDefaultPrinterCharacteristics(c.model, c.asked), 0);
    expectPrinter(c.model, c.resolution, c.width, c.height);
  }
  EXPECT_TRUE(sameImageInfo(gCurrentPrintImageInfo, markedImageInfo())) << "the image settings are not touched";
}

TEST_F(PrinterDefaults, UnknownModelSetsNothing) {
  for (std::int16_t model : {0, 4, 9, 13, 23, 25, -1}) {
    SCOPED_TRACE(model);
    EXPECT_EQ(getDefaultPrinterCharacteristics(model, 300), kUnknownPrinterModel);
    EXPECT_TRUE(samePrinterInfo(gCurrentPrinterInfoStruct, markedPrinterInfo()));
  }
}

TEST_F(PrinterDefaults, PrinterNumbersMapToModelsAndTheImageSettingsTakeTheirResolution) {
  const struct {
    std::int16_t printer;
    std::int16_t model, resolution, width, height;
  } cases[] = {
      {1, 1, 150, 1500, 1200},  {3, 5, 142, 664, 512},    {5, 10, 300, 2400, 3000}, {6, 11, 300, 2400, 3000},
      {7, 12, 300, 1500, 2100}, {10, 1, 300, 3000, 2400}, {18, 8, 282, 2048, 1480}, {21, 24, 334, 2338, 1670},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "printer " << c.printer);
    gCurrentPrinterInfoStruct = markedPrinterInfo();
    gCurrentPrintImageInfo = markedImageInfo();
    // The resolution asked for does not override the printer's own.
    EXPECT_EQ(setupPrinterCharacteristics(c.printer, 999, 12), 1);
    expectPrinter(c.model, c.resolution, c.width, c.height);
    tPrintImageInfo expected = markedImageInfo();
    expected.desiredPrintTemplate = 12;
    expected.desiredImageRect = Rect{};
    expected.desiredDPI = c.resolution;
    expected.printMarkedImages = 0;
    expected.imageNumber = 1;
    expected.totalImages = 1;
    expected.mirrorImage = 0;
    expected.rotateImage = 3;
    expected.rotateImage180 = 0;
    expected.laminateImage = 0;
    expected.laminationType = 0;
    expected.resizeToFitImage = 0;
    expected.printAsGrayscale = 0;
    expected.checkForMediaType = 0;
    expected.printQuantity = 55;  // within 1..100: kept
    EXPECT_TRUE(sameImageInfo(gCurrentPrintImageInfo, expected));
  }
}

TEST_F(PrinterDefaults, UnmappedPrinterNumbersAnswerUnknownModelWithNothingSet) {
  for (std::int16_t printer : {0, 2, 4, 8, 9, 11, 17, 22, 57, -1}) {
    SCOPED_TRACE(printer);
    EXPECT_EQ(setupPrinterCharacteristics(printer, 300, 5), kUnknownPrinterModel);
    EXPECT_TRUE(samePrinterInfo(gCurrentPrinterInfoStruct, markedPrinterInfo()));
    EXPECT_TRUE(sameImageInfo(gCurrentPrintImageInfo, markedImageInfo()));
  }
}

TEST_F(PrinterDefaults, DefaultValuesKeepAQuantityFromOneToAHundred) {
  const struct {
    std::int16_t before, after;
  } cases[] = {{1, 1}, {50, 50}, {100, 100}, {0, 1}, {101, 1}, {-3, 1}, {32767, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    gCurrentPrintImageInfo = markedImageInfo();
    gCurrentPrintImageInfo.printQuantity = c.before;
    EXPECT_EQ(setPrintImageInfoDefaultValues(), 0);
    const tPrintImageInfo& info = gCurrentPrintImageInfo;
    EXPECT_EQ(info.printQuantity, c.after);
    EXPECT_TRUE(sameRect(info.desiredImageRect, Rect{}));
    EXPECT_EQ(info.desiredDPI, 0);
    EXPECT_EQ(info.imageNumber, 1);
    EXPECT_EQ(info.totalImages, 1);
    EXPECT_EQ(info.rotateImage, 3);
    EXPECT_EQ(info.rotateImage180, 0);
    EXPECT_EQ(info.laminationType, 0);
    for (std::int16_t on : {info.printMarkedImages, info.mirrorImage, info.laminateImage, info.resizeToFitImage,
                            info.printAsGrayscale, info.checkForMediaType})
      EXPECT_EQ(on, 0);
    EXPECT_EQ(info.desiredPrintTemplate, 41) << "the template stays";
    EXPECT_EQ(info.reserved, 46);
  }
}

TEST_F(PrinterDefaults, SwitchSettersStoreAboveOneAsZero) {
  const struct {
    const char* name;
    std::function<std::int16_t(std::int16_t)> set;
    std::int16_t tPrintImageInfo::*field;
  } setters[] = {
      {"check for media type", setPrintImageInfoDoCheckForMediaType, &tPrintImageInfo::checkForMediaType},
      {"print as grayscale", setPrintImageInfoDoPrintAsGrayscale, &tPrintImageInfo::printAsGrayscale},
      {"resize to fit", setPrintImageInfoDoResizeToFitImage, &tPrintImageInfo::resizeToFitImage},
      {"laminate", setPrintImageInfoDoLaminateImage, &tPrintImageInfo::laminateImage},
      {"mirror", setPrintImageInfoDoMirrorImage, &tPrintImageInfo::mirrorImage},
      {"print marked images", setPrintImageInfoDoPrintMarkedImages, &tPrintImageInfo::printMarkedImages},
  };
  const struct { std::int16_t given, stored; } values[] = {{0, 0}, {1, 1}, {2, 0}, {300, 0}, {32767, 0}, {-1, -1}};
  for (const auto& setter : setters) {
    for (const auto& v : values) {
      SCOPED_TRACE(testing::Message() << setter.name << " " << v.given);
      gCurrentPrintImageInfo = markedImageInfo();
      EXPECT_EQ(setter.set(v.given), 0);
      tPrintImageInfo expected = markedImageInfo();
      expected.*setter.field = v.stored;
      EXPECT_TRUE(sameImageInfo(gCurrentPrintImageInfo, expected)) << "only its own field changes";
    }
  }
  EXPECT_EQ(setPrintImageInfoSetTrueFalse(nullptr, 1), -1);
}

TEST_F(PrinterDefaults, ValueSettersStoreAsGiven) {
  const struct {
    const char* name;
    std::function<std::int16_t(std::int16_t)> set;
    std::int16_t tPrintImageInfo::*field;
  } setters[] = {
      {"dpi", setPrintImageInfoDesiredDPI, &tPrintImageInfo::desiredDPI},
      {"image number", setPrintImageInfoImageNumber, &tPrintImageInfo::imageNumber},
      {"total images", setPrintImageInfoTotalImages, &tPrintImageInfo::totalImages},
      {"lamination type", setPrintImageInfoLaminationType, &tPrintImageInfo::laminationType},
      {"rotate", setPrintImageInfoDoRotateImage, &tPrintImageInfo::rotateImage},
      {"rotate 180", setPrintImageInfoDoRotateImage180, &tPrintImageInfo::rotateImage180},
      {"quantity", setPrintImageInfoDoPrintQuantity, &tPrintImageInfo::printQuantity},
      {"template", setPrintImageInfoDesiredPrintTemplate, &tPrintImageInfo::desiredPrintTemplate},
  };
  for (const auto& setter : setters) {
    for (std::int16_t value : {0, 2, 250, -5}) {
      SCOPED_TRACE(testing::Message() << setter.name << " " << value);
      gCurrentPrintImageInfo = markedImageInfo();
      EXPECT_EQ(setter.set(value), 0);
      tPrintImageInfo expected = markedImageInfo();
      expected.*setter.field = value;
      EXPECT_TRUE(sameImageInfo(gCurrentPrintImageInfo, expected));
    }
  }
  EXPECT_EQ(setPrintImageInfoDesiredImageRect(Rect{10, 20, 30, 40}), 0);
  EXPECT_TRUE(sameRect(gCurrentPrintImageInfo.desiredImageRect, Rect{10, 20, 30, 40}));
}

TEST_F(PrinterDefaults, PrintQuantityIsAnsweredIntoItsDestination) {
  ASSERT_EQ(setPrintImageInfoDoPrintQuantity(17), 0);
  std::int16_t quantity = 0;
  EXPECT_EQ(getPrintImageInfoDoPrintQuantity(&quantity), 0);
  EXPECT_EQ(quantity, 17);
  EXPECT_EQ(getPrintImageInfoDoPrintQuantity(nullptr), -1);
}

}  // namespace
}  // namespace vorl
