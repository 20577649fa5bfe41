// Image sidecars under libFuzzer: any bytes, read as an AppleDouble file and as a bare resource fork, must give
// resources or an error, never a crash or a huge allocation; what reads is taken through the colour adjustment
// of 'Pref' 5002, whose result must always be within the accepted ranges.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/image_files/image_settings_resources.h"
#include "platform/files/apple_double.h"

namespace {

void checkColorAdjust(const vorl::AppleDouble& resources) {
  vorl::myCocoaImageColorAdjustInfo record;
  static_cast<void>(vorl::colorAdjustFromResources(resources, &record, "fuzz"));
  for (const float v : {record.saturation.value(), record.brightness.value(), record.contrast.value(),
                        record.red.value(), record.green.value(), record.blue.value(), record.sharpness.value(),
                        record.gamma.value(), record.exposure.value(), record.hue.value()})
    if (!std::isfinite(v) || v < -1.5f || v > 2.0f) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vorl::AppleDouble sidecar;
  if (vorl::parseAppleDouble({data, size}, sidecar) == vorl::noErr) {
    checkColorAdjust(sidecar);
    std::vector<std::uint8_t> bytes;
    static_cast<void>(vorl::serializeAppleDouble(sidecar, bytes));
  }
  vorl::AppleDouble fork;
  if (vorl::parseResourceFork({data, size}, fork.resources) == vorl::noErr) checkColorAdjust(fork);
  return 0;
}
