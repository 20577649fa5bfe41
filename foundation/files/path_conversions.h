// Between file specifications, paths and texts: the file of a long name in a folder, the path of a
// specification and back, and Str255 <-> UTF-8 text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/files/file_specs.h"

namespace vorl {

// Finds the file `name` (Mac Roman, up to 255 characters) in the folder given by `folder` (its volume, and its
// own directory id in the parent-id field; parent id 1 names the volume's root). With `create` a missing file
// is made. With `makeFSSpec`, once all went well, `folder` is replaced by the file's specification, which holds
// the shortened form of a name too long for it; that specification names the same file. Answers 0, fnfErr for a
// missing file (when not created), dirNFErr for an unknown folder, bdNamErr for a name no file can have.
OSErr GetValidFileFSSpec(const Str255& name, FSSpec& folder, bool create, bool makeFSSpec);

// The path of an existing item (UTF-8); nothing, with a log line, when the item or its folder cannot be found.
// A specification with an empty name names its folder.
std::optional<std::string> FSSpecToNSStringPath(const FSSpec& spec);

// Fills `spec` with the existing item at the path; for a missing item it logs and leaves `spec`
// as it was. Answers the pointer it was given.
FSSpec* NSStringFilePathToFSSpec(FSSpec* spec, std::string_view path);

// The text in Mac Roman, at most 255 characters ("^" for characters Mac Roman lacks).
Str255 NSStringToCStr255(std::string_view utf8);
// The Mac Roman characters as UTF-8 text.
std::string CStr255ToNSString(const Str255& text);

}  // namespace vorl
