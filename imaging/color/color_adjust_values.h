// The ten per-image colour adjustment values of a photograph, as the file's settings carry them, with the value
// at which each one leaves the picture alone.
#pragma once

namespace vorl {

struct ColorAdjustValues {
  double saturation = 1;
  double brightness = 0;
  double contrast = 1;
  double red = 1;
  double green = 1;
  double blue = 1;
  double sharpness = 0;
  double gamma = 1;
  double exposure = 0;
  double hue = 0;  // radians

  // True when every value equals its neutral value (a NaN is never neutral).
  bool isNeutral() const noexcept {
    const ColorAdjustValues n{};
    return saturation == n.saturation && brightness == n.brightness && contrast == n.contrast && red == n.red &&
           green == n.green && blue == n.blue && sharpness == n.sharpness && gamma == n.gamma &&
           exposure == n.exposure && hue == n.hue;
  }
};

}  // namespace vorl
