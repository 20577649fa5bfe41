// The keying pass: preparation of a record, the fixed order of stages, the option word's restoration, splitting
// over workers, and the composite.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "chromakey/engine/composite.h"
#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/key_pipeline.h"
#include "chromakey/engine/pixel_map.h"
#include "tests/chromakey/key_fixtures.h"

namespace vorl {
namespace {

using test::px;
using test::sphericalKey;

constexpr std::array<float, 3> kGreen = {7680, 43520, 15360};

using test::WorkerCount;

// A frame with backing, foreground far from it and a soft band in between, plus noise, so every branch keys.
std::vector<pixeli> greenFrame(int w, int h, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-600, 600);
  std::vector<pixeli> frame(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float f = std::clamp((x - w * 0.3f) / (w * 0.4f), 0.0f, 1.0f);  // 0 backing .. 1 foreground
      const float fr = 52000, fg = 30000, fb = 26000;
      frame[static_cast<std::size_t>(y) * w + x] =
          px(std::clamp(int(kGreen[0] + (fr - kGreen[0]) * f) + noise(random), 0, 65535),
             std::clamp(int(kGreen[1] + (fg - kGreen[1]) * f) + noise(random), 0, 65535),
             std::clamp(int(kGreen[2] + (fb - kGreen[2]) * f) + noise(random), 0, 65535));
    }
  return frame;
}

fixcoef surfaceKey(std::uint32_t extra = 0) {
  return sphericalKey(kGreen, 2500, 15000, 25000, kKeyOptionNoReplacement | kKeyOptionFloatKernels | extra);
}

fixcoef rtKey(std::uint32_t keyer) {
  fixcoef record = sphericalKey(kGreen, 0, 0, 0, kKeyOptionNoReplacement | keyer);
  record.rtFactors = {0.05f, 0.3f, 0.4f};
  record.rtPlusFactors.fill({0.05f, 0.3f, 0.4f});
  record.rtPlusFactors[2] = {0.08f, 0.35f, 0.5f};
  record.replacement = {30000, 30000, 30000};
  return record;
}

struct Keyed {
  PrimStatus status;
  std::vector<pixeli> out;
  std::uint32_t optionsAfter;
};

Keyed runPass(fixcoef record, const std::vector<pixeli>& fg, int w, int h, const std::vector<pixeli>* mask = nullptr) {
  PrimPass pass;
  static_cast<void>(primcoef_begin(record, pass));
  Keyed keyed{PrimStatus::ok, std::vector<pixeli>(fg.size(), px(7, 7, 7, 7)), 0};
  keyed.status =
      doPrimProc(fg.data(), keyed.out.data(), nullptr, mask ? mask->data() : nullptr, w, h, record, nullptr, pass);
  keyed.optionsAfter = record.options;
  static_cast<void>(primcoef_finish(record, pass));
  return keyed;
}

TEST(KeyPipeline, OptionWordChoosesTheKernel) {
  const struct {
    std::uint32_t options;
    PrimKernel expected;
  } cases[] = {
      {kKeyOptionNoReplacement, primproc_0_1_0},
      {kKeyOptionNoReplacement | kKeyOptionExternalMask, primproc_0_1_1},
      {kKeyOptionFloatKernels, primproc_1_1_0},
      {kKeyOptionFloatKernels | kKeyOptionExternalMask, primproc_1_1_1},
      {kKeyOptionRT, primproc_rt},
      {kKeyOptionRT | kKeyOptionExternalMask | kKeyOptionFloatKernels, primproc_rt_extmask},
      {kKeyOptionRTPlus, primproc_rtplus},
      {kKeyOptionRTPlus | kKeyOptionRT, primproc_rtplus},
      {kKeyOptionRTPlus | kKeyOptionRT | kKeyOptionExternalMask, primproc_rtplus_extmask},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    fixcoef record = surfaceKey();
    record.options = c.options;
    PrimPass pass;
    ASSERT_EQ(primcoef_begin(record, pass), 1);
    EXPECT_EQ(pass.kernel, c.expected);
    // Both keyer bits: the RTPlus kernel keys, so its keyer must be there.
    EXPECT_EQ(pass.rtPlus.has_value(), (c.options & kKeyOptionRTPlus) != 0);
    EXPECT_EQ(pass.rt.has_value(), (c.options & kKeyOptionRT) != 0);
  }
}

TEST(KeyPipeline, ToleranceIsSwitchedOnByTheGrainLevel) {
  const struct {
    std::int32_t grainLevel;
    float amount;
    float tolerance;
    std::int32_t toleranceInt;
    float tolerance8;
    std::int32_t tolerance8Int;
  } cases[] = {{0, 0.01f, 1.0f, 1, 1.0f, 1},
               {2, 0.01f, 65535.0f * 0.01f + 1.0f, 656, 255.0f * 0.01f + 1.0f, 3},
               {1, 0.0f, 1.0f, 1, 1.0f, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.grainLevel);
    fixcoef record = surfaceKey();
    record.grainLevel = c.grainLevel;
    record.toleranceAmount = c.amount;
    PrimPass pass;
    ASSERT_EQ(primcoef_begin(record, pass), 1);
    EXPECT_EQ(record.tolerance, c.tolerance);
    EXPECT_EQ(record.toleranceInt, c.toleranceInt);
    EXPECT_EQ(record.tolerance8, c.tolerance8);
    EXPECT_EQ(record.tolerance8Int, c.tolerance8Int);
    EXPECT_EQ(record.backingCopy, record.backing);
  }
}

// Single- and two-surface keys build their planes from the middle radii: keying with the bit equals keying a
// record whose tables were copied that way.
TEST(KeyPipeline, SingleAndTwoSurfaceModesReuseTheMiddleRadii) {
  const int w = 64, h = 16;
  const std::vector<pixeli> fg = greenFrame(w, h, 1);
  fixcoef single = surfaceKey(kKeyOptionSingleSurface), singleCopied = surfaceKey();
  singleCopied.radii[kInnerSurface] = singleCopied.radii[kMiddleSurface];
  singleCopied.radii[kOuterSurface] = singleCopied.radii[kMiddleSurface];
  EXPECT_EQ(runPass(single, fg, w, h).out, runPass(singleCopied, fg, w, h).out);

  fixcoef two = surfaceKey(kKeyOptionTwoSurface), twoCopied = surfaceKey();
  twoCopied.radii[kOuterSurface] = twoCopied.radii[kMiddleSurface];
  EXPECT_EQ(runPass(two, fg, w, h).out, runPass(twoCopied, fg, w, h).out);
  EXPECT_NE(runPass(two, fg, w, h).out, runPass(surfaceKey(), fg, w, h).out);
}

TEST(KeyPipeline, PassThroughCopiesTheFrameOpaque) {
  const int w = 20, h = 10;
  const std::vector<pixeli> fg = greenFrame(w, h, 2);
  const std::vector<pixeli> mask(fg.size(), px(0, 65535, 0));
  const Keyed keyed = runPass(surfaceKey(kKeyOptionPassThrough | kKeyOptionExternalMask), fg, w, h, &mask);
  ASSERT_EQ(keyed.status, PrimStatus::ok);
  for (std::size_t i = 0; i < fg.size(); ++i) EXPECT_EQ(keyed.out[i], px(fg[i].r, fg[i].g, fg[i].b, 65535));
}

// Stages with nothing to do (grain removal whose box is narrower than a pixel, a grid density of 0, a grain level
// of 0, a shape-mask stage without shapes) key exactly as the record without them; the option word comes back as
// it was.
TEST(KeyPipeline, StagesWithNothingToDoLeaveTheKeyAsItWas) {
  const int w = 24, h = 12;
  const std::vector<pixeli> fg = greenFrame(w, h, 3);
  const std::vector<pixeli> plain = runPass(surfaceKey(), fg, w, h).out;
  const struct {
    const char* what;
    std::uint32_t options;
    std::int32_t grainLevel;
    std::int32_t gridDensity;
  } cases[] = {
      {"grain removal on a frame too narrow for its box", kKeyOptionGrainRemoval, 2, 12},
      {"simulated backing at density 0", kKeyOptionSimulatedBacking, 0, 0},
      {"grain removal at level 0", kKeyOptionGrainRemoval, 0, 12},
      {"shape mask without shapes", kKeyOptionShapeMask, 0, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fixcoef record = surfaceKey(c.options | kKeyOptionExternalMask);
    record.grainLevel = c.grainLevel;
    record.gridDensity = c.gridDensity;
    const std::uint32_t before = record.options;
    const Keyed keyed = runPass(record, fg, w, h);
    EXPECT_EQ(keyed.status, PrimStatus::ok);
    EXPECT_EQ(keyed.optionsAfter, before);
    EXPECT_EQ(keyed.out, plain);
  }
}

TEST(KeyPipeline, RefusedOrFinishedRecordKeysNothing) {
  const int w = 8, h = 8;
  const std::vector<pixeli> fg = greenFrame(w, h, 4);
  std::vector<pixeli> out(fg.size());

  fixcoef garbled = surfaceKey();
  garbled.radii[kOuterSurface][3] = std::numeric_limits<float>::quiet_NaN();
  PrimPass pass;
  EXPECT_EQ(primcoef_begin(garbled, pass), 0);
  EXPECT_EQ(doPrimProc(fg.data(), out.data(), nullptr, nullptr, w, h, garbled, nullptr, pass),
            PrimStatus::recordNotPrepared);

  fixcoef record = rtKey(kKeyOptionRT);
  ASSERT_EQ(primcoef_begin(record, pass), 1);
  EXPECT_EQ(doPrimProc(fg.data(), out.data(), nullptr, nullptr, w, h, record, nullptr, pass), PrimStatus::ok);
  EXPECT_EQ(primcoef_finish(record, pass), 1);
  EXPECT_EQ(doPrimProc(fg.data(), out.data(), nullptr, nullptr, w, h, record, nullptr, pass),
            PrimStatus::recordNotPrepared);
  EXPECT_EQ(doPrimProc(nullptr, out.data(), nullptr, nullptr, w, h, record, nullptr, pass), PrimStatus::badArguments);
}

// Splitting the kernel and the composite over workers must not change a single byte: a seam between two runs would
// show as a line in a print.
TEST(KeyPipeline, WorkersGiveTheSameBytesAsOneThread) {
  const int w = 97, h = 61;  // sizes that do not divide evenly
  const std::vector<pixeli> fg = greenFrame(w, h, 5);
  std::vector<pixeli> mask(fg.size());
  for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = px(0, static_cast<int>(i * 2654435761u % 65536), 0);
  const std::vector<pixeli> background = greenFrame(w, h, 6);
  const fixcoef records[] = {surfaceKey(kKeyOptionExternalMask), rtKey(kKeyOptionRT | kKeyOptionExternalMask),
                             rtKey(kKeyOptionRTPlus)};
  for (const fixcoef& record : records) {
    SCOPED_TRACE(record.options);
    std::vector<pixeli> single, singleComposite(fg.size()), singleMatte(fg.size());
    {
      const WorkerCount workers(1);
      single = runPass(record, fg, w, h, &mask).out;
      ASSERT_EQ(doComposite(single.data(), background.data(), singleComposite.data(), singleMatte.data(), w, h,
                            keyedColoursOf(record)),
                PrimStatus::ok);
    }
    for (int count : {2, 3, 8}) {
      SCOPED_TRACE(count);
      const WorkerCount workers(count);
      const Keyed keyed = runPass(record, fg, w, h, &mask);
      EXPECT_EQ(keyed.out, single);
      std::vector<pixeli> composite(fg.size()), matte(fg.size());
      ASSERT_EQ(doComposite(keyed.out.data(), background.data(), composite.data(), matte.data(), w, h,
                            keyedColoursOf(record)),
                PrimStatus::ok);
      EXPECT_EQ(composite, singleComposite);
      EXPECT_EQ(matte, singleMatte);
    }
  }
}

// Passes keep their state to themselves: two records keyed at once on two threads give what each gives alone.
TEST(KeyPipeline, PassesOnTwoThreadsDoNotDisturbEachOther) {
  const int w = 64, h = 48;
  const std::vector<pixeli> fg = greenFrame(w, h, 7);
  fixcoef blue = rtKey(kKeyOptionRT);
  blue.backing = {5000, 15000, 50000};
  const fixcoef records[2] = {rtKey(kKeyOptionRT), blue};
  std::vector<pixeli> alone[2] = {runPass(records[0], fg, w, h).out, runPass(records[1], fg, w, h).out};
  ASSERT_NE(alone[0], alone[1]);

  std::vector<pixeli> together[2];
  auto keyRepeatedly = [&](int which) {
    for (int round = 0; round < 20; ++round) {
      together[which] = runPass(records[which], fg, w, h).out;
      if (together[which] != alone[which]) return;
    }
  };
  std::thread first(keyRepeatedly, 0), second(keyRepeatedly, 1);
  first.join();
  second.join();
  EXPECT_EQ(together[0], alone[0]);
  EXPECT_EQ(together[1], alone[1]);
}

// Maps arrive zero-filled, small or large (the large ones are mappings of their own), and an impossible size is
// an empty map rather than an exception or a short buffer.
TEST(PixelMap, ZeroFilledAndEmptyWhenImpossible) {
  for (std::size_t count : {std::size_t{3}, std::size_t{1} << 18}) {
    SCOPED_TRACE(count);
    PixelMap map(count);
    ASSERT_FALSE(map.empty());
    EXPECT_EQ(map.size(), count);
    EXPECT_EQ(map[0], px(0, 0, 0, 0));
    EXPECT_EQ(map[count - 1], px(0, 0, 0, 0));
    map[count - 1] = px(1, 2, 3, 4);
    PixelMap moved = std::move(map);
    EXPECT_EQ(moved[count - 1], px(1, 2, 3, 4));
  }
  EXPECT_TRUE(PixelMap(std::numeric_limits<std::size_t>::max() / 4).empty());
  EXPECT_TRUE(PixelMap(0).empty());
}

TEST(Composite, EachAlphaTakesItsRule) {
  const pixeli background = px(1000, 50000, 65535, 4321);
  const struct {
    pixeli keyed;
    pixeli composite;
    std::uint16_t matte;
  } cases[] = {
      {px(9, 9, 9, 0), background, 0},
      {px(60000, 100, 7, 65535), px(60000, 100, 7, 65535), 65535},
      {px(60000, 100, 7, 1), px(1000, 49999, 65534, 555), 1},  // nearly the background, truncated
      {px(60000, 100, 7, 32768), px(30500, 25049, 32770, 555), 32768},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keyed.a);
    pixeli composite = px(0, 0, 0, 555), matte = px(0, 0, 0, 777);
    ASSERT_EQ(doComposite(&c.keyed, &background, &composite, &matte, 1, 1), PrimStatus::ok);
    EXPECT_EQ(composite, c.composite);
    EXPECT_EQ(matte, px(c.matte, c.matte, c.matte, 777));  // the matte's alpha is never written
  }
}

// The RT keyers leave a·F + (1 − a)·Q. Over a new background N the composite must be a·F + (1 − a)·N: the
// replacement colour's share taken out and the background's put in, not the colour weighted by a once more.
TEST(Composite, PremultipliedColoursTakeTheBackgroundInOnce) {
  const pixeli background = px(0, 20000, 65535, 4321);
  const std::array<std::uint16_t, 3> replacement{1000, 2000, 3000};
  const KeyedColours colours{true, replacement};
  const struct {
    double alpha;
    std::array<double, 3> subject;
  } cases[] = {{0.5, {65535, 65535, 65535}}, {0.25, {60000, 100, 7}}, {0.9, {0, 0, 0}}, {1.0 / 65535, {9, 9, 9}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alpha);
    const auto a = static_cast<std::uint16_t>(std::lround(c.alpha * 65535));
    const double f = a / 65535.0;
    pixeli keyed = px(0, 0, 0, a);
    std::uint16_t* channels[3] = {&keyed.r, &keyed.g, &keyed.b};
    const std::uint16_t under[3] = {background.r, background.g, background.b};
    for (int ch = 0; ch < 3; ++ch)
      *channels[ch] = static_cast<std::uint16_t>(std::lround(f * c.subject[ch] + (1 - f) * replacement[ch]));
    pixeli composite = px(0, 0, 0, 555), matte{};
    ASSERT_EQ(doComposite(&keyed, &background, &composite, &matte, 1, 1, colours), PrimStatus::ok);
    const std::uint16_t got[3] = {composite.r, composite.g, composite.b};
    for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(got[ch], f * c.subject[ch] + (1 - f) * under[ch], 2.0) << ch;
    EXPECT_EQ(composite.a, 555);
  }
  // Fully opaque and fully clear pixels are copied whatever the colours are.
  pixeli composite{}, matte{};
  const pixeli opaque = px(1, 2, 3, 65535), clear = px(1, 2, 3, 0);
  ASSERT_EQ(doComposite(&opaque, &background, &composite, &matte, 1, 1, colours), PrimStatus::ok);
  EXPECT_EQ(composite, opaque);
  ASSERT_EQ(doComposite(&clear, &background, &composite, &matte, 1, 1, colours), PrimStatus::ok);
  EXPECT_EQ(composite, background);
  // A keyed (0, 0, 0) at partial alpha follows the same rule as any other colour: it is what the keyer made of
  // the pixel, not a transparent pixel in disguise (a softened matte has a composite of its own).
  const pixeli black = px(0, 0, 0, 16384);
  ASSERT_EQ(doComposite(&black, &background, &composite, &matte, 1, 1, colours), PrimStatus::ok);
  const float rest = 1.0f - 16384.0f * 1.5259022e-5f;
  EXPECT_EQ(composite.r, 0);  // (0 − 1000)·rest is below 0
  EXPECT_EQ(composite.g, static_cast<std::uint16_t>((20000.0f - 2000.0f) * rest));
  EXPECT_EQ(composite.b, static_cast<std::uint16_t>((65535.0f - 3000.0f) * rest));
}

TEST(Composite, OnlyTheRTKeyersLeavePremultipliedColours) {
  const struct {
    std::uint32_t options;
    bool premultiplied;
  } cases[] = {{kKeyOptionNoReplacement | kKeyOptionFloatKernels, false},
               {kKeyOptionNoReplacement, false},
               {kKeyOptionRT | kKeyOptionNoReplacement, true},
               {kKeyOptionRTPlus | kKeyOptionExternalMask, true},
               {kKeyOptionRT | kKeyOptionRTPlus, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    fixcoef record;
    record.options = c.options;
    record.replacement = {7, 8, 9};
    const KeyedColours colours = keyedColoursOf(record);
    EXPECT_EQ(colours.premultiplied, c.premultiplied);
    EXPECT_EQ(colours.replacement, record.replacement);
  }
}

TEST(Composite, EmptyFrameWritesNothing) {
  const pixeli keyed = px(1, 2, 3, 65535), background = px(4, 5, 6, 7);
  pixeli composite = px(9, 9, 9, 9), matte = px(8, 8, 8, 8);
  EXPECT_EQ(doComposite(&keyed, &background, &composite, &matte, 0, 5), PrimStatus::ok);
  EXPECT_EQ(doComposite(&keyed, &background, &composite, &matte, 5, 0), PrimStatus::ok);
  EXPECT_EQ(composite, px(9, 9, 9, 9));
  EXPECT_EQ(matte, px(8, 8, 8, 8));
}

}  // namespace
}  // namespace vorl
