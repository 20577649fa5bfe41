#include "tests/chromakey/synthetic_green_screen.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "chromakey/engine/key_defaults.h"
#include "chromakey/engine/key_surfaces.h"
#include "chromakey/engine/rt_keyer.h"

namespace vorl::test {
namespace {

constexpr std::array<float, 3> kBacking8 = {30, 170, 60};

struct Colour {
  float r, g, b;
};
constexpr Colour kSkin = {224, 172, 140};
constexpr Colour kHair = {40, 30, 25};
constexpr Colour kCollar = {240, 240, 240};
constexpr Colour kShirt = {40, 60, 160};
constexpr Colour kBadge = {128, 128, 128};

float ellipseDistance(float x, float y, float cx, float cy, float rx, float ry) {
  // An approximate signed distance to an ellipse, good enough near its outline: scaled radial distance.
  const float dx = (x - cx) / rx, dy = (y - cy) / ry;
  const float r = std::sqrt(dx * dx + dy * dy);
  return (r - 1.0f) * std::min(rx, ry);
}

float boxDistance(float x, float y, float x0, float y0, float x1, float y1) {
  const float dx = std::max({x0 - x, 0.0f, x - x1}), dy = std::max({y0 - y, 0.0f, y - y1});
  if (dx > 0 || dy > 0) return std::sqrt(dx * dx + dy * dy);
  return -std::min({x - x0, x1 - x, y - y0, y1 - y});
}

std::uint16_t to16(float value8) {
  return static_cast<std::uint16_t>(std::clamp(static_cast<int>(std::lround(value8)), 0, 255) * 256);
}

std::array<float, 3> cornerMean(const GreenScreenScene& scene) {
  const int patch = std::max(4, std::min(scene.width, scene.height) / 16);
  double sum[3] = {0, 0, 0};
  for (int y = 0; y < patch; ++y)
    for (int x = 0; x < patch; ++x) {
      const pixeli& p = scene.photograph[static_cast<std::size_t>(y) * scene.width + x];
      sum[0] += p.r;
      sum[1] += p.g;
      sum[2] += p.b;
    }
  const double n = double(patch) * patch;
  return {static_cast<float>(std::round(sum[0] / n)), static_cast<float>(std::round(sum[1] / n)),
          static_cast<float>(std::round(sum[2] / n))};
}

}  // namespace

GreenScreenScene makeGreenScreenScene(int width, int height, unsigned seed, float vignetting) {
  GreenScreenScene scene;
  scene.width = width;
  scene.height = height;
  const std::size_t n = static_cast<std::size_t>(width) * height;
  scene.photograph.resize(n);
  scene.subject.resize(n);
  scene.alpha.resize(n);
  scene.background.resize(n);
  scene.region.resize(n);
  scene.backing = {kBacking8[0] * 256, kBacking8[1] * 256, kBacking8[2] * 256};

  std::mt19937 random(seed);
  std::normal_distribution<float> noise(0.0f, 1.5f);
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  const float unit = std::min(w, h);
  const float ramp = std::max(2.0f, unit / 80.0f);  // soft edge width in pixels

  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const float fx = static_cast<float>(x) + 0.5f, fy = static_cast<float>(y) + 0.5f;
      const float head = ellipseDistance(fx, fy, w * 0.5f, h * 0.36f, unit * 0.16f, unit * 0.2f);
      const float body = boxDistance(fx, fy, w * 0.5f - unit * 0.34f, h * 0.58f, w * 0.5f + unit * 0.34f, h + unit);
      const float hair = ellipseDistance(fx, fy, w * 0.5f, h * 0.26f, unit * 0.17f, unit * 0.12f);
      const float signedDistance = std::min({head, body, hair});
      const float a = std::clamp(0.5f - signedDistance / ramp, 0.0f, 1.0f);

      Colour c = kShirt;
      if (hair < 0 && fy < h * 0.3f)
        c = kHair;
      else if (head < 0 || (fy < h * 0.58f && body > 0))
        c = kSkin;
      else if (fy < h * 0.62f)
        c = kCollar;
      else if (boxDistance(fx, fy, w * 0.5f + unit * 0.1f, h * 0.7f, w * 0.5f + unit * 0.2f, h * 0.8f) < 0)
        c = kBadge;
      // A gentle texture, so the subject is not flat.
      const float texture = 4.0f * std::sin(fx * 0.21f) * std::cos(fy * 0.17f);
      const Colour f = {c.r + texture, c.g + texture, c.b + texture};

      // Light on the backing: a little brighter in the middle, a slight left-to-right slope.
      const float rx = (fx - w * 0.5f) / w, ry = (fy - h * 0.5f) / h;
      float light = 0.985f + 0.02f * (1.0f - (rx * rx + ry * ry)) - 0.02f * rx;
      if (vignetting != 0.0f) light *= 1.0f + vignetting * (1.0f - 4.0f * (rx * rx + ry * ry));
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      scene.photograph[i] = {to16(a * f.r + (1 - a) * light * kBacking8[0] + noise(random)),
                             to16(a * f.g + (1 - a) * light * kBacking8[1] + noise(random)),
                             to16(a * f.b + (1 - a) * light * kBacking8[2] + noise(random)), 0};
      scene.subject[i] = {to16(f.r), to16(f.g), to16(f.b), 65535};
      scene.alpha[i] = a;
      // The new background: a warm gradient with a faint checker.
      const bool checker = ((x / 16) + (y / 16)) % 2 == 0;
      scene.background[i] = {to16(200 - 120 * fy / h + (checker ? 10 : 0)), to16(150 - 40 * fx / w),
                             to16(90 + 100 * fy / h), 0};
      const float margin = ramp + 2.0f;
      scene.region[i] = signedDistance > margin    ? kRegionBacking
                        : signedDistance < -margin ? kRegionInterior
                                                   : kRegionEdge;
    }
  return scene;
}

