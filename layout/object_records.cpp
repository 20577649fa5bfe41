#include "layout/object_records.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <span>

#include "chromakey/engine/chroma_key_record.h"
#include "foundation/services/messages.h"
#include "layout/attribute_objects.h"
#include "layout/descriptor_byte_order.h"
#include "layout/image_object.h"
#include "layout/node_object.h"
#include "layout/overlay_objects.h"
#include "layout/stamp_object.h"
#include "layout/text_objects.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

const char* logPrefix(ObjectListKind kind) noexcept {
  return kind == ObjectListKind::Node ? "TNodeViewObject::DoNewReadObjects=> " : "TBGPrintView=> ";
}

// The type's characters for a log line; bytes that are not printable show as '?'.
char printable(OSType type, int shift) noexcept {
  const auto c = static_cast<unsigned char>(type >> shift);
  return (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
}

// Zeroes the descriptor, reads the record's bytes into it (no more than it holds) and skips any surplus.
template <class Desc>
bool readDescriptor(JobFileStream& stream, std::int32_t size, Desc& desc, ObjectListKind kind) {
  desc = Desc{};
  const auto recordSize = static_cast<std::size_t>(size);
  if (!stream.read(&desc, std::min(recordSize, sizeof desc))) return false;
  if (recordSize > sizeof desc) {
    systemLogf("%sclassSize [%d] is larger than the %zu bytes of its descriptor; the rest is skipped", logPrefix(kind),
               size, sizeof desc);
    if (!stream.skip(recordSize - sizeof desc)) return false;
  }
  return true;
}

bool stringsFit(const CImageDesc& desc) noexcept {
  return desc.photo.name.lengthFits() && desc.graphicCategory.lengthFits() && desc.graphicName.lengthFits();
}
bool stringsFit(const CGroupPhotoDesc& desc) noexcept {
  return desc.photo.name.lengthFits() && desc.category.lengthFits();
}
bool stringsFit(const COverlayDesc& desc) noexcept {
  return desc.graphic.name.lengthFits() && desc.category.lengthFits();
}
bool stringsFit(const CNodeDesc& desc) noexcept { return desc.jobFile.name.lengthFits(); }
// A Str255 always fits its length byte.
template <class Desc>
bool stringsFit(const Desc&) noexcept {
  return true;
}

// Reads, checks and converts a descriptor, then makes its object with `make`.
template <class Desc, class Swap, class Make>
bool readKnown(JobFileStream& stream, std::int32_t size, ObjectListKind kind, Swap swap, Make make,
               std::unique_ptr<TLayoutObject>& object) {
  Desc desc;
  if (!readDescriptor(stream, size, desc, kind)) return false;
  if (!stringsFit(desc)) {
    systemLogf("%sa name in the descriptor is longer than its field", logPrefix(kind));
    return false;
  }
  swap(desc, true);
  object = make(desc);
  return true;
}

bool readChromaKeySettings(JobFileStream& stream, TImageObject& image) {
  std::span<const std::uint8_t> raw;
  if (!stream.take(kChromaKeySettingsSize, raw)) return false;
  auto settings = std::make_shared<tChromaKeySettings>();
  std::uint32_t droppedOptionBits = 0;
  const KeyRecordCheck check = TChromaKeySettings::ReadFrom(raw, *settings, &droppedOptionBits);
  if (check != KeyRecordCheck::plausible) {
    systemLogf("%s", describe(check));
    return false;
  }
  if (droppedOptionBits != 0)
    systemLogf("chroma-key record: option bits 0x%X not known here, keyed without them",
               static_cast<unsigned>(droppedOptionBits));
  image.SetChromaKeySettings(std::move(settings));
  return true;
}

bool readImage(JobFileStream& stream, std::int32_t size, ObjectListKind kind, std::unique_ptr<TLayoutObject>& object) {
  if (!readKnown<CImageDesc>(stream, size, kind, swapImageDesc, TImageObject::New, object)) return false;
  auto* made = static_cast<TImageObject*>(object.get());
  return !made->keyed() || readChromaKeySettings(stream, *made);
}

bool readNode(JobFileStream& stream, std::int32_t size, ObjectListKind kind, std::unique_ptr<TLayoutObject>& object) {
  if (!readKnown<CNodeDesc>(stream, size, kind, swapNodeDesc, TNodeViewObject::New, object)) return false;
  return static_cast<TNodeViewObject*>(object.get())->DoNewReadObjects(stream);
}

// The name the page and sub-job lists log for a type they know ("kImageObjectType"); null for any other type.
const char* foundName(OSType type, ObjectListKind kind) noexcept {
  switch (type) {
    case kImageObjectType:
      return "kImageObjectType";
    case kTextObjectType:
      return "kTextObjectType";
    case kStampObjectType:
      return "kStampObjectType";
    case kEditTextObjectType:
      return "kEditTextObjectType";
    case kFileOverlayObjectType:
      return "kFileOverlayObjectType";
    case kTransparentOverlayObjectType:
      return "kTransparentOverlayObjectType";
    case kNodeObjectType:
      return kind == ObjectListKind::Node ? nullptr : "kNodeObjectType";
    case kBackColorObjectType:
      return "kBackColorObjectType";
    case kGroupPhotoObjectType:
      return "kGroupPhotoObjectType";
    case kDatabaseObjectType:
      return "kDatabaseObjectType";
    case kAttributeObjectType:
      return "kAttributeObjectType";
    default:
      return nullptr;
  }
}

// The record's log lines, written as one entry: a job logs several per object, and each entry costs a write.
void logRecord(OSType type, std::int32_t size, ObjectListKind kind) {
  const char* prefix = logPrefix(kind);
  const char* found = foundName(type, kind);
  char third[64] = "";
  if (kind != ObjectListKind::Node || !found)
    std::snprintf(third, sizeof third, "\nFound %s", found ? found : "UNKNOWN Object");
  systemLogf("%sclassID.type = [%c%c%c%c] [0x%02x] [%i]\n%sclassSize = [0x%02x] [%i]%s", prefix, printable(type, 24),
             printable(type, 16), printable(type, 8), printable(type, 0), static_cast<unsigned>(type),
             static_cast<int>(type), prefix, static_cast<unsigned>(size), size, third);
}

bool skipUnknown(JobFileStream& stream, OSType type, std::int32_t size, ObjectListKind kind) {
  newDisplayNormalMessage("Unknown Object; object will be ignored\u2026");
  char details[96];
  std::snprintf(details, sizeof details, "Object type is: [0x%02x] with size [0x%x]", static_cast<unsigned>(type),
                static_cast<unsigned>(size));
  newDisplayNormalMessage(details);
  if (type == kNodeObjectType) {
    // A node's own records follow its descriptor without being counted in its size, so skipping the size alone
    // would leave the reader inside them.
    systemLogf("%sa node inside a node's list cannot be skipped", logPrefix(kind));
    return false;
  }
  return stream.skip(static_cast<std::size_t>(size));
}

}  // namespace

