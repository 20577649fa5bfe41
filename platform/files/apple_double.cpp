#include "platform/files/apple_double.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <utility>

#include "platform/files/safe_files.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

constexpr std::uint32_t kMagic = 0x00051607;
constexpr std::uint32_t kVersion2 = 0x00020000;
constexpr std::uint32_t kVersion1 = 0x00010000;
constexpr std::size_t kHeaderSize = 26;
constexpr std::size_t kDescriptorSize = 12;
constexpr std::uint32_t kResourceForkEntry = 2;
constexpr std::uint32_t kFinderInfoEntry = 9;
constexpr std::size_t kFinderInfoSize = 32;
// No sidecar of ours comes near this; a larger one is not read into memory.
constexpr std::size_t kSidecarLimit = 64u << 20;

// Resource fork layout.
constexpr std::size_t kForkHeaderSize = 16;
constexpr std::size_t kForkDataStart = 256;  // the header and the reserved system and application bytes
constexpr std::size_t kMapHeaderSize = 28;   // header copy, next-map handle, file reference, attributes, 2 offsets
constexpr std::size_t kTypeEntrySize = 8;
constexpr std::size_t kReferenceSize = 12;
constexpr std::uint16_t kNoName = 0xFFFF;

std::uint16_t get16(std::span<const std::uint8_t> b, std::size_t at) noexcept {
  return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}
std::uint32_t get24(std::span<const std::uint8_t> b, std::size_t at) noexcept {
  return static_cast<std::uint32_t>(b[at]) << 16 | static_cast<std::uint32_t>(b[at + 1]) << 8 | b[at + 2];
}
std::uint32_t get32(std::span<const std::uint8_t> b, std::size_t at) noexcept {
  return static_cast<std::uint32_t>(get16(b, at)) << 16 | get16(b, at + 2);
}

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  out[at] = static_cast<std::uint8_t>(value >> 8);
  out[at + 1] = static_cast<std::uint8_t>(value);
}
void put24(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  out[at] = static_cast<std::uint8_t>(value >> 16);
  put16(out, at + 1, value);
}
void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  put16(out, at, value >> 16);
  put16(out, at + 2, value);
}
void append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.resize(out.size() + 4);
  put32(out, out.size() - 4, value);
}

// True when [offset, offset + length) lies within `size` (no overflow: all values fit in 64 bits).
bool within(std::uint64_t offset, std::uint64_t length, std::uint64_t size) noexcept {
  return offset <= size && length <= size - offset;
}

}  // namespace

FInfo AppleDouble::finder() const noexcept {
  const std::span<const std::uint8_t> b(finderInfo);
  return FInfo{get32(b, 0),
               get32(b, 4),
               get16(b, 8),
               static_cast<std::int16_t>(get16(b, 10)),
               static_cast<std::int16_t>(get16(b, 12)),
               static_cast<std::int16_t>(get16(b, 14))};
}

void AppleDouble::setFinder(const FInfo& info) noexcept {
  std::vector<std::uint8_t> b(16);
  put32(b, 0, info.fdType);
  put32(b, 4, info.fdCreator);
  put16(b, 8, info.fdFlags);
  put16(b, 10, static_cast<std::uint16_t>(info.fdLocationV));
  put16(b, 12, static_cast<std::uint16_t>(info.fdLocationH));
  put16(b, 14, static_cast<std::uint16_t>(info.fdFldr));
  std::copy(b.begin(), b.end(), finderInfo.begin());
}

bool AppleDouble::empty() const noexcept {
  return std::all_of(finderInfo.begin(), finderInfo.end(), [](std::uint8_t b) { return b == 0; }) &&
         resources.empty() && otherEntries.empty();
}

Resource* AppleDouble::find(OSType type, std::int16_t id) noexcept {
  const auto found =
      std::find_if(resources.begin(), resources.end(), [&](const Resource& r) { return r.type == type && r.id == id; });
  return found == resources.end() ? nullptr : &*found;
}

