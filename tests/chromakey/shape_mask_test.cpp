// The shape-mask stage: outlines from control points, coverage, inversion, alpha, the combine rules, feathering
// and its box, masks drawn over, refused shapes and the split over workers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/shape_mask.h"
#include "tests/chromakey/key_fixtures.h"

namespace vorl {
namespace {

constexpr std::uint16_t kSentinel = 12345;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

DuzeviveShapeImpl polygon(const std::vector<std::pair<float, float>>& points, int multiplicity) {
  DuzeviveShapeImpl shape;
  for (const auto& [x, y] : points) {
    shape.x.push_back(x);
    shape.y.push_back(y);
    shape.multiplicity.push_back(multiplicity);
  }
  return shape;
}

DuzeviveShapeImpl rectangle(float x0, float y0, float x1, float y1, int multiplicity = 3) {
  return polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, multiplicity);
}

std::vector<pixeli> filled(int w, int h, std::uint16_t v) {
  return std::vector<pixeli>(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), pixeli{v, v, v, v});
}

std::vector<pixeli> render(int w, int h, const std::vector<const DuzeviveShapeImpl*>& shapes) {
  std::vector<pixeli> mask = filled(w, h, kSentinel);
  EXPECT_EQ(renderMaskShape(mask.data(), w, h, shapes, true), PrimStatus::ok);
  return mask;
}

// Covered pixels, each weighted by its G over 65535.
double coverage(const std::vector<pixeli>& mask) {
  double sum = 0;
  for (const pixeli& p : mask) sum += p.g;
  return sum / 65535.0;
}

