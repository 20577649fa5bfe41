// Surface geometry: finding the triangle a colour's direction crosses, testing inside against outside, and
// growing or denting the outer surface to fit sample pixels.
//
// A surface is one radius per mesh direction (`fixcoef::radii`); across each mesh triangle it is the flat
// triangle through the three radius points. Nothing is trained from a job's pictures at print time; the
// simulated-backing stage trains a private copy of a record with `dnt_out` and `jut_out`.
//
// Geometry failures (degenerate axes) are written to standard error, as the engine reports its internal
// faults; the training loops skip such samples.
#pragma once

#include <array>
#include <cstdint>

#include "chromakey/engine/chroma_key_record.h"

namespace vorl {

// `getcontrib` results.
inline constexpr int kContribFound = 1;
inline constexpr int kContribAtBacking = -1;   // the colour is closer than 1.0 to the backing
inline constexpr int kContribAxisError1 = -2;  // the ray runs along the far edge's plane
inline constexpr int kContribMissed = -3;      // the ray misses the triangle
inline constexpr int kContribAxisError2 = -4;  // the ray runs along the line from the first vertex
inline constexpr int kContribAxisError3 = -5;  // the crossing lies behind the backing

// The triangle of c and the barycentric weights of c's direction on the flat triangle of the three unit mesh
// directions. `vertices` is filled whenever the colour is not at the backing.
[[nodiscard]] int getcontrib(const pixeli& c, std::array<std::int32_t, 3>& vertices, std::array<float, 3>& weights,
                             const fixcoef& record) noexcept;

// −1 when c lies strictly between the backing and the plane through the three radius points, 1 otherwise.
[[nodiscard]] int iocondition(const std::array<float, 3>& radii, const std::array<std::int32_t, 3>& vertices,
                              const pixeli& c, const fixcoef& record) noexcept;

// Moves one triangle's plane (its three radii) so that c lies just outside it (`push_plane`) or just inside
// (`swell_plane`). 1 done, −1 when the bisection leaves its range; `radii` is changed only on success.
[[nodiscard]] int push_plane(const pixeli& c, const std::array<std::int32_t, 3>& vertices,
                             const std::array<float, 3>& weights, std::array<float, 3>& radii,
                             const fixcoef& record) noexcept;
[[nodiscard]] int swell_plane(const pixeli& c, const std::array<std::int32_t, 3>& vertices,
                              const std::array<float, 3>& weights, std::array<float, 3>& radii,
                              const fixcoef& record) noexcept;

// `jut_out` widens the outer surface until each sample is inside it (each sample is first moved 10 % away from
// the backing, in place); `dnt_out` pulls it in until each sample is outside. Samples are taken in order, each
// against the table as the previous ones changed it. Nothing happens for an empty or negative size.
void jut_out(pixeli* samples, int w, int h, fixcoef& record) noexcept;
void dnt_out(const pixeli* samples, int w, int h, fixcoef& record) noexcept;

// Restores the order of the three surfaces after training, direction by direction: middle is clipped to outer,
// then inner to middle. Only mode 2 (training's) does this; any other mode leaves the record alone.
void remove_inconsistence(int mode, fixcoef& record) noexcept;

}  // namespace vorl
