// The print-data file as the print centre reads it: the length word, the header byte for byte (each field in
// its documented byte order, every record as the job file stored it, the per-family changes), the marker and
// the picture in the printer's sample layout; its name, and how it comes into the folder (only ever by a rename,
// nothing left behind by a failure).
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>

#include "platform/system/command_runner.h"
#include "tests/jobs/print_output_support.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/record_writer.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

using test::Bytes;
using test::Colour;
using test::ParsedPrintData;

constexpr std::size_t kHeaderSize = 15036;
constexpr Colour kInk{0x12, 0x34, 0x56};

// The records of a job's printer block, each zero unless a case fills it, in the producer's byte order.
struct JobRecords {
  Bytes colorAdjustOne = Bytes(1224, 0);
  Bytes colorAdjustTwo = Bytes(1224, 0);
  Bytes kodak = Bytes(32, 0);
  Bytes fuji = Bytes(282, 0);
  Bytes mediaOne = Bytes(134, 0);
  Bytes mediaTwo = Bytes(134, 0);
  Bytes mitsubishi = Bytes(10296, 0);
  Bytes mitsubishiMedia = Bytes(148, 0);
  Bytes shinko = Bytes(380, 0);
  Bytes noritsu = Bytes(634, 0);
  Bytes dnp = Bytes(1308, 0);
};

void putBE16(Bytes& bytes, std::size_t at, std::uint16_t value) {
  bytes.at(at) = static_cast<std::uint8_t>(value >> 8);
  bytes.at(at + 1) = static_cast<std::uint8_t>(value);
}
void putLE16(Bytes& bytes, std::size_t at, std::uint16_t value) {
  bytes.at(at) = static_cast<std::uint8_t>(value);
  bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}
void putBE32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}
void copyInto(Bytes& to, std::size_t at, const Bytes& from, std::size_t begin, std::size_t count) {
  std::copy_n(from.begin() + static_cast<std::ptrdiff_t>(begin), count, to.begin() + static_cast<std::ptrdiff_t>(at));
}

// The colour correction reads red, green, blue, dark, light and gamma from the value records at these offsets; all
// zero leaves the page as it is, so the picture stays predictable.
void zeroColourValues(Bytes& record, std::size_t valueRecords) {
  for (const std::size_t offset : {0, 12, 24, 36, 48, 72}) putBE32(record, valueRecords + offset, 0);
}

struct PrinterCase {
  std::int16_t type;
  std::function<void(JobRecords&)> setUp;  // distinct fields first, then the selectors and values the case needs
  int pageWidth, pageHeight;
  int width, height;  // the picture written
  std::uint32_t dataType;
};

Bytes printerBlock(std::int16_t type, const JobRecords& r) {
  std::vector<const Bytes*> parts;
  switch (type) {
    case 1: parts = {&r.colorAdjustOne}; break;
    case 9: case 42: parts = {&r.colorAdjustOne, &r.mediaOne}; break;
    case 5: case 6: case 7: parts = {&r.kodak, &r.colorAdjustTwo}; break;
    case 23: parts = {&r.mitsubishi, &r.mitsubishiMedia}; break;
    case 24: case 29: case 33: parts = {&r.colorAdjustTwo, &r.mediaTwo}; break;
    case 15: parts = {&r.shinko, &r.mediaOne}; break;
    case 30: parts = {&r.noritsu, &r.mediaOne}; break;
    case 43: case 44: case 56: parts = {&r.mitsubishi, &r.mediaOne}; break;
    case 45: parts = {&r.dnp, &r.mediaOne}; break;
    default: ADD_FAILURE() << "no block for printer type " << type;
  }
  Bytes block;
  for (const Bytes* part : parts) block.insert(block.end(), part->begin(), part->end());
  return block;
}

test::JobSpec jobSpecFor(std::int16_t type, const JobRecords& records) {
  test::JobSpec spec = test::minimalJob();
  spec.printerType = type;
  spec.printerBlock = printerBlock(type, records);
  spec.mediaMatch = 0x0102;
  spec.useColorSettings = 1;
  spec.mirror = 1;
  spec.color = 1;
  spec.printQuantity = 3;
  spec.resolution = 300;
  spec.templateName = "Template";
  spec.packageName = "Package B";
  return spec;
}

