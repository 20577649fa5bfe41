// Printing one page through the system's printing: CUPS, its default destination, no dialog.
//
// The page is drawn with QPainter on a QPrinter that writes PDF into a private temporary file, and that file is
// handed to the CUPS scheduler with the paper and orientation as job options, as Qt's own CUPS engine does. We
// submit it ourselves because Qt's engine drops the scheduler's answer: an unattended processor must know
// whether the job was taken, and why not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QRect>

class QPainter;

namespace vorl {

struct SystemPrintPage {
  // An invalid size takes the destination's default paper.
  QPageSize paper;
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
  // Dots per inch of the coordinates `draw` is given.
  int resolution = 600;
  // The job name the scheduler shows.
  std::string title;
  // Draws the page; `page` is the whole sheet, in dots at `resolution`, with (0, 0) at its top-left corner.
  std::function<void(QPainter& painter, const QRect& page)> draw;
};

struct SystemPrintResult {
  bool accepted = false;
  int jobId = 0;            // the scheduler's job number when accepted
  std::string destination;  // the queue the page went to (empty when there was none)
  std::string error;        // why the job was not taken: the scheduler's own text where it gave one
};

// Prints the page on the default destination. Not taken when there is no default destination, the destination
// is stopped or refuses jobs, the page cannot be drawn, or the scheduler refuses the job. Needs a
// QGuiApplication (fonts and paint engines); callable from any one thread at a time.
[[nodiscard]] SystemPrintResult printPageOnDefaultDestination(const SystemPrintPage& page);

// An opaque QImage of 32-bit pixels stored as bytes alpha, red, green, blue (this system's alpha: 0 drawn,
// 255 not drawn). Printing has no use for alpha: every pixel prints its colour. Null for empty sizes.
[[nodiscard]] QImage imageFromArgbBytes(const std::uint8_t* base, std::ptrdiff_t rowBytes, int width, int height);

}  // namespace vorl
