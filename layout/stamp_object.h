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

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
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
