// The per-picture filter chain and the blur of photographs.
#include "imaging/filters/image_filter.h"

#include <cmath>
#include <utility>

#include "imaging/color/color_adjustment_manager.h"
#include "imaging/filters/gaussian_blur.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

// The radius the blur stage can take, or none; each change is logged.
std::optional<double> usableBlurRadius(float radius) {
  if (!std::isfinite(radius)) {
    systemLogf("blur radius %f is not a finite number; the image is not blurred", static_cast<double>(radius));
    return std::nullopt;
  }
  if (radius > kMaxBlurRadius) {
    systemLogf("blur radius %f is beyond %g; %g is used", static_cast<double>(radius), kMaxBlurRadius, kMaxBlurRadius);
    return kMaxBlurRadius;
  }
  return static_cast<double>(radius);
}

// Plan values mended the same way the correction manager mends them.
FilterPlan finitePlan(const FilterPlan& plan) {
  ColorAdjustValues v;
  if (plan.colorControls) {
    v.saturation = plan.colorControls->saturation;
    v.brightness = plan.colorControls->brightness;
    v.contrast = plan.colorControls->contrast;
  }
  if (plan.colorMatrix) {
    v.red = plan.colorMatrix->red;
    v.green = plan.colorMatrix->green;
    v.blue = plan.colorMatrix->blue;
  }
  v.sharpness = plan.sharpness.value_or(v.sharpness);
  v.gamma = plan.gamma.value_or(v.gamma);
  v.exposure = plan.exposure.value_or(v.exposure);
  v.hue = plan.hue.value_or(v.hue);
  const ColorAdjustValues f = finiteColorAdjustValues(v);
  FilterPlan mended = plan;
  if (mended.colorControls) mended.colorControls = ColorControlsStage{f.saturation, f.brightness, f.contrast};
  if (mended.colorMatrix) mended.colorMatrix = ColorMatrixStage{f.red, f.green, f.blue};
  if (mended.sharpness) mended.sharpness = f.sharpness;
  if (mended.gamma) mended.gamma = f.gamma;
  if (mended.exposure) mended.exposure = f.exposure;
  if (mended.hue) mended.hue = f.hue;
  return mended;
}

}  // namespace

ImageFilter::ImageFilter(OffscreenPtr image) : image_(std::move(image)) {}

void ImageFilter::setSaturation(double saturation) {
  plan_.colorControls = plan_.colorControls.value_or(ColorControlsStage{});
  plan_.colorControls->saturation = saturation;
}
void ImageFilter::setBrightness(double brightness) {
  plan_.colorControls = plan_.colorControls.value_or(ColorControlsStage{});
  plan_.colorControls->brightness = brightness;
}
void ImageFilter::setContrast(double contrast) {
  plan_.colorControls = plan_.colorControls.value_or(ColorControlsStage{});
  plan_.colorControls->contrast = contrast;
}
void ImageFilter::setAllColor(double red, double green, double blue) {
  plan_.colorMatrix = ColorMatrixStage{red, green, blue};
}
void ImageFilter::setSharpness(float sharpness) {
  plan_.sharpness = static_cast<double>(sharpness);
  systemLogf("my sharpness==%g", static_cast<double>(sharpness));
}
void ImageFilter::setGamma(float gamma) { plan_.gamma = static_cast<double>(gamma); }
void ImageFilter::setExposure(float exposure) { plan_.exposure = static_cast<double>(exposure); }
void ImageFilter::setHue(float hue) { plan_.hue = static_cast<double>(hue); }
void ImageFilter::setBlur(float radius) { plan_.blurRadius = usableBlurRadius(radius); }

std::vector<FilterStage> ImageFilter::stages() const { return stagesOf(plan_); }

OffscreenPtr ImageFilter::createImage(JobPool* pool) const {
  if (!image_) return nullptr;
  const FilterPlan plan = finitePlan(plan_);
  const Rect bounds = image_->portRect();
  OffscreenPtr result{myNewGWorld(&bounds)};
  if (!result) return nullptr;  // myNewGWorld has said why
  if (!renderFilterPlan(plan, image_->view(), result->view(), pool)) {
    systemLog("image filter: not enough memory to render the image");
    return nullptr;
  }
  return result;
}

OffscreenPtr blurMyImage(OffscreenPtr image, float radius, JobPool* pool) {
  if (!image) return nullptr;
  const std::optional<double> usable = usableBlurRadius(radius);
  if (!usable || !(*usable > 0)) return image;
  ImageFilter filter(std::move(image));
  filter.setBlur(static_cast<float>(*usable));
  return filter.createImage(pool);
}

}  // namespace vorl
