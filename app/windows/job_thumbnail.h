// The thumbnail a job file carries: its QuickTime preview resource names a picture resource in the same fork.
//
// The resource fork lives in the job file's AppleDouble sidecar "._<name>". The preview record ('pnot' 0) is
// 12 bytes, big-endian: modification date (u32), version (u16), resource type (four characters), resource id
// (u16). The 'PICT' resource of that id is drawn into an image. The type field is not tested.
#pragma once

#include <QImage>
#include <filesystem>

#include "platform/core/mac_types.h"

namespace vorl {

// The job file's thumbnail; a null image (and the log line "getThumbnailResourceFromFile has NO picHandle") when
// the file has no preview record or picture, or the picture does not draw.
QImage getThumbnailResourceFromFile(const std::filesystem::path& jobFile);
QImage getThumbnailResourceFromFile(const FSSpec& jobFile);

}  // namespace vorl
