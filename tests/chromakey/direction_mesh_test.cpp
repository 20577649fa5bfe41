// The direction mesh against its published table, and the triangle lookup against the mesh.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>

#include "chromakey/engine/direction_mesh.h"
#include "chromakey/engine/key_defaults.h"
#include "tests/chromakey/key_fixtures.h"

namespace vorl {
namespace {

// The mesh as the keys were made against it: directions before scaling, in quarters, and the three direction
// indices of every triangle.
constexpr int kListedDirectionsInQuarters[66][3] = {
    {4, 0, 0},   {0, 4, 0},    {0, 0, 4},    {-4, 0, 0},   {0, -4, 0},  {0, 0, -4},  {2, 2, 0},   {0, 2, -2},
    {-2, 2, 0},  {0, 2, 2},    {2, 0, -2},   {-2, 0, -2},  {-2, 0, 2},  {2, 0, 2},   {2, -2, 0},  {0, -2, -2},
    {-2, -2, 0}, {0, -2, 2},   {1, 3, 0},    {3, 1, 0},    {0, 3, -1},  {0, 1, -3},  {-1, 3, 0},  {-3, 1, 0},
    {0, 3, 1},   {0, 1, 3},    {3, 0, -1},   {1, 0, -3},   {-1, 0, -3}, {-3, 0, -1}, {-3, 0, 1},  {-1, 0, 3},
    {1, 0, 3},   {3, 0, 1},    {3, -1, 0},   {1, -3, 0},   {0, -1, -3}, {0, -3, -1}, {-3, -1, 0}, {-1, -3, 0},
    {0, -1, 3},  {0, -3, 1},   {1, 1, -2},   {1, 2, -1},   {2, 1, -1},  {-2, 1, -1}, {-1, 2, -1}, {-1, 1, -2},
    {-1, 1, 2},  {-1, 2, 1},   {-2, 1, 1},   {2, 1, 1},    {1, 2, 1},   {1, 1, 2},   {2, -1, -1}, {1, -2, -1},
    {1, -1, -2}, {-1, -1, -2}, {-1, -2, -1}, {-2, -1, -1}, {-2, -1, 1}, {-1, -2, 1}, {-1, -1, 2}, {1, -1, 2},
    {1, -2, 1},  {2, -1, 1}};

constexpr int kListedTriangles[128][3] = {
    {39, 37, 4},  {37, 35, 4},  {1, 20, 22},  {1, 18, 20},  {41, 39, 4},  {35, 41, 4},  {1, 22, 24},  {1, 24, 18},
    {38, 59, 16}, {36, 56, 15}, {7, 21, 47},  {6, 19, 44},  {40, 62, 17}, {34, 65, 14}, {8, 23, 50},  {9, 25, 53},
    {57, 36, 15}, {54, 34, 14}, {8, 45, 23},  {7, 42, 21},  {60, 38, 16}, {63, 40, 17}, {9, 48, 25},  {6, 51, 19},
    {11, 57, 59}, {10, 54, 56}, {45, 47, 11}, {42, 44, 10}, {12, 60, 62}, {13, 63, 65}, {48, 50, 12}, {51, 53, 13},
    {16, 58, 39}, {15, 55, 37}, {20, 7, 46},  {18, 6, 43},  {17, 61, 41}, {14, 64, 35}, {22, 8, 49},  {24, 9, 52},
    {3, 29, 38},  {5, 27, 36},  {21, 5, 28},  {19, 0, 26},  {2, 31, 40},  {0, 33, 34},  {23, 3, 30},  {25, 2, 32},
    {11, 28, 57}, {10, 26, 54}, {45, 11, 29}, {42, 10, 27}, {12, 30, 60}, {13, 32, 63}, {48, 12, 31}, {51, 13, 33},
    {57, 15, 58}, {54, 14, 55}, {8, 46, 45},  {7, 43, 42},  {60, 16, 61}, {63, 17, 64}, {9, 49, 48},  {6, 52, 51},
    {58, 15, 37}, {55, 14, 35}, {22, 46, 8},  {20, 43, 7},  {61, 16, 39}, {64, 17, 41}, {24, 49, 9},  {18, 52, 6},
    {29, 11, 59}, {27, 10, 56}, {47, 28, 11}, {44, 26, 10}, {31, 12, 62}, {33, 13, 65}, {50, 30, 12}, {53, 32, 13},
    {28, 5, 36},  {26, 0, 34},  {23, 29, 3},  {21, 27, 5},  {30, 3, 38},  {32, 2, 40},  {25, 31, 2},  {19, 33, 0},
    {59, 58, 16}, {56, 55, 15}, {46, 7, 47},  {43, 6, 44},  {62, 61, 17}, {65, 64, 14}, {49, 8, 50},  {52, 9, 53},
    {58, 37, 39}, {55, 35, 37}, {22, 20, 46}, {20, 18, 43}, {61, 39, 41}, {64, 41, 35}, {24, 22, 49}, {18, 24, 52},
    {29, 59, 38}, {27, 56, 36}, {47, 21, 28}, {44, 19, 26}, {31, 62, 40}, {33, 65, 34}, {50, 23, 30}, {53, 25, 32},
    {28, 36, 57}, {26, 34, 54}, {23, 45, 29}, {21, 42, 27}, {30, 38, 60}, {32, 40, 63}, {25, 48, 31}, {19, 51, 33},
    {59, 57, 58}, {56, 54, 55}, {46, 47, 45}, {43, 44, 42}, {62, 60, 61}, {65, 63, 64}, {49, 50, 48}, {52, 53, 51}};

TEST(DirectionMesh, SubdivisionRulesGiveTheListedDirectionsAndTriangles) {
  const DirectionMesh mesh = gen_axtable();
  for (int k = 0; k < kMeshDirectionCount; ++k) {
    SCOPED_TRACE(k);
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(mesh.unscaledDirections[k][c], static_cast<float>(kListedDirectionsInQuarters[k][c]) / 4.0f);
    const auto& u = mesh.axtable[k];
    EXPECT_NEAR(std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]), 1.0f, 1e-6f);
  }
  for (int t = 0; t < kMeshTriangleCount; ++t) {
    SCOPED_TRACE(t);
    EXPECT_EQ(mesh.surax[t],
              (std::array<std::int32_t, 3>{kListedTriangles[t][0], kListedTriangles[t][1], kListedTriangles[t][2]}));
  }
}