fixcoef makeSurfaceKeyFor(const GreenScreenScene& scene) {
  fixcoef record;
  static_cast<void>(initialize_data(record));
  record.options = kKeyOptionNoReplacement | kKeyOptionFloatKernels;
  record.backing = cornerMean(scene);

  // Inner surface: just around the farthest backing pixel of the photograph's corner rows.
  float spread = 0.0f;
  for (int y = 0; y < scene.height / 8; ++y)
    for (int x = 0; x < scene.width; ++x) {
      const pixeli& p = scene.photograph[static_cast<std::size_t>(y) * scene.width + x];
      const float dr = p.r - record.backing[0], dg = p.g - record.backing[1], db = p.b - record.backing[2];
      spread = std::max(spread, std::sqrt(dr * dr + dg * dg + db * db));
    }
  record.radii[kInnerSurface].fill(spread * 1.25f);

  // Outer surface: far out, then dented by samples of the subject (every pixel well inside it, thinned out).
  record.radii[kOuterSurface].fill(60000.0f);
  std::vector<pixeli> samples;
  for (std::size_t i = 0; i < scene.photograph.size(); i += 7)
    if (scene.region[i] == kRegionInterior) samples.push_back(scene.photograph[i]);
  dnt_out(samples.data(), static_cast<int>(samples.size()), 1, record);
  // The dent leaves samples within the bisection's last step of the surface: pull it in a little more so the
  // subject lies clearly outside, and put the end of the alpha ramp a little inside that.
  for (int k = 0; k < kMeshDirectionCount; ++k) {
    record.radii[kOuterSurface][k] *= 0.97f;
    record.radii[kMiddleSurface][k] = record.radii[kOuterSurface][k] * 0.97f;
  }
  remove_inconsistence(2, record);
  return record;
}

fixcoef makeRTKeyFor(const GreenScreenScene& scene) {
  fixcoef record;
  static_cast<void>(initialize_data(record));
  const std::array<float, 3> backing = cornerMean(scene);
  DuzeviveRT keyer;
  keyer.set_center_backing(backing[0], backing[1], backing[2], record);
  record.options = kKeyOptionNoReplacement | kKeyOptionRT;
  record.replacement = {32767, 32767, 32767};
  return record;
}

}  // namespace vorl::test
