// The stored chroma-key record: its little-endian reading and writing, the defaults of a fresh record, and the
// plausibility checks that refuse records no producer wrote.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/key_defaults.h"
#include "tests/support/record_bytes.h"

namespace vorl {
namespace {

using test::Bytes;
using test::differingOffsets;

// Encodes a little-endian value at an offset, with the test's own code rather than the reader's structs.
void putLE(Bytes& bytes, std::size_t offset, std::uint32_t value, std::size_t width = 4) {
  for (std::size_t i = 0; i < width; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}
void putFloatLE(Bytes& bytes, std::size_t offset, float value) {
  putLE(bytes, offset, std::bit_cast<std::uint32_t>(value));
}

// A plausible record as a producer would write it: every field set to a value of its own, the byte blocks and
// pointer slots filled with a pattern that only a byte-exact copy keeps.
Bytes producerRecord() {
  Bytes bytes(kChromaKeySettingsSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 131 + 7);
  putFloatLE(bytes, 0, 7680.0f);   // backing R = 30 × 256
  putFloatLE(bytes, 4, 43520.0f);  // G = 170 × 256
  putFloatLE(bytes, 8, 15360.5f);  // B
  putLE(bytes, 12, kKeyOptionNoReplacement | kKeyOptionFloatKernels | kKeyOptionExternalMask);
  for (std::size_t k = 0; k < 3 * 66; ++k) putFloatLE(bytes, 544 + 4 * k, 1000.0f + static_cast<float>(k));
  for (std::size_t k = 0; k < 3 + 21; ++k) putFloatLE(bytes, 10744 + 4 * k, 0.05f + 0.01f * static_cast<float>(k));
  putLE(bytes, 10840, 2);           // grain level
  putFloatLE(bytes, 10844, 0.01f);  // tolerance amount
  putLE(bytes, 10856, 12);          // grid density
  putLE(bytes, 10860, 2550);        // simulated inner radius
  putLE(bytes, 10876, 3, 2);        // defocus
  putLE(bytes, 10878, 1, 2);        // inward flag
  putFloatLE(bytes, 10880, 0.25f);  // shrink
  return bytes;
}

TEST(ChromaKeySettings, ReadsEveryFieldLittleEndianAndWritesTheSameBytesBack) {
  const Bytes stored = producerRecord();
  tChromaKeySettings settings;
  ASSERT_EQ(TChromaKeySettings::ReadFrom(stored, settings), KeyRecordCheck::plausible);

  const fixcoef& key = settings.coefficients;
  EXPECT_EQ(key.backing, (std::array<float, 3>{7680.0f, 43520.0f, 15360.5f}));
  EXPECT_EQ(key.options, kKeyOptionNoReplacement | kKeyOptionFloatKernels | kKeyOptionExternalMask);
  EXPECT_EQ(key.radii[kInnerSurface][0], 1000.0f);
  EXPECT_EQ(key.radii[kOuterSurface][65], 1197.0f);
  EXPECT_EQ(key.rtPlusFactors[6][2], 0.05f + 0.01f * 23.0f);
  EXPECT_EQ(key.grainLevel, 2);
  EXPECT_EQ(key.gridDensity, 12);
  EXPECT_EQ(key.simulatedInnerRadius, 2550);
  EXPECT_EQ(settings.defocus, 3);
  EXPECT_EQ(settings.inwardFlag, 1);
  EXPECT_EQ(settings.shrink, 0.25f);
  // A 16-bit field of the page side's part: the junk rectangle's top at 10864.
  EXPECT_EQ(settings.junkMask.rect.top.value(), static_cast<std::int16_t>(stored[10864] | (stored[10865] << 8)));

  Bytes written(kChromaKeySettingsSize);
  TChromaKeySettings::WriteTo(settings, std::span<unsigned char, kChromaKeySettingsSize>(written));
  EXPECT_EQ(differingOffsets(written, stored), std::vector<std::size_t>{});
}

TEST(ChromaKeySettings, SwapsNothingOnReading) {
  Bytes stored = producerRecord();
  const unsigned char one[] = {0x00, 0x00, 0x80, 0x3F};
  std::memcpy(stored.data() + 10744 + 4, one, 4);  // RT key factor
  tChromaKeySettings settings;
  ASSERT_EQ(TChromaKeySettings::ReadFrom(stored, settings), KeyRecordCheck::plausible);
  EXPECT_EQ(settings.coefficients.rtFactors[1], 1.0f);
}

TEST(ChromaKeySettings, ShortInputIsRefusedAndLeavesTheRecordAlone) {
  const Bytes stored = producerRecord();
  tChromaKeySettings settings;
  settings.coefficients.gridDensity = 77;
  EXPECT_EQ(TChromaKeySettings::ReadFrom(std::span(stored).first(kChromaKeySettingsSize - 1), settings),
            KeyRecordCheck::tooShort);
  EXPECT_EQ(settings.coefficients.gridDensity, 77);
}

// The same record dumped by a big-endian producer must fail its job, not key with garbage.
TEST(ChromaKeySettings, BigEndianDumpIsRefused) {
  Bytes stored = producerRecord();
  reverseChromaKeySettingsFields(std::span<unsigned char, kChromaKeySettingsSize>(stored));
  tChromaKeySettings settings;
  EXPECT_NE(TChromaKeySettings::ReadFrom(stored, settings), KeyRecordCheck::plausible);

  // The reversal touches numbers only: the byte blocks and the opaque tail keep their order.
  const Bytes original = producerRecord();
  EXPECT_TRUE(std::equal(original.begin() + 24, original.begin() + 536, stored.begin() + 24));
  EXPECT_TRUE(std::equal(original.begin() + 11132, original.end(), stored.begin() + 11132));
  EXPECT_EQ(stored[0], original[3]);
}

TEST(ChromaKeySettings, ImplausibleValuesAreRefusedWithTheirReason) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  const struct {
    const char* what;
    std::size_t offset;
    std::uint32_t value;
    KeyRecordCheck expected;
  } cases[] = {
      {"unknown option bit", 12, kKeyOptionNoReplacement | 0x1, KeyRecordCheck::unknownOptionBits},
      {"option word read big-endian", 12, 0x10000100, KeyRecordCheck::unknownOptionBits},
      {"backing NaN", 4, std::bit_cast<std::uint32_t>(nan), KeyRecordCheck::backingNotPlausible},
      {"backing above 65535", 0, std::bit_cast<std::uint32_t>(65536.0f), KeyRecordCheck::backingNotPlausible},
      {"backing negative", 8, std::bit_cast<std::uint32_t>(-1.0f), KeyRecordCheck::backingNotPlausible},
      {"inner radius infinite", 544, std::bit_cast<std::uint32_t>(infinity), KeyRecordCheck::radiusNotPlausible},
      {"outer radius negative", 1072 + 4 * 65, std::bit_cast<std::uint32_t>(-5.0f), KeyRecordCheck::radiusNotPlausible},
      {"middle radius absurd", 808, std::bit_cast<std::uint32_t>(3e7f), KeyRecordCheck::radiusNotPlausible},
      {"tolerance NaN", 10844, std::bit_cast<std::uint32_t>(nan), KeyRecordCheck::toleranceNotPlausible},
      {"tolerance above 1", 10844, std::bit_cast<std::uint32_t>(1.5f), KeyRecordCheck::toleranceNotPlausible},
      {"grain level 4", 10840, 4, KeyRecordCheck::grainLevelOutOfRange},
      {"grain level negative", 10840, 0xFFFFFFFF, KeyRecordCheck::grainLevelOutOfRange},
      {"RT factor NaN", 10748, std::bit_cast<std::uint32_t>(nan), KeyRecordCheck::keyerFactorNotFinite},
      {"RTPlus factor infinite", 10836, std::bit_cast<std::uint32_t>(-infinity), KeyRecordCheck::keyerFactorNotFinite},
      {"grid density read big-endian", 10856, 0x0C000000, KeyRecordCheck::simulatedBackingNotPlausible},
      {"simulated inner radius negative", 10860, 0xF6090000, KeyRecordCheck::simulatedBackingNotPlausible},
      {"shrink NaN", 10880, std::bit_cast<std::uint32_t>(nan), KeyRecordCheck::shrinkNotFinite},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes stored = producerRecord();
    putLE(stored, c.offset, c.value);
    tChromaKeySettings settings;
    EXPECT_EQ(TChromaKeySettings::ReadFrom(stored, settings), c.expected);
  }
}

// The edges of the accepted ranges are accepted: shrink and defocus out of range are the bridge's to report.
TEST(ChromaKeySettings, RangeEdgesAreAccepted) {
  const struct {
    const char* what;
    std::size_t offset;
    std::uint32_t value;
  } cases[] = {
      {"backing 65535", 0, std::bit_cast<std::uint32_t>(65535.0f)},
      {"every option bit", 12, kKnownKeyOptions},
      {"radius at the bound", 1072, std::bit_cast<std::uint32_t>(kMaxPlausibleRadius)},
      {"tolerance 1", 10844, std::bit_cast<std::uint32_t>(1.0f)},
      {"grain level 3", 10840, 3},
      {"grid density 0", 10856, 0},
      {"grid density above 99", 10856, 150},
      {"shrink 2", 10880, std::bit_cast<std::uint32_t>(2.0f)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes stored = producerRecord();
    putLE(stored, c.offset, c.value);
    tChromaKeySettings settings;
    EXPECT_EQ(TChromaKeySettings::ReadFrom(stored, settings), KeyRecordCheck::plausible);
  }
}

TEST(ChromaKeyDefaults, FreshRecordHasTheTableDefaults) {
  fixcoef record;
  record.block24.fill(0xAB);
  record.numerators[0][0] = 123.0f;
  record.keyerSlot = 0xDEADBEEF;
  record.shapeListSlot = 0x1234;
  record.grainLevel = 2;
  EXPECT_EQ(initialize_data(record), 1);

  EXPECT_EQ(record.backing, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(record.options, 0u);
  EXPECT_EQ(record.word16, 0);
  EXPECT_EQ(record.word20, 5);
  for (const auto& table : record.radii)
    for (float radius : table) EXPECT_EQ(radius, 0.0f);
  EXPECT_EQ(record.gridDensity, 12);
  EXPECT_EQ(record.simulatedInnerRadius, 2550);
  EXPECT_EQ(record.keyerSlot, 0u);
  EXPECT_EQ(record.shapeListSlot, 0u);
  EXPECT_EQ(record.grainLevel, 0);
  // A black backing is dark grey: RT key and colour (1 − 0)·1.732, RTPlus corners (0.5 − 0)·1.732.
  EXPECT_EQ(record.rtFactors, (std::array<float, 3>{0.05f, 1.732f, 1.732f}));
  EXPECT_EQ(record.rtPlusFactors[0], (std::array<float, 3>{0.05f, 1.732f, 1.732f}));
  for (int t = 1; t < 7; ++t) EXPECT_EQ(record.rtPlusFactors[t], (std::array<float, 3>{0.05f, 0.866f, 0.866f}));
  // Left as they were: the byte blocks and the run-time tables.
  EXPECT_EQ(record.block24[0], 0xAB);
  EXPECT_EQ(record.numerators[0][0], 123.0f);

  const std::uint32_t one = std::bit_cast<std::uint32_t>(1.0f);
  const std::uint32_t none = 0xFFFFFFFF;
  const std::array<std::uint32_t, 36> settingsBlock = {
      0,    one,  one,  0,    0,    0,    one,    one,    one,  one,  one,  one,   // 10600..10644
      0,    one,  one,  0,    0,    0,    one,    one,    one,  one,  one,  one,   // 10648..10692
      none, none, none, none, none, none, 999999, 999999, none, none, none, none,  // 10696..10740
  };
  EXPECT_EQ(record.settingsBlock, settingsBlock);
  EXPECT_EQ(checkCoefficients(record), KeyRecordCheck::plausible);
}

}  // namespace
}  // namespace vorl
