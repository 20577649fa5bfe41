// AppleDouble sidecars. Sidecars for the decoding tests are built here from the offsets of the file layout with the
// test's own encoder, laid out as a Mac writes them, so a mistake in the reader is not mirrored by the writer.
#include "platform/files/apple_double.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files/safe_files.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& b, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
}

struct FixtureResource {
  const char* type;
  std::int16_t id;
  const char* name;  // null: none
  Bytes data;
};

// One type, its references in the given order; data area at 256 as the Resource Manager leaves it.
Bytes encodeFork(const std::vector<FixtureResource>& resources) {
  Bytes data, names;
  std::vector<std::pair<std::uint32_t, int>> placed;
  for (const auto& r : resources) {
    const auto dataOffset = static_cast<std::uint32_t>(data.size());
    data.resize(data.size() + 4);
    put(data, dataOffset, static_cast<std::uint32_t>(r.data.size()), 4);
    data.insert(data.end(), r.data.begin(), r.data.end());
    int nameOffset = -1;
    if (r.name) {
      nameOffset = static_cast<int>(names.size());
      names.push_back(static_cast<std::uint8_t>(std::string(r.name).size()));
      names.insert(names.end(), r.name, r.name + std::string(r.name).size());
    }
    placed.emplace_back(dataOffset, nameOffset);
  }
  const std::size_t typeList = 28, references = 2 + 8;  // one type
  const std::size_t nameList = typeList + references + 12 * resources.size();
  Bytes map(nameList + names.size());
  put(map, 24, typeList, 2);
  put(map, 26, nameList, 2);
  put(map, typeList, 0, 2);  // one type, stored as count - 1
  for (int i = 0; i < 4; ++i) map[typeList + 2 + i] = static_cast<std::uint8_t>(resources[0].type[i]);
  put(map, typeList + 6, static_cast<std::uint32_t>(resources.size() - 1), 2);
  put(map, typeList + 8, references, 2);
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const std::size_t at = typeList + references + 12 * i;
    put(map, at, static_cast<std::uint16_t>(resources[i].id), 2);
    put(map, at + 2, placed[i].second < 0 ? 0xFFFF : static_cast<std::uint32_t>(placed[i].second), 2);
    put(map, at + 5, placed[i].first, 3);
  }
  std::copy(names.begin(), names.end(), map.begin() + static_cast<std::ptrdiff_t>(nameList));
  Bytes fork(256);
  put(fork, 0, 256, 4);
  put(fork, 4, static_cast<std::uint32_t>(256 + data.size()), 4);
  put(fork, 8, static_cast<std::uint32_t>(data.size()), 4);
  put(fork, 12, static_cast<std::uint32_t>(map.size()), 4);
  fork.insert(fork.end(), data.begin(), data.end());
  fork.insert(fork.end(), map.begin(), map.end());
  return fork;
}

// Finder information first (entry 9 at 50), then the resource fork (entry 2), as macOS writes them.
Bytes encodeSidecar(const Bytes& finderInfo, const Bytes& fork) {
  Bytes b(50);
  put(b, 0, 0x00051607, 4);
  put(b, 4, 0x00020000, 4);
  put(b, 24, 2, 2);
  put(b, 26, 9, 4);
  put(b, 30, 50, 4);
  put(b, 34, static_cast<std::uint32_t>(finderInfo.size()), 4);
  put(b, 38, 2, 4);
  put(b, 42, static_cast<std::uint32_t>(50 + finderInfo.size()), 4);
  put(b, 46, static_cast<std::uint32_t>(fork.size()), 4);
  b.insert(b.end(), finderInfo.begin(), finderInfo.end());
  b.insert(b.end(), fork.begin(), fork.end());
  return b;
}

Bytes jpegFinderInfo() {
  Bytes info(32);
  const char* code = "JPEG8BIM";
  std::copy(code, code + 8, info.begin());
  put(info, 8, kIsInvisible, 2);
  return info;
}

const std::vector<FixtureResource> kPrefs = {
    {"Pref", 5000, "Image Properties", {1, 2, 3}},
    {"Pref", 5002, nullptr, {}},
    {"Pref", -3, "CK Image Properties", Bytes(300, 0xAB)},
};

Bytes validSidecar() { return encodeSidecar(jpegFinderInfo(), encodeFork(kPrefs)); }

void writeBytes(const fs::path& file, const Bytes& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readBytes(const fs::path& file) {
  Bytes bytes;
  EXPECT_EQ(readFileBytes(file, bytes, 1 << 20), noErr);
  return bytes;
}

TEST(AppleDouble, ReadsWhatAMacWrites) {
  AppleDouble sidecar;
  ASSERT_EQ(parseAppleDouble(validSidecar(), sidecar), noErr);
  const FInfo finder = sidecar.finder();
  EXPECT_EQ(finder.fdType, fourCharCode("JPEG"));
  EXPECT_EQ(finder.fdCreator, fourCharCode("8BIM"));
  EXPECT_EQ(finder.fdFlags, kIsInvisible);
  ASSERT_EQ(sidecar.resources.size(), 3u);
  for (const auto& expected : kPrefs) {
    SCOPED_TRACE(expected.id);
    const Resource* found = sidecar.find(fourCharCode("Pref"), expected.id);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->data, expected.data);
    EXPECT_EQ(found->name.has_value(), expected.name != nullptr);
    if (expected.name) {
      EXPECT_EQ(*found->name, expected.name);
    }
  }
}

