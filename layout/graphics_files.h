// The graphics folder: overlays, transparent overlays, group photos and the image objects' named graphics are
// prepared files in "VORL GRAPHICS FOLDER ƒ" of the print-server root, one sub-folder per category.
#pragma once

#include "imaging/offscreens/offscreen.h"
#include "platform/core/mac_types.h"
#include "platform/text/pascal_string.h"

namespace vorl {

// The folder's own name on disk (Mac Roman in the records, UTF-8 on disk).
inline constexpr const char* kGraphicsFolderName = "VORL GRAPHICS FOLDER ƒ";

// Looks for a file named as `file` in the category's sub-folder (its name matched ignoring letter case) of the
// graphics folder. True, with `file` replaced by the found file's specification, when it exists; false leaves
// `file` as it was. A category or file name that cannot be a single name on disk ("..", a leading ".", NUL,
// empty) finds nothing, and so does a file whose real path (links followed) lies outside the graphics folder.
// The flag is not consulted.
bool IsExistingOverlayFile(FSSpec& file, const Str31& category, bool unused = false);
// The group photos' name for the same search.
bool IsExistingGroupPhotoFile(FSSpec& file, const Str31& category);

// The graphic `name` of `category` read into a new offscreen; null when either name has 32 characters or more,
// or the file is missing or cannot be read. The flag is not consulted.
[[nodiscard]] OffscreenPtr getGraphicOnOffscreen(const CStr255_AC& name, const CStr255_AC& category,
                                                 bool unused = false);

}  // namespace vorl
