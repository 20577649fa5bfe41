// Shapes of junk and exclusion masks.
#include "imaging/filters/mask_shapes.h"

#include <agg_rasterizer_scanline_aa.h>
#include <agg_scanline_u.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace vorl {

namespace {

class RectTextReader {
 public:
  explicit RectTextReader(std::string_view text) noexcept : text_(text) {}
  void skipSpaces() noexcept {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool expect(char c) noexcept {
    skipSpaces();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool number(double& value) noexcept {
    skipSpaces();
    std::size_t start = at_;
    if (start < text_.size() && text_[start] == '+') {  // from_chars takes no plus sign
      ++start;
      if (start < text_.size() && text_[start] == '-') return false;
    }
    // Only digits, a point, an exponent and signs: from_chars would also take "inf", "nan" and hexadecimal.
    std::size_t end = start;
    while (end < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[end])) || text_[end] == '.' ||
                                  text_[end] == 'e' || text_[end] == 'E' || text_[end] == '-' || text_[end] == '+'))
      ++end;
    if (end == start) return false;
    const char* first = text_.data() + start;
    const char* last = text_.data() + end;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) return false;
    at_ = end;
    return true;
  }
  bool atEnd() noexcept {
    skipSpaces();
    return at_ == text_.size();
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

constexpr double kShortMin = -32768.0;
constexpr double kShortMax = 32767.0;

// Truncates toward zero and holds the result within a 16-bit rectangle's range; the value must be finite or
// ±infinity (which clamps). NaN gives 0.
int truncToShort(double v) noexcept {
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::trunc(std::clamp(v, kShortMin, kShortMax)));
}

void fillSpan(const PixView& view, int localY, int localLeft, int localRight, std::uint8_t grey) noexcept {
  std::uint8_t* p = view.localPixel(localLeft, localY);
  for (int x = localLeft; x < localRight; ++x, p += kBytesPerPixel) {
    p[kAlphaByte] = 0;
    p[kRedByte] = grey;
    p[kGreenByte] = grey;
    p[kBlueByte] = grey;
  }
}

}  // namespace

std::optional<ShapeRect> parseRectString(std::string_view text) noexcept {
  RectTextReader in(text);
  ShapeRect r;
  if (!in.expect('{') || !in.expect('{') || !in.number(r.x) || !in.expect(',') || !in.number(r.y) || !in.expect('}') ||
      !in.expect(',') || !in.expect('{') || !in.number(r.width) || !in.expect(',') || !in.number(r.height) ||
      !in.expect('}') || !in.expect('}') || !in.atEnd())
    return std::nullopt;
  return r;
}

std::optional<Rect> scaledShapeBounds(const ShapeRect& shape, float scale) noexcept {
  if (!std::isfinite(scale)) return std::nullopt;
  // x + w may overflow to infinity for huge finite values; the clamp holds it.
  const int left = truncToShort(shape.x), top = truncToShort(shape.y);
  const int right = truncToShort(shape.x + shape.width), bottom = truncToShort(shape.y + shape.height);
  auto scaled = [scale](int v) { return truncToShort(static_cast<double>(static_cast<float>(v) * scale)); };
  return makeRect(scaled(top), scaled(left), scaled(bottom), scaled(right));
}

void fillRectWithGrey(const PixView& view, const Rect& area, std::uint8_t grey) noexcept {
  if (view.empty()) return;
  const Rect& port = view.port();
  const int left = std::max<int>(area.left, port.left), right = std::min<int>(area.right, port.right);
  const int top = std::max<int>(area.top, port.top), bottom = std::min<int>(area.bottom, port.bottom);
  for (int y = top; y < bottom; ++y) fillSpan(view, y - port.top, left - port.left, right - port.left, grey);
}

