// Placeholder until the stage is built: reports that it is not available unless there is nothing to do.
#include "chromakey/engine/key_stages.h"

#include <cstring>

#include "platform/system_log.h"

namespace vorl {

PrimStatus renderMaskShape(pixeli* map, int w, int h, DuzeviveShapeList shapes, bool clear) noexcept {
  if (map == nullptr || w < 0 || h < 0) return PrimStatus::badArguments;
  if (clear) std::memset(map, 0, static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * sizeof(pixeli));
  if (shapes.empty()) return PrimStatus::ok;
  systemLog("chroma keying: the shape-mask stage is not available in this build");
  return PrimStatus::stageNotAvailable;
}

}  // namespace vorl
