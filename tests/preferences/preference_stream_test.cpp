// The stored streams of the preference records: known bytes for one record written by hand here, round trips
// of every layout that leave the fields outside the stream alone, and the two ways a read can fail.
#include "preferences/preference_stream_layouts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/record_bytes.h"

namespace vorl {
namespace {

using test::Bytes;
using test::bytesOf;

// Puts a valid length byte into every string field of the layout, so the patterned record can be written.
void makeStringsValid(std::span<const StreamField> layout, void* record) {
  auto* bytes = static_cast<unsigned char*>(record);
  for (const StreamField& field : layout)
    if (field.kind == StreamFieldKind::String) bytes[field.offset] = static_cast<unsigned char>(field.size - 1);
}

TEST(PreferenceStream, PrintServerStreamHasTheBytesOfTheFileLayout) {
  tPrintServerPrefs prefs{};
  prefs.serverRoot.vRefNum = -100;
  prefs.serverRoot.dirID = 0x01020304;
  prefs.pollEvents = 1;
  prefs.keepJobFiles = 0x1234;
  prefs.secondRoot.dirID = -2;
  prefs.value336 = 7;
  prefs.name44.assign("not stored");

  PreferenceStreamWriter stream;
  writeRecordToStream(printServerStreamLayout(), &prefs, stream);

  Bytes expected(82, 0);
  const auto put16 = [&](std::size_t at, unsigned v) {
    expected[at] = v & 0xFF;
    expected[at + 1] = (v >> 8) & 0xFF;
  };
  put16(0, 0xFF9C);  // -100
  expected[2] = 0x04, expected[3] = 0x03, expected[4] = 0x02, expected[5] = 0x01;
  put16(30, 1);               // after five folder pairs
  put16(50 + 2 * 2, 0x1234);  // +214 is the third word after +108/+110 (stream offset 44..49)
  expected[74] = 0xFE, expected[75] = 0xFF, expected[76] = 0xFF, expected[77] = 0xFF;  // i32 +330
  put16(80, 7);                                                                        // +336, the last word
  EXPECT_EQ(Bytes(stream.bytes().begin(), stream.bytes().end()), expected);
}

TEST(PreferenceStream, EveryLayoutRoundTripsAndLeavesUnstoredBytesAlone) {
  struct Case {
    const char* name;
    std::span<const StreamField> layout;
    std::size_t recordSize;
    std::size_t streamSizeWithFullStrings;
  };
  const Case cases[] = {
      {"print server", printServerStreamLayout(), sizeof(tPrintServerPrefs), 82},
      {"print-to-file set", printToFileSetStreamLayout(), sizeof(tSpecialPrintToFilePref), 760},
      {"web upload", webUploadStreamLayout(), sizeof(tSpecialPrintToFilePref), 486},
      {"processed jobs", processedJobsStreamLayout(), sizeof(tProcessedJobsPrefs), 394},
      {"output files", outputFilesStreamLayout(), sizeof(tOutputFilePrefs), 260},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<unsigned char> source(c.recordSize), target(c.recordSize);
    for (std::size_t i = 0; i < c.recordSize; ++i) {
      source[i] = static_cast<unsigned char>(i * 7 + 1);
      target[i] = static_cast<unsigned char>(0xA5 ^ i);
    }
    makeStringsValid(c.layout, source.data());
    const std::vector<unsigned char> untouched = target;

    PreferenceStreamWriter writer;
    writeRecordToStream(c.layout, source.data(), writer);
    EXPECT_EQ(writer.bytes().size(), c.streamSizeWithFullStrings);

    PreferenceStreamReader reader(writer.bytes());
    ASSERT_EQ(readRecordFromStream(c.layout, target.data(), reader), noErr);
    EXPECT_EQ(reader.position(), writer.bytes().size());

    std::vector<bool> stored(c.recordSize, false);
    for (const StreamField& field : c.layout)
      for (std::size_t i = 0; i < field.size; ++i) stored[field.offset + i] = true;
    for (std::size_t i = 0; i < c.recordSize; ++i) {
      SCOPED_TRACE(i);
      ASSERT_EQ(target[i], stored[i] ? source[i] : untouched[i]);
    }
  }
}

TEST(PreferenceStream, FailedReadsKeepWhatWasReadAndLeaveTheRest) {
  tOutputFilePrefs written{};
  written.outputQuality = 80;
  written.value2 = 3;
  PreferenceStreamWriter writer;
  writeRecordToStream(outputFilesStreamLayout(), &written, writer);

  // Cut inside the raw bytes: the two numbers are read, the raw bytes are not.
  const std::vector<std::uint8_t> cut(writer.bytes().begin(), writer.bytes().begin() + 100);
  tOutputFilePrefs read{};
  read.value2 = -1;
  std::memset(read.reserved.data(), 0x77, read.reserved.size());
  PreferenceStreamReader reader(cut);
  EXPECT_EQ(readRecordFromStream(outputFilesStreamLayout(), &read, reader), eofErr);
  EXPECT_EQ(read.outputQuality, 80);
  EXPECT_EQ(read.value2, 3);
  EXPECT_EQ(read.reserved[0], 0x77);
}

TEST(PreferenceStream, StringLongerThanItsFieldIsRefused) {
  const struct {
    std::vector<std::uint8_t> bytes;
    OSErr expected;
  } cases[] = {
      {{31, 'a'}, eofErr},  // fits the field but the bytes run out
      {{32}, paramErr},     // 32 + 1 > 32
      {{255}, paramErr},
      {{}, eofErr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    unsigned char field[32];
    std::memset(field, 0xEE, sizeof field);
    PreferenceStreamReader reader(c.bytes);
    EXPECT_EQ(reader.readString(field, sizeof field), c.expected);
    EXPECT_EQ(field[0], 0xEE);
  }
}

TEST(PreferenceStream, WebUploadValueWithTrailingBytesReadsItsOwnFieldsOnly) {
  tSpecialPrintToFilePref written{};
  written.fileFormat = 10;
  for (auto& word : written.reserved958) word = 0x42424242;
  PreferenceStreamWriter writer;
  writeRecordToStream(webUploadStreamLayout(), &written, writer);
  std::vector<std::uint8_t> stored = writer.bytes();
  stored.insert(stored.end(), 42, 0x99);

  tSpecialPrintToFilePref read{};
  PreferenceStreamReader reader(stored);
  ASSERT_EQ(readRecordFromStream(webUploadStreamLayout(), &read, reader), noErr);
  EXPECT_EQ(read.fileFormat, 10);
  EXPECT_EQ(bytesOf(read.reserved958), bytesOf(written.reserved958));
  EXPECT_EQ(reader.position(), stored.size() - 42);
}

}  // namespace
}  // namespace vorl
