// A synthetic green-screen photograph whose truth is known: the subject's colours, its alpha at every pixel and
// the new background, so a key can be scored per region against what it should have produced.
//
// The subject is a head and shoulders made of analytic shapes (skin, dark hair, a white collar, a blue shirt and a
// grey badge) with a soft edge of known width; the backing is green (30, 170, 60) under gently uneven light with
// sensor noise. The photograph is I = α·F + (1 − α)·L·B0 + noise, quantised to 8 bits and entered ×256 as the
// bridge does. Used by the end-to-end test, the benchmarks and the comparison with other keyers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "chromakey/engine/chroma_key_record.h"

namespace vorl::test {

struct GreenScreenScene {
  int width = 0;
  int height = 0;
  std::vector<pixeli> photograph;  // what the camera saw
  std::vector<pixeli> subject;     // the subject's true colour F, defined everywhere
  std::vector<float> alpha;        // the true matte, 0..1
  std::vector<pixeli> background;  // the new background N
  std::array<float, 3> backing{};  // B0 × 256, before lighting
  // Pixels by region: 0 backing (α = 0, away from the subject), 1 interior (α = 1, away from the edge), 2 edge.
  std::vector<std::uint8_t> region;
};

inline constexpr std::uint8_t kRegionBacking = 0;
inline constexpr std::uint8_t kRegionInterior = 1;
inline constexpr std::uint8_t kRegionEdge = 2;

// Deterministic for a seed. Sizes from about 64×48 up. `vignetting` v > 0 lights the backing more unevenly on top:
// 1 + v at the centre down to 1 − v in the corners (0.25 for a badly lit studio); 0 leaves the scene as it is.
[[nodiscard]] GreenScreenScene makeGreenScreenScene(int width, int height, unsigned seed, float vignetting = 0.0f);

// A surface key for the scene as a studio's trainer would make it from the scene's pixels: the backing from a
// corner patch, the inner surface just around the backing's spread, the outer surface dented by samples of the
// subject (`dnt_out`) and the middle surface a little inside it. Options: no replacement, floating-point kernels.
[[nodiscard]] fixcoef makeSurfaceKeyFor(const GreenScreenScene& scene);

// An RT key for the scene: the backing from the same corner patch and the keyer's default limits.
[[nodiscard]] fixcoef makeRTKeyFor(const GreenScreenScene& scene);

}  // namespace vorl::test
