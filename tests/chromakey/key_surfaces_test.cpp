// Where colours meet the key surfaces, and the training moves that shape the outer surface.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "chromakey/engine/direction_mesh.h"
#include "chromakey/engine/key_surfaces.h"
#include "tests/chromakey/key_fixtures.h"

namespace vorl {
namespace {

using test::px;
using test::sphericalKey;

constexpr std::array<float, 3> kMidCube = {32768.0f, 32768.0f, 32768.0f};

pixeli along(const std::array<float, 3>& backing, int direction, float distance) {
  const auto& a = directionMesh().axtable[direction];
  return px(static_cast<int>(std::lround(backing[0] + distance * a[0])),
            static_cast<int>(std::lround(backing[1] + distance * a[1])),
            static_cast<int>(std::lround(backing[2] + distance * a[2])));
}

std::array<float, 3> radiiAt(const fixcoef& record, int surface, const std::array<std::int32_t, 3>& vertices) {
  return {record.radii[surface][vertices[0]], record.radii[surface][vertices[1]], record.radii[surface][vertices[2]]};
}

const std::array<std::int32_t, 3>& verticesOf(const pixeli& c, const fixcoef& record) {
  return directionMesh().surax[getsegment(c, record)];
}

std::vector<pixeli> randomColours(std::mt19937& random, const std::array<float, 3>& centre, float minDistance,
                                  float maxDistance, int count) {
  std::normal_distribution<float> normal;
  std::uniform_real_distribution<float> distance(minDistance, maxDistance);
  std::vector<pixeli> colours;
  while (static_cast<int>(colours.size()) < count) {
    std::array<float, 3> d = {normal(random), normal(random), normal(random)};
    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (length < 1e-3f) continue;
    const float r = distance(random) / length;
    colours.push_back(px(static_cast<int>(centre[0] + d[0] * r), static_cast<int>(centre[1] + d[1] * r),
                         static_cast<int>(centre[2] + d[2] * r)));
  }
  return colours;
}

TEST(KeySurfaces, ContributionsDescribeTheColoursDirection) {
  const fixcoef record = sphericalKey(kMidCube, 0, 0, 0, 0);
  std::array<std::int32_t, 3> vertices;
  std::array<float, 3> weights;
  EXPECT_EQ(getcontrib(px(32768, 32768, 32768), vertices, weights, record), kContribAtBacking);

  // Exactly along a mesh direction: that vertex alone.
  EXPECT_EQ(getcontrib(px(32868, 32768, 32768), vertices, weights, record), kContribFound);
  EXPECT_EQ(vertices, (std::array<std::int32_t, 3>{26, 0, 34}));
  EXPECT_EQ(weights, (std::array<float, 3>{0.0f, 1.0f, 0.0f}));

  // Anywhere else: weights summing to 1 whose blend of the three unit directions points along the colour.
  std::mt19937 random(11);
  const auto& axtable = directionMesh().axtable;
  for (const pixeli& c : randomColours(random, kMidCube, 50, 30000, 2000)) {
    ASSERT_EQ(getcontrib(c, vertices, weights, record), kContribFound);
    std::array<float, 3> blend{};
    for (int k = 0; k < 3; ++k) {
      EXPECT_GE(weights[k], -1e-6f);
      for (int ch = 0; ch < 3; ++ch) blend[ch] += weights[k] * axtable[vertices[k]][ch];
    }
    EXPECT_NEAR(weights[0] + weights[1] + weights[2], 1.0f, 1e-5f);
    const std::array<float, 3> v = {c.r - 32768.0f, c.g - 32768.0f, c.b - 32768.0f};
    const std::array<float, 3> cross = {blend[1] * v[2] - blend[2] * v[1], blend[2] * v[0] - blend[0] * v[2],
                                        blend[0] * v[1] - blend[1] * v[0]};
    const float vLength = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (float component : cross) EXPECT_NEAR(component / vLength, 0.0f, 1e-4f);
  }
}

// The mesh's edges lie where one channel's share of |dR| + |dG| + |dB| is a quarter, a half or three quarters, so
// integer colours fall exactly on them, and near the backing many do. Such a colour belongs to the triangle it
// is assigned to, with weights in 0..1 summing to 1, however the last bit of the solve falls.
std::vector<pixeli> coloursOnMeshEdges(const std::array<float, 3>& backing) {
  std::vector<pixeli> colours;
  for (int channel = 0; channel < 3; ++channel)
    for (int quarters = 1; quarters <= 3; ++quarters)
      for (int sum = 4; sum <= 4000; sum += 36)
        for (int split = 0; split <= 8; ++split)
          for (int signs = 0; signs < 8; ++signs) {
            std::array<int, 3> d{};
            const int own = sum * quarters / 4, rest = sum - own;
            d[static_cast<std::size_t>(channel)] = own;
            d[static_cast<std::size_t>((channel + 1) % 3)] = rest * split / 8;
            d[static_cast<std::size_t>((channel + 2) % 3)] = rest - rest * split / 8;
            for (int i = 0; i < 3; ++i)
              if (signs & (1 << i)) d[static_cast<std::size_t>(i)] = -d[static_cast<std::size_t>(i)];
            colours.push_back(px(static_cast<int>(backing[0]) + d[0], static_cast<int>(backing[1]) + d[1],
                                 static_cast<int>(backing[2]) + d[2]));
          }
  return colours;
}

TEST(KeySurfaces, ColoursOnAMeshEdgeAreAlwaysFound) {
  for (const std::array<float, 3>& backing : {kMidCube, std::array<float, 3>{20000.0f, 45000.0f, 30000.0f}}) {
    const fixcoef record = sphericalKey(backing, 0, 0, 0, 0);
    int missed = 0;
    for (const pixeli& c : coloursOnMeshEdges(backing)) {
      std::array<std::int32_t, 3> vertices{};
      std::array<float, 3> weights{};
      const int result = getcontrib(c, vertices, weights, record);
      if (result == kContribAtBacking) continue;
      if (result != kContribFound) {
        ++missed;
        continue;
      }
      for (float w : weights) {
        EXPECT_GE(w, 0.0f);
        EXPECT_LE(w, 1.0f);
      }
      EXPECT_NEAR(weights[0] + weights[1] + weights[2], 1.0f, 1e-5f);
    }
    EXPECT_EQ(missed, 0);
  }
}

TEST(KeySurfaces, InsideTestAgainstASphere) {
  const fixcoef record = sphericalKey(kMidCube, 0, 0, 0, 0);
  const std::array<float, 3> radii = {10000, 10000, 10000};
  const struct {
    int direction;
    float distance;
    int expected;
  } cases[] = {{0, 9900, -1}, {0, 10100, 1}, {29, 5000, -1}, {29, 12000, 1}, {65, 9950, -1}, {65, 10050, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.direction << " at " << c.distance);
    const pixeli colour = along(kMidCube, c.direction, c.distance);
    EXPECT_EQ(iocondition(radii, verticesOf(colour, record), colour, record), c.expected);
  }
}

TEST(KeySurfaces, AlongAMeshDirectionOnlyThatRadiusMoves) {
  const fixcoef record = sphericalKey(kMidCube, 0, 0, 0, 0);
  const pixeli c = px(32768 + 1000, 32768, 32768);  // direction 0, distance 1000, the middle vertex of triangle 81
  const std::array<std::int32_t, 3> vertices = {26, 0, 34};
  const std::array<float, 3> weights = {0.0f, 1.0f, 0.0f};
  std::array<float, 3> radii = {5000, 5000, 5000};
  EXPECT_EQ(push_plane(c, vertices, weights, radii, record), 1);
  EXPECT_EQ(radii, (std::array<float, 3>{5000, 0.99f * 1000.0f, 5000}));
  radii = {0, 0, 0};
  EXPECT_EQ(swell_plane(c, vertices, weights, radii, record), 1);
  EXPECT_EQ(radii, (std::array<float, 3>{0, 1.01f * 1000.0f, 0}));
}

bool insideOuter(const pixeli& c, const fixcoef& record) {
  return iocondition(radiiAt(record, kOuterSurface, verticesOf(c, record)), verticesOf(c, record), c, record) == -1;
}

pixeli scaledFrom(const std::array<float, 3>& backing, const pixeli& c, float factor) {
  return px(static_cast<int>(std::lround(backing[0] + (c.r - backing[0]) * factor)),
            static_cast<int>(std::lround(backing[1] + (c.g - backing[1]) * factor)),
            static_cast<int>(std::lround(backing[2] + (c.b - backing[2]) * factor)));
}

// A dented outer surface leaves every sample outside, up to the bisection's last step (about 1 %); a grown one
// takes every sample in, with the 10 % margin `jut_out` pushes them by. Entries only ever move the one way.
TEST(KeySurfaces, TrainingPutsEverySampleOnItsSide) {
  std::mt19937 random(5);
  fixcoef dented = sphericalKey(kMidCube, 0, 0, 20000, 0);
  const std::vector<pixeli> foreground = randomColours(random, kMidCube, 4000, 15000, 400);
  dnt_out(foreground.data(), static_cast<int>(foreground.size()), 1, dented);
  for (float radius : dented.radii[kOuterSurface]) EXPECT_LE(radius, 20000.0f);
  int stillInside = 0;
  for (const pixeli& c : foreground) {
    EXPECT_FALSE(insideOuter(scaledFrom(kMidCube, c, 1.01f), dented));
    if (insideOuter(c, dented)) ++stillInside;
  }
  EXPECT_LT(stillInside, 40);

  fixcoef grown = sphericalKey(kMidCube, 0, 0, 0, 0);
  const std::vector<pixeli> spill = randomColours(random, kMidCube, 500, 6000, 400);
  std::vector<pixeli> pushed = spill;
  jut_out(pushed.data(), 20, 20, grown);
  for (const pixeli& c : spill) EXPECT_TRUE(insideOuter(c, grown));
  for (float radius : grown.radii[kOuterSurface]) EXPECT_LE(radius, 3 * 6600.0f);
}

TEST(KeySurfaces, JutOutPushesSamplesTenPercentFurtherOut) {
  fixcoef record = sphericalKey({1000.0f, 60000.0f, 32768.0f}, 0, 0, 0, 0);
  pixeli samples[] = {px(1100, 60000, 32768), px(0, 65530, 32768)};
  jut_out(samples, 2, 1, record);
  EXPECT_EQ(samples[0], px(1110, 60000, 32768));
  EXPECT_EQ(samples[1], px(0, 65535, 32768));  // limited to the cube
}

TEST(KeySurfaces, SampleAtTheBackingChangesNothing) {
  fixcoef record = sphericalKey(kMidCube, 0, 0, 5000, 0);
  const fixcoef before = record;
  pixeli sample = px(32768, 32768, 32768);
  dnt_out(&sample, 1, 1, record);
  jut_out(&sample, 1, 1, record);
  EXPECT_EQ(record.radii, before.radii);
}

TEST(KeySurfaces, ConsistencyKeepsInnerInsideMiddleInsideOuter) {
  const struct {
    float inner, middle, outer;
    std::array<float, 3> expected;
  } cases[] = {{10, 5, 3, {3, 3, 3}}, {1, 2, 3, {1, 2, 3}}, {5, 2, 9, {2, 2, 9}}, {4, 9, 6, {4, 6, 6}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.inner << " " << c.middle << " " << c.outer);
    fixcoef record = sphericalKey(kMidCube, c.inner, c.middle, c.outer, 0);
    remove_inconsistence(2, record);
    for (int k = 0; k < kMeshDirectionCount; ++k)
      EXPECT_EQ((std::array<float, 3>{record.radii[0][k], record.radii[1][k], record.radii[2][k]}), c.expected);
  }
}

}  // namespace
}  // namespace vorl