// The header the print centre must find, worked out from the job's own record bytes and the documented changes.
Bytes expectedHeader(const PrinterCase& c, const test::JobSpec& spec, const JobRecords& r, std::uint32_t dataSize) {
  Bytes h(kHeaderSize, 0);
  const std::int16_t t = c.type;
  putBE16(h, 0, 0xC31F);
  putBE16(h, 2, static_cast<std::uint16_t>(c.width));
  putBE16(h, 4, static_cast<std::uint16_t>(c.height));
  putBE16(h, 6, static_cast<std::uint16_t>(t));
  putBE16(h, 8, static_cast<std::uint16_t>(spec.resolution));
  putLE16(h, 10, spec.mirror);
  putLE16(h, 12, spec.color);
  putBE16(h, 14, static_cast<std::uint16_t>(spec.mediaMatch));
  putLE16(h, 16, spec.useColorSettings);
  putBE16(h, 18, static_cast<std::uint16_t>(spec.printQuantity));
  putBE16(h, 20, 1);  // the dual-buffer switch the fixture sets
  putBE32(h, 24, dataSize);
  putBE32(h, 28, c.dataType);
  copyInto(h, 32, r.colorAdjustOne, 0, 1224);
  const bool blockTwo = t == 5 || t == 6 || t == 7 || t == 24 || t == 29 || t == 33;
  if (blockTwo) copyInto(h, 1256, r.colorAdjustTwo, 0, 1224);
  copyInto(h, 2480, r.kodak, 0, 32);
  if (t == 5 || t == 6 || t == 7) copyInto(h, 2484, r.colorAdjustTwo, 90, 2);  // low half of the word at 88
  copyInto(h, 2512, r.fuji, 0, 282);
  copyInto(h, 2794, r.mediaOne, 0, 134);
  if (t == 23) copyInto(h, 2794 + 4, r.mitsubishiMedia, 4, 2);
  if (t == 24 || t == 29 || t == 33) copyInto(h, 2794 + 2, r.mediaTwo, 2, 2);
  if (t == 33) {
    copyInto(h, 2794 + 10, r.mediaTwo, 10, 2);
    copyInto(h, 2794 + 4, r.mediaTwo, 4, 2);
  }
  copyInto(h, 2928, r.mitsubishi, 0, 10296);
  copyInto(h, 13224, r.shinko, 0, 380);
  if (t == 56 || t == 57) {
    // The job stores these floats little-endian (no converter lists them); the file has them big-endian.
    for (std::size_t i = 0; i < 10; ++i)
      for (std::size_t b = 0; b < 4; ++b) h[13604 + 4 * i + b] = r.mitsubishi[186 + 4 * i + 3 - b];
    copyInto(h, 13604 + 40, r.mitsubishi, 226, 1008);
  }
  if (t == 45) {
    copyInto(h, 13604, r.dnp, 4, 1048);
    copyInto(h, 2928 + 10, r.dnp, 2, 2);
    copyInto(h, 2928 + 4, r.dnp, 0, 2);
    copyInto(h, 2928 + 54, r.dnp, 1052, 2);
  }
  if (t == 9 || t == 42) {
    copyInto(h, 13604, r.colorAdjustOne, 126, 1048);
    putBE16(h, 32 + 2, 1);
    for (const std::size_t offset : {4, 16, 28, 40, 52, 76}) putBE32(h, 32 + offset, 0);
    putBE32(h, 32 + 64, 3);
  }
  std::memcpy(h.data() + 14652, spec.templateName.data(), spec.templateName.size());
  std::memcpy(h.data() + 14908, spec.packageName.data(), spec.packageName.size());
  return h;
}

// The picture of a page in one colour, in the data type's layout.
Bytes expectedUniformPicture(std::uint32_t dataType, int width, int height, Colour colour) {
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  Bytes picture;
  if (dataType == 2) {
    for (std::size_t i = 0; i < pixels; ++i) picture.insert(picture.end(), colour.begin(), colour.end());
  } else {
    const std::array<int, 3> order = dataType == 4 ? std::array{0, 1, 2} : std::array{2, 1, 0};
    for (const int channel : order) picture.insert(picture.end(), pixels, colour[channel]);
  }
  return picture;
}

