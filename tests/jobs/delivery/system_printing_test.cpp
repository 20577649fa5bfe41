// Printer type 8: the page printed through a real CUPS scheduler of the test's own, read back with poppler's
// tools (pdfinfo for the sheet, pdftoppm to find where the picture landed).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "imaging/image_files/image_road_globals.h"
#include "jobs/delivery/chooser_print_geometry.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/counts/print_count_hook.h"
#include "jobs/engine/spooler_print_view.h"
#include "jobs/delivery/system_print_output.h"
#include "platform/system/command_runner.h"
#include "tests/jobs/job_test_support.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"
#include "tests/support/private_cups.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;

// ---- Placement arithmetic, no printer needed ----

Rect rect(int width, int height) { return makeRect(0, 0, height, width); }

TEST(ChooserPrintGeometry, PhysicalSizeIsCentredOrReducedByTheSmallerRatio) {
  const struct {
    const char* name;
    int pictureW, pictureH;
    std::int16_t imageDpi, printerDpi;
    int pageW, pageH;
    Rect expected;  // top, left, bottom, right
  } cases[] = {
      {"fits: 4 x 6 in on 8 x 10.67 in", 1200, 1800, 300, 600, 4800, 6400, makeRect(1400, 1200, 5000, 3600)},
      {"a spare of 1 dot stays at the edge", 99, 50, 100, 100, 100, 50, makeRect(0, 0, 50, 99)},
      {"too wide only", 200, 50, 100, 100, 100, 100, makeRect(37, 0, 62, 100)},
      {"too tall only", 50, 200, 100, 100, 100, 100, makeRect(0, 37, 100, 62)},
      {"too large both ways: the smaller ratio", 400, 300, 100, 100, 200, 100, makeRect(0, 33, 100, 166)},
      // One side exactly the page's and the other larger: reduced, never clipped.
      {"equal width, taller", 100, 300, 100, 100, 100, 150, makeRect(0, 25, 150, 75)},
      {"equal height, wider", 300, 100, 100, 100, 150, 100, makeRect(25, 0, 75, 150)},
      {"no resolution: no scaling", 10, 10, 0, 600, 100, 100, makeRect(45, 45, 55, 55)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rect page = rect(c.pageW, c.pageH);
    EXPECT_TRUE(computeAdjustedRect(rect(c.pictureW, c.pictureH), page, c.imageDpi, c.imageDpi, c.printerDpi,
                                    c.printerDpi));
    EXPECT_EQ(page.top, c.expected.top);
    EXPECT_EQ(page.left, c.expected.left);
    EXPECT_EQ(page.bottom, c.expected.bottom);
    EXPECT_EQ(page.right, c.expected.right);
  }
}

OffscreenPtr newPage(int width, int height) {
  const Rect bounds = rect(width, height);
  return OffscreenPtr{myNewGWorld(&bounds)};
}

void setPixel(const Offscreen& page, int x, int y, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  std::uint8_t* p = page.view().localPixel(x, y);
  p[0] = 0, p[1] = red, p[2] = green, p[3] = blue;
}

TEST(ChooserPrintGeometry, ALandscapePageOnAPortraitSheetIsTurnedClockwise) {
  OffscreenPtr page = newPage(3, 2);
  setPixel(*page, 0, 0, 1, 0, 0);  // top-left
  Rect sheet = rect(600, 900);
  const OffscreenPtr turned = rescaleImageForChooserPrinting(page.get(), 100, sheet, 100, true);
  ASSERT_TRUE(turned);
  EXPECT_EQ(turned->width(), 2);
  EXPECT_EQ(turned->height(), 3);
  EXPECT_EQ(turned->view().localPixel(1, 0)[1], 1);  // clockwise: the top-left corner goes to the top-right
  EXPECT_EQ(rectWidth(sheet), 2);
  EXPECT_EQ(rectHeight(sheet), 3);

  Rect same = rect(900, 600);  // landscape on landscape (a square counts as landscape too)
  EXPECT_FALSE(rescaleImageForChooserPrinting(page.get(), 100, same, 100, true));
  Rect square = rect(600, 600);
  EXPECT_FALSE(rescaleImageForChooserPrinting(page.get(), 100, square, 100, true));
  Rect noTurn = rect(600, 900);
  EXPECT_FALSE(rescaleImageForChooserPrinting(page.get(), 100, noTurn, 100, false));
  EXPECT_EQ(rectWidth(noTurn), 3);

  Rect untouched = rect(600, 900);
  EXPECT_FALSE(rescaleImageForChooserPrinting(nullptr, 100, untouched, 100, true));
  EXPECT_EQ(untouched.right, 600);
  EXPECT_EQ(untouched.bottom, 900);
}

TEST(ChooserPrintGeometry, APictureInAFrameIsReducedOnlyWhenTooLarge) {
  const FittedPicture small = fitPictureInFrame(200, 100, 842, 595);
  EXPECT_DOUBLE_EQ(small.width, 200);
  EXPECT_DOUBLE_EQ(small.left, 321);
  const FittedPicture large = fitPictureInFrame(1200, 1800, 842, 595);
  EXPECT_DOUBLE_EQ(large.height, 595);
  EXPECT_NEAR(large.width, 1200 * 595.0 / 1800, 1e-9);
  EXPECT_NEAR(large.left, (842 - large.width) / 2, 1e-9);
}

TEST(SystemPageSetup, PaperAndOrientationComeFromThePrintInfo) {
  const ArchivedValue byName = ArchivedValue::object(
      "NSPrintInfo", {{"NSAttributes", ArchivedValue::dictionary({{"NSPaperName", ArchivedValue::string("iso-a4")},
                                                                  {"NSOrientation", ArchivedValue::integer(1)}})}});
  SystemPageSetup setup = pageSetupFromPrintInfo(byName);
  EXPECT_EQ(setup.paper.id(), QPageSize::A4);
  EXPECT_EQ(setup.orientation, QPageLayout::Landscape);

  const ArchivedValue bySize = ArchivedValue::object(
      "NSPrintInfo",
      {{"NSAttributes",
        ArchivedValue::dictionary(
            {{"NSPaperName", ArchivedValue::string("iso-a4")},
             {"NSPaperSize", ArchivedValue::object("NSValue", {{"NS.special", ArchivedValue::integer(2)},
                                                               {"NS.sizeval", ArchivedValue::string("{612, 792}")}})}})}});
  setup = pageSetupFromPrintInfo(bySize);
  EXPECT_EQ(setup.paper.id(), QPageSize::Letter);
  EXPECT_EQ(setup.orientation, QPageLayout::Portrait);

  EXPECT_FALSE(pageSetupFromPrintInfo(ArchivedValue::object("NSPrintInfo", {})).paper.isValid());
}

// ---- Through the scheduler ----

struct PrintedSheet {
  double widthPoints = 0, heightPoints = 0;
  // Where non-white ink lies, in points from the sheet's top-left (rasterised at 72 per inch).
  int left = -1, top = -1, right = -1, bottom = -1;
  std::vector<std::uint8_t> grey;  // the raster, one byte a point
  int rasterWidth = 0;
  std::uint8_t at(int x, int y) const { return grey[static_cast<std::size_t>(y) * rasterWidth + x]; }
};

// Reads the printed PDF with poppler, not with anything of ours.
std::optional<PrintedSheet> readSheet(const std::vector<std::uint8_t>& pdf) {
  const fs::path folder = test::makeTempFolder("printed");
  const fs::path file = folder / "printed.pdf";
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(pdf.data()), pdf.size());
  const CommandResult info = runCommand({"pdfinfo", file.string()});
  if (!info.succeeded()) return std::nullopt;
  PrintedSheet sheet;
  const std::size_t at = info.standardOutput.find("Page size:");
  if (at == std::string::npos ||
      std::sscanf(info.standardOutput.c_str() + at, "Page size: %lf x %lf", &sheet.widthPoints, &sheet.heightPoints) != 2)
    return std::nullopt;
  if (!runCommand({"pdftoppm", "-r", "72", "-gray", "-singlefile", file.string(), (folder / "sheet").string()})
           .succeeded())
    return std::nullopt;
  std::ifstream in(folder / "sheet.pgm", std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  in >> magic >> width >> height >> maximum;
  in.get();
  if (magic != "P5" || width <= 0 || height <= 0) return std::nullopt;
  sheet.rasterWidth = width;
  sheet.grey.resize(static_cast<std::size_t>(width) * height);
  in.read(reinterpret_cast<char*>(sheet.grey.data()), static_cast<std::streamsize>(sheet.grey.size()));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (sheet.at(x, y) < 200) {
        if (sheet.left < 0 || x < sheet.left) sheet.left = x;
        if (sheet.top < 0) sheet.top = y;
        sheet.right = std::max(sheet.right, x + 1);
        sheet.bottom = y + 1;
      }
  return sheet;
}

// A mid-grey page with a black square in its top-left corner, so a turn shows.
OffscreenPtr markedPage(int width, int height) {
  OffscreenPtr page = newPage(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint8_t level = (x < width / 5 && y < height / 5) ? 0 : 128;
      setPixel(*page, x, y, level, level, level);
    }
  return page;
}

class SystemPrinting : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* tool : {"cupsd", "lpadmin", "pdfinfo", "pdftoppm"})
      if (!runCommand({"sh", "-c", std::string("command -v ") + tool}).succeeded()) {
        skipReason_ = std::string(tool) + " is not installed (tools/install-deps installs it)";
        return;
      }
    cups_ = std::make_unique<test::PrivateCups>();
    if (!cups_->running()) skipReason_ = "no CUPS scheduler could be started here: " + cups_->failure();
    else if (!cups_->failure().empty()) setupFailure_ = cups_->failure();
  }
  static void TearDownTestSuite() { cups_.reset(); }

  void SetUp() override {
    if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    ASSERT_TRUE(setupFailure_.empty()) << setupFailure_;
  }

  // The newest job of the scheduler, completed, with its document read back.
  struct Printed {
    std::map<std::string, std::string> attributes;
    PrintedSheet sheet;
  };
  static std::optional<Printed> lastJob() {
    int newest = 0;
    for (int id = 1; id < 100; ++id)
      if (!cups_->jobAttributes(id).empty()) newest = id;
    if (newest == 0 || !cups_->waitForCompletion(newest, 10)) return std::nullopt;
    const auto document = cups_->document(newest);
    if (!document) return std::nullopt;
    auto sheet = readSheet(*document);
    if (!sheet) return std::nullopt;
    return Printed{cups_->jobAttributes(newest), *sheet};
  }

  static inline std::unique_ptr<test::PrivateCups> cups_;
  static inline std::string skipReason_;
  static inline std::string setupFailure_;
};

