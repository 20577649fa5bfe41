#include "chromakey/bridge/pb_setup.h"

#include "chromakey/engine/composite.h"
#include "chromakey/engine/key_defaults.h"
#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/softened_composite.h"

namespace vorl {

PBSetup::PBSetup() noexcept { pb_init(); }

void PBSetup::pb_init() noexcept {
  pb_init(slot0_);
  defocus_ = 0;
  shrink_ = 0.0f;
  inward_ = 0;
  margin_ = {};
}

void PBSetup::pb_init(fixcoef& slot) noexcept {
  static_cast<void>(initialize_data(slot));
  slot.options |= kKeyOptionNoReplacement;
  slot.replacement = {32767, 32767, 32767};
  slot.options |= kKeyOptionFloatKernels;
  slot.block24[0] = slot.block24[1] = slot.block24[2] = slot.block24[3] = 0;
  slot.block280[0] = slot.block280[1] = slot.block280[2] = slot.block280[3] = 0;
}

void PBSetup::pb_spillproc(int spillproc) noexcept {
  if (spillproc == 0) slot0_.options |= kKeyOptionNoReplacement;
}

void PBSetup::extmsk(int useMaskMap) noexcept {
  if (useMaskMap == 1)
    slot0_.options |= kKeyOptionExternalMask;
  else
    slot0_.options &= ~kKeyOptionExternalMask;
}

bool PBSetup::translate_begin() noexcept { return primcoef_begin(slot0_, pass_) == 1; }

PrimStatus PBSetup::pixelproc(const pixeli* fg, pixeli* keyed, const pixeli* bg, const pixeli* mask, int w,
                              int h) noexcept {
  return doPrimProc(fg, keyed, bg, mask, w, h, slot0_, margin_.data(), pass_);
}

PrimStatus PBSetup::maskpp(const pixeli* keyed, std::uint16_t* softened, int w, int h) noexcept {
  return doDefocusMaskInto(keyed, softened, w, h, defocus_, inward_, shrink_);
}

PrimStatus PBSetup::composite(const pixeli* keyed, const std::uint16_t* softened, const pixeli* bg, pixeli* composite,
                              pixeli* matteView, int w, int h) noexcept {
  if (softened == nullptr) return doComposite(keyed, bg, composite, matteView, w, h, keyedColoursOf(slot0_));
  return doSoftenedComposite(keyed, softened, bg, composite, matteView, w, h, keyedColoursOf(slot0_), defocus_);
}

void PBSetup::translate_finish() noexcept { static_cast<void>(primcoef_finish(slot0_, pass_)); }

}  // namespace vorl
