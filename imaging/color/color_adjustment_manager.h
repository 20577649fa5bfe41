// The colour correction of a decoded photograph with its ten per-image values: only the stages whose value
// differs from neutral run, in one fixed order (see filter_stages.h), each announced in the log.
#pragma once

#include <vector>

#include "imaging/color/color_adjust_values.h"
#include "imaging/filters/filter_stages.h"
#include "imaging/offscreens/offscreen.h"

namespace vorl {

class JobPool;

// The values with every non-finite one replaced by its neutral value, each replacement logged: a NaN or an
// infinity would otherwise turn whole pictures into undefined bytes.
ColorAdjustValues finiteColorAdjustValues(const ColorAdjustValues& values);

class ColorAdjustmentManager {
 public:
  // The stages the values call for, with their log lines; non-finite values count as neutral (logged).
  static FilterPlan planColorCorrection(const ColorAdjustValues& settings);

  // A new offscreen of the image's port rectangle holding the corrected picture; the image is left as it is.
  // With neutral values the new offscreen is a plain copy. Alpha is copied unchanged. `stagesRun`, when given,
  // receives the stages that ran, in order. Null after a log line when memory could not be had. The bytes do not
  // depend on `pool` (null: the process's pool).
  [[nodiscard]] OffscreenPtr applyColorCorrection2(const Offscreen& image, const ColorAdjustValues& settings,
                                                   JobPool* pool = nullptr,
                                                   std::vector<FilterStage>* stagesRun = nullptr) const;
};

}  // namespace vorl
