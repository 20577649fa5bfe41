// The exclusion map of a keying call: the image's exclusion mask drawn as an offscreen, laid out like the photo
// on the page and converted into the map whose G channel the kernels read.
#include "chromakey/bridge/duzevive_manager.h"

#include <cstring>

#include "imaging/scaling/cg_drawing.h"
#include "imaging/filters/junk_masks.h"
#include "imaging/offscreens/offscreen_copy.h"

namespace vorl {

void TDuzeviveMgr2::SetDoExclusionMask(const FSSpec& imageFile, Offscreen* frame, CRect_AC source,
                                       CRect_AC destination, std::int16_t rotation, bool keepDestinationOrigin,
                                       float scale) noexcept {
  exclusionMaskPresent_ = hasExclusionMask(imageFile) ? 1 : 0;
  if (exclusionMask_.empty()) return;
  std::memset(static_cast<void*>(exclusionMask_.data()), 0, exclusionMask_.size() * sizeof(pixeli));
  if (exclusionMaskPresent_ == 0) return;

  // Whatever cannot be made below leaves the map zero: nothing is excluded.
  const Rect frameRect = myGetPortRect(frame);
  OffscreenPtr mask{myNewGWorld(&frameRect)};
  if (!mask) return;
  static_cast<void>(copyExclusionMaskToOffscreen(mask.get(), imageFile, scale));

  const Rect outputRect = myGetPortRect(outputGWorld_);
  OffscreenPtr laidOut{myNewGWorld(&outputRect)};
  if (!laidOut) return;
  if (!keepDestinationOrigin) {
    destination = makeRect(0, 0, rectHeight(destination), rectWidth(destination));
  }
  if (rotation == 0) {
    static_cast<void>(myCopyBits(mask.get(), laidOut.get(), &source, &destination, srcCopy, nullptr));
  } else {
    OffscreenPtr unturned{myNewGWorld(&outputRect)};
    if (unturned) {
      static_cast<void>(myCopyBits(mask.get(), unturned.get(), &source, &destination, srcCopy, nullptr));
      DrawRotatedGWorld(rotation, laidOut.get(), unturned.get(), outputRect, 0);
    }
  }
  ConvertGWorldToPIXELMap(laidOut.get(), exclusionMask_.data());
}

}  // namespace vorl