const pixeli& at(const std::vector<pixeli>& mask, int w, int x, int y) {
  return mask[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
}

// Keeps what the acceptor hands over.
class RecordingVisitor final : public ShapeVisitor {
 public:
  struct Segment {
    double p[8];
  };
  std::vector<Segment> segments;

  void beginPolygon() noexcept override {}
  void addPoint(double, double) noexcept override {}
  void addBezier(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                 double y3) noexcept override {
    segments.push_back({{x0, y0, x1, y1, x2, y2, x3, y3}});
  }
  void endPolygon(int, std::int32_t) noexcept override {}
  void setInvert() noexcept override {}
  void setAlpha(float) noexcept override {}
};

using test::WorkerCount;

TEST(ShapeOutline, OneSegmentPerRepeatedPointJoinedEndToEnd) {
  struct Case {
    int multiplicity;
    std::size_t points;
    std::size_t segments;
  };
  for (const Case& c : {Case{1, 4, 4}, Case{2, 4, 8}, Case{3, 4, 12}, Case{7, 4, 4}, Case{3, 2, 0}, Case{1, 0, 0}}) {
    SCOPED_TRACE(testing::Message() << "multiplicity " << c.multiplicity << ", " << c.points << " points");
    std::vector<std::pair<float, float>> points = {{0.1f, 0.1f}, {0.9f, 0.2f}, {0.8f, 0.9f}, {0.2f, 0.7f}};
    points.resize(c.points);
    RecordingVisitor visitor;
    acceptDuzeviveShapeVisitor(polygon(points, c.multiplicity), visitor);
    ASSERT_EQ(visitor.segments.size(), c.segments);
    for (std::size_t k = 0; k < visitor.segments.size(); ++k) {
      const auto& next = visitor.segments[(k + 1) % visitor.segments.size()];
      EXPECT_EQ(visitor.segments[k].p[6], next.p[0]);
      EXPECT_EQ(visitor.segments[k].p[7], next.p[1]);
    }
  }
}

TEST(ShapeOutline, SmoothPointsGiveTheUniformBSplineAndTripledPointsCorners) {
  // The unit square: with single points the curve at each point is (previous + 4·point + next) / 6 and the
  // segment's inner points are the edge's thirds.
  RecordingVisitor smooth;
  acceptDuzeviveShapeVisitor(rectangle(0, 0, 1, 1, 1), smooth);
  ASSERT_EQ(smooth.segments.size(), 4u);
  const double first[8] = {1.0 / 6, 1.0 / 6, 1.0 / 3, 0, 2.0 / 3, 0, 5.0 / 6, 1.0 / 6};
  for (int i = 0; i < 8; ++i) EXPECT_NEAR(smooth.segments[0].p[i], first[i], 1e-7) << i;

  // Tripled: every segment runs along one side of the square, and the corners are on the curve.
  RecordingVisitor corners;
  acceptDuzeviveShapeVisitor(rectangle(0, 0, 1, 1, 3), corners);
  ASSERT_EQ(corners.segments.size(), 12u);
  EXPECT_EQ(corners.segments[1].p[0], 0.0);
  EXPECT_EQ(corners.segments[1].p[1], 0.0);
  for (const auto& s : corners.segments) {
    const bool horizontal = s.p[1] == s.p[3] && s.p[3] == s.p[5] && s.p[5] == s.p[7] && (s.p[1] == 0 || s.p[1] == 1);
    const bool vertical = s.p[0] == s.p[2] && s.p[2] == s.p[4] && s.p[4] == s.p[6] && (s.p[0] == 0 || s.p[0] == 1);
    EXPECT_TRUE(horizontal || vertical);
  }
}

TEST(ShapeMask, CornerPolygonsCoverTheirAreaAndInvertedOnesTheRest) {
  struct Case {
    const char* name;
    std::vector<std::pair<float, float>> points;
    double area;  // on the 0..1 scale
    double perimeter;
    int w, h;
  };
  const std::vector<Case> cases = {
      {"square of side 0.5", {{0.25f, 0.25f}, {0.75f, 0.25f}, {0.75f, 0.75f}, {0.25f, 0.75f}}, 0.25, 2.0, 200, 200},
      {"off-grid rectangle", {{0.213f, 0.171f}, {0.707f, 0.171f}, {0.707f, 0.933f}, {0.213f, 0.933f}},
       0.494 * 0.762, 2 * (0.494 + 0.762), 203, 157},
      {"triangle", {{0.1f, 0.1f}, {0.9f, 0.1f}, {0.5f, 0.8f}}, 0.5 * 0.8 * 0.7, 0.8 + 2 * std::hypot(0.4, 0.7), 300, 300},
      {"counter-clockwise square", {{0.25f, 0.25f}, {0.25f, 0.75f}, {0.75f, 0.75f}, {0.75f, 0.25f}}, 0.25, 2.0, 100,
       120},
  };
  for (const Case& c : cases) {
    for (const bool invert : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.name << (invert ? ", inverted" : ""));
      DuzeviveShapeImpl shape = polygon(c.points, 3);
      shape.invert = invert;
      const std::vector<pixeli> mask = render(c.w, c.h, {&shape});
      const double frame = static_cast<double>(c.w) * c.h;
      const double area = c.area * frame;
      // One edge pixel per unit of outline length, the outline measured in pixels of the larger side.
      const double edge = c.perimeter * std::max(c.w, c.h);
      EXPECT_NEAR(coverage(mask), invert ? frame - area : area, edge);
      for (const pixeli& p : mask) ASSERT_TRUE(p.r == p.g && p.g == p.b && p.b == p.a);
    }
  }
}

TEST(ShapeMask, VisitorDrawsOutlinesGivenPointByPoint) {
  const int w = 40, h = 20;
  std::vector<pixeli> mask = filled(w, h, kSentinel);
  ShapeRenderer renderer(w, h);
  {
    ShapeVisitorImpl visitor(renderer, mask.data());
    visitor.beginPolygon();
    for (const auto& [x, y] : {std::pair{0.25, 0.25}, {0.5, 0.25}, {0.5, 0.75}, {0.25, 0.75}}) visitor.addPoint(x, y);
    visitor.setAlpha(0.5f);
    visitor.endPolygon(0, kShapeCombineAdd);
    ASSERT_EQ(visitor.status(), PrimStatus::ok);
  }
  EXPECT_EQ(getBoundingBox(&renderer), (ShapeBoundingBox{10, 5, 20, 15}));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool inBox = x >= 10 && x <= 20 && y >= 5 && y <= 15;
      const bool covered = x >= 10 && x < 20 && y >= 5 && y < 15;
      const std::uint16_t expected = covered ? 32768 : inBox ? 0 : kSentinel;
      ASSERT_EQ(at(mask, w, x, y), (pixeli{expected, expected, expected, expected})) << x << "," << y;
    }
  }
}