TEST_F(SystemPrinting, WithoutAPageSetupThePagePrintsAtItsSizeCentredOnTheDefaultPaper) {
  test::MessageRecorder messages;
  // 1200 x 1800 pixels at 300 dots per inch: 4 x 6 inches, 288 x 432 points.
  ASSERT_EQ(printThroughTheSystem(markedPage(1200, 1800), std::nullopt, 300, "physical size"), kDrawOK);
  EXPECT_TRUE(messages.messages().empty());
  auto printed = lastJob();
  ASSERT_TRUE(printed);
  const PrintedSheet& sheet = printed->sheet;
  EXPECT_LT(sheet.widthPoints, sheet.heightPoints);
  EXPECT_EQ(printed->attributes["job-name"], "physical size");
  EXPECT_EQ(printed->attributes["orientation-requested"], "portrait");
  // The paper asked for is the paper the document was laid out on.
  const std::string media = printed->attributes["media"];
  if (std::fabs(sheet.widthPoints - 612) < 0.5) EXPECT_EQ(media, "na_letter_8.5x11in");
  else if (std::fabs(sheet.widthPoints - 595.28) < 0.5) EXPECT_EQ(media, "iso_a4_210x297mm");
  else ADD_FAILURE() << "unexpected default paper " << sheet.widthPoints << " x " << sheet.heightPoints << " " << media;
  EXPECT_NEAR(sheet.right - sheet.left, 288, 1.5);
  EXPECT_NEAR(sheet.bottom - sheet.top, 432, 1.5);
  EXPECT_NEAR(sheet.left, (sheet.widthPoints - 288) / 2, 1.5);
  EXPECT_NEAR(sheet.top, (sheet.heightPoints - 432) / 2, 1.5);
  EXPECT_LT(sheet.at(sheet.left + 5, sheet.top + 5), 40);  // the black corner is still top-left
}

