#include "layout/attribute_objects.h"

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

bool TBackColorObject::Draw4Printing(Offscreen* /*page*/, std::int16_t /*resolution*/, JobViewAccess* /*view*/) {
  return cannotDrawYet("TBackColorObject");
}

std::unique_ptr<TLayoutObject> TBackColorObject::Clone() const { return std::make_unique<TBackColorObject>(*this); }

}  // namespace vorl
