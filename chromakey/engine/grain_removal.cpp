// Placeholder until the stage is built: reports that it is not available unless there is nothing to do.
#include "chromakey/engine/key_stages.h"

#include <cstring>

#include "platform/system_log.h"

namespace vorl {

PrimStatus remove_grain(pixeli* map, int w, int h, const fixcoef& record, const int*) noexcept {
  if (map == nullptr || w < 0 || h < 0) return PrimStatus::badArguments;
  if (record.grainLevel == 0) return PrimStatus::ok;
  systemLog("chroma keying: the grain-removal stage is not available in this build");
  return PrimStatus::stageNotAvailable;
}

}  // namespace vorl
