#include "jobs/delivery/system_print_output.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include <QImage>
#include <QPainter>
#include <QString>

#include "foundation/services/messages.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/codecs/jpeg_file.h"
#include "jobs/delivery/chooser_print_geometry.h"
#include "jobs/engine/drawing_results.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "platform/system/system_printing.h"

namespace vorl {
namespace {

inline constexpr double kPointsPerInch = 72.0;

// NSPrintInfo keeps its settings in "NSAttributes"; older archives put them on the object itself.
const ArchivedValue* printInfoField(const ArchivedValue& printInfo, std::string_view key) {
  if (const ArchivedValue* attributes = printInfo.find("NSAttributes"); attributes != nullptr) {
    if (const ArchivedValue* value = attributes->find(key); value != nullptr) return value;
  }
  return printInfo.find(key);
}

// An NSSize as Foundation archives it: an NSValue whose "NS.sizeval" reads "{612, 792}".
std::optional<QSizeF> archivedSize(const ArchivedValue& value) {
  const std::string* text = value.asString();
  if (text == nullptr) {
    const ArchivedValue* size = value.find("NS.sizeval");
    if (size != nullptr) text = size->asString();
  }
  double width = 0, height = 0;
  if (text == nullptr || std::sscanf(text->c_str(), " {%lf , %lf}", &width, &height) != 2) return std::nullopt;
  if (!(width > 0 && height > 0 && width < 100000 && height < 100000)) return std::nullopt;
  return QSizeF(width, height);
}

QPageSize paperNamed(const std::string& name) {
  static const std::pair<const char*, QPageSize::PageSizeId> kNames[] = {
      {"na-letter", QPageSize::Letter}, {"Letter", QPageSize::Letter}, {"US Letter", QPageSize::Letter},
      {"na-legal", QPageSize::Legal},   {"Legal", QPageSize::Legal},   {"US Legal", QPageSize::Legal},
      {"iso-a3", QPageSize::A3},        {"A3", QPageSize::A3},         {"iso-a4", QPageSize::A4},
      {"A4", QPageSize::A4},            {"iso-a5", QPageSize::A5},     {"A5", QPageSize::A5},
      {"iso-a6", QPageSize::A6},        {"A6", QPageSize::A6},
  };
  for (const auto& [known, id] : kNames)
    if (name == known) return QPageSize(id);
  return {};
}

std::int16_t notPrinted(const std::string& why) {
  systemLogf("The page was not printed: %s", why.c_str());
  DisplayNormalMessage(("The page was not printed: " + why + ".").c_str());
  return kOutputFailed;
}

std::int16_t submit(SystemPrintPage page) {
  const SystemPrintResult result = printPageOnDefaultDestination(page);
  if (!result.accepted) return notPrinted(result.error);
  systemLogf("The page went to the printer \"%s\" as job %d", result.destination.c_str(), result.jobId);
  return kDrawOK;
}

// The page as the printing system's picture: a 72 dots per inch JPEG in the preferences folder.
bool writePrintPicture(const Offscreen& page, std::filesystem::path& file) {
  codec::Bytes jpeg;
  if (codec::encodeJpeg(page, EncodeOptions{.dpi = 72, .quality = 75}, jpeg, kSystemPrintPictureName) != noErr)
    return false;
  const std::filesystem::path folder = vorlPreferencesFolder();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  file = folder / kSystemPrintPictureName;
  return writeFileAtomically(file, std::span<const std::uint8_t>(jpeg), true) == noErr;
}

}  // namespace

SystemPageSetup pageSetupFromPrintInfo(const ArchivedValue& printInfo) {
  SystemPageSetup setup;
  if (const ArchivedValue* size = printInfoField(printInfo, "NSPaperSize"); size != nullptr) {
    if (const std::optional<QSizeF> points = archivedSize(*size))
      // The archive stores the size as the sheet lies, so a landscape setup has the long side first.
      setup.paper = QPageSize(QSizeF(std::min(points->width(), points->height()),
                                     std::max(points->width(), points->height())),
                              QPageSize::Point, {}, QPageSize::FuzzyMatch);
  }
  if (!setup.paper.isValid()) {
    if (const ArchivedValue* name = printInfoField(printInfo, "NSPaperName"); name != nullptr && name->asString())
      setup.paper = paperNamed(*name->asString());
  }
  if (const ArchivedValue* orientation = printInfoField(printInfo, "NSOrientation"); orientation != nullptr) {
    if (const std::int64_t* value = orientation->asInteger(); value != nullptr && *value == 1)
      setup.orientation = QPageLayout::Landscape;
  }
  return setup;
}

std::int16_t doChooserPrintWithCocoa(OffscreenPtr page, const ArchivedValue& pageSetup, std::string_view jobName) {
  if (!page) return notPrinted("there is no page");
  std::filesystem::path file;
  const bool written = writePrintPicture(*page, file);
  page.reset();
  if (!written) return notPrinted(std::string("its picture \"") + kSystemPrintPictureName + "\" could not be written");
  systemLogf("the string is: %s", file.c_str());

  const QImage picture(QString::fromStdString(file.string()));
  if (picture.isNull()) return notPrinted(std::string("its picture \"") + kSystemPrintPictureName + "\" does not read");

  const SystemPageSetup setup = pageSetupFromPrintInfo(pageSetup);
  SystemPrintPage print;
  print.paper = setup.paper;
  print.orientation = setup.orientation;
  print.resolution = kSystemPrinterResolution;
  print.title = std::string(jobName);
  // The picture's pixels are points (72 per inch); the frame is the whole sheet, the margins being 0.
  print.draw = [&picture](QPainter& painter, const QRect& sheet) {
    const double dotsPerPoint = kSystemPrinterResolution / kPointsPerInch;
    const FittedPicture placed = fitPictureInFrame(picture.width(), picture.height(), sheet.width() / dotsPerPoint,
                                                   sheet.height() / dotsPerPoint);
    painter.drawImage(QRectF(placed.left * dotsPerPoint, placed.top * dotsPerPoint, placed.width * dotsPerPoint,
                             placed.height * dotsPerPoint),
                      picture);
  };
  return submit(std::move(print));
}

std::int16_t DoChooserPrint(OffscreenPtr page, std::int16_t imageResolution, std::string_view jobName) {
  systemLog("TBGPrintView::DoChooserPrint => printing the page at its own size");
  if (!page) {
    systemLog("TBGPrintView::DoChooserPrint => anOffscreen ==NIL?????");
    return notPrinted("there is no page");
  }
  SystemPrintPage print;
  print.resolution = kSystemPrinterResolution;
  print.title = std::string(jobName);
  print.draw = [&page, imageResolution](QPainter& painter, const QRect& sheet) {
    systemLogf("myImageDPI = [%i] = [0x%02x]\n", imageResolution, static_cast<unsigned>(imageResolution) & 0xFFFFu);
    Rect destination = makeRect(0, 0, std::min(sheet.height(), kMaxOffscreenSide),
                                std::min(sheet.width(), kMaxOffscreenSide));
    const OffscreenPtr turned =
        rescaleImageForChooserPrinting(page.get(), imageResolution, destination, kSystemPrinterResolution, true);
    const Offscreen& drawn = turned ? *turned : *page;
    const QImage picture = imageFromArgbBytes(drawn.baseAddr(), drawn.rowBytes(), drawn.width(), drawn.height());
    painter.drawImage(QRect(destination.left, destination.top, rectWidth(destination), rectHeight(destination)),
                      picture);
  };
  const std::int16_t result = submit(std::move(print));
  page.reset();
  return result;
}

std::int16_t printThroughTheSystem(OffscreenPtr page, const std::optional<ArchivedValue>& pageSetup,
                                   std::int16_t imageResolution, std::string_view jobName) {
  if (pageSetup) {
    systemLog("Printing through Cocoa");
    return doChooserPrintWithCocoa(std::move(page), *pageSetup, jobName);
  }
  systemLog("Printing through MacApp");
  return DoChooserPrint(std::move(page), imageResolution, jobName);
}

}  // namespace vorl
