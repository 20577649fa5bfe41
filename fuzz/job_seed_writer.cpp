// Writes the fuzz target's starting corpus: job files from the test fixture writer covering every printer
// family, every object type, keyed images, nodes with nested records, a sub-job and archives in their blocks.
// Usage: job_seed_writer <folder>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/job_file_writer.h"
#include "tests/support/keyed_archive_writer.h"
#include "tests/support/object_record_writer.h"
#include "tests/support/record_writer.h"

namespace {

using namespace vorl::test;

Bytes printerBlockFor(std::int16_t printerType) {
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  switch (printerType) {
    case 1:
      return recordWithDistinctFields(colorAdjustInfo2Layout());
    case 9:
      return join({recordWithDistinctFields(colorAdjustInfo2Layout()), recordWithDistinctFields(mediaTypeLayout())});
    case 5:
      return join({recordWithDistinctFields(kodakLayout()), recordWithDistinctFields(colorAdjustInfo2Layout())});
    case 12:
      return recordWithDistinctFields(fujiLayout());
    case 23:
      return join({recordWithDistinctFields(mitsubishiLayout()), recordWithDistinctFields(mitsubishiMediaLayout())});
    case 27:
      return RecordBytes(130).be16(0, 1).bytes();
    case 15:
      return join({recordWithDistinctFields(shinkoLayout()), recordWithDistinctFields(mediaTypeLayout())});
    case 30:
      return join({recordWithDistinctFields(noritsuLayout()), recordWithDistinctFields(mediaTypeLayout())});
    case 45:
      return join({recordWithDistinctFields(dnpLayout()), recordWithDistinctFields(mediaTypeLayout())});
    default:
      return {};
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder(argv[1]);
  std::filesystem::create_directories(folder);
  int written = 0;
  auto write = [&](const std::string& name, const JobSpec& spec) {
    writeFile(folder / name, writeJobFile(spec).bytes);
    ++written;
  };

  ImageSpec keyed;
  keyed.key = KeySettingsSpec{};
  NodeSpec node;
  node.records = {imageRecord(keyed), textRecord({}), stampRecord({}), fileOverlayRecord({}), backColorRecord({})};

  JobSpec everything;
  everything.pageRecords = {backColorRecord({}),      imageRecord({}),
                            imageRecord(keyed),       textRecord({}),
                            editTextRecord({}),       databaseRecord({}),
                            stampRecord({}),          groupPhotoRecord({}),
                            fileOverlayRecord({}),    transparentOverlayRecord({}),
                            nodeRecord(node),         attributeRecord({}),
                            unknownRecord("zzzz", 12)};
  everything.hasSubJob = true;
  everything.subJobRecords = {imageRecord(keyed), attributeRecord({})};
  everything.recordStructsFollow = 1;
  everything.recordStructs =
      std::array<std::vector<std::string>, 2>{std::vector<std::string>{"Name"}, std::vector<std::string>{"Ann"}};
  everything.dictionaryArchive = encodeKeyedArchive(
      vorl::ArchivedValue::dictionary({{"imageurl", vorl::ArchivedValue::string("http://studio.example/1.jpg")}}));
  everything.emailArchive = encodeKeyedArchive(
      vorl::ArchivedValue::dictionary({{"userdata", vorl::ArchivedValue::array({vorl::ArchivedValue::integer(1)})}}),
      PlistFormat::Xml);
  everything.pageSetupArchive = encodeKeyedArchive(vorl::ArchivedValue::object(
      "NSPrintInfo",
      {{"NSAttributes", vorl::ArchivedValue::dictionary({{"NSPaperName", vorl::ArchivedValue::string("iso-a4")}})}}));
  write("everything", everything);

  JobSpec minimal;
  minimal.pageRecords = {backColorRecord({})};
  write("minimal", minimal);

  for (std::int16_t printerType : {1, 9, 5, 12, 23, 27, 15, 30, 45, 0}) {
    JobSpec spec = minimal;
    spec.printerType = printerType;
    spec.printerBlock = printerBlockFor(printerType);
    write("printer-" + std::to_string(printerType), spec);
  }

  const std::pair<const char*, Bytes> objects[] = {
      {"image", imageRecord({})},
      {"keyed-image", imageRecord(keyed)},
      {"text", textRecord({})},
      {"edit-text", editTextRecord({})},
      {"database", databaseRecord({})},
      {"stamp", stampRecord({})},
      {"group-photo", groupPhotoRecord({})},
      {"file-overlay", fileOverlayRecord({})},
      {"transparent-overlay", transparentOverlayRecord({})},
      {"node", nodeRecord(node)},
      {"attribute", attributeRecord({})},
      {"unknown", unknownRecord("xxxx", 40)},
  };
  for (const auto& [name, record] : objects) {
    JobSpec spec = minimal;
    spec.pageRecords = {record};
    write(std::string("object-") + name, spec);
  }
  std::printf("%d seed job files in %s\n", written, folder.c_str());
  return 0;
}
