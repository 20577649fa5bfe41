#include "foundation/records/record_byte_order.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/records/byte_order.h"
#include "tests/support/record_bytes.h"

namespace vorl {
namespace {

static_assert(isRunningOnIntelCPU(), "the expected bytes below are written for a little-endian host");

using test::Bytes;
using test::bytesOf;
using test::differingOffsets;

// ---------------------------------------------------------------------------------------------------------
// Which bytes each converter reverses, written down from the stored layouts: {offset, width} per field.

struct Field {
  std::size_t offset;
  std::size_t width;
};
using Fields = std::vector<Field>;

// `count` fields of `width` bytes side by side from `offset`.
Fields run(std::size_t offset, std::size_t width, std::size_t count = 1) {
  Fields fields;
  for (std::size_t i = 0; i < count; ++i) fields.push_back({offset + i * width, width});
  return fields;
}

// The fields of an embedded record placed at `base`.
Fields at(std::size_t base, const Fields& inner) {
  Fields fields;
  for (const Field& f : inner) fields.push_back({base + f.offset, f.width});
  return fields;
}

Fields operator+(Fields a, const Fields& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// `count` copies of an embedded record of `stride` bytes from `base`.
Fields repeated(std::size_t base, std::size_t stride, std::size_t count, const Fields& inner) {
  Fields fields;
  for (std::size_t i = 0; i < count; ++i) fields = fields + at(base + i * stride, inner);
  return fields;
}

const Fields kFolderSpec = run(0, 2) + run(2, 4) + run(102, 2) + run(104, 2) + run(106, 2);
// The volume and directory of a file specification; its name stays.
const Fields kFileSpecNumbers = run(0, 2) + run(2, 4);
const Fields kPrinterColorSync = run(0, 2) + run(2, 2) + at(4, kFileSpecNumbers) + run(74, 2);
const Fields kImageColorAdjust = run(0, 2, 6);
const Fields kValueRec = run(0, 4, 3);
const Fields kUpdColorAdjust = repeated(0, 12, 10, kValueRec) + run(120, 2);
const Fields kCocoaImageAdjust = run(0, 4, 10);

// ---------------------------------------------------------------------------------------------------------
// Each converter applied to raw bytes, as a reader does: the bytes are copied into a record, converted, and
// copied back out.

struct Converter {
  const char* name;
  std::size_t size;
  void (*convert)(Bytes&, bool);
  Fields fields;
};

template <class Record, void (*Convert)(Record&, bool) noexcept>
void convertBytes(Bytes& bytes, bool doSwap) {
  auto record = std::make_unique<Record>();
  std::memcpy(record.get(), bytes.data(), sizeof(Record));
  Convert(*record, doSwap);
  std::memcpy(bytes.data(), record.get(), sizeof(Record));
}

template <class Record, void (*Convert)(Record&, bool) noexcept>
Converter converter(const char* name, Fields fields) {
  return {name, sizeof(Record), &convertBytes<Record, Convert>, std::move(fields)};
}

std::vector<Converter> allConverters() {
  Fields colorSync = run(0, 2);
  for (std::size_t profile : {2, 72, 142}) colorSync = colorSync + at(profile, kFileSpecNumbers);
  colorSync = colorSync + repeated(212, 202, 100, kPrinterColorSync) + run(46524, 2) + run(46526, 2);

  return {
      converter<tFolderFSSpec, swapMyFolderFSSpec>("swapMyFolderFSSpec", kFolderSpec),
      converter<tSpecialPrintToFilePref, swapMySpecialPrintToFilePref>(
          "swapMySpecialPrintToFilePref",
          // 684..694, 952..956 and the words at 958 are not among them.
          kFolderSpec + run(362, 2) + run(396, 2, 4) + run(500, 2, 7) + run(554, 2)),
      converter<tJobInfo, swapMyJobInfo>("swapMyJobInfo", run(64, 2) + run(66, 4) + run(70, 2, 3)),
      converter<tColorSyncPrefs, swapFromHost_MyColorSyncPrefs>("swapFromHost_MyColorSyncPrefs", colorSync),
      converter<tPrinterColorSyncPrefs, swapFromHost_MyPrinterColorSyncPrefs>("swapFromHost_MyPrinterColorSyncPrefs",
                                                                              kPrinterColorSync),
      converter<myImageColorAdjustInfo, swapMyImageColorAdjustInfo>("swapMyImageColorAdjustInfo", kImageColorAdjust),
      converter<myImageColorAdjustInfo, swapFromHost_ImageColorAdjustInfo>("swapFromHost_ImageColorAdjustInfo",
                                                                           kImageColorAdjust),
      converter<myValueRec, swapMyValueRec>("swapMyValueRec", kValueRec),
      converter<myUpdColorAdjustInfo, swapMyUpdColorAdjustInfo>("swapMyUpdColorAdjustInfo", kUpdColorAdjust),
      converter<myUpdColorAdjustInfo2, swapMyUpdColorAdjustInfo2>(
          "swapMyUpdColorAdjustInfo2",
          run(0, 2) + run(2, 2) + repeated(4, 12, 10, kValueRec) + run(124, 2) + at(126, kCocoaImageAdjust)),
      converter<myCocoaImageColorAdjustInfo, swapMyCocoaImageColorAdjustInfoSettings>(
          "swapMyCocoaImageColorAdjustInfoSettings", kCocoaImageAdjust),
      converter<KodakSettings, swapMyKodakSettings>("swapMyKodakSettings",  // the words at 18, 24 and 26 stay
                                                    run(0, 2, 9) + run(20, 2, 2) + run(28, 2, 2)),
      converter<tPrint2FileItem, swapMyPrint2FileMediaData>("swapMyPrint2FileMediaData", run(0, 2, 3)),
      converter<tMitsubishiMediaPref, swapMyMitsuMediaData>("swapMyMitsuMediaData", run(0, 2, 10)),
      converter<tMediaTypePref, swapMyMediaData>("swapMyMediaData", run(0, 2, 8)),
      converter<myFujiColorAdjustInfo, swapMyFujiColorAdjustInfo>(
          "swapMyFujiColorAdjustInfo", run(0, 2, 3) + repeated(6, 12, 12, kValueRec) + run(150, 2, 2)),
      converter<tMitsubishiSettings, swapMyMitsubishiSettings>(
          "swapMyMitsubishiSettings",  // the word at 14 and the colour floats at 186 stay
          run(0, 2, 7) + run(16, 4, 9) + run(52, 2, 3) + at(58, kUpdColorAdjust) + run(180, 2, 3)),
      converter<tShinkoPrinterSettings, swapMyShinkoPrinterSettings>(
          "swapMyShinkoPrinterSettings",  // the matte level at 124 stays
          kUpdColorAdjust + run(122, 2)),
      converter<tOlmecOP800PrinterSettings, swapMyOlmecOP800PrinterSettings>("swapMyOlmecOP800PrinterSettings",
                                                                             kUpdColorAdjust),
      converter<tNoritsuPrinterSettings, swapMyNoritsuPrinterSettings>("swapMyNoritsuPrinterSettings", kUpdColorAdjust),
      converter<tDNPPrinterSettings, swapMyDNPPrinterSettings>("swapMyDNPPrinterSettings",
                                                               run(0, 2, 2) + at(4, kCocoaImageAdjust) + run(1052, 2)),
  };
}

// ---------------------------------------------------------------------------------------------------------
// Fill patterns. The first gives every byte a value that differs from its neighbours' at distance 1 and 3, so
// reversing any 2- or 4-byte run anywhere changes it. The other two repeat 7F 81: at every even offset a
// float then reads 0x7F817F81, a signalling NaN, once in the file's order and once in the host's.

Bytes positionPattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 131 + 7);
  return bytes;
}

Bytes repeatedPair(std::size_t size, unsigned char first, unsigned char second) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = i % 2 == 0 ? first : second;
  return bytes;
}

