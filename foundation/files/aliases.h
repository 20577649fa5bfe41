// Folder references kept in the user defaults ("alias records").
//
// Every folder the operator chose is kept twice: as the volume/directory/name triple inside its preference
// record, and as a folder reference blob in the user defaults under "AliasHandle <id>". Before a stored folder
// is used its reference is resolved and the triple refreshed from it, so a folder that was renamed, moved
// nearby or whose disk came back under another mount point is still found (see platform/files/folder_reference.h).
// Ids in use: 4501 the print-to-file folder, 4502 processed jobs, 4506 and 4507 the print-server folders (the
// counts live in 4506), 4511..4518 the eight print-to-file sets (4510 + set), 4529 and 4530 the CD folders, 4566
// the web-upload folder.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/records/folder_records.h"
#include "platform/files/file_specs.h"
#include "platform/core/handles.h"

namespace vorl {

// "AliasHandle " and the id in decimal ("AliasHandle -3" for a negative id).
std::string aliasHandleKey(std::int16_t aliasId);

// Makes a reference to the item and stores it under the id's key, writing the user defaults at once. Answers 0,
// or the error that stopped it (the item is gone, the defaults could not be written); a failure is logged and
// shown to the operator, and nothing is stored.
OSErr SaveFSSpecAsAliasHandle(const FSRef& item, std::int16_t aliasId);
// The same for a file specification; a specification that names no existing item stores nothing, silently.
void SaveFSSpecAsAliasHandle(const FSSpec& spec, std::int16_t aliasId);
// The record's folder under the record's own alias id.
void SaveFSSpecAsAliasHandle(const tFolderFSSpec& folder);

// A new handle holding the stored reference's bytes (the caller disposes of it); null when none is stored.
Handle ReadAliasHandle(std::int16_t aliasId);

// Resolves the stored reference. 1: found, and `spec` now names the item (volume, parent folder, name);
// 0: nothing stored or the item cannot be found, and `spec` is as it was. The reference itself is not rewritten.
std::int16_t validateIfAliasHandle(FSSpec& spec, std::int16_t aliasId);
// The same for the record's own alias id and file specification (bytes 0..69); its other fields stay.
std::int16_t validateIfAliasHandle(tFolderFSSpec& folder);

}  // namespace vorl
