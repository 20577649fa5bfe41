// The keying bridge: offscreens in, composite or matte out. Small offscreens with keys whose answer is known
// (no key at all, a key that covers every colour), junk and exclusion masks written into an image's sidecar, and
// the failures that must end in a message and a false result without leaking an offscreen.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "chromakey/bridge/duzevive_manager.h"
#include "chromakey/bridge/final_composite.h"
#include "chromakey/bridge/keying_bridge.h"
#include "chromakey/engine/key_defaults.h"
#include "imaging/image_files/image_settings_resources.h"
#include "imaging/filters/junk_masks.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "tests/chromakey/key_fixtures.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/keyed_archive_writer.h"
#include "tests/support/message_recorder.h"

namespace vorl::test {
namespace {

namespace fs = std::filesystem;

constexpr int kW = 24, kH = 16;

// A key that leaves every colour away from its black backing as it is.
tChromaKeySettings noKey() {
  tChromaKeySettings s{};
  s.coefficients = sphericalKey({0, 0, 0}, 0, 0, 0, kKeyOptionFloatKernels);
  return s;
}

// A key whose inner surface holds every colour: everything is backing.
tChromaKeySettings coverAll() {
  tChromaKeySettings s{};
  s.coefficients = sphericalKey({32768, 32768, 32768}, 200000, 300000, 400000, kKeyOptionFloatKernels);
  return s;
}

// Photographs with no near-black pixel, so the black backing of `noKey` keys none of them.
OffscreenPtr photo(std::uint32_t seed, int w = kW, int h = kH) {
  OffscreenPtr o = makeOffscreen(rectAt(0, 0, w, h));
  fillRandom(*o, seed);
  fillWith(*o, [&](int x, int y) {
    Pixel p = pixelAt(*o, x, y);
    for (int c = 1; c < 4; ++c) p[c] = static_cast<std::uint8_t>(32 + p[c] % 200);
    p[0] = 0;
    return p;
  });
  return o;
}

OffscreenPtr copyOf(const Offscreen& o) { return OffscreenPtr{myDuplicateGWorld(const_cast<Offscreen*>(&o))}; }

FSSpec specOf(const fs::path& file) {
  FSSpec spec{};
  EXPECT_EQ(FSMakeFSSpecFromPath(file, spec), noErr);
  return spec;
}

fs::path plainImage(const char* prefix) {
  const fs::path file = makeTempFolder(prefix) / "shot.tif";
  std::ofstream(file) << "pixels";
  return file;
}

struct Keying {
  bool keyed = false;
  OffscreenPtr output;
};

// Keys copies of `fg` and `bg` into a fresh output.
Keying key(const Offscreen& fg, const Offscreen& bg, const tChromaKeySettings& settings, MatteEdgeSettings edge = {},
        bool makeMask = false, bool junk = false, const fs::path& image = {}, std::int16_t rotation = 0) {
  Keying run;
  run.output = makeOffscreen(fg.portRect());
  const fs::path file = image.empty() ? plainImage("bridge") : image;
  OffscreenPtr frame = copyOf(fg);
  run.keyed = doNewChromaKeyingEx(copyOf(fg), copyOf(bg), run.output.get(), &settings, edge, makeMask, junk,
                                  frame.get(), fg.portRect(), fg.portRect(), rotation, specOf(file));
  return run;
}

Pixel opaque(Pixel p) {
  p[0] = 0;
  return p;
}

TEST(KeyingBridge, ConvertsOffscreenPixelsByShiftingEachByte) {
  OffscreenPtr o = makeOffscreen(rectAt(3, 5, 2, 1));
  setPixel(*o, 3, 5, Pixel{0x12, 0xAB, 0xCD, 0xEF});
  setPixel(*o, 4, 5, Pixel{0xFF, 0x00, 0x01, 0xFF});
  TDuzeviveMgr manager;
  manager.SetImageSizeX(2);
  manager.SetImageSizeY(1);
  pixeli map[2];
  ASSERT_EQ(manager.ConvertGWorldToPIXELMap(o.get(), map), 0);
  EXPECT_EQ(map[0], px(0xAB00, 0xCD00, 0xEF00, 0x1200));
  EXPECT_EQ(map[1], px(0x0000, 0x0100, 0xFF00, 0xFF00));
  map[0].r = 0xABFF;  // the low byte is dropped on the way back
  ASSERT_EQ(manager.ConvertPIXELMapToGWorld(o.get(), map), 0);
  EXPECT_EQ(pixelAt(*o, 3, 5), (Pixel{0x00, 0xAB, 0xCD, 0xEF}));
  EXPECT_EQ(pixelAt(*o, 4, 5), (Pixel{0x00, 0x00, 0x01, 0xFF}));

  MessageRecorder messages;
  EXPECT_EQ(manager.ConvertGWorldToPIXELMap(o.get(), nullptr), -1);
  EXPECT_EQ(manager.ConvertGWorldToPIXELMap(nullptr, map), -1);
  EXPECT_EQ(messages.messages().size(), 2u);
  manager.SetImageSizeX(3);  // an offscreen that is not the key's size is never walked
  EXPECT_EQ(manager.ConvertGWorldToPIXELMap(o.get(), map), -1);
}

TEST(KeyingBridge, NoKeyGivesThePhotographAndCoverAllTheBackground) {
  OffscreenPtr fg = photo(1), bg = photo(2);
  for (const std::int16_t defocus : {0, 1, 3, 50}) {
    SCOPED_TRACE(defocus);
    const MatteEdgeSettings edge{defocus, 0, 0.0f};
    const Keying kept = key(*fg, *bg, noKey(), edge, true);
    const Keying replaced = key(*fg, *bg, coverAll(), edge, true);
    ASSERT_TRUE(kept.keyed);
    ASSERT_TRUE(replaced.keyed);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        Pixel f = opaque(pixelAt(*fg, x, y)), b = opaque(pixelAt(*bg, x, y));
        f[0] = 255;  // the matte: the whole photograph is foreground
        ASSERT_EQ(pixelAt(*kept.output, x, y), f) << x << "," << y;
        // A blurred matte of nothing but background stays nothing: the background comes through exactly.
        ASSERT_EQ(pixelAt(*replaced.output, x, y), b) << x << "," << y;
      }
  }
}

TEST(KeyingBridge, MatteEdgeSettingsOutOfRangeAreReportedAndReplaced) {
  OffscreenPtr fg = photo(3), bg = photo(4);
  const struct {
    MatteEdgeSettings edge;
    const char* message;  // null: accepted silently
  } cases[] = {
      {{50, 0, 0.0f}, nullptr},
      {{51, 0, 0.0f}, "fDefocusValue is out of range 51"},
      {{-1, 0, 0.0f}, "fDefocusValue is out of range -1"},
      {{0, 0, 1.0f}, nullptr},
      {{0, 0, 1.0001f}, "fShrinkValue is 1.000100"},
      {{0, 0, -0.5f}, "fShrinkValue is -0.500000"},
      {{0, 0, std::numeric_limits<float>::quiet_NaN()}, "fShrinkValue is nan"},
  };
  const Keying plain = key(*fg, *bg, noKey());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.edge.defocus);
    SCOPED_TRACE(c.edge.shrink);
    MessageRecorder messages;
    const Keying run = key(*fg, *bg, noKey(), c.edge);
    ASSERT_TRUE(run.keyed);
    if (c.message == nullptr) {
      EXPECT_TRUE(messages.messages().empty());
    } else {
      ASSERT_EQ(messages.messages().size(), 1u);
      EXPECT_EQ(messages.messages()[0], c.message);
      // Replaced by 0: the key is the one without any matte edge.
      EXPECT_EQ(pixelBytes(*run.output), pixelBytes(*plain.output));
    }
  }
  // Shrink 1.0 is accepted, and makes every alpha transparent: the background shows everywhere.
  const Keying wiped = key(*fg, *bg, noKey(), {0, 0, 1.0f});
  EXPECT_EQ(pixelAt(*wiped.output, 5, 5), opaque(pixelAt(*bg, 5, 5)));
}