TEST_F(SystemPrinting, ALandscapePageIsTurnedOntoThePortraitPaper) {
  ASSERT_EQ(printThroughTheSystem(markedPage(1800, 1200), std::nullopt, 300, "turned"), kDrawOK);
  auto printed = lastJob();
  ASSERT_TRUE(printed);
  const PrintedSheet& sheet = printed->sheet;
  EXPECT_NEAR(sheet.right - sheet.left, 288, 1.5);
  EXPECT_NEAR(sheet.bottom - sheet.top, 432, 1.5);
  // Turned clockwise: the page's top-left corner is now the printed top-right.
  EXPECT_LT(sheet.at(sheet.right - 5, sheet.top + 5), 40);
  EXPECT_GT(sheet.at(sheet.left + 5, sheet.top + 5), 100);
}

TEST_F(SystemPrinting, APageLargerThanThePaperIsReducedWhole) {
  // 20 x 20 inches: reduced to the paper's width, centred top to bottom.
  ASSERT_EQ(printThroughTheSystem(markedPage(1000, 1000), std::nullopt, 50, "large"), kDrawOK);
  auto printed = lastJob();
  ASSERT_TRUE(printed);
  const PrintedSheet& sheet = printed->sheet;
  EXPECT_NEAR(sheet.left, 0, 1.5);
  EXPECT_NEAR(sheet.right, sheet.widthPoints, 1.5);
  EXPECT_NEAR(sheet.bottom - sheet.top, sheet.widthPoints, 1.5);
  EXPECT_NEAR(sheet.top, (sheet.heightPoints - sheet.widthPoints) / 2, 1.5);
}

