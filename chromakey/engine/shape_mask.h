// The shape-mask stage: closed smooth outlines drawn, anti-aliased and feathered, into a 16-bit mask map whose
// value 65535 excludes a pixel from the key.
//
// A shape is an in-process value handed to the pass by its caller; nothing here reads shapes from stored records.
// Each outline is the closed uniform cubic B-spline of its control points, where a point repeated by its
// multiplicity pulls the curve into it (three copies make a corner). The renderer draws the shapes of one list in
// order: each is rasterised into a gray scratch map, optionally inverted and blurred, then combined into all four
// channels of the mask inside the shape's grown bounding box, so pixels outside every box keep what they held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "chromakey/engine/key_stages.h"

namespace vorl {

// How a shape meets the shapes drawn before it (the first drawn shape always replaces).
inline constexpr std::int32_t kShapeCombineAdd = 0;  // any value without a rule of its own adds, capped at 65535
inline constexpr std::int32_t kShapeCombineSubtract = 1;
inline constexpr std::int32_t kShapeCombineIntersect = 2;
inline constexpr std::int32_t kShapeCombineUnion = 3;

// Limits past which a shape list is refused rather than drawn: far beyond anything a studio draws by hand, and
// low enough that no coordinate or blur radius can overflow the rasteriser's integer arithmetic.
inline constexpr std::size_t kMaxShapes = 100;
inline constexpr std::size_t kMaxShapeControlPoints = 10000;
inline constexpr float kMaxShapeCoordinate = 100.0f;  // |x|, |y| on the frame's 0..1 scale
inline constexpr float kMaxShapeFeather = 10.0f;      // a blur radius of the whole frame width

struct DuzeviveShapeImpl {
  bool invert = false;      // cover the frame outside the outline instead of inside
  float alpha = 1.0f;       // 0..1, the covered pixels' value over 65535; clamped into that range
  float feather = 0.0f;     // blur radius in tenths of the frame width; 0 or less draws a sharp edge
  std::vector<float> x;     // control points on the frame's 0..1 scale of width ...
  std::vector<float> y;     // ... and height
  std::vector<std::int32_t> multiplicity;  // per point: 1 smooth, 2 pulled in, 3 a corner
  std::int32_t combineMode = kShapeCombineAdd;
};

// Whether the shape can be drawn: finite alpha, feather and coordinates within the limits above, and one
// multiplicity per point. Logs the reason for a refusal.
[[nodiscard]] bool isDrawableShape(const DuzeviveShapeImpl& shape) noexcept;

// The blur radius in pixels of a shape's feather on a frame `width` wide: trunc(feather × width × 0.1 + 0.5),
// at least 0.
[[nodiscard]] int featherRadius(float feather, double width) noexcept;

// Receives a shape's outline and settings, one polygon at a time.
class ShapeVisitor {
 public:
  virtual ~ShapeVisitor() = default;
  virtual void beginPolygon() noexcept = 0;
  virtual void addPoint(double x, double y) noexcept = 0;
  virtual void addBezier(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                         double y3) noexcept = 0;
  virtual void endPolygon(int featherRadius, std::int32_t combineMode) noexcept = 0;
  virtual void setInvert() noexcept = 0;
  virtual void setAlpha(float alpha) noexcept = 0;
};

// Feeds the closed B-spline of the shape's control points to the visitor as cubic Bézier segments, coordinates
// still on the 0..1 scale. Fewer than three points feed nothing.
void acceptDuzeviveShapeVisitor(const DuzeviveShapeImpl& shape, ShapeVisitor& visitor) noexcept;

// The touched region of a rendering, inclusive pixel bounds; empty as (0, 0, −1, −1).
struct ShapeBoundingBox {
  int x1 = 0;
  int y1 = 0;
  int x2 = -1;
  int y2 = -1;

  [[nodiscard]] bool empty() const noexcept { return x2 < x1 || y2 < y1; }
  friend bool operator==(const ShapeBoundingBox&, const ShapeBoundingBox&) = default;
};

// One rendering: the frame size, the shapes in drawing order and the box they touched.
class ShapeRenderer {
 public:
  ShapeRenderer(double width, double height) noexcept : width_(width), height_(height) {}

  [[nodiscard]] double width() const noexcept { return width_; }
  [[nodiscard]] double height() const noexcept { return height_; }
  [[nodiscard]] const std::vector<const DuzeviveShapeImpl*>& shapes() const noexcept { return shapes_; }
  [[nodiscard]] std::vector<const DuzeviveShapeImpl*>& shapes() noexcept { return shapes_; }
  [[nodiscard]] const ShapeBoundingBox& box() const noexcept { return box_; }
  // Widens the touched box to hold `box` (taken as it is while nothing has been touched).
  void mergeBox(const ShapeBoundingBox& box) noexcept;

 private:
  double width_;
  double height_;
  std::vector<const DuzeviveShapeImpl*> shapes_;
  ShapeBoundingBox box_;
};

using ShapeRendererHandle = std::unique_ptr<ShapeRenderer>;

// A renderer for a frame of width × height pixels (fractions are dropped); null for a negative, non-finite or
// oversized frame, or without memory.
[[nodiscard]] ShapeRendererHandle render_begin(double width, double height) noexcept;
// Appends a shape, which must outlive the renderer. A null renderer or shape is ignored; a shape that is not
// drawable gives badArguments and is not added.
[[nodiscard]] PrimStatus render_addShape(ShapeRenderer* renderer, const DuzeviveShapeImpl* shape) noexcept;
// Draws all shapes in order into `mask`, a map of the renderer's frame size. A null renderer draws nothing.
[[nodiscard]] PrimStatus render_RGBA16(ShapeRenderer* renderer, pixeli* mask) noexcept;
// The box every drawn shape touched so far; empty for a null renderer.
[[nodiscard]] ShapeBoundingBox getBoundingBox(const ShapeRenderer* renderer) noexcept;
void render_finish(ShapeRendererHandle renderer) noexcept;

// Draws into an rgba16 mask through agg: the outline into a gray16 scratch map the size of its box, then into
// the mask. Operations on a visitor that has failed (no memory) do nothing; `status` tells.
class ShapeVisitorImpl final : public ShapeVisitor {
 public:
  ShapeVisitorImpl(ShapeRenderer& renderer, pixeli* mask) noexcept;
  ~ShapeVisitorImpl() override;
  ShapeVisitorImpl(const ShapeVisitorImpl&) = delete;
  ShapeVisitorImpl& operator=(const ShapeVisitorImpl&) = delete;

  void beginPolygon() noexcept override;
  void addPoint(double x, double y) noexcept override;
  void addBezier(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                 double y3) noexcept override;
  void endPolygon(int featherRadius, std::int32_t combineMode) noexcept override;
  void setInvert() noexcept override;
  void setAlpha(float alpha) noexcept override;

  [[nodiscard]] PrimStatus status() const noexcept { return status_; }

 private:
  struct Raster;  // the agg path, rasteriser and scratch map

  void drawPolygon(int featherRadius, std::int32_t combineMode);

  std::unique_ptr<Raster> raster_;
  ShapeRenderer& renderer_;
  pixeli* mask_;
  int width_;
  int height_;
  double scaleX_;
  double scaleY_;
  int pointCount_ = 0;
  int polygonCount_ = 0;
  bool invert_ = false;
  double alpha_ = 1.0;
  PrimStatus status_ = PrimStatus::ok;
};

}  // namespace vorl