// The bytes a correct converter gives: each listed field reversed, every other byte as it was.
Bytes reverseFields(Bytes bytes, const Fields& fields) {
  for (const Field& f : fields) std::reverse(bytes.begin() + f.offset, bytes.begin() + f.offset + f.width);
  return bytes;
}

TEST(RecordByteOrder, FieldTablesAreWellFormed) {
  // A guard on the tables above: no field past the record's end and no byte in two fields.
  for (const Converter& c : allConverters()) {
    SCOPED_TRACE(c.name);
    std::vector<int> owners(c.size, 0);
    for (const Field& f : c.fields) {
      ASSERT_LE(f.offset + f.width, c.size);
      for (std::size_t i = f.offset; i < f.offset + f.width; ++i) ++owners[i];
    }
    EXPECT_LE(*std::max_element(owners.begin(), owners.end()), 1);
  }
}

TEST(RecordByteOrder, EachConverterReversesExactlyItsListedFields) {
  for (const Converter& c : allConverters()) {
    SCOPED_TRACE(c.name);
    const Bytes fills[] = {positionPattern(c.size), repeatedPair(c.size, 0x7F, 0x81), repeatedPair(c.size, 0x81, 0x7F)};
    for (const Bytes& original : fills) {
      SCOPED_TRACE(testing::Message() << "fill starting " << std::hex << +original[0] << " " << +original[1]);

      Bytes once = original;
      c.convert(once, true);
      EXPECT_THAT(differingOffsets(once, reverseFields(original, c.fields)), testing::IsEmpty());

      Bytes twice = once;
      c.convert(twice, true);
      EXPECT_THAT(differingOffsets(twice, original), testing::IsEmpty()) << "converting twice";

      Bytes unconverted = original;
      c.convert(unconverted, false);
      EXPECT_THAT(differingOffsets(unconverted, original), testing::IsEmpty()) << "converting with false";
    }
  }
}

