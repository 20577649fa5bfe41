// Placeholder until the stage is built: reports that it is not available unless there is nothing to do.
#include "chromakey/engine/key_stages.h"

#include <cstring>

#include "platform/system_log.h"

namespace vorl {

PrimStatus doDefocusMask(pixeli* map, int w, int h, int defocus, int, float shrink) noexcept {
  if (map == nullptr) return PrimStatus::ok;
  if (w < 0 || h < 0) return PrimStatus::badArguments;
  if (defocus == 0 && shrink == 0.0f) return PrimStatus::ok;
  systemLog("chroma keying: the matte-blur stage is not available in this build");
  return PrimStatus::stageNotAvailable;
}

}  // namespace vorl
