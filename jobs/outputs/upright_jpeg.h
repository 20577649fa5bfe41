// The upright JPEG of a saved original, and how any new output file takes its final name.
//
// A photograph whose EXIF orientation says it lies on its side (or mirrored) is written anew as it should be
// seen: the pixels turned, the orientation tag 1, so every reader shows it alike whether it honours the tag or
// not. The file is written complete under a temporary name in its folder and only then renamed, so the folder
// never shows half a picture under the final name.
#pragma once

#include <cstdint>
#include <filesystem>

#include "imaging/codecs/codec_support.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/core/os_errors.h"

namespace vorl {

// A baseline JPEG of the picture at full quality, with `resolution` dots per inch in its JFIF header and in an
// EXIF block that also says orientation 1 (and a resolution of 72 for 0 or less). kImageDataErr (logged) when
// it cannot be encoded.
[[nodiscard]] OSErr encodeUprightJpeg(const Offscreen& upright, std::int16_t resolution, codec::Bytes& out);

// Writes the bytes as a new file at `destination`. With `overwrite` a file of that name is replaced by the
// rename of the complete new one; without it the first free " copy" name beside it is taken (and answered in
// `written`). On failure (a full disk, a folder that cannot be written, no free name) nothing is left under any
// final name and the error is answered.
[[nodiscard]] OSErr writeNewOutputFile(const codec::Bytes& bytes, const std::filesystem::path& destination,
                                       bool overwrite, std::filesystem::path& written);

}  // namespace vorl
