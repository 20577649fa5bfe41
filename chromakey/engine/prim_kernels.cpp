// The keyer kernels and the choice of kernel for an option word. The surface kernels are in surface_kernels.cpp.
#include "chromakey/engine/prim_kernels.h"

#include "chromakey/engine/rt_keyer.h"
#include "chromakey/engine/rtplus_keyer.h"

namespace vorl {

// A pass chooses a keyer kernel only together with its keyer, so a missing keyer is a caller's mistake; the
// run is then left as it was rather than keyed with constants of some other record.
void primproc_rt(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli*, pixeli* out,
                 std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept {
  if (keyers.rt != nullptr) keyers.rt->pixelproc(fg, src, bgwork, out, record, n);
}

void primproc_rt_extmask(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                         std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept {
  if (keyers.rt == nullptr) return;
  if (mask != nullptr)
    keyers.rt->pixelproc_mask(fg, src, bgwork, mask, out, record, n);
  else
    keyers.rt->pixelproc(fg, src, bgwork, out, record, n);
}

void primproc_rtplus(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli*, pixeli* out,
                     std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept {
  if (keyers.rtPlus != nullptr) keyers.rtPlus->pixelproc(fg, src, bgwork, nullptr, out, record, n);
}

void primproc_rtplus_extmask(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                             std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept {
  if (keyers.rtPlus != nullptr) keyers.rtPlus->pixelproc(fg, src, bgwork, mask, out, record, n);
}

PrimKernel choosePrimKernel(std::uint32_t options) noexcept {
  const bool masked = (options & kKeyOptionExternalMask) != 0;
  if (options & kKeyOptionRTPlus) return masked ? primproc_rtplus_extmask : primproc_rtplus;
  if (options & kKeyOptionRT) return masked ? primproc_rt_extmask : primproc_rt;
  if (options & kKeyOptionFloatKernels) return masked ? primproc_1_1_1 : primproc_1_1_0;
  return masked ? primproc_0_1_1 : primproc_0_1_0;
}

}  // namespace vorl
