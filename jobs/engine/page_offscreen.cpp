#include "jobs/engine/page_offscreen.h"

#include <cmath>
#include <cstdio>

#include "foundation/services/messages.h"
#include "imaging/offscreens/memory_budget.h"
#include "imaging/offscreens/pixel_locks.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// The side in pixels, or nothing when it is not a number; wide enough that no product wraps.
std::optional<double> sideInPixels(float inches, std::int16_t resolution) noexcept {
  const float product = inches * static_cast<float>(resolution);
  if (!std::isfinite(product)) return std::nullopt;
  return std::trunc(static_cast<double>(product));
}

bool sideFits(std::optional<double> side) noexcept { return side && *side >= 1 && *side <= kMaxOffscreenSide; }

}  // namespace

std::optional<Rect> jobPageRectangle(float widthInches, float heightInches, std::int16_t resolution) noexcept {
  const auto width = sideInPixels(widthInches, resolution);
  const auto height = sideInPixels(heightInches, resolution);
  if (!sideFits(width) || !sideFits(height)) return std::nullopt;
  return makeRect(0, 0, static_cast<int>(*height), static_cast<int>(*width));
}

OffscreenPtr newJobOffscreen(float widthInches, float heightInches, std::int16_t resolution, const char* what) {
  const auto rectangle = jobPageRectangle(widthInches, heightInches, resolution);
  if (!rectangle) {
    const auto width = sideInPixels(widthInches, resolution);
    const auto height = sideInPixels(heightInches, resolution);
    char text[256];
    if (width && height && *width >= 1 && *height >= 1) {
      std::snprintf(text, sizeof text, "The %s is too large: %.0f x %.0f pixels (at most %d a side).", what, *width,
                    *height, kMaxOffscreenSide);
    } else {
      std::snprintf(text, sizeof text, "The %s has no size: %g x %g inches at %d dots per inch.", what,
                    static_cast<double>(widthInches), static_cast<double>(heightInches), resolution);
    }
    DisplayNormalMessage(text);
    return nullptr;
  }
  const std::int64_t width = rectWidth(*rectangle), height = rectHeight(*rectangle);
  char size[96];
  std::snprintf(size, sizeof size, "%g x %g inches at %d dpi", static_cast<double>(widthInches),
                static_cast<double>(heightInches), resolution);
  if (!fitsJobMemoryBudget(static_cast<std::uint64_t>(width * height) * kBytesPerPixel, width, height, what, size))
    return nullptr;
  OffscreenPtr offscreen{myNewGWorld(&*rectangle)};
  if (!offscreen) {
    systemLogf("The %s of %d x %d pixels cannot be made", what, rectWidth(*rectangle), rectHeight(*rectangle));
    return nullptr;
  }
  static_cast<void>(protectAndLockGworld(offscreen.get()));
  return offscreen;
}

}  // namespace vorl