OSErr parseResourceFork(std::span<const std::uint8_t> fork, std::vector<Resource>& resources) {
  resources.clear();
  if (fork.empty()) return noErr;
  if (fork.size() < kForkHeaderSize) return mapReadErr;
  const std::uint32_t dataOffset = get32(fork, 0), mapOffset = get32(fork, 4);
  const std::uint32_t dataLength = get32(fork, 8), mapLength = get32(fork, 12);
  if (!within(dataOffset, dataLength, fork.size()) || !within(mapOffset, mapLength, fork.size()) ||
      mapLength < kMapHeaderSize + 2)
    return mapReadErr;
  const auto data = fork.subspan(dataOffset, dataLength);
  const auto map = fork.subspan(mapOffset, mapLength);
  const std::size_t typeList = get16(map, 24), nameList = get16(map, 26);
  if (!within(typeList, 2, map.size()) || nameList > map.size()) return mapReadErr;
  const std::size_t typeCount = (get16(map, typeList) + 1u) & 0xFFFFu;
  if (!within(typeList + 2, typeCount * kTypeEntrySize, map.size())) return mapReadErr;

  std::vector<Resource> read;
  std::set<std::pair<OSType, std::int16_t>> seen;
  for (std::size_t t = 0; t < typeCount; ++t) {
    const std::size_t entry = typeList + 2 + t * kTypeEntrySize;
    const OSType type = get32(map, entry);
    const std::size_t count = get16(map, entry + 4) + 1u;
    const std::size_t references = typeList + get16(map, entry + 6);
    if (!within(references, count * kReferenceSize, map.size())) return mapReadErr;
    for (std::size_t r = 0; r < count; ++r) {
      const std::size_t reference = references + r * kReferenceSize;
      Resource resource;
      resource.type = type;
      resource.id = static_cast<std::int16_t>(get16(map, reference));
      if (!seen.insert({type, resource.id}).second) return mapReadErr;
      if (const std::uint16_t nameOffset = get16(map, reference + 2); nameOffset != kNoName) {
        const std::size_t at = nameList + nameOffset;
        if (!within(at, 1, map.size()) || !within(at + 1, map[at], map.size())) return mapReadErr;
        resource.name.emplace(reinterpret_cast<const char*>(map.data() + at + 1), map[at]);
      }
      resource.attributes = map[reference + 4];
      const std::uint32_t at = get24(map, reference + 5);
      if (!within(at, 4, data.size()) || !within(at + 4u, get32(data, at), data.size())) return mapReadErr;
      const auto bytes = data.subspan(at + 4, get32(data, at));
      resource.data.assign(bytes.begin(), bytes.end());
      read.push_back(std::move(resource));
    }
  }
  resources = std::move(read);
  return noErr;
}

