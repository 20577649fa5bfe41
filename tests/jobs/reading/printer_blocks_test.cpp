// The printer settings block: each printer type's records, in order, each number converted exactly as the
// stored-record conversion lists it (big-endian) or left as the producer stored it (little-endian); records of
// other families stay untouched. Hand-assembled records check the shared tables against bytes worked out by hand.
#include "jobs/reading/printer_blocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

#include "tests/jobs/job_test_support.h"
#include "tests/support/message_recorder.h"
#include "tests/support/record_writer.h"

namespace vorl {
namespace {

using test::Bytes;
using test::RecordLayout;

template <class Record>
std::span<const std::uint8_t> bytesOf(const Record& record) {
  return {reinterpret_cast<const std::uint8_t*>(&record), sizeof record};
}

// Where in the job view each record of a block lands.
using RecordInView = std::function<std::span<const std::uint8_t>(const JobFileSettings&)>;

struct BlockRecord {
  const RecordLayout& layout;
  RecordInView inView;
};

const RecordInView kColorAdjustOne = [](const JobFileSettings& s) { return bytesOf(s.colorAdjustOne); };
const RecordInView kColorAdjustTwo = [](const JobFileSettings& s) { return bytesOf(s.colorAdjustTwo); };
const RecordInView kMediaOne = [](const JobFileSettings& s) { return bytesOf(s.mediaOne); };
const RecordInView kMediaTwo = [](const JobFileSettings& s) { return bytesOf(s.mediaTwo); };
const RecordInView kKodak = [](const JobFileSettings& s) { return bytesOf(s.kodakSettings); };
const RecordInView kFuji = [](const JobFileSettings& s) { return bytesOf(s.fujiColorAdjust); };
const RecordInView kMitsubishi = [](const JobFileSettings& s) { return bytesOf(s.mitsubishiSettings); };
const RecordInView kMitsubishiMedia = [](const JobFileSettings& s) { return bytesOf(s.mitsubishiMedia); };
const RecordInView kPrint2File = [](const JobFileSettings& s) { return bytesOf(s.print2FileItem); };
const RecordInView kShinko = [](const JobFileSettings& s) { return bytesOf(s.shinkoSettings); };
const RecordInView kNoritsu = [](const JobFileSettings& s) { return bytesOf(s.noritsuSettings); };
const RecordInView kOlmec = [](const JobFileSettings& s) { return bytesOf(s.olmecSettings); };
const RecordInView kDNP = [](const JobFileSettings& s) { return bytesOf(s.dnpSettings); };
const std::vector<RecordInView> kAllRecords = {
    kColorAdjustOne,  kColorAdjustTwo, kMediaOne, kMediaTwo, kKodak, kFuji, kMitsubishi,
    kMitsubishiMedia, kPrint2File,     kShinko,   kNoritsu,  kOlmec, kDNP};

bool allZero(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

void expectDistinctFields(std::span<const std::uint8_t> record, const RecordLayout& layout, std::uint32_t seed) {
  for (const test::LayoutField& field : layout.fields) {
    SCOPED_TRACE(testing::Message() << layout.name << " offset " << field.offset);
    EXPECT_EQ(test::hostValueAt(record, field), test::distinctValue(field, seed));
  }
}

TEST(PrinterBlocks, EachFamilyFillsItsRecordsFieldByFieldAndNoOthers) {
  const struct {
    std::int16_t printerType;
    std::vector<BlockRecord> records;
  } cases[] = {
      {1, {{test::colorAdjustInfo2Layout(), kColorAdjustOne}}},
      {9, {{test::colorAdjustInfo2Layout(), kColorAdjustOne}, {test::mediaTypeLayout(), kMediaOne}}},
      {6, {{test::kodakLayout(), kKodak}, {test::colorAdjustInfo2Layout(), kColorAdjustTwo}}},
      {19, {{test::fujiLayout(), kFuji}}},
      {23, {{test::mitsubishiLayout(), kMitsubishi}, {test::mitsubishiMediaLayout(), kMitsubishiMedia}}},
      {33, {{test::colorAdjustInfo2Layout(), kColorAdjustTwo}, {test::mediaTypeLayout(), kMediaTwo}}},
      {50, {{test::print2FileItemLayout(), kPrint2File}}},
      {16, {{test::shinkoLayout(), kShinko}, {test::mediaTypeLayout(), kMediaOne}}},
      {56, {{test::mitsubishiLayout(), kMitsubishi}, {test::mediaTypeLayout(), kMediaOne}}},
      {30, {{test::noritsuLayout(), kNoritsu}, {test::mediaTypeLayout(), kMediaOne}}},
      {38, {{test::olmecLayout(), kOlmec}, {test::mediaTypeLayout(), kMediaOne}}},
      {54, {{test::dnpLayout(), kDNP}, {test::mediaTypeLayout(), kMediaOne}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.printerType);
    test::JobSpec spec = test::minimalJob();
    spec.printerType = c.printerType;
    for (std::size_t i = 0; i < c.records.size(); ++i) {
      Bytes record = test::recordWithDistinctFields(c.records[i].layout, static_cast<std::uint32_t>(i + 1));
      if (&c.records[i].layout == &test::print2FileItemLayout()) record[1] = 1;  // set 1
      spec.printerBlock.insert(spec.printerBlock.end(), record.begin(), record.end());
    }
    EXPECT_EQ(spec.printerBlock.size(), printerBlockSize(c.printerType));
    const auto job = test::readJob(spec);
    // The set printers read the whole file and then miss their set folder.
    EXPECT_EQ(job.result, c.printerType == 50 ? kJobPrintToFileSetMissing : kJobReadOK);
    const JobFileSettings& s = job.view->settings();
    for (std::size_t i = 0; i < c.records.size(); ++i)
      expectDistinctFields(c.records[i].inView(s), c.records[i].layout, static_cast<std::uint32_t>(i + 1));
    int untouched = 0;
    for (const RecordInView& record : kAllRecords) untouched += allZero(record(s)) ? 1 : 0;
    EXPECT_EQ(untouched, static_cast<int>(kAllRecords.size() - c.records.size()));
  }
}

TEST(PrinterBlocks, BlockSizesByPrinterType) {
  // Every type 0..58 and a negative one, by the family tables of the job-file format.
  std::map<int, std::size_t> sizes;
  for (int t : {1, 2, 3, 10, 18}) sizes[t] = 1224;
  for (int t : {9, 21, 37, 39, 41, 42, 24, 29, 33}) sizes[t] = 1358;
  for (int t : {5, 6, 7}) sizes[t] = 1256;
  for (int t : {12, 13, 19, 20}) sizes[t] = 282;
  sizes[23] = 10444;
  for (int t : {25, 26, 27, 28, 49, 50, 51, 52}) sizes[t] = 130;
  for (int t : {15, 16, 40}) sizes[t] = 514;
  for (int t : {11, 31, 32, 36, 43, 44, 47, 53, 56, 57}) sizes[t] = 10430;
  for (int t : {30, 38}) sizes[t] = 768;
  for (int t : {45, 46, 48, 54, 55}) sizes[t] = 1442;
  for (int type = -1; type <= 58; ++type) {
    SCOPED_TRACE(type);
    EXPECT_EQ(printerBlockSize(static_cast<std::int16_t>(type)), sizes.count(type) ? sizes[type] : 0u);
  }
}

TEST(PrinterBlocks, UnknownPrinterTypesAreReportedAndTheReadGoesOn) {
  const struct {
    std::int16_t printerType;
    bool reported;
  } cases[] = {{0, true},  {4, true},  {14, true}, {22, true},  {35, true},
               {58, true}, {-1, true}, {8, false}, {17, false}, {34, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.printerType);
    test::MessageRecorder messages;
    test::JobSpec spec = test::minimalJob();
    spec.printerType = c.printerType;
    EXPECT_EQ(test::readJob(spec).result, kJobReadOK);
    EXPECT_EQ(messages.messages(), c.reported ? std::vector<std::string>{"TBGPrintView::ReadColorCorrectionValue: "
                                                                         "Unknown Printer Type!"}
                                              : std::vector<std::string>{});
  }
}

TEST(PrinterBlocks, SomePrintersTakeTheColourSettingsSwitchFromTheirBlock) {
  const struct {
    std::int16_t printerType;
    std::uint16_t useThisSetting;  // the word at 2 of colour-adjust block one
    std::uint8_t jobFlag;          // block 5
    std::uint8_t expected;
  } cases[] = {{9, 0, 1, 0}, {42, 0x0101, 0, 1}, {21, 0x0100, 1, 0}, {1, 0, 1, 1}, {1, 1, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.printerType << " " << c.useThisSetting);
    test::JobSpec spec = test::minimalJob();
    spec.printerType = c.printerType;
    spec.useColorSettings = c.jobFlag;
    spec.printerBlock = test::RecordBytes(printerBlockSize(c.printerType)).be16(2, c.useThisSetting).bytes();
    const auto job = test::readJob(spec);
    ASSERT_EQ(job.result, kJobReadOK);
    EXPECT_EQ(job.view->settings().useColorSettings, c.expected);
  }
}

TEST(PrinterBlocks, StoredRecordsOfTheJobConvertExactlyTheirListedFields) {
  test::JobSpec spec = test::minimalJob();
  spec.colorSync = test::recordWithDistinctFields(test::colorSyncLayout(), 3);
  spec.printToFile = test::recordWithDistinctFields(test::printToFileRecordLayout(), 4);
  spec.jobInfo = test::recordWithDistinctFields(test::jobInfoLayout(), 5);
  const auto job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);
  expectDistinctFields(bytesOf(job.view->settings().colorSyncPrefs), test::colorSyncLayout(), 3);
  expectDistinctFields(bytesOf(job.view->settings().printToFileRecord), test::printToFileRecordLayout(), 4);
  ASSERT_EQ(job.observer->jobInfos.size(), 1u);
  expectDistinctFields(bytesOf(job.observer->jobInfos[0]), test::jobInfoLayout(), 5);
}

// Bytes worked out by hand from the file layouts, not by the fixture writer.
TEST(PrinterBlocks, HandAssembledRecordsReadAsWorkedOut) {
  test::JobSpec spec = test::minimalJob();
  spec.printerType = 5;
  Bytes kodak(32, 0);
  const std::uint8_t kodakBytes[] = {0x00, 0x01,   // 0
                                     0xFF, 0xFE,   // 2: -2
                                     0x00, 0x07,   // 4: lamination 7
                                     0x12, 0x34};  // 6
  std::memcpy(kodak.data(), kodakBytes, sizeof kodakBytes);
  kodak[18] = 0x34, kodak[19] = 0x12;  // 18 is not converted: little-endian 0x1234
  kodak[30] = 0x80, kodak[31] = 0x00;  // 30: 0x8000
  spec.printerBlock = kodak;
  spec.printerBlock.resize(32 + 1224, 0);
  const std::uint8_t firstValue[] = {0x00, 0x00, 0x01, 0x00};  // block two's red (first word at 4): 256
  std::memcpy(spec.printerBlock.data() + 32 + 4, firstValue, 4);
  const std::uint8_t hue[] = {0x3F, 0xC0, 0x00, 0x00};  // the tenth colour float at 126 + 36: 1.5
  std::memcpy(spec.printerBlock.data() + 32 + 162, hue, 4);

  spec.jobInfo = Bytes(76, 0);
  const std::uint8_t name[] = {5, 'S', 'm', 'i', 't', 'h'};
  std::memcpy(spec.jobInfo.data(), name, sizeof name);
  const std::uint8_t tail[] = {0x00, 0x01,              // 64: flag 1
                               0x40, 0x20, 0x00, 0x00,  // 66: 2.5
                               0x00, 0x03, 0x00, 0x03,  // 70, 72: 3 and 3
                               0xFF, 0xFF};             // 74: 65535
  std::memcpy(spec.jobInfo.data() + 64, tail, sizeof tail);

  const auto job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);
  const KodakSettings& k = job.view->settings().kodakSettings;
  EXPECT_EQ(k.value0, 1);
  EXPECT_EQ(k.value2, -2);
  EXPECT_EQ(k.lamination, 7);
  EXPECT_EQ(k.value6, 0x1234);
  EXPECT_EQ(k.value18, 0x1234);
  EXPECT_EQ(static_cast<std::uint16_t>(k.value30), 0x8000);
  const myUpdColorAdjustInfo2& two = job.view->settings().colorAdjustTwo;
  EXPECT_EQ(two.values[kAdjustRed].words[0], 256);
  EXPECT_EQ(two.imageAdjust.hue, 1.5f);

  const tJobInfo& info = job.observer->jobInfos.at(0);
  EXPECT_EQ(info.name.macRoman(), "Smith");
  EXPECT_EQ(info.flag, 1);
  EXPECT_EQ(info.value66, 2.5f);
  EXPECT_EQ(info.value70, 3);
  EXPECT_EQ(info.value72, 3);
  EXPECT_EQ(info.value74, 65535);
}

}  // namespace
}  // namespace vorl
