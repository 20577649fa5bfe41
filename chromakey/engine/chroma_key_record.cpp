#include "chromakey/engine/chroma_key_record.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace vorl {
namespace {

// The multi-byte fields of the stored record as runs of equal-width numbers. Everything not listed is bytes
// (the two 256-byte blocks of the key and the opaque tail). Must stay in step with the structs' layout, which the
// header asserts offset by offset.
struct FieldRun {
  std::size_t offset;
  std::size_t count;
  std::size_t width;
};

constexpr FieldRun kFieldRuns[] = {
    {0, 6, 4},       // backing colour, option word, words 16 and 20
    {536, 4, 2},     // replacement colour and its padding
    {544, 2580, 4},  // radii, run-time tables, tolerances, pointer slots, settings block, factors, parameters
    {10864, 4, 2},   // junk-mask rectangle
    {10872, 1, 4},   // its 32-bit word
    {10876, 2, 2},   // defocus, inward flag
    {10880, 1, 4},   // shrink
    {10884, 4, 2},   // four junk-mask rectangles, each with its word
    {10892, 1, 4},  {10896, 4, 2}, {10904, 1, 4}, {10908, 4, 2},
    {10916, 1, 4},  {10920, 4, 2}, {10928, 1, 4}, {10932, 50, 2},  // exclusion polygon
    {11032, 50, 2},                                                // second polygon
};

static_assert(544 + 2580 * 4 == kFixcoefSize);
static_assert(11032 + 50 * 2 == offsetof(tChromaKeySettings, opaque));

constexpr bool kHostIsLittleEndian = std::endian::native == std::endian::little;

bool isFiniteIn(float value, float low, float high) noexcept {
  return std::isfinite(value) && value >= low && value <= high;
}

// Zero or a normal number in range. A tiny denormal is what a small float read in the wrong byte order becomes
// (7680.0 stored big-endian reads as 8.6e-41), and no producer writes one into a colour or a radius.
bool isPlainIn(float value, float low, float high) noexcept {
  return (value == 0.0f || std::fpclassify(value) == FP_NORMAL) && value >= low && value <= high;
}

bool allFinite(std::span<const float> values) noexcept {
  return std::all_of(values.begin(), values.end(), [](float value) { return std::isfinite(value); });
}

bool surfaceKeyerInUse(std::uint32_t options) noexcept {
  return (options & (kKeyOptionRT | kKeyOptionRTPlus | kKeyOptionPassThrough)) == 0;
}

// The radius tables the planes are built from: a single-surface key builds all three from the middle radii, a
// two-surface key the inner from its own and the other two from the middle.
bool radiusTableInUse(std::uint32_t options, KeySurface surface) noexcept {
  if (options & kKeyOptionSingleSurface) return surface == kMiddleSurface;
  if (options & kKeyOptionTwoSurface) return surface != kOuterSurface;
  return true;
}

}  // namespace

void reverseChromaKeySettingsFields(std::span<unsigned char, kChromaKeySettingsSize> bytes) noexcept {
  for (const FieldRun& run : kFieldRuns)
    for (std::size_t i = 0; i < run.count; ++i) {
      unsigned char* field = bytes.data() + run.offset + i * run.width;
      std::reverse(field, field + run.width);
    }
}

const char* describe(KeyRecordCheck check) noexcept {
  switch (check) {
    case KeyRecordCheck::plausible:
      return "chroma-key record plausible";
    case KeyRecordCheck::tooShort:
      return "chroma-key record truncated";
    case KeyRecordCheck::optionBitsOutOfRange:
      return "chroma-key record invalid (byte order?): option bits out of range";
    case KeyRecordCheck::backingNotPlausible:
      return "chroma-key record invalid (byte order?): backing colour";
    case KeyRecordCheck::radiusNotPlausible:
      return "chroma-key record invalid (byte order?): surface radius";
    case KeyRecordCheck::toleranceNotPlausible:
      return "chroma-key record invalid (byte order?): tolerance amount";
    case KeyRecordCheck::grainLevelOutOfRange:
      return "chroma-key record invalid (byte order?): grain level";
    case KeyRecordCheck::keyerFactorNotFinite:
      return "chroma-key record invalid (byte order?): keyer factors";
    case KeyRecordCheck::simulatedBackingNotPlausible:
      return "chroma-key record invalid (byte order?): simulated-backing parameters";
    case KeyRecordCheck::shrinkNotFinite:
      return "chroma-key record invalid (byte order?): matte shrink";
  }
  return "chroma-key record invalid";
}

