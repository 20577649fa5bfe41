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

// Each row puts one value into a record whose options make that field live, so only its own rule can refuse it.
TEST(ChromaKeySettings, ImplausibleValuesInLiveFieldsAreRefusedWithTheirReason) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  const float denormal = std::numeric_limits<float>::denorm_min() * 1000.0f;
  const std::uint32_t surface = kKeyOptionNoReplacement | kKeyOptionFloatKernels;
  const struct {
    const char* what;
    std::uint32_t options;
    std::size_t offset;
    std::uint32_t value;
    KeyRecordCheck expected;
  } cases[] = {
      {"option word read big-endian", surface, 12, 0x10000100, KeyRecordCheck::optionBitsOutOfRange},
      {"option bit above the word", surface, 12, surface | 0x200000, KeyRecordCheck::optionBitsOutOfRange},
      {"backing NaN", surface, 4, std::bit_cast<std::uint32_t>(nan), KeyRecordCheck::backingNotPlausible},
      {"backing above 65535", surface, 0, std::bit_cast<std::uint32_t>(65536.0f), KeyRecordCheck::backingNotPlausible},
      {"backing negative", surface, 8, std::bit_cast<std::uint32_t>(-1.0f), KeyRecordCheck::backingNotPlausible},
      {"backing denormal", kKeyOptionRT, 0, std::bit_cast<std::uint32_t>(denormal),
       KeyRecordCheck::backingNotPlausible},
      {"inner radius infinite", surface, 544, std::bit_cast<std::uint32_t>(infinity),
       KeyRecordCheck::radiusNotPlausible},
      {"outer radius negative", surface, 1072 + 4 * 65, std::bit_cast<std::uint32_t>(-5.0f),
       KeyRecordCheck::radiusNotPlausible},
      {"middle radius absurd", surface, 808, std::bit_cast<std::uint32_t>(3e7f), KeyRecordCheck::radiusNotPlausible},
      {"middle radius denormal", surface, 812, std::bit_cast<std::uint32_t>(denormal),
       KeyRecordCheck::radiusNotPlausible},
      {"middle radius NaN, single surface", surface | kKeyOptionSingleSurface, 808, std::bit_cast<std::uint32_t>(nan),
       KeyRecordCheck::radiusNotPlausible},
      {"inner radius NaN, two surfaces", surface | kKeyOptionTwoSurface, 544, std::bit_cast<std::uint32_t>(nan),
       KeyRecordCheck::radiusNotPlausible},
      {"tolerance NaN", surface, 10844, std::bit_cast<std::uint32_t>(nan), KeyRecordCheck::toleranceNotPlausible},
      {"tolerance above 1", kKeyOptionRT, 10844, std::bit_cast<std::uint32_t>(1.5f),
       KeyRecordCheck::toleranceNotPlausible},
      {"grain level 4", surface | kKeyOptionGrainRemoval, 10840, 4, KeyRecordCheck::grainLevelOutOfRange},
      {"grain level negative", surface | kKeyOptionGrainRemoval, 10840, 0xFFFFFFFF,
       KeyRecordCheck::grainLevelOutOfRange},
      {"RT factor NaN", kKeyOptionRT, 10748, std::bit_cast<std::uint32_t>(nan), KeyRecordCheck::keyerFactorNotFinite},
      {"RT factor NaN beside RTPlus", kKeyOptionRT | kKeyOptionRTPlus, 10744, std::bit_cast<std::uint32_t>(nan),
       KeyRecordCheck::keyerFactorNotFinite},
      {"RTPlus factor infinite", kKeyOptionRTPlus, 10836, std::bit_cast<std::uint32_t>(-infinity),
       KeyRecordCheck::keyerFactorNotFinite},
      {"grid density read big-endian", surface | kKeyOptionSimulatedBacking, 10856, 0x0C000000,
       KeyRecordCheck::simulatedBackingNotPlausible},
      {"simulated inner radius negative", surface | kKeyOptionSimulatedBacking, 10860, 0xF6090000,
       KeyRecordCheck::simulatedBackingNotPlausible},
      {"shrink NaN", kKeyOptionPassThrough, 10880, std::bit_cast<std::uint32_t>(nan), KeyRecordCheck::shrinkNotFinite},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes stored = producerRecord();
    putLE(stored, 12, c.options);
    tChromaKeySettings settings;
    ASSERT_EQ(TChromaKeySettings::ReadFrom(stored, settings), KeyRecordCheck::plausible) << "before the change";
    putLE(stored, c.offset, c.value);
    EXPECT_EQ(TChromaKeySettings::ReadFrom(stored, settings), c.expected);
  }
}

