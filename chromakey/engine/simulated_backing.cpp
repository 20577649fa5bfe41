// Placeholder until the stage is built: reports that it is not available unless there is nothing to do.
#include "chromakey/engine/key_stages.h"

#include <cstring>

#include "platform/system_log.h"

namespace vorl {

PrimStatus generateSimulatedRender(const pixeli*, pixeli*, int, int, int gridDensity, int, const fixcoef&, pixeli*,
                                   int) noexcept {
  if (gridDensity == 0) return PrimStatus::ok;
  systemLog("chroma keying: the simulated-backing stage is not available in this build");
  return PrimStatus::stageNotAvailable;
}

}  // namespace vorl
