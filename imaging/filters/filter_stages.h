// The filter chain's stages and the renderer that runs a chosen set of them over an offscreen.
//
// Stages always run in one order: colour controls, gamma, luminance sharpening, exposure, hue, colour matrix,
// then the Gaussian blur. The colour stages work in linear light: each byte is decoded through the working
// space's transfer curve (sRGB's), the stages run in float, and the result is clamped and encoded back to the
// nearest byte once at the end. The per-pixel stages are fused: colour
// controls and gamma in one step, exposure, hue and the colour matrix as one 3x3 matrix; the sharpening sits
// between them because it needs the neighbourhood. Alpha is never changed.
//
// Formulas, per channel c of red, green, blue in linear light (Y = 0.2125·R + 0.7154·G + 0.0721·B):
//   colour controls  c ← (Y + s·(c − Y) − 0.5)·k + 0.5 + b        (saturation s, contrast k, brightness b)
//   gamma            c ← sign(c)·|c|^p
//   sharpen          c ← c + a·(Y − G₁.₆₉(Y))                       (Gaussian of σ 1.69 around the pixel, amount a)
//   exposure         c ← c·2^EV
//   hue              rotation by θ radians about the grey axis (1, 1, 1), red turning towards green
//   colour matrix    red, green, blue each times its own gain
//   blur             Gaussian of σ = radius, edges clamped, colour channels only
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

class JobPool;

// Weights of the luminance that saturation and sharpening work with.
inline constexpr double kLumaRed = 0.2125;
inline constexpr double kLumaGreen = 0.7154;
inline constexpr double kLumaBlue = 0.0721;
// Standard deviation of the neighbourhood the sharpening compares a pixel's luminance with.
inline constexpr double kSharpenSigma = 1.69;

struct ColorControlsStage {
  double saturation = 1;
  double brightness = 0;
  double contrast = 1;
};
struct ColorMatrixStage {
  double red = 1;
  double green = 1;
  double blue = 1;
};

// The stages that exist; a stage that is absent is not run at all.
struct FilterPlan {
  std::optional<ColorControlsStage> colorControls;
  std::optional<double> gamma;
  std::optional<double> sharpness;
  std::optional<double> exposure;
  std::optional<double> hue;
  std::optional<ColorMatrixStage> colorMatrix;
  std::optional<double> blurRadius;
};

enum class FilterStage { kColorControls, kGamma, kSharpenLuminance, kExposure, kHue, kColorMatrix, kGaussianBlur };
std::string_view filterStageName(FilterStage stage) noexcept;
// The plan's stages in the order they run.
std::vector<FilterStage> stagesOf(const FilterPlan& plan);

// Renders `source` through the plan into `destination`: same size, memory that does not overlap. Values must
// be finite and the blur radius at most kMaxBlurRadius (callers check and log); should anything non-finite
// still arise on the way (a huge exposure), it ends as 0 or 255, never as undefined bytes. The result does not
// depend on the pool or its thread count. False when working memory could not be had.
[[nodiscard]] bool renderFilterPlan(const FilterPlan& plan, const PixView& source, const PixView& destination,
                                    JobPool* pool = nullptr);

}  // namespace vorl