// Solves w0·a0 + w1·a1 + w2·a2 = d (Cramer's rule in double): the direction's coordinates on the triangle's
// three directions. All three are non-negative exactly when d lies in the triangle's cone.
std::array<double, 3> coneWeights(const DirectionMesh& mesh, int t, const std::array<double, 3>& d) {
  std::array<std::array<double, 3>, 3> a;
  for (int k = 0; k < 3; ++k)
    for (int c = 0; c < 3; ++c) a[k][c] = mesh.axtable[mesh.surax[t][k]][c];
  auto det = [](const std::array<double, 3>& x, const std::array<double, 3>& y, const std::array<double, 3>& z) {
    return x[0] * (y[1] * z[2] - y[2] * z[1]) - x[1] * (y[0] * z[2] - y[2] * z[0]) + x[2] * (y[0] * z[1] - y[1] * z[0]);
  };
  const double whole = det(a[0], a[1], a[2]);
  return {det(d, a[1], a[2]) / whole, det(a[0], d, a[2]) / whole, det(a[0], a[1], d) / whole};
}

// Every colour's triangle must hold its direction, or a key would be read from the wrong part of its surface.
TEST(DirectionMesh, TriangleLookupHoldsTheColoursDirection) {
  const DirectionMesh& mesh = directionMesh();
  fixcoef record;
  static_cast<void>(initialize_data(record));
  std::mt19937 random(20240611);
  for (int sample = 0; sample < 200000; ++sample) {
    // Backings anywhere in the cube, fractional ones included; colours near and far.
    record.backing = {std::uniform_real_distribution<float>(0, 65535)(random),
                      std::uniform_real_distribution<float>(0, 65535)(random),
                      std::uniform_real_distribution<float>(0, 65535)(random)};
    const int spread = sample % 2 == 0 ? 65535 : 300;
    pixeli c{};
    std::array<int, 3> d;
    for (int ch = 0; ch < 3; ++ch) {
      const int base = static_cast<int>(record.backing[ch]);
      const int value = std::clamp(base + std::uniform_int_distribution<int>(-spread, spread)(random), 0, 65535);
      (ch == 0 ? c.r : ch == 1 ? c.g : c.b) = static_cast<std::uint16_t>(value);
      d[ch] = value - base;
    }
    if (d[0] == 0 && d[1] == 0 && d[2] == 0) continue;
    const int t = getsegment(c, record);
    ASSERT_GE(t, 0);
    ASSERT_LT(t, kMeshTriangleCount);
    const auto w = coneWeights(mesh, t, {double(d[0]), double(d[1]), double(d[2])});
    const double length = std::sqrt(double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2]);
    for (double weight : w) ASSERT_GE(weight / length, -1e-6) << "difference " << d[0] << ", " << d[1] << ", " << d[2];
  }
}