Bytes distinct(const test::RecordLayout& layout, std::uint32_t seed) { return test::recordWithDistinctFields(layout, seed); }

const std::vector<PrinterCase>& printerCases() {
  static const std::vector<PrinterCase> cases = {
      {1, [](JobRecords& r) { r.colorAdjustOne = distinct(test::colorAdjustInfo2Layout(), 1); }, 6, 4, 6, 4, 2},
      {5,
       [](JobRecords& r) {
         r.kodak = distinct(test::kodakLayout(), 2);
         r.colorAdjustTwo = distinct(test::colorAdjustInfo2Layout(), 3);
         zeroColourValues(r.colorAdjustTwo, 4);
         putBE32(r.colorAdjustTwo, 88, 0x00050007);  // lamination: the Kodak settings take 7
       },
       6, 4, 6, 4, 32},
      {9,
       [](JobRecords& r) {
         r.colorAdjustOne = distinct(test::colorAdjustInfo2Layout(), 4);
         putBE16(r.colorAdjustOne, 2, 1);  // this family reads the colour-settings switch here
         r.mediaOne = distinct(test::mediaTypeLayout(), 5);
         putBE16(r.mediaOne, 2, 4);  // media 4: 1728 x 1210
       },
       1728, 1210, 1728, 1210, 2},
      {15,
       [](JobRecords& r) {
         r.shinko = distinct(test::shinkoLayout(), 6);
         zeroColourValues(r.shinko, 0);
         r.mediaOne = distinct(test::mediaTypeLayout(), 7);
         putBE16(r.mediaOne, 2, 1);  // media 1 keeps the page size
       },
       4, 6, 4, 6, 2},
      {23,
       [](JobRecords& r) {
         r.mitsubishi = distinct(test::mitsubishiLayout(), 8);
         zeroColourValues(r.mitsubishi, 58);
         r.mitsubishiMedia = distinct(test::mitsubishiMediaLayout(), 9);
         putBE16(r.mitsubishiMedia, 2, 1);  // media 1 keeps the page size
       },
       4, 6, 4, 6, 4},
      {24,
       [](JobRecords& r) {
         r.colorAdjustTwo = distinct(test::colorAdjustInfo2Layout(), 10);
         zeroColourValues(r.colorAdjustTwo, 4);
         r.mediaTwo = distinct(test::mediaTypeLayout(), 11);
         putBE16(r.mediaTwo, 2, 9);  // no such media: the page size stays
       },
       4, 6, 4, 6, 2},
      {30,
       [](JobRecords& r) {
         r.noritsu = distinct(test::noritsuLayout(), 12);
         zeroColourValues(r.noritsu, 0);
         r.mediaOne = distinct(test::mediaTypeLayout(), 13);
         putBE16(r.mediaOne, 6, 1);  // landscape
       },
       6, 4, 6, 4, 1},
      {33,
       [](JobRecords& r) {
         r.colorAdjustTwo = distinct(test::colorAdjustInfo2Layout(), 14);
         zeroColourValues(r.colorAdjustTwo, 4);
         r.mediaTwo = distinct(test::mediaTypeLayout(), 15);
         putBE16(r.mediaTwo, 10, 9);  // no such ribbon: the page size stays
       },
       4, 6, 4, 6, 32},
      {43,
       [](JobRecords& r) {
         r.mitsubishi = distinct(test::mitsubishiLayout(), 16);
         zeroColourValues(r.mitsubishi, 58);
         r.mediaOne = distinct(test::mediaTypeLayout(), 17);
         putBE16(r.mediaOne, 2, 3);  // media 3: 1572 x 1076
       },
       1572, 1076, 1572, 1076, 2},
      {44,
       [](JobRecords& r) {
         r.mitsubishi = distinct(test::mitsubishiLayout(), 18);
         zeroColourValues(r.mitsubishi, 58);
         putBE16(r.mitsubishi, 10, 2);  // printing mode 2: double height
         r.mediaOne = distinct(test::mediaTypeLayout(), 19);
         putBE16(r.mediaOne, 2, 0);  // no such media: the page size stays
       },
       4, 6, 4, 12, 4},
      {45,
       [](JobRecords& r) {
         r.dnp = distinct(test::dnpLayout(), 20);
         putBE16(r.dnp, 2, 2);  // printing mode 2: double height
         r.mediaOne = distinct(test::mediaTypeLayout(), 21);
         putBE16(r.mediaOne, 2, 0);
       },
       4, 6, 4, 12, 2},
      {56,
       [](JobRecords& r) {
         r.mitsubishi = distinct(test::mitsubishiLayout(), 22);
         r.mediaOne = distinct(test::mediaTypeLayout(), 23);
         putBE16(r.mediaOne, 2, 0);
       },
       4, 6, 4, 6, 2},
  };
  return cases;
}

