// Small settings files read and written whole: the user defaults, the encrypted store, the relaunch entry.
//
// A new version is written to a temporary file in the same folder, flushed to the disk and renamed over the
// old one, so a reader (or a crash) sees the old file or the new one, never half of one. A file that cannot be
// understood is set aside under another name rather than overwritten, so nothing the operator had is lost.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "platform/os_errors.h"

namespace vorl {

// The whole file; fnfErr when it does not exist, paramErr when it is larger than `limit` bytes.
OSErr readWholeFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes, std::size_t limit = 64u << 20);

// Writes the bytes as the file's new content (through `writeFileAtomically`) with the given permission bits.
// The folder must exist. On failure the old file is untouched and no temporary file is left.
OSErr replaceFileAtomically(const std::filesystem::path& file, std::span<const std::uint8_t> bytes, mode_t mode);
OSErr replaceFileAtomically(const std::filesystem::path& file, std::string_view text, mode_t mode);

// Renames the file to "<name>.<tag>-<yyyyMMdd-HHmmss>" beside it (a number is added when that is taken; an
// existing file is never replaced) and answers the new path in `setAside`.
OSErr setFileAside(const std::filesystem::path& file, std::string_view tag, std::filesystem::path& setAside);

}  // namespace vorl