TEST(ShapeMask, SmoothOutlineStaysStrictlyInsideItsControlPolygon) {
  const DuzeviveShapeImpl smooth = rectangle(0.2f, 0.2f, 0.8f, 0.8f, 1);
  const DuzeviveShapeImpl corners = rectangle(0.2f, 0.2f, 0.8f, 0.8f, 3);
  const std::vector<pixeli> inside = render(200, 200, {&smooth});
  const std::vector<pixeli> polygon = render(200, 200, {&corners});
  for (std::size_t i = 0; i < inside.size(); ++i) ASSERT_LE(inside[i].g, polygon[i].g) << i;
  EXPECT_LT(coverage(inside), coverage(polygon) - 200);
  EXPECT_EQ(at(inside, 200, 100, 100).g, 65535);
  // The corners are cut: the curve passes (1/6 of the side) inside them.
  EXPECT_EQ(at(inside, 200, 41, 41).g, 0);
  EXPECT_EQ(at(polygon, 200, 41, 41).g, 65535);
}

TEST(ShapeMask, AlphaSetsTheInsideValue) {
  struct Case {
    float alpha;
    std::uint16_t inside;
  };
  for (const Case& c : {Case{1.0f, 65535}, Case{0.5f, 32768}, Case{0.25f, 16384}, Case{1.5f, 65535},
                        Case{-0.25f, 0}, Case{0.0f, 0}}) {
    SCOPED_TRACE(c.alpha);
    DuzeviveShapeImpl shape = rectangle(0.3f, 0.3f, 0.7f, 0.7f);
    shape.alpha = c.alpha;
    const std::vector<pixeli> mask = render(50, 40, {&shape});
    EXPECT_EQ(at(mask, 50, 25, 20), (pixeli{c.inside, c.inside, c.inside, c.inside}));
    for (const pixeli& p : mask) ASSERT_LE(p.g, c.inside);
  }
}

TEST(ShapeMask, LaterShapesCombineByTheirRuleInsideTheirBox) {
  // A (alpha 0.75 → 49151) then B (alpha 0.25 → 16384), overlapping in the middle.
  DuzeviveShapeImpl a = rectangle(0.1f, 0.1f, 0.6f, 0.6f);
  a.alpha = 0.75f;
  struct Case {
    std::int32_t mode;
    std::uint16_t aOnly, both, bOnly;
  };
  for (const Case& c : {Case{kShapeCombineSubtract, 49151, 32767, 0}, Case{kShapeCombineIntersect, 49151, 16384, 0},
                        Case{kShapeCombineUnion, 49151, 49151, 16384}, Case{kShapeCombineAdd, 49151, 65535, 16384},
                        Case{9, 49151, 65535, 16384}}) {
    SCOPED_TRACE(c.mode);
    DuzeviveShapeImpl b = rectangle(0.4f, 0.4f, 0.9f, 0.9f);
    b.alpha = 0.25f;
    b.combineMode = c.mode;
    // The first shape replaces whatever its mode says.
    a.combineMode = c.mode;
    const std::vector<pixeli> mask = render(100, 100, {&a, &b});
    EXPECT_EQ(at(mask, 100, 20, 20).g, c.aOnly);  // outside B's box: untouched by B
    EXPECT_EQ(at(mask, 100, 50, 50).g, c.both);
    EXPECT_EQ(at(mask, 100, 80, 80).g, c.bOnly);
    EXPECT_EQ(at(mask, 100, 95, 5).g, 0);
  }
}

TEST(ShapeMask, FeatherRadiusIsATenthOfTheWidthRounded) {
  struct Case {
    float feather;
    double width;
    int radius;
  };
  for (const Case& c : {Case{0.1f, 1000, 10}, Case{0.05f, 3000, 15}, Case{1.0f, 3000, 300}, Case{0.0f, 3000, 0},
                        Case{-0.5f, 1000, 0}, Case{0.0049f, 1000, 0}, Case{0.0051f, 1000, 1}}) {
    EXPECT_EQ(featherRadius(c.feather, c.width), c.radius) << c.feather << " at " << c.width;
  }
}