OSErr serializeResourceFork(const std::vector<Resource>& resources, std::vector<std::uint8_t>& fork) {
  fork.clear();
  if (resources.empty()) return noErr;
  // One type-list entry per type, references in id order; a stable order makes equal forks equal bytes.
  std::map<OSType, std::vector<const Resource*>> byType;
  for (const Resource& resource : resources) byType[resource.type].push_back(&resource);
  for (auto& [type, list] : byType)
    std::sort(list.begin(), list.end(), [](const Resource* a, const Resource* b) { return a->id < b->id; });

  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> names;
  std::map<const Resource*, std::pair<std::uint32_t, std::uint16_t>> placed;  // data offset, name offset
  for (const auto& [type, list] : byType)
    for (const Resource* resource : list) {
      if (data.size() > 0xFFFFFFu || resource->data.size() > 0xFFFFFFFFu) return paramErr;
      std::uint16_t nameOffset = kNoName;
      if (resource->name) {
        if (resource->name->size() > 255 || names.size() >= kNoName) return paramErr;
        nameOffset = static_cast<std::uint16_t>(names.size());
        names.push_back(static_cast<std::uint8_t>(resource->name->size()));
        names.insert(names.end(), resource->name->begin(), resource->name->end());
      }
      placed[resource] = {static_cast<std::uint32_t>(data.size()), nameOffset};
      append32(data, static_cast<std::uint32_t>(resource->data.size()));
      data.insert(data.end(), resource->data.begin(), resource->data.end());
    }

  const std::size_t typeListSize = 2 + byType.size() * kTypeEntrySize + resources.size() * kReferenceSize;
  const std::size_t mapLength = kMapHeaderSize + typeListSize + names.size();
  if (kMapHeaderSize + typeListSize > 0xFFFF || byType.size() > 0x10000) return paramErr;
  std::vector<std::uint8_t> map(mapLength);
  put16(map, 24, kMapHeaderSize);
  put16(map, 26, static_cast<std::uint32_t>(kMapHeaderSize + typeListSize));
  put16(map, kMapHeaderSize, static_cast<std::uint32_t>(byType.size() - 1));
  std::size_t entry = kMapHeaderSize + 2;
  std::size_t reference = 2 + byType.size() * kTypeEntrySize;  // from the start of the type list
  for (const auto& [type, list] : byType) {
    if (list.size() > 0x10000) return paramErr;
    put32(map, entry, type);
    put16(map, entry + 4, static_cast<std::uint32_t>(list.size() - 1));
    put16(map, entry + 6, static_cast<std::uint32_t>(reference));
    entry += kTypeEntrySize;
    for (const Resource* resource : list) {
      const std::size_t at = kMapHeaderSize + reference;
      put16(map, at, static_cast<std::uint16_t>(resource->id));
      put16(map, at + 2, placed[resource].second);
      map[at + 4] = resource->attributes;
      put24(map, at + 5, placed[resource].first);
      reference += kReferenceSize;
    }
  }
  std::copy(names.begin(), names.end(), map.begin() + static_cast<std::ptrdiff_t>(kMapHeaderSize + typeListSize));

  fork.assign(kForkDataStart, 0);
  put32(fork, 0, kForkDataStart);
  put32(fork, 4, static_cast<std::uint32_t>(kForkDataStart + data.size()));
  put32(fork, 8, static_cast<std::uint32_t>(data.size()));
  put32(fork, 12, static_cast<std::uint32_t>(map.size()));
  std::copy_n(fork.begin(), kForkHeaderSize, map.begin());  // the map starts with a copy of the header
  fork.insert(fork.end(), data.begin(), data.end());
  fork.insert(fork.end(), map.begin(), map.end());
  return noErr;
}

OSErr parseAppleDouble(std::span<const std::uint8_t> bytes, AppleDouble& sidecar) {
  if (bytes.size() < kHeaderSize || get32(bytes, 0) != kMagic) return mapReadErr;
  if (const std::uint32_t version = get32(bytes, 4); version != kVersion2 && version != kVersion1) return mapReadErr;
  const std::size_t count = get16(bytes, 24);
  const std::size_t entriesEnd = kHeaderSize + count * kDescriptorSize;
  if (entriesEnd > bytes.size()) return mapReadErr;

  AppleDouble read;
  std::set<std::uint32_t> seen;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t descriptor = kHeaderSize + i * kDescriptorSize;
    const std::uint32_t id = get32(bytes, descriptor);
    const std::uint32_t offset = get32(bytes, descriptor + 4), length = get32(bytes, descriptor + 8);
    if (id == 0 || !seen.insert(id).second || offset < entriesEnd || !within(offset, length, bytes.size()))
      return mapReadErr;
    const auto entry = bytes.subspan(offset, length);
    if (id == kFinderInfoEntry) {
      if (entry.size() < kFinderInfoSize) return mapReadErr;
      std::copy_n(entry.begin(), kFinderInfoSize, read.finderInfo.begin());
    } else if (id == kResourceForkEntry) {
      if (const OSErr error = parseResourceFork(entry, read.resources); error != noErr) return error;
    } else {
      read.otherEntries.push_back({id, std::vector<std::uint8_t>(entry.begin(), entry.end())});
    }
  }
  sidecar = std::move(read);
  return noErr;
}

