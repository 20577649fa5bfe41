// The older streamed form of the page objects (object_stream.h): what each class reads after the common part,
// in the order of its descriptor, ending with a block of padding; and what the attribute and file-overlay
// objects write. The job files never use this form; they hold descriptors (object_records.h).
#include <array>
#include <cstring>
#include <memory>

#include "chromakey/engine/chroma_key_record.h"
#include "foundation/services/messages.h"
#include "layout/attribute_objects.h"
#include "layout/image_object.h"
#include "layout/node_object.h"
#include "layout/object_class_registry.h"
#include "layout/object_stream.h"
#include "layout/overlay_objects.h"
#include "layout/stamp_object.h"
#include "layout/text_objects.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace vorl {

namespace {

// The padding each class's form ends with.
constexpr std::size_t kTextPadding = 1022;
constexpr std::size_t kStampPadding = 1020;
constexpr std::size_t kOverlayPadding = 1024;
constexpr std::size_t kGroupPhotoPadding = 1023;
constexpr std::size_t kFileOverlayPadding = 1017;
constexpr std::size_t kNodePadding = 1018;
constexpr std::size_t kAttributePadding = 1022;
constexpr std::size_t kBackColorPadding = 1024;
constexpr std::size_t kImageSkippedBytes = 871;

constexpr std::int16_t kMaxStreamedBorderWidth = 25;
constexpr std::int16_t kStreamedBorderWidthFallback = 3;

bool readColorAdjust(ObjectStreamReader& stream, myImageColorAdjustInfo& adjust) {
  std::int16_t values[6] = {};
  for (std::int16_t& value : values)
    if (!stream.readRaw(value)) return false;
  adjust.red = values[0];
  adjust.green = values[1];
  adjust.blue = values[2];
  adjust.dark = values[3];
  adjust.light = values[4];
  adjust.gamma = values[5];
  return true;
}

void putLittleEndian16(unsigned char* at, std::int16_t value) {
  const auto word = static_cast<std::uint16_t>(value);
  at[0] = static_cast<unsigned char>(word);
  at[1] = static_cast<unsigned char>(word >> 8);
}

std::string typeText(OSType type) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) {
    const auto c = static_cast<char>(type >> (24 - 8 * i));
    text[static_cast<std::size_t>(i)] = (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return text;
}

}  // namespace

bool TLayoutObject::ReadFrom(ObjectStreamReader& /*stream*/) { return false; }

void TLayoutObject::WriteTo(ObjectStreamWriter& /*stream*/) const {}

bool TLayoutObject::ReadLayoutFrom(ObjectStreamReader& stream, OSType expectedType) {
  std::int32_t top = 0, left = 0, bottom = 0, right = 0, type = 0;
  float x = 0, y = 0, width = 0, height = 0;
  if (!stream.readRaw(top) || !stream.readRaw(left) || !stream.readRaw(bottom) || !stream.readRaw(right) ||
      !stream.ReadLong(type) || !stream.readRaw(x) || !stream.readRaw(y) || !stream.readRaw(width) ||
      !stream.readRaw(height))
    return false;
  // Callers tell the classes apart by their type, so an object must never carry another class's.
  if (static_cast<OSType>(type) != expectedType) {
    systemLogf("ReadFrom: the stream holds a '%s' where a '%s' belongs", typeText(static_cast<OSType>(type)).c_str(),
               typeText(expectedType).c_str());
    return false;
  }
  fBounds = {top, left, bottom, right};
  fType = expectedType;
  fX = x;
  fY = y;
  fWidth = width;
  fHeight = height;
  return true;
}