class PrintDataFileTest : public test::PrintOutputTest {
 protected:
  // The one file in the print-centre folder (sidecars aside), parsed.
  ParsedPrintData onlyFile(std::string* name = nullptr) {
    std::vector<std::string> files;
    for (const std::string& n : test::namesIn(printCentre_))
      if (!n.starts_with("._")) files.push_back(n);
    EXPECT_EQ(files.size(), 1u) << testing::PrintToString(files);
    if (files.empty()) return {};
    if (name) *name = files[0];
    const Bytes bytes = test::readBytes(printCentre_ / files[0]);
    ParsedPrintData parsed = test::parsePrintData(bytes);
    EXPECT_EQ(bytes.size(), 15041u + parsed.dataSize());
    return parsed;
  }

  std::string run(const std::vector<std::string>& arguments) {
    const CommandResult result = runCommand(arguments);
    EXPECT_TRUE(result.succeeded()) << describeOutcome(result) << result.standardError;
    return result.standardOutput;
  }

  // The size djpeg reads from a JPEG ("P6\n<w> <h>\n255\n").
  std::pair<int, int> jpegSize(const Bytes& jpeg) {
    const fs::path file = test::makeTempFolder("jpeg") / "picture.jpg";
    test::writeFile(file, jpeg);
    const std::string pnm = run({"djpeg", "-pnm", file.string()});
    int width = 0, height = 0;
    EXPECT_EQ(std::sscanf(pnm.c_str(), "P6 %d %d", &width, &height), 2) << pnm.substr(0, 20);
    return {width, height};
  }
};

TEST_F(PrintDataFileTest, EachPrinterFamilyGetsItsHeaderRecordsAndPictureLayout) {
  for (const PrinterCase& c : printerCases()) {
    SCOPED_TRACE(testing::Message() << "printer type " << c.type);
    for (const std::string& name : test::namesIn(printCentre_)) fs::remove(printCentre_ / name);
    JobRecords records;
    c.setUp(records);
    const test::JobSpec spec = jobSpecFor(c.type, records);
    test::SpoolerJob job = makeJob(spec, test::uniformPage(c.pageWidth, c.pageHeight, kInk));
    ASSERT_TRUE(deliver(*job.view));

    std::string name;
    const ParsedPrintData file = onlyFile(&name);
    EXPECT_EQ(name, std::string(test::kNamePrefix) + "Template");
    EXPECT_EQ(file.lengthWord, 15036u);
    EXPECT_EQ(file.marker, 0xEE);
    const std::uint32_t dataSize =
        c.dataType == 1 ? static_cast<std::uint32_t>(file.data.size()) : static_cast<std::uint32_t>(c.width * c.height * 3);
    const Bytes expected = expectedHeader(c, spec, records, dataSize);
    EXPECT_EQ(test::differingOffsets(file.header, expected), std::vector<std::size_t>{});
    if (c.dataType == 1) {
      ASSERT_GT(file.data.size(), 4u);
      EXPECT_EQ(file.data[0], 0xFF);
      EXPECT_EQ(file.data[1], 0xD8);
      EXPECT_EQ(jpegSize(file.data), std::make_pair(c.width, c.height));
    } else {
      EXPECT_EQ(file.data, expectedUniformPicture(c.dataType, c.width, c.height, kInk));
    }
  }
}

