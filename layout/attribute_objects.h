// The attribute object ('attr'), which carries four job switches with the layout and draws nothing, and the
// background-colour object ('bkco'), which fills its rectangle with one colour.
//
// Met in the page or sub-job list, an attribute record's four values go into the job view (job-file reader);
// inside a node's list the object is only kept.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "layout/layout_object.h"

namespace vorl {

class TAttributeObject final : public TLayoutObject {
 public:
  TAttributeObject() = default;
  TAttributeObject(const TAttributeObject&) = default;

  [[nodiscard]] static std::unique_ptr<TAttributeObject> New(const CAttributeDesc& desc);
  void IAttributeObject(const CLongRect_AC& bounds) noexcept { ILayoutObject(bounds, kAttributeObjectType); }
  void Set(const CAttributeDesc& desc);

  // Draws nothing and never fails: the base's drawing.
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;
  // The streamed form holds the first two values only.
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;
  void WriteTo(ObjectStreamWriter& stream) const override;

  std::int16_t subjobResizeMode() const noexcept { return fSubjobResizeMode; }
  std::int16_t saveTemplateAsIs() const noexcept { return fSaveTemplateAsIs; }
  std::int16_t ignoreOverlays() const noexcept { return fIgnoreOverlays; }
  std::int16_t saveOriginal() const noexcept { return fSaveOriginal; }

 private:
  std::int16_t fSubjobResizeMode = 0;
  std::int16_t fSaveTemplateAsIs = 0;
  std::int16_t fIgnoreOverlays = 0;
  std::int16_t fSaveOriginal = 0;
};

class TBackColorObject final : public TLayoutObject {
 public:
  TBackColorObject() = default;
  TBackColorObject(const TBackColorObject&) = default;

  [[nodiscard]] static std::unique_ptr<TBackColorObject> New(const CBackColorDesc& desc);
  // Also makes the colour white.
  void IBackColorObject(const CLongRect_AC& bounds) noexcept;
  void Set(const CBackColorDesc& desc);

  // Paints the background rectangle with the colour unless the skip rule leaves it out; never fails.
  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;

  // The rectangle painted at `resolution`: the near edges round to the nearest pixel, the far edges to the
  // pixel after the one the exact edge falls in (products in single precision, the half added in double). Empty
  // when an edge falls outside the 16-bit page range.
  [[nodiscard]] std::optional<Rect> backgroundRectangle(std::int16_t resolution) const noexcept;
  // Paints `area` of the page (clipped to its port) with the colour, alpha 0 (drawn).
  void DrawBackground(const Rect& area, Offscreen* page) const noexcept;

  const RGBColor& color() const noexcept { return fColor; }
  std::int16_t skipFlag() const noexcept { return fSkipFlag; }

 private:
  RGBColor fColor;
  std::int16_t fSkipFlag = 0;
};

}  // namespace vorl
