#include "chromakey/bridge/duzevive_manager.h"

#include <cmath>
#include <cstdio>

#include "chromakey/bridge/final_composite.h"
#include "chromakey/bridge/map_conversion.h"
#include "chromakey/engine/sample_plane.h"
#include "foundation/services/messages.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

constexpr std::int16_t kOffscreenMessages = 4101;
constexpr std::int16_t kNoPixelMap = 1;
constexpr std::int16_t kNoOffscreen = 2;

// The matte-edge settings always reach the engine.
constexpr bool kUseDefocus = true;

bool sameSize(const Offscreen& offscreen, int width, int height) noexcept {
  return offscreen.width() == width && offscreen.height() == height;
}

}  // namespace

// ---- TDuzeviveMgr

PixelMap TDuzeviveMgr::newMap() const noexcept {
  if (pixelCount_ == 0) return PixelMap();
  return PixelMap(pixelCount_);
}

bool TDuzeviveMgr::AllocateMemory() noexcept {
  foreground_ = newMap();
  background_ = newMap();
  return AllocateMemory3() && !foreground_.empty() && !background_.empty();
}

void TDuzeviveMgr::CleanMemory() noexcept {
  foreground_ = PixelMap();
  background_ = PixelMap();
  matteView_ = PixelMap();
  keyed_ = PixelMap();
}

bool TDuzeviveMgr::AllocateMemory3() noexcept {
  matteView_ = newMap();
  keyed_ = newMap();
  return !matteView_.empty() && !keyed_.empty();
}

Offscreen* TDuzeviveMgr::SetFGGWorldPtr(OffscreenPtr foreground) noexcept {
  foregroundGWorld_ = std::move(foreground);
  return foregroundGWorld_.get();
}

Offscreen* TDuzeviveMgr::SetBGGWorldPtr(OffscreenPtr background) noexcept {
  backgroundGWorld_ = std::move(background);
  return backgroundGWorld_.get();
}

Offscreen* TDuzeviveMgr::SetOutGWorldPtr(Offscreen* output) noexcept {
  outputGWorld_ = output;
  return outputGWorld_;
}

int TDuzeviveMgr::InitializeNew() noexcept {
  if (!foregroundGWorld_ || !backgroundGWorld_) return kKeyingOffscreenMissing;
  displayMode_ = kDisplayComposite;
  keyingPending_ = true;
  const Rect port = myGetPortRect(foregroundGWorld_.get());
  SetImageSizeX(rectWidth(port));
  SetImageSizeY(rectHeight(port));
  pixelCount_ = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  // Every map holds the foreground's pixels; a background of another size would be read past its end.
  if (!sameSize(*backgroundGWorld_, width_, height_)) return kKeyingSizesDiffer;
  CleanMemory();

  foreground_ = newMap();
  if (foreground_.empty()) return kKeyingMapMissing;
  ConvertGWorldToPIXELMap(foregroundGWorld_.get(), foreground_.data());
  foregroundGWorld_.reset();

  background_ = newMap();
  if (background_.empty()) return kKeyingMapMissing;
  ConvertGWorldToPIXELMap(backgroundGWorld_.get(), background_.data());
  backgroundGWorld_.reset();

  return AllocateMemory3() ? kKeyingReady : kKeyingMapMissing;
}

bool TDuzeviveMgr::canConvert(const Offscreen* gworld, const pixeli* map) const noexcept {
  if (map == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, kNoPixelMap);
    return false;
  }
  if (gworld == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, kNoOffscreen);
    return false;
  }
  return gworld->baseAddr() != nullptr && sameSize(*gworld, width_, height_);
}

int TDuzeviveMgr::ConvertGWorldToPIXELMap(const Offscreen* gworld, pixeli* map) noexcept {
  if (!canConvert(gworld, map)) return -1;
  offscreenToMap(*gworld, map);
  return 0;
}

int TDuzeviveMgr::ConvertPIXELMapToGWorld(Offscreen* gworld, const pixeli* map) noexcept {
  if (!canConvert(gworld, map)) return -1;
  mapToOffscreen(map, *gworld);
  return 0;
}

// ---- TDuzeviveMgr2

TDuzeviveMgr2::TDuzeviveMgr2(const MatteEdgeSettings& edge) noexcept : edge_(edge) {
  PBSetup::pb_init(coefficients_);
  setup_.set(coefficients_);
  setup_.pb_spillproc(0);
}

