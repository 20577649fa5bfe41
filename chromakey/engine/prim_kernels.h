// The per-pixel keying kernels: four for the engine's own surface key, four that hand a run to the RT and RTPlus
// keyers.
//
// A kernel keys a run of n pixels. `fg` gives the colour the foreground keeps; `src` decides transparency (a
// grain-removed or simulated copy, or `fg` itself); `bgwork` is not read, since every pass keeps the foreground
// colours and the background comes in later through the composite; `mask` (may be null) excludes pixels where
// its G is 65535. The five runs advance together. The option tests are made once, in the choice of kernel.
//
// Surface kernels are named by three digits: 1 if floating point (0x10000), 1 for no replacement (0x10, always
// so), 1 if an external mask scales alpha (0x4).
#pragma once

#include <cstddef>
#include <cstdint>

#include "chromakey/engine/chroma_key_record.h"

namespace vorl {

class DuzeviveRT;
class DuzeviveRTPlus;

// The keyers a pass keys with, translated for its record. Either may be null when the pass does not use it.
struct PrimKeyers {
  const DuzeviveRT* rt = nullptr;
  const DuzeviveRTPlus* rtPlus = nullptr;
};

using PrimKernel = void (*)(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                            std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers);

// Surface kernels. They read the backing, the tolerance and the per-triangle plane tables that `primcoef_begin`
// wrote into the record.
void primproc_0_1_0(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                    std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept;
void primproc_0_1_1(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                    std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept;
void primproc_1_1_0(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                    std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept;
void primproc_1_1_1(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                    std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept;

// Keyer kernels. The `_extmask` forms scale alpha by the mask when one is given.
void primproc_rt(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                 std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept;
void primproc_rt_extmask(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                         std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept;
void primproc_rtplus(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                     std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept;
void primproc_rtplus_extmask(const pixeli* fg, const pixeli* src, const pixeli* bgwork, const pixeli* mask, pixeli* out,
                             std::ptrdiff_t n, const fixcoef& record, const PrimKeyers& keyers) noexcept;

// The kernel for an option word, first match wins: RTPlus (with or without mask), RT (likewise), else the surface
// kernel of the digits. Without 0x10 the surface kernel is still the no-replacement one: no other exists.
[[nodiscard]] PrimKernel choosePrimKernel(std::uint32_t options) noexcept;

}  // namespace vorl