TEST(ShapeMask, FeatherBlursWithinTheBoxGrownByTheRadius) {
  const int w = 1000, h = 600;
  DuzeviveShapeImpl shape = rectangle(0.3f, 0.3f, 0.6f, 0.6f);  // pixels 300..599 × 180..359
  ShapeBoundingBox sharpBox;
  double sharpMass = 0;
  {
    std::vector<pixeli> mask = filled(w, h, kSentinel);
    ShapeRendererHandle renderer = render_begin(w, h);
    ASSERT_EQ(render_addShape(renderer.get(), &shape), PrimStatus::ok);
    ASSERT_EQ(render_RGBA16(renderer.get(), mask.data()), PrimStatus::ok);
    sharpBox = getBoundingBox(renderer.get());
    render_finish(std::move(renderer));
    for (const pixeli& p : mask) sharpMass += p.g == kSentinel ? 0 : p.g;
  }
  EXPECT_EQ(sharpBox, (ShapeBoundingBox{300, 180, 600, 360}));

  shape.feather = 0.1f;
  std::vector<pixeli> mask = filled(w, h, kSentinel);
  ShapeRendererHandle renderer = render_begin(w, h);
  ASSERT_EQ(render_addShape(renderer.get(), &shape), PrimStatus::ok);
  ASSERT_EQ(render_RGBA16(renderer.get(), mask.data()), PrimStatus::ok);
  const ShapeBoundingBox box = getBoundingBox(renderer.get());
  render_finish(std::move(renderer));
  EXPECT_EQ(box, (ShapeBoundingBox{290, 170, 610, 370}));

  double mass = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool inBox = x >= box.x1 && x <= box.x2 && y >= box.y1 && y <= box.y2;
      const std::uint16_t g = at(mask, w, x, y).g;
      if (inBox) {
        mass += g;
      } else {
        ASSERT_EQ(g, kSentinel) << x << "," << y;
      }
    }
  }
  EXPECT_NEAR(mass, sharpMass, sharpMass * 0.01);
  // The blur reaches the radius out from the outermost covered pixel and no further; the centre stays full.
  EXPECT_GT(at(mask, w, 290, 270).g, 0);
  EXPECT_GT(at(mask, w, 609, 270).g, 0);
  EXPECT_EQ(at(mask, w, 610, 270).g, 0);
  EXPECT_EQ(at(mask, w, 450, 270).g, 65535);
  EXPECT_GT(at(mask, w, 300, 270).g, 0);
  EXPECT_LT(at(mask, w, 300, 270).g, 65535);
}

// At radius 300 a window sums (r + 1)² weights of 16-bit values, past what 32 bits hold.
TEST(ShapeMask, WideFeatherKeepsTheMasksMass) {
  const int w = 3000, h = 1400;
  DuzeviveShapeImpl shape = rectangle(0.4f, 0.4f, 0.6f, 0.6f);
  const double sharp = coverage(render(w, h, {&shape}));
  shape.feather = 1.0f;
  const std::vector<pixeli> mask = render(w, h, {&shape});
  EXPECT_NEAR(coverage(mask), sharp, sharp * 0.01);
  EXPECT_GT(at(mask, w, 1500, 700).g, 30000);
  EXPECT_EQ(at(mask, w, 5, 5).g, 0);
}

