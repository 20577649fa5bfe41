#include "chromakey/engine/rt_keyer.h"

#include <cmath>

#include "chromakey/engine/pixel_math.h"

namespace vorl {

void DuzeviveRT::set_center_backing(float r, float g, float b, fixcoef& record) noexcept {
  record.backing = {r, g, b};
  regist_bw(record);
  float length = 0.0f;
  switch (bw_mode_) {
    case kBackingChromatic:
      length = chromaOf(r / 65535.0f, g / 65535.0f, b / 65535.0f).length;
      break;
    case kBackingDarkGrey:
      length = static_cast<float>((1.0 - g / 65535.0) * 1.732);
      break;
    default:
      length = static_cast<float>(g / 65535.0 * 1.732);
      break;
  }
  record.rtFactors = {0.05f, length, length};
}

int DuzeviveRT::translate(const fixcoef& record) noexcept {
  regist_bw(record);
  frame_ = chromaticFrame(record);

  const float base = record.rtFactors[0];
  const float key = record.rtFactors[1];
  const float colour = record.rtFactors[2];
  Constants c;
  const float keyWidth = key - base;
  const bool alphaFixed = std::fabs(static_cast<double>(keyWidth)) <= 1e-7;
  c.alpha_gain = float_to_fix(1.0f / keyWidth, alphaFixed);
  c.alpha_offset = float_to_fix(-base / keyWidth, alphaFixed) * 65535.0f;
  const float colourWidth = colour - base;
  const bool spillFixed = std::fabs(static_cast<double>(colourWidth)) <= 1e-7;
  c.spill_gain = float_to_fix(1.0f / colourWidth, spillFixed);
  c.spill_offset = float_to_fix(-base / colourWidth, spillFixed) * 65535.0f;
  c.pp_axis = frame_.key_axis;
  c.pp_offset = frame_.backing_chroma * 65535.0f;

  // A black backing has no hue to key against: everything that survives the tolerance test is opaque.
  if (record.backing[0] == 0.0f && record.backing[1] == 0.0f && record.backing[2] == 0.0f) {
    c.alpha_gain = 0.0f;
    c.alpha_offset = 65535.0f;
    c.spill_gain = 0.0f;
    c.spill_offset = 65535.0f;
  }
  constants_ = c;
  return 1;
}

template <bool kMasked>
void DuzeviveRT::keyRun(const pixeli* fg, const pixeli* src, const pixeli* mask, pixeli* out, const fixcoef& record,
                        std::ptrdiff_t count) const noexcept {
  const Constants& c = constants_;
  const float br = record.backing[0], bg = record.backing[1], bb = record.backing[2];
  const bool fgDecidesToo = src != fg;
  const float qr = static_cast<float>(record.replacement[0]) - br;
  const float qg = static_cast<float>(record.replacement[1]) - bg;
  const float qb = static_cast<float>(record.replacement[2]) - bb;

  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const pixeli* p = &src[i];
    float tolerance = record.tolerance;
    bool fromSrc = true;
    float d = 0.0f;
    float a = 0.0f;
    bool transparent = false;
    for (;;) {
      const float pr = p->r, pg = p->g, pb = p->b;
      d = c.pp_axis[0] * pr + c.pp_axis[1] * pg + c.pp_axis[2] * pb + c.pp_offset;
      a = c.alpha_gain * d + c.alpha_offset;
      a = a < 0.0f ? 0.0f : (a > 65535.0f ? 65535.0f : a);
      if (nearBacking(pr, pg, pb, br, bg, bb, tolerance) || a == 0.0f) {
        transparent = true;
        break;
      }
      if (!(fromSrc && fgDecidesToo)) break;
      p = &fg[i];
      tolerance = 1.0f;
      fromSrc = false;
    }
    if (transparent) {
      out[i] = {0, 0, 0, 0};
      continue;
    }

    const float v = d * c.spill_gain + c.spill_offset;
    const float w = 65536.0f - v;
    float s;
    if (w < 0.0f)
      s = 0.0f;
    else if (w > 65535.0f)
      s = 1.0f;
    else if constexpr (kMasked)
      s = w * kInverse65535f;
    else
      s = static_cast<float>(w * 1.5259021896696422e-5);

    const pixeli& f = fg[i];
    pixeli result;
    result.r = truncClamp16(qr * s + static_cast<float>(f.r));
    result.g = truncClamp16(qg * s + static_cast<float>(f.g));
    result.b = truncClamp16(qb * s + static_cast<float>(f.b));
    if constexpr (kMasked)
      result.a = truncClamp16(static_cast<float>(65535 - mask[i].g) * kInverse65535f * a);
    else
      result.a = truncClamp16(a);
    out[i] = result;
  }
}

void DuzeviveRT::pixelproc(const pixeli* fg, const pixeli* src, const pixeli*, pixeli* out, const fixcoef& record,
                           std::ptrdiff_t count) const noexcept {
  keyRun<false>(fg, src, nullptr, out, record, count);
}

void DuzeviveRT::pixelproc_mask(const pixeli* fg, const pixeli* src, const pixeli*, const pixeli* mask, pixeli* out,
                                const fixcoef& record, std::ptrdiff_t count) const noexcept {
  if (mask == nullptr)
    keyRun<false>(fg, src, nullptr, out, record, count);
  else
    keyRun<true>(fg, src, mask, out, record, count);
}

}  // namespace vorl
