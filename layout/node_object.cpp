#include "layout/node_object.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "imaging/color/color_tables.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "imaging/offscreens/pixel_locks.h"
#include "layout/image_object.h"
#include "layout/image_object_drawing.h"
#include "layout/job_file_names.h"
#include "layout/object_records.h"
#include "platform/files/file_specs.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace vorl {
namespace {

// The object keeps the low byte of the converted word.
bool lowByteSet(std::int16_t word) noexcept { return (static_cast<std::uint16_t>(word) & 0xFF) != 0; }

constexpr std::int16_t kTurnLeft = 1;
constexpr std::int16_t kTurnRight = 2;
constexpr std::int16_t kUpright = 3;
constexpr std::int16_t kHalfTurn = 4;
constexpr std::int16_t kOldTimeBlendKind = 98;
constexpr std::int16_t kSepiaKind = 99;

std::optional<std::int16_t> toShort(float value) noexcept {
  if (!(value > -32769.0f && value < 32768.0f)) return std::nullopt;
  return static_cast<std::int16_t>(value);
}

std::string typeName(OSType type) {
  std::string name(4, ' ');
  for (int i = 0; i < 4; ++i) name[static_cast<std::size_t>(i)] = static_cast<char>((type >> (8 * (3 - i))) & 0xFF);
  return name;
}

bool isNoFilePhoto(const TLayoutObject& object) {
  return object.type() == kImageObjectType &&
         static_cast<const TImageObject&>(object).photoFile().name.macRoman() == image_drawing::kNoFileName;
}

}  // namespace

std::int16_t TNodeViewObject::effectiveRotationCode() const {
  if (fRotationCode >= kTurnLeft && fRotationCode <= kHalfTurn) return fRotationCode;
  // Any other code would place the layout upright in a frame of exchanged sides, spilling out of the node's own
  // frame; upright in its frame is what the layout was made for.
  systemLogf("TNodeViewObject::Draw4Printing => rotation code [%d] is unknown, drawn upright", fRotationCode);
  return kUpright;
}

std::optional<Rect> TNodeViewObject::nodeRectangle(std::int16_t resolution, std::int16_t rotationCode) const noexcept {
  if (rotationCode == kUpright || rotationCode == kHalfTurn) return objectRectangle(resolution);
  // A quarter turn composes the layout with its sides exchanged.
  const float r = resolution;
  const float left = r * x();
  const float top = r * y();
  const float xEnd = x() + height();
  const float yEnd = y() + width();
  const float right = r * xEnd;
  const float bottom = r * yEnd;
  const auto l = toShort(left);
  const auto t = toShort(top);
  const auto rr = toShort(right);
  const auto b = toShort(bottom);
  if (!l || !t || !rr || !b) return std::nullopt;
  return makeRect(*t, *l, *b, *rr);
}

bool TNodeViewObject::composeObjects(Offscreen* target, std::int16_t resolution, JobViewAccess* view) {
  const bool ignoreOverlays = view && view->IgnoreOverlays();
  for (const auto& object : *fObjects) {
    if (ignoreOverlays && object->type() == kFileOverlayObjectType) continue;
    if (!object->Draw4Printing(target, resolution, view)) {
      systemLogf("TNodeViewObject::Draw4Printing => a nested object of type '%s' failed",
                 typeName(object->type()).c_str());
      return false;
    }
  }
  return true;
}

bool TNodeViewObject::turnPicture(OffscreenPtr& picture, Rect& placed, std::int16_t rotationCode) const {
  if (rotationCode == kHalfTurn) return rotateImage180Degrees(picture.get());
  if (rotationCode != kTurnLeft && rotationCode != kTurnRight) return true;
  const Rect turnedBounds = makeRect(0, 0, picture->width(), picture->height());
  OffscreenPtr turned(myNewGWorld(&turnedBounds));
  if (!turned) return false;
  // A turn that fails leaves the picture and its place as they were.
  if (rotateImage90Degrees(rotationCode, picture.get(), turned.get())) {
    picture = std::move(turned);
    placed = makeRect(placed.top, placed.left, placed.top + picture->height(), placed.left + picture->width());
  }
  return true;
}

bool TNodeViewObject::tonePicture(Offscreen* picture, JobViewAccess* view) const {
  if (fMirror) doMirrorTheImageInGWorld(picture);
  if (!fColor) doGrayScaleTheImageInGWorld(picture);
  const std::int16_t toneKind = fOldTimeBlend != 0 ? kOldTimeBlendKind : (fSepia ? kSepiaKind : 0);
  if (toneKind == 0 || !view) return true;
  if (ConvertOffscreenToSepiaSpooler(picture, view->GetSepiaAdjust(), picture, toneKind, view->GetOldTimePhotoPrefs()))
    return true;
  systemLogf("TNodeViewObject::Draw4Printing => old-time toning of kind [%d] failed", toneKind);
  return false;
}

TNodeViewObject::TNodeViewObject(const TNodeViewObject& other)
    : TLayoutObject(other),
      fRotationCode(other.fRotationCode),
      fKeptValue(other.fKeptValue),
      fMirror(other.fMirror),
      fColor(other.fColor),
      fSepia(other.fSepia),
      fOldTimeBlend(other.fOldTimeBlend),
      fCacheSwitch(other.fCacheSwitch),
      fJobFile(other.fJobFile) {
  if (other.fObjects) fObjects = cloneObjects(*other.fObjects);
}

