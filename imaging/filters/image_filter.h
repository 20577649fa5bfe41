// imaging/filters/: passes that change a picture's look: the filter chain (this unit) and its stages, the Gaussian
// blur and sharpening, masks through the alpha channel, and the junk and exclusion masks other studio programs draw
// over photographs.
//
// A filter chain made for one picture: each setter brings its stage into being, stages never set do not exist,
// and createImage renders the picture through the stages that exist. It serves the colour correction when the
// correction manager cannot be used, and the blur of photographs (blurMyImage).
//
// The stages run in the same order as the correction manager's (filter_stages.h), so both give the same bytes
// for the same values. Inputs of a stage that were never set take their neutral values.
#pragma once

#include <optional>
#include <vector>

#include "imaging/color/color_adjust_values.h"
#include "imaging/filters/filter_stages.h"
#include "imaging/offscreens/offscreen.h"

namespace vorl {

class JobPool;

class ImageFilter {
 public:
  // Takes the picture over; a null picture makes a filter whose createImage answers null.
  explicit ImageFilter(OffscreenPtr image);

  void setSaturation(double saturation);
  void setBrightness(double brightness);
  void setContrast(double contrast);
  void setAllColor(double red, double green, double blue);
  void setSharpness(float sharpness);
  void setGamma(float gamma);
  void setExposure(float exposure);
  void setHue(float hue);
  // A non-finite radius is dropped (the stage does not exist) and a radius above kMaxBlurRadius is lowered to
  // it, each with a log line.
  void setBlur(float radius);

  // The stages that exist, in the order they run.
  std::vector<FilterStage> stages() const;

  // A new offscreen of the picture's port rectangle through every stage that exists; the picture itself stays
  // as it is. Non-finite values count as neutral (logged). Null without a picture, or after a log line when
  // memory could not be had. The bytes do not depend on `pool` (null: the process's pool).
  [[nodiscard]] OffscreenPtr createImage(JobPool* pool = nullptr) const;

  const Offscreen* image() const noexcept { return image_.get(); }

 private:
  OffscreenPtr image_;
  FilterPlan plan_;
};

// The picture blurred with `radius` as a new offscreen; the picture is given up. A radius that is not finite
// or not above 0 leaves the picture as it is (the same offscreen comes back), with a log line when not finite.
// A radius above kMaxBlurRadius is lowered to it with a log line. Null only when memory ran out (logged).
[[nodiscard]] OffscreenPtr blurMyImage(OffscreenPtr image, float radius, JobPool* pool = nullptr);

}  // namespace vorl
