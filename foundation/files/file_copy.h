// Making folders and files, copying and moving files.
//
// A copy is written under a hidden temporary name in the destination folder, 256 KB at a time, flushed and only
// then given its name, so a copy that fails halfway (a full disk, a read error) leaves no partial file and an
// existing destination untouched, even when the caller asked for it to be replaced. A destination name that is
// taken gets a free " copy" name unless the caller asked for the replacement. The copy carries the source's type
// and creator. Moves are renames (or copy, flush, delete across file systems) and never replace a file.
// Failures are shown to the operator with the messages of lists 4104 and 4105 and answered; nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/core/mac_types.h"

namespace vorl {

inline constexpr std::int16_t kFolderErrorStrings = 4104;
inline constexpr std::int16_t kFileCopyErrorStrings = 4105;
inline constexpr std::size_t kCopyChunkSize = 0x40000;

// Makes the folder `name` in (vRefNum, parentID), or finds the one already there. On success the output holds
// the volume, the folder's own id in its parent-id field, and the name; a new folder gets the permissions 0777
// so that the studio's other programs, under other accounts, can write into it. An empty name shows
// "createNewFolder => theName is nil" and answers 0. An item of that name that is no folder, or any other
// failure, is shown (4104/7 for a taken name, else 4104/8) and answered, with -9999 in the parent-id field.
OSErr createNewFolder(const Str31& name, std::int16_t vRefNum, std::int32_t parentID, FSSpec* folder);

// Makes the file the file specification names when it does not exist yet (an existing one is left as it is), then
// rebuilds the file specification from the file (the short name of a long one). Failures go to myNewFileError.
OSErr createNewFile(FSSpec* spec);

// Makes a new empty file with that creator and type. A taken name is deleted first when `replace` is set, else the
// specification gets a free " copy" name (without a length bound; the name is the file's long name).
OSErr CreateUniqueFSSpec(FSSpec* spec, OSType creator, OSType type, std::int16_t script, bool replace);
// The same with the " copy" names within 63 characters; failures are shown (4105/50: no free name; 4105/14).
OSErr CreateUniqueFSSpecNew(FSSpec* spec, OSType creator, OSType type, std::int16_t script, bool replace);

// Copies the source's data into the destination, 256 KB at a time. With `replace` an existing destination is
// replaced once the copy is complete; without it the copy gets a free " copy" name (long-name rule), and the
// destination specification is updated to the file written. Copying a file onto itself is refused. 0, or -1
// after showing what failed.
std::int16_t doCopyTheFileInChunks(FSSpec* source, FSSpec* destination, bool replace);
std::int16_t doCopyTheFile(FSSpec* source, FSSpec* destination, bool replace);
// The same, with the " copy" names within 63 characters and its own messages.
std::int16_t copyTheFile(FSSpec* source, FSSpec* destination, bool replace);

// Moves the file into the folder `dirID` of its volume under its own name (a free " copy" name when that is
// taken). On failure shows "Cannot Copy and Move File!\rError Code = %i" and leaves the source. Answers the first
// failure or 0.
OSErr myTFileMoveFile(const FSSpec* file, std::int32_t dirID);

// Moves the file at `sourcePath` into `folderPath` as `newName` (UTF-8). With `overwrite` a file of that name is
// replaced, else the move fails with dupFNErr. A name that is no plain file name (empty, ".", "..", with "/",
// starting with ".") is refused with bdNamErr.
OSErr doNSStringPathCopy(std::string_view sourcePath, std::string_view folderPath, std::string_view newName,
                         bool overwrite);

}  // namespace vorl