// What we write reads back, and its header sits where the format puts it.
TEST(AppleDouble, WrittenSidecarKeepsTheFormat) {
  AppleDouble original;
  ASSERT_EQ(parseAppleDouble(validSidecar(), original), noErr);
  original.otherEntries.push_back({3, {'n', 'a', 'm', 'e'}});
  Bytes bytes;
  ASSERT_EQ(serializeAppleDouble(original, bytes), noErr);
  ASSERT_GE(bytes.size(), 26u);
  EXPECT_EQ((Bytes{bytes.begin(), bytes.begin() + 8}), (Bytes{0x00, 0x05, 0x16, 0x07, 0x00, 0x02, 0x00, 0x00}));
  // The first entry is the Finder information, 32 bytes, its type at the entry's offset.
  EXPECT_EQ((Bytes{bytes.begin() + 26, bytes.begin() + 30}), (Bytes{0, 0, 0, 9}));
  const std::size_t offset = std::size_t(bytes[30]) << 24 | bytes[31] << 16 | bytes[32] << 8 | bytes[33];
  EXPECT_EQ(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                        bytes.begin() + static_cast<std::ptrdiff_t>(offset) + 8),
            "JPEG8BIM");

  AppleDouble again;
  ASSERT_EQ(parseAppleDouble(bytes, again), noErr);
  EXPECT_EQ(again.finderInfo, original.finderInfo);
  ASSERT_EQ(again.resources.size(), original.resources.size());
  for (const Resource& resource : original.resources) {
    const Resource* found = again.find(resource.type, resource.id);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->data, resource.data);
    EXPECT_EQ(found->name, resource.name);
  }
  ASSERT_EQ(again.otherEntries.size(), 1u);
  EXPECT_EQ(again.otherEntries[0].bytes, (Bytes{'n', 'a', 'm', 'e'}));
}

TEST(AppleDouble, RefusesMalformedSidecars) {
  // The fork starts at 82: 26 header bytes, two 12-byte descriptors, 32 bytes of Finder information.
  const std::size_t forkAt = 50 + 32;
  const auto forkMap = [&](const Bytes& b) {  // offset of the map inside the sidecar
    return forkAt + (std::size_t(b[forkAt + 4]) << 24 | b[forkAt + 5] << 16 | b[forkAt + 6] << 8 | b[forkAt + 7]);
  };
  const struct {
    const char* what;
    void (*spoil)(Bytes& b, std::size_t mapAt);
  } cases[] = {
      {"wrong magic", [](Bytes& b, std::size_t) { b[3] = 0x08; }},
      {"unknown version", [](Bytes& b, std::size_t) { b[5] = 0x03; }},
      {"more entries than bytes", [](Bytes& b, std::size_t) { put(b, 24, 0x4000, 2); }},
      {"entry past the end", [](Bytes& b, std::size_t) { put(b, 46, static_cast<std::uint32_t>(b.size()), 4); }},
      {"entry inside the header", [](Bytes& b, std::size_t) { put(b, 30, 10, 4); }},
      {"short Finder information", [](Bytes& b, std::size_t) { put(b, 34, 16, 4); }},
      {"two Finder information entries", [](Bytes& b, std::size_t) { put(b, 38, 9, 4); }},
      {"fork map past the fork", [](Bytes& b, std::size_t) { put(b, 82 + 4, 0x7FFFFFF0, 4); }},
      {"fork data past the fork", [](Bytes& b, std::size_t) { put(b, 82 + 8, 0x00FFFFFF, 4); }},
      {"too many types", [](Bytes& b, std::size_t m) { put(b, m + 28, 0x0100, 2); }},
      {"too many references", [](Bytes& b, std::size_t m) { put(b, m + 28 + 6, 0x0200, 2); }},
      {"reference list past the map", [](Bytes& b, std::size_t m) { put(b, m + 28 + 8, 0xFFF0, 2); }},
      {"data offset past the data", [](Bytes& b, std::size_t m) { put(b, m + 28 + 10 + 5, 0xFFFFF0, 3); }},
      {"data length past the data", [](Bytes& b, std::size_t) { put(b, 82 + 256, 0x10000000, 4); }},
      {"name past the map", [](Bytes& b, std::size_t m) { put(b, m + 28 + 10 + 2, 0x7FF0, 2); }},
      {"the same resource twice", [](Bytes& b, std::size_t m) { put(b, m + 28 + 10 + 12, 5000, 2); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = validSidecar();
    c.spoil(bytes, forkMap(bytes));
    AppleDouble sidecar;
    EXPECT_EQ(parseAppleDouble(bytes, sidecar), mapReadErr);
  }
}

// Every cut short version of a valid sidecar is refused, never read past its end.
TEST(AppleDouble, RefusesEveryTruncation) {
  const Bytes full = validSidecar();
  for (std::size_t length = 0; length < full.size(); ++length) {
    AppleDouble sidecar;
    ASSERT_EQ(parseAppleDouble(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)), sidecar),
              mapReadErr)
        << "cut at " << length;
  }
}

