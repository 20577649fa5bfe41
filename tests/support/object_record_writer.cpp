#include "tests/support/object_record_writer.h"

#include <bit>
#include <stdexcept>

#include "tests/support/record_writer.h"

namespace vorl::test {
namespace {

constexpr std::uint8_t kHeaderPattern = 0xA5;

void putHead(RecordBytes& desc, const Placement& at) {
  desc.be32(0, static_cast<std::uint32_t>(at.top))
      .be32(4, static_cast<std::uint32_t>(at.left))
      .be32(8, static_cast<std::uint32_t>(at.bottom))
      .be32(12, static_cast<std::uint32_t>(at.right))
      .beFloat(16, at.x)
      .beFloat(20, at.y)
      .beFloat(24, at.width)
      .beFloat(28, at.height);
}

// A file specification at `at`: int16 volume, int32 folder, Str63 name.
void putFileSpec(RecordBytes& desc, std::size_t at, std::int16_t volume, std::int32_t folder, std::string_view name) {
  desc.be16(at, static_cast<std::uint16_t>(volume))
      .be32(at + 2, static_cast<std::uint32_t>(folder))
      .pascal(at + 6, name);
}

// Text at 160, the style at 416 (seven words), the rotation at 430.
void putTextHead(RecordBytes& desc, const Placement& at, std::string_view text, const TextStyleSpec& style,
                 std::int16_t rotation) {
  putHead(desc, at);
  desc.pascal(160, text)
      .be16(416, style.color[0])
      .be16(418, style.color[1])
      .be16(420, style.color[2])
      .be16(422, static_cast<std::uint16_t>(style.size))
      .be16(424, static_cast<std::uint16_t>(style.font))
      .be16(426, static_cast<std::uint16_t>(style.face))
      .be16(428, static_cast<std::uint16_t>(style.justification))
      .be16(430, static_cast<std::uint16_t>(rotation));
}

std::uint16_t u16(std::int16_t value) { return static_cast<std::uint16_t>(value); }

}  // namespace

Bytes chromaKeySettingsBytes(const KeySettingsSpec& key) {
  RecordBytes record(11444);
  auto put32 = [&](std::size_t at, std::uint32_t value) {
    key.bigEndian ? record.be32(at, value) : record.le32(at, value);
  };
  auto put16 = [&](std::size_t at, std::uint16_t value) {
    key.bigEndian ? record.be16(at, value) : record.le16(at, value);
  };
  for (std::size_t i = 0; i < 3; ++i) put32(4 * i, std::bit_cast<std::uint32_t>(key.backing[i]));
  put32(12, key.options);
  put32(20, 5);
  for (std::size_t surface = 0; surface < 3; ++surface)
    for (std::size_t direction = 0; direction < 66; ++direction)
      put32(544 + 264 * surface + 4 * direction, std::bit_cast<std::uint32_t>(key.radius));
  put32(10856, static_cast<std::uint32_t>(key.gridDensity));
  put32(10860, static_cast<std::uint32_t>(key.innerRadius));
  for (std::size_t i = 0; i < 4; ++i) put16(10864 + 2 * i, u16(key.exclusionRect[i]));
  put32(10872, static_cast<std::uint32_t>(key.exclusionWord));
  put16(10876, u16(key.defocus));
  put16(10878, u16(key.inwardFlag));
  put32(10880, std::bit_cast<std::uint32_t>(key.shrink));
  for (std::size_t i = 0; i < 312; ++i) record.u8(11132 + i, key.opaqueTailByte);
  return record.bytes();
}

Bytes imageDescriptor(const ImageSpec& spec) {
  RecordBytes desc(592);
  putHead(desc, spec.at);
  desc.be16(160, u16(spec.fitMode));
  putFileSpec(desc, 162, spec.photoVolume, spec.photoFolder, spec.photoName);
  desc.beFloat(232, spec.rotation)
      .be16(236, u16(spec.offsetV))
      .be16(238, u16(spec.offsetH))
      .be16(240, u16(spec.insetSteps));
  for (std::size_t i = 0; i < 6; ++i) desc.be16(242 + 2 * i, u16(spec.colorAdjust[i]));
  desc.pascal(254, spec.graphicCategory).pascal(286, spec.graphicName);
  desc.u8(318, spec.key ? 1 : 0);
  desc.be16(320, u16(spec.borderFlag)).be16(322, u16(spec.borderWidth));
  for (std::size_t i = 0; i < 3; ++i) desc.le16(324 + 2 * i, spec.borderColor[i]);
  desc.be16(330, u16(spec.imageNumber)).u8(332, spec.keptByte).be16(334, u16(spec.keptValue));
  desc.be16(336, u16(spec.angledFlag)).be16(338, u16(spec.angle)).be16(340, u16(spec.angleDirection));
  desc.be16(342, u16(spec.useCropBounds));
  for (std::size_t i = 0; i < 4; ++i) desc.beFloat(344 + 4 * i, spec.cropBounds[i]);
  desc.le16(360, u16(spec.boxScale));
  return desc.bytes();
}

Bytes textDescriptor(const TextSpec& spec) {
  RecordBytes desc(688);
  putTextHead(desc, spec.at, spec.text, spec.style, spec.rotation);
  desc.be16(432, u16(spec.skipFlag)).be16(434, u16(spec.keptValue)).be16(436, u16(spec.codeType));
  return desc.bytes();
}

Bytes editTextDescriptor(const EditTextSpec& spec) {
  RecordBytes desc(692);
  putTextHead(desc, spec.at, spec.text, spec.style, spec.rotation);
  desc.be16(432, u16(spec.editValue)).be16(434, u16(spec.value434)).be16(436, u16(spec.skipFlag));
  return desc.bytes();
}

Bytes databaseDescriptor(const DatabaseSpec& spec) {
  RecordBytes desc(692);
  putTextHead(desc, spec.at, spec.text, spec.style, spec.rotation);
  desc.be16(432, u16(spec.value1)).be16(434, u16(spec.value2)).le16(436, u16(spec.value436));
  return desc.bytes();
}

Bytes stampDescriptor(const StampSpec& spec) {
  RecordBytes desc(700);
  putTextHead(desc, spec.at, spec.text, spec.style, spec.rotation);
  desc.be16(432, u16(spec.stampValue))
      .be16(434, u16(spec.firstFlag))
      .be16(436, u16(spec.secondFlag))
      .be16(438, u16(spec.value438))
      .be16(440, u16(spec.value440))
      .le16(448, u16(spec.skipFlag))
      .be16(452, u16(spec.keptValue))
      .be16(454, u16(spec.codeType));
  return desc.bytes();
}

Bytes groupPhotoDescriptor(const GroupPhotoSpec& spec) {
  RecordBytes desc(520);
  putHead(desc, spec.at);
  putFileSpec(desc, 160, spec.volume, spec.folder, spec.name);
  desc.pascal(230, spec.category).be16(262, u16(spec.value262));
  return desc.bytes();
}

Bytes overlayDescriptor(const OverlaySpec& spec) {
  RecordBytes desc(524);
  putHead(desc, spec.at);
  putFileSpec(desc, 160, spec.volume, spec.folder, spec.name);
  desc.pascal(230, spec.category)
      .be16(262, u16(spec.flagA))
      .le16(264, u16(spec.flagB))
      .be16(266, u16(spec.mode))
      .be16(268, u16(spec.skipFlag));
  return desc.bytes();
}

Bytes nodeDescriptor(const NodeSpec& spec) {
  RecordBytes desc(496);
  putHead(desc, spec.at);
  putFileSpec(desc, 160, spec.volume, spec.folder, spec.jobFileName);
  desc.be16(230, u16(spec.rotationCode))
      .be16(232, u16(spec.keptValue))
      .be16(234, u16(spec.mirror))
      .be16(236, u16(spec.color))
      .be16(238, u16(spec.sepia))
      .be16(240, u16(spec.cacheSwitch))
      .le16(242, u16(spec.oldTimeBlend));
  return desc.bytes();
}

Bytes attributeDescriptor(const AttributeSpec& spec) {
  RecordBytes desc(676);
  putHead(desc, spec.at);
  desc.be16(160, u16(spec.subjobResizeMode))
      .be16(162, u16(spec.saveTemplateAsIs))
      .be16(164, u16(spec.ignoreOverlays))
      .be16(166, u16(spec.saveOriginal));
  return desc.bytes();
}

Bytes backColorDescriptor(const BackColorSpec& spec) {
  RecordBytes desc(424);
  putHead(desc, spec.at);
  desc.be16(160, spec.color[0]).be16(162, spec.color[1]).be16(164, spec.color[2]).be16(166, u16(spec.skipFlag));
  return desc.bytes();
}

Bytes objectRecord(std::string_view type, const Bytes& descriptor, std::optional<std::int32_t> size,
                   const Bytes& trailer) {
  if (type.size() != 4) throw std::invalid_argument("a record type has four characters");
  ByteStream record;
  Bytes header(40, kHeaderPattern);
  for (std::size_t i = 0; i < 4; ++i) header[4 + i] = static_cast<std::uint8_t>(type[i]);
  record.append(header);
  record.be32(static_cast<std::uint32_t>(size.value_or(static_cast<std::int32_t>(descriptor.size()))));
  record.append(descriptor).append(trailer);
  return record.bytes();
}

Bytes imageRecord(const ImageSpec& spec) {
  return objectRecord("imag", imageDescriptor(spec), {}, spec.key ? chromaKeySettingsBytes(*spec.key) : Bytes{});
}
Bytes textRecord(const TextSpec& spec) { return objectRecord("text", textDescriptor(spec)); }
Bytes editTextRecord(const EditTextSpec& spec) { return objectRecord("edtx", editTextDescriptor(spec)); }
Bytes databaseRecord(const DatabaseSpec& spec) { return objectRecord("dtbs", databaseDescriptor(spec)); }
Bytes stampRecord(const StampSpec& spec) { return objectRecord("stmp", stampDescriptor(spec)); }
Bytes groupPhotoRecord(const GroupPhotoSpec& spec) { return objectRecord("grou", groupPhotoDescriptor(spec)); }
Bytes fileOverlayRecord(const OverlaySpec& spec) { return objectRecord("fovl", overlayDescriptor(spec)); }
Bytes transparentOverlayRecord(const OverlaySpec& spec) { return objectRecord("tran", overlayDescriptor(spec)); }
Bytes attributeRecord(const AttributeSpec& spec) { return objectRecord("attr", attributeDescriptor(spec)); }
Bytes backColorRecord(const BackColorSpec& spec) { return objectRecord("bkco", backColorDescriptor(spec)); }

Bytes nodeRecord(const NodeSpec& spec) {
  ByteStream nested;
  nested.be32(static_cast<std::uint32_t>(spec.count.value_or(static_cast<std::int32_t>(spec.records.size()))));
  for (const Bytes& record : spec.records) nested.append(record);
  return objectRecord("node", nodeDescriptor(spec), {}, nested.bytes());
}

Bytes unknownRecord(std::string_view type, std::int32_t size) {
  return objectRecord(type, Bytes(static_cast<std::size_t>(size > 0 ? size : 0), 0xEE), size);
}

}  // namespace vorl::test