KeyRecordCheck checkCoefficients(const fixcoef& record) noexcept {
  const std::uint32_t options = record.options;
  if ((options & ~kOptionWordBits) != 0) return KeyRecordCheck::optionBitsOutOfRange;
  for (float channel : record.backing)
    if (!isPlainIn(channel, 0.0f, 65535.0f)) return KeyRecordCheck::backingNotPlausible;

  if (surfaceKeyerInUse(options))
    for (const KeySurface surface : {kInnerSurface, kMiddleSurface, kOuterSurface}) {
      if (!radiusTableInUse(options, surface)) continue;
      for (float radius : record.radii[surface])
        if (!isPlainIn(radius, 0.0f, kMaxPlausibleRadius)) return KeyRecordCheck::radiusNotPlausible;
    }
  // A non-zero grain level switches the tolerance on, whether grain removal runs or not.
  if (record.grainLevel != 0 && !isFiniteIn(record.toleranceAmount, 0.0f, 1.0f))
    return KeyRecordCheck::toleranceNotPlausible;
  // The grain level indexes a four-entry filter table.
  const bool grainRemoval = (options & kKeyOptionGrainRemoval) && !(options & kKeyOptionPassThrough);
  if (grainRemoval && (record.grainLevel < 0 || record.grainLevel > 3)) return KeyRecordCheck::grainLevelOutOfRange;
  // Each keyer bit translates its own keyer, even where RTPlus wins the kernel.
  if ((options & kKeyOptionRT) && !allFinite(record.rtFactors)) return KeyRecordCheck::keyerFactorNotFinite;
  if (options & kKeyOptionRTPlus)
    for (const auto& triple : record.rtPlusFactors)
      if (!allFinite(triple)) return KeyRecordCheck::keyerFactorNotFinite;
  if ((options & kKeyOptionSimulatedBacking) &&
      (record.gridDensity < 0 || record.gridDensity > kMaxPlausibleGridDensity || record.simulatedInnerRadius < 0 ||
       static_cast<float>(record.simulatedInnerRadius) > kMaxPlausibleRadius))
    return KeyRecordCheck::simulatedBackingNotPlausible;
  return KeyRecordCheck::plausible;
}

KeyRecordCheck checkChromaKeySettings(const tChromaKeySettings& settings) noexcept {
  const KeyRecordCheck check = checkCoefficients(settings.coefficients);
  if (check != KeyRecordCheck::plausible) return check;
  if (!std::isfinite(settings.shrink)) return KeyRecordCheck::shrinkNotFinite;
  return KeyRecordCheck::plausible;
}

KeyRecordCheck TChromaKeySettings::ReadFrom(std::span<const unsigned char> bytes, tChromaKeySettings& settings,
                                            std::uint32_t* droppedOptionBits) noexcept {
  if (droppedOptionBits != nullptr) *droppedOptionBits = 0;
  if (bytes.size() < kChromaKeySettingsSize) return KeyRecordCheck::tooShort;
  std::array<unsigned char, kChromaKeySettingsSize> stored;
  std::memcpy(stored.data(), bytes.data(), kChromaKeySettingsSize);
  if constexpr (!kHostIsLittleEndian) reverseChromaKeySettingsFields(stored);
  std::memcpy(&settings, stored.data(), kChromaKeySettingsSize);
  const KeyRecordCheck check = checkChromaKeySettings(settings);
  if (check != KeyRecordCheck::plausible) return check;

  std::uint32_t& options = settings.coefficients.options;
  if (droppedOptionBits != nullptr) *droppedOptionBits = options & ~kKnownKeyOptions;
  options &= kKnownKeyOptions;
  return KeyRecordCheck::plausible;
}

void TChromaKeySettings::WriteTo(const tChromaKeySettings& settings,
                                 std::span<unsigned char, kChromaKeySettingsSize> bytes) noexcept {
  std::memcpy(bytes.data(), &settings, kChromaKeySettingsSize);
  if constexpr (!kHostIsLittleEndian) reverseChromaKeySettingsFields(bytes);
}

}  // namespace vorl
