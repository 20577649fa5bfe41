// The stamp object ('stmp'): a styled text stamp, drawn like a text object but with its own, longer descriptor
// and a few values only the producer interprets (the stamp value, two stamp flags, a kept value).
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/job_records.h"
#include "layout/layout_object.h"

namespace vorl {

class TStampObject final : public TLayoutObject {
 public:
  TStampObject();
  TStampObject(const TStampObject&) = default;

  [[nodiscard]] static std::unique_ptr<TStampObject> New(const CStampDesc& desc);
  void IStampObject(const CLongRect_AC& bounds) noexcept { ILayoutObject(bounds, kStampObjectType); }
  void Set(const CStampDesc& desc);

  // The skip rule, then the code symbol (code types 1 and 2) falling back to plain text, then the text upright
  // in the object's rectangle or turned by 90, 180 or 270 degrees into it. Never fails.
  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  // The text turned by the rotation (90, 180 or 270) into `area` of the page; nothing when an offscreen cannot
  // be made.
  void DrawTextOnOffscreen(Offscreen* page, const Rect& area, std::int16_t resolution) const;
  // The text's size in pixels at the resolution: resolution / 72 × points, truncated, kept to 1..2000.
  std::int16_t pixelSize(std::int16_t resolution) const noexcept;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;

  const tTextInfo& style() const noexcept { return fStyle; }
  std::int16_t stampValue() const noexcept { return fStampValue; }
  const Str255& text() const noexcept { return fText; }
  std::int16_t rotation() const noexcept { return fRotation; }
  bool firstStampFlag() const noexcept { return fFirstStampFlag; }
  bool secondStampFlag() const noexcept { return fSecondStampFlag; }
  // As stored (the converter leaves it): only whether it is non-zero counts.
  std::int16_t skipFlag() const noexcept { return fSkipFlag; }
  std::int16_t keptValue() const noexcept { return fKeptValue; }
  std::int16_t codeType() const noexcept { return fCodeType; }

 private:
  // The QR code (1) or Code 128 symbol (2) of the text; false when it is not drawn, so the text prints plainly.
  bool PrintTextAsCode(std::int16_t codeType) const;

  tTextInfo fStyle;
  std::int16_t fStampValue = 1;
  Str255 fText;
  std::int16_t fRotation = 0;
  bool fFirstStampFlag = false;
  bool fSecondStampFlag = false;
  std::int16_t fSkipFlag = 0;
  std::int16_t fKeptValue = 0;
  std::int16_t fCodeType = 0;
};

}  // namespace vorl
