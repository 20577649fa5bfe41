#include "layout/overlay_objects.h"

namespace vorl {

void TOverlayObject::IOverlayObject(const CLongRect_AC& bounds, OSType type) noexcept {
  ILayoutObject(bounds, type);
  fOverlayValue = 1;
}

bool TOverlayObject::Draw4Printing(Offscreen* /*page*/, std::int16_t /*resolution*/, JobViewAccess* /*view*/) {
  return cannotDrawYet("TOverlayObject");
}

std::unique_ptr<TLayoutObject> TOverlayObject::Clone() const { return std::make_unique<TOverlayObject>(*this); }

FSSpec unsetOverlayFile() noexcept {
  FSSpec spec;
  spec.vRefNum = -999;
  spec.parID = -999;
  return spec;
}

std::unique_ptr<TGroupPhotoObject> TGroupPhotoObject::New(const CGroupPhotoDesc& desc) {
  auto object = std::make_unique<TGroupPhotoObject>();
  object->IGroupPhotoObject(boundsOf(desc.layout));
  object->Set(desc);
  return object;
}

void TGroupPhotoObject::IGroupPhotoObject(const CLongRect_AC& bounds) noexcept {
  IOverlayObject(bounds, kGroupPhotoObjectType);
  fPhotoFile = unsetOverlayFile();
  fCategory.clear();
}

void TGroupPhotoObject::Set(const CGroupPhotoDesc& desc) {
  SetPlacement(desc.layout);
  fPhotoFile = desc.photo;
  fCategory = desc.category;
}

bool TGroupPhotoObject::Draw4Printing(Offscreen* /*page*/, std::int16_t /*resolution*/, JobViewAccess* /*view*/) {
  return cannotDrawYet("TGroupPhotoObject");
}

std::unique_ptr<TLayoutObject> TGroupPhotoObject::Clone() const { return std::make_unique<TGroupPhotoObject>(*this); }

std::int16_t overlayModeOf(const COverlayDesc& desc) noexcept {
  if (desc.overlayMode != 0) return desc.overlayMode;
  if (desc.flagB != 0) return 3;
  if (desc.flagA != 0) return 2;
  return 1;
}

void OverlayFileFields::SetOverlayFields(const COverlayDesc& desc) {
  fGraphicFile = desc.graphic;
  fCategory = desc.category;
  fFlagA = desc.flagA != 0;
  fFlagB = desc.flagB != 0;
  fOverlayMode = overlayModeOf(desc);
}

std::unique_ptr<TFileOverlayObject> TFileOverlayObject::New(const COverlayDesc& desc) {
  auto object = std::make_unique<TFileOverlayObject>();
  object->IFileOverlayObject(boundsOf(desc.layout));
  object->Set(desc);
  return object;
}

void TFileOverlayObject::Set(const COverlayDesc& desc) {
  SetPlacement(desc.layout);
  SetOverlayFields(desc);
  fSkipFlag = desc.skipFlag;
}

bool TFileOverlayObject::Draw4Printing(Offscreen* /*page*/, std::int16_t /*resolution*/, JobViewAccess* /*view*/) {
  return cannotDrawYet("TFileOverlayObject");
}

std::unique_ptr<TLayoutObject> TFileOverlayObject::Clone() const { return std::make_unique<TFileOverlayObject>(*this); }

std::unique_ptr<TTransparentOverlayObject> TTransparentOverlayObject::New(const COverlayDesc& desc) {
  auto object = std::make_unique<TTransparentOverlayObject>();
  object->ITransparentOverlayObject(boundsOf(desc.layout));
  object->Set(desc);
  return object;
}

void TTransparentOverlayObject::Set(const COverlayDesc& desc) {
  SetPlacement(desc.layout);
  SetOverlayFields(desc);
  fSkipFlag = desc.skipFlag;
}

bool TTransparentOverlayObject::Draw4Printing(Offscreen* /*page*/, std::int16_t /*resolution*/,
                                              JobViewAccess* /*view*/) {
  return cannotDrawYet("TTransparentOverlayObject");
}

std::unique_ptr<TLayoutObject> TTransparentOverlayObject::Clone() const {
  return std::make_unique<TTransparentOverlayObject>(*this);
}

}  // namespace vorl
