// Keys a synthetic green-screen photograph whose truth is known and scores the result per region: the backing
// must vanish, the subject's interior must come through untouched, and across the soft edge the matte and the
// composite must stay close to the truth.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "chromakey/engine/composite.h"
#include "chromakey/engine/key_pipeline.h"
#include "tests/chromakey/scene_scores.h"
#include "tests/chromakey/synthetic_green_screen.h"

namespace vorl {
namespace {

using test::GreenScreenScene;
using test::Scores;

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