ArchivedValue a4Landscape() {
  return ArchivedValue::object(
      "NSPrintInfo", {{"NSAttributes", ArchivedValue::dictionary({{"NSPaperName", ArchivedValue::string("iso-a4")},
                                                                  {"NSOrientation", ArchivedValue::integer(1)}})}});
}

TEST_F(SystemPrinting, WithAPageSetupThePictureIsFittedIntoTheSheetItNames) {
  const struct {
    const char* name;
    int width, height;
    double placedWidth, placedHeight;  // points
  } cases[] = {
      // 1200 x 1800 points does not fit 841.9 x 595.3: reduced by 595.3 / 1800.
      {"reduced", 1200, 1800, 1200 * 595.2756 / 1800, 595.2756},
      // Small enough: one pixel a point.
      {"as it is", 200, 100, 200, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(printThroughTheSystem(markedPage(c.width, c.height), a4Landscape(), 300, c.name), kDrawOK);
    EXPECT_TRUE(fs::exists(vorlPreferencesFolder() / kSystemPrintPictureName));
    auto printed = lastJob();
    ASSERT_TRUE(printed);
    const PrintedSheet& sheet = printed->sheet;
    EXPECT_NEAR(sheet.widthPoints, 841.89, 0.5);
    EXPECT_NEAR(sheet.heightPoints, 595.28, 0.5);
    EXPECT_EQ(printed->attributes["media"], "iso_a4_210x297mm");
    EXPECT_EQ(printed->attributes["orientation-requested"], "landscape");
    EXPECT_NEAR(sheet.right - sheet.left, c.placedWidth, 1.5);
    EXPECT_NEAR(sheet.bottom - sheet.top, c.placedHeight, 1.5);
    EXPECT_NEAR(sheet.left, (sheet.widthPoints - c.placedWidth) / 2, 1.5);
    EXPECT_NEAR(sheet.top, (sheet.heightPoints - c.placedHeight) / 2, 1.5);
  }
}

TEST_F(SystemPrinting, AStoppedPrinterOrNoDefaultPrinterFailsTheJob) {
  {
    ASSERT_EQ(cups_->run({"cupsdisable", test::PrivateCups::kQueue}), 0);
    test::MessageRecorder messages;
    EXPECT_EQ(printThroughTheSystem(markedPage(300, 200), std::nullopt, 300, "stopped"), kOutputFailed);
    EXPECT_EQ(printThroughTheSystem(markedPage(300, 200), a4Landscape(), 300, "stopped"), kOutputFailed);
    ASSERT_EQ(messages.messages().size(), 2u);
    EXPECT_NE(messages.messages()[0].find("is stopped"), std::string::npos) << messages.messages()[0];
    ASSERT_EQ(cups_->run({"cupsenable", test::PrivateCups::kQueue}), 0);
  }
  {
    ASSERT_TRUE(cups_->removeQueue());
    test::MessageRecorder messages;
    EXPECT_EQ(printThroughTheSystem(markedPage(300, 200), std::nullopt, 300, "nowhere"), kOutputFailed);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].find("no default printer"), std::string::npos) << messages.messages()[0];
    ASSERT_TRUE(cups_->addQueue());
  }
  test::MessageRecorder messages;
  EXPECT_EQ(printThroughTheSystem(nullptr, std::nullopt, 300, "no page"), kOutputFailed);
  EXPECT_EQ(messages.messages().size(), 1u);
}

TEST_F(SystemPrinting, PrinterType8JobsPrintThroughTheSystemAndCountAsSystemPrints) {
  test::JobSpec spec = test::minimalJob();
  spec.printerType = 8;
  spec.printerBlock.clear();
  spec.toneMode = 0;
  spec.jobName = "Smith order.jpg";
  test::RecordingObserver observer;
  TSpoolerPrintView view(&observer);
  ASSERT_EQ(view.ReadJobFile(test::writeJobFile(spec).bytes), kJobReadOK);
  view.SetPageOffscreen(markedPage(1200, 1800));
  std::vector<std::int16_t> kinds;
  setPrintCountAdder([&](std::int16_t, std::int16_t kind, std::int16_t, std::int16_t) { kinds.push_back(kind); });

  EXPECT_EQ(view.FinishJob(), kDrawOK);
  setPrintCountAdder({});
  EXPECT_EQ(view.pageOffscreen(), nullptr);  // handed to the printing
  EXPECT_EQ(kinds, std::vector<std::int16_t>{1});
  auto printed = lastJob();
  ASSERT_TRUE(printed);
  EXPECT_EQ(printed->attributes["job-name"], "Smith order");
}

}  // namespace
}  // namespace vorl
