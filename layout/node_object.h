// The node object ('node'): a whole nested layout placed on the page.
//
// A node carries its own list of page objects, which follows its record at once in the job file: a 32-bit count
// and that many object records of every kind but 'node'. The node composes them in an offscreen of its own and
// turns, mirrors and tones the result into its rectangle (drawing comes later); the job view also asks it for
// its first image object and whether it is empty.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "layout/job_file_stream.h"
#include "layout/layout_object.h"

namespace vorl {

class TImageObject;

// A node list holds at most this many objects: its records are counted with a signed 16-bit index.
inline constexpr std::int32_t kMaxObjectsInList = 32767;

class TNodeViewObject final : public TLayoutObject {
 public:
  TNodeViewObject() = default;
  TNodeViewObject(const TNodeViewObject& other);

  [[nodiscard]] static std::unique_ptr<TNodeViewObject> New(const CNodeDesc& desc);
  void INodeViewObject(const CLongRect_AC& bounds, const FSSpec& jobFile) noexcept;
  void Set(const CNodeDesc& desc);

  // Reads the node's own list right after its record. False when the count is outside 0..32767 or a record
  // cannot be read; the node then keeps what it had.
  [[nodiscard]] bool DoNewReadObjects(JobFileStream& stream);

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;

  // True when the node has a list and it is empty; false when it has none.
  bool HasNoObjects() const noexcept { return fObjects && fObjects->empty(); }
  // The first image object of the list, or null.
  TImageObject* GetImageObjectFromNode() const noexcept;
  // Null until the list has been read.
  const LayoutObjectList* objects() const noexcept { return fObjects ? &*fObjects : nullptr; }

  std::int16_t rotationCode() const noexcept { return fRotationCode; }
  std::int16_t keptValue() const noexcept { return fKeptValue; }
  bool mirror() const noexcept { return fMirror; }
  bool color() const noexcept { return fColor; }
  bool sepia() const noexcept { return fSepia; }
  // As stored (the converter leaves it): only whether it is non-zero counts.
  std::int16_t oldTimeBlend() const noexcept { return fOldTimeBlend; }
  std::int16_t cacheSwitch() const noexcept { return fCacheSwitch; }
  const FSSpec& jobFile() const noexcept { return fJobFile; }

 private:
  std::int16_t fRotationCode = 0;
  std::int16_t fKeptValue = 0;
  std::optional<LayoutObjectList> fObjects;
  bool fMirror = false;
  bool fColor = false;
  bool fSepia = false;
  std::int16_t fOldTimeBlend = 0;
  std::int16_t fCacheSwitch = 0;
  FSSpec fJobFile;
};

}  // namespace vorl