// The junk mask's keep-region rides in the photograph's alpha byte: 255 keeps the photograph's colours in the
// composite and makes the matte white, whatever the key made of those pixels.
TEST(KeyingBridge, JunkKeepRegionKeepsThePhotographAndWhitensTheMatte) {
  OffscreenPtr fg = photo(5), bg = photo(6);
  fillWith(*fg, [&](int x, int y) {
    Pixel p = pixelAt(*fg, x, y);
    p[0] = x < kW / 2 ? 255 : (x == kW / 2 ? 128 : 0);
    return p;
  });
  for (const bool makeMask : {false, true}) {
    SCOPED_TRACE(makeMask);
    const Keying run = key(*fg, *bg, coverAll(), {}, makeMask, true);
    ASSERT_TRUE(run.keyed);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const Pixel out = pixelAt(*run.output, x, y);
        Pixel expected = opaque(x < kW / 2 ? pixelAt(*fg, x, y) : pixelAt(*bg, x, y));
        if (x == kW / 2) {
          // Half way: the blend of the two on the 8-bit scale, truncated.
          const Pixel f = pixelAt(*fg, x, y), b = pixelAt(*bg, x, y);
          const double a = initUInt8ToFloatTable()[128];
          for (int c = 1; c < 4; ++c)
            expected[c] = static_cast<std::uint8_t>(static_cast<float>((1.0 - a) * b[c] + a * f[c]));
        }
        if (makeMask) expected[0] = x < kW / 2 ? 255 : 0;
        ASSERT_EQ(out, expected) << x << "," << y;
      }
  }
}

