// Colour correction tables, sepia curves, old-time printing and greyscale, against worked values.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "imaging/color/color_tables.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/message_recorder.h"

namespace vorl::test {
namespace {

myImageColorAdjustInfo settings(int red, int green, int blue, int dark, int light, int gamma) {
  myImageColorAdjustInfo s;
  s.red = static_cast<std::int16_t>(red);
  s.green = static_cast<std::int16_t>(green);
  s.blue = static_cast<std::int16_t>(blue);
  s.dark = static_cast<std::int16_t>(dark);
  s.light = static_cast<std::int16_t>(light);
  s.gamma = static_cast<std::int16_t>(gamma);
  return s;
}

TEST(ColorTables, CorrectedBytesMatchTheWorkedExamples) {
  const struct {
    const char* what;
    myImageColorAdjustInfo s;
    int channel, in, out;
  } cases[] = {
      {"red 32 lifts 128", settings(32, 0, 0, 0, 0, 0), 0, 128, 160},
      {"red 32 clamps 255 (319)", settings(32, 0, 0, 0, 0, 0), 0, 255, 255},
      {"red 32 leaves green", settings(32, 0, 0, 0, 0, 0), 1, 128, 128},
      {"dark 10 clamps 0 (-20)", settings(0, 0, 0, 10, 0, 0), 2, 0, 0},
      {"dark 10 keeps white", settings(0, 0, 0, 10, 0, 0), 2, 255, 255},
      {"gamma 32 squares", settings(0, 0, 0, 0, 0, 32), 1, 128, 64},
      {"gamma -32 takes the root", settings(0, 0, 0, 0, 0, -32), 1, 64, 128},
      {"light 5 lifts the white end", settings(0, 0, 0, 0, 5, 0), 0, 200, 208},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(makeColorAdjustLUT(c.s)[static_cast<std::size_t>(c.channel * 256 + c.in)], c.out);
  }
  const auto identity = makeColorAdjustLUT(settings(0, 0, 0, 0, 0, 0));
  for (int x = 0; x < 256; ++x) EXPECT_EQ(identity[static_cast<std::size_t>(256 + x)], x);
}

TEST(ColorTables, CorrectionWritesColoursIntoTheDestinationAndKeepsItsAlpha) {
  OffscreenPtr source = makeOffscreen(rectAt(3, 1, 3, 2));
  fillWith(*source, [](int, int) { return Pixel{1, 128, 128, 128}; });
  OffscreenPtr destination = makeOffscreen(rectAt(-4, 0, 3, 2));
  fillWith(*destination, [](int, int) { return Pixel{200, 0, 0, 0}; });
  ASSERT_TRUE(ApplyColorSettingsToOffscreen(source.get(), settings(32, 0, 0, 0, 0, 0), destination.get()));
  EXPECT_EQ(pixelAt(*destination, -2, 1), (Pixel{200, 160, 128, 128}));
  EXPECT_EQ(pixelAt(*source, 5, 2), (Pixel{1, 128, 128, 128}));

  // All zero: the destination receives the source as it is.
  ASSERT_TRUE(ApplyColorSettingsToOffscreen(source.get(), settings(0, 0, 0, 0, 0, 0), destination.get()));
  EXPECT_EQ(pixelAt(*destination, -4, 0), (Pixel{1, 128, 128, 128}));

  // Out of range, or sizes that differ: refused and nothing touched.
  fillWith(*destination, [](int, int) { return Pixel{200, 0, 0, 0}; });
  EXPECT_FALSE(ApplyColorSettingsToOffscreen(source.get(), settings(33, 0, 0, 0, 0, 0), destination.get()));
  OffscreenPtr smaller = makeOffscreen(rectAt(0, 0, 2, 2));
  EXPECT_FALSE(ApplyColorSettingsToOffscreen(source.get(), settings(1, 0, 0, 0, 0, 0), smaller.get()));
  EXPECT_EQ(pixelAt(*destination, -4, 0), (Pixel{200, 0, 0, 0}));
}

TEST(ColorTables, StoredRecordGivesTheFirstWordOfRecordsOneToFiveAndSeven) {
  myUpdColorAdjustInfo record{};
  record.values[0].words[0] = 32;   // red
  record.values[5].words[0] = 30;   // sharpness: not a colour value
  record.values[6].words[0] = -32;  // gamma
  OffscreenPtr o = makeOffscreen(rectAt(0, 0, 1, 1));
  setPixel(*o, 0, 0, {0, 64, 64, 64});
  ASSERT_TRUE(ApplyColorSettingsToOffscreen(o.get(), record, o.get()));
  // gamma −32 takes 64 to 128 in green and blue; red's table also lifts the white end by 64.
  const Pixel p = pixelAt(*o, 0, 0);
  EXPECT_EQ(p[2], 128);
  EXPECT_EQ(p[3], 128);
  EXPECT_EQ(p[1], makeColorAdjustLUT(settings(32, 0, 0, 0, 0, -32))[64]);
}

TEST(ColorTables, PackedBufferIsCorrectedOrRefusedWhole) {
  Handle handle = NewHandle(6);
  auto* bytes = reinterpret_cast<std::uint8_t*>(*handle);
  for (int i = 0; i < 6; ++i) bytes[i] = 128;
  EXPECT_EQ(upd2500ColorAdjustRGBHandle(handle, 32, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(std::vector<int>(bytes, bytes + 6), (std::vector<int>{160, 128, 128, 160, 128, 128}));
  EXPECT_EQ(upd2500ColorAdjustRGBHandle(handle, 0, 0, 0, 0, 0, 40), -1);
  EXPECT_EQ(bytes[0], 160);
  DisposeHandle(handle);
  Handle odd = NewHandle(4);
  EXPECT_EQ(upd2500ColorAdjustRGBHandle(odd, 1, 0, 0, 0, 0, 0), -1);
  DisposeHandle(odd);
}

TEST(Greyscale, WeightsAndTheirSummingOrder) {
  const struct {
    int r, g, b, grey;
  } cases[] = {{255, 0, 0, 76}, {0, 255, 0, 150}, {0, 0, 255, 28}, {255, 255, 255, 255}, {10, 20, 30, 18}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
    std::uint8_t grey = 0;
    ASSERT_EQ(convertToGrayScaleByte(static_cast<std::uint8_t>(c.r), static_cast<std::uint8_t>(c.g),
                                     static_cast<std::uint8_t>(c.b), &grey),
              0);
    EXPECT_EQ(grey, c.grey);
  }
  // The red, blue, green order and the red, green, blue order of the mask luminance differ for some colours;
  // the whole-offscreen pass must give exactly the byte function's grey for every one of them.
  OffscreenPtr o = makeOffscreen(rectAt(1, 1, 61, 67));
  fillRandom(*o, 99);
  std::vector<Pixel> before;
  for (int y = 1; y < 68; ++y)
    for (int x = 1; x < 62; ++x) before.push_back(pixelAt(*o, x, y));
  ASSERT_EQ(doGrayScaleTheImageInGWorld(o.get()), 0);
  std::size_t i = 0;
  for (int y = 1; y < 68; ++y)
    for (int x = 1; x < 62; ++x, ++i) {
      std::uint8_t grey = 0;
      convertToGrayScaleByte(before[i][1], before[i][2], before[i][3], &grey);
      ASSERT_EQ(pixelAt(*o, x, y), (Pixel{before[i][0], grey, grey, grey})) << x << "," << y;
    }
  MessageRecorder messages;
  EXPECT_EQ(doGrayScaleTheImageInGWorld(nullptr), -1);
}

TEST(Sepia, CurvesTonesAndRefusals) {
  OffscreenPtr o = makeOffscreen(rectAt(0, 0, 2, 1));
  fillWith(*o, [](int, int) { return Pixel{3, 128, 128, 128}; });
  ASSERT_TRUE(ConvertOffscreenToSepia(o.get(), settings(50, 0, -50, 0, 0, 0), o.get()));
  // red: exponent 1 / 1.5, 128 → 161; green: exponent 1, 128 stays; blue: exponent 1.5, 128 → 91.
  EXPECT_EQ(pixelAt(*o, 1, 0), (Pixel{3, 161, 128, 91}));

  fillWith(*o, [](int, int) { return Pixel{3, 128, 128, 128}; });
  EXPECT_FALSE(ConvertOffscreenToSepia(o.get(), settings(100, 0, 0, 0, 0, 0), o.get()));
  EXPECT_EQ(pixelAt(*o, 0, 0), (Pixel{3, 128, 128, 128}));

  MessageRecorder messages;
  OffscreenPtr destination = makeOffscreen(rectAt(0, 0, 2, 1));
  ASSERT_TRUE(ConvertOffscreenToSepia(o.get(), settings(0, 0, 0, 0, 0, 0), destination.get()));
  EXPECT_EQ(pixelAt(*destination, 0, 0), (Pixel{3, 128, 128, 128}));
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_NE(messages.messages()[0].find("ConvertOffscreenToSepia did NOTHING"), std::string::npos);
}

TEST(Sepia, OldTimePrintTonesGreyAndBlendsColourBackByPercent) {
  tOldTimePhotoPrefs oldTime{};
  oldTime.tones = settings(50, 0, -50, 0, 0, 0);
  const struct {
    std::int16_t printerType;
    int percent;
    Pixel expected;
  } cases[] = {
      {99, 0, {4, 160, 127, 89}},     // grey 127 (of 100, 128, 200), toned with the job's tones
      {98, 100, {4, 100, 128, 200}},  // mask level 0: all colour
      {98, 0, {4, 160, 127, 89}},     // mask level 100: all toned
      {98, 50, {4, 130, 128, 145}},   // (colour · 128 + toned · 127 + 127) / 255
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.printerType << " at " << c.percent << "%");
    oldTime.percent = static_cast<std::int16_t>(c.percent);
    OffscreenPtr source = makeOffscreen(rectAt(0, 0, 3, 2));
    fillWith(*source, [](int, int) { return Pixel{4, 100, 128, 200}; });
    OffscreenPtr destination = makeOffscreen(rectAt(0, 0, 3, 2));
    ASSERT_TRUE(ConvertOffscreenToSepiaSpooler(source.get(), settings(50, 0, -50, 0, 0, 0), destination.get(),
                                               c.printerType, oldTime));
    EXPECT_EQ(pixelAt(*destination, 2, 1), c.expected);
    EXPECT_EQ(pixelAt(*source, 2, 1), (Pixel{4, 100, 128, 200}));  // a separate source is left alone
  }
}

// Tones the sepia step refuses leave the page grey; the old-time print still blends the colour original back over
// it by the percentage, as it always printed, and the page counts as done.
TEST(Sepia, OldTimePrintWithRefusedTonesStillBlendsTheColourBack) {
  const Pixel colours[] = {{4, 100, 128, 200}, {0, 255, 0, 0}, {9, 10, 240, 30}};
  auto colourAt = [&](int x) { return colours[x % 3]; };
  // The grey of a colour and the mask's level for a percentage, worked out here in the precisions of the print.
  auto greyOf = [](const Pixel& p) { return static_cast<int>(0.3f * p[1] + 0.11f * p[3] + 0.59f * p[2]); };
  auto maskLevel = [](int percent) {
    return static_cast<int>(std::trunc(255.0 * (static_cast<float>(100 - percent) / 100.0f)));
  };
  const struct {
    const char* what;
    myImageColorAdjustInfo tones;
    std::int16_t printerType;
    int percent;
    bool inPlace;
  } cases[] = {
      {"red tone 100", settings(100, 0, 0, 0, 0, 0), 98, 50, false},
      {"red tone 100, in place", settings(100, 0, 0, 0, 0, 0), 98, 50, true},
      {"blue tone -120, 30 %", settings(0, 0, -120, 0, 0, 0), 98, 30, true},
      {"green tone 1000, 75 %", settings(0, 1000, 0, 0, 0, 0), 98, 75, false},
      {"refused tones, no colour back", settings(100, 0, 0, 0, 0, 0), 98, 0, true},
      {"refused tones, all colour back", settings(100, 0, 0, 0, 0, 0), 98, 100, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    tOldTimePhotoPrefs oldTime{};
    oldTime.tones = c.tones;
    oldTime.percent = static_cast<std::int16_t>(c.percent);
    OffscreenPtr source = makeOffscreen(rectAt(2, 3, 5, 2));
    fillWith(*source, [&](int x, int) { return colourAt(x); });
    OffscreenPtr separate = c.inPlace ? nullptr : makeOffscreen(rectAt(0, 0, 5, 2));
    Offscreen* destination = c.inPlace ? source.get() : separate.get();
    EXPECT_TRUE(
        ConvertOffscreenToSepiaSpooler(source.get(), settings(0, 0, 0, 0, 0, 0), destination, c.printerType, oldTime));
    const int m = maskLevel(c.percent);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 5; ++x) {
        const Pixel colour = colourAt(x + 2);
        const int grey = greyOf(colour);
        Pixel want{colour[0], 0, 0, 0};
        for (int ch = 1; ch <= 3; ++ch)
          want[ch] = static_cast<std::uint8_t>((colour[ch] * (255 - m) + grey * m + 127) / 255);
        const Rect port = destination->portRect();
        ASSERT_EQ(pixelAt(*destination, port.left + x, port.top + y), want) << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace vorl::test
