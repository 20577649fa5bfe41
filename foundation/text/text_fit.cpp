#include "foundation/text/text_fit.h"

#include "platform/text/text_port.h"

namespace vorl {
namespace {

constexpr std::int16_t kDefaultSize = 15;
constexpr std::int16_t kSmallestSize = 5;

}  // namespace

void myMakeTextFit(const CRect_AC& box, const CStr255_AC& text, std::int16_t size, const tTextInfo& style) {
  TextPort* port = currentTextPort();
  if (!port) return;
  if (size == 0) size = kDefaultSize;

  const FontInfo info = port->fontInfo();
  const int lineHeight = info.ascent + info.descent + info.leading;
  const int boxHeight = box.bottom - box.top;
  if (boxHeight >= 2 * lineHeight) return;

  const int boxWidth = box.right - box.left;
  const auto fits = [&] { return port->textWidth(text.text()) <= boxWidth; };
  if (fits()) return;

  port->setTextFace(static_cast<std::int16_t>(style.face | kFaceCondense));
  if (fits()) return;

  while (true) {
    --size;
    if (size < kSmallestSize) {
      port->setTextSize(kSmallestSize);
      return;
    }
    port->setTextSize(size);
    if (fits()) return;
  }
}

}  // namespace vorl
