#include "foundation/files/volumes.h"

#include "foundation/text/pascal_strings.h"
#include "platform/files/file_specs.h"

namespace vorl {
namespace {

// The Mac walked its volume table by index 1, 2, ...; the walk stops at the first index with no volume.
constexpr int kMaxVolumeIndex = 99;

Str255 macName(const VolumeInfo& info) { return Str255::fromUtf8(info.name); }

}  // namespace

OSErr FindVolumeByNameNew(const Str255& name, std::int16_t* vRefNum) {
  if (!vRefNum) return paramErr;
  for (int index = 1; index <= kMaxVolumeIndex; ++index) {
    VolumeInfo info;
    if (const OSErr error = FSGetVolumeInfo(index, info); error != noErr) return error;
    if (info.online && pstrcomp2(macName(info), name)) {
      *vRefNum = info.vRefNum;
      return noErr;
    }
  }
  return nsvErr;
}

OSErr FindVolumeByName(const Str255& name, std::int16_t* vRefNum) { return FindVolumeByNameNew(name, vRefNum); }

OSErr CheckIfVolumeNameAndVRefNumMatch(const Str255& name, std::int16_t vRefNum) {
  VolumeInfo info;
  if (const OSErr error = FSGetVolumeInfoByRef(vRefNum, info); error != noErr) return error;
  return pstrcomp2(macName(info), name) ? noErr : -1;
}

OSErr FindVolumeFromNameOrVRefNum(Str255& name, std::int16_t& vRefNum, std::int16_t mode) {
  switch (mode) {
    case 1:
      return FindVolumeByName(name, &vRefNum);
    case 2: {
      VolumeInfo info;
      if (const OSErr error = FSGetVolumeInfoByRef(vRefNum, info); error != noErr) return error;
      name = macName(info);
      return noErr;
    }
    default:
      return CheckIfVolumeNameAndVRefNumMatch(name, vRefNum);
  }
}

OSErr GetVolumeNameFromVRefNum(Str255& name, std::int16_t vRefNum) {
  return FindVolumeFromNameOrVRefNum(name, vRefNum, 2);
}

OSErr XGetVInfo(std::int16_t volume, Str255* name, std::int16_t* vRefNum, std::uint64_t* freeBytes,
                std::uint64_t* totalBytes) {
  VolumeInfo info;
  if (const OSErr error = FSGetVolumeInfoByRef(volume, info); error != noErr) return error;
  if (name) *name = macName(info);
  if (vRefNum) *vRefNum = info.vRefNum;
  if (freeBytes) *freeBytes = info.freeBytes;
  if (totalBytes) *totalBytes = info.totalBytes;
  return noErr;
}

}  // namespace vorl
