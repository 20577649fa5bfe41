#include "jobs/delivery/chooser_print_geometry.h"

#include <algorithm>
#include <cstdint>

#include "imaging/offscreens/offscreen_rotate.h"
#include "imaging/offscreens/pixel_locks.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// Quarter turn clockwise: the portrait sheet's top is the landscape page's left edge.
inline constexpr std::int16_t kTurnClockwise = 2;

bool isPortrait(int width, int height) noexcept { return width < height; }

Rect rectAtOrigin(int width, int height) noexcept { return makeRect(0, 0, height, width); }

}  // namespace

bool computeAdjustedRect(const Rect& pictureRect, Rect& pageRect, std::int16_t imageResolutionH,
                         std::int16_t imageResolutionV, std::int16_t printerResolutionH,
                         std::int16_t printerResolutionV) {
  const auto factor = [](std::int16_t image, std::int16_t printer) {
    return image > 0 && printer > 0 ? static_cast<float>(image) / static_cast<float>(printer) : 1.0f;
  };
  const float factorH = factor(imageResolutionH, printerResolutionH);
  const float factorV = factor(imageResolutionV, printerResolutionV);
  // 64-bit: a large picture on a fine printer passes 32767 dots before it is reduced.
  std::int64_t width = static_cast<std::int64_t>(static_cast<float>(rectWidth(pictureRect)) / factorH);
  std::int64_t height = static_cast<std::int64_t>(static_cast<float>(rectHeight(pictureRect)) / factorV);
  const std::int64_t pageWidth = std::max(0, rectWidth(pageRect));
  const std::int64_t pageHeight = std::max(0, rectHeight(pageRect));

  if (width <= pageWidth && height <= pageHeight) {
    const std::int64_t spareWidth = pageWidth - width;
    const std::int64_t spareHeight = pageHeight - height;
    const std::int64_t left = spareWidth > 1 ? spareWidth / 2 : 0;
    const std::int64_t top = spareHeight > 1 ? spareHeight / 2 : 0;
    pageRect = makeRect(static_cast<int>(top), static_cast<int>(left), static_cast<int>(top + height),
                        static_cast<int>(left + width));
    return true;
  }
  // Too large on at least one axis: the smaller ratio, so the other axis fits as well.
  if (width > 0 && height > 0) {
    if (pageWidth * height <= pageHeight * width) {
      height = height * pageWidth / width;
      width = pageWidth;
    } else {
      width = width * pageHeight / height;
      height = pageHeight;
    }
  }
  const std::int64_t left = (pageWidth - width) / 2;
  const std::int64_t top = (pageHeight - height) / 2;
  pageRect = makeRect(static_cast<int>(top), static_cast<int>(left), static_cast<int>(top + height),
                      static_cast<int>(left + width));
  return true;
}

OffscreenPtr rescaleImageForChooserPrinting(Offscreen* offscreen, std::int16_t imageResolution, Rect& pageRect,
                                            std::int16_t printerResolution, bool rotate) {
  if (offscreen == nullptr) return nullptr;
  const Rect page = pageRect;
  const int width = offscreen->width();
  const int height = offscreen->height();
  static_cast<void>(computeAdjustedRect(rectAtOrigin(width, height), pageRect, imageResolution, imageResolution,
                                        printerResolution, printerResolution));
  if (!rotate || isPortrait(width, height) == isPortrait(rectWidth(page), rectHeight(page))) return nullptr;

  const Rect turnedBounds = rectAtOrigin(height, width);
  OffscreenPtr turned{myNewGWorld(&turnedBounds)};
  if (turned && protectTheGworld(turned.get()) && rotateImage90Degrees(kTurnClockwise, offscreen, turned.get())) {
    Rect turnedPage = page;
    static_cast<void>(computeAdjustedRect(turnedBounds, turnedPage, imageResolution, imageResolution,
                                          printerResolution, printerResolution));
    pageRect = turnedPage;
    return turned;
  }
  // An empty sheet would be a lost print: the page goes out unturned, reduced to fit, as placed above.
  systemLog("rescaleImageForChooserPrinting=> rotateImage90Degrees FAILED");
  return nullptr;
}

FittedPicture fitPictureInFrame(double pictureWidth, double pictureHeight, double frameWidth, double frameHeight) {
  double scale = 1.0;
  if (pictureWidth > 0 && pictureHeight > 0 && (pictureWidth > frameWidth || pictureHeight > frameHeight))
    scale = std::min(frameWidth / pictureWidth, frameHeight / pictureHeight);
  const double width = pictureWidth * scale;
  const double height = pictureHeight * scale;
  return {(frameWidth - width) / 2, (frameHeight - height) / 2, width, height};
}

}  // namespace vorl
