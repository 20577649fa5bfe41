// The optional stages as this build has them: each does what needs no filter at all (a grain level of 0, a blur
// radius and shrink of 0, an empty shape list, a density of 0) and otherwise reports that it is not available,
// so a job that needs one fails visibly instead of printing an unfiltered key. The filters themselves replace
// this file.
#include "chromakey/engine/key_stages.h"

#include <cstring>

#include "platform/system_log.h"

namespace vorl {
namespace {

PrimStatus notAvailable(const char* stage) noexcept {
  systemLogf("chroma keying: the %s stage is not available in this build", stage);
  return PrimStatus::stageNotAvailable;
}

}  // namespace

PrimStatus generateSimulatedRender(const pixeli*, pixeli*, int, int, int gridDensity, int, const fixcoef&, pixeli*,
                                   int) noexcept {
  if (gridDensity == 0) return PrimStatus::ok;
  return notAvailable("simulated-backing");
}

PrimStatus renderMaskShape(pixeli* map, int w, int h, DuzeviveShapeList shapes, bool clear) noexcept {
  if (map == nullptr || w < 0 || h < 0) return PrimStatus::badArguments;
  if (clear) std::memset(map, 0, static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * sizeof(pixeli));
  if (shapes.empty()) return PrimStatus::ok;
  return notAvailable("shape-mask");
}

PrimStatus remove_grain(pixeli* map, int w, int h, const fixcoef& record, const int*) noexcept {
  if (map == nullptr || w < 0 || h < 0) return PrimStatus::badArguments;
  if (record.grainLevel == 0) return PrimStatus::ok;
  return notAvailable("grain-removal");
}

PrimStatus doDefocusMask(pixeli* map, int w, int h, int defocus, int, float shrink) noexcept {
  if (map == nullptr) return PrimStatus::ok;
  if (w < 0 || h < 0) return PrimStatus::badArguments;
  if (defocus == 0 && shrink == 0.0f) return PrimStatus::ok;
  return notAvailable("matte-blur");
}

}  // namespace vorl
