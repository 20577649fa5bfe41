// The subject's colour near any pixel of a keyed frame, for the composite of a softened matte.
//
// Softening the matte gives alpha to pixels the keyer left transparent, and more alpha to some it left partly
// transparent. The keyer said nothing about the colour of that extra coverage: it is subject that the blur
// brought over from nearby. This grid answers "which colour is the subject around here" as the keyed colour
// weighted by the keyer's alpha over a neighbourhood, so backing pixels (alpha 0) add nothing and a pixel of
// hair counts by how much of it is hair.
//
// The frame is cut into square tiles of side `tileSide` (at least the blur's radius), each summing its pixels'
// premultiplied colour and alpha. A pixel's colour is the ratio of the sums of the 3 × 3 tiles around its own,
// weighted so that it changes smoothly from pixel to pixel (bilinearly between tile corners) and reaches every
// subject pixel within one tile side. Pixels the keyer made fully opaque are the surest subject colour; partly
// transparent ones carry whatever the keyer got wrong about their alpha, so they count for little wherever
// opaque subject is near, and fully only where there is none (a lone strand of hair). Sums are integers, so the
// answer does not depend on how the tiles were split over the workers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/composite.h"
#include "chromakey/engine/pixel_map.h"
#include "chromakey/engine/prim_status.h"

namespace vorl {

class SubjectColourGrid {
 public:
  // The smallest tile side: below it the 3 × 3 tiles around a pixel hold too little opaque subject beside a
  // wide soft edge, and the grid costs more than the neighbourhood is worth.
  static constexpr int kMinTileSide = 4;

  // Sums the keyed frame (w × h, its alphas the keyer's own) in tiles of max(reach, kMinTileSide) pixels, so
  // that every pixel within `reach` (at most kMaxDefocus) of a subject pixel finds it. ok, badArguments or
  // outOfMemory.
  [[nodiscard]] PrimStatus build(const pixeli* keyed, int w, int h, const KeyedColours& colours, int reach) noexcept;

  // The subject colour near (x, y) on the 16-bit scale, straight (not weighted by alpha); false when no subject
  // pixel lies in the pixel's neighbourhood.
  [[nodiscard]] bool colourAt(int x, int y, std::array<float, 3>& colour) const noexcept;

  [[nodiscard]] int tileSide() const noexcept { return side_; }

 private:
  // Premultiplied colour and alpha on the 16-bit scale (a keyed colour c at alpha a adds c·a/65535 and a). A
  // tile side of at most kMaxDefocus keeps every sum far inside 32 bits.
  struct Sums {
    std::uint32_t r, g, b, a;
  };
  struct Tile {
    Sums opaque;   // pixels at alpha 65535
    Sums partial;  // the others that are not transparent
  };

  template <bool kPremultiplied>
  void sumTileRow(const pixeli* keyed, std::size_t tileRow, const KeyedColours& colours) noexcept;

  int w_ = 0;
  int h_ = 0;
  int side_ = kMinTileSide;
  std::size_t tileColumns_ = 0;
  std::size_t tileRows_ = 0;
  PixelMap memory_;
  Tile* tiles_ = nullptr;  // tileRows_ × tileColumns_, in memory_
};

}  // namespace vorl
