// Volumes by name and by reference number.
//
// A stored folder keeps the name and reference number of its volume, and reference numbers change when a disk
// is mounted again, so finding a volume is a search: the mounted volumes are walked by index, and a name is
// compared without regard to the case of its letters. Names are Mac Roman, as the records hold them.
#pragma once

#include <cstdint>

#include "platform/core/mac_types.h"

namespace vorl {

// The first on-line volume of that name: noErr with its reference number, or the error that ended the walk
// (nsvErr when no volume has the name).
OSErr FindVolumeByNameNew(const Str255& name, std::int16_t* vRefNum);
OSErr FindVolumeByName(const Str255& name, std::int16_t* vRefNum);

// 0 when the volume of that number has that name, -1 when it has another, else the error (nsvErr: no volume).
OSErr CheckIfVolumeNameAndVRefNumMatch(const Str255& name, std::int16_t vRefNum);

// Mode 1: the volume's number from its name; mode 2: the name from the number; any other mode: whether the two
// match, as above.
OSErr FindVolumeFromNameOrVRefNum(Str255& name, std::int16_t& vRefNum, std::int16_t mode);
OSErr GetVolumeNameFromVRefNum(Str255& name, std::int16_t vRefNum);

// The volume's number, free and total bytes. `volume` is a volume reference number; null outputs are skipped.
OSErr XGetVInfo(std::int16_t volume, Str255* name, std::int16_t* vRefNum, std::uint64_t* freeBytes,
                std::uint64_t* totalBytes);

}  // namespace vorl
