// A softened matte (defocus, inward pull, shrink) against scenes whose truth is known: a flat subject on a green
// and on a blue backing with a straight, a curved, a hair and a half-transparent edge, keyed by every keyer and
// laid over black, white, grey and a saturated background with every kind of replacement colour. Softening may
// not add a rim, the replacement colour may not show, the edge must stay close to the truth softened the same
// way, and where the matte is the keyer's own the composite is the one it always was.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "chromakey/bridge/pb_setup.h"
#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/sample_plane.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "tests/chromakey/edge_scenes.h"
#include "tests/chromakey/synthetic_green_screen.h"

namespace vorl::test {
namespace {

namespace fs = std::filesystem;

using Frame = std::vector<pixeli>;
using Rgb16 = std::array<std::uint16_t, 3>;

struct MatteEdge {
  int defocus;
  int inward;
  float shrink;
};

constexpr int kDefocusValues[] = {0, 1, 2, 3, 5, 10};
constexpr Colour8 kSubject = {234, 120, 160};
constexpr Colour8 kBackings[] = {{30, 170, 60}, {20, 50, 190}};
constexpr Colour8 kNewBackgrounds[] = {{0, 0, 0}, {255, 255, 255}, {128, 128, 128}, {220, 40, 30}};
constexpr double kRangeTolerance = 65535.0 / 256;

Rgb16 to16(Colour8 c) {
  return {static_cast<std::uint16_t>(c[0] << 8), static_cast<std::uint16_t>(c[1] << 8),
          static_cast<std::uint16_t>(c[2] << 8)};
}

// Black, white, the adapter's grey and the new background itself.
std::vector<Rgb16> replacementsFor(Colour8 background) {
  return {{0, 0, 0}, {65535, 65535, 65535}, {32767, 32767, 32767}, to16(background)};
}

Frame flat(const EdgeScene& scene, Rgb16 colour) {
  return Frame(scene.photograph.size(), pixeli{colour[0], colour[1], colour[2], 0});
}

// The bridge's adapter keys the scene once; each matte edge then runs as the bridge runs it.
class KeyedScene {
 public:
  KeyedScene(const std::vector<pixeli>& photograph, int width, int height, const fixcoef& key)
      : width_(width), height_(height), keyed_(photograph.size()) {
    setup_.set(key);
    setup_.pb_spillproc(0);
    setup_.extmsk(0);
    EXPECT_TRUE(setup_.translate_begin());
    EXPECT_EQ(setup_.pixelproc(photograph.data(), keyed_.data(), photograph.data(), nullptr, width, height),
              PrimStatus::ok);
  }
  ~KeyedScene() { setup_.translate_finish(); }
  KeyedScene(const KeyedScene&) = delete;
  KeyedScene& operator=(const KeyedScene&) = delete;

  // Composite and matte view with today's adapter.
  void composite(const MatteEdge& edge, const Frame& background, Frame& composite, Frame& matte) {
    setup_.defocus(edge.defocus);
    setup_.inward_flag(edge.inward);
    setup_.shrink_val(edge.shrink);
    composite.assign(keyed_.size(), pixeli{});
    matte.assign(keyed_.size(), pixeli{});
    SamplePlane softened;
    if (setup_.softensMatte()) {
      ASSERT_TRUE(softened.allocate(keyed_.size()));
      ASSERT_EQ(setup_.maskpp(keyed_.data(), softened.data(), width_, height_), PrimStatus::ok);
      // The softened plane is exactly the matte the in-place blur makes.
      Frame blurred = keyed_;
      ASSERT_EQ(doDefocusMask(blurred.data(), width_, height_, edge.defocus, edge.inward, edge.shrink), PrimStatus::ok);
      for (std::size_t i = 0; i < keyed_.size(); ++i) ASSERT_EQ(softened.data()[i], blurred[i].a) << i;
    }
    ASSERT_EQ(setup_.composite(keyed_.data(), setup_.softensMatte() ? softened.data() : nullptr, background.data(),
                               composite.data(), matte.data(), width_, height_),
              PrimStatus::ok);
  }

  // Composite and matte view as they were made before: the keyed map's alpha blurred in place, then composited.
  void compositeBefore(const MatteEdge& edge, const Frame& background, Frame& composite, Frame& matte) const {
    Frame blurred = keyed_;
    ASSERT_EQ(doDefocusMask(blurred.data(), width_, height_, edge.defocus, edge.inward, edge.shrink), PrimStatus::ok);
    composite.assign(keyed_.size(), pixeli{});
    matte.assign(keyed_.size(), pixeli{});
    compositeAsBefore(blurred.data(), background.data(), composite.data(), matte.data(), keyed_.size(),
                      (setup_.slot0().options & (kKeyOptionRT | kKeyOptionRTPlus)) != 0, setup_.slot0().replacement);
  }

