// Junk and exclusion mask archives under libFuzzer: any bytes decode to shapes or to nothing, and every shape,
// however absurd its numbers, draws into a small offscreen without touching memory outside it.
#include <cstdint>

#include "imaging/filters/junk_masks.h"
#include "imaging/offscreens/offscreen.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto shapes = vorl::decodeMaskShapes({data, size});
  if (!shapes) return 0;
  const vorl::Rect bounds = vorl::makeRect(0, 0, 23, 37);
  vorl::OffscreenPtr offscreen{vorl::myNewGWorld(&bounds)};
  if (!offscreen) return 0;
  int drawn = 0;
  for (const vorl::ArchivedValue& element : *shapes) {
    const auto* shape = element.asArray();
    if (!shape) continue;
    for (const float scale : {1.0f, 0.37f}) {
      static_cast<void>(vorl::drawArrayAsShapeToOffscreen(offscreen.get(), *shape, scale));
      static_cast<void>(vorl::drawArrayAsPathToOffscreen(offscreen.get(), *shape, scale));
      static_cast<void>(vorl::drawArrayAsShapeToOffscreenForExclusionMask(offscreen.get(), *shape, scale));
      static_cast<void>(vorl::drawArrayAsPathToOffscreenForExclusionMask(offscreen.get(), *shape, scale));
    }
    if (++drawn == 64) break;  // enough to reach every path; more only slows the run
  }
  return 0;
}