TEST(KeyingBridge, FinalCompositeTakesTheForegroundExactlyAtFullAlpha) {
  const pixeli fg[3] = {px(0x1200, 0xFE00, 0x0100, 0xFF00), px(0x1200, 0xFE00, 0x0100, 0x0000),
                        px(0x1234, 0x5678, 0x9ABC, 0xFFFF)};
  const pixeli composite[3] = {px(0xAB00, 0x0000, 0xFF00), px(0xAB00, 0x0000, 0xFF00), px(0x0100, 0x0200, 0x0300)};
  pixeli out[3];
  EXPECT_EQ(doFinalComposite(fg, composite, out, 3, 1), 0);
  EXPECT_EQ(out[0], px(0x1200, 0xFE00, 0x0100, 0));
  EXPECT_EQ(out[1], px(0xAB00, 0x0000, 0xFF00, 0));
  EXPECT_EQ(out[2], px(0x1200, 0x5600, 0x9A00, 0));
  EXPECT_EQ(doFinalComposite(fg, composite, out, -1, 1), -1);
  EXPECT_EQ(doCompositeTest(fg, out, 1, -1), -1);
}

fs::path imageWithExclusion(const char* prefix, const std::string& rect) {
  const fs::path image = plainImage(prefix);
  ArchivedValue::Array shape{ArchivedValue::string("rectangle"), ArchivedValue::string(rect)};
  ArchivedValue::Array shapes{ArchivedValue::array(std::move(shape))};
  EXPECT_EQ(writeResource(image, kPrefResourceType, kExclusionMaskResourceID,
                          encodeKeyedArchive(ArchivedValue::array(std::move(shapes)))),
            noErr);
  return image;
}

// The exclusion mask is drawn black on white at twice its stored coordinates; white reaches the kernels as
// 65280 in the map's G channel, which leaves at most alpha 255 of 65535: the background shows, off by at most one
// level. Inside the black shape the key runs as it would without a mask.
TEST(KeyingBridge, ExclusionMaskExcludesTheWhiteOfTheMask) {
  OffscreenPtr fg = photo(7), bg = photo(8);
  // Stored at half size: the left half of the frame at scale 2.
  const fs::path image = imageWithExclusion("exclusion", "{{0, 0}, {6, 8}}");
  const Keying run = key(*fg, *bg, noKey(), {}, false, false, image);
  ASSERT_TRUE(run.keyed);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const Pixel out = pixelAt(*run.output, x, y);
      if (x < kW / 2) {
        ASSERT_EQ(out, opaque(pixelAt(*fg, x, y))) << x << "," << y;
      } else {
        const Pixel b = pixelAt(*bg, x, y);
        for (int c = 1; c < 4; ++c) ASSERT_LE(std::abs(out[c] - b[c]), 1) << x << "," << y;
      }
    }

  // Turned a quarter clockwise, the left half of a square frame lands on its top half.
  OffscreenPtr square = photo(9, 20, 20), squareBg = photo(10, 20, 20);
  const fs::path squareImage = imageWithExclusion("exclusion-turned", "{{0, 0}, {5, 10}}");
  const Keying turned = key(*square, *squareBg, noKey(), {}, false, false, squareImage, 90);
  ASSERT_TRUE(turned.keyed);
  EXPECT_EQ(pixelAt(*turned.output, 10, 2), opaque(pixelAt(*square, 10, 2)));
  EXPECT_NE(pixelAt(*turned.output, 10, 17), opaque(pixelAt(*square, 10, 17)));
}