void fillOvalWithGrey(const PixView& view, const Rect& area, std::uint8_t grey) noexcept {
  if (view.empty() || rectEmpty(area)) return;
  const Rect& port = view.port();
  // In half pixels from the centre: pixel x's centre is 2x + 1 − (left + right). Inside when
  // dx² · h² + dy² · w² ≤ w² · h²; the products need more than 64 bits at 16-bit sizes.
  const std::int64_t w = rectWidth(area), h = rectHeight(area);
  const __int128 wh2 = static_cast<__int128>(w * h) * (w * h);
  auto inside = [&](int x, std::int64_t dy2w2) {
    const std::int64_t dx = 2 * std::int64_t{x} + 1 - (std::int64_t{area.left} + area.right);
    return static_cast<__int128>(dx * dx) * (h * h) + dy2w2 <= wh2;
  };
  const int top = std::max<int>(area.top, port.top), bottom = std::min<int>(area.bottom, port.bottom);
  const double centreX2 = static_cast<double>(area.left) + area.right;  // twice the centre
  for (int y = top; y < bottom; ++y) {
    const std::int64_t dy = 2 * std::int64_t{y} + 1 - (std::int64_t{area.top} + area.bottom);
    const __int128 dy2w2 = static_cast<__int128>(dy * dy) * (w * w);
    if (dy2w2 > wh2) continue;
    // Estimate the span's ends, then settle them with the exact test.
    const double half = static_cast<double>(w) *
                        std::sqrt(std::max(0.0, 1.0 - static_cast<double>(dy * dy) / static_cast<double>(h * h)));
    int first = static_cast<int>(std::floor((centreX2 - half - 1.0) / 2.0));
    first = std::clamp(first, static_cast<int>(area.left), static_cast<int>(area.right) - 1);
    while (first > area.left && inside(first - 1, dy2w2)) --first;
    while (first < area.right && !inside(first, dy2w2)) ++first;
    int last = std::max(first, static_cast<int>(std::ceil((centreX2 + half - 1.0) / 2.0)));
    last = std::min(last, static_cast<int>(area.right) - 1);
    while (last + 1 < area.right && inside(last + 1, dy2w2)) ++last;
    while (last >= first && !inside(last, dy2w2)) --last;
    const int left = std::max<int>(first, port.left), right = std::min<int>(last + 1, port.right);
    if (left < right) fillSpan(view, y - port.top, left - port.left, right - port.left, grey);
  }
}

void fillPolygonWithGrey(const PixView& view, std::span<const ShapePoint> points, float scale,
                         std::uint8_t grey) noexcept {
  if (view.empty() || points.size() < 3 || !std::isfinite(scale)) return;
  const int width = view.width(), height = view.height();
  // Clipping in doubles before the rasterizer turns coordinates into integers.
  agg::rasterizer_scanline_aa<agg::rasterizer_sl_clip_dbl> rasterizer;
  rasterizer.clip_box(0, 0, width, height);
  constexpr double kLimit = 1e9;
  auto place = [&](const ShapePoint& p, double& x, double& y) {
    x = std::clamp(p.x * static_cast<double>(scale), -kLimit, kLimit);
    y = static_cast<double>(height) - std::clamp(p.y * static_cast<double>(scale), -kLimit, kLimit);
  };
  double x = 0, y = 0;
  place(points[0], x, y);
  rasterizer.move_to_d(x, y);
  for (std::size_t i = 1; i < points.size(); ++i) {
    place(points[i], x, y);
    rasterizer.line_to_d(x, y);
  }
  rasterizer.close_polygon();
  if (!rasterizer.rewind_scanlines()) return;
  // The coverage of each pixel blends the grey into red, green and blue; the alpha byte is left alone, since
  // AGG's idea of alpha is not this system's.
  agg::scanline_u8 scanline;
  scanline.reset(rasterizer.min_x(), rasterizer.max_x());
  while (rasterizer.sweep_scanline(scanline)) {
    const int row = scanline.y();
    if (row < 0 || row >= height) continue;
    unsigned spans = scanline.num_spans();
    for (auto span = scanline.begin(); spans > 0; --spans, ++span) {
      for (int i = 0; i < span->len; ++i) {
        const int column = span->x + i;
        if (column < 0 || column >= width) continue;
        const unsigned cover = span->covers[i];
        std::uint8_t* p = view.localPixel(column, row);
        for (int c = kRedByte; c <= kBlueByte; ++c)
          p[c] = static_cast<std::uint8_t>((grey * cover + p[c] * (255u - cover) + 127u) / 255u);
      }
    }
  }
}

}  // namespace vorl
