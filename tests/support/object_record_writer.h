// Object records for job-file fixtures: class header (40 bytes, type code at offset 4), big-endian int32 length,
// then the descriptor, each field written at its offset in the file layout.
//
// Fields the descriptor's converter lists are stored big-endian; the ones it leaves out (the image's border
// colour and box scale, the stamp's skip flag, the overlay's flag B, the node's old-time blend, the database
// text's word at 436) little-endian, as the producer stores them. The class header's unused bytes hold a
// pattern, so a reader that looked at them would show it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/record_bytes.h"

namespace vorl::test {

// The head every descriptor opens with: the frame (four int32) and the place in inches.
struct Placement {
  float x = 0.5f;
  float y = 0.25f;
  float width = 2.0f;
  float height = 1.5f;
  std::int32_t top = 18;
  std::int32_t left = 36;
  std::int32_t bottom = 126;
  std::int32_t right = 180;
};

// The chroma-key settings that follow a keyed image: 11,444 bytes, every number little-endian.
struct KeySettingsSpec {
  std::array<float, 3> backing{1000.0f, 30000.0f, 2000.0f};
  std::uint32_t options = 0x10;
  float radius = 5000.0f;  // every radius of all three surfaces
  std::int32_t gridDensity = 12;
  std::int32_t innerRadius = 2550;
  std::array<std::int16_t, 4> exclusionRect{10, 20, 110, 220};  // top, left, bottom, right at 10864
  std::int32_t exclusionWord = 7;
  std::int16_t defocus = 4;
  std::int16_t inwardFlag = 1;
  float shrink = 0.125f;
  std::uint8_t opaqueTailByte = 0x5A;  // fills the 312-byte block at 11132
  bool bigEndian = false;              // a dump in the wrong byte order, which no plausible key survives
};
Bytes chromaKeySettingsBytes(const KeySettingsSpec& key);

struct ImageSpec {
  Placement at;
  std::int16_t fitMode = 1;
  std::int16_t photoVolume = -3;
  std::int32_t photoFolder = 1234567;
  std::string photoName = "IMG_0042.JPG";
  float rotation = 90.0f;
  std::int16_t offsetV = -5;
  std::int16_t offsetH = 7;
  std::int16_t insetSteps = 2;
  std::array<std::int16_t, 6> colorAdjust{1, -2, 3, -4, 5, -6};
  std::string graphicCategory = "FRAMES";
  std::string graphicName = "gold";
  std::optional<KeySettingsSpec> key;
  std::int16_t borderFlag = 1;
  std::int16_t borderWidth = 3;
  std::array<std::uint16_t, 3> borderColor{0x1234, 0x5678, 0x9ABC};
  std::int16_t imageNumber = 2;
  std::uint8_t keptByte = 0x77;
  std::int16_t keptValue = 300;
  std::int16_t angledFlag = 1;
  std::int16_t angle = 15;
  std::int16_t angleDirection = 2;
  std::int16_t useCropBounds = 1;
  std::array<float, 4> cropBounds{10.5f, 20.25f, 640.0f, 480.0f};
  std::int16_t boxScale = 9;
};

struct TextStyleSpec {
  std::array<std::uint16_t, 3> color{0xFFFF, 0x8000, 0x0001};
  std::int16_t size = 24;
  std::int16_t font = 21;
  std::int16_t face = 1;
  std::int16_t justification = -1;
};

struct TextSpec {
  Placement at;
  std::string text = "Class of 2011";
  TextStyleSpec style;
  std::int16_t rotation = 270;
  std::int16_t skipFlag = 1;   // 432
  std::int16_t keptValue = 5;  // 434
  std::int16_t codeType = 2;   // 436
};

struct EditTextSpec {
  Placement at;
  std::string text = "Name here";
  TextStyleSpec style;
  std::int16_t rotation = 90;
  std::int16_t editValue = 3;  // 432
  std::int16_t value434 = 4;
  std::int16_t skipFlag = 1;  // 436
};

struct DatabaseSpec {
  Placement at;
  std::string text = "<<LastName>>";
  TextStyleSpec style;
  std::int16_t rotation = 180;
  std::int16_t value1 = 11;    // 432
  std::int16_t value2 = 12;    // 434
  std::int16_t value436 = 13;  // not converted
};

struct StampSpec {
  Placement at;
  std::string text = "PROOF";
  TextStyleSpec style;
  std::int16_t rotation = 90;
  std::int16_t stampValue = 8;
  std::int16_t firstFlag = 1;
  std::int16_t secondFlag = 0;
  std::int16_t value438 = 38;
  std::int16_t value440 = 40;
  std::int16_t skipFlag = 1;  // 448, not converted
  std::int16_t keptValue = 52;
  std::int16_t codeType = 1;
};

struct GroupPhotoSpec {
  Placement at;
  std::int16_t volume = -2;
  std::int32_t folder = 99;
  std::string name = "Team.jpg";
  std::string category = "Groups";
  std::int16_t value262 = 262;
};

// 'fovl' and 'tran' share it.
struct OverlaySpec {
  Placement at;
  std::int16_t volume = -2;
  std::int32_t folder = 98;
  std::string name = "Border.png";
  std::string category = "CUT-OUT FILES";
  std::int16_t flagA = 1;
  std::int16_t flagB = 1;  // not converted
  std::int16_t mode = 0;
  std::int16_t skipFlag = 1;
};

struct NodeSpec {
  Placement at;
  std::int16_t volume = -4;
  std::int32_t folder = 4242;
  std::string jobFileName = "nested.job";
  std::int16_t rotationCode = 2;
  std::int16_t keptValue = 232;
  std::int16_t mirror = 1;
  std::int16_t color = 0x0100;  // only the low byte counts: this is "off"
  std::int16_t sepia = 1;
  std::int16_t cacheSwitch = 0;
  std::int16_t oldTimeBlend = 1;      // not converted
  std::vector<Bytes> records;         // the node's own object records
  std::optional<std::int32_t> count;  // the written count, when not the number of records
};

struct AttributeSpec {
  Placement at;
  std::int16_t subjobResizeMode = 1;
  std::int16_t saveTemplateAsIs = 1;
  std::int16_t ignoreOverlays = 1;
  std::int16_t saveOriginal = 1;
};

struct BackColorSpec {
  Placement at;
  std::array<std::uint16_t, 3> color{0xFFFF, 0x0000, 0x8080};
  std::int16_t skipFlag = 0;
};

// Descriptors, with the size the file layout gives their type.
Bytes imageDescriptor(const ImageSpec& spec);
Bytes textDescriptor(const TextSpec& spec);
Bytes editTextDescriptor(const EditTextSpec& spec);
Bytes databaseDescriptor(const DatabaseSpec& spec);
Bytes stampDescriptor(const StampSpec& spec);
Bytes groupPhotoDescriptor(const GroupPhotoSpec& spec);
Bytes overlayDescriptor(const OverlaySpec& spec);
Bytes nodeDescriptor(const NodeSpec& spec);
Bytes attributeDescriptor(const AttributeSpec& spec);
Bytes backColorDescriptor(const BackColorSpec& spec);

// A whole record: header, size (the descriptor's length unless given), descriptor, then what follows it.
Bytes objectRecord(std::string_view type, const Bytes& descriptor, std::optional<std::int32_t> size = {},
                   const Bytes& trailer = {});

Bytes imageRecord(const ImageSpec& spec);  // with the key settings after it when `key` is set
Bytes textRecord(const TextSpec& spec);
Bytes editTextRecord(const EditTextSpec& spec);
Bytes databaseRecord(const DatabaseSpec& spec);
Bytes stampRecord(const StampSpec& spec);
Bytes groupPhotoRecord(const GroupPhotoSpec& spec);
Bytes fileOverlayRecord(const OverlaySpec& spec);
Bytes transparentOverlayRecord(const OverlaySpec& spec);
Bytes nodeRecord(const NodeSpec& spec);  // with the count and the node's records after it
Bytes attributeRecord(const AttributeSpec& spec);
Bytes backColorRecord(const BackColorSpec& spec);
// A record of a type no reader knows, with `size` bytes of filler.
Bytes unknownRecord(std::string_view type, std::int32_t size);

}  // namespace vorl::test
