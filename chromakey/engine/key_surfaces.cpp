#include "chromakey/engine/key_surfaces.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chromakey/engine/direction_mesh.h"

namespace vorl {
namespace {

using Vec3 = std::array<float, 3>;

Vec3 sub(const Vec3& a, const Vec3& b) noexcept { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 add(const Vec3& a, const Vec3& b) noexcept { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 scale(const Vec3& a, float s) noexcept { return {a[0] * s, a[1] * s, a[2] * s}; }
float dot(const Vec3& a, const Vec3& b) noexcept { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3& a, const Vec3& b) noexcept {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float length(const Vec3& a) noexcept { return std::sqrt(dot(a, a)); }

Vec3 colourOf(const pixeli& c) noexcept {
  return {static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b)};
}
Vec3 backingOf(const fixcoef& record) noexcept { return {record.backing[0], record.backing[1], record.backing[2]}; }

const Vec3& directionAt(std::int32_t k) noexcept { return directionMesh().axtable[static_cast<std::size_t>(k)]; }

// Parallel within the degenerate-axis tolerance: every component of the cross product near zero.
bool isParallel(const Vec3& u, const Vec3& a) noexcept {
  const Vec3 c = cross(u, a);
  return std::fabs(c[0]) <= 0.0001f && std::fabs(c[1]) <= 0.0001f && std::fabs(c[2]) <= 0.0001f;
}

constexpr float kBisectionRange = 196605.0f;  // 3 × 65535

// How far outside 0..1 an edge parameter may fall and still count as on the edge.
constexpr float kEdgeMargin = 1e-5f;

// The bisection both plane moves share: `candidate(s)` gives the radii at scale s; `growWhenInside` says which
// way s moves when c lies inside the candidate plane. Returns the final scale, or a negative value when s
// leaves 0..kBisectionRange.
template <class Candidate>
float bisect(int steps, bool growWhenInside, const pixeli& c, const std::array<std::int32_t, 3>& vertices,
             const fixcoef& record, Candidate candidate) noexcept {
  float s = kBisectionRange;
  float step = kBisectionRange;
  for (int i = 0; i < steps; ++i) {
    step *= 0.5f;
    const bool inside = iocondition(candidate(s), vertices, c, record) == -1;
    s += (inside == growWhenInside) ? step : -step;
    if (s > kBisectionRange || s < 0.0f) return -1.0f;
  }
  return s;
}

}  // namespace

int getcontrib(const pixeli& c, std::array<std::int32_t, 3>& vertices, std::array<float, 3>& weights,
               const fixcoef& record) noexcept {
  const Vec3 v = sub(colourOf(c), backingOf(record));
  const float distance = length(v);
  if (distance < 1.0f) return kContribAtBacking;

  const DirectionMesh& mesh = directionMesh();
  vertices = mesh.surax[static_cast<std::size_t>(getsegment(c, record))];
  const Vec3 u = scale(v, 1.0f / distance);
  const Vec3& a0 = directionAt(vertices[0]);
  const Vec3& a1 = directionAt(vertices[1]);
  const Vec3& a2 = directionAt(vertices[2]);

  if (isParallel(u, a1)) {
    weights = {0.0f, 1.0f, 0.0f};
    return kContribFound;
  }
  if (isParallel(u, a2)) {
    weights = {0.0f, 0.0f, 1.0f};
    return kContribFound;
  }
  if (isParallel(u, a0)) {
    weights = {1.0f, 0.0f, 0.0f};
    return kContribFound;
  }

  // Where the plane through the origin holding a0 and u cuts the far edge a1 → a2.
  const Vec3 normal = cross(a0, u);
  const Vec3 edge = sub(a2, a1);
  const float denominator = dot(normal, edge);
  if (std::fabs(denominator) < 0.0001f) {
    std::fputs("Error : Axis mis-definision (1)\n", stderr);
    return kContribAxisError1;
  }
  // A colour on the edge between two triangles (one channel's share a whole quarter, common near the backing)
  // gives s of exactly 0 or 1 only in exact arithmetic; the solve lands a few ulps either side. Taking the edge
  // with a margin far below any real miss keeps training independent of the last bit.
  float s = -dot(normal, a1) / denominator;
  if (s < -kEdgeMargin || s > 1.0f + kEdgeMargin) return kContribMissed;
  s = std::clamp(s, 0.0f, 1.0f);

  // Where the ray along u cuts the line from a0 to that point e: a0 + p·(e − a0) = λ·u, solved for p by least
  // squares on the cross product with u (exact when the two lines meet, as they do in one plane).
  const Vec3 e = add(a1, scale(edge, s));
  const Vec3 w = sub(e, a0);
  const Vec3 wu = cross(w, u);
  const float wuLength2 = dot(wu, wu);
  if (wuLength2 < 0.00001f) {
    std::fputs("Error : Axis mis-definision (2)\n", stderr);
    return kContribAxisError2;
  }
  float p = -dot(normal, wu) / wuLength2;
  const float lambda = dot(add(a0, scale(w, p)), u);
  if (lambda < 0.00001f) {
    std::fputs("Error : Axis mis-definision (3)\n", stderr);
    return kContribAxisError3;
  }
  if (p < 0.0f) p = 0.0f;
  if (p > 1.0f) {
    weights = {0.0f, 1.0f - s, s};
    return kContribFound;
  }
  weights = {1.0f - p, (1.0f - s) * p, s * p};
  return kContribFound;
}

int iocondition(const std::array<float, 3>& radii, const std::array<std::int32_t, 3>& vertices, const pixeli& c,
                const fixcoef& record) noexcept {
  const Vec3 backing = backingOf(record);
  const Vec3 p0 = add(backing, scale(directionAt(vertices[0]), radii[0]));
  const Vec3 p1 = add(backing, scale(directionAt(vertices[1]), radii[1]));
  const Vec3 p2 = add(backing, scale(directionAt(vertices[2]), radii[2]));
  const Vec3 n = cross(sub(p2, p0), sub(p1, p0));
  const float denominator = dot(n, sub(colourOf(c), backing));
  if (denominator == 0.0f) return 1;
  const float lambda = dot(n, sub(p0, backing)) / denominator;
  return lambda > 1.0f ? -1 : 1;
}

int push_plane(const pixeli& c, const std::array<std::int32_t, 3>& vertices, const std::array<float, 3>& weights,
               std::array<float, 3>& radii, const fixcoef& record) noexcept {
  for (int k = 0; k < 3; ++k)
    if (weights[static_cast<std::size_t>(k)] > 0.999f) {
      radii[static_cast<std::size_t>(k)] = 0.99f * length(sub(colourOf(c), backingOf(record)));
      return 1;
    }
  auto candidate = [&](float s) {
    std::array<float, 3> trial = radii;
    for (std::size_t k = 0; k < 3; ++k)
      if (weights[k] > 0.0f) trial[k] = std::min(65535.0f / (weights[k] * s), radii[k]);
    return trial;
  };
  // Inside: the plane is still beyond c, so shrink the radii (a larger s).
  const float s = bisect(21, true, c, vertices, record, candidate);
  if (s < 0.0f) return -1;
  radii = candidate(s);
  return 1;
}

int swell_plane(const pixeli& c, const std::array<std::int32_t, 3>& vertices, const std::array<float, 3>& weights,
                std::array<float, 3>& radii, const fixcoef& record) noexcept {
  for (int k = 0; k < 3; ++k)
    if (weights[static_cast<std::size_t>(k)] > 0.999f) {
      radii[static_cast<std::size_t>(k)] = 1.01f * length(sub(colourOf(c), backingOf(record)));
      return 1;
    }
  auto candidate = [&](float s) {
    std::array<float, 3> trial;
    for (std::size_t k = 0; k < 3; ++k) trial[k] = std::max(s * weights[k], radii[k]);
    return trial;
  };
  // Inside: the plane already holds c, so try smaller radii (a smaller s).
  const float s = bisect(18, false, c, vertices, record, candidate);
  if (s < 0.0f) return -1;
  radii = candidate(s);
  return 1;
}

namespace {

// One training pass over the outer table: `wanted` is the inside/outside state that calls for a move, `move`
// the plane move, `better` says whether a new radius replaces the table's.
template <class Move, class Better>
void trainOuter(const pixeli* samples, std::size_t n, int wanted, fixcoef& record, Move move, Better better) noexcept {
  auto& outer = record.radii[kOuterSurface];
  const DirectionMesh& mesh = directionMesh();
  for (std::size_t i = 0; i < n; ++i) {
    const pixeli& c = samples[i];
    const auto& vertices = mesh.surax[static_cast<std::size_t>(getsegment(c, record))];
    std::array<float, 3> radii;
    for (std::size_t k = 0; k < 3; ++k) radii[k] = outer[static_cast<std::size_t>(vertices[k])];
    if (iocondition(radii, vertices, c, record) != wanted) continue;
    std::array<std::int32_t, 3> contribVertices;
    std::array<float, 3> weights;
    if (getcontrib(c, contribVertices, weights, record) < 0) continue;
    if (move(c, vertices, weights, radii, record) < 0) continue;
    for (std::size_t k = 0; k < 3; ++k) {
      float& entry = outer[static_cast<std::size_t>(vertices[k])];
      if (better(radii[k], entry)) entry = radii[k];
    }
  }
}

std::size_t sampleCount(int w, int h) noexcept {
  if (w <= 0 || h <= 0) return 0;
  return static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
}

std::uint16_t clampTo16(float value) noexcept {
  if (!(value > 0.0f)) return 0;
  if (value >= 65535.0f) return 65535;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

void jut_out(pixeli* samples, int w, int h, fixcoef& record) noexcept {
  const std::size_t n = sampleCount(w, h);
  const Vec3 backing = backingOf(record);
  for (std::size_t i = 0; i < n; ++i) {
    pixeli& c = samples[i];
    c.r = clampTo16((static_cast<float>(c.r) - backing[0]) * 1.1f + backing[0]);
    c.g = clampTo16((static_cast<float>(c.g) - backing[1]) * 1.1f + backing[1]);
    c.b = clampTo16((static_cast<float>(c.b) - backing[2]) * 1.1f + backing[2]);
  }
  trainOuter(samples, n, 1, record, swell_plane, [](float r, float entry) { return r > entry; });
}

void dnt_out(const pixeli* samples, int w, int h, fixcoef& record) noexcept {
  trainOuter(samples, sampleCount(w, h), -1, record, push_plane, [](float r, float entry) { return r < entry; });
}

void remove_inconsistence(int mode, fixcoef& record) noexcept {
  if (mode != 2) return;
  auto& [inner, middle, outer] = record.radii;
  for (int k = 0; k < kMeshDirectionCount; ++k) {
    const auto i = static_cast<std::size_t>(k);
    middle[i] = std::min(middle[i], outer[i]);
    inner[i] = std::min(inner[i], middle[i]);
  }
}

}  // namespace vorl
