#include "chromakey/engine/key_defaults.h"

#include <bit>
#include <cstdint>

#include "chromakey/engine/rt_keyer.h"
#include "chromakey/engine/rtplus_keyer.h"

namespace vorl {
namespace {

constexpr std::uint32_t kOne = std::bit_cast<std::uint32_t>(1.0f);
constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);

// The settings block at 10600, word by word: nothing in the engine reads it, but a fresh record carries it.
constexpr std::array<std::uint32_t, 36> kSettingsBlockDefaults = {
    0,     kOne,  kOne,  0,     0,     0,     kOne,   kOne,   kOne,  kOne,  kOne,  kOne,   // 10600..10644
    0,     kOne,  kOne,  0,     0,     0,     kOne,   kOne,   kOne,  kOne,  kOne,  kOne,   // 10648..10692
    kNone, kNone, kNone, kNone, kNone, kNone, 999999, 999999, kNone, kNone, kNone, kNone,  // 10696..10740
};

}  // namespace

int init_KEYp(fixcoef& record) noexcept {
  record.backing = {0.0f, 0.0f, 0.0f};
  record.options = 0;
  record.word16 = 0;
  record.word20 = 5;
  record.replacement = {0, 0, 0};
  for (auto& table : record.radii) table.fill(0.0f);

  // RTPlus first, then RT, as the factors are expected in a fresh record.
  DuzeviveRTPlus rtPlus;
  static_cast<void>(rtPlus.initialize(record));
  DuzeviveRT rt;
  const int result = rt.initialize(record);

  record.keyerSlot = 0;
  record.grainLevel = 0;
  record.toleranceAmount = 0.0f;
  record.shapeListSlot = 0;
  record.shapeList2Slot = 0;
  record.gridDensity = 12;
  record.simulatedInnerRadius = 2550;
  return result;
}

int initialize_data(fixcoef& record) noexcept {
  const int result = init_KEYp(record);
  record.settingsBlock = kSettingsBlockDefaults;
  return result;
}

}  // namespace vorl