std::unique_ptr<TNodeViewObject> TNodeViewObject::New(const CNodeDesc& desc) {
  auto object = std::make_unique<TNodeViewObject>();
  object->INodeViewObject(boundsOf(desc.layout), desc.jobFile);
  object->Set(desc);
  return object;
}

void TNodeViewObject::INodeViewObject(const CLongRect_AC& bounds, const FSSpec& jobFile) noexcept {
  ILayoutObject(bounds, kNodeObjectType);
  fJobFile = jobFile;
  fRotationCode = 3;
  fKeptValue = 0;
  fObjects.reset();
}

void TNodeViewObject::Set(const CNodeDesc& desc) {
  SetPlacement(desc.layout);
  fJobFile = desc.jobFile;
  fRotationCode = desc.rotationCode;
  fKeptValue = desc.keptValue;
  fMirror = lowByteSet(desc.mirror);
  fColor = lowByteSet(desc.color);
  fSepia = lowByteSet(desc.sepia);
  fOldTimeBlend = desc.oldTimeBlend;
  // A node made from a record never uses the last-node cache.
  fCacheSwitch = 1;
}

bool TNodeViewObject::DoNewReadObjects(JobFileStream& stream) {
  std::int32_t count = 0;
  if (!stream.readBigEndian(count)) return false;
  if (count < 0 || count > kMaxObjectsInList) {
    systemLogf("TNodeViewObject::DoNewReadObjects=> count [%d] is outside 0..%d", count, kMaxObjectsInList);
    return false;
  }
  LayoutObjectList objects;
  for (std::int32_t index = 1; index <= count; ++index) {
    std::unique_ptr<TLayoutObject> object;
    if (!readObjectRecord(stream, ObjectListKind::Node, object)) return false;
    if (object) objects.push_back(std::move(object));
  }
  fObjects = std::move(objects);
  return true;
}

// The node's own job file is not read again into the job in hand: that read would replace the job's settings
// (resolution, printer, page size) in the middle of its page, and the nested objects are already in the list.
bool TNodeViewObject::Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) {
  if (!fObjects || fObjects->empty()) return true;
  if (isNoFilePhoto(*fObjects->front())) return true;

  const std::int16_t rotationCode = effectiveRotationCode();
  std::optional<Rect> placed = nodeRectangle(resolution, rotationCode);
  bool result = true;
  if (!placed || rectEmpty(*placed) || !page) {
    systemLog("TNodeViewObject::Draw4Printing => the node's rectangle is empty or outside the page range");
    result = false;
  } else {
    const Rect local = makeRect(0, 0, rectHeight(*placed), rectWidth(*placed));
    const bool onPage = EqualRect(page->portRect(), local) && rotationCode == kUpright;
    OffscreenPtr own;
    if (!onPage) {
      own.reset(myNewGWorld(&local));
      // Tells the operator when there is none.
      if (!protectAndLockGworld(own.get())) result = false;
    }
    Offscreen* target = onPage ? page : own.get();
    if (result) {
      // Starts from the page under the node, so a layout with gaps lets the page show through.
      if (!onPage && !copyGWorldToGWorld(page, target, &*placed, &local)) result = false;
      if (result && !composeObjects(target, resolution, view)) {
        result = false;
        own.reset();
      }
      if (result && !onPage) {
        result = turnPicture(own, *placed, rotationCode);
        if (!tonePicture(own.get(), view)) result = false;
        const Rect whole = own->portRect();
        if (!copyGWorldToGWorld(own.get(), page, &whole, &*placed)) result = false;
        own.reset();
      } else if (result && onPage) {
        result = tonePicture(page, view);
      }
    }
  }
  DeleteFile(view);
  fObjects.reset();
  return result;
}

void TNodeViewObject::DeleteFile(JobViewAccess* view) const {
  if (!view || !fObjects) return;
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  if (!prefs) return;
  const std::optional<std::filesystem::path> folder =
      FSFolderPath(prefs->imagesFolder.vRefNum, prefs->imagesFolder.dirID);
  for (const auto& object : *fObjects) {
    if (object->type() != kImageObjectType || isNoFilePhoto(*object)) continue;
    FSSpec photo = static_cast<const TImageObject&>(*object).photoFile();
    // Files handed on here may be deleted after the job: only a plain name inside the images folder qualifies.
    if (!folder || !pathInFolder(*folder, photo.name)) {
      systemLogf("TNodeViewObject::DeleteFile => photo name [%s] refused", photo.name.toUtf8().c_str());
      continue;
    }
    photo.vRefNum = prefs->imagesFolder.vRefNum;
    photo.parID = prefs->imagesFolder.dirID;
    view->Insert(photo);
  }
}

std::unique_ptr<TLayoutObject> TNodeViewObject::Clone() const { return std::make_unique<TNodeViewObject>(*this); }

void TNodeViewObject::AdoptObjects(LayoutObjectList objects) { fObjects = std::move(objects); }

TImageObject* TNodeViewObject::GetImageObjectFromNode() const noexcept {
  if (!fObjects) return nullptr;
  for (const auto& object : *fObjects)
    if (object->type() == kImageObjectType) return static_cast<TImageObject*>(object.get());
  return nullptr;
}

}  // namespace vorl
