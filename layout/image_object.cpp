#include "layout/image_object.h"

#include <utility>

#include "platform/system/system_log.h"

namespace vorl {

TImageObject::TImageObject() { fPhotoFile.vRefNum = -100; }

std::unique_ptr<TImageObject> TImageObject::New(const CImageDesc& desc) {
  auto object = std::make_unique<TImageObject>();
  object->IImageObject(boundsOf(desc.layout));
  object->Set(desc);
  return object;
}

void TImageObject::Set(const CImageDesc& desc) {
  SetPlacement(desc.layout);
  fFitMode = desc.fitMode;
  fPhotoFile = desc.photo;
  fGraphicCategory = desc.graphicCategory;
  fGraphicName = desc.graphicName;
  fBorderFlag = desc.borderFlag;
  fBorderWidth = desc.borderWidth;
  fBorderColor = desc.borderColor;
  fRotationAngle = desc.rotationAngle;
  fOffset.v = desc.offsetV;
  fOffset.h = desc.offsetH;
  fInsetSteps = desc.insetSteps;
  fImageNumber = desc.imageNumber;
  fKeyed = desc.keyed != 0;
  fColorAdjust = desc.colorAdjust;
  fKeptByte = desc.keptByte;
  fKeptValue = desc.keptValue;
  fAngledFlag = desc.angledFlag;
  fAngle = desc.angle;
  fAngleDirection = desc.angleDirection;
  for (std::size_t i = 0; i < fCropBounds.size(); ++i) fCropBounds[i] = desc.cropBounds[i];
  fUseCropBounds = desc.useCropBounds;
  // Each object keeps its own box scale: a process-wide value carried from object to object (and job to job)
  // would let one photo's enlargement leak into the next.
  fBoxScale = desc.boxScale;
  // Both lines in one log entry: a job logs several per object, and each entry costs a write.
  systemLogf("Proc offset.h =%d , offset.v=%d, fInsetSteps = %d\nGoing to scale the box %d", fOffset.h.value(),
             fOffset.v.value(), fInsetSteps, fBoxScale);
}

void TImageObject::SetChromaKeySettings(std::shared_ptr<const tChromaKeySettings> settings) noexcept {
  fChromaKeySettings = std::move(settings);
  if (!fChromaKeySettings) return;
  fDefocus = fChromaKeySettings->defocus;
  fInwardFlag = fChromaKeySettings->inwardFlag;
  fShrink = fChromaKeySettings->shrink;
  fExclusionRect = fChromaKeySettings->junkMask;
}

std::span<const unsigned char, kFixcoefSize> TImageObject::keyCoefficients() const noexcept {
  static const fixcoef kNoKey{};
  const fixcoef& coefficients = fChromaKeySettings ? fChromaKeySettings->coefficients : kNoKey;
  return std::span<const unsigned char, kFixcoefSize>(reinterpret_cast<const unsigned char*>(&coefficients),
                                                      kFixcoefSize);
}

std::unique_ptr<TLayoutObject> TImageObject::Clone() const { return std::make_unique<TImageObject>(*this); }

}  // namespace vorl
