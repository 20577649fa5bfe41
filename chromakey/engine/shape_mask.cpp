#include "chromakey/engine/shape_mask.h"

// agg_blur.h names renderer_base without including its header.
#include <agg_renderer_base.h>

#include <agg_basics.h>
#include <agg_blur.h>
#include <agg_curves.h>
#include <agg_path_storage.h>
#include <agg_pixfmt_gray.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_u.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

#include "chromakey/engine/engine_workers.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// Frames wider or taller than this are refused: the rasteriser keeps coordinates as 24.8 fixed point in an int.
constexpr int kMaxFrameSide = 1 << 22;
// Less work than this many pixels per worker is not worth starting a thread for.
constexpr std::size_t kMinPixelsPerBlock = std::size_t{1} << 17;

using ScratchPixels = agg::pixfmt_gray16;
// 64-bit sums: a window of (r + 1)² weights of 16-bit values overflows 32 bits from radius 255 on.
using StackBlur16 = agg::stack_blur<agg::gray16, agg::stack_blur_calc_gray<agg::int64u>>;

int boxWidth(const ShapeBoundingBox& box) noexcept { return box.x2 - box.x1 + 1; }
int boxHeight(const ShapeBoundingBox& box) noexcept { return box.y2 - box.y1 + 1; }

// Splits `lines` lines of `length` pixels over the workers in blocks of at least kMinPixelsPerBlock pixels and
// runs body(first, count) on each. False when a block ran out of memory.
template <class Body>
bool runLineBlocks(int lines, int length, int workers, const Body& body) noexcept {
  const std::size_t pixels = static_cast<std::size_t>(lines) * static_cast<std::size_t>(length);
  const int blocks = static_cast<int>(std::clamp<std::size_t>(pixels / kMinPixelsPerBlock, 1,
                                                              static_cast<std::size_t>(std::min(workers, lines))));
  std::atomic<bool> failed{false};
  auto guarded = [&](std::size_t first, std::size_t count) noexcept {
    try {
      body(static_cast<int>(first), static_cast<int>(count));
    } catch (const std::bad_alloc&) {
      failed.store(true, std::memory_order_relaxed);
    }
  };
  if (blocks == 1)
    guarded(0, static_cast<std::size_t>(lines));
  else
    runBlocks(static_cast<std::size_t>(lines), blocks, guarded);
  return !failed.load(std::memory_order_relaxed);
}

// agg's stack blur of the box's scratch (`boxW` × `boxH`, rows packed), rows first and columns second, each line
// on its own so the split over workers cannot change a pixel. The box reaches the radius past every covered
// pixel or ends at the frame's edge, so the blur's edge repetition at its sides sees what it would see on the
// whole frame: zeros, or the frame's edge.
bool blurBox(std::uint16_t* scratch, int boxW, int boxH, int radius, int workers) {
  const auto pitch = static_cast<std::size_t>(boxW);
  const auto r = static_cast<unsigned>(radius);
  const bool rowsDone = runLineBlocks(boxH, boxW, workers, [&](int first, int count) {
    agg::rendering_buffer rows(reinterpret_cast<agg::int8u*>(scratch + static_cast<std::size_t>(first) * pitch),
                               static_cast<unsigned>(boxW), static_cast<unsigned>(count),
                               boxW * static_cast<int>(sizeof(std::uint16_t)));
    ScratchPixels pixels(rows);
    StackBlur16().blur_x(pixels, r);
  });
  if (!rowsDone) return false;
  return runLineBlocks(boxW, boxH, workers, [&](int first, int count) {
    agg::rendering_buffer columns(reinterpret_cast<agg::int8u*>(scratch + first), static_cast<unsigned>(count),
                                  static_cast<unsigned>(boxH), boxW * static_cast<int>(sizeof(std::uint16_t)));
    ScratchPixels pixels(columns);
    StackBlur16().blur_y(pixels, r);
  });
}

std::uint16_t combine(std::uint16_t d, std::uint16_t s, std::int32_t mode) noexcept {
  switch (mode) {
    case kShapeCombineSubtract:
      return d > s ? static_cast<std::uint16_t>(d - s) : std::uint16_t{0};
    case kShapeCombineIntersect:
      return std::min(d, s);
    case kShapeCombineUnion:
      return std::max(d, s);
    default:
      return static_cast<std::uint16_t>(std::min(d + s, 65535));
  }
}

