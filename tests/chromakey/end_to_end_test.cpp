// Keys a synthetic green-screen photograph whose truth is known and scores the result per region: the backing
// must vanish, the subject's interior must come through untouched, and across the soft edge the matte and the
// composite must stay close to the truth.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "chromakey/engine/composite.h"
#include "chromakey/engine/key_pipeline.h"
#include "tests/chromakey/synthetic_green_screen.h"

namespace vorl {
namespace {

using test::GreenScreenScene;

struct Scores {
  double backingTransparent = 0;   // share of backing pixels keyed fully transparent
  double backingExact = 0;         // share of backing pixels whose composite is the new background exactly
  double interiorUntouched = 0;    // share of interior pixels opaque with the photograph's 8-bit colour
  double interiorColourError = 0;  // mean |composite − true subject| in 8-bit levels
  double edgeAlphaError = 0;       // mean |alpha − true alpha| (0..1)
  double edgeColourError = 0;      // mean |composite − (α·F + (1 − α)·N)| in 8-bit levels
  double edgePsnr = 0;             // dB, 8-bit
};

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
      case test::kRegionBacking:
        counts[0] += 1;
        s.backingTransparent += keyed[i].a == 0;
        s.backingExact += c.r == scene.background[i].r && c.g == scene.background[i].g && c.b == scene.background[i].b;
        break;
      case test::kRegionInterior: {
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

TEST(EndToEnd, SurfaceKeyMeetsItsMarksInEveryRegion) {
  const GreenScreenScene scene = test::makeGreenScreenScene(480, 360, 1);
  const Scores s = keyAndScore(scene, test::makeSurfaceKeyFor(scene));
  report(s);
  EXPECT_GE(s.backingTransparent, 0.995);
  EXPECT_GE(s.backingExact, 0.995);
  EXPECT_GE(s.interiorUntouched, 0.999);
  EXPECT_LE(s.interiorColourError, 1.5);
  // Marks set from the first correct run (0.023, 2.3 levels, 35 dB), with room for rounding.
  EXPECT_LE(s.edgeAlphaError, 0.04);
  EXPECT_LE(s.edgeColourError, 3.5);
  EXPECT_GE(s.edgePsnr, 32.0);
}

// The RT key replaces spill along its ramp, so subject colours near the ramp's end shift slightly. Its edge
// colours are premultiplied: composited as such they meet the truth (1.7 levels, 38 dB), where a straight blend
// darkens them (4.5 levels, 29 dB).
TEST(EndToEnd, RTKeyClearsTheBackingAndKeepsTheSubject) {
  const GreenScreenScene scene = test::makeGreenScreenScene(480, 360, 2);
  const Scores s = keyAndScore(scene, test::makeRTKeyFor(scene));
  report(s);
  EXPECT_GE(s.backingTransparent, 0.995);
  EXPECT_GE(s.backingExact, 0.995);
  EXPECT_GE(s.interiorUntouched, 0.95);
  EXPECT_LE(s.interiorColourError, 1.5);
  EXPECT_LE(s.edgeAlphaError, 0.03);
  EXPECT_LE(s.edgeColourError, 2.5);
  EXPECT_GE(s.edgePsnr, 35.0);
}

}  // namespace
}  // namespace vorl
