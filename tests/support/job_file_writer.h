// Writing job files for tests: the 42 blocks in file order, from the file layout, with the program's own
// record structs nowhere in sight.
//
// A `JobSpec` starts as a minimal valid job (printer type 17, which carries no printer block and needs no
// print-to-file set, one page record to add) and every block can be set, including values a real producer
// never writes (a bad signature, an over-long template name, counts out of range, archive lengths past their
// buffers), so the reader's refusals can be tested. `writeJobFile` also reports where each block starts, for
// truncating a file at every block boundary.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/record_bytes.h"

namespace vorl::test {

struct JobSpec {
  std::uint16_t signature = 0x8854;                 // 1
  std::int16_t printerType = 17;                    // 2
  std::int16_t canvasNumber = 3;                    // 3
  std::int16_t mediaMatch = 1;                      // 4
  std::uint8_t useColorSettings = 1;                // 5
  Bytes printerBlock;                               // 6: the records of the printer type, in order
  std::int16_t printQuantity = 2;                   // 7
  std::string templateName = "8x10 Portrait";       // 8
  std::optional<std::uint8_t> templateLengthByte;   // 8: instead of the name's length
  std::array<std::uint32_t, 2> viewSize{612, 792};  // 9
  float pageWidth = 8.0f;                           // 10
  float pageHeight = 10.0f;
  std::int16_t resolution = 300;  // 11
  std::uint8_t mirror = 0;        // 12
  std::uint8_t color = 1;
  std::array<std::uint16_t, 2> unused13{0xAAAA, 0xBBBB};                 // 13
  Bytes colorSync;                                                       // 14: 47550 bytes; zeros unless set
  std::uint16_t applyEmbeddedProfiles = 0;                               // 14: the word at 46524, put into `colorSync`
  std::string packageName = "Package B";                                 // 15
  Bytes printToFile;                                                     // 16: 982 bytes; zeros unless set
  std::uint16_t recordStructsFollow = 0;                                 // 16: the word at 362, put into `printToFile`
  std::optional<std::array<std::vector<std::string>, 2>> recordStructs;  // 17: names, then values
  Bytes jobInfo;                                                         // 18: 76 bytes; zeros unless set
  std::array<std::uint16_t, 3> rotationAndCrop{1, 2, 3};                 // 19
  std::uint16_t printMode = 3;                                           // 20
  std::uint16_t cropMode = 6;
  float cropWidth = 5.0f;
  float cropHeight = 7.0f;
  std::uint16_t finalCropWhere = 2;
  std::uint16_t toneMode = 98;  // 21
  std::array<std::int16_t, 6> sepiaAdjust{-1, 2, -3, 4, -5, 6};
  std::uint16_t fixedName = 1;                                          // 22
  std::uint16_t imageQuality = 85;                                      // 23
  std::string jobName = "portrait.final.jpg";                           // 24
  std::array<std::int16_t, 6> oldTimeTones{10, 20, 30, -10, -20, -30};  // 25
  std::uint16_t oldTimePercent = 55;
  std::uint8_t oldTimeTailByte = 0x3C;  // fills the 128 bytes kept as they stand
  std::uint16_t videoMerge = 1;         // 26
  std::uint16_t enableVideoCopy = 1;
  bool hasSubJob = false;    // 27
  float subJobWidth = 4.0f;  // 28
  float subJobHeight = 6.0f;
  std::uint16_t subjobResizeMode = 1;
  std::vector<Bytes> subJobRecords;
  std::optional<std::uint32_t> subJobCount;  // instead of the number of records
  std::vector<Bytes> pageRecords;            // 29
  std::optional<std::uint32_t> pageCount;
  std::string originalPath = "/Volumes/Studio/Originals/IMG_0042.JPG";  // 30
  Bytes printToFileAgain;                                               // 31: 982 bytes; a copy of block 16 unless set
  Bytes uploadArchive;                                                  // 32: at the start of the 4096 bytes
  std::optional<std::int32_t> uploadLength;                             // its length at 4092 (little-endian)
  Bytes dictionaryArchive;                                              // 33: at the start of the 32768 bytes
  std::optional<std::int32_t> dictionaryLength;
  Bytes emailArchive;  // 34
  std::optional<std::int32_t> emailLength;
  std::uint16_t retailCustomerMetadata = 1;          // 35
  std::string customerEmail = "parent@example.com";  // 36: length byte and 255 characters
  std::string extraNameText = "Extra";               // 37
  std::string groupCode = "GRP-7";                   // 38
  std::uint16_t unused39 = 0xCCCC;                   // 39
  float blurValue = 1.5f;                            // 40: little-endian
  std::string videoPath = "/Users/Shared/clip.mov";  // 41
  Bytes pageSetupArchive;                            // 42
  Bytes trailingBytes;                               // after block 42
};

struct WrittenJob {
  Bytes bytes;
  std::array<std::size_t, 43> blockStart{};  // blockStart[n]: where block n starts (n = 1..42)
};

WrittenJob writeJobFile(const JobSpec& spec);

// A tRecordStruct: 41 strings of 256 bytes.
Bytes recordStructBytes(const std::vector<std::string>& texts);
// A job-information record with the two texts and the numbers at 64 to 74.
Bytes jobInfoBytes(std::string_view first, std::string_view second, std::uint16_t flag, float value66,
                   std::array<std::uint16_t, 3> value70to74);

// Writes the bytes as a file; throws when it cannot.
void writeFile(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace vorl::test
