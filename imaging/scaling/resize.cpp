// Resizing between offscreens: argument checks, clipping and the choice of threads around the banded scaler.
#include "imaging/scaling/resize.h"

#include <algorithm>

#include "foundation/services/event_pump.h"
#include "foundation/services/messages.h"
#include "imaging/scaling/banded_scaler.h"
#include "imaging/parallel/job_pool.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/pixel_locks.h"
#include "imaging/parallel/progress_hook.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

constexpr std::int16_t kOffscreenMessages = 4101;
constexpr std::int16_t kScaleMessages = 4105;
constexpr std::int16_t kImageMessages = 4106;
// Bands shorter than this cost more in start-up than they save.
constexpr int kMinimumBandRows = 16;

// A negative top or left that the port does not hold becomes 0; a right or bottom past the port's is brought
// back to it. (A negative top inside a port that starts above 0 is a real row and stays.)
Rect clip(Rect r, const Rect& port) noexcept {
  if (r.top < 0 && r.top < port.top) r.top = 0;
  if (r.left < 0 && r.left < port.left) r.left = 0;
  if (r.right > port.right) r.right = port.right;
  if (r.bottom > port.bottom) r.bottom = port.bottom;
  return r;
}

bool within(const Rect& r, const Rect& port) noexcept {
  return r.top >= port.top && r.left >= port.left && r.bottom <= port.bottom && r.right <= port.right;
}

PixView rectView(const Offscreen* offscreen, const Rect& r) {
  const PixView whole = offscreen->view();
  return PixView(whole.portPixel(r.left, r.top), whole.rowBytes(), r);
}

}  // namespace

bool resizeGWorldBanded(Offscreen* source, Rect sourceRect, Offscreen* destination, Rect destRect,
                        std::int16_t scaleType, JobPool* pool, int bands) {
  if (source == nullptr || destination == nullptr) {
    DisplayNormalMessage(kImageMessages, 30);
    return false;
  }
  const Rect from = clip(sourceRect, source->portRect());
  const Rect to = clip(destRect, destination->portRect());
  // An empty or inverted rectangle has nothing to scale; it is refused with the out-of-port message.
  if (!within(from, source->portRect()) || !within(to, destination->portRect()) || rectEmpty(from) || rectEmpty(to)) {
    DisplayNormalMessage(kScaleMessages, 33);
    return false;
  }
  if (scaleType < 1 || scaleType > 4) {
    systemLogf("betterResizeGworldToGworld: scale type %d is not one of 1..4", static_cast<int>(scaleType));
    return false;
  }
  PixelLock sourceLock(source);
  PixelLock destinationLock(destination);
  if (!sourceLock.locked() || !destinationLock.locked()) {
    DisplayWarningMessage(kOffscreenMessages, 4);
    return false;
  }
  if (rectWidth(from) == rectWidth(to) && rectHeight(from) == rectHeight(to))
    return copyGWorldToGWorld(source, destination, &from, &to);

  const bool ok = resizePixels(scaleType, rectView(source, from), rectView(destination, to), bands, pool,
                               bands <= 1 ? IdleProgress : nullptr);
  myPollEvent();
  if (!ok) DisplayNormalMessage(kScaleMessages, 31);
  return ok;
}

bool betterResizeGworldToGworld(Offscreen* source, Rect sourceRect, Offscreen* destination, Rect destRect,
                                std::int16_t scaleType, bool unused) {
  static_cast<void>(unused);
  JobPool* pool = gThreaded ? processJobPool() : nullptr;
  int bands = 1;
  if (pool != nullptr) {
    const int rows = std::max(1, rectHeight(destRect));
    bands = std::clamp(rows / kMinimumBandRows, 1, pool->threadCount());
  }
  return resizeGWorldBanded(source, sourceRect, destination, destRect, scaleType, bands > 1 ? pool : nullptr, bands);
}

}  // namespace vorl