TEST(AppleDouble, ResourcesOfAFile) {
  const fs::path file = test::makeTempFolder("ad") / "IMG 0001.jpg";
  writeBytes(file, {0xFF, 0xD8});
  const OSType pref = fourCharCode("Pref");
  Bytes data;
  EXPECT_EQ(readResource(file, pref, 5000, data), resNotFound);

  ASSERT_EQ(writeResource(file, pref, 5000, Bytes{1, 2, 3}, "Image Properties"), noErr);
  ASSERT_EQ(writeResource(file, pref, 5003, Bytes(11340, 7)), noErr);
  ASSERT_EQ(writeResource(file, pref, 5000, Bytes{9}), noErr);  // replaces the data, keeps the name
  EXPECT_TRUE(fs::exists(appleDoublePath(file)));
  EXPECT_EQ(appleDoublePath(file).filename(), "._IMG 0001.jpg");

  ASSERT_EQ(readResource(file, pref, 5000, data), noErr);
  EXPECT_EQ(data, Bytes{9});
  AppleDouble sidecar;
  ASSERT_EQ(readAppleDouble(file, sidecar), noErr);
  EXPECT_EQ(sidecar.find(pref, 5000)->name, "Image Properties");
  ASSERT_EQ(readResource(file, pref, 5003, data), noErr);
  EXPECT_EQ(data, Bytes(11340, 7));

  EXPECT_EQ(deleteResource(file, pref, 5000), noErr);
  EXPECT_EQ(deleteResource(file, pref, 5000), resNotFound);
  EXPECT_EQ(deleteResource(file, pref, 5003), noErr);
  // Nothing left to keep: the sidecar goes, and the file itself stays as it was.
  EXPECT_FALSE(fs::exists(appleDoublePath(file)));
  EXPECT_EQ(readBytes(file), (Bytes{0xFF, 0xD8}));
}

TEST(AppleDouble, FinderInformationOfAFile) {
  const fs::path folder = test::makeTempFolder("finder");
  const fs::path file = folder / "Vorl-Zeverezoz Count";
  writeBytes(file, {});
  FInfo info;
  ASSERT_EQ(getFinderInfo(file, info), noErr);
  EXPECT_EQ(info, FInfo{});
  ASSERT_EQ(setFinderInfo(file, FInfo{fourCharCode("TEXT"), fourCharCode("QZKb"), kIsInvisible}), noErr);
  ASSERT_EQ(getFinderInfo(file, info), noErr);
  EXPECT_EQ(info.fdType, fourCharCode("TEXT"));
  EXPECT_EQ(info.fdCreator, fourCharCode("QZKb"));
  EXPECT_EQ(info.fdFlags, kIsInvisible);

  // No sidecar is made for a file that is not there.
  EXPECT_EQ(setFinderInfo(folder / "missing", FInfo{fourCharCode("TEXT")}), fnfErr);
  EXPECT_FALSE(fs::exists(folder / "._missing"));
}

// A sidecar that cannot be read is reported and kept byte for byte: writing a resource must not replace it.
TEST(AppleDouble, MalformedSidecarIsNeverOverwritten) {
  const fs::path file = test::makeTempFolder("bad") / "photo.tif";
  writeBytes(file, {1});
  const Bytes whole = validSidecar();
  const Bytes spoiled(whole.begin(), whole.end() - 5);  // cut inside the resource map
  writeBytes(appleDoublePath(file), spoiled);

  FInfo info;
  EXPECT_EQ(getFinderInfo(file, info), mapReadErr);
  EXPECT_EQ(writeResource(file, fourCharCode("Pref"), 5000, Bytes{1}), mapReadErr);
  EXPECT_EQ(setFinderInfo(file, FInfo{}), mapReadErr);
  EXPECT_EQ(readBytes(appleDoublePath(file)), spoiled);
}

TEST(AppleDouble, ResourcesTooLargeForTheMapAreRefused) {
  AppleDouble sidecar;
  sidecar.resources.push_back({fourCharCode("Pref"), 1, 0, std::nullopt, Bytes(0x1000000, 0)});
  sidecar.resources.push_back({fourCharCode("Pref"), 2, 0, std::nullopt, Bytes{1}});
  Bytes bytes;
  EXPECT_EQ(serializeAppleDouble(sidecar, bytes), paramErr);
}

}  // namespace
}  // namespace vorl
