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
  // Gives the node a list assembled elsewhere instead of one read from the file.
  void AdoptObjects(LayoutObjectList objects);

  // Composes the list over a copy of the page under the node's rectangle (or on the page itself when the node
  // covers it upright), turns, mirrors and tones the result and puts it back; then hands the job the node's
  // photo files and deletes the list. True when there is nothing to draw; false when a nested object fails or
  // the picture cannot be made, turned or toned. File overlays are left out when the job ignores overlays.
  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  // Registers the photo files of the list's image objects (not "No File") with the job, in the images folder.
  void DeleteFile(JobViewAccess* view) const;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;
  // The streamed form ends with the node's list: a count and that many objects, each a class name and its
  // streamed form. An object that cannot be read fails the node's read, since where the next one begins is then
  // unknown.
  [[nodiscard]] bool ReadFrom(ObjectStreamReader& stream) override;

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
  // Codes 1 to 4 as they are; any other code draws upright (3), with a log line.
  std::int16_t effectiveRotationCode() const;
  // The rectangle the layout is composed in on the page: sides exchanged for a quarter turn.
  std::optional<Rect> nodeRectangle(std::int16_t resolution, std::int16_t rotationCode) const noexcept;
  bool composeObjects(Offscreen* target, std::int16_t resolution, JobViewAccess* view);
  // False when the turned offscreen cannot be made (the picture then stays unturned).
  bool turnPicture(OffscreenPtr& picture, Rect& placed, std::int16_t rotationCode) const;
  bool tonePicture(Offscreen* picture, JobViewAccess* view) const;

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