// Whatever a producer left in a field its options never use reaches nobody, so it refuses nothing; the same value
// in a live field is refused above.
TEST(ChromaKeySettings, FieldsTheOptionsLeaveUnusedAreNotChecked) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::uint32_t surface = kKeyOptionNoReplacement | kKeyOptionFloatKernels;
  const struct {
    const char* what;
    std::uint32_t options;
    std::size_t offset;
    std::uint32_t value;
  } cases[] = {
      {"RT factor NaN without the RT keyer", surface, 10748, std::bit_cast<std::uint32_t>(nan)},
      {"RTPlus factor NaN with the RT keyer only", kKeyOptionRT, 10836, std::bit_cast<std::uint32_t>(nan)},
      {"grain level 9 without grain removal", surface, 10840, 9},
      {"grain level 9 in a pass-through key", kKeyOptionPassThrough | kKeyOptionGrainRemoval, 10840, 9},
      {"tolerance NaN with grain level 0", surface, 10844, std::bit_cast<std::uint32_t>(nan)},
      {"grid density garbage without simulated backing", surface, 10856, 0x0C000000},
      {"simulated radius garbage without simulated backing", surface, 10860, 0xF6090000},
      {"outer radius NaN, single surface", surface | kKeyOptionSingleSurface, 1072, std::bit_cast<std::uint32_t>(nan)},
      {"inner radius NaN, single surface", surface | kKeyOptionSingleSurface, 544, std::bit_cast<std::uint32_t>(nan)},
      {"outer radius NaN, two surfaces", surface | kKeyOptionTwoSurface, 1072 + 4 * 65,
       std::bit_cast<std::uint32_t>(nan)},
      {"middle radius NaN with the RT keyer", kKeyOptionRT, 808, std::bit_cast<std::uint32_t>(nan)},
      {"inner radius absurd with the RTPlus keyer", kKeyOptionRTPlus, 544, std::bit_cast<std::uint32_t>(3e7f)},
      {"radius NaN in a pass-through key", kKeyOptionPassThrough, 900, std::bit_cast<std::uint32_t>(nan)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes stored = producerRecord();
    putLE(stored, 12, c.options);
    putLE(stored, 10840, 0);  // grain level 0 leaves the tolerance amount unused
    putLE(stored, c.offset, c.value);
    tChromaKeySettings settings;
    EXPECT_EQ(TChromaKeySettings::ReadFrom(stored, settings), KeyRecordCheck::plausible);
  }
}

// Option bits nobody named are a newer or older keyer's settings: the key goes ahead without them and the caller
// learns which were dropped.
TEST(ChromaKeySettings, UnnamedOptionBitsAreDroppedAndReported) {
  const struct {
    const char* what;
    std::uint32_t unnamed;
  } cases[] = {{"bit 0", 0x1},
               {"bits 3 and 5", 0x28},
               {"bit 18", 0x40000},
               {"all of them", kOptionWordBits & ~kKnownKeyOptions}};
  const std::uint32_t named = kKeyOptionNoReplacement | kKeyOptionFloatKernels | kKeyOptionExternalMask;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes stored = producerRecord();
    putLE(stored, 12, named | c.unnamed);
    tChromaKeySettings settings;
    std::uint32_t dropped = 0xDEAD;
    ASSERT_EQ(TChromaKeySettings::ReadFrom(stored, settings, &dropped), KeyRecordCheck::plausible);
    EXPECT_EQ(dropped, c.unnamed);
    EXPECT_EQ(settings.coefficients.options, named);
  }
  std::uint32_t dropped = 0xDEAD;
  tChromaKeySettings settings;
  ASSERT_EQ(TChromaKeySettings::ReadFrom(producerRecord(), settings, &dropped), KeyRecordCheck::plausible);
  EXPECT_EQ(dropped, 0u);
}

// The edges of the accepted ranges are accepted: shrink and defocus out of range are the bridge's to report.
TEST(ChromaKeySettings, RangeEdgesAreAccepted) {
  const struct {
    const char* what;
    std::size_t offset;
    std::uint32_t value;
  } cases[] = {
      {"backing 65535", 0, std::bit_cast<std::uint32_t>(65535.0f)},
      {"backing 0", 4, 0},
      {"every option bit", 12, kKnownKeyOptions},
      {"radius at the bound", 1072, std::bit_cast<std::uint32_t>(kMaxPlausibleRadius)},
      {"radius 0", 544, 0},
      {"tolerance 1", 10844, std::bit_cast<std::uint32_t>(1.0f)},
      {"grain level 3", 10840, 3},
      {"grid density 0", 10856, 0},
      {"grid density above 99", 10856, 150},
      {"shrink 2", 10880, std::bit_cast<std::uint32_t>(2.0f)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes stored = producerRecord();
    // Every stage on, with the surface keyer over all three surfaces, so every checked field is live.
    putLE(stored, 12,
          kKnownKeyOptions & ~(kKeyOptionPassThrough | kKeyOptionSingleSurface | kKeyOptionTwoSurface | kKeyOptionRT |
                               kKeyOptionRTPlus));
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
