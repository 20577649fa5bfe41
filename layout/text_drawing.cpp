#include "layout/text_drawing.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

#include "foundation/text/text_fit.h"
#include "layout/code_symbols.h"
#include "layout/mac_fonts.h"
#include "platform/text/qt_text_port.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// Coverage images above this many pixels are refused rather than risk the memory of a whole job.
constexpr std::int64_t kLargestCoveragePixels = std::int64_t{1} << 28;

constexpr std::int16_t kJustCentre = 1;
constexpr std::int16_t kJustRight = -1;

void logFor(std::string_view objectName, const std::string& what) {
  systemLogf("%.*s: %s", static_cast<int>(objectName.size()), objectName.data(), what.c_str());
}

// The text as Qt lays it out: a carriage return ends a line, as in the old text box.
QString layoutString(const CStr255_AC& text) {
  QString string = QString::fromStdString(text.toUtf8());
  string.replace(QChar('\r'), QChar::LineSeparator);
  return string;
}

QFont fontFor(const StyledText& text) {
  const MacFontChoice choice = installedFamilyForMacFont(text.style.font);
  if (choice.fallback)
    logFor(text.objectName, "font number " + std::to_string(text.style.font.value()) +
                                (choice.macName.isEmpty() ? "" : " (" + choice.macName.toStdString() + ")") +
                                " is not installed; drawn with " + choice.family.toStdString());
  QFont font(choice.family);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  font.setKerning(false);
  return font;
}

TextCoverage newCoverage(int width, int height) {
  TextCoverage coverage;
  coverage.width = width;
  coverage.height = height;
  coverage.stride = (width + 3) & ~3;
  coverage.values.assign(static_cast<std::size_t>(coverage.stride) * height, 0);
  return coverage;
}

// Outline and shadow faces: the glyph outlines stroked (hollow letters), the shadow a second stroke one pen
// width lower and to the right.
void strokeGlyphs(QPainter& painter, const QTextLine& line, QPointF offset, std::int16_t face, double pen) {
  QPainterPath path;
  for (const QGlyphRun& run : line.glyphRuns()) {
    const QRawFont raw = run.rawFont();
    const auto indexes = run.glyphIndexes();
    const auto positions = run.positions();
    for (qsizetype i = 0; i < indexes.size(); ++i)
      path.addPath(raw.pathForGlyph(indexes[i]).translated(positions[i] + offset));
  }
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0, 0, 0, 255), pen));
  painter.drawPath(path);
  if (face & kFaceShadow) painter.drawPath(path.translated(pen, pen));
}

// Lays the text out in `width` × `height` as the old text box did, into upright coverage.
TextCoverage layOutText(const StyledText& text, std::int16_t pixelSize, int width, int height) {
  TextCoverage coverage = newCoverage(width, height);
  if (text.text.empty()) return coverage;

  QtTextPort port{fontFor(text)};
  port.setTextSize(pixelSize);
  port.setTextFace(text.style.face);
  const FontInfo start = port.fontInfo();
  const bool fitted = height < 2 * (start.ascent + start.descent + start.leading);
  {
    const TextPortScope scope(&port);
    myMakeTextFit(makeRect(0, 0, height, width), text.text, pixelSize, text.style);
  }
  const FontInfo info = port.fontInfo();
  const int lineAdvance = std::max(1, info.ascent + info.descent + info.leading);
  if (fitted && port.textWidth(text.text.text()) > width)
    logFor(text.objectName, "the text does not fit its box even at " + std::to_string(port.textSize()) +
                                " pixels; it is cut at the box's edge");

  // Qt's text rendering is fastest into premultiplied ARGB; the coverage is that image's alpha.
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setPen(QColor(0, 0, 0, 255));

  QTextLayout layout(layoutString(text.text), port.font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  option.setAlignment(Qt::AlignLeft);
  layout.setTextOption(option);
  layout.beginLayout();
  for (int index = 0;; ++index) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(width);
    const double baseline = info.ascent + static_cast<double>(index) * lineAdvance;
    line.setPosition(QPointF(0, baseline - line.ascent()));
  }
  layout.endLayout();

  const std::int16_t face = port.textFace();
  const double pen = std::max(1.0, port.textSize() / 24.0);
  for (int index = 0; index < layout.lineCount(); ++index) {
    const QTextLine line = layout.lineAt(index);
    if (line.y() >= height) break;
    const double spare = width - line.naturalTextWidth();
    double shift = 0;
    if (text.style.justification == kJustCentre)
      shift = spare / 2;
    else if (text.style.justification == kJustRight)
      shift = spare;
    if (face & (kFaceOutline | kFaceShadow))
      strokeGlyphs(painter, line, QPointF(shift, 0), face, pen);
    else
      line.draw(&painter, QPointF(shift, 0));
  }
  painter.end();
  for (int y = 0; y < height; ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    std::uint8_t* out = coverage.values.data() + static_cast<std::size_t>(y) * coverage.stride;
    for (int x = 0; x < width; ++x) out[x] = static_cast<std::uint8_t>(qAlpha(in[x]));
  }
  return coverage;
}

