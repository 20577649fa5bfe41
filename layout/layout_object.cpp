#include "layout/layout_object.h"

#include <cmath>
#include <limits>
#include <string>

#include "platform/system/system_log.h"

namespace vorl {
namespace {

// trunc toward zero into 16 bits, or nothing when the value has no 16-bit form.
std::optional<std::int16_t> truncateToShort(float value) noexcept {
  if (!std::isfinite(value)) return std::nullopt;
  const float whole = std::trunc(value);
  if (whole < std::numeric_limits<std::int16_t>::min() || whole > std::numeric_limits<std::int16_t>::max())
    return std::nullopt;
  return static_cast<std::int16_t>(whole);
}

}  // namespace

CLongRect_AC boundsOf(const tLayoutInfo& info) noexcept {
  return {info.top.value(), info.left.value(), info.bottom.value(), info.right.value()};
}

bool TLayoutObject::Draw4Printing(Offscreen* /*page*/, std::int16_t /*resolution*/, JobViewAccess* /*view*/) {
  return true;
}

std::optional<Rect> TLayoutObject::objectRectangle(std::int16_t resolution) const noexcept {
  const float r = resolution;
  // Each product and sum is a float expression of its own, as the stored layouts were computed.
  const float left = r * fX;
  const float top = r * fY;
  const float xEnd = fX + fWidth;
  const float yEnd = fY + fHeight;
  const float right = r * xEnd;
  const float bottom = r * yEnd;
  const auto l = truncateToShort(left);
  const auto t = truncateToShort(top);
  const auto rr = truncateToShort(right);
  const auto b = truncateToShort(bottom);
  if (!l || !t || !rr || !b) return std::nullopt;
  Rect rect;
  rect.top = *t;
  rect.left = *l;
  rect.bottom = *b;
  rect.right = *rr;
  return rect;
}

void TLayoutObject::ILayoutObject(const CLongRect_AC& bounds, OSType type) noexcept {
  fResolution = 72;
  fBounds = bounds;
  fType = type;
}

void TLayoutObject::SetPlacement(const tLayoutInfo& info) noexcept {
  fX = info.x;
  fY = info.y;
  fWidth = info.width;
  fHeight = info.height;
}

LayoutObjectList cloneObjects(const LayoutObjectList& objects) {
  LayoutObjectList copies;
  copies.reserve(objects.size());
  for (const auto& object : objects) copies.push_back(object->Clone());
  return copies;
}

}  // namespace vorl