TEST_F(PrintDataFileTest, PixelsLandInTheDataTypesSampleOrder) {
  const int w = 5, h = 3;
  const struct {
    std::int16_t type;
    std::uint32_t dataType;
    std::array<int, 3> planes;  // channel order of planar types
  } cases[] = {{1, 2, {}}, {23, 4, {0, 1, 2}}, {5, 32, {2, 1, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    for (const std::string& name : test::namesIn(printCentre_)) fs::remove(printCentre_ / name);
    JobRecords records;
    putBE16(records.mitsubishiMedia, 2, 1);  // type 23: media 1 keeps the page size
    test::SpoolerJob job = makeJob(jobSpecFor(c.type, records), test::coordinatePage(w, h));
    ASSERT_TRUE(deliver(*job.view));
    const ParsedPrintData file = onlyFile();
    ASSERT_EQ(file.dataType(), c.dataType);
    Bytes expected;
    if (c.dataType == 2) {
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const Colour colour = test::coordinateColour(x, y);
          expected.insert(expected.end(), colour.begin(), colour.end());
        }
    } else {
      for (const int channel : c.planes)
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) expected.push_back(test::coordinateColour(x, y)[channel]);
    }
    EXPECT_EQ(file.data, expected);
  }
}

TEST_F(PrintDataFileTest, APortraitPageForALandscapePrinterIsTurnedClockwise) {
  const int w = 3, h = 5;
  test::SpoolerJob job = makeJob(jobSpecFor(1, {}), test::coordinatePage(w, h));
  ASSERT_TRUE(deliver(*job.view));
  const ParsedPrintData file = onlyFile();
  ASSERT_EQ(file.width(), h);
  ASSERT_EQ(file.height(), w);
  // A quarter turn clockwise: output (x, y) shows the page's (y, h - 1 - x).
  Bytes expected;
  for (int y = 0; y < w; ++y)
    for (int x = 0; x < h; ++x) {
      const Colour colour = test::coordinateColour(y, h - 1 - x);
      expected.insert(expected.end(), colour.begin(), colour.end());
    }
  EXPECT_EQ(file.data, expected);
}

TEST_F(PrintDataFileTest, MirroringPrintersGetThePageReversedLeftToRight) {
  const int w = 4, h = 6;
  test::SpoolerJob job = makeJob(jobSpecFor(45, {}), test::coordinatePage(w, h));
  ASSERT_TRUE(deliver(*job.view));
  const ParsedPrintData file = onlyFile();
  ASSERT_EQ(file.height(), h) << "printing mode 0: single height";
  Bytes expected;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Colour colour = test::coordinateColour(w - 1 - x, y);
      expected.insert(expected.end(), colour.begin(), colour.end());
    }
  EXPECT_EQ(file.data, expected);
}

TEST_F(PrintDataFileTest, APageOf1200By1800ForTypeOneMakesAFileOf6495041Bytes) {
  test::SpoolerJob job = makeJob(jobSpecFor(1, {}), test::uniformPage(1200, 1800, kInk));
  ASSERT_TRUE(deliver(*job.view));
  std::string name;
  const ParsedPrintData file = onlyFile(&name);
  EXPECT_EQ(file.dataSize(), 6480000u);
  EXPECT_EQ(fs::file_size(printCentre_ / name), 6495041u);
  EXPECT_EQ(file.width(), 1800);
  EXPECT_EQ(file.height(), 1200);
}

TEST_F(PrintDataFileTest, FlagsAreLittleEndianWhileThePrinterTypeIsBigEndian) {
  test::SpoolerJob job = makeJob(jobSpecFor(1, {}), test::uniformPage(6, 4, kInk));
  ASSERT_TRUE(deliver(*job.view));
  const ParsedPrintData file = onlyFile();
  for (const std::size_t offset : {10u, 12u, 16u}) {
    SCOPED_TRACE(offset);
    EXPECT_EQ(file.header.at(offset), 0x01);
    EXPECT_EQ(file.header.at(offset + 1), 0x00);
  }
  EXPECT_EQ(file.header.at(6), 0x00);
  EXPECT_EQ(file.header.at(7), 0x01);
}