bool TDuzeviveMgr2::AllocateMemory() noexcept {
  exclusionMask_ = newMap();
  composite_ = newMap();
  return TDuzeviveMgr::AllocateMemory() && !exclusionMask_.empty() && !composite_.empty();
}

void TDuzeviveMgr2::CleanMemory() noexcept {
  TDuzeviveMgr::CleanMemory();
  exclusionMask_ = PixelMap();
  composite_ = PixelMap();
}

bool TDuzeviveMgr2::AllocateMemory3() noexcept {
  const bool base = TDuzeviveMgr::AllocateMemory3();
  exclusionMask_ = newMap();
  composite_ = newMap();
  return base && !exclusionMask_.empty() && !composite_.empty();
}

void TDuzeviveMgr2::SetParameters(const fixcoef& record) noexcept {
  coefficients_ = record;
  setup_.set(coefficients_);
}

void TDuzeviveMgr2::checkMatteEdgeRanges() noexcept {
  char text[96];
  if (edge_.defocus < 0 || edge_.defocus > kMaxDefocus) {
    std::snprintf(text, sizeof text, "fDefocusValue is out of range %i", static_cast<int>(edge_.defocus));
    DisplayNormalMessage(text);
    edge_.defocus = 0;
  }
  // Written so that a shrink that is no number at all is replaced as well.
  if (!(edge_.shrink >= 0.0f && edge_.shrink <= 1.0f)) {
    std::snprintf(text, sizeof text, "fShrinkValue is %f", static_cast<double>(edge_.shrink));
    DisplayNormalMessage(text);
    edge_.shrink = 0.0f;
  }
}

PrimStatus TDuzeviveMgr2::key() noexcept {
  setup_.pb_spillproc(0);
  setup_.extmsk(exclusionMaskPresent_);
  if constexpr (kUseDefocus) {
    setup_.defocus(edge_.defocus);
    setup_.inward_flag(edge_.inward);
    setup_.shrink_val(edge_.shrink);
  } else {
    setup_.defocus(0);
    setup_.inward_flag(0);
    setup_.shrink_val(0.0f);
  }
  if (!setup_.translate_begin()) {
    setup_.translate_finish();
    return PrimStatus::recordNotPrepared;
  }
  PrimStatus status =
      setup_.pixelproc(foreground_.data(), keyed_.data(), background_.data(), exclusionMask_.data(), width_, height_);
  // A softened matte goes beside the keyer's own, which the composite still needs.
  SamplePlane softened;
  if (status == PrimStatus::ok && setup_.softensMatte()) {
    status = softened.allocate(pixelCount_) ? setup_.maskpp(keyed_.data(), softened.data(), width_, height_)
                                            : PrimStatus::outOfMemory;
  }
  if (status == PrimStatus::ok)
    status = setup_.composite(keyed_.data(), setup_.softensMatte() ? softened.data() : nullptr, background_.data(),
                              composite_.data(), matteView_.data(), width_, height_);
  setup_.translate_finish();
  return status;
}

PrimStatus TDuzeviveMgr2::writeComposite() noexcept {
  if (doExternalMask_ == 0) {
    ConvertPIXELMapToGWorld(outputGWorld_, composite_.data());
    return PrimStatus::ok;
  }
  PixelMap withKeepRegion = newMap();
  if (withKeepRegion.empty()) return PrimStatus::outOfMemory;
  doFinalComposite(foreground_.data(), composite_.data(), withKeepRegion.data(), width_, height_);
  ConvertPIXELMapToGWorld(outputGWorld_, withKeepRegion.data());
  return PrimStatus::ok;
}

PrimStatus TDuzeviveMgr2::display(bool solidKeepRegion) noexcept {
  checkMatteEdgeRanges();
  if (outputGWorld_ == nullptr || keyed_.empty()) return PrimStatus::ok;
  if (keyingPending_) {
    keyingPending_ = false;
    if (const PrimStatus status = key(); status != PrimStatus::ok) return status;
  }
  if (displayMode_ != kDisplayComposite) {
    if (solidKeepRegion) doCompositeTest(foreground_.data(), matteView_.data(), width_, height_);
    ConvertPIXELMapToGWorld(outputGWorld_, matteView_.data());
    return PrimStatus::ok;
  }
  return writeComposite();
}

}  // namespace vorl