// ---------------------------------------------------------------------------------------------------------
// Records read from hand-written file bytes.

void put(Bytes& file, std::size_t offset, std::initializer_list<unsigned char> bytes) {
  std::copy(bytes.begin(), bytes.end(), file.begin() + offset);
}

// A length-prefixed string: the length byte, then the characters.
void putText(Bytes& file, std::size_t offset, std::string_view text) {
  file[offset] = static_cast<unsigned char>(text.size());
  std::copy(text.begin(), text.end(), file.begin() + offset + 1);
}

template <class Record>
std::unique_ptr<Record> readRaw(const Bytes& file) {
  EXPECT_EQ(file.size(), sizeof(Record));
  auto record = std::make_unique<Record>();
  std::memcpy(record.get(), file.data(), sizeof(Record));
  return record;
}

Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t width) {
  return Bytes(bytes.begin() + offset, bytes.begin() + offset + width);
}

TEST(RecordByteOrder, JobInfoReadsBigEndianFileBytesAndWritesThemBack) {
  const struct {
    unsigned char float66[4];
    std::uint32_t floatBits;
  } cases[] = {
      {{0x3F, 0xC0, 0x00, 0x00}, std::bit_cast<std::uint32_t>(1.5f)},
      {{0xC2, 0xF6, 0xE9, 0x79}, std::bit_cast<std::uint32_t>(-123.456f)},
      {{0x7F, 0x80, 0x00, 0x01}, 0x7F800001},  // a signalling NaN keeps every bit
      {{0x01, 0x00, 0x80, 0x7F}, 0x0100807F},  // reads as a signalling NaN before conversion
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << "float bits " << c.floatBits);
    Bytes file(sizeof(tJobInfo), 0);
    putText(file, 0, "Current");
    putText(file, 32, "Order 1187");
    put(file, 64, {0x12, 0x34});
    put(file, 66, {c.float66[0], c.float66[1], c.float66[2], c.float66[3]});
    put(file, 70, {0x00, 0x03});
    put(file, 72, {0x01, 0x03});
    put(file, 74, {0xFF, 0xFE});

    auto info = readRaw<tJobInfo>(file);
    swapMyJobInfo(*info, true);
    EXPECT_EQ(info->name.macRoman(), "Current");
    EXPECT_EQ(info->secondText.macRoman(), "Order 1187");
    EXPECT_EQ(info->flag.value(), 0x1234);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(info->value66.bytes()), c.floatBits);
    EXPECT_EQ(info->value70.value(), 3);
    EXPECT_EQ(info->value72.value(), 0x0103);
    EXPECT_EQ(info->value74.value(), 0xFFFE);

    // A writer fills a record in host order and converts it: the same bytes come out.
    tJobInfo written;
    written.name.assign("Current");
    written.secondText.assign("Order 1187");
    written.flag = 0x1234;
    written.value66.bytes() = std::bit_cast<Float32Field::Bytes>(c.floatBits);
    written.value70 = 3;
    written.value72 = 0x0103;
    written.value74 = 0xFFFE;
    swapMyJobInfo(written, true);
    EXPECT_EQ(bytesOf(written), file);
  }
}

