// The text ('text'), edit-text ('edtx') and database-text ('dtbs') objects: one styled text on the page.
//
// The three share their fields and their drawing; they differ in the descriptor tail. Only a plain text object
// can turn into a QR or Code 128 symbol, and only it and edit text can be left off on the print-to-file set
// printers; database text can do neither. The values only the producer interprets (the kept value, the
// edit value, the two database values) are carried with the object.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/records/job_records.h"
#include "layout/code_symbols.h"
#include "layout/layout_object.h"
#include "layout/text_drawing.h"

namespace vorl {

// The style of a new text or stamp: black, size 12, font 3, plain, left-justified.
tTextInfo defaultTextStyle() noexcept;

class TTextObject : public TLayoutObject {
 public:
  TTextObject();
  TTextObject(const TTextObject&) = default;

  [[nodiscard]] static std::unique_ptr<TTextObject> New(const CTextDesc& desc);
  void ITextObject(const CLongRect_AC& bounds) noexcept { ILayoutObject(bounds, kTextObjectType); }
  void Set(const CTextDesc& desc);

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;

  // The text laid out in `rect` (at the origin) and turned as the rotation says, as coverage.
  [[nodiscard]] TextCoverage DrawTextOnOffscreen(const CRect_AC& rect, float scale, std::int16_t resolution) const;
  // The text as a code in the object's rectangle.
  CodeDrawing PrintTextAsQRCode(const CStr255_AC& text, Offscreen* page, std::int16_t resolution) const;
  CodeDrawing PrintTextAsBarcode(const CStr255_AC& text, Offscreen* page, std::int16_t resolution) const;

  const Str255& text() const noexcept { return fText; }
  const tTextInfo& style() const noexcept { return fStyle; }
  std::int16_t rotation() const noexcept { return fRotation; }
  std::int16_t skipFlag() const noexcept { return fSkipFlag; }
  std::int16_t keptValue() const noexcept { return fKeptValue; }
  std::int16_t codeType() const noexcept { return fCodeType; }

 protected:
  // The fields the three descriptors share.
  void SetTextHead(const TextDescHead& head);
  // The streamed fields the three share: the common part, the text, the style and the rotation.
  [[nodiscard]] bool ReadTextHeadFrom(ObjectStreamReader& stream, OSType expectedType);
  // "text object", "edit-text object" or "database-text object", for log lines.
  const char* kindName() const noexcept;
  StyledText styledText(const Rect& rect) const;

  Str255 fText;
  tTextInfo fStyle;
  std::int16_t fRotation = 0;
  std::int16_t fSkipFlag = 0;
  std::int16_t fKeptValue = 0;
  std::int16_t fCodeType = 0;
};

class TEditTextObject final : public TTextObject {
 public:
  TEditTextObject() = default;
  TEditTextObject(const TEditTextObject&) = default;

  [[nodiscard]] static std::unique_ptr<TEditTextObject> New(const CEditTextDesc& desc);
  void IEditTextObject(const CLongRect_AC& bounds) noexcept { ILayoutObject(bounds, kEditTextObjectType); }
  void Set(const CEditTextDesc& desc);

  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;

  std::int16_t editValue() const noexcept { return fEditValue; }

 private:
  std::int16_t fEditValue = 1;
};

class TDatabaseObject final : public TTextObject {
 public:
  TDatabaseObject() = default;
  TDatabaseObject(const TDatabaseObject&) = default;

  [[nodiscard]] static std::unique_ptr<TDatabaseObject> New(const CDatabaseDesc& desc);
  // Also empties the text, so a database text never shows the sample text of a new text object.
  void IDatabaseObject(const CLongRect_AC& bounds) noexcept;
  void Set(const CDatabaseDesc& desc);

  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;

  std::int16_t databaseValue1() const noexcept { return fDatabaseValue1; }
  std::int16_t databaseValue2() const noexcept { return fDatabaseValue2; }

 private:
  std::int16_t fDatabaseValue1 = 0;
  std::int16_t fDatabaseValue2 = 0;
};

}  // namespace vorl
