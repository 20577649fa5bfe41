// The stamp object ('stmp'): a styled text stamp, drawn like a text object but with its own, longer descriptor
// and a few values only the producer interprets (the stamp value, two stamp flags, a kept value).
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/records/job_records.h"
#include "layout/code_symbols.h"
#include "layout/layout_object.h"
#include "layout/text_drawing.h"

namespace vorl {

class TStampObject final : public TLayoutObject {
 public:
  TStampObject();
  TStampObject(const TStampObject&) = default;

  [[nodiscard]] static std::unique_ptr<TStampObject> New(const CStampDesc& desc);
  void IStampObject(const CLongRect_AC& bounds) noexcept { ILayoutObject(bounds, kStampObjectType); }
  void Set(const CStampDesc& desc);

  // Drawn as a text object draws: the skip rule, then the code symbol (code types 1 and 2) falling back to plain
  // text, then the text upright in the object's rectangle or turned by 90, 180 or 270 degrees into it. Fails
  // without a page, and for a code its text cannot be carried in.
  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  // The text's operations of the text object over the stamp's fields.
  TextCoverage DrawTextOnOffscreen(const CStr255_AC& text, const CRect_AC& rect, float scale,
                                   std::int16_t resolution) const;
  CodeDrawing PrintTextAsQRCode(const CStr255_AC& text, Offscreen* page, std::int16_t resolution) const;
  CodeDrawing PrintTextAsBarcode(const CStr255_AC& text, Offscreen* page, std::int16_t resolution) const;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;

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
  StyledText styledText(const CStr255_AC& text, const Rect& rect) const;

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
