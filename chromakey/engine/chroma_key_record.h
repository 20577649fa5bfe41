// The chroma-key settings record of a keyed image and the engine's coefficient record inside it.
//
// A job file carries one `tChromaKeySettings` (11,444 bytes) after each keyed image descriptor. Unlike the rest
// of the job file it is not big-endian: the producer dumped it from memory on 32-bit Intel Macs, so every number
// is little-endian, floats are IEEE single, and the five pointer slots are 4-byte integers. The first 10,864
// bytes are `fixcoef`, the whole key the engine works from; the rest belongs to the page side.
//
// This header stands alone (the job reader includes it without the rest of the engine): the records, their
// layout assertions, the little-endian reading and writing, and the plausibility check that turns a record no
// producer could have written (a big-endian dump, a truncated or garbled file) into a result the job side
// reports as a read error, before any value reaches the arithmetic.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "foundation/records/job_records.h"
#include "platform/core/mac_types.h"

namespace vorl {

// One pixel of a keying map, 16 bits per channel; 8-bit input is scaled up by 256. Full alpha (65535) keeps the
// foreground, zero shows the background. Rows follow each other without padding.
struct pixeli {
  std::uint16_t r;
  std::uint16_t g;
  std::uint16_t b;
  std::uint16_t a;

  friend bool operator==(const pixeli&, const pixeli&) = default;
};
static_assert(sizeof(pixeli) == 8);

// The keyers' pixel on the same scale.
struct pixelf {
  float r;
  float g;
  float b;
  float a;
};
static_assert(sizeof(pixelf) == 16);

// Bits of the option word (`fixcoef::options`).
inline constexpr std::uint32_t kKeyOptionExternalMask = 0x4;          // the mask map's G attenuates the key
inline constexpr std::uint32_t kKeyOptionNoReplacement = 0x10;        // keep foreground colours; the bridge sets it
inline constexpr std::uint32_t kKeyOptionSingleSurface = 0x80;        // all three planes from the middle radii
inline constexpr std::uint32_t kKeyOptionTwoSurface = 0x100;          // middle and outer planes from the middle radii
inline constexpr std::uint32_t kKeyOptionRT = 0x800;                  // the RT keyer
inline constexpr std::uint32_t kKeyOptionRTPlus = 0x1000;             // the RTPlus keyer (wins over RT)
inline constexpr std::uint32_t kKeyOptionGrainRemoval = 0x4000;       // grain removal before keying
inline constexpr std::uint32_t kKeyOptionFloatKernels = 0x10000;      // floating-point surface kernels
inline constexpr std::uint32_t kKeyOptionShapeMask = 0x20000;         // shape-mask stage
inline constexpr std::uint32_t kKeyOptionSimulatedBacking = 0x80000;  // even out an unevenly lit backing
inline constexpr std::uint32_t kKeyOptionPassThrough = 0x100000;      // copy the frame opaque, key nothing
inline constexpr std::uint32_t kKnownKeyOptions =
    kKeyOptionExternalMask | kKeyOptionNoReplacement | kKeyOptionSingleSurface | kKeyOptionTwoSurface | kKeyOptionRT |
    kKeyOptionRTPlus | kKeyOptionGrainRemoval | kKeyOptionFloatKernels | kKeyOptionShapeMask |
    kKeyOptionSimulatedBacking | kKeyOptionPassThrough;
// Every option bit any producer sets lies at or below the pass-through bit. An unnamed bit in this range is a
// setting of a newer or older keyer that this engine has no use for: it is dropped, not refused. A bit above it
// is what the option word of a byte-swapped record looks like (0x10 reads as 0x10000000).
inline constexpr std::uint32_t kOptionWordBits = (kKeyOptionPassThrough << 1) - 1;

inline constexpr int kMeshDirectionCount = 66;
inline constexpr int kMeshTriangleCount = 128;

// The three key surfaces, in the order their tables lie in the record.
enum KeySurface : int { kInnerSurface = 0, kMiddleSurface = 1, kOuterSurface = 2 };

// The coefficient record (10,864 bytes). Plain fixed-width members only: no `long`, no pointer, so the layout is
// the stored one on any 32- or 64-bit host. Fields marked "run time" are filled by `primcoef_begin` for each pass;
// a stored record carries only the writer's left-overs there. The engine never follows the pointer slots: they
// hold addresses of the writing process and are kept only so that the record's bytes survive a round trip.
struct fixcoef {
  std::array<float, 3> backing{};                                 // 0: backing colour R, G, B on the 0..65535 scale
  std::uint32_t options = 0;                                      // 12: kKeyOption* bits
  std::int32_t word16 = 0;                                        // 16: no reader in the engine
  std::int32_t word20 = 0;                                        // 20: no reader in the engine; 5 in a fresh record
  std::array<unsigned char, 256> block24{};                       // 24: no reader in the engine
  std::array<unsigned char, 256> block280{};                      // 280: no reader in the engine
  std::array<std::uint16_t, 3> replacement{};                     // 536: replacement colour R, G, B
  std::uint16_t padding542 = 0;                                   // 542
  std::array<std::array<float, kMeshDirectionCount>, 3> radii{};  // 544, 808, 1072: inner, middle, outer
  std::array<std::array<float, kMeshTriangleCount>, 3> numerators{};             // 1336 (run time): −(n·B + d)
  std::array<std::array<float, kMeshTriangleCount>, 3> normalDotBacking{};       // 2872 (run time): n·B
  std::array<std::array<std::array<float, 4>, kMeshTriangleCount>, 3> planes{};  // 4408 (run time): n.x n.y n.z d
  std::array<float, 3> backingCopy{};                                            // 10552 (run time)
  std::uint32_t unused10564 = 0;                                                 // 10564
  float tolerance = 0;                                  // 10568 (run time): on the 16-bit scale
  std::int32_t toleranceInt = 0;                        // 10572 (run time): the same, truncated
  float tolerance8 = 0;                                 // 10576 (run time): on the 8-bit scale
  std::int32_t tolerance8Int = 0;                       // 10580 (run time)
  std::uint32_t kernelSlot = 0;                         // 10584: 32-bit pointer slot (run time)
  std::uint32_t kernel8Slot = 0;                        // 10588: 32-bit pointer slot (run time)
  std::uint32_t keyerSlot = 0;                          // 10592: 32-bit pointer slot (run time)
  std::uint32_t unused10596 = 0;                        // 10596
  std::array<std::uint32_t, 36> settingsBlock{};        // 10600: written with defaults, read by nothing in the engine
  std::array<float, 3> rtFactors{};                     // 10744: RT base, key, colour
  std::array<std::array<float, 3>, 7> rtPlusFactors{};  // 10756: RTPlus T0..T6, each base, key, colour
  std::int32_t grainLevel = 0;                          // 10840: 0..3; non-zero also switches the tolerance amount on
  float toleranceAmount = 0;                            // 10844
  std::uint32_t shapeListSlot = 0;                      // 10848: 32-bit pointer slot of the writing process
  std::uint32_t shapeList2Slot = 0;                     // 10852: 32-bit pointer slot of the writing process
  std::int32_t gridDensity = 0;                         // 10856: simulated-backing grid density; 0 switches it off
  std::int32_t simulatedInnerRadius = 0;                // 10860: simulated-backing inner radius
};

static_assert(sizeof(fixcoef) == 10864);
static_assert(offsetof(fixcoef, backing) == 0);
static_assert(offsetof(fixcoef, options) == 12);
static_assert(offsetof(fixcoef, word16) == 16);
static_assert(offsetof(fixcoef, word20) == 20);
static_assert(offsetof(fixcoef, block24) == 24);
static_assert(offsetof(fixcoef, block280) == 280);
static_assert(offsetof(fixcoef, replacement) == 536);
static_assert(offsetof(fixcoef, padding542) == 542);
static_assert(offsetof(fixcoef, radii) == 544);
static_assert(offsetof(fixcoef, radii) + sizeof(fixcoef::radii[0]) == 808);
static_assert(offsetof(fixcoef, radii) + 2 * sizeof(fixcoef::radii[0]) == 1072);
static_assert(offsetof(fixcoef, numerators) == 1336);
static_assert(offsetof(fixcoef, normalDotBacking) == 2872);
static_assert(offsetof(fixcoef, planes) == 4408);
static_assert(offsetof(fixcoef, planes) + sizeof(fixcoef::planes[0]) == 6456);
static_assert(offsetof(fixcoef, planes) + 2 * sizeof(fixcoef::planes[0]) == 8504);
static_assert(offsetof(fixcoef, backingCopy) == 10552);
static_assert(offsetof(fixcoef, unused10564) == 10564);
static_assert(offsetof(fixcoef, tolerance) == 10568);
static_assert(offsetof(fixcoef, toleranceInt) == 10572);
static_assert(offsetof(fixcoef, tolerance8) == 10576);
static_assert(offsetof(fixcoef, tolerance8Int) == 10580);
static_assert(offsetof(fixcoef, kernelSlot) == 10584);
static_assert(offsetof(fixcoef, kernel8Slot) == 10588);
static_assert(offsetof(fixcoef, keyerSlot) == 10592);
static_assert(offsetof(fixcoef, unused10596) == 10596);
static_assert(offsetof(fixcoef, settingsBlock) == 10600);
static_assert(offsetof(fixcoef, rtFactors) == 10744);
static_assert(offsetof(fixcoef, rtPlusFactors) == 10756);
static_assert(offsetof(fixcoef, grainLevel) == 10840);
static_assert(offsetof(fixcoef, toleranceAmount) == 10844);
static_assert(offsetof(fixcoef, shapeListSlot) == 10848);
static_assert(offsetof(fixcoef, shapeList2Slot) == 10852);
static_assert(offsetof(fixcoef, gridDensity) == 10856);
static_assert(offsetof(fixcoef, simulatedInnerRadius) == 10860);

// The settings record as a job file holds it (11,444 bytes). Copying copies every byte, the opaque tail included.
struct tChromaKeySettings {
  fixcoef coefficients;                           // 0: the key
  tJunkMaskStructure junkMask;                    // 10864: also the image's exclusion rectangle
  std::int16_t defocus = 0;                       // 10876: matte blur radius, 0..50
  std::int16_t inwardFlag = 0;                    // 10878
  float shrink = 0;                               // 10880: matte black point, 0..1
  std::array<tJunkMaskStructure, 4> junkMasks{};  // 10884
  std::array<CPoint_AC, 25> exclusionPolygon{};   // 10932
  std::array<CPoint_AC, 25> secondPolygon{};      // 11032
  std::array<unsigned char, 312> opaque{};        // 11132: kept byte for byte
};

static_assert(sizeof(tChromaKeySettings) == 11444);
static_assert(offsetof(tChromaKeySettings, coefficients) == 0);
static_assert(offsetof(tChromaKeySettings, junkMask) == 10864);
static_assert(offsetof(tChromaKeySettings, defocus) == 10876);
static_assert(offsetof(tChromaKeySettings, inwardFlag) == 10878);
static_assert(offsetof(tChromaKeySettings, shrink) == 10880);
static_assert(offsetof(tChromaKeySettings, junkMasks) == 10884);
static_assert(offsetof(tChromaKeySettings, exclusionPolygon) == 10932);
static_assert(offsetof(tChromaKeySettings, secondPolygon) == 11032);
static_assert(offsetof(tChromaKeySettings, opaque) == 11132);

inline constexpr std::size_t kChromaKeySettingsSize = sizeof(tChromaKeySettings);
inline constexpr std::size_t kFixcoefSize = sizeof(fixcoef);

// Why a record was refused. Anything but `plausible` fails the job as a read error; `describe` gives the log
// text. Values are stable: they may be written to logs.
//
// Only the fields the record's own options put to work are checked: a key made with the RT keyer never reads its
// surface radii, so whatever the producer left there is no reason to refuse the job.
enum class KeyRecordCheck : int {
  plausible = 0,
  tooShort = 1,                      // fewer bytes than the record
  optionBitsOutOfRange = 2,          // option bits above kOptionWordBits
  backingNotPlausible = 3,           // backing colour not 0 or a normal number in 0..65535
  radiusNotPlausible = 4,            // a radius of a surface in use not 0 or a normal number up to the bound
  toleranceNotPlausible = 5,         // tolerance amount in use not finite or outside 0..1
  grainLevelOutOfRange = 6,          // grain level outside 0..3 with grain removal on
  keyerFactorNotFinite = 7,          // a factor of the RT or RTPlus keyer in use is NaN or infinite
  simulatedBackingNotPlausible = 8,  // grid density or inner radius in use negative or absurd
  shrinkNotFinite = 9,               // matte shrink is NaN or infinite
};

// The largest radius a plausible key holds. The colour cube's diagonal is 65535·√3 ≈ 113,510; keys that cover
// everything use a few times that. The bound keeps every plane of the key finite in single precision.
inline constexpr float kMaxPlausibleRadius = 1.0e6f;
inline constexpr std::int32_t kMaxPlausibleGridDensity = 10000;

[[nodiscard]] const char* describe(KeyRecordCheck check) noexcept;

// The plausibility checks on a decoded record. Unnamed option bits below kOptionWordBits pass: the engine never
// looks at them. Out-of-range defocus and finite out-of-range shrink are not refused here: the keying bridge
// reports and replaces those itself.
[[nodiscard]] KeyRecordCheck checkCoefficients(const fixcoef& record) noexcept;
[[nodiscard]] KeyRecordCheck checkChromaKeySettings(const tChromaKeySettings& settings) noexcept;

// Reading and writing the record as stored: little-endian, field by field, so the result is right on any host.
struct TChromaKeySettings {
  // Decodes the first 11,444 bytes into `settings` and checks them. Option bits the engine does not name are
  // cleared from the record and, when `droppedOptionBits` is given, put there for the caller to log. `tooShort`
  // leaves `settings` untouched; any other refusal still fills it, so the caller may log what it read.
  [[nodiscard]] static KeyRecordCheck ReadFrom(std::span<const unsigned char> bytes, tChromaKeySettings& settings,
                                               std::uint32_t* droppedOptionBits = nullptr) noexcept;
  // Encodes `settings` into exactly 11,444 bytes, the form `ReadFrom` reads.
  static void WriteTo(const tChromaKeySettings& settings,
                      std::span<unsigned char, kChromaKeySettingsSize> bytes) noexcept;
};

// Reverses the byte order of every multi-byte field of a stored record in place; the byte blocks stay as they
// are. Reading and writing apply it on big-endian hosts only; a test uses it to make a big-endian dump.
void reverseChromaKeySettingsFields(std::span<unsigned char, kChromaKeySettingsSize> bytes) noexcept;

}  // namespace vorl
