#include "tests/support/job_file_writer.h"

#include <fstream>
#include <stdexcept>

#include "tests/support/record_writer.h"

namespace vorl::test {
namespace {

constexpr std::size_t kColorSyncSize = 47550;
constexpr std::size_t kPrintToFileSize = 982;
constexpr std::size_t kJobInfoSize = 76;

Bytes sized(const Bytes& given, std::size_t size) {
  if (given.empty()) return Bytes(size, 0);
  if (given.size() != size) throw std::invalid_argument("a record of the wrong size");
  return given;
}

// A fixed block holding an archive at its start and its length, little-endian, in its last four bytes.
Bytes archiveBlock(const Bytes& archive, std::optional<std::int32_t> length, std::size_t size) {
  if (archive.size() > size - 4) throw std::invalid_argument("the archive does not fit its block");
  RecordBytes block(size);
  block.raw(0, archive);
  block.le32(size - 4, static_cast<std::uint32_t>(length.value_or(static_cast<std::int32_t>(archive.size()))));
  return block.bytes();
}

// A zero-terminated path in a fixed block.
Bytes pathBlock(const std::string& path, std::size_t size) {
  if (path.size() >= size) throw std::invalid_argument("the path does not fit its block");
  Bytes block(size, 0);
  std::copy(path.begin(), path.end(), block.begin());
  return block;
}

// The fixed 256-byte texts: a length byte and 255 characters.
Bytes textBlock(const std::string& text) {
  RecordBytes block(256);
  block.pascal(0, text);
  return block.bytes();
}

}  // namespace

Bytes recordStructBytes(const std::vector<std::string>& texts) {
  if (texts.size() > 41) throw std::invalid_argument("a record struct holds 41 strings");
  RecordBytes record(41 * 256);
  for (std::size_t i = 0; i < texts.size(); ++i) record.pascal(256 * i, texts[i]);
  return record.bytes();
}

Bytes jobInfoBytes(std::string_view first, std::string_view second, std::uint16_t flag, float value66,
                   std::array<std::uint16_t, 3> value70to74) {
  RecordBytes record(kJobInfoSize);
  record.pascal(0, first).pascal(32, second).be16(64, flag).beFloat(66, value66);
  for (std::size_t i = 0; i < 3; ++i) record.be16(70 + 2 * i, value70to74[i]);
  return record.bytes();
}

WrittenJob writeJobFile(const JobSpec& spec) {
  WrittenJob job;
  ByteStream out;
  auto start = [&](int block) { job.blockStart[static_cast<std::size_t>(block)] = out.size(); };

  start(1);
  out.be16(spec.signature);
  start(2);
  out.be16(static_cast<std::uint16_t>(spec.printerType));
  start(3);
  out.be16(static_cast<std::uint16_t>(spec.canvasNumber));
  start(4);
  out.be16(static_cast<std::uint16_t>(spec.mediaMatch));
  start(5);
  out.u8(spec.useColorSettings);
  start(6);
  out.append(spec.printerBlock);
  start(7);
  out.be16(static_cast<std::uint16_t>(spec.printQuantity));
  start(8);
  out.pascalWithLength(spec.templateLengthByte.value_or(static_cast<std::uint8_t>(spec.templateName.size())),
                       spec.templateName);
  start(9);
  out.be32(spec.viewSize[0]).be32(spec.viewSize[1]);
  start(10);
  out.beFloat(spec.pageWidth).beFloat(spec.pageHeight);
  start(11);
  out.be16(static_cast<std::uint16_t>(spec.resolution));
  start(12);
  out.u8(spec.mirror).u8(spec.color);
  start(13);
  out.be16(spec.unused13[0]).be16(spec.unused13[1]);

  RecordBytes colorSync(kColorSyncSize);
  colorSync.raw(0, sized(spec.colorSync, kColorSyncSize)).be16(46524, spec.applyEmbeddedProfiles);
  start(14);
  out.append(colorSync.bytes());
  start(15);
  out.pascal(spec.packageName);

  RecordBytes printToFile(kPrintToFileSize);
  printToFile.raw(0, sized(spec.printToFile, kPrintToFileSize)).be16(362, spec.recordStructsFollow);
  start(16);
  out.append(printToFile.bytes());
  start(17);
  if (spec.recordStructs)
    out.append(recordStructBytes((*spec.recordStructs)[0])).append(recordStructBytes((*spec.recordStructs)[1]));
  start(18);
  out.append(sized(spec.jobInfo, kJobInfoSize));
  start(19);
  out.be16(spec.rotationAndCrop[0]).be16(spec.rotationAndCrop[1]).be16(spec.rotationAndCrop[2]);
  start(20);
  out.be16(spec.printMode).be16(spec.cropMode).beFloat(spec.cropWidth).beFloat(spec.cropHeight);
  out.be16(spec.finalCropWhere);
  start(21);
  out.be16(spec.toneMode);
  for (std::int16_t value : spec.sepiaAdjust) out.be16(static_cast<std::uint16_t>(value));
  start(22);
  out.be16(spec.fixedName);
  start(23);
  out.be16(spec.imageQuality);
  start(24);
  out.pascal(spec.jobName);
  start(25);
  for (std::int16_t value : spec.oldTimeTones) out.be16(static_cast<std::uint16_t>(value));
  out.be16(spec.oldTimePercent).append(Bytes(128, spec.oldTimeTailByte));
  start(26);
  out.be16(spec.videoMerge).be16(spec.enableVideoCopy);
  start(27);
  out.u8(spec.hasSubJob ? 1 : 0);
  start(28);
  if (spec.hasSubJob) {
    out.beFloat(spec.subJobWidth).beFloat(spec.subJobHeight).u8(0x11).be16(0x2222).be16(spec.subjobResizeMode);
    out.be32(spec.subJobCount.value_or(static_cast<std::uint32_t>(spec.subJobRecords.size())));
    for (const Bytes& record : spec.subJobRecords) out.append(record);
  }
  start(29);
  out.be32(spec.pageCount.value_or(static_cast<std::uint32_t>(spec.pageRecords.size())));
  for (const Bytes& record : spec.pageRecords) out.append(record);
  start(30);
  out.append(pathBlock(spec.originalPath, 1024));
  start(31);
  out.append(spec.printToFileAgain.empty() ? printToFile.bytes() : sized(spec.printToFileAgain, kPrintToFileSize));
  start(32);
  out.append(archiveBlock(spec.uploadArchive, spec.uploadLength, 4096));
  start(33);
  out.append(archiveBlock(spec.dictionaryArchive, spec.dictionaryLength, 32768));
  start(34);
  out.append(archiveBlock(spec.emailArchive, spec.emailLength, 4096));
  start(35);
  out.be16(spec.retailCustomerMetadata);
  start(36);
  out.append(textBlock(spec.customerEmail));
  start(37);
  out.append(textBlock(spec.extraNameText));
  start(38);
  out.append(textBlock(spec.groupCode));
  start(39);
  out.be16(spec.unused39);
  start(40);
  out.leFloat(spec.blurValue);
  start(41);
  out.append(pathBlock(spec.videoPath, 1024));
  start(42);
  out.be16(static_cast<std::uint16_t>(spec.pageSetupArchive.size())).append(spec.pageSetupArchive);
  out.append(spec.trailingBytes);
  job.bytes = std::move(out.bytes());
  return job;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace vorl::test
