// Emptying folders of their files. Folders themselves are never deleted, and no walk leaves the folder it was
// given (symbolic links are deleted as files, never followed).
#pragma once

#include "platform/core/mac_types.h"

namespace vorl {

// Deletes every visible file directly in the folder, unlocking it first; sub-folders and their contents stay.
// Invisible files stay too, except ".DS_Store" (any letter case), which goes silently. Each deletion is logged
// and each failure shown. A volume or disk that is locked stops the emptying at the first file (vLckdErr,
// wPrErr). Answers the first failure, or 0.
OSErr deleteAllFilesInFolder(const FSSpec& folder);

// For each visible sub-folder of the folder, `specialDeleteAllFilesInFolder2`; files directly in the folder stay.
OSErr deleteAllFilesInSubFolders(const FSSpec& folder);

// Deletes every visible file in the folder and, emptying them the same way, in all its sub-folders (visible or
// not); invisible files stay. Answers the first failure, or 0.
OSErr specialDeleteAllFilesInFolder2(const FSSpec& folder);

}  // namespace vorl
