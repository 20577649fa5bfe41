// The per-image colour correction record: ten floats (saturation, brightness, contrast, the three colour gains,
// sharpness, gamma, exposure, hue) and 1008 reserved bytes, stored big-endian in an image's 'Pref' 5002.
//
// The application's defaults are neutral (saturation, contrast, the gains and gamma at 1, everything else at 0):
// a record filled from them leaves an image as it is. Zeros would take saturation, contrast, the gains and gamma to
// nothing and turn the picture black or grey.
#pragma once

#include "foundation/records/printer_settings_records.h"

namespace vorl {

// The ten default floats, in the record's order.
struct myCocoaImageColorDefaults {
  float saturation;
  float brightness;
  float contrast;
  float red;
  float green;
  float blue;
  float sharpness;
  float gamma;
  float exposure;
  float hue;
};

// The application's defaults; nothing writes them.
const myCocoaImageColorDefaults* getMyCocoaImageColorDefaults() noexcept;

// All 1048 bytes zero, then the ten default floats (host order). Nothing for null.
void SetDefaultForMyCocoaImageColorAdjustFromPrefs(myCocoaImageColorAdjustInfo* record) noexcept;

// Reverses the byte order of the ten floats (the reserved bytes stay). Nothing for null.
void swapMyCocoaImageColorAdjustInfo(myCocoaImageColorAdjustInfo* record) noexcept;

// Puts each value outside its accepted range back to neutral; a value that is not a finite number counts as
// outside. Red, green or blue below 0.5 (or not a number) is logged as
// "invalid color adjust Values: red = %f, green = %f, blue is %f" first. Nothing for null.
//   saturation, red, green, blue  0.5 ≤ v ≤ 1.5 (else 1)    brightness  −0.5 ≤ v ≤ 0.5 (else 0)
//   contrast                      0.5 ≤ v ≤ 2   (else 1)    sharpness   0 ≤ v ≤ 2      (else 0)
//   gamma                         0.1 ≤ v ≤ 1.5 (else 1)    exposure    −1.5 < v < 1.5 (else 0)
//   hue                           −1 < v < 1    (else 0)
// The lower gamma bound is the double 0.1, so the float nearest 0.1 (a little above it) stays.
void validateMyCocoaImageColorAdjustInfo(myCocoaImageColorAdjustInfo* record) noexcept;

}  // namespace vorl