// Puts the box's scratch values into all four channels of the mask pixels under the box, replacing them for the
// first polygon and by the combine rule after it, and leaves the scratch zero for the next polygon.
void combineBox(std::uint16_t* scratch, pixeli* mask, int width, const ShapeBoundingBox& box, bool first,
                std::int32_t mode, int workers) noexcept {
  const auto n = static_cast<std::size_t>(boxWidth(box));
  static_cast<void>(runLineBlocks(boxHeight(box), boxWidth(box), workers, [&](int firstRow, int count) noexcept {
    for (int y = firstRow; y < firstRow + count; ++y) {
      std::uint16_t* s = scratch + static_cast<std::size_t>(y) * n;
      pixeli* d = mask + static_cast<std::size_t>(box.y1 + y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(box.x1);
      if (first) {
        for (std::size_t i = 0; i < n; ++i) d[i] = {s[i], s[i], s[i], s[i]};
      } else {
        for (std::size_t i = 0; i < n; ++i)
          d[i] = {combine(d[i].r, s[i], mode), combine(d[i].g, s[i], mode), combine(d[i].b, s[i], mode),
                  combine(d[i].a, s[i], mode)};
      }
      std::memset(s, 0, n * sizeof(std::uint16_t));
    }
  }));
}

// The inclusive pixel box of the path's vertices grown by `radius` and clipped to the frame; empty for an empty
// path or one wholly outside. A pixel the rasteriser covers lies between floor(x1) and floor(x2) (coordinates
// are rounded to 1/256 pixel, never past a whole one), and the blur carries it at most `radius` further.
ShapeBoundingBox grownBox(agg::path_storage& path, int radius, int width, int height) noexcept {
  double x1 = 0, y1 = 0, x2 = -1, y2 = -1;
  bool any = false;
  for (unsigned i = 0; i < path.total_vertices(); ++i) {
    double x = 0, y = 0;
    if (!agg::is_vertex(path.vertex(i, &x, &y))) continue;
    if (!any) {
      x1 = x2 = x;
      y1 = y2 = y;
      any = true;
    } else {
      x1 = std::min(x1, x);
      y1 = std::min(y1, y);
      x2 = std::max(x2, x);
      y2 = std::max(y2, y);
    }
  }
  if (!any) return {};
  // Clamped in double first: a radius or a coordinate far outside the frame must not overflow the int.
  auto clampTo = [](double v, int high) { return static_cast<int>(std::clamp(v, -1.0, static_cast<double>(high))); };
  const double r = radius;
  ShapeBoundingBox box{clampTo(std::floor(x1) - r, width), clampTo(std::floor(y1) - r, height),
                       clampTo(std::floor(x2) + r, width), clampTo(std::floor(y2) + r, height)};
  if (box.x2 < 0 || box.y2 < 0 || box.x1 > width - 1 || box.y1 > height - 1) return {};
  box.x1 = std::max(box.x1, 0);
  box.y1 = std::max(box.y1, 0);
  box.x2 = std::min(box.x2, width - 1);
  box.y2 = std::min(box.y2, height - 1);
  return box;
}

// An 8-bit cover scaled to 16 bits (× 257) times the opacity over 65535, rounded as agg rounds it (exact for full
// cover). agg's own gray16 multiply does this in int and overflows for large values, so it is redone unsigned.
std::uint16_t coverValue(unsigned opacity, unsigned cover) noexcept {
  const std::uint32_t t = opacity * (cover << 8 | cover) + 32768u;
  return static_cast<std::uint16_t>((t + (t >> 16)) >> 16);
}

// The path's coverage in white at `opacity` into the box's zeroed scratch (rows packed), which is what gray16
// blending over 0 gives. Spans are held to the box, which holds every covered pixel; the clipper alone would let
// cells through on the frame's right and bottom edges.
void paintCoverage(agg::rasterizer_scanline_aa<agg::rasterizer_sl_clip_dbl>& rasteriser, agg::scanline_u8& scanline,
                   std::uint16_t* scratch, const ShapeBoundingBox& box, unsigned opacity) {
  if (!rasteriser.rewind_scanlines()) return;
  scanline.reset(rasteriser.min_x(), rasteriser.max_x());
  const auto pitch = static_cast<std::size_t>(boxWidth(box));
  while (rasteriser.sweep_scanline(scanline)) {
    const int y = scanline.y();
    if (y < box.y1 || y > box.y2) continue;
    std::uint16_t* row = scratch + static_cast<std::size_t>(y - box.y1) * pitch;
    auto span = scanline.begin();
    for (unsigned k = scanline.num_spans(); k > 0; --k, ++span) {
      const int start = span->x;
      const int end = std::min(start + static_cast<int>(span->len), box.x2 + 1);
      for (int x = std::max(start, box.x1); x < end; ++x)
        row[x - box.x1] = coverValue(opacity, span->covers[x - start]);
    }
  }
}

}  // namespace