 private:
  int width_;
  int height_;
  PBSetup setup_;
  Frame keyed_;
};

// The truth: the true matte through the same matte edge, the true subject colour.
std::vector<double> truthComposite(const EdgeScene& scene, const MatteEdge& edge, Rgb16 background) {
  Frame matte(scene.alpha.size());
  for (std::size_t i = 0; i < matte.size(); ++i)
    matte[i].a = static_cast<std::uint16_t>(std::lround(scene.alpha[i] * 65535.0));
  EXPECT_EQ(doDefocusMask(matte.data(), scene.width, scene.height, edge.defocus, edge.inward, edge.shrink),
            PrimStatus::ok);
  const Rgb16 subject = to16(scene.subject);
  std::vector<double> truth(matte.size() * 3);
  for (std::size_t i = 0; i < matte.size(); ++i) {
    const double a = matte[i].a / 65535.0;
    for (int c = 0; c < 3; ++c) truth[i * 3 + c] = a * subject[c] + (1 - a) * background[c];
  }
  return truth;
}

// The edge band: pixels within defocus + 1 of a pixel whose true alpha is partial or differs from a neighbour's.
std::vector<bool> edgeBand(const EdgeScene& scene, int defocus) {
  const int w = scene.width, h = scene.height;
  auto alphaAt = [&](int x, int y) { return scene.alpha[static_cast<std::size_t>(y) * w + x]; };
  std::vector<bool> boundary(scene.alpha.size(), false);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float a = alphaAt(x, y);
      bool edge = a > 0.0f && a < 1.0f;
      for (int dy = -1; dy <= 1 && !edge; ++dy)
        for (int dx = -1; dx <= 1 && !edge; ++dx)
          if (x + dx >= 0 && x + dx < w && y + dy >= 0 && y + dy < h) edge = alphaAt(x + dx, y + dy) != a;
      boundary[static_cast<std::size_t>(y) * w + x] = edge;
    }
  std::vector<bool> band(boundary.size(), false);
  const int reach = defocus + 1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
          if (x + dx >= 0 && x + dx < w && y + dy >= 0 && y + dy < h &&
              boundary[static_cast<std::size_t>(y + dy) * w + x + dx])
            band[static_cast<std::size_t>(y) * w + x] = true;
  return band;
}

// How far the worst pixel lies outside [min(S, N), max(S, N)], per channel, in 16-bit units.
double worstRim(const Frame& composite, Rgb16 subject, Rgb16 background) {
  double worst = 0;
  for (const pixeli& p : composite) {
    const std::uint16_t channels[3] = {p.r, p.g, p.b};
    for (int c = 0; c < 3; ++c) {
      const double lo = std::min(subject[c], background[c]), hi = std::max(subject[c], background[c]);
      worst = std::max({worst, lo - channels[c], channels[c] - hi});
    }
  }
  return worst;
}

// Squared error against the truth over the band, in 8-bit levels, and the pixel count.
struct EdgeError {
  double squared = 0;
  double samples = 0;
  void add(const Frame& composite, const std::vector<double>& truth, const std::vector<bool>& band) {
    for (std::size_t i = 0; i < composite.size(); ++i) {
      if (!band[i]) continue;
      const std::uint16_t channels[3] = {composite[i].r, composite[i].g, composite[i].b};
      for (int c = 0; c < 3; ++c) {
        const double e = (channels[c] - truth[i * 3 + c]) / 256.0;
        squared += e * e;
        samples += 1;
      }
    }
  }
  // Capped at 60 dB: beyond that the edge is exact to the last 8-bit level.
  [[nodiscard]] double psnr() const {
    if (samples == 0 || squared == 0) return 60.0;
    return std::min(60.0, 10.0 * std::log10(255.0 * 255.0 / (squared / samples)));
  }
};

// Largest step against the direction from S to N along the middle row of the straight edge, in 16-bit units.
double worstProfileReversal(const EdgeScene& scene, const Frame& composite, Rgb16 subject, Rgb16 background) {
  const std::size_t row = static_cast<std::size_t>(scene.height / 2) * scene.width;
  double worst = 0;
  for (int x = 0; x + 1 < scene.width; ++x) {
    const pixeli &a = composite[row + x], &b = composite[row + x + 1];
    const double steps[3] = {static_cast<double>(b.r) - a.r, static_cast<double>(b.g) - a.g,
                             static_cast<double>(b.b) - a.b};
    for (int c = 0; c < 3; ++c) {
      const double direction = background[c] > subject[c] ? 1 : background[c] < subject[c] ? -1 : 0;
      if (direction == 0)
        worst = std::max(worst, std::abs(steps[c]));
      else
        worst = std::max(worst, -steps[c] * direction);
    }
  }
  return worst;
}

double largestDifference(const Frame& a, const Frame& b) {
  double worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    for (const auto channel : {&pixeli::r, &pixeli::g, &pixeli::b})
      worst = std::max(worst, std::abs(static_cast<double>(a[i].*channel) - b[i].*channel));
  return worst;
}

std::vector<MatteEdge> matteEdges() {
  std::vector<MatteEdge> edges;
  for (const int defocus : kDefocusValues)
    for (const float shrink : {0.0f, 0.05f})
      for (const int inward : {0, 1})
        if (defocus != 0 || inward == 0) edges.push_back({defocus, inward, shrink});
  return edges;
}

// An 8-bit PNG of a composite, and beside it the top of the head and the left shoulder (96 × 60 pixels each)
// enlarged four times.
void writePicture(const Frame& composite, int w, int h, const std::string& name) {
  const fs::path folder = VORL_ARTIFACT_DIR;
  fs::create_directories(folder);
  auto save = [&](int x0, int y0, int cw, int ch, int zoom, const std::string& file) {
    const Rect bounds = makeRect(0, 0, ch * zoom, cw * zoom);
    OffscreenPtr picture{myNewGWorld(&bounds)};
    ASSERT_TRUE(picture);
    for (int y = 0; y < ch * zoom; ++y)
      for (int x = 0; x < cw * zoom; ++x) {
        const pixeli& p = composite[static_cast<std::size_t>(y0 + y / zoom) * w + x0 + x / zoom];
        std::uint8_t* q = picture->view().localPixel(x, y);
        q[0] = 0;
        q[1] = static_cast<std::uint8_t>(p.r >> 8);
        q[2] = static_cast<std::uint8_t>(p.g >> 8);
        q[3] = static_cast<std::uint8_t>(p.b >> 8);
      }
    EXPECT_EQ(encodeImageFile(*picture, folder / (file + ".png"), ImageFileType::png, {}), noErr);
  };
  save(0, 0, w, h, 1, name);
  save(192, 20, 96, 60, 4, name + "-zoom");
  save(90, 190, 96, 60, 4, name + "-zoom-shoulder");
}

// PSNR pooled over scenes, backings and backgrounds, by keyer, defocus and replacement colour (plain blur).
struct PsnrTable {
  std::map<std::string, EdgeError> before, after;
  static std::string key(EdgeKeyer keyer, int defocus, int q) {
    return std::string(nameOf(keyer)) + "|" + std::to_string(defocus) + "|" + std::to_string(q);
  }
};

TEST(SoftenedEdge, NoRimNoReplacementColourAndCloseToTheTruth) {
  const char* kReplacementNames[] = {"Q black", "Q white", "Q grey", "Q = N"};
  PsnrTable table;
  const std::vector<MatteEdge> edges = matteEdges();
  for (const EdgeShape shape : {EdgeShape::straight, EdgeShape::curved, EdgeShape::hair, EdgeShape::halfSoft})
    for (const Colour8& backing : kBackings) {
      const EdgeScene scene = makeEdgeScene(shape, kSubject, backing);
      SCOPED_TRACE(scene.name + (backing[1] > backing[2] ? " on green" : " on blue"));
      for (const EdgeKeyer keyer : kEdgeKeyers) {
        SCOPED_TRACE(nameOf(keyer));
        for (const Colour8& newBackground : kNewBackgrounds) {
          const Rgb16 n = to16(newBackground), s = to16(kSubject);
          SCOPED_TRACE(::testing::Message() << "N " << n[0] << "," << n[1] << "," << n[2]);
          const Frame background = flat(scene, n);
          const std::vector<Rgb16> replacements =
              isRTFamily(keyer) ? replacementsFor(newBackground) : std::vector<Rgb16>{{32767, 32767, 32767}};
          // Per matte edge, the composite under each replacement colour.
          std::vector<std::vector<Frame>> composites(edges.size());
          for (std::size_t qi = 0; qi < replacements.size(); ++qi) {
            SCOPED_TRACE(kReplacementNames[isRTFamily(keyer) ? qi : 2]);
            KeyedScene keyed(scene.photograph, scene.width, scene.height, makeEdgeKey(scene, keyer, replacements[qi]));
            Frame plain, plainMatte, composite, matte, before, beforeMatte;
            keyed.composite({0, 0, 0.0f}, background, plain, plainMatte);
            // Where the matte is the keyer's own, the composite is the one it always was.
            keyed.compositeBefore({0, 0, 0.0f}, background, before, beforeMatte);
            ASSERT_TRUE(plain == before);
            const double plainRim = worstRim(plain, s, n);
            for (std::size_t e = 0; e < edges.size(); ++e) {
              const MatteEdge& edge = edges[e];
              SCOPED_TRACE(::testing::Message()
                           << "defocus " << edge.defocus << " inward " << edge.inward << " shrink " << edge.shrink);
              keyed.composite(edge, background, composite, matte);
              keyed.compositeBefore(edge, background, before, beforeMatte);
              // The exported matte is the one it always was; so is every composite of a surface key that a
              // shrink alone changed.
              ASSERT_TRUE(matte == beforeMatte);
              if (edge.defocus == 0 && !isRTFamily(keyer)) {
                ASSERT_TRUE(composite == before);
              }

              EXPECT_LE(worstRim(composite, s, n), plainRim + kRangeTolerance);
              if (isRTFamily(keyer) && shape == EdgeShape::straight) {
                EXPECT_LE(worstProfileReversal(scene, composite, s, n), 2.0);
              }

              if (edge.inward == 0 && edge.shrink == 0.0f) {
                const std::vector<double> truth = truthComposite(scene, edge, n);
                const std::vector<bool> band = edgeBand(scene, edge.defocus);
                const std::string k = PsnrTable::key(keyer, edge.defocus, static_cast<int>(qi));
                table.after[k].add(composite, truth, band);
                table.before[k].add(before, truth, band);
                EdgeError own, plainError;
                own.add(composite, truth, band);
                plainError.add(plain, truthComposite(scene, {0, 0, 0.0f}, n), edgeBand(scene, 0));
                if (edge.defocus == 2 || edge.defocus == 5) {
                  EXPECT_GE(own.psnr(), plainError.psnr() - 3.0);
                }
              }
              composites[e].push_back(composite);
            }
          }
          // The replacement colour does not show: any two differ by at most 1/256 of the range. The matte the
          // keyer made, left as it is, keeps the composite it always had (above), and with it whatever the keyer's
          // clamping to 0..65535 made of Q; only a changed matte has a composite of its own.
          for (std::size_t e = 0; e < edges.size(); ++e) {
            if (!matteEdgeChangesAlpha(edges[e].defocus, edges[e].shrink)) continue;
            for (std::size_t qi = 1; qi < composites[e].size(); ++qi)
              EXPECT_LE(largestDifference(composites[e][0], composites[e][qi]), kRangeTolerance)
                  << "defocus " << edges[e].defocus << " inward " << edges[e].inward << " shrink " << edges[e].shrink
                  << " " << kReplacementNames[qi];
          }
        }
      }
    }

  std::printf("edge PSNR (dB, 8-bit, capped at 60) against the truth softened alike; before -> after\n");
  for (const EdgeKeyer keyer : kEdgeKeyers)
    for (const int defocus : kDefocusValues) {
      std::printf("%-15s defocus %2d:", nameOf(keyer), defocus);
      for (int q = 0; q < (isRTFamily(keyer) ? 4 : 1); ++q) {
        const std::string k = PsnrTable::key(keyer, defocus, q);
        std::printf("  %s %5.1f -> %5.1f", isRTFamily(keyer) ? kReplacementNames[q] : "", table.before[k].psnr(),
                    table.after[k].psnr());
      }
      std::printf("\n");
    }
}

// The synthetic portrait keyed by the RT, RTPlus and surface keys with the matte softened by defocus 5, composited
// as before and as now, written under build/artifacts/ for a look: whole frames, and two edges four times
// enlarged.
TEST(SoftenedEdge, PicturesBeforeAndAfter) {
  const GreenScreenScene scene = makeGreenScreenScene(480, 360, 1);
  fixcoef rtPlus = makeRTKeyFor(scene);
  rtPlus.options = (rtPlus.options | kKeyOptionRTPlus) & ~kKeyOptionRT;
  for (auto& triple : rtPlus.rtPlusFactors) triple = rtPlus.rtFactors;
  const struct {
    const char* name;
    fixcoef key;
  } keys[] = {{"rt", makeRTKeyFor(scene)}, {"rtplus", rtPlus}, {"surface", makeSurfaceKeyFor(scene)}};
  const MatteEdge edge{5, 0, 0.0f};
  for (const auto& k : keys) {
    SCOPED_TRACE(k.name);
    KeyedScene keyed(scene.photograph, scene.width, scene.height, k.key);
    Frame after, before, matte;
    keyed.composite(edge, scene.background, after, matte);
    keyed.compositeBefore(edge, scene.background, before, matte);
    writePicture(before, scene.width, scene.height, std::string("softened-") + k.name + "-defocus5-before");
    writePicture(after, scene.width, scene.height, std::string("softened-") + k.name + "-defocus5-after");
  }
}

}  // namespace
}  // namespace vorl::test
