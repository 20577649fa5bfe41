// Turning a file or folder name taken from a job file into a name on disk.
//
// Job files name photos, overlays, group photos, nested layouts and output folders by Mac Roman names, and the
// program appends those names to folders it then reads, writes and deletes in. A name that is empty, is "." or
// "..", starts with "." or holds a NUL would step out of its folder, hide its file or cut the path short, so it
// never becomes a path component; every path built from a job-file name goes through here. A "/" in a Mac name
// is ":" on disk, as the Mac itself showed it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text/pascal_string.h"

namespace vorl {

// The UTF-8 disk name, or nothing when the name is refused.
std::optional<std::string> diskNameFromJobFile(std::string_view macRoman);

template <std::size_t Capacity>
std::optional<std::string> diskNameFromJobFile(const PascalString<Capacity>& name) {
  return diskNameFromJobFile(name.macRoman());
}

// The path of the named item inside `folder`, or nothing when the name is refused.
template <std::size_t Capacity>
std::optional<std::filesystem::path> pathInFolder(const std::filesystem::path& folder,
                                                  const PascalString<Capacity>& name) {
  std::optional<std::string> diskName = diskNameFromJobFile(name);
  if (!diskName) return std::nullopt;
  return folder / *diskName;
}

}  // namespace vorl
