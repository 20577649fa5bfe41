#include "chromakey/engine/rtplus_keyer.h"

#include <cmath>

#include "chromakey/engine/pixel_math.h"

namespace vorl {
namespace {

// 1/65535 in single precision, widened: the ramps are evaluated in double with the constant the keys were made
// with.
constexpr double kK = 1.5259021893143654e-5;
constexpr float kMinimumWidth = 0.015625f;  // 1/64

using Triple = std::array<float, 3>;  // base, key, colour

// The three triples of each sector, P at the sector's (0, 0), Q at (2, 0), R at (1, 2).
constexpr int kSectorTriples[6][3] = {{0, 1, 2}, {3, 2, 0}, {0, 4, 3}, {0, 1, 6}, {5, 6, 0}, {0, 4, 5}};
// Sector maps: u = X·gain + offset·65535, v = Y·gain + offset·65535.
constexpr float kUMaps[6][2] = {{1, 0}, {1, 1}, {-1, 0}, {1, 0}, {1, 1}, {-1, 0}};
constexpr float kVMaps[6][2] = {{1, 0}, {-1, 2}, {1, 0}, {-1, 0}, {1, 2}, {-1, 0}};

// The ramp through three triples, for the limit at index `limit` (1 key, 2 colour): the base is linear over the
// sector and the reciprocal width (1 + m·V)(1/dP + U·h) is exact at all three corners.
DuzeviveRTPlus::Ramp rampThrough(const Triple& p, const Triple& q, const Triple& r, int limit) noexcept {
  const auto l = static_cast<std::size_t>(limit);
  float dP = p[l] - p[0];
  float inverseP = 0.0f;
  if (dP < kMinimumWidth) {
    dP = kMinimumWidth;
    inverseP = 64.0f;
  } else {
    inverseP = 1.0f / dP;
  }
  float dQ = q[l] - q[0];
  float inverseQ = 0.0f;
  if (dQ < kMinimumWidth) {
    dQ = kMinimumWidth;
    inverseQ = 64.0f;
  } else {
    inverseQ = 1.0f / dQ;
  }
  float dR = r[l] - r[0];
  if (dR < kMinimumWidth) dR = kMinimumWidth;
  const float m = dP * dQ / ((dP + dQ) * dR) - 0.5f;
  const float h = (inverseQ - inverseP) * 0.5f;
  const float b = inverseP;

  DuzeviveRTPlus::Ramp ramp;
  ramp.ou = (p[0] - q[0]) * 0.5f;
  ramp.ov = -(r[0] - (p[0] + q[0]) * 0.5f) * 0.5f;
  ramp.oz = 1.0f;
  ramp.base = -p[0] * 65535.0f;
  ramp.uv = m * h;
  ramp.u = h;
  ramp.v = m * b;
  ramp.c = b * 65535.0f;
  return ramp;
}

double evaluate(const DuzeviveRTPlus::Ramp& ramp, float u, float v, float z) noexcept {
  const double du = u, dv = v;
  const double g = ramp.ou * du + ramp.ov * dv + static_cast<double>(z) * ramp.oz + ramp.base;
  const double f = ramp.uv * (du * dv * kK) + ramp.u * du + ramp.v * dv + ramp.c;
  const double value = f * g * kK;
  return value < 0.0 ? 0.0 : (value > 65535.0 ? 65535.0 : value);
}

bool isBlack(const fixcoef& record) noexcept {
  return record.backing[0] == 0.0f && record.backing[1] == 0.0f && record.backing[2] == 0.0f;
}

}  // namespace

void DuzeviveRTPlus::set_center_backing(float r, float g, float b, fixcoef& record) noexcept {
  record.backing = {r, g, b};
  regist_bw(record);
  const double green = g / 65535.0;
  float centre = 0.0f;
  float corner = 0.0f;
  switch (bw_mode_) {
    case kBackingChromatic:
      centre = corner = chromaOf(r / 65535.0f, g / 65535.0f, b / 65535.0f).length;
      break;
    case kBackingDarkGrey:
      centre = static_cast<float>((1.0 - green) * 1.732);
      corner = static_cast<float>((0.5 - green) * 1.732);
      break;
    default:
      centre = static_cast<float>(green * 1.732);
      corner = static_cast<float>((green - 0.5) * 1.732);
      break;
  }
  record.rtPlusFactors[0] = {0.05f, centre, centre};
  for (std::size_t t = 1; t < 7; ++t) record.rtPlusFactors[t] = {0.05f, corner, corner};
}

int DuzeviveRTPlus::translate(const fixcoef& record) noexcept {
  regist_bw(record);
  if (bw_mode_ == kBackingChromatic) {
    frame_ = chromaticFrame(record);
  } else {
    // A grey backing has no hue: the plane is the chroma plane itself and the key runs along luminance.
    frame_ = KeyerFrame{};
    frame_.luma_scale = bw_mode_ == kBackingDarkGrey ? 0.57735026f : -0.57735026f;
    frame_.luma_offset = bw_mode_ == kBackingDarkGrey ? 0.0f : 1.7320509f;
    frame_.cross_axis = {-0.81649655f, 0.40824828f, 0.40824828f};
    frame_.key_axis = {0.0f, 0.70710677f, -0.70710677f};
    frame_.backing_chroma = 0.0f;
  }

  Constants c;
  c.luma_scale = frame_.luma_scale;
  c.luma_offset = frame_.luma_offset * 65535.0f;
  c.cross_axis = frame_.cross_axis;
  c.key_axis = frame_.key_axis;
  c.backing_chroma = frame_.backing_chroma * 65535.0f;
  for (std::size_t s = 0; s < 6; ++s) {
    Sector& sector = c.sectors[s];
    sector.u_gain = kUMaps[s][0];
    sector.u_offset = kUMaps[s][1] * 65535.0f;
    sector.v_gain = kVMaps[s][0];
    sector.v_offset = kVMaps[s][1] * 65535.0f;
    const Triple& p = record.rtPlusFactors[static_cast<std::size_t>(kSectorTriples[s][0])];
    const Triple& q = record.rtPlusFactors[static_cast<std::size_t>(kSectorTriples[s][1])];
    const Triple& r = record.rtPlusFactors[static_cast<std::size_t>(kSectorTriples[s][2])];
    sector.alpha = rampThrough(p, q, r, 1);
    sector.spill = rampThrough(p, q, r, 2);
  }
  constants_ = c;
  if (isBlack(record)) bw_mode_ = kBackingBlackPassThrough;
  return 1;
}

// Upper half (Y > 0): 0 right of the line Y = 2X, 1 between it and Y = −2X, 2 left of that; lower half: 3, 4, 5
// the same way round. Worked out without branches: pixels around a noisy backing fall on every side of the origin.
int DuzeviveRTPlus::sectorOf(float x, float y) noexcept {
  const int upper = !(2.0f * x > y) * (1 + !(y > -2.0f * x));
  const int lower = 5 - !(y > 2.0f * x) * (1 + !(-2.0f * x > y));
  return y > 0.0f ? upper : lower;
}

template <bool kMasked>
void DuzeviveRTPlus::keyRun(const pixeli* fg, const pixeli* src, const pixeli* mask, pixeli* out, const fixcoef& record,
                            std::ptrdiff_t count) const noexcept {
  const Constants& c = constants_;
  if (bw_mode_ == kBackingBlackPassThrough) {
    for (std::ptrdiff_t i = 0; i < count; ++i) out[i] = {fg[i].r, fg[i].g, fg[i].b, 65535};
    return;
  }
  const float br = record.backing[0], bg = record.backing[1], bb = record.backing[2];
  const bool chromatic = bw_mode_ == kBackingChromatic;
  const bool fgDecidesToo = src != fg;
  // A dark grey backing adds the replacement colour itself; the others its difference from the backing.
  const bool addReplacementItself = bw_mode_ == kBackingDarkGrey;
  const float qr = static_cast<float>(record.replacement[0]) - (addReplacementItself ? 0.0f : br);
  const float qg = static_cast<float>(record.replacement[1]) - (addReplacementItself ? 0.0f : bg);
  const float qb = static_cast<float>(record.replacement[2]) - (addReplacementItself ? 0.0f : bb);

  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const pixeli* p = &src[i];
    float tolerance = record.tolerance;
    bool fromSrc = true;
    double alpha = 0.0;
    const Sector* sector = nullptr;
    float u = 0.0f, v = 0.0f, z = 0.0f;
    bool transparent = false;
    for (;;) {
      const float pr = p->r, pg = p->g, pb = p->b;
      const float lu = c.luma_scale * (pr + pg + pb) + c.luma_offset;
      const float cr = c.cross_axis[0] * pr + c.cross_axis[1] * pg + c.cross_axis[2] * pb;
      const float ke = c.key_axis[0] * pr + c.key_axis[1] * pg + c.key_axis[2] * pb + c.backing_chroma;
      const float x = chromatic ? lu : ke;
      const float y = cr;
      z = chromatic ? ke : lu;
      sector = &c.sectors[static_cast<std::size_t>(sectorOf(x, y))];
      u = x * sector->u_gain + sector->u_offset;
      v = y * sector->v_gain + sector->v_offset;
      alpha = evaluate(sector->alpha, u, v, z);
      if (nearBacking(pr, pg, pb, br, bg, bb, tolerance) || alpha == 0.0) {
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

    // The spill ramp of the same point; only a pixel that stays needs it.
    const double spill = evaluate(sector->spill, u, v, z);
    const float s = 1.0f - static_cast<float>(spill * kK);
    const pixeli& f = fg[i];
    pixeli result;
    result.r = truncClamp16(qr * s + static_cast<float>(f.r));
    result.g = truncClamp16(qg * s + static_cast<float>(f.g));
    result.b = truncClamp16(qb * s + static_cast<float>(f.b));
    if constexpr (kMasked)
      result.a = truncClamp16(static_cast<float>(65535 - mask[i].g) * kInverse65535f * static_cast<float>(alpha));
    else
      result.a = truncClamp16(alpha);
    out[i] = result;
  }
}

void DuzeviveRTPlus::pixelproc(const pixeli* fg, const pixeli* src, const pixeli*, const pixeli* mask, pixeli* out,
                               const fixcoef& record, std::ptrdiff_t count) const noexcept {
  if (mask == nullptr)
    keyRun<false>(fg, src, nullptr, out, record, count);
  else
    keyRun<true>(fg, src, mask, out, record, count);
}

}  // namespace vorl
