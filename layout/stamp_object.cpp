#include "layout/stamp_object.h"

#include "layout/text_objects.h"

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

bool TStampObject::Draw4Printing(Offscreen* /*page*/, std::int16_t /*resolution*/, JobViewAccess* /*view*/) {
  return cannotDrawYet("TStampObject");
}

std::unique_ptr<TLayoutObject> TStampObject::Clone() const { return std::make_unique<TStampObject>(*this); }

}  // namespace vorl
