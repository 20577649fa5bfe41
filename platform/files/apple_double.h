// Finder information and resource forks in AppleDouble sidecar files.
//
// A Mac file carried its type, creator and Finder flags (the invisible flag among them) beside its data, and a
// resource fork that later code fills with 'Pref' resources of image files. Here both live in the sidecar
// "._<name>" next to the file, in the AppleDouble format that Macs write on foreign disks, so they travel with
// the file to and from the studio's Macs:
//
//   0  magic 0x00051607, 4 version 0x00020000, 8 sixteen filler bytes, 24 entry count,
//   26 entries of (id, offset, length), all numbers big-endian;
//   entry 9: the 32 bytes of Finder information; entry 2: the resource fork.
//
// The resource fork has the classic layout: a 16-byte header (data offset, map offset, data length, map length),
// the resource data (each a 32-bit length and its bytes), then the map with its type list, reference lists and
// name list. Reading is strict: a sidecar whose offsets, lengths or counts do not fit is refused as a whole with
// mapReadErr and left as it is, never rewritten. Entries other than these two are kept as they are; Finder
// information longer than 32 bytes (macOS appends extended attributes there) keeps only its first 32.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/mac_types.h"

namespace vorl {

// The Finder's flags word: the item is not shown.
inline constexpr std::uint16_t kIsInvisible = 0x4000;

// The first 16 of the 32 bytes of Finder information.
struct FInfo {
  OSType fdType = 0;
  OSType fdCreator = 0;
  std::uint16_t fdFlags = 0;
  std::int16_t fdLocationV = 0;
  std::int16_t fdLocationH = 0;
  std::int16_t fdFldr = 0;

  bool operator==(const FInfo&) const = default;
};

struct Resource {
  OSType type = 0;
  std::int16_t id = 0;
  std::uint8_t attributes = 0;
  std::optional<std::string> name;  // Mac Roman, at most 255 characters
  std::vector<std::uint8_t> data;
};

// An entry the program does not use, kept byte for byte.
struct AppleDoubleEntry {
  std::uint32_t id = 0;
  std::vector<std::uint8_t> bytes;
};

struct AppleDouble {
  std::array<std::uint8_t, 32> finderInfo{};  // as stored: FInfo, then the extended Finder information
  std::vector<Resource> resources;
  std::vector<AppleDoubleEntry> otherEntries;

  FInfo finder() const noexcept;
  void setFinder(const FInfo& info) noexcept;
  // True when there is nothing to keep: no Finder information, no resources, no other entries.
  bool empty() const noexcept;
  Resource* find(OSType type, std::int16_t id) noexcept;
};

// Decoding and encoding; mapReadErr for malformed bytes. Encoding fails with paramErr when the resources do not
// fit the map's 16-bit and 24-bit offsets (about 16 MB of data).
OSErr parseAppleDouble(std::span<const std::uint8_t> bytes, AppleDouble& sidecar);
OSErr serializeAppleDouble(const AppleDouble& sidecar, std::vector<std::uint8_t>& bytes);
OSErr parseResourceFork(std::span<const std::uint8_t> fork, std::vector<Resource>& resources);
OSErr serializeResourceFork(const std::vector<Resource>& resources, std::vector<std::uint8_t>& fork);

// "<folder>/._<name>".
std::filesystem::path appleDoublePath(const std::filesystem::path& file);
// True for a name of the form "._<name>": such a file is part of another, not an item of its own.
bool isAppleDoubleName(std::string_view diskName) noexcept;

// The file's sidecar, empty when it has none; fnfErr when the file itself does not exist.
OSErr readAppleDouble(const std::filesystem::path& file, AppleDouble& sidecar);
// Writes the sidecar through a temporary file, or removes it when it holds nothing; fnfErr when the file itself
// does not exist (no sidecar is made for nothing).
OSErr writeAppleDouble(const std::filesystem::path& file, const AppleDouble& sidecar);

// Zeros when the file has no sidecar.
OSErr getFinderInfo(const std::filesystem::path& file, FInfo& info);
OSErr setFinderInfo(const std::filesystem::path& file, const FInfo& info);

// resNotFound when the file has no such resource.
OSErr readResource(const std::filesystem::path& file, OSType type, std::int16_t id, std::vector<std::uint8_t>& data);
// Adds the resource or replaces its data (and name, when one is given).
OSErr writeResource(const std::filesystem::path& file, OSType type, std::int16_t id, std::span<const std::uint8_t> data,
                    std::optional<std::string_view> name = std::nullopt);
OSErr deleteResource(const std::filesystem::path& file, OSType type, std::int16_t id);

}  // namespace vorl
