#include "chromakey/engine/keyer_base.h"

#include <cmath>
#include <cstdint>

namespace vorl {
namespace {

// The chroma plane's basis: U = (−2, 1, 1)/√6, V = (0, −1, 1)/√2, as the single-precision constants the keys
// were made with.
constexpr float kU0 = -0.81649655f;
constexpr float kU1 = 0.40824828f;
constexpr float kV1 = -0.70710677f;
constexpr float kV2 = 0.70710677f;
constexpr float kLumaScale = 0.57735026f;  // 1/√3

}  // namespace

Chroma chromaOf(float r, float g, float b) noexcept {
  const float u = kU0 * r + kU1 * g + kU1 * b;
  const float v = kV1 * g + kV2 * b;
  return {u, v, std::sqrt(u * u + v * v)};
}

KeyerFrame DuzeviveBase::chromaticFrame(const fixcoef& record) noexcept {
  const float r = record.backing[0] / 65535.0f;
  const float g = record.backing[1] / 65535.0f;
  const float b = record.backing[2] / 65535.0f;
  const Chroma chroma = chromaOf(r, g, b);

  KeyerFrame frame;
  frame.luma_scale = kLumaScale;
  frame.luma_offset = -(r + g + b) * kLumaScale;
  frame.backing_chroma = chroma.length;
  if (static_cast<double>(chroma.length) >= 1e-5) {
    const float nu = -chroma.u / chroma.length;
    const float nv = -chroma.v / chroma.length;
    frame.key_axis = {kU0 * nu, kU1 * nu + kV1 * nv, kU1 * nu + kV2 * nv};    // nu·U + nv·V
    frame.cross_axis = {kU0 * nv, kU1 * nv - kV1 * nu, kU1 * nv - kV2 * nu};  // nv·U − nu·V
  }
  return frame;
}

int DuzeviveBase::initialize(fixcoef& record) noexcept {
  set_center_backing(record.backing[0], record.backing[1], record.backing[2], record);
  return translate(record);
}

void DuzeviveBase::regist_bw(const fixcoef& record) noexcept {
  const float g = record.backing[1] / 65535.0f;
  const Chroma chroma = chromaOf(record.backing[0] / 65535.0f, g, record.backing[2] / 65535.0f);
  if (static_cast<double>(chroma.length) > 0.05)
    bw_mode_ = kBackingChromatic;
  else
    bw_mode_ = g >= 0.5f ? kBackingLightGrey : kBackingDarkGrey;
}

float DuzeviveBase::float_to_fix(float value, bool fixed) noexcept {
  if (!fixed) return value;
  if (std::isnan(value)) return -2147483648.0f;
  const float sign = value < 0.0f ? -1.0f : 1.0f;
  const float magnitude = std::fabs(value) > 4096.0f ? 268435456.0f : std::fabs(value) * 65536.0f;
  return static_cast<float>(static_cast<std::int32_t>(sign * magnitude));
}

}  // namespace vorl
