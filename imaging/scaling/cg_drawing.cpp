#include "imaging/scaling/cg_drawing.h"

#include <QImage>
#include <QPainter>
#include <QTransform>
#include <cmath>
#include <numbers>

#include "platform/system/system_log.h"

namespace vorl {
namespace {

enum class Coverage { opaque, inverseAlpha };

// The picture as Qt draws it: one pass from our A,R,G,B bytes into Qt's pixel words.
QImage toQImage(const Offscreen& source, Coverage coverage) {
  const int width = source.width();
  const int height = source.height();
  QImage image(width, height, coverage == Coverage::opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
  if (image.isNull()) return image;
  const PixView view = source.view();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = view.row(y);
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x, in += 4) {
      const int alpha = coverage == Coverage::opaque ? 255 : 255 - in[0];
      out[x] = qRgba(in[1], in[2], in[3], alpha);
    }
  }
  return image;
}

QRect portQRect(const Offscreen& offscreen) {
  const Rect& port = offscreen.portRect();
  return QRect(port.left, port.top, offscreen.width(), offscreen.height());
}

// Blends a premultiplied scratch image whose top left lies at `origin` (port coordinates) into the
// destination's colour bytes.
void blendScratch(const QImage& scratch, QPoint origin, Offscreen& destination) {
  const PixView view = destination.view();
  for (int y = 0; y < scratch.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
    std::uint8_t* out = view.portPixel(origin.x(), origin.y() + y);
    for (int x = 0; x < scratch.width(); ++x, out += 4) {
      const QRgb pixel = in[x];
      const int alpha = qAlpha(pixel);
      if (alpha == 0) continue;
      const int keep = 255 - alpha;
      out[1] = static_cast<std::uint8_t>(qRed(pixel) + (out[1] * keep + 127) / 255);
      out[2] = static_cast<std::uint8_t>(qGreen(pixel) + (out[2] * keep + 127) / 255);
      out[3] = static_cast<std::uint8_t>(qBlue(pixel) + (out[3] * keep + 127) / 255);
    }
  }
}

// Draws the whole picture into `box` (picture-local coordinates) mapped into the port by `toPort`.
void drawTransformed(const QImage& picture, const QRectF& box, const QTransform& toPort, Offscreen& destination) {
  if (picture.isNull() || box.isEmpty()) return;
  const QRect area = toPort.mapRect(box).toAlignedRect().intersected(portQRect(destination));
  if (area.isEmpty()) return;
  QImage scratch(area.size(), QImage::Format_ARGB32_Premultiplied);
  if (scratch.isNull()) {
    systemLogf("drawing a picture: no memory for a %d x %d scratch image", area.width(), area.height());
    return;
  }
  scratch.fill(Qt::transparent);
  {
    QPainter painter(&scratch);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(toPort * QTransform::fromTranslate(-area.left(), -area.top()));
    painter.drawImage(box, picture);
  }
  blendScratch(scratch, area.topLeft(), destination);
}

// The rectangle `rect` of a bottom-up port in top-down port coordinates.
QRectF topDown(const CGRect& rect, const Offscreen& destination) {
  const Rect& port = destination.portRect();
  return QRectF(port.left + rect.x, port.top + destination.height() - (rect.y + rect.height), rect.width, rect.height);
}

// An image drawn at its own size onto whole pixels inside the port needs no resampling: each pixel is blended
// straight into the destination by its coverage 255 − alpha (turned when `halfTurn`): copied where it covers
// fully, left out where it does not cover at all. The destination's alpha stays. This is the road of every
// full-size photo and overlay.
bool drawWithoutResampling(const Offscreen& image, const QRectF& box, bool halfTurn, Offscreen& destination) {
  const int width = image.width();
  const int height = image.height();
  if (box.width() != width || box.height() != height || box.x() != std::floor(box.x()) ||
      box.y() != std::floor(box.y()))
    return false;
  const QRect target(static_cast<int>(box.x()), static_cast<int>(box.y()), width, height);
  if (!portQRect(destination).contains(target)) return false;
  const PixView from = image.view();
  const PixView to = destination.view();
  for (int y = 0; y < height; ++y) {
    const int sourceRow = halfTurn ? height - 1 - y : y;
    const std::uint8_t* in = from.row(sourceRow);
    std::uint8_t* out = to.portPixel(target.left(), target.top() + y);
    for (int x = 0; x < width; ++x, out += 4) {
      const std::uint8_t* pixel = in + 4 * (halfTurn ? width - 1 - x : x);
      const int cover = 255 - pixel[0];
      if (cover == 255) {
        out[1] = pixel[1];
        out[2] = pixel[2];
        out[3] = pixel[3];
      } else if (cover != 0) {
        const int keep = 255 - cover;
        for (int c = 1; c <= 3; ++c)
          out[c] = static_cast<std::uint8_t>((pixel[c] * cover + out[c] * keep + 127) / 255);
      }
    }
  }
  return true;
}

void drawImage(OffscreenPtr image, Offscreen* destination, const CGRect& rect, bool halfTurn) {
  if (image == nullptr || destination == nullptr) return;
  const QRectF box = topDown(rect, *destination);
  if (drawWithoutResampling(*image, box, halfTurn, *destination)) return;
  QTransform toPort;
  if (halfTurn) {
    const QPointF centre = box.center();
    toPort.translate(centre.x(), centre.y()).rotate(180).translate(-centre.x(), -centre.y());
  }
  drawTransformed(toQImage(*image, Coverage::inverseAlpha), box, toPort, *destination);
}

}  // namespace

void DrawCGImageToGWorld(OffscreenPtr image, Offscreen* destination, const CGRect& rect) {
  drawImage(std::move(image), destination, rect, false);
}

void DrawCGImageToGWorldFlip(OffscreenPtr image, Offscreen* destination, const CGRect& rect) {
  drawImage(std::move(image), destination, rect, true);
}

void DrawRotatedGWorld(std::int16_t angle, Offscreen* destination, const Offscreen* source, const Rect& rect,
                       std::int16_t boxScale) {
  if (destination == nullptr || source == nullptr) return;
  if (angle == 360) angle = 0;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return;

  // The centre, with halves rounded toward zero, and the drawn box around it: exactly `rect` without a box
  // scale, widened by r and `boxScale` pixels with one.
  const int centreX = rect.left + width / 2;
  const int centreY = rect.bottom - height / 2;
  QRectF box(-(width / 2), -(height - height / 2), width, height);
  if (boxScale >= 1) {
    const int widen = static_cast<int>(static_cast<double>(boxScale) * width / height);
    const double left = -(width / 2) - widen / 2;
    const double bottomUp = -(height / 2) - boxScale / 2;
    box = QRectF(left, -(bottomUp + height + boxScale), width + widen, height + boxScale);
  }
  // Turns clockwise on the page by (angle / 180) × 3.14 radians, the value the angled photos were made with.
  const float radians = static_cast<float>((angle / 180.0) * -3.14);
  const double degrees = -static_cast<double>(radians) * 180.0 / std::numbers::pi;
  QTransform toPort;
  toPort.translate(centreX, centreY);
  if (angle != 0) toPort.rotate(degrees);
  drawTransformed(toQImage(*source, Coverage::opaque), box, toPort, *destination);
}

void DrawResizedGWorld(Offscreen* destination, const Offscreen* source, const Rect&, const Rect& destinationRect) {
  DrawRotatedGWorld(0, destination, source, destinationRect, 0);
}

}  // namespace vorl
