// Finding a free name in a folder, and renaming to a long name.
//
// Each search tries the candidates of one naming rule (file_naming.h) in order and takes the first that no item
// of the folder bears. A search that runs out of candidates shows its message and answers dupFNErr, and its
// caller must not write under the last candidate: that name is taken. A number capped by its width (999999 at
// six digits) gives the same name again; the search stops there instead of trying it 99999 times. Renames
// never replace an existing item.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/files/file_specs.h"
#include "platform/core/mac_types.h"

namespace vorl {

// Sitting images: from the caller's number on, "base_0001.ext" and so on (createNameForSittingImages) as the
// specification's name, until a free one; the number is left at the free name's number. At most 99999 tries.
// `flag` has no effect.
OSErr getUniqueName(const CStr255_AC& base, std::int32_t& number, const CStr255_AC& extension, bool flag, FSSpec* spec);

// Print-to-file names within 31 characters (FormFileNameOld, zero-padded to `width`); at most 100000 tries.
OSErr getUniqueNameForPrintToFile(const CStr255_AC& base, std::int32_t& number, const CStr255_AC& extension,
                                  std::int16_t width, FSSpec* spec);

// Renames the file the file specification names to the first print-to-file name within 63 characters that is free,
// and points the file specification at it. A taken name moves on to the next number; any other failure of the rename
// stops the search and is answered. At most 100000 tries.
OSErr getUniqueNameForPrintToFileNew(const CStr255_AC& base, std::int32_t& number, const CStr255_AC& extension,
                                     std::int16_t width, FSSpec* spec);

// Gives the file specification the first free " copy" name within 63 characters ("photo copy.jpg", then
// "photo copy 1.jpg", ...; 1 + 4999 candidates), made from the long name of the item it names.
OSErr getUniqueNameWithCopyBeforeExtension(FSSpec* spec);
OSErr getUniqueNameWithCopy(FSSpec* spec);
// The same without the length bound ("photo copy.jpg", "photo copy 1.jpg", ...; 4999 candidates in all). A free
// name that a specification cannot hold answers bdNamErr and leaves the file specification as it was.
OSErr getUniqueNameWithCopyBeforeExtForLongNames(FSSpec* spec);

// The first free name of base + extension, base + " copy" + extension, base + " copy k" + extension (k from 1)
// in the folder; 0 with the name in `result`, -1 when none of 5000 candidates is free or the folder cannot be
// searched.
std::int16_t newGetUniqueNameWithCopy(const FSRef* parent, const CStr255_AC& base, const CStr255_AC& extension,
                                      CStr255_AC& result);
// The same in the file specification's folder; on success the file specification's name becomes the free name. A free
// name longer than a specification holds (63 characters) cannot be given to it: -1, specification unchanged.
std::int16_t newGetUniqueNameWithCopy(FSSpec* spec, const CStr255_AC& base, const CStr255_AC& extension);

// Renames the item to the Mac Roman name (long names allowed); dupFNErr when the name is taken, bdNamErr for a
// name no file can bear. On success the reference (or specification) names the renamed item.
OSErr newFSpRename(FSRef* item, const char* newName);
OSErr newFSpRename(FSSpec* item, const char* newName);
OSErr convertFSRefToFSSpec(const FSRef* ref, FSSpec* spec);

// The first free " copy" name for the Mac Roman name in the folder: within 63 characters (`bounded`) or without
// a bound. dupFNErr when every candidate is taken, bdNamErr when the candidates grow too long for the disk.
OSErr findFreeCopyName(const std::filesystem::path& folder, std::string_view macName, bool bounded,
                       std::string& freeName);

}  // namespace vorl
