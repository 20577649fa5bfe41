#include "layout/stamp_object.h"

#include <optional>

#include "layout/code_symbols.h"
#include "layout/text_objects.h"
#include "platform/system/system_log.h"

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

StyledText TStampObject::styledText(const CStr255_AC& text, const Rect& rect) const {
  StyledText styled;
  styled.text = text;
  styled.style = fStyle;
  styled.rotation = fRotation;
  styled.codeType = fCodeType;
  styled.objectName = describeTextObject("stamp object", text, rect);
  return styled;
}

bool TStampObject::Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) {
  if (page == nullptr) {
    systemLog("stamp object::Draw4Printing: no page to draw on");
    return false;
  }
  if (view != nullptr && skipsOnPrinter(fSkipFlag, view->GetPrinterType())) return true;
  const std::optional<Rect> rect = objectRectangle(resolution);
  if (!rect || rectEmpty(*rect)) {
    systemLogf("stamp object \"%s\": its rectangle on the page is empty or out of range; nothing was drawn",
               fText.toUtf8().c_str());
    return true;
  }
  return drawStyledText(page, *rect, styledText(fText, *rect), resolution);
}

TextCoverage TStampObject::DrawTextOnOffscreen(const CStr255_AC& text, const CRect_AC& rect, float scale,
                                               std::int16_t resolution) const {
  return vorl::DrawTextOnOffscreen(styledText(text, rect), rect, scale, resolution);
}

CodeDrawing TStampObject::PrintTextAsQRCode(const CStr255_AC& text, Offscreen* page, std::int16_t resolution) const {
  const Rect rect = objectRectangle(resolution).value_or(Rect{});
  return vorl::PrintTextAsQRCode(text, page, rect, fRotation, describeTextObject("stamp object", text, rect));
}

CodeDrawing TStampObject::PrintTextAsBarcode(const CStr255_AC& text, Offscreen* page, std::int16_t resolution) const {
  const Rect rect = objectRectangle(resolution).value_or(Rect{});
  return vorl::PrintTextAsBarcode(text, page, rect, fRotation, describeTextObject("stamp object", text, rect));
}

std::unique_ptr<TLayoutObject> TStampObject::Clone() const { return std::make_unique<TStampObject>(*this); }

}  // namespace vorl
