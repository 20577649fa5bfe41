// The image object ('imag'): one photo placed on the page, optionally keyed over a new background.
//
// The object is made from its `CImageDesc`; when the descriptor's keyed flag is set, the job file carries the
// photo's chroma-key settings right after it, and the record reader hands them over with `SetChromaKeySettings`.
// Drawing comes with the imaging and keying work on the page; until then the object says it cannot draw.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "chromakey/engine/chroma_key_record.h"
#include "layout/layout_object.h"

namespace vorl {

class TImageObject final : public TLayoutObject {
 public:
  TImageObject();
  TImageObject(const TImageObject&) = default;

  // A new object from a converted descriptor.
  [[nodiscard]] static std::unique_ptr<TImageObject> New(const CImageDesc& desc);
  void IImageObject(const CLongRect_AC& bounds) noexcept { ILayoutObject(bounds, kImageObjectType); }
  void Set(const CImageDesc& desc);

  // Takes the record that followed the descriptor: the settings themselves (shared, never changed, so copies of
  // the object share them) and the matte values the keying reads from the object (defocus, inward flag, shrink,
  // exclusion rectangle).
  void SetChromaKeySettings(std::shared_ptr<const tChromaKeySettings> settings) noexcept;

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;

  std::int16_t fitMode() const noexcept { return fFitMode; }
  const FSSpec& photoFile() const noexcept { return fPhotoFile; }
  const myImageColorAdjustInfo& colorAdjust() const noexcept { return fColorAdjust; }
  const std::array<float, 4>& cropBounds() const noexcept { return fCropBounds; }
  std::int16_t useCropBounds() const noexcept { return fUseCropBounds; }
  std::int16_t borderFlag() const noexcept { return fBorderFlag; }
  std::int16_t borderWidth() const noexcept { return fBorderWidth; }
  const RGBColor& borderColor() const noexcept { return fBorderColor; }
  std::int16_t angledFlag() const noexcept { return fAngledFlag; }
  std::int16_t angle() const noexcept { return fAngle; }
  std::int16_t angleDirection() const noexcept { return fAngleDirection; }
  std::uint8_t keptByte() const noexcept { return fKeptByte; }
  std::int16_t keptValue() const noexcept { return fKeptValue; }
  // Null until the object is given the settings of a keyed photo.
  const tChromaKeySettings* chromaKeySettings() const noexcept { return fChromaKeySettings.get(); }
  // The coefficient block the keying works from: the settings' first 10,864 bytes (all zero without settings).
  std::span<const unsigned char, kFixcoefSize> keyCoefficients() const noexcept;
  std::int16_t defocus() const noexcept { return fDefocus; }
  std::int16_t inwardFlag() const noexcept { return fInwardFlag; }
  float shrink() const noexcept { return fShrink; }
  const tJunkMaskStructure& exclusionRect() const noexcept { return fExclusionRect; }
  std::int16_t boxScale() const noexcept { return fBoxScale; }
  float rotationAngle() const noexcept { return fRotationAngle; }
  const Point& offset() const noexcept { return fOffset; }
  std::int16_t insetSteps() const noexcept { return fInsetSteps; }
  std::int16_t imageNumber() const noexcept { return fImageNumber; }
  const Str31& graphicCategory() const noexcept { return fGraphicCategory; }
  const Str31& graphicName() const noexcept { return fGraphicName; }
  bool keyed() const noexcept { return fKeyed; }

 private:
  std::int16_t fFitMode = 0;
  FSSpec fPhotoFile;
  myImageColorAdjustInfo fColorAdjust;
  std::array<float, 4> fCropBounds{};
  std::int16_t fUseCropBounds = 0;
  std::int16_t fBorderFlag = 0;
  std::int16_t fBorderWidth = 0;
  RGBColor fBorderColor;  // black
  std::int16_t fAngledFlag = 0;
  std::int16_t fAngle = 0;
  std::int16_t fAngleDirection = 0;
  std::uint8_t fKeptByte = 0;
  std::int16_t fKeptValue = 0;
  std::shared_ptr<const tChromaKeySettings> fChromaKeySettings;
  std::int16_t fDefocus = 0;
  std::int16_t fInwardFlag = 0;
  float fShrink = 0;
  tJunkMaskStructure fExclusionRect;
  std::int16_t fBoxScale = 0;
  float fRotationAngle = 0;
  Point fOffset;
  std::int16_t fInsetSteps = 0;
  std::int16_t fImageNumber = 0;
  Str31 fGraphicCategory;
  Str31 fGraphicName;
  bool fKeyed = false;
};

}  // namespace vorl
