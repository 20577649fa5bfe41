// The direction mesh around the backing colour: 66 unit directions and the 128 triangles between them, made by
// subdividing an octahedron twice. A key surface is one radius per direction, flat across each triangle.
//
// The mesh is a constant of the program. It is built once, on first use, and never written afterwards, so any
// number of keying passes may read it from any thread.
//
// Triangle numbers are octant + 8·m: the octant is the sign pattern of the colour's difference from the backing
// (1 for R, 2 for G, 4 for B, each when the difference is positive), m = 0..15 the triangle inside that octant's
// face. `drawtritable` picks m by comparing each difference with the sum of the other two; its table and the
// triangle order of `surax` belong together.
#pragma once

#include <array>
#include <cstdint>

#include "chromakey/engine/chroma_key_record.h"

namespace vorl {

struct DirectionMesh {
  // `axtable`: unit directions. `unscaledDirections`: the same before scaling to unit length, as the
  // subdivision makes them (halves and quarters, exact in single precision).
  std::array<std::array<float, 3>, kMeshDirectionCount> axtable{};
  std::array<std::array<float, 3>, kMeshDirectionCount> unscaledDirections{};
  // `surax[t]`: the three direction indices of triangle t.
  std::array<std::array<std::int32_t, 3>, kMeshTriangleCount> surax{};
};

// Builds the mesh from the subdivision rules. Pure; `directionMesh()` keeps the one the program uses.
[[nodiscard]] DirectionMesh gen_axtable() noexcept;

// The program's mesh, built on first use (thread-safe) and immutable.
[[nodiscard]] const DirectionMesh& directionMesh() noexcept;

// Octant code of a difference: 1 if R > 0, plus 2 if G > 0, plus 4 if B > 0 (zero counts as not positive).
template <class T>
[[nodiscard]] constexpr int octantOf(T dr, T dg, T db) noexcept {
  return (dr > 0 ? 1 : 0) | (dg > 0 ? 2 : 0) | (db > 0 ? 4 : 0);
}

// The triangle within octant o that holds the direction whose absolute differences give the three (x, y)
// pairs: x1 = |dG|, y1 = the other two summed; (x2, y2) and (x3, y3) the same for the two remaining channels in
// the order the octant's parity gives (see `triangleOf`). Comparisons are in single precision; the integer
// kernels pass integers, which are exact there.
//
// Evaluated without branches: around a noisy backing the triangle of successive pixels is close
// to random, and a mispredicted branch per comparison would cost more than all the arithmetic of the kernel.
//
// The tree first picks a group g by which x exceeds its y (the first of x1, x2, x3 that does; 3 when none), then a
// level by up to three tests, one per pair, the first true one winning (level 3 when none is). In group g the test of
// pair g + 1 is "x > 3y", the others "3x > y"; in group 3 every test is "y > 3x". The result is o + 8·(g + 4·level),
// the same number the tree of comparisons in the key's table gives.
[[nodiscard]] inline int drawtritable(int octant, float x1, float y1, float x2, float y2, float x3, float y3) noexcept {
  const int g = !(x1 > y1) * (1 + !(x2 > y2) * (1 + !(x3 > y3)));
  const bool strong1 = x1 > 3.0f * y1, strong2 = x2 > 3.0f * y2, strong3 = x3 > 3.0f * y3;
  const bool plain1 = 3.0f * x1 > y1, plain2 = 3.0f * x2 > y2, plain3 = 3.0f * x3 > y3;
  const bool weak1 = y1 > 3.0f * x1, weak2 = y2 > 3.0f * x2, weak3 = y3 > 3.0f * x3;
  const bool t1 = g == 3 ? weak1 : (g == 0 ? strong1 : plain1);
  const bool t2 = g == 3 ? weak2 : (g == 1 ? strong2 : plain2);
  const bool t3 = g == 3 ? weak3 : (g == 2 ? strong3 : plain3);
  const int level = !t1 * (1 + !t2 * (1 + !t3));
  return octant + 8 * (g + 4 * level);
}

// The triangle of a difference (dR, dG, dB) from the backing: the octant and the three pairs `drawtritable`
// wants. Used with integer differences by `getsegment` and the integer kernels, with floats by the
// floating-point kernels.
template <class T>
[[nodiscard]] inline int triangleOf(T dr, T dg, T db) noexcept {
  const int octant = octantOf(dr, dg, db);
  const T ar = dr < 0 ? -dr : dr;
  const T ag = dg < 0 ? -dg : dg;
  const T ab = db < 0 ? -db : db;
  // Octants with an odd number of positive channels walk their face the other way round.
  const bool oddOctant = octant == 1 || octant == 2 || octant == 4 || octant == 7;
  const T y = oddOctant ? ab : ar;
  const T z = oddOctant ? ar : ab;
  return drawtritable(octant, static_cast<float>(ag), static_cast<float>(y + z), static_cast<float>(y),
                      static_cast<float>(ag + z), static_cast<float>(z), static_cast<float>(ag + y));
}

// The triangle of colour c around the record's backing, from the integer differences c − trunc(B).
[[nodiscard]] int getsegment(const pixeli& c, const fixcoef& record) noexcept;

}  // namespace vorl