TEST(ShapeMask, MaskDrawnOverIsReplacedOnlyInsideTheFirstShapesBox) {
  const int w = 64, h = 48;
  std::vector<pixeli> mask = filled(w, h, kSentinel);
  const DuzeviveShapeImpl first = rectangle(0.25f, 0.25f, 0.5f, 0.5f);  // pixels 16..31 × 12..23, box to 32 × 24
  DuzeviveShapeImpl second = rectangle(0.75f, 0.75f, 0.9f, 0.9f);
  second.combineMode = kShapeCombineUnion;
  const std::vector<const DuzeviveShapeImpl*> shapes = {&first, &second};
  ASSERT_EQ(renderMaskShape(mask.data(), w, h, shapes, false), PrimStatus::ok);
  EXPECT_EQ(at(mask, w, 20, 20).g, 65535);
  EXPECT_EQ(at(mask, w, 32, 20).g, 0);  // in the box, not covered: replaced
  EXPECT_EQ(at(mask, w, 33, 20).g, kSentinel);
  EXPECT_EQ(at(mask, w, 20, 25).g, kSentinel);
  EXPECT_EQ(at(mask, w, 50, 40).g, 65535);  // the second shape by union
  EXPECT_EQ(at(mask, w, 60, 5), (pixeli{kSentinel, kSentinel, kSentinel, kSentinel}));
}

TEST(ShapeMask, ShapesThatCannotBeDrawnAreRefusedBeforeTheMaskIsTouched) {
  struct Case {
    const char* name;
    void (*spoil)(DuzeviveShapeImpl&);
  };
  const Case cases[] = {
      {"alpha NaN", [](DuzeviveShapeImpl& s) { s.alpha = kNaN; }},
      {"alpha infinite", [](DuzeviveShapeImpl& s) { s.alpha = kInf; }},
      {"feather NaN", [](DuzeviveShapeImpl& s) { s.feather = kNaN; }},
      {"feather infinite", [](DuzeviveShapeImpl& s) { s.feather = kInf; }},
      {"feather past the frame", [](DuzeviveShapeImpl& s) { s.feather = 10.5f; }},
      {"x NaN", [](DuzeviveShapeImpl& s) { s.x[1] = kNaN; }},
      {"y infinite", [](DuzeviveShapeImpl& s) { s.y[2] = -kInf; }},
      {"x far outside", [](DuzeviveShapeImpl& s) { s.x[0] = 1e9f; }},
      {"y array short", [](DuzeviveShapeImpl& s) { s.y.pop_back(); }},
      {"multiplicities short", [](DuzeviveShapeImpl& s) { s.multiplicity.pop_back(); }},
      {"too many points",
       [](DuzeviveShapeImpl& s) {
         s.x.assign(kMaxShapeControlPoints + 1, 0.5f);
         s.y.assign(kMaxShapeControlPoints + 1, 0.5f);
         s.multiplicity.assign(kMaxShapeControlPoints + 1, 1);
       }},
  };
  const DuzeviveShapeImpl good = rectangle(0.2f, 0.2f, 0.8f, 0.8f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DuzeviveShapeImpl bad = rectangle(0.1f, 0.1f, 0.5f, 0.5f);
    c.spoil(bad);
    std::vector<pixeli> mask = filled(20, 10, kSentinel);
    const std::vector<const DuzeviveShapeImpl*> shapes = {&good, &bad};
    EXPECT_EQ(renderMaskShape(mask.data(), 20, 10, shapes, true), PrimStatus::badArguments);
    EXPECT_EQ(mask, filled(20, 10, kSentinel));
    ShapeRendererHandle renderer = render_begin(20, 10);
    EXPECT_EQ(render_addShape(renderer.get(), &bad), PrimStatus::badArguments);
  }

  std::vector<pixeli> mask = filled(20, 10, kSentinel);
  const std::vector<const DuzeviveShapeImpl*> tooMany(kMaxShapes + 1, &good);
  EXPECT_EQ(renderMaskShape(mask.data(), 20, 10, tooMany, true), PrimStatus::badArguments);
  EXPECT_EQ(mask, filled(20, 10, kSentinel));
  const std::vector<const DuzeviveShapeImpl*> one = {&good};
  EXPECT_EQ(renderMaskShape(nullptr, 20, 10, one, true), PrimStatus::badArguments);
  EXPECT_EQ(renderMaskShape(mask.data(), -1, 10, one, true), PrimStatus::badArguments);
}

