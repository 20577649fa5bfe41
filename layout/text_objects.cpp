#include "layout/text_objects.h"

#include "layout/code_symbols.h"
#include "layout/text_drawing.h"
#include "platform/system/system_log.h"

namespace vorl {

tTextInfo defaultTextStyle() noexcept {
  tTextInfo style;
  style.size = 12;
  style.font = 3;
  return style;
}

TTextObject::TTextObject() : fText("test String"), fStyle(defaultTextStyle()) {}

std::unique_ptr<TTextObject> TTextObject::New(const CTextDesc& desc) {
  auto object = std::make_unique<TTextObject>();
  object->ITextObject(boundsOf(desc.head.layout));
  object->Set(desc);
  return object;
}

void TTextObject::SetTextHead(const TextDescHead& head) {
  SetPlacement(head.layout);
  fText = head.text;
  fStyle = head.style;
  fRotation = head.rotation;
}

void TTextObject::Set(const CTextDesc& desc) {
  SetTextHead(desc.head);
  fSkipFlag = desc.skipFlag;
  fKeptValue = desc.keptValue;
  fCodeType = desc.codeType;
}

const char* TTextObject::kindName() const noexcept {
  if (type() == kEditTextObjectType) return "edit-text object";
  if (type() == kDatabaseObjectType) return "database-text object";
  return "text object";
}

StyledText TTextObject::styledText(const Rect& rect) const {
  StyledText styled;
  styled.text = fText;
  styled.style = fStyle;
  styled.rotation = fRotation;
  styled.codeType = fCodeType;
  styled.objectName = describeTextObject(kindName(), fText, rect);
  return styled;
}

bool TTextObject::Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) {
  // Without a page nothing can be drawn: the page fails rather than print without the text.
  if (page == nullptr) {
    systemLogf("%s::Draw4Printing: no page to draw on", kindName());
    return false;
  }
  const std::optional<Rect> rect = objectRectangle(resolution);
  if (!rect || rectEmpty(*rect)) {
    systemLogf("%s \"%s\": its rectangle on the page is empty or out of range; nothing was drawn", kindName(),
               fText.toUtf8().c_str());
    return true;
  }
  if (view != nullptr && skipsOnPrinter(fSkipFlag, view->GetPrinterType())) return true;
  return drawStyledText(page, *rect, styledText(*rect), resolution);
}

TextCoverage TTextObject::DrawTextOnOffscreen(const CRect_AC& rect, float scale, std::int16_t resolution) const {
  return vorl::DrawTextOnOffscreen(styledText(rect), rect, scale, resolution);
}

CodeDrawing TTextObject::PrintTextAsQRCode(const CStr255_AC& text, Offscreen* page, std::int16_t resolution) const {
  const std::optional<Rect> rect = objectRectangle(resolution);
  return vorl::PrintTextAsQRCode(text, page, rect.value_or(Rect{}), fRotation,
                                 describeTextObject(kindName(), text, rect.value_or(Rect{})));
}

CodeDrawing TTextObject::PrintTextAsBarcode(const CStr255_AC& text, Offscreen* page, std::int16_t resolution) const {
  const std::optional<Rect> rect = objectRectangle(resolution);
  return vorl::PrintTextAsBarcode(text, page, rect.value_or(Rect{}), fRotation,
                                  describeTextObject(kindName(), text, rect.value_or(Rect{})));
}

std::unique_ptr<TLayoutObject> TTextObject::Clone() const { return std::make_unique<TTextObject>(*this); }

std::unique_ptr<TEditTextObject> TEditTextObject::New(const CEditTextDesc& desc) {
  auto object = std::make_unique<TEditTextObject>();
  object->IEditTextObject(boundsOf(desc.head.layout));
  object->Set(desc);
  return object;
}

void TEditTextObject::Set(const CEditTextDesc& desc) {
  SetTextHead(desc.head);
  fEditValue = desc.editValue;
  fSkipFlag = desc.skipFlag;
}

std::unique_ptr<TLayoutObject> TEditTextObject::Clone() const { return std::make_unique<TEditTextObject>(*this); }

std::unique_ptr<TDatabaseObject> TDatabaseObject::New(const CDatabaseDesc& desc) {
  auto object = std::make_unique<TDatabaseObject>();
  object->IDatabaseObject(boundsOf(desc.head.layout));
  object->Set(desc);
  return object;
}

void TDatabaseObject::IDatabaseObject(const CLongRect_AC& bounds) noexcept {
  ILayoutObject(bounds, kDatabaseObjectType);
  fDatabaseValue1 = 1;
  fText.clear();
}

void TDatabaseObject::Set(const CDatabaseDesc& desc) {
  SetTextHead(desc.head);
  fDatabaseValue1 = desc.databaseValue1;
  fDatabaseValue2 = desc.databaseValue2;
}

std::unique_ptr<TLayoutObject> TDatabaseObject::Clone() const { return std::make_unique<TDatabaseObject>(*this); }

}  // namespace vorl