TEST(DirectionMesh, WorkedExamplesPickTheirTriangles) {
  fixcoef record;
  static_cast<void>(initialize_data(record));
  record.backing = {1000.7f, 2000.2f, 3000.9f};                   // truncated to 1000, 2000, 3000
  EXPECT_EQ(getsegment(test::px(1100, 2000, 3000), record), 81);  // +R alone
  EXPECT_EQ(directionMesh().surax[81], (std::array<std::int32_t, 3>{26, 0, 34}));

  // Along an axis the picked triangle has that axis among its corners.
  const struct {
    pixeli colour;
    int direction;
  } axes[] = {{test::px(1000, 2100, 3000), 1},
              {test::px(1000, 2000, 3100), 2},
              {test::px(900, 2000, 3000), 3},
              {test::px(1000, 1900, 3000), 4},
              {test::px(1000, 2000, 2900), 5}};
  for (const auto& c : axes) {
    SCOPED_TRACE(c.direction);
    const auto& corners = directionMesh().surax[getsegment(c.colour, record)];
    EXPECT_NE(std::find(corners.begin(), corners.end(), c.direction), corners.end());
  }
}

// The triangle table as a plain tree of comparisons, written out here from the key's table, against the kernels'
// lookup; with ties (x = y, x = 3y) on purpose, where an off-by-one comparison would show.
int triangleByTree(int o, float x1, float y1, float x2, float y2, float x3, float y3) {
  if (x1 > y1) {
    if (x1 > 3 * y1) return o;
    if (3 * x2 > y2) return o + 32;
    return 3 * x3 > y3 ? o + 64 : o + 96;
  }
  if (x2 > y2) {
    if (3 * x1 > y1) return o + 8;
    if (x2 > 3 * y2) return o + 40;
    return 3 * x3 > y3 ? o + 72 : o + 104;
  }
  if (x3 > y3) {
    if (3 * x1 > y1) return o + 16;
    if (3 * x2 > y2) return o + 48;
    return x3 > 3 * y3 ? o + 80 : o + 112;
  }
  if (y1 > 3 * x1) return o + 24;
  if (y2 > 3 * x2) return o + 56;
  return y3 > 3 * x3 ? o + 88 : o + 120;
}

TEST(DirectionMesh, TriangleLookupFollowsTheTableIncludingTies) {
  // Every combination of 0..6: x = y, x = 3y and y = 3x all occur.
  for (int a = 0; a < 7 * 7 * 7 * 7 * 7 * 7; ++a) {
    float v[6];
    for (int k = 0, rest = a; k < 6; ++k, rest /= 7) v[k] = static_cast<float>(rest % 7);
    const int o = a % 8;
    ASSERT_EQ(drawtritable(o, v[0], v[1], v[2], v[3], v[4], v[5]),
              triangleByTree(o, v[0], v[1], v[2], v[3], v[4], v[5]))
        << v[0] << " " << v[1] << " " << v[2] << " " << v[3] << " " << v[4] << " " << v[5];
  }
}

// The integer kernels feed integer differences, the floating-point kernels floats: for whole numbers the two
// must pick the same triangle.
TEST(DirectionMesh, IntegerAndFloatLookupsAgree) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> difference(-65535, 65535);
  for (int i = 0; i < 100000; ++i) {
    const int r = difference(random), g = difference(random), b = difference(random);
    ASSERT_EQ(triangleOf(r, g, b), triangleOf(float(r), float(g), float(b))) << r << " " << g << " " << b;
  }
}

}  // namespace
}  // namespace vorl
