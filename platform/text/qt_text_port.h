// A text port on Qt's fonts: sizes are pixels at the port's resolution, faces map onto QFont's weight, style,
// underline and stretch (condensed and extended). Needs a QGuiApplication for the font database.
#pragma once

#include <QFont>

#include "platform/text/text_port.h"

namespace vorl {

class QtTextPort final : public TextPort {
 public:
  explicit QtTextPort(const QFont& font);

  std::int16_t textSize() const override { return size_; }
  void setTextSize(std::int16_t size) override;
  std::int16_t textFace() const override { return face_; }
  void setTextFace(std::int16_t face) override;
  FontInfo fontInfo() const override;
  std::int16_t textWidth(std::span<const unsigned char> macRoman) const override;

  // The font with the current size and face, for drawing.
  const QFont& font() const noexcept { return font_; }

 private:
  QFont font_;
  std::int16_t size_ = 12;
  std::int16_t face_ = 0;
};

}  // namespace vorl
