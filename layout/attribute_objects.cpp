#include "layout/attribute_objects.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/system/system_log.h"

namespace vorl {

std::unique_ptr<TAttributeObject> TAttributeObject::New(const CAttributeDesc& desc) {
  auto object = std::make_unique<TAttributeObject>();
  object->IAttributeObject(boundsOf(desc.layout));
  object->Set(desc);
  return object;
}

void TAttributeObject::Set(const CAttributeDesc& desc) {
  SetPlacement(desc.layout);
  fSubjobResizeMode = desc.subjobResizeMode;
  fSaveTemplateAsIs = desc.saveTemplateAsIs;
  fIgnoreOverlays = desc.ignoreOverlays;
  fSaveOriginal = desc.saveOriginal;
}

std::unique_ptr<TLayoutObject> TAttributeObject::Clone() const { return std::make_unique<TAttributeObject>(*this); }

std::unique_ptr<TBackColorObject> TBackColorObject::New(const CBackColorDesc& desc) {
  auto object = std::make_unique<TBackColorObject>();
  object->IBackColorObject(boundsOf(desc.layout));
  object->Set(desc);
  return object;
}

void TBackColorObject::IBackColorObject(const CLongRect_AC& bounds) noexcept {
  ILayoutObject(bounds, kBackColorObjectType);
  fColor.red = 0xFFFF;
  fColor.green = 0xFFFF;
  fColor.blue = 0xFFFF;
}

void TBackColorObject::Set(const CBackColorDesc& desc) {
  SetPlacement(desc.layout);
  fColor = desc.color;
  fSkipFlag = desc.skipFlag;
}

std::optional<Rect> TBackColorObject::backgroundRectangle(std::int16_t resolution) const noexcept {
  const float r = resolution;
  const float left = r * x();
  const float top = r * y();
  const float xEnd = x() + width();
  const float yEnd = y() + height();
  const float right = r * xEnd;
  const float bottom = r * yEnd;
  // Unlike the other objects the edges round, and the far edges take one pixel more: a background reaches
  // the pixel column its edge falls in, so no unpainted sliver shows between neighbouring backgrounds.
  const auto edge = [](double value) -> std::optional<std::int16_t> {
    const double rounded = std::round(value);
    if (!(rounded >= std::numeric_limits<std::int16_t>::min() && rounded <= std::numeric_limits<std::int16_t>::max()))
      return std::nullopt;
    return static_cast<std::int16_t>(rounded);
  };
  const auto l = edge(left);
  const auto t = edge(top);
  const auto rr = edge(static_cast<double>(right) + 0.5);
  const auto b = edge(static_cast<double>(bottom) + 0.5);
  if (!l || !t || !rr || !b) return std::nullopt;
  return makeRect(*t, *l, *b, *rr);
}

bool TBackColorObject::Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) {
  const std::optional<Rect> area = backgroundRectangle(resolution);
  if (view && skipsOnPrinter(fSkipFlag, view->GetPrinterType())) return true;
  if (!area) {
    // A frame past the 16-bit page range cannot be on any page.
    systemLog("TBackColorObject::Draw4Printing => the rectangle is outside the page range, nothing painted");
    return true;
  }
  DrawBackground(*area, page);
  return true;
}

void TBackColorObject::DrawBackground(const Rect& area, Offscreen* page) const noexcept {
  if (!page) return;
  const Rect port = page->portRect();
  const int left = std::max<int>(area.left, port.left);
  const int top = std::max<int>(area.top, port.top);
  const int right = std::min<int>(area.right, port.right);
  const int bottom = std::min<int>(area.bottom, port.bottom);
  if (right <= left || bottom <= top) return;
  // A 32-bit port keeps the high byte of each 16-bit colour component.
  const std::uint8_t pixel[kBytesPerPixel] = {0, static_cast<std::uint8_t>(fColor.red.value() >> 8),
                                              static_cast<std::uint8_t>(fColor.green.value() >> 8),
                                              static_cast<std::uint8_t>(fColor.blue.value() >> 8)};
  const PixView pixels = page->view();
  for (int row = top; row < bottom; ++row) {
    std::uint8_t* out = pixels.portPixel(left, row);
    for (int column = left; column < right; ++column, out += kBytesPerPixel)
      std::copy(pixel, pixel + kBytesPerPixel, out);
  }
}

std::unique_ptr<TLayoutObject> TBackColorObject::Clone() const { return std::make_unique<TBackColorObject>(*this); }

}  // namespace vorl