TextCoverage turnCoverage(const TextCoverage& upright, std::int16_t rotation) {
  const bool quarter = rotation == 90 || rotation == 270;
  TextCoverage turned = newCoverage(quarter ? upright.height : upright.width, quarter ? upright.width : upright.height);
  const int w = upright.width;
  const int h = upright.height;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int tx = w - 1 - x, ty = h - 1 - y;  // half turn
      if (rotation == 90) {                // clockwise
        tx = h - 1 - y;
        ty = x;
      } else if (rotation == 270) {  // counter-clockwise
        tx = y;
        ty = w - 1 - x;
      }
      turned.values[static_cast<std::size_t>(ty) * turned.stride + tx] = upright.at(x, y);
    }
  return turned;
}

bool isTurned(std::int16_t rotation) { return rotation == 90 || rotation == 180 || rotation == 270; }

}  // namespace

std::string describeTextObject(std::string_view kind, const CStr255_AC& text, const Rect& rect) {
  std::string shown = text.toUtf8();
  if (text.length() > 40) shown = Str255(text.macRoman().substr(0, 40)).toUtf8() + "…";
  return std::string(kind) + " \"" + shown + "\" at (" + std::to_string(rect.left.value()) + ", " +
         std::to_string(rect.top.value()) + ")";
}

std::int16_t textPixelSize(std::int16_t points, std::int16_t resolution, double scale, std::string_view objectName) {
  const double exact = resolution / 72.0 * (points * scale);
  const double whole = std::isfinite(exact) ? std::trunc(exact) : 0;
  const double clamped = std::clamp<double>(whole, kSmallestTextPixels, kLargestTextPixels);
  if (clamped != whole)
    logFor(objectName, "a text of " + std::to_string(points) + " points at " + std::to_string(resolution) +
                           " dpi is set at " + std::to_string(static_cast<int>(clamped)) + " pixels");
  return static_cast<std::int16_t>(clamped);
}

TextCoverage DrawTextOnOffscreen(const StyledText& text, const Rect& rect, float scale, std::int16_t resolution) {
  const int width = rectWidth(rect);
  const int height = rectHeight(rect);
  if (width <= 0 || height <= 0) return {};
  if (static_cast<std::int64_t>(width) * height > kLargestCoveragePixels) {
    logFor(text.objectName, "the text box of " + std::to_string(width) + " x " + std::to_string(height) +
                                " pixels is too large to draw; the text was not drawn");
    return {};
  }
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
    logFor(text.objectName, "no font system in this process; the text was not drawn");
    return {};
  }
  const std::int16_t size = textPixelSize(text.style.size, resolution, scale, text.objectName);
  const bool quarter = text.rotation == 90 || text.rotation == 270;
  TextCoverage upright = layOutText(text, size, quarter ? height : width, quarter ? width : height);
  return isTurned(text.rotation) ? turnCoverage(upright, text.rotation) : upright;
}

void blendTextCoverage(Offscreen& page, const TextCoverage& coverage, int left, int top, const RGBColor& colour) {
  const PixView view = page.view();
  const Rect& port = view.port();
  const int colours[3] = {colour.red.value() >> 8, colour.green.value() >> 8, colour.blue.value() >> 8};
  const int fromY = std::max(top, static_cast<int>(port.top));
  const int toY = std::min(top + coverage.height, static_cast<int>(port.bottom));
  const int fromX = std::max(left, static_cast<int>(port.left));
  const int toX = std::min(left + coverage.width, static_cast<int>(port.right));
  for (int y = fromY; y < toY; ++y) {
    std::uint8_t* out = view.portPixel(fromX, y);
    for (int x = fromX; x < toX; ++x, out += kBytesPerPixel) {
      const int ink = coverage.at(x - left, y - top);
      if (ink == 0) continue;
      for (int channel = 0; channel < 3; ++channel) {
        std::uint8_t& value = out[kRedByte + channel];
        value = static_cast<std::uint8_t>((colours[channel] * ink + value * (255 - ink) + 127) / 255);
      }
    }
  }
}

void drawPlainText(Offscreen* page, const Rect& rect, const StyledText& text, std::int16_t resolution) {
  if (page == nullptr) return;
  const TextCoverage coverage = DrawTextOnOffscreen(text, rect, 1.0f, resolution);
  if (coverage.empty()) return;
  blendTextCoverage(*page, coverage, rect.left, rect.top, text.style.color);
}

bool drawStyledText(Offscreen* page, const Rect& rect, const StyledText& text, std::int16_t resolution) {
  if (text.codeType == kQRCodeType || text.codeType == kCode128Type) {
    const CodeDrawing code = text.codeType == kQRCodeType
                                 ? PrintTextAsQRCode(text.text, page, rect, text.rotation, text.objectName)
                                 : PrintTextAsBarcode(text.text, page, rect, text.rotation, text.objectName);
    if (code != CodeDrawing::generatorMissing) return code == CodeDrawing::drawn;
  } else if (text.codeType != 0) {
    logFor(text.objectName, "code type " + std::to_string(text.codeType) +
                                " is neither a QR code (1) nor Code 128 (2); drawn as plain text");
  }
  drawPlainText(page, rect, text, resolution);
  return true;
}

void DrawOverlayImageToGWorld(OffscreenPtr image, Offscreen* page, const CGRect& rect) {
  DrawCGImageToGWorld(std::move(image), page, rect);
}

}  // namespace vorl