bool TImageObject::ReadFrom(ObjectStreamReader& stream) {
  std::array<unsigned char, 4 * sizeof(tJunkMaskStructure)> junkMaskBytes{};
  if (!ReadLayoutFrom(stream, kImageObjectType) || !stream.ReadInteger(fFitMode) || !stream.readRaw(fPhotoFile) ||
      !stream.readRaw(fRotationAngle) || !stream.readRaw(fOffset) || !stream.ReadInteger(fInsetSteps) ||
      !readColorAdjust(stream, fColorAdjust) || !stream.readRaw(fGraphicCategory) ||
      !stream.readRaw(fGraphicName) || !stream.ReadBoolean(fKeyed) || !stream.ReadInteger(fBorderFlag) ||
      !stream.ReadInteger(fBorderWidth) || !stream.readRaw(fBorderColor) || !stream.ReadInteger(fAngledFlag) ||
      !stream.ReadInteger(fAngle) || !stream.ReadInteger(fAngleDirection) ||
      !stream.ReadBytes(junkMaskBytes.data(), junkMaskBytes.size()) || !stream.Skip(kImageSkippedBytes) ||
      !stream.ReadInteger(fImageNumber))
    return false;
  if (fBorderFlag != 0 && fBorderFlag != 1) fBorderFlag = 0;
  if (fBorderWidth > kMaxStreamedBorderWidth) fBorderWidth = kStreamedBorderWidthFallback;
  ObjectStreamReader masks(junkMaskBytes, StreamByteOrder::littleEndian);
  for (tJunkMaskStructure& mask : fJunkMasks) static_cast<void>(masks.readRaw(mask));  // the bytes are all there
  if (!fKeyed) return true;

  static_cast<void>(DisplayNormalMessage("aaaa"));
  // The key block is laid out in a settings record as a job file would carry it, so it is decoded and checked
  // by the same code.
  const std::size_t keyBlockStart = stream.position();
  std::array<unsigned char, kChromaKeySettingsSize> record{};
  std::int16_t inwardFlag = 0, defocus = 0;
  if (!stream.ReadBytes(record.data(), kFixcoefSize) || !stream.ReadInteger(inwardFlag) ||
      !stream.ReadInteger(defocus) || !stream.ReadBytes(record.data() + offsetof(tChromaKeySettings, shrink), 4) ||
      !stream.ReadBytes(record.data() + offsetof(tChromaKeySettings, junkMask), sizeof(tJunkMaskStructure))) {
    systemLog("TImageObject::ReadFrom: the key block cannot be read; the photo is not keyed");
    stream.setPosition(keyBlockStart);
    fKeyed = false;
    return true;
  }
  putLittleEndian16(record.data() + offsetof(tChromaKeySettings, defocus), defocus);
  putLittleEndian16(record.data() + offsetof(tChromaKeySettings, inwardFlag), inwardFlag);
  std::memcpy(record.data() + offsetof(tChromaKeySettings, junkMasks), junkMaskBytes.data(), junkMaskBytes.size());
  auto settings = std::make_shared<tChromaKeySettings>();
  if (const KeyRecordCheck check = TChromaKeySettings::ReadFrom(record, *settings); check != KeyRecordCheck::plausible) {
    systemLogf("TImageObject::ReadFrom: the key block is refused: %s", describe(check));
    return false;
  }
  SetChromaKeySettings(std::move(settings));
  return true;
}

bool TTextObject::ReadTextHeadFrom(ObjectStreamReader& stream, OSType expectedType) {
  return ReadLayoutFrom(stream, expectedType) && stream.readRaw(fText) && stream.readRaw(fStyle) &&
         stream.ReadInteger(fRotation);
}

bool TTextObject::ReadFrom(ObjectStreamReader& stream) {
  return ReadTextHeadFrom(stream, kTextObjectType) && stream.Skip(kTextPadding);
}

bool TEditTextObject::ReadFrom(ObjectStreamReader& stream) {
  return ReadTextHeadFrom(stream, kEditTextObjectType) && stream.ReadInteger(fEditValue) &&
         stream.Skip(kTextPadding);
}

bool TDatabaseObject::ReadFrom(ObjectStreamReader& stream) {
  return ReadTextHeadFrom(stream, kDatabaseObjectType) && stream.ReadInteger(fDatabaseValue1) &&
         stream.Skip(kTextPadding);
}

bool TStampObject::ReadFrom(ObjectStreamReader& stream) {
  return ReadLayoutFrom(stream, kStampObjectType) && stream.readRaw(fStyle) && stream.ReadInteger(fStampValue) &&
         stream.readRaw(fText) && stream.ReadInteger(fRotation) && stream.ReadBoolean(fFirstStampFlag) &&
         stream.ReadBoolean(fSecondStampFlag) && stream.Skip(kStampPadding);
}

bool TOverlayObject::ReadOverlayFrom(ObjectStreamReader& stream, OSType expectedType) {
  bool overlayValue = false;
  tNewOverlaySettings settings;
  if (!ReadLayoutFrom(stream, expectedType) || !stream.ReadBoolean(overlayValue) || !stream.readRaw(settings.value) ||
      !stream.readRaw(settings.overlayFile) || !stream.readRaw(settings.firstText) ||
      !stream.readRaw(settings.secondText) || !stream.readRaw(settings.firstValue) ||
      !stream.readRaw(settings.secondValue) || !stream.readRaw(settings.rect) || !stream.Skip(kOverlayPadding))
    return false;
  // The settings' file is looked for in the database folder, wherever the stream's producer kept it.
  if (const tPrintServerPrefs* prefs = getMyPrintServerPrefs()) {
    settings.overlayFile.vRefNum = prefs->databaseFolder.vRefNum;
    settings.overlayFile.parID = prefs->databaseFolder.dirID;
  }
  fOverlayValue = overlayValue ? 1 : 0;
  fSettings = settings;
  return true;
}