bool readObjectRecord(JobFileStream& stream, ObjectListKind kind, std::unique_ptr<TLayoutObject>& object) {
  object.reset();
  std::array<std::uint8_t, kObjectClassHeaderSize> header;
  std::int32_t size = 0;
  if (!stream.read(header.data(), header.size()) || !stream.readBigEndian(size)) return false;
  const OSType type = (OSType{header[4]} << 24) | (OSType{header[5]} << 16) | (OSType{header[6]} << 8) | header[7];

  logRecord(type, size, kind);
  if (size < 0) {
    systemLogf("%sa record cannot have a negative size", logPrefix(kind));
    return false;
  }

  switch (type) {
    case kImageObjectType:
      return readImage(stream, size, kind, object);
    case kTextObjectType:
      return readKnown<CTextDesc>(stream, size, kind, swapTextDesc, TTextObject::New, object);
    case kStampObjectType:
      return readKnown<CStampDesc>(stream, size, kind, swapStampDesc, TStampObject::New, object);
    case kEditTextObjectType:
      return readKnown<CEditTextDesc>(stream, size, kind, swapEditTextDesc, TEditTextObject::New, object);
    case kFileOverlayObjectType:
      return readKnown<COverlayDesc>(stream, size, kind, swapFileOverlayDesc, TFileOverlayObject::New, object);
    case kTransparentOverlayObjectType:
      return readKnown<COverlayDesc>(stream, size, kind, swapFileOverlayDesc, TTransparentOverlayObject::New, object);
    case kNodeObjectType:
      if (kind == ObjectListKind::Node) break;
      return readNode(stream, size, kind, object);
    case kBackColorObjectType:
      return readKnown<CBackColorDesc>(stream, size, kind, swapBackColorDesc, TBackColorObject::New, object);
    case kGroupPhotoObjectType:
      return readKnown<CGroupPhotoDesc>(stream, size, kind, swapGroupPhotoDesc, TGroupPhotoObject::New, object);
    case kDatabaseObjectType:
      return readKnown<CDatabaseDesc>(stream, size, kind, swapDatabaseDesc, TDatabaseObject::New, object);
    case kAttributeObjectType:
      return readKnown<CAttributeDesc>(stream, size, kind, swapAttributeDesc, TAttributeObject::New, object);
    default:
      break;
  }
  return skipUnknown(stream, type, size, kind);
}

}  // namespace vorl
