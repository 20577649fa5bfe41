// Folder references inside stored records.
//
// `tFolderFSSpec` (362 bytes) heads every folder preference record and the print-to-file record of a job file;
// `tmyFSSpec` (102 bytes) is the shorter form inside the print-server record. Both are file formats: offsets,
// widths and reserved bytes are fixed, and a default-made record is all zeros (no byte left undefined).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/core/mac_types.h"

namespace vorl {

// A folder reference that names no folder holds this volume (and, in `tFolderFSSpec`, this directory id).
inline constexpr std::int16_t kNoFolderVolume = -9999;
inline constexpr std::int32_t kNoFolderDirID = -9999;

struct tFolderFSSpec {
  FSSpec spec;                                // 0: the folder's file specification (bytes 0..69)
  Str31 volumeName;                           // 70
  SInt16Field aliasId;                        // 102: the number its alias record is stored under
  SInt16Field createWhenMissing;              // 104: the panels' check box 'defa'
  SInt16Field value106;                       // 106
  Str31 text108;                              // 108
  std::array<unsigned char, 222> reserved{};  // 140

  // Names no folder: volume and directory -9999, both names empty; the alias id and the rest stay.
  void setNoFolder() noexcept {
    spec.vRefNum = kNoFolderVolume;
    spec.parID = kNoFolderDirID;
    spec.name.clear();
    volumeName.clear();
  }
  bool holdsNoFolder() const noexcept { return spec.vRefNum == kNoFolderVolume; }
};

static_assert(sizeof(tFolderFSSpec) == 362);
static_assert(offsetof(tFolderFSSpec, spec) == 0);
static_assert(offsetof(tFolderFSSpec, volumeName) == 70);
static_assert(offsetof(tFolderFSSpec, aliasId) == 102);
static_assert(offsetof(tFolderFSSpec, createWhenMissing) == 104);
static_assert(offsetof(tFolderFSSpec, value106) == 106);
static_assert(offsetof(tFolderFSSpec, text108) == 108);
static_assert(offsetof(tFolderFSSpec, reserved) == 140);

// A folder's file specification followed by its volume name.
struct tmyFSSpec {
  FSSpec spec;       // 0: volume, directory id, name
  Str31 volumeName;  // 70
};

static_assert(sizeof(tmyFSSpec) == 102);
static_assert(offsetof(tmyFSSpec, volumeName) == 70);

}  // namespace vorl