TEST(RecordByteOrder, PrintToFilePrefConvertsItsSettingsAndLeavesTheWebAndLinkedSetWordsAsStored) {
  Bytes file(sizeof(tSpecialPrintToFilePref), 0);
  // The destination folder, big-endian: no volume (-9999), directory 0x00012345, alias id 4513 (set 3).
  put(file, 0, {0xD8, 0xF1});
  put(file, 2, {0x00, 0x01, 0x23, 0x45});
  putText(file, 6, "PRINT TO FILE FOLDER SET A");
  putText(file, 70, "Studio HD");
  put(file, 102, {0x11, 0xA1});
  put(file, 104, {0x00, 0x01});
  put(file, 106, {0x80, 0x02});
  putText(file, 108, "unused text");
  // The settings, big-endian.
  put(file, 362, {0x00, 0x01});
  putText(file, 364, "Yearbook");
  put(file, 396, {0x00, 0x07});
  put(file, 398, {0x00, 0x02});
  put(file, 400, {0xFF, 0xFF});
  put(file, 402, {0x00, 0x0A});
  putText(file, 404, "IMG");
  putText(file, 468, ".jpg");
  put(file, 500, {0x00, 0x01});
  put(file, 502, {0x00, 0x08});
  put(file, 504, {0x00, 0x01});
  put(file, 506, {0x00, 0x03});
  put(file, 508, {0x00, 0x04});
  put(file, 510, {0x01, 0x05});
  put(file, 512, {0x00, 0x06});
  putText(file, 514, "_first");
  putText(file, 524, "_1234567");  // the full eight characters, then the pad byte
  put(file, 534 + 9, {0xEE});      // a pad byte that is not zero travels unchanged
  put(file, 554, {0x02, 0x01});
  putText(file, 556, "Folder A");
  putText(file, 620, "Folder B");
  // The web-upload words and the linked sets, in the order the producer stored them (little-endian).
  put(file, 684, {0x01, 0x00});
  put(file, 686, {0x00, 0x04});  // 1024 pixels
  put(file, 688, {0x01, 0x00});
  put(file, 690, {0x03, 0x00});
  put(file, 692, {0x00, 0x00});
  put(file, 694, {0x01, 0x02});
  putText(file, 696, "192.168.0.2,10.0.0.17");
  put(file, 952, {0x02, 0x00});
  put(file, 954, {0x05, 0x00});
  put(file, 956, {0x00, 0x01});
  put(file, 958, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C,
                  0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18});

  auto pref = readRaw<tSpecialPrintToFilePref>(file);
  swapMySpecialPrintToFilePref(*pref, true);

  const tFolderFSSpec& folder = pref->folder;
  EXPECT_EQ(folder.spec.vRefNum.value(), -9999);
  EXPECT_EQ(folder.spec.parID.value(), 0x00012345);
  EXPECT_TRUE(folder.holdsNoFolder());
  EXPECT_EQ(folder.spec.name.macRoman(), "PRINT TO FILE FOLDER SET A");
  EXPECT_EQ(folder.volumeName.macRoman(), "Studio HD");
  EXPECT_EQ(folder.aliasId.value(), 4513);
  EXPECT_EQ(folder.createWhenMissing.value(), 1);
  EXPECT_EQ(folder.value106.value(), -32766);
  EXPECT_EQ(folder.text108.macRoman(), "unused text");

  EXPECT_EQ(pref->hasRecordBlocks.value(), 1);
  EXPECT_EQ(pref->yearbookFolderName.macRoman(), "Yearbook");
  EXPECT_EQ(pref->value396.value(), 7);
  EXPECT_EQ(pref->orientation.value(), 2);
  EXPECT_EQ(pref->rotationDirection.value(), -1);
  EXPECT_EQ(pref->fileFormat.value(), 10);
  EXPECT_EQ(pref->fileNamePrefix.macRoman(), "IMG");
  EXPECT_EQ(pref->fileNameExtension.macRoman(), ".jpg");
  EXPECT_EQ(pref->forceOrientation.value(), 1);
  EXPECT_EQ(pref->namingScheme.value(), 8);
  EXPECT_EQ(pref->databaseNameSwitch.value(), 1);
  EXPECT_EQ(pref->databaseFieldSelectors[0].value(), 3);
  EXPECT_EQ(pref->databaseFieldSelectors[1].value(), 4);
  EXPECT_EQ(pref->databaseFieldSelectors[2].value(), 0x0105);
  EXPECT_EQ(pref->databaseFieldSelectors[3].value(), 6);
  EXPECT_EQ(pref->fieldTexts[0].text.macRoman(), "_first");
  EXPECT_EQ(pref->fieldTexts[1].text.macRoman(), "_1234567");
  EXPECT_EQ(pref->fieldTexts[2].pad, 0xEE);
  EXPECT_EQ(pref->fileWriterOption.value(), 0x0201);
  EXPECT_EQ(pref->folderTextA.macRoman(), "Folder A");
  EXPECT_EQ(pref->folderTextB.macRoman(), "Folder B");
  EXPECT_EQ(pref->clientAddressList.macRoman(), "192.168.0.2,10.0.0.17");

  // Read in the producer's order, these come out as it meant them.
  EXPECT_EQ(pref->createJPEGForWeb.value(), 1);
  EXPECT_EQ(pref->webMaximumSize.value(), 1024);
  EXPECT_EQ(pref->doNotResizeJpegForWeb.value(), 1);
  EXPECT_EQ(pref->uploadSite.value(), 3);
  EXPECT_EQ(pref->doNotResizePngForWeb.value(), 0);
  EXPECT_EQ(pref->overwriteExisting.value(), 0x0201);
  EXPECT_EQ(pref->linkedSets[0].value(), 2);
  EXPECT_EQ(pref->linkedSets[1].value(), 5);
  EXPECT_EQ(pref->linkedSets[2].value(), 0x0100);

  const Bytes converted = bytesOf(*pref);
  EXPECT_EQ(slice(converted, 684, 12), slice(file, 684, 12));
  EXPECT_EQ(slice(converted, 952, 30), slice(file, 952, 30));
  // Every string keeps its bytes, the characters past the length byte's count included.
  const Field texts[] = {{6, 64},   {70, 32},  {108, 32}, {140, 222}, {364, 32}, {404, 64},
                         {468, 32}, {514, 40}, {556, 64}, {620, 64},  {696, 256}};
  for (const Field& t : texts) {
    SCOPED_TRACE(t.offset);
    EXPECT_EQ(slice(converted, t.offset, t.width), slice(file, t.offset, t.width));
  }
}

