// The page-object base class and the rules every page object shares.
//
// Every element of a printed page is a `TLayoutObject` made from its descriptor in a job file: the object keeps
// the descriptor's frame (`bounds`), its four-character type, and its place and size on the page in inches.
// Lists of page objects keep the order of their records, so a later record draws over an earlier one.
//
// Drawing goes through `Draw4Printing` (page offscreen, resolution in dots per inch, the job). Its answer is
// whether the page can go on: true after drawing, skipping or having nothing to draw, false on failure. The base
// draws nothing and answers true.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "layout/descriptors.h"
#include "layout/job_view_access.h"
#include "platform/core/mac_types.h"

namespace vorl {

class ObjectStreamReader;
class ObjectStreamWriter;

// Four int32: top, left, bottom, right.
struct CLongRect_AC {
  std::int32_t top = 0;
  std::int32_t left = 0;
  std::int32_t bottom = 0;
  std::int32_t right = 0;
  bool operator==(const CLongRect_AC&) const = default;
};

struct CLongPoint_AC {
  std::int32_t v = 0;
  std::int32_t h = 0;
  bool operator==(const CLongPoint_AC&) const = default;
};

// The frame a descriptor head holds.
CLongRect_AC boundsOf(const tLayoutInfo& info) noexcept;

// The record types of the page objects.
inline constexpr OSType kImageObjectType = fourCharCode("imag");
inline constexpr OSType kTextObjectType = fourCharCode("text");
inline constexpr OSType kEditTextObjectType = fourCharCode("edtx");
inline constexpr OSType kDatabaseObjectType = fourCharCode("dtbs");
inline constexpr OSType kStampObjectType = fourCharCode("stmp");
inline constexpr OSType kOverlayObjectType = fourCharCode("ovly");
inline constexpr OSType kGroupPhotoObjectType = fourCharCode("grou");
inline constexpr OSType kFileOverlayObjectType = fourCharCode("fovl");
inline constexpr OSType kTransparentOverlayObjectType = fourCharCode("tran");
inline constexpr OSType kNodeObjectType = fourCharCode("node");
inline constexpr OSType kAttributeObjectType = fourCharCode("attr");
inline constexpr OSType kBackColorObjectType = fourCharCode("bkco");

// The printer types that print to file sets: 25 to 28 and 49 to 52.
constexpr bool isPrintToFileSetPrinterType(std::int16_t printerType) noexcept {
  return (printerType >= 25 && printerType <= 28) || (printerType >= 49 && printerType <= 52);
}

// An object with its print-to-file skip flag set leaves itself out of pages for the print-to-file set printers.
constexpr bool skipsOnPrinter(std::int16_t skipFlag, std::int16_t printerType) noexcept {
  return skipFlag != 0 && isPrintToFileSetPrinterType(printerType);
}

class TLayoutObject {
 public:
  virtual ~TLayoutObject() = default;

  [[nodiscard]] virtual bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view);
  [[nodiscard]] virtual std::unique_ptr<TLayoutObject> Clone() const = 0;

  // The older streamed form (object_stream.h): the common part, then the class's own fields and a block of
  // padding. False when the stream ends early, a string is longer than its field, or the stream names another
  // type than the object's class; the object is then to be thrown away. A class without a streamed form reads
  // nothing and answers false.
  [[nodiscard]] virtual bool ReadFrom(ObjectStreamReader& stream);
  // Only the attribute and file-overlay objects write their fields (without the common part); the others write
  // nothing.
  virtual void WriteTo(ObjectStreamWriter& stream) const;

  void GetBounds(CLongRect_AC& bounds) const noexcept { bounds = fBounds; }
  // The top-left corner of the bounds.
  void GetRealPageOffset(CLongPoint_AC& offset) const noexcept { offset = {fBounds.top, fBounds.left}; }

  OSType type() const noexcept { return fType; }
  float x() const noexcept { return fX; }
  float y() const noexcept { return fY; }
  float width() const noexcept { return fWidth; }
  float height() const noexcept { return fHeight; }
  std::int16_t resolution() const noexcept { return fResolution; }

  // The object's rectangle on a page of `resolution` dots per inch: each edge the product (and sum) in single
  // precision, truncated toward zero. Empty when an edge is not a number or falls outside the 16-bit range of a
  // page rectangle, where the stored 16-bit truncation would have wrapped round.
  [[nodiscard]] std::optional<Rect> objectRectangle(std::int16_t resolution) const noexcept;

 protected:
  TLayoutObject() = default;
  TLayoutObject(const TLayoutObject&) = default;
  TLayoutObject& operator=(const TLayoutObject&) = default;

  // Resolution 72, the bounds, and the subclass's type.
  void ILayoutObject(const CLongRect_AC& bounds, OSType type) noexcept;
  // x, y, width and height from the descriptor head.
  void SetPlacement(const tLayoutInfo& info) noexcept;
  // The common part of every streamed form: 16 bytes of bounds, the type (which must be `expectedType`) and the
  // place and size as four floats.
  [[nodiscard]] bool ReadLayoutFrom(ObjectStreamReader& stream, OSType expectedType);

 private:
  CLongRect_AC fBounds;
  OSType fType = 0;
  float fX = 0;
  float fY = 0;
  float fWidth = 0;
  float fHeight = 0;
  std::int16_t fResolution = 0;
};

// A list of page objects in the order of their records; the list owns them.
using LayoutObjectList = std::vector<std::unique_ptr<TLayoutObject>>;

// Copies of every object of a list, in order.
LayoutObjectList cloneObjects(const LayoutObjectList& objects);

}  // namespace vorl
