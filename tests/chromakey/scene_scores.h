// Keys the synthetic green-screen photograph with a record through the engine's pass (prepare, key, composite)
// and scores the result per region against the scene's truth. Shared by the tests that judge a key by what it
// does to the photograph.
#pragma once

#include "chromakey/engine/chroma_key_record.h"
#include "tests/chromakey/synthetic_green_screen.h"

namespace vorl::test {

struct Scores {
  double backingTransparent = 0;   // share of backing pixels keyed fully transparent
  double backingExact = 0;         // share of backing pixels whose composite is the new background exactly
  double interiorUntouched = 0;    // share of interior pixels opaque with the photograph's 8-bit colour
  double interiorColourError = 0;  // mean |composite − true subject| in 8-bit levels
  double edgeAlphaError = 0;       // mean |alpha − true alpha| (0..1)
  double edgeColourError = 0;      // mean |composite − (α·F + (1 − α)·N)| in 8-bit levels
  double edgePsnr = 0;             // dB, 8-bit
};

[[nodiscard]] Scores keyAndScore(const GreenScreenScene& scene, fixcoef record);
// One line on standard output, for the log of a test run.
void report(const Scores& s);

}  // namespace vorl::test