struct ShapeVisitorImpl::Raster {
  Raster(int width, int height) {
    rasteriser.clip_box(0, 0, width, height);
    // Even-odd keeps the inside of the outline empty when the frame's rectangle is added for an inverted shape,
    // whichever way either runs, so an inverted shape is the exact complement of the plain one.
    rasteriser.filling_rule(agg::fill_even_odd);
  }

  // The polygon's box, rows packed; kept zero between polygons and grown to the largest box so far.
  std::vector<std::uint16_t> scratch;
  // Clipping in double precision, so no coordinate reaches the fixed-point conversion outside the frame.
  agg::rasterizer_scanline_aa<agg::rasterizer_sl_clip_dbl> rasteriser;
  agg::scanline_u8 scanline;
  agg::path_storage path;
};

ShapeVisitorImpl::ShapeVisitorImpl(ShapeRenderer& renderer, pixeli* mask) noexcept
    : renderer_(renderer),
      mask_(mask),
      width_(static_cast<int>(renderer.width())),
      height_(static_cast<int>(renderer.height())),
      scaleX_(renderer.width()),
      scaleY_(renderer.height()) {
  try {
    raster_ = std::make_unique<Raster>(width_, height_);
  } catch (const std::bad_alloc&) {
    status_ = PrimStatus::outOfMemory;
  }
}

ShapeVisitorImpl::~ShapeVisitorImpl() = default;

void ShapeVisitorImpl::beginPolygon() noexcept {
  if (raster_ == nullptr) return;
  raster_->path.remove_all();
  pointCount_ = 0;
  invert_ = false;
  alpha_ = 1.0;
}

void ShapeVisitorImpl::addPoint(double x, double y) noexcept {
  if (status_ != PrimStatus::ok) return;
  try {
    if (pointCount_ == 0)
      raster_->path.move_to(x * scaleX_, y * scaleY_);
    else
      raster_->path.line_to(x * scaleX_, y * scaleY_);
    ++pointCount_;
  } catch (const std::bad_alloc&) {
    status_ = PrimStatus::outOfMemory;
  }
}

void ShapeVisitorImpl::addBezier(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                                 double y3) noexcept {
  if (status_ != PrimStatus::ok) return;
  try {
    agg::path_storage& path = raster_->path;
    agg::curve4_div curve(x0 * scaleX_, y0 * scaleY_, x1 * scaleX_, y1 * scaleY_, x2 * scaleX_, y2 * scaleY_,
                          x3 * scaleX_, y3 * scaleY_);
    curve.rewind(0);
    double x = 0, y = 0;
    // The curve continues the outline: its first point starts a new one only where no outline is open, and is
    // left out where it repeats the outline's last point.
    if (agg::is_stop(curve.vertex(&x, &y))) return;
    double lastX = 0, lastY = 0;
    if (path.total_vertices() == 0 || !agg::is_vertex(path.last_vertex(&lastX, &lastY)))
      path.move_to(x, y);
    else if (agg::calc_distance(x, y, lastX, lastY) > agg::vertex_dist_epsilon)
      path.line_to(x, y);
    while (!agg::is_stop(curve.vertex(&x, &y))) path.line_to(x, y);
  } catch (const std::bad_alloc&) {
    status_ = PrimStatus::outOfMemory;
  }
}

void ShapeVisitorImpl::setInvert() noexcept { invert_ = true; }

void ShapeVisitorImpl::setAlpha(float alpha) noexcept {
  // Not-a-number counts as nothing drawn.
  alpha_ = alpha >= 0.0f ? std::min(static_cast<double>(alpha), 1.0) : 0.0;
}

void ShapeVisitorImpl::endPolygon(int featherRadius, std::int32_t combineMode) noexcept {
  if (status_ != PrimStatus::ok) return;
  try {
    drawPolygon(std::max(featherRadius, 0), combineMode);
  } catch (const std::bad_alloc&) {
    status_ = PrimStatus::outOfMemory;
  }
  ++polygonCount_;
}