TEST_F(PrintDataFileTest, NamesAreCutToTheirFieldsAndZeroPadded) {
  test::JobSpec spec = jobSpecFor(1, {});
  spec.templateName = "Portrait 8x10 with border";  // 25 characters: the file name takes 15
  spec.packageName = std::string(31, 'P');  // the longest the job file holds
  test::SpoolerJob job = makeJob(spec, test::uniformPage(6, 4, kInk));
  const std::string imageName = "IMG_" + std::string(196, 'x');
  job.view->SetCurrentImageName(Str255(imageName));
  ASSERT_TRUE(deliver(*job.view));
  std::string name;
  const ParsedPrintData file = onlyFile(&name);
  EXPECT_EQ(name, std::string(test::kNamePrefix) + "Portrait 8x10 w");
  const auto field = [&](std::size_t offset) { return Bytes(file.header.begin() + offset, file.header.begin() + offset + 128); };
  Bytes templateField(128, 0), imageField(128, 0), packageField(128, 0);
  std::memcpy(templateField.data(), spec.templateName.data(), spec.templateName.size());
  std::memcpy(imageField.data(), imageName.data(), 127);
  std::memset(packageField.data(), 'P', 31);
  EXPECT_EQ(field(14652), templateField);
  EXPECT_EQ(field(14780), imageField);
  EXPECT_EQ(field(14908), packageField);
}

TEST_F(PrintDataFileTest, ASlashInTheTemplateNameIsAColonOnDisk) {
  test::JobSpec spec = jobSpecFor(1, {});
  spec.templateName = "4/6 ../Print";
  test::SpoolerJob job = makeJob(spec, test::uniformPage(6, 4, kInk));
  ASSERT_TRUE(deliver(*job.view));
  std::string name;
  static_cast<void>(onlyFile(&name));
  EXPECT_EQ(name, std::string(test::kNamePrefix) + "4:6 ..:Print");
}

TEST_F(PrintDataFileTest, TwoPagesInTheSameSecondGetDistinctNames) {
  for (int page = 0; page < 2; ++page) {
    test::SpoolerJob job = makeJob(jobSpecFor(1, {}), test::uniformPage(6, 4, {static_cast<std::uint8_t>(page), 0, 0}));
    ASSERT_TRUE(deliver(*job.view));
  }
  std::vector<std::string> files;
  for (const std::string& n : test::namesIn(printCentre_))
    if (!n.starts_with("._")) files.push_back(n);
  const std::string first = std::string(test::kNamePrefix) + "Template";
  // The second takes the first 25 characters of the name, made unique.
  const std::string second = first.substr(0, 25) + "_0001";
  ASSERT_EQ(files, (std::vector<std::string>{first, second}));
  const Bytes firstData = test::parsePrintData(test::readBytes(printCentre_ / first)).data;
  const Bytes secondData = test::parsePrintData(test::readBytes(printCentre_ / second)).data;
  ASSERT_FALSE(firstData.empty() || secondData.empty());
  EXPECT_EQ(firstData[0], 0);
  EXPECT_EQ(secondData[0], 1);
}

TEST_F(PrintDataFileTest, TheFileCarriesThePrintCentresTypeAndCreator) {
  test::SpoolerJob job = makeJob(jobSpecFor(1, {}), test::uniformPage(6, 4, kInk));
  ASSERT_TRUE(deliver(*job.view));
  const std::string name = std::string(test::kNamePrefix) + "Template";
  const Bytes sidecar = test::readBytes(printCentre_ / ("._" + name));
  // The Finder information entry (id 9) holds 'RAW ' and '8BIM' at its start.
  const std::string text(sidecar.begin(), sidecar.end());
  EXPECT_NE(text.find(std::string("RAW 8BIM")), std::string::npos);
  EXPECT_EQ(test::namesIn(printCentre_), (std::vector<std::string>{"._" + name, name}));
}

TEST_F(PrintDataFileTest, TheFinalNameAppearsOnlyByARename) {
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, printCentre_.c_str(), IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO), 0);
  test::SpoolerJob job = makeJob(jobSpecFor(1, {}), test::uniformPage(60, 40, kInk));
  ASSERT_TRUE(deliver(*job.view));

  const std::string finalName = std::string(test::kNamePrefix) + "Template";
  std::vector<std::pair<std::string, std::uint32_t>> events;
  alignas(inotify_event) char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(watch, buffer, sizeof buffer);
    if (got <= 0) break;
    for (char* p = buffer; p < buffer + got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(p);
      events.emplace_back(event->len ? event->name : "", event->mask);
      p += sizeof(inotify_event) + event->len;
    }
  }
  ::close(watch);
  int movedIn = 0;
  for (const auto& [name, mask] : events) {
    if (name == finalName) {
      EXPECT_EQ(mask & (IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE), 0u) << "event " << mask;
      movedIn += (mask & IN_MOVED_TO) ? 1 : 0;
    } else if (mask & (IN_CREATE | IN_MODIFY)) {
      // Everything written in place is under a name the print centre passes by.
      EXPECT_TRUE(name.starts_with("Tempfile_") || name.starts_with("._") || name.starts_with(".")) << name;
    }
  }
  EXPECT_EQ(movedIn, 1);
}

