#include "layout/stamp_text.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/mac_roman.h"

namespace vorl {
namespace {

// The classic font numbers the producer writes, to families a Linux machine has.
QString familyOf(std::int16_t fontNumber) {
  switch (fontNumber) {
    case 4:   // Monaco
    case 22:  // Courier
      return QStringLiteral("DejaVu Sans Mono");
    case 2:   // New York
    case 20:  // Times
      return QStringLiteral("DejaVu Serif");
    default:
      return QStringLiteral("DejaVu Sans");
  }
}

constexpr std::int16_t kBoldFace = 1;
constexpr std::int16_t kItalicFace = 2;
constexpr std::int16_t kUnderlineFace = 4;

int alignmentOf(std::int16_t justification) {
  if (justification == 1) return Qt::AlignHCenter;
  if (justification == -1) return Qt::AlignRight;
  return Qt::AlignLeft;
}

}  // namespace

void drawStampText(Offscreen* target, const Rect& box, std::string_view macRomanText, const tTextInfo& style,
                   int pixelSize) {
  if (!target || macRomanText.empty()) return;
  const Rect port = target->portRect();
  const int left = std::max<int>(box.left, port.left);
  const int top = std::max<int>(box.top, port.top);
  const int right = std::min<int>(box.right, port.right);
  const int bottom = std::min<int>(box.bottom, port.bottom);
  if (right <= left || bottom <= top) return;

  // The area under the box goes into a QImage and back, since Qt has no format with alpha first in memory.
  const int width = right - left;
  const int height = bottom - top;
  const PixView pixels = target->view();
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    const std::uint8_t* in = pixels.portPixel(left, top + y);
    for (int x = 0; x < width; ++x, in += kBytesPerPixel) line[x] = qRgb(in[kRedByte], in[kGreenByte], in[kBlueByte]);
  }
  const QImage before = image.copy();

  const QString text = QString::fromStdString(macRomanToUtf8(macRomanText));
  const std::int16_t face = style.face.value();
  QFont font(familyOf(style.font.value()));
  font.setBold((face & kBoldFace) != 0);
  font.setItalic((face & kItalicFace) != 0);
  font.setUnderline((face & kUnderlineFace) != 0);
  // The box is where the text goes on the page, from the box's own top-left corner.
  const QRect textBox(box.left - left, box.top - top, box.right - box.left, box.bottom - box.top);
  int size = std::clamp(pixelSize, 1, 2000);
  font.setPixelSize(size);
  const bool oneLine = !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'));
  while (oneLine && size > 1 && QFontMetrics(font).horizontalAdvance(text) > textBox.width()) {
    size = std::max(1, size * 9 / 10);
    font.setPixelSize(size);
  }
  QString shown = text;
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(QColor(style.color.red.value() >> 8, style.color.green.value() >> 8, style.color.blue.value() >> 8));
    painter.drawText(textBox, alignmentOf(style.justification.value()) | Qt::AlignTop | Qt::TextWordWrap, shown);
  }

  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    const auto* old = reinterpret_cast<const QRgb*>(before.constScanLine(y));
    std::uint8_t* out = pixels.portPixel(left, top + y);
    for (int x = 0; x < width; ++x, out += kBytesPerPixel) {
      if (line[x] == old[x]) continue;
      out[kAlphaByte] = 0;
      out[kRedByte] = static_cast<std::uint8_t>(qRed(line[x]));
      out[kGreenByte] = static_cast<std::uint8_t>(qGreen(line[x]));
      out[kBlueByte] = static_cast<std::uint8_t>(qBlue(line[x]));
    }
  }
}

}  // namespace vorl
