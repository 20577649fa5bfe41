#include "layout/text_objects.h"

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

bool TTextObject::Draw4Printing(Offscreen* /*page*/, std::int16_t /*resolution*/, JobViewAccess* /*view*/) {
  return cannotDrawYet("TTextObject");
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
