#include "layout/node_object.h"

#include "layout/image_object.h"
#include "layout/object_records.h"
#include "platform/system_log.h"

namespace vorl {
namespace {

// The object keeps the low byte of the converted word.
bool lowByteSet(std::int16_t word) noexcept { return (static_cast<std::uint16_t>(word) & 0xFF) != 0; }

}  // namespace

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

bool TNodeViewObject::Draw4Printing(Offscreen* /*page*/, std::int16_t /*resolution*/, JobViewAccess* /*view*/) {
  return cannotDrawYet("TNodeViewObject");
}

std::unique_ptr<TLayoutObject> TNodeViewObject::Clone() const { return std::make_unique<TNodeViewObject>(*this); }

TImageObject* TNodeViewObject::GetImageObjectFromNode() const noexcept {
  if (!fObjects) return nullptr;
  for (const auto& object : *fObjects)
    if (object->type() == kImageObjectType) return static_cast<TImageObject*>(object.get());
  return nullptr;
}

}  // namespace vorl
