#include "tests/chromakey/scene_scores.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "chromakey/engine/composite.h"
#include "chromakey/engine/key_pipeline.h"

namespace vorl::test {

Scores keyAndScore(const GreenScreenScene& scene, fixcoef record) {
  const int w = scene.width, h = scene.height;
  const std::size_t n = scene.photograph.size();
  std::vector<pixeli> keyed(n), composite(n), matte(n);
  PrimPass pass;
  EXPECT_EQ(primcoef_begin(record, pass), 1);
  EXPECT_EQ(
      doPrimProc(scene.photograph.data(), keyed.data(), scene.background.data(), nullptr, w, h, record, nullptr, pass),
      PrimStatus::ok);
  EXPECT_EQ(doDefocusMask(keyed.data(), w, h, 0, 0, 0.0f), PrimStatus::ok);
  EXPECT_EQ(
      doComposite(keyed.data(), scene.background.data(), composite.data(), matte.data(), w, h, keyedColoursOf(record)),
      PrimStatus::ok);
  static_cast<void>(primcoef_finish(record, pass));

  Scores s;
  double counts[3] = {0, 0, 0};
  double edgeSquared = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const pixeli& c = composite[i];
    const int c8[3] = {c.r >> 8, c.g >> 8, c.b >> 8};
    switch (scene.region[i]) {
      case kRegionBacking:
        counts[0] += 1;
        s.backingTransparent += keyed[i].a == 0;
        s.backingExact += c.r == scene.background[i].r && c.g == scene.background[i].g && c.b == scene.background[i].b;
        break;
      case kRegionInterior: {
        counts[1] += 1;
        const pixeli& p = scene.photograph[i];
        s.interiorUntouched += keyed[i].a == 65535 && c8[0] == p.r >> 8 && c8[1] == p.g >> 8 && c8[2] == p.b >> 8;
        const pixeli& f = scene.subject[i];
        s.interiorColourError +=
            (std::abs(c8[0] - (f.r >> 8)) + std::abs(c8[1] - (f.g >> 8)) + std::abs(c8[2] - (f.b >> 8))) / 3.0;
        break;
      }
      default: {
        counts[2] += 1;
        const double a = scene.alpha[i];
        s.edgeAlphaError += std::abs(keyed[i].a / 65535.0 - a);
        const pixeli& f = scene.subject[i];
        const pixeli& nb = scene.background[i];
        const double truth[3] = {(a * f.r + (1 - a) * nb.r) / 256.0, (a * f.g + (1 - a) * nb.g) / 256.0,
                                 (a * f.b + (1 - a) * nb.b) / 256.0};
        for (int ch = 0; ch < 3; ++ch) {
          const double e = c8[ch] - truth[ch];
          s.edgeColourError += std::abs(e) / 3.0;
          edgeSquared += e * e / 3.0;
        }
      }
    }
  }
  s.backingTransparent /= counts[0];
  s.backingExact /= counts[0];
  s.interiorUntouched /= counts[1];
  s.interiorColourError /= counts[1];
  s.edgeAlphaError /= counts[2];
  s.edgeColourError /= counts[2];
  s.edgePsnr = 10.0 * std::log10(255.0 * 255.0 / (edgeSquared / counts[2]));
  return s;
}

void report(const Scores& s) {
  std::printf(
      "backing transparent %.4f exact %.4f | interior untouched %.4f error %.2f | edge alpha %.3f colour %.2f "
      "psnr %.1f\n",
      s.backingTransparent, s.backingExact, s.interiorUntouched, s.interiorColourError, s.edgeAlphaError,
      s.edgeColourError, s.edgePsnr);
}

}  // namespace vorl::test
