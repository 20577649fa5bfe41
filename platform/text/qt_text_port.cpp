#include "platform/text/qt_text_port.h"

#include <QFontMetricsF>
#include <QString>

#include <cmath>
#include <string_view>

#include "platform/text/mac_roman.h"

namespace vorl {

QtTextPort::QtTextPort(const QFont& font) : font_(font) { setTextSize(size_); }

void QtTextPort::setTextSize(std::int16_t size) {
  size_ = size;
  font_.setPixelSize(size > 0 ? size : 1);
}

void QtTextPort::setTextFace(std::int16_t face) {
  face_ = face;
  font_.setBold((face & kFaceBold) != 0);
  font_.setItalic((face & kFaceItalic) != 0);
  font_.setUnderline((face & kFaceUnderline) != 0);
  if (face & kFaceCondense)
    font_.setStretch(QFont::Condensed);
  else if (face & kFaceExtend)
    font_.setStretch(QFont::Expanded);
  else
    font_.setStretch(QFont::Unstretched);
}

FontInfo QtTextPort::fontInfo() const {
  const QFontMetricsF metrics(font_);
  FontInfo info;
  info.ascent = static_cast<std::int16_t>(std::ceil(metrics.ascent()));
  info.descent = static_cast<std::int16_t>(std::ceil(metrics.descent()));
  info.widMax = static_cast<std::int16_t>(std::ceil(metrics.maxWidth()));
  info.leading = static_cast<std::int16_t>(std::lround(metrics.leading()));
  return info;
}

std::int16_t QtTextPort::textWidth(std::span<const unsigned char> macRoman) const {
  const std::string utf8 =
      macRomanToUtf8(std::string_view(reinterpret_cast<const char*>(macRoman.data()), macRoman.size()));
  const QFontMetricsF metrics(font_);
  return static_cast<std::int16_t>(std::ceil(metrics.horizontalAdvance(QString::fromStdString(utf8))));
}

}  // namespace vorl
