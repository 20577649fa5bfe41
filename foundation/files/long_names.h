// The long name of a file named by a file specification.
#pragma once

#include "platform/core/mac_types.h"

namespace vorl {

// The name the file's folder lists for it, in Mac Roman ("^" for characters with no Mac Roman form), cut to
// 255 characters; the file specification's own short name when the file or its folder cannot be found. Logs nothing.
Str255 fsSpecToRealName(const FSSpec& spec);

}  // namespace vorl
