// Finding a configured folder again, and making a default one in the application folder.
//
// A folder record keeps the folder's volume name and file specification; its volume reference number and
// directory id are only what they were when the folder was chosen. At start-up each configured folder is looked
// for again, and when it cannot be found and the operator allowed it, a folder of the default name is made in
// the application folder (the user's home folder).
#pragma once

#include <cstdint>

#include "foundation/records/folder_records.h"
#include "platform/core/mac_types.h"

namespace vorl {

// The application folder, set at start-up; -9999 until then.
extern std::int16_t appvRefNum;
extern std::int32_t appDirID;

// Shows a line of progress in the start-up window (which the application owns; null when there is none). The
// application installs it; without one nothing is shown.
using StartUpStatusHook = void (*)(void* startUpWindow, const Str255& text);
void setStartUpStatusHook(StartUpStatusHook hook) noexcept;

// 1 when the folder of the record is found again, with `foundVRefNum` its volume and `*dirID` its id:
//  1. a stored volume of -9999 is not found;
//  2. the volume `vRefNum` still bears the record's volume name and the record's specification names a folder
//     (its id is read again into `*dirID`), or (vRefNum, *dirID) is still a folder;
//  3. else the volume of the record's name holds the folder (that volume, *dirID);
//  4. else the volume `vRefNum` under whatever name it has now holds (vRefNum, *dirID).
std::int16_t AttemptToFindFolder(std::int16_t vRefNum, std::int32_t* dirID, tmyFSSpec* record,
                                 std::int16_t& foundVRefNum);

// With `create`: shows "Creating Folder - <name>", makes the folder (or takes the one there) in the application
// folder, and fills `vRefNum`, `dirID` and the record (the folder's specification and volume name); 1 when it
// did, 0 when the folder could not be made (the failure was shown). Without `create`: shows
// "Unable to Find <label>:\r  Volume: <volume>\r  Folder: <folder>" ("Desktop" for an empty volume name) and
// answers 0. A null record answers 0.
std::int16_t AttemptToCreateDefaultFolder(bool create, std::int16_t& vRefNum, std::int32_t& dirID, tmyFSSpec* record,
                                          const CStr255_AC& name, const Str255& label, void* startUpWindow);

}  // namespace vorl