bool TOverlayObject::ReadFrom(ObjectStreamReader& stream) { return ReadOverlayFrom(stream, kOverlayObjectType); }

bool TTransparentOverlayObject::ReadFrom(ObjectStreamReader& stream) {
  return ReadOverlayFrom(stream, kTransparentOverlayObjectType);
}

bool TGroupPhotoObject::ReadFrom(ObjectStreamReader& stream) {
  bool overlayValue = false;
  if (!ReadLayoutFrom(stream, kGroupPhotoObjectType) || !stream.ReadBoolean(overlayValue) ||
      !stream.readRaw(fPhotoFile) || !stream.readRaw(fCategory) || !stream.Skip(kGroupPhotoPadding))
    return false;
  fOverlayValue = overlayValue ? 1 : 0;
  return true;
}

bool TFileOverlayObject::ReadFrom(ObjectStreamReader& stream) {
  bool overlayValue = false;
  if (!ReadLayoutFrom(stream, kFileOverlayObjectType) || !stream.ReadBoolean(overlayValue) ||
      !stream.readRaw(fGraphicFile) || !stream.readRaw(fCategory) || !stream.ReadBoolean(fFlagA) ||
      !stream.readRaw(fSecondFile) || !stream.readRaw(fColor) || !stream.Skip(kFileOverlayPadding))
    return false;
  fOverlayValue = overlayValue ? 1 : 0;
  return true;
}

void TFileOverlayObject::WriteTo(ObjectStreamWriter& stream) const {
  stream.WriteBoolean(fOverlayValue != 0);
  stream.writeRaw(fGraphicFile);
  stream.writeRaw(fCategory);
  stream.WriteBoolean(fFlagA);
  stream.writeRaw(fSecondFile);
  stream.writeRaw(fColor);
  stream.writeZeros(kFileOverlayPadding);
}

bool TAttributeObject::ReadFrom(ObjectStreamReader& stream) {
  return ReadLayoutFrom(stream, kAttributeObjectType) && stream.ReadInteger(fSubjobResizeMode) &&
         stream.ReadInteger(fSaveTemplateAsIs) && stream.Skip(kAttributePadding);
}

void TAttributeObject::WriteTo(ObjectStreamWriter& stream) const {
  stream.WriteInteger(fSubjobResizeMode);
  stream.WriteInteger(fSaveTemplateAsIs);
  stream.writeZeros(kAttributePadding);
}

bool TBackColorObject::ReadFrom(ObjectStreamReader& stream) {
  return ReadLayoutFrom(stream, kBackColorObjectType) && stream.readRaw(fColor) && stream.Skip(kBackColorPadding);
}

bool TNodeViewObject::ReadFrom(ObjectStreamReader& stream) {
  FSSpec secondFile;  // carried by the form, kept by no node
  std::int32_t count = 0;
  if (!ReadLayoutFrom(stream, kNodeObjectType) || !stream.readRaw(fJobFile) || !stream.ReadInteger(fRotationCode) ||
      !stream.ReadInteger(fKeptValue) || !stream.readRaw(secondFile) || !stream.ReadBoolean(fMirror) ||
      !stream.ReadBoolean(fColor) || !stream.ReadBoolean(fSepia) || !stream.ReadInteger(fCacheSwitch) ||
      !stream.ReadInteger(fOldTimeBlend) || !stream.Skip(kNodePadding) || !stream.ReadLong(count))
    return false;
  fCacheSwitch = 1;
  if (count < 0 || count > kMaxObjectsInList) {
    systemLogf("TNodeViewObject::ReadFrom: a list of %d objects is outside the form", count);
    return false;
  }
  LayoutObjectList objects;
  for (std::int32_t index = 0; index < count; ++index) {
    std::unique_ptr<TLayoutObject> object = ReadObject(stream);
    if (!object) return false;
    objects.push_back(std::move(object));
  }
  fObjects = std::move(objects);
  return true;
}

}  // namespace vorl
