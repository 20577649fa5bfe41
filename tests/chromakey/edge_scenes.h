// Small keying scenes whose truth is known exactly, for judging what the matte edge does to a composite: a flat
// subject S over a flat backing B with a chosen outline, the photograph I = α·S + (1 − α)·B in 8 bits entered ×256
// as the bridge does, and keys for that backing from every keyer. Beside them the composite as it was before the
// softened-matte composite existed, kept here as the reference it must still equal where the matte is the keyer's.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chromakey/engine/chroma_key_record.h"

namespace vorl::test {

using Colour8 = std::array<int, 3>;

enum class EdgeShape { straight, curved, hair, halfSoft };

struct EdgeScene {
  std::string name;
  int width = 0;
  int height = 0;
  std::vector<float> alpha;        // the true matte, 0..1
  std::vector<pixeli> photograph;  // I, ×256
  Colour8 subject{};               // S, 8-bit
  Colour8 backing{};               // B, 8-bit
};

// straight: a vertical hard edge at the middle column (subject on the left); curved: an anti-aliased disc; hair:
// a slanted anti-aliased strand one pixel wide; halfSoft: a band of 50 % alpha between subject and backing.
[[nodiscard]] EdgeScene makeEdgeScene(EdgeShape shape, Colour8 subject, Colour8 backing, int width = 64,
                                      int height = 48);

enum class EdgeKeyer { integerSurfaces, floatSurfaces, twoSurface, singleSurface, rt, rtPlus };
inline constexpr EdgeKeyer kEdgeKeyers[] = {EdgeKeyer::integerSurfaces,
                                            EdgeKeyer::floatSurfaces,
                                            EdgeKeyer::twoSurface,
                                            EdgeKeyer::singleSurface,
                                            EdgeKeyer::rt,
                                            EdgeKeyer::rtPlus};
[[nodiscard]] const char* nameOf(EdgeKeyer keyer) noexcept;
[[nodiscard]] bool isRTFamily(EdgeKeyer keyer) noexcept;

// A key for the scene's backing: spherical surfaces from just around B to just short of S, or the RT keyers'
// defaults for B; replacement colour Q.
[[nodiscard]] fixcoef makeEdgeKey(const EdgeScene& scene, EdgeKeyer keyer, std::array<std::uint16_t, 3> replacement);

// The composite before softened mattes had a composite of their own: keyed colours blended with whatever alpha
// the keyed map carries, an RT keyer's (0, 0, 0) taken for the replacement colour.
void compositeAsBefore(const pixeli* keyed, const pixeli* background, pixeli* composite, pixeli* matteView,
                       std::size_t n, bool premultiplied, std::array<std::uint16_t, 3> replacement);

}  // namespace vorl::test
