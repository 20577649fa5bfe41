// Choosing the correction stages from the ten values, and the log lines that announce them.
#include "imaging/color/color_adjustment_manager.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "platform/system/system_log.h"

namespace vorl {

namespace {

void mendValue(double& value, double neutral, const char* name) {
  if (std::isfinite(value)) return;
  systemLogf("colour adjustment: %s is %f, not a finite number; %g is used instead", name, value, neutral);
  value = neutral;
}

std::string number(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

std::string settingsText(const ColorAdjustValues& s) {
  return "{saturation = " + number(s.saturation) + "; brightness = " + number(s.brightness) +
         "; contrast = " + number(s.contrast) + "; red = " + number(s.red) + "; green = " + number(s.green) +
         "; blue = " + number(s.blue) + "; sharpness = " + number(s.sharpness) + "; gamma = " + number(s.gamma) +
         "; exposure = " + number(s.exposure) + "; hue = " + number(s.hue) + "}";
}

std::string vectorText(double a, double b, double c, double d) {
  return "[" + number(a) + " " + number(b) + " " + number(c) + " " + number(d) + "]";
}

}  // namespace

ColorAdjustValues finiteColorAdjustValues(const ColorAdjustValues& values) {
  const ColorAdjustValues neutral{};
  ColorAdjustValues v = values;
  mendValue(v.saturation, neutral.saturation, "saturation");
  mendValue(v.brightness, neutral.brightness, "brightness");
  mendValue(v.contrast, neutral.contrast, "contrast");
  mendValue(v.red, neutral.red, "red");
  mendValue(v.green, neutral.green, "green");
  mendValue(v.blue, neutral.blue, "blue");
  mendValue(v.sharpness, neutral.sharpness, "sharpness");
  mendValue(v.gamma, neutral.gamma, "gamma");
  mendValue(v.exposure, neutral.exposure, "exposure");
  mendValue(v.hue, neutral.hue, "hue");
  return v;
}

FilterPlan ColorAdjustmentManager::planColorCorrection(const ColorAdjustValues& settings) {
  systemLogf("Inside %s => %s...with settings: %s", "ColorAdjustmentManager", "applyColorCorrection2",
             settingsText(settings).c_str());
  systemLog("Preparing to Color Adjust the Image...\n");
  const ColorAdjustValues s = finiteColorAdjustValues(settings);
  const ColorAdjustValues n{};
  if (s.sharpness == 0) systemLog("sharpness is OFF");

  FilterPlan plan;
  if (s.saturation != n.saturation || s.brightness != n.brightness || s.contrast != n.contrast) {
    systemLog("\n\n");
    systemLogf("CIColorControls settings->saturation = %2.5f", s.saturation);
    systemLogf("CIColorControls settings->brightness = %2.5f", s.brightness);
    systemLogf("CIColorControls settings->contrast = %2.5f", s.contrast);
    systemLog("doing CIColorControls adjustment ...\n");
    plan.colorControls = ColorControlsStage{s.saturation, s.brightness, s.contrast};
    systemLog("did we crash here ...\n");
  }
  if (s.gamma != n.gamma) {
    systemLog("\n\n");
    systemLogf("CIGammaAdjust settings->gamma = %2.5f", s.gamma);
    systemLog("doing CIGammaAdjust adjustment ...\n");
    plan.gamma = s.gamma;
  }
  if (s.sharpness != n.sharpness) {
    systemLog("\n\n");
    systemLogf("CISharpenLuminance settings->sharpnessLuminance = %2.5f", s.sharpness);
    systemLogf("my sharpness==%s", number(s.sharpness).c_str());
    const std::string inputs =
        "{inputSharpness = " + number(s.sharpness) + "; inputRadius = " + number(kSharpenSigma) + "}";
    systemLogf("doing core image CISharpenLuminance adjustments %s ...\n", inputs.c_str());
    plan.sharpness = s.sharpness;
  }
  if (s.exposure != n.exposure) {
    systemLog("\n\n");
    systemLogf("CIExposureAdjust settings->exposure = %2.5f", s.exposure);
    systemLogf("doing core image CIExposureAdjust adjustments %s ...\n",
               ("{inputEV = " + number(s.exposure) + "}").c_str());
    plan.exposure = s.exposure;
  }
  if (s.hue != n.hue) {
    systemLog("\n\n");
    systemLogf("CIHueAdjust settings->hue = %2.5f", s.hue);
    systemLogf("doing core image CIHueAdjust adjustments %s ...\n", ("{inputAngle = " + number(s.hue) + "}").c_str());
    plan.hue = s.hue;
  }
  if (s.red != n.red || s.green != n.green || s.blue != n.blue) {
    systemLog("\n\n");
    systemLogf("CIColorMatrix settings->red = %2.5f", s.red);
    systemLogf("CIColorMatrix settings->green = %2.5f", s.green);
    systemLogf("CIColorMatrix settings->blue = %2.5f", s.blue);
    systemLogf("CIColorMatrix settings->alpha = %2.5f", 1.0);
    const std::string r = vectorText(s.red, 0, 0, 0), g = vectorText(0, s.green, 0, 0), b = vectorText(0, 0, s.blue, 0),
                      a = vectorText(0, 0, 0, 1);
    systemLogf("CIColorMatrix inputRVector = %s", r.c_str());
    systemLogf("CIColorMatrix inputGVector = %s", g.c_str());
    systemLogf("CIColorMatrix inputBVector = %s", b.c_str());
    systemLogf("CIColorMatrix inputAVector = %s", a.c_str());
    const std::string inputs =
        "{inputRVector = " + r + "; inputGVector = " + g + "; inputBVector = " + b + "; inputAVector = " + a + "}";
    systemLogf("doing core image color adjustments %s ...\n", inputs.c_str());
    plan.colorMatrix = ColorMatrixStage{s.red, s.green, s.blue};
  }
  return plan;
}

OffscreenPtr ColorAdjustmentManager::applyColorCorrection2(const Offscreen& image, const ColorAdjustValues& settings,
                                                           JobPool* pool, std::vector<FilterStage>* stagesRun) const {
  const FilterPlan plan = planColorCorrection(settings);
  if (stagesRun) *stagesRun = stagesOf(plan);
  const Rect bounds = image.portRect();
  OffscreenPtr corrected{myNewGWorld(&bounds)};
  if (!corrected) return nullptr;  // myNewGWorld has said why
  if (!renderFilterPlan(plan, image.view(), corrected->view(), pool)) {
    systemLog("colour adjustment: not enough memory to correct the image");
    return nullptr;
  }
  return corrected;
}

}  // namespace vorl