// The two option bits the bridge owns: 0x10 always, 0x4 exactly when the image has an exclusion mask.
TEST(KeyingBridge, SetsTheOptionBitsItOwns) {
  OffscreenPtr fg = photo(11), bg = photo(12);
  const fs::path withMask = imageWithExclusion("bits", "{{0, 0}, {1, 1}}");
  const struct {
    std::uint32_t recordOptions;
    bool mask;
    std::uint32_t expected;
  } cases[] = {
      {kKeyOptionFloatKernels | kKeyOptionExternalMask, false, kKeyOptionFloatKernels | kKeyOptionNoReplacement},
      {kKeyOptionFloatKernels, true, kKeyOptionFloatKernels | kKeyOptionNoReplacement | kKeyOptionExternalMask},
      {kKeyOptionFloatKernels | kKeyOptionExternalMask, true,
       kKeyOptionFloatKernels | kKeyOptionNoReplacement | kKeyOptionExternalMask},
  };
  for (const auto& c : cases) {
    tChromaKeySettings settings = noKey();
    settings.coefficients.options = c.recordOptions;
    TDuzeviveMgr2 manager(MatteEdgeSettings{});
    manager.SetParameters(settings.coefficients);
    manager.SetFGGWorldPtr(copyOf(*fg));
    manager.SetBGGWorldPtr(copyOf(*bg));
    ASSERT_EQ(manager.InitializeNew(), kKeyingReady);
    OffscreenPtr out = makeOffscreen(fg->portRect());
    manager.SetOutGWorldPtr(out.get());
    manager.SetDoExclusionMask(specOf(c.mask ? withMask : plainImage("bits-none")), fg.get(), fg->portRect(),
                               fg->portRect(), 0, false, 2.0f);
    ASSERT_EQ(manager.DisplayImage(), PrimStatus::ok);
    EXPECT_EQ(manager.setup().slot0().options, c.expected);
  }
}

// Every way the key cannot be made ends in false and a message; the photograph and background are released
// whatever happened (the leak checker watches).
TEST(KeyingBridge, FailuresAnswerFalseWithAMessage) {
  OffscreenPtr fg = photo(13), bg = photo(14), small = photo(15, kW - 1, kH);
  OffscreenPtr out = makeOffscreen(fg->portRect());
  const FSSpec spec = specOf(plainImage("failures"));
  const tChromaKeySettings good = noKey();
  tChromaKeySettings refused = noKey();
  refused.coefficients.backing[1] = std::numeric_limits<float>::infinity();

  struct {
    const char* what;
    OffscreenPtr foreground;
    OffscreenPtr background;
    const tChromaKeySettings* settings;
    const char* message;
  } cases[] = {
      {"no foreground", nullptr, copyOf(*bg), &good, "Not enough memory availabe to do Chroma Keying!"},
      {"no background", copyOf(*fg), nullptr, &good, "Not enough memory availabe to do Chroma Keying!"},
      {"sizes differ", copyOf(*fg), copyOf(*small), &good,
       "Chroma keying needs the photo, its background and the output at one size."},
      {"no settings", copyOf(*fg), copyOf(*bg), nullptr, "Chroma keying needs its settings and an output picture."},
      {"record refused", copyOf(*fg), copyOf(*bg), &refused,
       "Chroma keying failed: keying record not prepared or refused."},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    MessageRecorder messages;
    EXPECT_FALSE(doNewChromaKeyingEx(std::move(c.foreground), std::move(c.background), out.get(), c.settings, {},
                                     true, false, fg.get(), fg->portRect(), fg->portRect(), 0, spec));
    ASSERT_FALSE(messages.messages().empty());
    EXPECT_EQ(messages.messages().back(), c.message);
  }
}

}  // namespace
}  // namespace vorl::test
