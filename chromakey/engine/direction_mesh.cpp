#include "chromakey/engine/direction_mesh.h"

#include <cmath>
#include <vector>

namespace vorl {
namespace {

struct Edge {
  int first;
  int second;
};

struct Face {
  int e0;
  int e1;
  int e2;
  int number;
};

using Direction = std::array<float, 3>;

// One subdivision level: every edge gets its midpoint, every face becomes four. `s` sets how the numbers of the
// four new faces step (2^s apart), so that after both levels a face's number is octant + 8·m.
void subdivide(std::vector<Direction>& directions, std::vector<Edge>& edges, std::vector<Face>& faces, int s) {
  std::vector<int> mids(edges.size());
  for (std::size_t e = 0; e < edges.size(); ++e) {
    const Direction& a = directions[static_cast<std::size_t>(edges[e].first)];
    const Direction& b = directions[static_cast<std::size_t>(edges[e].second)];
    // Computed from the directions as they stand, before any scaling: the listed table depends on it.
    directions.push_back({b[0] + (a[0] - b[0]) * 0.5f, b[1] + (a[1] - b[1]) * 0.5f, b[2] + (a[2] - b[2]) * 0.5f});
    mids[e] = static_cast<int>(directions.size()) - 1;
  }

  std::vector<Edge> nextEdges;
  nextEdges.reserve(edges.size() * 2 + faces.size() * 3);
  for (std::size_t e = 0; e < edges.size(); ++e) {
    nextEdges.push_back({edges[e].first, mids[e]});   // child0 at 2e
    nextEdges.push_back({mids[e], edges[e].second});  // child1 at 2e + 1
  }
  auto child0 = [](int e) { return 2 * e; };
  auto child1 = [](int e) { return 2 * e + 1; };
  auto mid = [&mids](int e) { return mids[static_cast<std::size_t>(e)]; };

  const int step = 1 << s;
  std::vector<Face> nextFaces;
  nextFaces.reserve(faces.size() * 4);
  for (const Face& f : faces) {
    const int n = static_cast<int>(nextEdges.size());
    if (edges[static_cast<std::size_t>(f.e0)].first == edges[static_cast<std::size_t>(f.e2)].first) {
      nextEdges.push_back({mid(f.e2), mid(f.e1)});
      nextEdges.push_back({mid(f.e0), mid(f.e2)});
      nextEdges.push_back({mid(f.e0), mid(f.e1)});
      nextFaces.push_back({n, n + 1, n + 2, f.number + 3 * step});
      nextFaces.push_back({child0(f.e0), n + 1, child0(f.e2), f.number});
      nextFaces.push_back({child1(f.e0), child0(f.e1), n + 2, f.number + step});
      nextFaces.push_back({n, child1(f.e1), child1(f.e2), f.number + 2 * step});
    } else {
      nextEdges.push_back({mid(f.e1), mid(f.e2)});
      nextEdges.push_back({mid(f.e2), mid(f.e0)});
      nextEdges.push_back({mid(f.e1), mid(f.e0)});
      nextFaces.push_back({n, n + 1, n + 2, f.number + 3 * step});
      nextFaces.push_back({child1(f.e0), n + 1, child1(f.e2), f.number});
      nextFaces.push_back({child0(f.e0), child1(f.e1), n + 2, f.number + step});
      nextFaces.push_back({n, child0(f.e1), child0(f.e2), f.number + 2 * step});
    }
  }
  edges = std::move(nextEdges);
  faces = std::move(nextFaces);
}

}  // namespace

DirectionMesh gen_axtable() noexcept {
  // The octahedron: its six directions, twelve edges and eight faces, each face numbered by its octant code.
  std::vector<Direction> directions = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}};
  std::vector<Edge> edges = {{1, 0}, {1, 5}, {1, 3}, {1, 2}, {0, 5}, {5, 3},
                             {3, 2}, {2, 0}, {0, 4}, {5, 4}, {3, 4}, {2, 4}};
  std::vector<Face> faces = {{0, 4, 1, 3}, {1, 5, 2, 2},  {2, 6, 3, 6},   {3, 7, 0, 7},
                             {9, 4, 8, 1}, {10, 5, 9, 0}, {11, 6, 10, 4}, {8, 7, 11, 5}};
  directions.reserve(kMeshDirectionCount);
  subdivide(directions, edges, faces, 3);
  subdivide(directions, edges, faces, 5);

  DirectionMesh mesh;
  for (const Face& f : faces)
    mesh.surax[static_cast<std::size_t>(f.number)] = {edges[static_cast<std::size_t>(f.e0)].first,
                                                      edges[static_cast<std::size_t>(f.e1)].first,
                                                      edges[static_cast<std::size_t>(f.e2)].second};
  for (std::size_t k = 0; k < directions.size(); ++k) {
    const Direction& d = directions[k];
    mesh.unscaledDirections[k] = d;
    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    mesh.axtable[k] = {d[0] / length, d[1] / length, d[2] / length};
  }
  return mesh;
}

const DirectionMesh& directionMesh() noexcept {
  static const DirectionMesh mesh = gen_axtable();
  return mesh;
}

int getsegment(const pixeli& c, const fixcoef& record) noexcept {
  // The record's backing was checked to lie in 0..65535 when it was read, so the truncation is defined.
  const int br = static_cast<int>(record.backing[0]);
  const int bg = static_cast<int>(record.backing[1]);
  const int bb = static_cast<int>(record.backing[2]);
  return triangleOf(static_cast<int>(c.r) - br, static_cast<int>(c.g) - bg, static_cast<int>(c.b) - bb);
}

}  // namespace vorl
