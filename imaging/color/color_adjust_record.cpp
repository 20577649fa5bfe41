// The per-image colour correction record: defaults, byte order and validation.
#include "imaging/color/color_adjust_record.h"

#include <cmath>
#include <cstring>

#include "foundation/records/byte_order.h"
#include "foundation/records/record_byte_order.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

constexpr myCocoaImageColorDefaults myAppColorDefaults{1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f};

// Closed range lo ≤ v ≤ hi; written so that NaN falls outside.
void resetUnlessWithin(Float32Field& field, double lo, double hi, float neutral) noexcept {
  const double v = field.value();
  if (!(std::isfinite(v) && lo <= v && v <= hi)) field = neutral;
}

// Open range lo < v < hi.
void resetUnlessStrictlyWithin(Float32Field& field, double lo, double hi, float neutral) noexcept {
  const double v = field.value();
  if (!(std::isfinite(v) && lo < v && v < hi)) field = neutral;
}

bool belowGainRange(float v) noexcept { return !(v >= 0.5f); }

}  // namespace

const myCocoaImageColorDefaults* getMyCocoaImageColorDefaults() noexcept { return &myAppColorDefaults; }

void SetDefaultForMyCocoaImageColorAdjustFromPrefs(myCocoaImageColorAdjustInfo* record) noexcept {
  if (record == nullptr) return;
  std::memset(static_cast<void*>(record), 0, sizeof *record);
  const myCocoaImageColorDefaults& d = *getMyCocoaImageColorDefaults();
  record->saturation = d.saturation;
  record->brightness = d.brightness;
  record->contrast = d.contrast;
  record->red = d.red;
  record->green = d.green;
  record->blue = d.blue;
  record->sharpness = d.sharpness;
  record->gamma = d.gamma;
  record->exposure = d.exposure;
  record->hue = d.hue;
}

void swapMyCocoaImageColorAdjustInfo(myCocoaImageColorAdjustInfo* record) noexcept {
  if (record == nullptr) return;
  swapMyCocoaImageColorAdjustInfoSettings(*record, true);
}

void validateMyCocoaImageColorAdjustInfo(myCocoaImageColorAdjustInfo* record) noexcept {
  if (record == nullptr) return;
  const float red = record->red, green = record->green, blue = record->blue;
  if (belowGainRange(red) || belowGainRange(green) || belowGainRange(blue))
    systemLogf("invalid color adjust Values: red = %f, green = %f, blue is %f", static_cast<double>(red),
               static_cast<double>(green), static_cast<double>(blue));
  resetUnlessWithin(record->red, 0.5, 1.5, 1.0f);
  resetUnlessWithin(record->green, 0.5, 1.5, 1.0f);
  resetUnlessWithin(record->blue, 0.5, 1.5, 1.0f);
  resetUnlessWithin(record->saturation, 0.5, 1.5, 1.0f);
  resetUnlessWithin(record->brightness, -0.5, 0.5, 0.0f);
  resetUnlessWithin(record->contrast, 0.5, 2.0, 1.0f);
  resetUnlessWithin(record->sharpness, 0.0, 2.0, 0.0f);
  resetUnlessWithin(record->gamma, 0.1, 1.5, 1.0f);
  resetUnlessStrictlyWithin(record->hue, -1.0, 1.0, 0.0f);
  resetUnlessStrictlyWithin(record->exposure, -1.5, 1.5, 0.0f);
}

}  // namespace vorl
