// The synthetic green-screen photograph through the bridge as the page side hands it over: 8-bit offscreens in,
// the composite with the matte in its alpha out, scored per region against the truth. Then every option a job's
// key can carry, each keying the same photograph. The composites and mattes are written as PNG files under
// build/artifacts/ for a look.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chromakey/bridge/keying_bridge.h"
#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/key_stages.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "platform/files/file_specs.h"
#include "tests/chromakey/synthetic_green_screen.h"
#include "tests/support/isolated_environment.h"

namespace vorl::test {
namespace {

namespace fs = std::filesystem;

OffscreenPtr offscreenOf(const std::vector<pixeli>& map, int w, int h) {
  const Rect bounds = makeRect(0, 0, h, w);
  OffscreenPtr o{myNewGWorld(&bounds)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const pixeli& p = map[static_cast<std::size_t>(y) * w + x];
      std::uint8_t* q = o->view().localPixel(x, y);
      q[0] = 0;
      q[1] = static_cast<std::uint8_t>(p.r >> 8);
      q[2] = static_cast<std::uint8_t>(p.g >> 8);
      q[3] = static_cast<std::uint8_t>(p.b >> 8);
    }
  return o;
}

void writeArtifacts(const Offscreen& output, const std::string& name) {
  const fs::path folder = VORL_ARTIFACT_DIR;
  fs::create_directories(folder);
  OffscreenPtr colours{myDuplicateGWorld(const_cast<Offscreen*>(&output))};
  OffscreenPtr matte{myDuplicateGWorld(const_cast<Offscreen*>(&output))};
  for (int y = 0; y < output.height(); ++y)
    for (int x = 0; x < output.width(); ++x) {
      std::uint8_t* c = colours->view().localPixel(x, y);
      std::uint8_t* m = matte->view().localPixel(x, y);
      c[0] = 0;
      m[1] = m[2] = m[3] = m[0];
      m[0] = 0;
    }
  EXPECT_EQ(encodeImageFile(*colours, folder / ("keyed-" + name + ".png"), ImageFileType::png, {}), noErr);
  EXPECT_EQ(encodeImageFile(*matte, folder / ("matte-" + name + ".png"), ImageFileType::png, {}), noErr);
}

struct Scores {
  double backingExact = 0;      // backing pixels whose output is the new background exactly
  double interiorExact = 0;     // interior pixels whose output is the photograph exactly
  double edgeAlphaError = 0;    // mean |matte − true alpha|, 0..1
  double edgePsnr = 0;          // dB against α·F + (1 − α)·N
  double wholePsnr = 0;         // dB over the whole frame
};

// The true matte through the same matte edge: a softened key is meant to soften the edge, so the output is held
// to the truth softened alike (α·F + (1 − α)·N with that α), not to a hard one.
std::vector<double> softenedTruth(const GreenScreenScene& scene, MatteEdgeSettings edge) {
  std::vector<pixeli> matte(scene.alpha.size());
  for (std::size_t i = 0; i < matte.size(); ++i)
    matte[i].a = static_cast<std::uint16_t>(std::lround(scene.alpha[i] * 65535.0));
  EXPECT_EQ(doDefocusMask(matte.data(), scene.width, scene.height, edge.defocus, edge.inward, edge.shrink),
            PrimStatus::ok);
  std::vector<double> alpha(matte.size());
  for (std::size_t i = 0; i < matte.size(); ++i) alpha[i] = matte[i].a / 65535.0;
  return alpha;
}

Scores score(const GreenScreenScene& scene, const Offscreen& output, MatteEdgeSettings edge) {
  Scores s;
  double counts[3] = {0, 0, 0}, edgeSquared = 0, allSquared = 0;
  const std::vector<double> alpha = softenedTruth(scene, edge);
  for (int y = 0; y < scene.height; ++y)
    for (int x = 0; x < scene.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * scene.width + x;
      const std::uint8_t* o = output.view().localPixel(x, y);
      const double a = alpha[i];
      const pixeli &f = scene.subject[i], &n = scene.background[i], &p = scene.photograph[i];
      const double truth[3] = {(a * f.r + (1 - a) * n.r) / 256, (a * f.g + (1 - a) * n.g) / 256,
                               (a * f.b + (1 - a) * n.b) / 256};
      double squared = 0;
      for (int c = 0; c < 3; ++c) squared += (o[1 + c] - truth[c]) * (o[1 + c] - truth[c]) / 3;
      allSquared += squared;
      switch (scene.region[i]) {
        case kRegionBacking:
          counts[0] += 1;
          s.backingExact += o[1] == n.r >> 8 && o[2] == n.g >> 8 && o[3] == n.b >> 8;
          break;
        case kRegionInterior:
          counts[1] += 1;
          s.interiorExact += o[1] == p.r >> 8 && o[2] == p.g >> 8 && o[3] == p.b >> 8;
          break;
        default:
          counts[2] += 1;
          s.edgeAlphaError += std::abs(o[0] / 255.0 - a);
          edgeSquared += squared;
      }
    }
  s.backingExact /= counts[0];
  s.interiorExact /= counts[1];
  s.edgeAlphaError /= counts[2];
  s.edgePsnr = 10 * std::log10(255.0 * 255.0 / (edgeSquared / counts[2]));
  s.wholePsnr = 10 * std::log10(255.0 * 255.0 / (allSquared / (counts[0] + counts[1] + counts[2])));
  return s;
}

OffscreenPtr keyThroughBridge(const GreenScreenScene& scene, const fixcoef& key, MatteEdgeSettings edge) {
  tChromaKeySettings settings{};
  settings.coefficients = key;
  OffscreenPtr photo = offscreenOf(scene.photograph, scene.width, scene.height);
  OffscreenPtr output = offscreenOf(scene.photograph, scene.width, scene.height);
  const fs::path image = makeTempFolder("bridge-e2e") / "shot.jpg";
  std::ofstream(image) << "pixels";
  FSSpec spec{};
  EXPECT_EQ(FSMakeFSSpecFromPath(image, spec), noErr);
  const Rect port = photo->portRect();
  OffscreenPtr frame{myDuplicateGWorld(photo.get())};
  EXPECT_TRUE(doNewChromaKeyingEx(std::move(photo), offscreenOf(scene.background, scene.width, scene.height),
                                  output.get(), &settings, edge, true, false, frame.get(), port, port, 0, spec));
  return output;
}

void print(const char* what, const Scores& s) {
  std::printf("%-28s backing exact %.4f | interior exact %.4f | edge alpha %.3f psnr %.1f | whole psnr %.1f\n", what,
              s.backingExact, s.interiorExact, s.edgeAlphaError, s.edgePsnr, s.wholePsnr);
}

// Defocus 2 and shrink 0.05, as a studio would set them for a portrait.
TEST(BridgeEndToEnd, SurfaceKeyWithMatteEdgeMeetsItsMarks) {
  const GreenScreenScene scene = makeGreenScreenScene(480, 360, 1);
  const OffscreenPtr output = keyThroughBridge(scene, makeSurfaceKeyFor(scene), {2, 0, 0.05f});
  writeArtifacts(*output, "surface");
  const Scores s = score(scene, *output, {2, 0, 0.05f});
  print("surface key", s);
  EXPECT_GE(s.backingExact, 0.995);
  EXPECT_GE(s.interiorExact, 0.999);
  EXPECT_LE(s.edgeAlphaError, 0.08);
  EXPECT_GE(s.edgePsnr, 28.0);
  EXPECT_GE(s.wholePsnr, 35.0);
}

// Each option a job's key may carry keys the photograph: the backing goes, the subject stays. Marks are loose:
// they catch a stage that ruins the frame, not the last level of quality.
TEST(BridgeEndToEnd, EveryKeyOptionKeysThePhotograph) {
  const GreenScreenScene scene = makeGreenScreenScene(320, 240, 3);
  const fixcoef surface = makeSurfaceKeyFor(scene);
  const fixcoef rt = makeRTKeyFor(scene);
  const struct {
    const char* name;
    fixcoef key;
    std::uint32_t add;
    std::uint32_t remove;
    std::int32_t grainLevel;
    MatteEdgeSettings edge;
    double backingExact;
    double interiorExact;
    double edgePsnr;
  } cases[] = {
      {"integer-kernels", surface, 0, kKeyOptionFloatKernels, 0, {}, 0.99, 0.99, 30},
      {"two-surface", surface, kKeyOptionTwoSurface, 0, 0, {}, 0.99, 0.99, 30},
      {"single-surface", surface, kKeyOptionSingleSurface, 0, 0, {}, 0.99, 0.95, 20},
      {"rt", rt, 0, 0, 0, {3, 0, 0.0f}, 0.98, 0.9, 33},
      {"rtplus", rt, kKeyOptionRTPlus, kKeyOptionRT, 0, {3, 1, 0.1f}, 0.98, 0.9, 33},
      {"grain", surface, kKeyOptionGrainRemoval, 0, 1, {}, 0.98, 0.9, 30},
      {"simulated-backing", surface, kKeyOptionSimulatedBacking, 0, 0, {}, 0.98, 0.9, 30},
      {"shape-mask-without-shapes", surface, kKeyOptionShapeMask, 0, 0, {}, 0.99, 0.99, 30},
      {"inward-defocus-5", surface, 0, 0, 0, {5, 1, 0.0f}, 0.99, 0.95, 27},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fixcoef key = c.key;
    key.options = (key.options | c.add) & ~c.remove;
    key.grainLevel = c.grainLevel;
    if (c.add & kKeyOptionRTPlus)
      for (auto& triple : key.rtPlusFactors) triple = key.rtFactors;
    const OffscreenPtr output = keyThroughBridge(scene, key, c.edge);
    writeArtifacts(*output, c.name);
    const Scores s = score(scene, *output, c.edge);
    print(c.name, s);
    EXPECT_GE(s.backingExact, c.backingExact);
    EXPECT_GE(s.interiorExact, c.interiorExact);
    EXPECT_GE(s.edgePsnr, c.edgePsnr);
  }

  // Pass-through keys nothing: the photograph comes back whole, opaque.
  fixcoef passThrough = surface;
  passThrough.options |= kKeyOptionPassThrough;
  const OffscreenPtr output = keyThroughBridge(scene, passThrough, {});
  for (int y = 0; y < scene.height; y += 7)
    for (int x = 0; x < scene.width; x += 5) {
      const pixeli& p = scene.photograph[static_cast<std::size_t>(y) * scene.width + x];
      const std::uint8_t* o = output->view().localPixel(x, y);
      ASSERT_EQ(o[1], p.r >> 8);
      ASSERT_EQ(o[3], p.b >> 8);
      ASSERT_EQ(o[0], 255);
    }
}

// Every stage at once, split over 1, 2 and 8 workers: the same bytes each time.
TEST(BridgeEndToEnd, EveryStageGivesTheSameBytesAtAnyWorkerCount) {
  const GreenScreenScene scene = makeGreenScreenScene(331, 217, 4);
  fixcoef key = makeSurfaceKeyFor(scene);
  key.options |= kKeyOptionGrainRemoval | kKeyOptionSimulatedBacking;
  key.grainLevel = 2;
  key.gridDensity = 12;
  std::vector<std::uint8_t> first;
  for (const int workers : {1, 2, 8}) {
    SCOPED_TRACE(workers);
    setDuzeviveThreadCount(workers);
    const OffscreenPtr output = keyThroughBridge(scene, key, {4, 1, 0.05f});
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < output->height(); ++y)
      bytes.insert(bytes.end(), output->view().row(y), output->view().row(y) + 4 * output->width());
    if (first.empty())
      first = bytes;
    else
      EXPECT_TRUE(bytes == first);
  }
  setDuzeviveThreadCount(1);
}

}  // namespace
}  // namespace vorl::test