OSErr serializeAppleDouble(const AppleDouble& sidecar, std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> fork;
  if (const OSErr error = serializeResourceFork(sidecar.resources, fork); error != noErr) return error;
  std::vector<std::pair<std::uint32_t, std::span<const std::uint8_t>>> entries;
  entries.emplace_back(kFinderInfoEntry, sidecar.finderInfo);
  if (!fork.empty()) entries.emplace_back(kResourceForkEntry, fork);
  for (const AppleDoubleEntry& other : sidecar.otherEntries) entries.emplace_back(other.id, other.bytes);

  std::vector<std::uint8_t> out(kHeaderSize + entries.size() * kDescriptorSize);
  put32(out, 0, kMagic);
  put32(out, 4, kVersion2);
  put16(out, 24, static_cast<std::uint32_t>(entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::size_t descriptor = kHeaderSize + i * kDescriptorSize;
    if (out.size() + entries[i].second.size() > 0xFFFFFFFFu) return paramErr;
    put32(out, descriptor, entries[i].first);
    put32(out, descriptor + 4, static_cast<std::uint32_t>(out.size()));
    put32(out, descriptor + 8, static_cast<std::uint32_t>(entries[i].second.size()));
    out.insert(out.end(), entries[i].second.begin(), entries[i].second.end());
  }
  bytes = std::move(out);
  return noErr;
}

fs::path appleDoublePath(const fs::path& file) { return file.parent_path() / ("._" + file.filename().string()); }

bool isAppleDoubleName(std::string_view diskName) noexcept { return diskName.size() > 2 && diskName.starts_with("._"); }

OSErr readAppleDouble(const fs::path& file, AppleDouble& sidecar) {
  if (!itemExists(file)) return osErrFromErrno(errno);
  std::vector<std::uint8_t> bytes;
  const OSErr error = readFileBytes(appleDoublePath(file), bytes, kSidecarLimit);
  // A name too long for the "._" prefix cannot have a sidecar, so it has none.
  if (error == fnfErr || error == bdNamErr) {
    sidecar = AppleDouble{};
    return noErr;
  }
  if (error == paramErr) return mapReadErr;
  if (error != noErr) return error;
  return parseAppleDouble(bytes, sidecar);
}

OSErr writeAppleDouble(const fs::path& file, const AppleDouble& sidecar) {
  if (!itemExists(file)) return osErrFromErrno(errno);
  const fs::path path = appleDoublePath(file);
  if (sidecar.empty()) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return osErrFromErrno(errno);
    return noErr;
  }
  std::vector<std::uint8_t> bytes;
  if (const OSErr error = serializeAppleDouble(sidecar, bytes); error != noErr) return error;
  return writeFileAtomically(path, bytes, true);
}

OSErr getFinderInfo(const fs::path& file, FInfo& info) {
  AppleDouble sidecar;
  if (const OSErr error = readAppleDouble(file, sidecar); error != noErr) return error;
  info = sidecar.finder();
  return noErr;
}

OSErr setFinderInfo(const fs::path& file, const FInfo& info) {
  AppleDouble sidecar;
  if (const OSErr error = readAppleDouble(file, sidecar); error != noErr) return error;
  sidecar.setFinder(info);
  return writeAppleDouble(file, sidecar);
}

OSErr readResource(const fs::path& file, OSType type, std::int16_t id, std::vector<std::uint8_t>& data) {
  AppleDouble sidecar;
  if (const OSErr error = readAppleDouble(file, sidecar); error != noErr) return error;
  const Resource* resource = sidecar.find(type, id);
  if (!resource) return resNotFound;
  data = resource->data;
  return noErr;
}

OSErr writeResource(const fs::path& file, OSType type, std::int16_t id, std::span<const std::uint8_t> data,
                    std::optional<std::string_view> name) {
  if (name && name->size() > 255) return paramErr;
  AppleDouble sidecar;
  if (const OSErr error = readAppleDouble(file, sidecar); error != noErr) return error;
  Resource* resource = sidecar.find(type, id);
  if (!resource) {
    sidecar.resources.push_back(Resource{type, id, 0, std::nullopt, {}});
    resource = &sidecar.resources.back();
  }
  resource->data.assign(data.begin(), data.end());
  if (name) resource->name.emplace(*name);
  return writeAppleDouble(file, sidecar);
}

OSErr deleteResource(const fs::path& file, OSType type, std::int16_t id) {
  AppleDouble sidecar;
  if (const OSErr error = readAppleDouble(file, sidecar); error != noErr) return error;
  const auto before = sidecar.resources.size();
  std::erase_if(sidecar.resources, [&](const Resource& r) { return r.type == type && r.id == id; });
  if (sidecar.resources.size() == before) return resNotFound;
  return writeAppleDouble(file, sidecar);
}

}  // namespace vorl
