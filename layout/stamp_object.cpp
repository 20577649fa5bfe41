#include "layout/stamp_object.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "imaging/offscreen_copy.h"
#include "imaging/offscreen_rotate.h"
#include "layout/stamp_text.h"
#include "layout/text_objects.h"
#include "platform/system_log.h"

namespace vorl {

TStampObject::TStampObject() : fStyle(defaultTextStyle()) {}

std::unique_ptr<TStampObject> TStampObject::New(const CStampDesc& desc) {
  auto object = std::make_unique<TStampObject>();
  object->IStampObject(boundsOf(desc.head.layout));
  object->Set(desc);
  return object;
}

void TStampObject::Set(const CStampDesc& desc) {
  SetPlacement(desc.head.layout);
  fText = desc.head.text;
  fStyle = desc.head.style;
  fRotation = desc.head.rotation;
  fStampValue = desc.stampValue;
  fFirstStampFlag = desc.firstStampFlag != 0;
  fSecondStampFlag = desc.secondStampFlag != 0;
  fSkipFlag = desc.skipFlag;
  fKeptValue = desc.keptValue;
  fCodeType = desc.codeType;
}

namespace {

constexpr std::int16_t kQRCode = 1;
constexpr std::int16_t kCode128 = 2;

}  // namespace

std::int16_t TStampObject::pixelSize(std::int16_t resolution) const noexcept {
  const double size = resolution / 72.0 * style().size.value();
  // Sizes from the job are not checked by the producer: keep them to what a page can show.
  return static_cast<std::int16_t>(std::clamp(std::trunc(size), 1.0, 2000.0));
}

bool TStampObject::PrintTextAsCode(std::int16_t codeType) const {
  // No symbol generator is built in here: both kinds log the same words and the stamp prints its text instead.
  static_cast<void>(codeType);
  systemLog("Could not create CIQRCodeGenerator filter, only supported in System 10.9 and higher");
  return false;
}

bool TStampObject::Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) {
  if (view && skipsOnPrinter(fSkipFlag, view->GetPrinterType())) return true;
  if ((fCodeType == kQRCode || fCodeType == kCode128) && PrintTextAsCode(fCodeType)) return true;
  const std::optional<Rect> area = objectRectangle(resolution);
  if (!area || rectEmpty(*area) || !page) return true;
  if (fRotation == 90 || fRotation == 180 || fRotation == 270)
    DrawTextOnOffscreen(page, *area, resolution);
  else
    drawStampText(page, *area, fText.macRoman(), fStyle, pixelSize(resolution));
  return true;
}

void TStampObject::DrawTextOnOffscreen(Offscreen* page, const Rect& area, std::int16_t resolution) const {
  // The text is set upright on the page's own pixels turned back, then turned into place and copied whole, so
  // a text of any colour (white included) shows over what lies under it.
  const Rect local = makeRect(0, 0, rectHeight(area), rectWidth(area));
  OffscreenPtr placed(myNewGWorld(&local));
  if (!placed || !copyGWorldToGWorld(page, placed.get(), &area, &local)) return;
  OffscreenPtr upright;
  if (fRotation == 180) {
    rotateImage180Degrees(placed.get());
  } else {
    const Rect turned = makeRect(0, 0, rectWidth(area), rectHeight(area));
    upright.reset(myNewGWorld(&turned));
    // Rotation 90 turns the upright text clockwise (2) into place, 270 counter-clockwise (1).
    const std::int16_t back = fRotation == 90 ? 1 : 2;
    if (!upright || !rotateImage90Degrees(back, placed.get(), upright.get())) return;
  }
  Offscreen* canvas = upright ? upright.get() : placed.get();
  drawStampText(canvas, canvas->portRect(), fText.macRoman(), fStyle, pixelSize(resolution));
  if (fRotation == 180) {
    rotateImage180Degrees(placed.get());
  } else if (!rotateImage90Degrees(fRotation == 90 ? 2 : 1, upright.get(), placed.get())) {
    return;
  }
  static_cast<void>(copyGWorldToGWorld(placed.get(), page, &local, &area));
}

std::unique_ptr<TLayoutObject> TStampObject::Clone() const { return std::make_unique<TStampObject>(*this); }

}  // namespace vorl