TEST(ShapeMask, UnusualButValidListsDrawSensibly) {
  const int w = 40, h = 30;
  const DuzeviveShapeImpl square = rectangle(0.25f, 0.25f, 0.75f, 0.75f);
  DuzeviveShapeImpl twoPoints = polygon({{0.1f, 0.1f}, {0.9f, 0.9f}}, 3);
  DuzeviveShapeImpl twoPointsInverted = twoPoints;
  twoPointsInverted.invert = true;
  twoPointsInverted.alpha = 0.5f;
  DuzeviveShapeImpl negativeFeather = square;
  negativeFeather.feather = -3.0f;
  const DuzeviveShapeImpl outside = rectangle(1.5f, 1.5f, 2.5f, 2.5f);
  const DuzeviveShapeImpl overhanging = rectangle(-100.0f, -100.0f, 100.0f, 0.5f);
  DuzeviveShapeImpl maxPoints;
  for (std::size_t i = 0; i < kMaxShapeControlPoints; ++i) {
    const double t = 2 * M_PI * static_cast<double>(i) / kMaxShapeControlPoints;
    maxPoints.x.push_back(static_cast<float>(0.5 + 0.3 * std::cos(t)));
    maxPoints.y.push_back(static_cast<float>(0.5 + 0.3 * std::sin(t)));
    maxPoints.multiplicity.push_back(1);
  }

  struct Case {
    const char* name;
    std::vector<const DuzeviveShapeImpl*> shapes;
    double coverage;
    double tolerance;
  };
  const std::vector<Case> cases = {
      {"a null entry is skipped", {nullptr, &square, nullptr}, 300, 0.1},
      {"two points draw nothing", {&twoPoints}, 0, 0},
      {"two points inverted cover the frame", {&twoPointsInverted}, 1200 * 32768 / 65535.0, 0},
      {"a negative feather is sharp", {&negativeFeather}, 300, 0.1},
      {"a shape off the frame touches nothing", {&outside}, 0, 0},
      {"an overhanging shape is clipped", {&overhanging}, 600, 0},
      {"the most points a shape may have", {&maxPoints}, M_PI * 0.09 * 1200, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(coverage(render(w, h, c.shapes)), c.coverage, c.tolerance);
  }

  // Without clearing, a shape that touches nothing leaves the map alone; an empty frame has nothing to draw.
  std::vector<pixeli> mask = filled(w, h, kSentinel);
  const std::vector<const DuzeviveShapeImpl*> nothing = {&twoPoints, &outside};
  EXPECT_EQ(renderMaskShape(mask.data(), w, h, nothing, false), PrimStatus::ok);
  EXPECT_EQ(mask, filled(w, h, kSentinel));
  const std::vector<const DuzeviveShapeImpl*> one = {&square};
  EXPECT_EQ(renderMaskShape(mask.data(), 0, h, one, true), PrimStatus::ok);
  EXPECT_EQ(renderMaskShape(mask.data(), w, 0, one, false), PrimStatus::ok);
  EXPECT_EQ(mask, filled(w, h, kSentinel));
  EXPECT_EQ(render_RGBA16(nullptr, mask.data()), PrimStatus::ok);
  EXPECT_TRUE(getBoundingBox(nullptr).empty());
}

TEST(ShapeMask, SameMaskAtEveryWorkerCount) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(-0.1f, 1.1f);
  std::vector<DuzeviveShapeImpl> shapes(12);
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    DuzeviveShapeImpl& s = shapes[i];
    for (int k = 0; k < 6; ++k) {
      s.x.push_back(unit(random));
      s.y.push_back(unit(random));
      s.multiplicity.push_back(1 + k % 3);
    }
    s.alpha = 0.3f + 0.05f * static_cast<float>(i);
    s.feather = 0.02f * static_cast<float>(i % 4);
    s.invert = i % 5 == 2;
    s.combineMode = static_cast<std::int32_t>(i % 4);
  }
  std::vector<const DuzeviveShapeImpl*> list;
  for (const DuzeviveShapeImpl& s : shapes) list.push_back(&s);

  std::vector<pixeli> one;
  {
    const WorkerCount workers(1);
    one = render(1200, 900, list);
  }
  for (const int count : {2, 8}) {
    const WorkerCount workers(count);
    EXPECT_EQ(render(1200, 900, list), one) << count << " workers";
  }
}

}  // namespace
}  // namespace vorl
