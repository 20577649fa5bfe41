#include "platform/system/system_printing.h"

#include <cups/cups.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <QMarginsF>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

namespace vorl {
namespace {

struct DestinationFree {
  void operator()(cups_dest_t* dest) const noexcept { cupsFreeDests(1, dest); }
};
using DestinationPtr = std::unique_ptr<cups_dest_t, DestinationFree>;

struct DestinationInfoFree {
  void operator()(cups_dinfo_t* info) const noexcept { cupsFreeDestInfo(info); }
};
using DestinationInfoPtr = std::unique_ptr<cups_dinfo_t, DestinationInfoFree>;

std::string lastCupsError() {
  const char* text = cupsLastErrorString();
  return text != nullptr && *text != '\0' ? std::string(text) : std::string("no reason given");
}

const char* destinationOption(const cups_dest_t& dest, const char* name) {
  return cupsGetOption(name, dest.num_options, dest.options);
}

// Why the destination cannot print now, or empty. A stopped queue still takes jobs and holds them, which for an
// unattended processor would look like a delivered page; it is refused here instead.
std::string destinationRefusal(const cups_dest_t& dest) {
  const std::string name = dest.name;
  const char* message = destinationOption(dest, "printer-state-message");
  const std::string because = message != nullptr && *message != '\0' ? std::string(": ") + message : std::string();
  const char* state = destinationOption(dest, "printer-state");
  if (state != nullptr && std::atoi(state) == IPP_PSTATE_STOPPED) return "The printer \"" + name + "\" is stopped" + because;
  const char* accepting = destinationOption(dest, "printer-is-accepting-jobs");
  if (accepting != nullptr && std::strcmp(accepting, "false") == 0)
    return "The printer \"" + name + "\" is not accepting jobs" + because;
  return {};
}

// The destination's default paper; invalid when it names none.
QPageSize defaultPaper(cups_dest_t* dest) {
  DestinationInfoPtr info{cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)};
  cups_size_t size{};
  if (info && cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info.get(), CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0 &&
      size.width > 0 && size.length > 0)
    return QPageSize(QSizeF(size.width / 100.0, size.length / 100.0), QPageSize::Millimeter, {},
                     QPageSize::FuzzyMatch);
  return {};
}

// The PWG self-describing name CUPS and IPP printers know the paper by ("iso_a4_210x297mm").
std::string mediaName(const QPageSize& paper) {
  const QSizeF millimetres = paper.size(QPageSize::Millimeter);
  const pwg_media_t* media = pwgMediaForSize(static_cast<int>(std::lround(millimetres.width() * 100)),
                                             static_cast<int>(std::lround(millimetres.height() * 100)));
  return media != nullptr && media->pwg != nullptr ? std::string(media->pwg) : std::string();
}

// Draws the page into a PDF file; false when the printer cannot be opened on it.
bool drawPdf(const SystemPrintPage& page, const QPageSize& paper, const QString& path) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setResolution(page.resolution);
  printer.setFullPage(true);
  printer.setDocName(QString::fromStdString(page.title));
  if (!printer.setPageLayout(QPageLayout(paper, page.orientation, QMarginsF(0, 0, 0, 0)))) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  if (page.draw) page.draw(painter, printer.pageLayout().fullRectPixels(printer.resolution()));
  return painter.end();
}

}  // namespace

SystemPrintResult printPageOnDefaultDestination(const SystemPrintPage& page) {
  SystemPrintResult result;
  DestinationPtr dest{cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)};
  if (!dest) {
    result.error = "There is no default printer (" + lastCupsError() + ")";
    return result;
  }
  result.destination = dest->name;
  if (std::string refusal = destinationRefusal(*dest); !refusal.empty()) {
    result.error = std::move(refusal);
    return result;
  }

  QPageSize paper = page.paper;
  if (!paper.isValid()) paper = defaultPaper(dest.get());
  if (!paper.isValid()) paper = QPrinter().pageLayout().pageSize();

  QTemporaryDir folder;
  if (!folder.isValid()) {
    result.error = "No temporary folder for the print file: " + folder.errorString().toStdString();
    return result;
  }
  const QString pdf = folder.filePath("page.pdf");
  if (!drawPdf(page, paper, pdf)) {
    result.error = "The page could not be drawn for printing";
    return result;
  }

  const std::string media = mediaName(paper);
  const std::string orientation = page.orientation == QPageLayout::Landscape ? "4" : "3";
  int optionCount = 0;
  cups_option_t* options = nullptr;
  if (!media.empty()) optionCount = cupsAddOption("media", media.c_str(), optionCount, &options);
  optionCount = cupsAddOption("orientation-requested", orientation.c_str(), optionCount, &options);
  result.jobId = cupsPrintFile2(CUPS_HTTP_DEFAULT, dest->name, pdf.toLocal8Bit().constData(), page.title.c_str(),
                                optionCount, options);
  cupsFreeOptions(optionCount, options);
  result.accepted = result.jobId > 0;
  if (!result.accepted) result.error = "The printer \"" + result.destination + "\" refused the job: " + lastCupsError();
  return result;
}

QImage imageFromArgbBytes(const std::uint8_t* base, std::ptrdiff_t rowBytes, int width, int height) {
  if (base == nullptr || width <= 0 || height <= 0) return {};
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = base + static_cast<std::ptrdiff_t>(y) * rowBytes;
    auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x, from += 4) to[x] = qRgb(from[1], from[2], from[3]);
  }
  return image;
}

}  // namespace vorl
