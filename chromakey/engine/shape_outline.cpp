// A shape as a value: what makes it drawable, its blur radius, and its outline as Bézier segments.
#include <algorithm>
#include <cmath>
#include <limits>

#include "chromakey/engine/shape_mask.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

struct ShapePoint {
  float x;
  float y;
};

int copiesOf(std::int32_t multiplicity) noexcept { return multiplicity == 2 || multiplicity == 3 ? multiplicity : 1; }

bool isWithinLimit(float v) noexcept { return std::isfinite(v) && std::fabs(v) <= kMaxShapeCoordinate; }

// The thirds of an edge, computed in double and kept as float like the control points.
ShapePoint nearThird(ShapePoint a, ShapePoint b) noexcept {
  return {static_cast<float>((2.0 * a.x + b.x) / 3.0), static_cast<float>((2.0 * a.y + b.y) / 3.0)};
}
ShapePoint farThird(ShapePoint a, ShapePoint b) noexcept {
  return {static_cast<float>((a.x + 2.0 * b.x) / 3.0), static_cast<float>((a.y + 2.0 * b.y) / 3.0)};
}
ShapePoint midpoint(ShapePoint a, ShapePoint b) noexcept {
  return {static_cast<float>((static_cast<double>(a.x) + b.x) * 0.5),
          static_cast<float>((static_cast<double>(a.y) + b.y) * 0.5)};
}

}  // namespace

bool isDrawableShape(const DuzeviveShapeImpl& shape) noexcept {
  const std::size_t n = shape.x.size();
  if (shape.y.size() != n || shape.multiplicity.size() != n) {
    systemLogf("chroma keying: shape refused: %zu x, %zu y and %zu multiplicities", n, shape.y.size(),
               shape.multiplicity.size());
    return false;
  }
  if (n > kMaxShapeControlPoints) {
    systemLogf("chroma keying: shape refused: %zu control points, at most %zu", n, kMaxShapeControlPoints);
    return false;
  }
  if (!std::isfinite(shape.alpha)) {
    systemLog("chroma keying: shape refused: alpha is not a number");
    return false;
  }
  // A negative feather only means no blur; an unbounded one would blur for ever.
  if (!std::isfinite(shape.feather) || shape.feather > kMaxShapeFeather) {
    systemLogf("chroma keying: shape refused: feather %g outside its range", static_cast<double>(shape.feather));
    return false;
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!isWithinLimit(shape.x[i]) || !isWithinLimit(shape.y[i])) {
      systemLogf("chroma keying: shape refused: control point %zu at (%g, %g)", i, static_cast<double>(shape.x[i]),
                 static_cast<double>(shape.y[i]));
      return false;
    }
  }
  return true;
}

int featherRadius(float feather, double width) noexcept {
  const double radius = static_cast<double>(feather) * width * 0.1 + 0.5;
  if (!(radius > 0.0)) return 0;
  if (radius >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return static_cast<int>(radius);
}

// The closed uniform cubic B-spline of the polygon in which every control point appears as often as its
// multiplicity says. Its segment over the edge Pk → Pk+1 runs from Jk to Jk+1 with the edge's thirds as inner
// control points, where Jk, the midpoint of the thirds either side of Pk, is (Pk−1 + 4·Pk + Pk+1) / 6: three equal
// points put J on the point itself, which makes the corner. The repeated polygon is walked without building it.
void acceptDuzeviveShapeVisitor(const DuzeviveShapeImpl& shape, ShapeVisitor& visitor) noexcept {
  const std::size_t n = std::min({shape.x.size(), shape.y.size(), shape.multiplicity.size()});
  if (n < 3) return;

  std::size_t point = 0;
  int copy = 0;
  auto next = [&]() noexcept {
    const ShapePoint p{shape.x[point], shape.y[point]};
    if (++copy >= copiesOf(shape.multiplicity[point])) {
      copy = 0;
      point = point + 1 == n ? 0 : point + 1;
    }
    return p;
  };
  std::size_t expanded = 0;
  for (std::size_t i = 0; i < n; ++i) expanded += static_cast<std::size_t>(copiesOf(shape.multiplicity[i]));

  // The window Pk−1, Pk, Pk+1, Pk+2 around the edge Pk → Pk+1, starting at the edge P0 → P1.
  ShapePoint before{shape.x[n - 1], shape.y[n - 1]};
  ShapePoint from = next();
  ShapePoint to = next();
  ShapePoint after = next();
  for (std::size_t k = 0; k < expanded; ++k) {
    const ShapePoint t1 = nearThird(from, to);
    const ShapePoint t2 = farThird(from, to);
    const ShapePoint start = midpoint(farThird(before, from), t1);
    const ShapePoint end = midpoint(t2, nearThird(to, after));
    visitor.addBezier(start.x, start.y, t1.x, t1.y, t2.x, t2.y, end.x, end.y);
    before = from;
    from = to;
    to = after;
    after = next();
  }
}

}  // namespace vorl