TEST(RecordByteOrder, ColorSyncPrefsReachTheLastPrinterEntryAndTheTrailingSwitches) {
  Bytes file(sizeof(tColorSyncPrefs), 0);
  put(file, 0, {0x00, 0x01});
  put(file, 142, {0xFF, 0xFE});              // input profile volume -2
  put(file, 144, {0x00, 0x00, 0x01, 0x02});  // and its directory
  putText(file, 148, "sRGB Profile.icc");
  const std::size_t last = 212 + 99 * 202;  // printer type 99
  put(file, last, {0x00, 0x01});
  put(file, last + 4, {0xFF, 0xFD});
  put(file, last + 6, {0x00, 0x00, 0x30, 0x39});
  putText(file, last + 10, "Printer 99.icc");
  put(file, last + 74, {0x00, 0x01});
  put(file, 46524, {0x00, 0x01});
  put(file, 46526, {0x12, 0x34});

  auto prefs = readRaw<tColorSyncPrefs>(file);
  swapFromHost_MyColorSyncPrefs(*prefs, true);

  EXPECT_EQ(prefs->useColorMatching.value(), 1);
  EXPECT_EQ(prefs->inputProfile.vRefNum.value(), -2);
  EXPECT_EQ(prefs->inputProfile.parID.value(), 0x0102);
  EXPECT_EQ(prefs->inputProfile.name.macRoman(), "sRGB Profile.icc");
  const tPrinterColorSyncPrefs& printer = prefs->printers[99];
  EXPECT_EQ(printer.matchingOn.value(), 1);
  EXPECT_EQ(printer.printerProfile.vRefNum.value(), -3);
  EXPECT_EQ(printer.printerProfile.parID.value(), 12345);
  EXPECT_EQ(printer.printerProfile.name.macRoman(), "Printer 99.icc");
  EXPECT_EQ(printer.embedSourceProfile.value(), 1);
  EXPECT_EQ(prefs->applyEmbeddedProfiles.value(), 1);
  EXPECT_EQ(prefs->value46526.value(), 0x1234);
}

}  // namespace
}  // namespace vorl