void ShapeVisitorImpl::drawPolygon(int featherRadius, std::int32_t combineMode) {
  Raster& raster = *raster_;
  agg::path_storage& path = raster.path;
  path.close_polygon();
  if (invert_) {
    path.move_to(0.0, 0.0);
    path.line_to(scaleX_, 0.0);
    path.line_to(scaleX_, scaleY_);
    path.line_to(0.0, scaleY_);
    path.close_polygon();
  }
  const ShapeBoundingBox box = grownBox(path, featherRadius, width_, height_);
  if (box.empty()) return;

  const std::size_t area = static_cast<std::size_t>(boxWidth(box)) * static_cast<std::size_t>(boxHeight(box));
  if (raster.scratch.size() < area) raster.scratch.resize(area);

  const auto opacity = static_cast<unsigned>(alpha_ * 65535.0 + 0.5);
  raster.rasteriser.reset();
  raster.rasteriser.add_path(path);
  paintCoverage(raster.rasteriser, raster.scanline, raster.scratch.data(), box, opacity);
  renderer_.mergeBox(box);

  const int workers = duzeviveThreadCount();
  if (featherRadius > 0 && !blurBox(raster.scratch.data(), boxWidth(box), boxHeight(box), featherRadius, workers)) {
    status_ = PrimStatus::outOfMemory;
    return;
  }
  combineBox(raster.scratch.data(), mask_, width_, box, polygonCount_ == 0, combineMode, workers);
}

void ShapeRenderer::mergeBox(const ShapeBoundingBox& box) noexcept {
  if (box.empty()) return;
  if (box_.empty()) {
    box_ = box;
    return;
  }
  box_ = {std::min(box_.x1, box.x1), std::min(box_.y1, box.y1), std::max(box_.x2, box.x2), std::max(box_.y2, box.y2)};
}

ShapeRendererHandle render_begin(double width, double height) noexcept {
  if (!(width >= 0.0 && width < kMaxFrameSide + 1.0 && height >= 0.0 && height < kMaxFrameSide + 1.0)) return {};
  return ShapeRendererHandle(new (std::nothrow) ShapeRenderer(width, height));
}

PrimStatus render_addShape(ShapeRenderer* renderer, const DuzeviveShapeImpl* shape) noexcept {
  if (renderer == nullptr || shape == nullptr) return PrimStatus::ok;
  if (!isDrawableShape(*shape)) return PrimStatus::badArguments;
  try {
    renderer->shapes().push_back(shape);
  } catch (const std::bad_alloc&) {
    return PrimStatus::outOfMemory;
  }
  return PrimStatus::ok;
}

PrimStatus render_RGBA16(ShapeRenderer* renderer, pixeli* mask) noexcept {
  if (renderer == nullptr || renderer->shapes().empty()) return PrimStatus::ok;
  if (mask == nullptr) return PrimStatus::badArguments;
  if (static_cast<int>(renderer->width()) == 0 || static_cast<int>(renderer->height()) == 0) return PrimStatus::ok;
  ShapeVisitorImpl visitor(*renderer, mask);
  for (const DuzeviveShapeImpl* shape : renderer->shapes()) {
    visitor.beginPolygon();
    acceptDuzeviveShapeVisitor(*shape, visitor);
    if (shape->invert) visitor.setInvert();
    visitor.setAlpha(shape->alpha);
    visitor.endPolygon(featherRadius(shape->feather, renderer->width()), shape->combineMode);
    if (visitor.status() != PrimStatus::ok) break;
  }
  return visitor.status();
}

ShapeBoundingBox getBoundingBox(const ShapeRenderer* renderer) noexcept {
  return renderer != nullptr ? renderer->box() : ShapeBoundingBox{};
}

void render_finish(ShapeRendererHandle renderer) noexcept { renderer.reset(); }

PrimStatus renderMaskShape(pixeli* map, int w, int h, DuzeviveShapeList shapes, bool clear) noexcept {
  if (map == nullptr || w < 0 || h < 0) return PrimStatus::badArguments;
  // Refused before anything is drawn, so a bad list leaves the map as it was.
  if (shapes.size() > kMaxShapes) {
    systemLogf("chroma keying: %zu shapes refused, at most %zu", shapes.size(), kMaxShapes);
    return PrimStatus::badArguments;
  }
  if (w > kMaxFrameSide || h > kMaxFrameSide) {
    systemLogf("chroma keying: no shape mask for a frame of %d × %d", w, h);
    return PrimStatus::badArguments;
  }
  for (const DuzeviveShapeImpl* shape : shapes)
    if (shape != nullptr && !isDrawableShape(*shape)) return PrimStatus::badArguments;

  if (clear) std::memset(map, 0, static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * sizeof(pixeli));
  if (shapes.empty()) return PrimStatus::ok;
  ShapeRendererHandle renderer = render_begin(w, h);
  if (renderer == nullptr) return PrimStatus::outOfMemory;
  for (const DuzeviveShapeImpl* shape : shapes)
    if (const PrimStatus status = render_addShape(renderer.get(), shape); status != PrimStatus::ok) return status;
  const PrimStatus status = render_RGBA16(renderer.get(), map);
  render_finish(std::move(renderer));
  if (status != PrimStatus::ok) systemLogf("chroma keying: shape mask not drawn: %s", describe(status));
  return status;
}

}  // namespace vorl