// Pixels that no JPEG squeezes small, so the picture is far larger than the file-size limit below.
OffscreenPtr noisePage(int width, int height) {
  OffscreenPtr page = test::uniformPage(width, height, kInk);
  std::uint32_t state = 12345;
  const PixView view = page->view();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 1; c <= 3; ++c) {
        state = state * 1103515245u + 12345u;
        view.localPixel(x, y)[c] = static_cast<std::uint8_t>(state >> 16);
      }
  return page;
}

TEST_F(PrintDataFileTest, AFullDiskFailsTheWriteAndLeavesNothing) {
  for (const std::int16_t type : {1, 30}) {
    SCOPED_TRACE(type);
    JobRecords records;
    putBE16(records.mediaOne, 6, 1);  // type 30: landscape, the page as it is
    test::SpoolerJob job = makeJob(jobSpecFor(type, records), noisePage(300, 200));
    bool delivered = true;
    {
      test::FileSizeLimit limit(20000);
      delivered = deliver(*job.view);
    }
    EXPECT_FALSE(delivered);
    EXPECT_EQ(test::namesIn(printCentre_), std::vector<std::string>{});
  }
}

TEST_F(PrintDataFileTest, AMissingOrUnusablePrintCentreFolderFailsTheWrite) {
  const fs::path gone = root_ / "gone";
  fs::create_directories(gone);
  pointPrintCentreAt(gone);
  fs::remove(gone);
  test::SpoolerJob job = makeJob(jobSpecFor(1, {}), test::uniformPage(6, 4, kInk));
  EXPECT_FALSE(deliver(*job.view));

  // A regular file where the folder should be: nothing can be made in it.
  const fs::path file = root_ / "not a folder";
  std::ofstream(file) << "x";
  pointPrintCentreAt(file);
  test::SpoolerJob second = makeJob(jobSpecFor(1, {}), test::uniformPage(6, 4, kInk));
  EXPECT_FALSE(deliver(*second.view));
  EXPECT_EQ(fs::file_size(file), 1u);
}

TEST_F(PrintDataFileTest, AReadOnlyPrintCentreFolderFailsTheWrite) {
  if (::geteuid() == 0) GTEST_SKIP() << "running as root, for whom a folder's permission bits do not stop writing";
  fs::permissions(printCentre_, fs::perms::owner_read | fs::perms::owner_exec);
  test::SpoolerJob job = makeJob(jobSpecFor(1, {}), test::uniformPage(6, 4, kInk));
  EXPECT_FALSE(deliver(*job.view));
  fs::permissions(printCentre_, fs::perms::owner_all);
  EXPECT_EQ(test::namesIn(printCentre_), std::vector<std::string>{});
}

TEST_F(PrintDataFileTest, TypeFifteenAlsoLeavesTheFinishedPageInThePreferencesFolder) {
  JobRecords records;
  putBE16(records.mediaOne, 2, 1);
  test::SpoolerJob job = makeJob(jobSpecFor(15, records), test::uniformPage(4, 6, kInk));
  ASSERT_TRUE(deliver(*job.view));
  const Bytes jpeg = test::readBytes(root_ / "preferences" / "TempFile");
  ASSERT_GT(jpeg.size(), 2u);
  EXPECT_EQ(jpegSize(jpeg), std::make_pair(4, 6));
}

TEST_F(PrintDataFileTest, WithoutAPageNothingIsWritten) {
  test::SpoolerJob job = makeJob(jobSpecFor(1, {}), nullptr);
  EXPECT_FALSE(deliver(*job.view));
  EXPECT_EQ(test::namesIn(printCentre_), std::vector<std::string>{});
}

}  // namespace
}  // namespace vorl
