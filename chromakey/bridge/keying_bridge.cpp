#include "chromakey/bridge/keying_bridge.h"

#include <memory>
#include <new>
#include <string>

#include "chromakey/bridge/duzevive_manager.h"
#include "imaging/filters/alpha_masks.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "foundation/services/messages.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

constexpr const char* kNotEnoughMemory = "Not enough memory availabe to do Chroma Keying!";
// The scale at which the exclusion mask is drawn.
constexpr float kExclusionMaskScale = 2.0f;

void report(const std::string& text) {
  systemLog(text);
  DisplayNormalMessage(text.c_str());
}

bool sameSize(const Offscreen* a, const Offscreen* b) noexcept {
  return a->width() == b->width() && a->height() == b->height();
}

}  // namespace

bool doNewChromaKeyingEx(OffscreenPtr foreground, OffscreenPtr background, Offscreen* output,
                         const tChromaKeySettings* settings, const MatteEdgeSettings& matteEdge, bool makeMask,
                         bool junkInForegroundAlpha, Offscreen* exclusionFrame, CRect_AC exclusionSource,
                         CRect_AC exclusionDestination, std::int16_t rotation, const FSSpec& imageFile) {
  if (settings == nullptr || output == nullptr) {
    report("Chroma keying needs its settings and an output picture.");
    return false;
  }
  if (foreground && (!sameSize(foreground.get(), output) || (background && !sameSize(background.get(), output)))) {
    report("Chroma keying needs the photo, its background and the output at one size.");
    return false;
  }

  std::unique_ptr<TDuzeviveMgr2> manager(new (std::nothrow) TDuzeviveMgr2(matteEdge));
  if (!manager) return false;
  manager->SetParameters(settings->coefficients);
  manager->SetFGGWorldPtr(std::move(foreground));
  manager->SetBGGWorldPtr(std::move(background));
  if (manager->InitializeNew() != kKeyingReady) {
    report(kNotEnoughMemory);
    return false;
  }
  systemLog("Successfully initialized to do Chroma Keying!");

  if (junkInForegroundAlpha) manager->SetDoExternalMask(1);
  manager->SetOutGWorldPtr(output);
  manager->SetDoExclusionMask(imageFile, exclusionFrame, exclusionSource, exclusionDestination, rotation, false,
                              kExclusionMaskScale);

  if (const PrimStatus status = manager->DisplayImage(); status != PrimStatus::ok) {
    report(std::string("Chroma keying failed: ") + describe(status) + ".");
    return false;
  }

  if (makeMask) {
    OffscreenPtr matte{myDuplicateGWorld(output)};
    if (!matte) {
      report(kNotEnoughMemory);
      return false;
    }
    manager->SetOutGWorldPtr(matte.get());
    manager->SetDisplayMode(kDisplayMatte);
    const PrimStatus status = junkInForegroundAlpha ? manager->DisplayImage2() : manager->DisplayImage();
    if (status != PrimStatus::ok || !myCopyMaskGworldToAlphaChannel(output, matte.get())) {
      report(kNotEnoughMemory);
      return false;
    }
  }
  return true;
}

}  // namespace vorl
