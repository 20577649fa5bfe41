// The File Manager's catalog and item calls, over POSIX.
//
// Catalog information describes one item as the Mac's `PBGetCatInfoSync` did: folder or file, locked or not,
// its Finder information (from the AppleDouble sidecar), a folder's id and number of items, a file's length.
// A folder's items are listed once, in name order, and the n-th item of the Mac's indexed calls is element
// n - 1 of the list. Sidecars ("._<name>") are part of their file and never listed as items; a name starting
// with "." counts as invisible, as it does in every Linux file manager. Symbolic links are listed as files and
// never followed, so no walk over a folder leaves it. A file is "locked" when its owner may not write it:
// it cannot be deleted through `FSpDelete` until it is unlocked, as on the Mac.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "platform/core/mac_types.h"

namespace vorl {

inline constexpr std::uint8_t kioFlAttribLockedMask = 0x01;
inline constexpr std::uint8_t kioFlAttribDirMask = 0x10;

struct CInfoPBRec {
  std::int16_t ioVRefNum = 0;
  std::int32_t ioFlParID = 0;  // the folder that holds the item
  std::int32_t ioDrDirID = 0;  // a folder's own id; 0 for a file
  std::uint8_t ioFlAttrib = 0;
  FInfo ioFlFndrInfo;
  std::uint32_t ioDrNmFls = 0;  // a folder's number of items (left 0 in folder listings)
  std::uint64_t ioFlLgLen = 0;  // a file's data length
  Str63 ioName;                 // as an FSSpec holds it (the short name of a long one)
  std::string diskName;         // as the folder lists it
};

// The item an FSSpec names (its name must not be empty); fnfErr when it does not exist.
OSErr PBGetCatInfoByName(const FSSpec& spec, CInfoPBRec& info);
// The folder itself, with its number of items.
OSErr PBGetCatInfoOfFolder(std::int16_t vRefNum, std::int32_t dirID, CInfoPBRec& info);
// Every item of the folder, in name order.
OSErr FSListFolder(std::int16_t vRefNum, std::int32_t dirID, std::vector<CInfoPBRec>& items);

// Makes an empty file with that type and creator; dupFNErr when the name is taken.
OSErr FSpCreate(const FSSpec& spec, OSType creator, OSType type);
// Makes a folder and answers its id; dupFNErr when the name is taken.
OSErr FSpDirCreate(const FSSpec& spec, std::int32_t& createdDirID);
// Deletes a file (fLckdErr when it is locked) or an empty folder (fBsyErr when it holds items), with its sidecar.
OSErr FSpDelete(const FSSpec& spec);
OSErr FSpSetFLock(const FSSpec& spec);
OSErr FSpRstFLock(const FSSpec& spec);

// Closes a file reference number (a descriptor opened by this program).
OSErr FSClose(std::int16_t refNum);

}  // namespace vorl
