// The offscreen toolkit: making offscreens, copying, masks of a level, quarter and half turns, mirroring and the
// one-entry image cache. Ports away from the origin and odd widths (padded rows) throughout, so a loop that
// steps by the width or forgets the port's origin shows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "imaging/image_files/image_cache.h"
#include "imaging/parallel/job_pool.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/message_recorder.h"

namespace vorl::test {
namespace {

TEST(Offscreen, NewIsWhiteWithAlphaZeroAtItsOwnBoundsWithPaddedRows) {
  OffscreenPtr o = makeOffscreen(rectAt(-5, 7, 3, 2));
  EXPECT_EQ(o->portRect(), rectAt(-5, 7, 3, 2));
  EXPECT_EQ(o->rowBytes(), 64);
  EXPECT_EQ(o->rowBytes() % 64, 0);
  for (int y = 7; y < 9; ++y)
    for (int x = -5; x < -2; ++x) EXPECT_EQ(pixelAt(*o, x, y), (Pixel{0, 255, 255, 255}));
}

TEST(Offscreen, BoundsThatCannotBeMadeGiveTheMessageAndNull) {
  const Rect empty = rectAt(0, 0, 0, 5), inverted = makeRect(5, 0, 0, 5);
  const Rect tooWide = makeRect(0, -32768, 1, 32767);  // 65535 pixels: more than a 16-bit side holds
  const struct {
    const char* what;
    const Rect* bounds;
    std::int16_t depth;
  } cases[] = {{"null", nullptr, 32},
               {"empty", &empty, 32},
               {"inverted", &inverted, 32},
               {"wider than 32767", &tooWide, 32},
               {"depth 8", &empty, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MessageRecorder messages;
    EXPECT_EQ(myNewGWorld(c.bounds, c.depth), nullptr);
    EXPECT_TRUE(messages.showedOnly(4101, 10));
  }
  EXPECT_EQ(myDisposeGWorld(nullptr, true), nullptr);
}

TEST(OffscreenCopy, SourceCopyTakesWholePixelsAndTransparentSkipsWhite) {
  OffscreenPtr source = makeOffscreen(rectAt(10, 20, 3, 1));
  setPixel(*source, 10, 20, {9, 1, 2, 3});
  setPixel(*source, 11, 20, {8, 255, 255, 255});
  setPixel(*source, 12, 20, {7, 255, 255, 254});
  for (const auto& [mode, middle] :
       {std::pair{srcCopy, Pixel{8, 255, 255, 255}}, {transparent, Pixel{5, 50, 60, 70}}}) {
    SCOPED_TRACE(mode);
    OffscreenPtr destination = makeOffscreen(rectAt(-1, -1, 3, 1));
    fillWith(*destination, [](int, int) { return Pixel{5, 50, 60, 70}; });
    const Rect from = source->portRect(), to = destination->portRect();
    ASSERT_TRUE(myCopyBits(source.get(), destination.get(), &from, &to, mode, nullptr));
    EXPECT_EQ(pixelAt(*destination, -1, -1), (Pixel{9, 1, 2, 3}));
    EXPECT_EQ(pixelAt(*destination, 0, -1), middle);
    EXPECT_EQ(pixelAt(*destination, 1, -1), (Pixel{7, 255, 255, 254}));
  }
}

TEST(OffscreenCopy, StretchesByNearestNeighbourAndClipsToThePort) {
  OffscreenPtr source = makeOffscreen(rectAt(3, 4, 4, 4));
  fillCoordinates(*source);
  OffscreenPtr destination = makeOffscreen(rectAt(0, 0, 5, 5));
  const Rect from = source->portRect(), to = rectAt(-3, 0, 8, 8);  // 8 × 8, three columns left of the port
  ASSERT_TRUE(copyGWorldToGWorld(source.get(), destination.get(), &from, &to));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const int i = x + 3, j = y;  // positions inside the 8 × 8 rectangle
      EXPECT_EQ(pixelAt(*destination, x, y), coordinatePixel((2 * i + 1) * 4 / 16, (2 * j + 1) * 4 / 16))
          << x << "," << y;
    }
}

TEST(OffscreenCopy, CopyWithinOneOffscreenReadsEveryRowBeforeOverwritingIt) {
  OffscreenPtr o = makeOffscreen(rectAt(0, 0, 3, 6));
  fillCoordinates(*o);
  const Rect from = rectAt(0, 0, 3, 4), to = rectAt(0, 2, 3, 4);
  ASSERT_TRUE(copyGWorldToGWorld(o.get(), o.get(), &from, &to));
  for (int y = 2; y < 6; ++y) EXPECT_EQ(pixelAt(*o, 1, y), coordinatePixel(1, y - 2)) << y;
}

TEST(OffscreenCopy, DeepMaskBlendsEachChannelAndKeepsTheDestinationAlpha) {
  OffscreenPtr source = makeOffscreen(rectAt(0, 0, 3, 1));
  fillWith(*source, [](int, int) { return Pixel{1, 200, 100, 0}; });
  OffscreenPtr mask = makeOffscreen(rectAt(0, 0, 3, 1));
  setPixel(*mask, 0, 0, {0, 0, 0, 0});
  setPixel(*mask, 1, 0, {0, 255, 255, 255});
  setPixel(*mask, 2, 0, {0, 127, 0, 255});
  OffscreenPtr destination = makeOffscreen(rectAt(0, 0, 3, 1));
  fillWith(*destination, [](int, int) { return Pixel{9, 0, 50, 250}; });
  const Rect r = source->portRect();
  ASSERT_TRUE(myCopyDeepMask(source.get(), mask.get(), destination.get(), &r, &r, &r, srcCopy, nullptr));
  EXPECT_EQ(pixelAt(*destination, 0, 0), (Pixel{9, 200, 100, 0}));    // black: the source
  EXPECT_EQ(pixelAt(*destination, 1, 0), (Pixel{9, 0, 50, 250}));     // white: the destination
  EXPECT_EQ(pixelAt(*destination, 2, 0), (Pixel{9, 100, 100, 250}));  // (200·128 + 0·127 + 127) / 255 = 100
}

TEST(OffscreenCopy, MaskLevelBecomesGreyAndStaysWithinBlackAndWhite) {
  const struct {
    std::int16_t level;
    std::uint8_t grey;
  } cases[] = {{0, 0x00}, {50, 0x7F}, {100, 0xFF}, {101, 0xFF}, {-1, 0x00}, {33, 84}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    OffscreenPtr mask{myCreateMaskGWorld(rectAt(2, 3, 3, 2), c.level)};
    ASSERT_TRUE(mask);
    for (int y = 3; y < 5; ++y)
      for (int x = 2; x < 5; ++x) EXPECT_EQ(pixelAt(*mask, x, y), (Pixel{0, c.grey, c.grey, c.grey}));
  }
}

TEST(OffscreenCopy, DuplicateKeepsThePortAndEveryPixel) {
  OffscreenPtr o = makeOffscreen(rectAt(-3, 9, 5, 3));
  fillRandom(*o, 5);
  OffscreenPtr copy{myDuplicateGWorld(o.get())};
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->portRect(), o->portRect());
  EXPECT_EQ(pixelBytes(*copy), pixelBytes(*o));
  EXPECT_EQ(myDuplicateGWorld(nullptr), nullptr);
}

TEST(OffscreenRotate, QuarterTurnsPutEveryPixelWhereTheTurnSays) {
  // 70 × 37 holds whole 32 × 32 tiles and ragged edges; 5 × 3 only edges.
  for (const auto& [w, h] : {std::pair{5, 3}, {70, 37}})
    for (std::int16_t direction : {1, 2}) {
      SCOPED_TRACE(testing::Message() << w << "x" << h << " direction " << direction);
      OffscreenPtr source = makeOffscreen(rectAt(5, -4, w, h));
      fillCoordinates(*source);
      OffscreenPtr destination = makeOffscreen(rectAt(7, 7, h, w));
      ASSERT_TRUE(rotateImage90Degrees(direction, source.get(), destination.get()));
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          // 1 (counter-clockwise): (x, y) → (y, W − 1 − x); otherwise (H − 1 − y, x).
          const int dx = direction == 1 ? y : h - 1 - y, dy = direction == 1 ? w - 1 - x : x;
          ASSERT_EQ(pixelAt(*destination, 7 + dx, 7 + dy), coordinatePixel(x, y)) << x << "," << y;
        }
    }
}

TEST(OffscreenRotate, TwoByOneTurnsPutBAboveAOrAAboveB) {
  OffscreenPtr source = makeOffscreen(rectAt(0, 0, 2, 1));
  setPixel(*source, 0, 0, {0, 1, 1, 1});  // A
  setPixel(*source, 1, 0, {0, 2, 2, 2});  // B
  OffscreenPtr destination = makeOffscreen(rectAt(0, 0, 1, 2));
  ASSERT_TRUE(rotateImage90Degrees(1, source.get(), destination.get()));
  EXPECT_EQ(pixelAt(*destination, 0, 0)[1], 2);
  ASSERT_TRUE(rotateImage90Degrees(2, source.get(), destination.get()));
  EXPECT_EQ(pixelAt(*destination, 0, 0)[1], 1);
}

TEST(OffscreenRotate, WrongSizedDestinationIsRefusedAndLeftAlone) {
  OffscreenPtr source = makeOffscreen(rectAt(0, 0, 4, 3));
  fillCoordinates(*source);
  OffscreenPtr destination = makeOffscreen(rectAt(0, 0, 4, 3));
  MessageRecorder messages;
  EXPECT_FALSE(rotateImage90Degrees(2, source.get(), destination.get()));
  EXPECT_TRUE(messages.showedOnly(4101, 19));
  EXPECT_EQ(pixelAt(*destination, 0, 0), (Pixel{0, 255, 255, 255}));
}

TEST(OffscreenRotate, NewTurnedOffscreenKeepsTheTopLeftAndExchangesTheSides) {
  OffscreenPtr source = makeOffscreen(rectAt(20, 10, 7, 3));
  fillCoordinates(*source);
  Offscreen* turned = rotateGWorld90DegreesDoNotDispose(2, source.get());
  ASSERT_NE(turned, source.get());
  OffscreenPtr owned{turned};
  EXPECT_EQ(turned->portRect(), rectAt(20, 10, 3, 7));
  EXPECT_EQ(pixelAt(*turned, 20 + 2, 10 + 0), coordinatePixel(0, 0));
  // The consuming form frees the source and gives the turned one.
  Offscreen* again = rotateGWorld90Degrees(1, owned.release());
  OffscreenPtr back{again};
  EXPECT_EQ(again->portRect(), rectAt(20, 10, 7, 3));
}

TEST(OffscreenRotate, MirrorAndHalfTurnKeepTheMiddleOfOddSizes) {
  for (int w : {5, 8, 9, 23}) {
    SCOPED_TRACE(w);
    OffscreenPtr wide = makeOffscreen(rectAt(-2, -3, w, 2));
    fillCoordinates(*wide);
    ASSERT_TRUE(doMirrorTheImageInGWorld(wide.get()));
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(pixelAt(*wide, -2 + x, -3 + y), coordinatePixel(w - 1 - x, y)) << x;
  }
  OffscreenPtr o = makeOffscreen(rectAt(-2, -3, 5, 3));
  fillCoordinates(*o);
  ASSERT_TRUE(rotateImage180Degrees(o.get()));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(pixelAt(*o, -2 + x, -3 + y), coordinatePixel(4 - x, 2 - y));
  MessageRecorder messages;
  EXPECT_FALSE(doMirrorTheImageInGWorld(nullptr));
  EXPECT_FALSE(rotateImage180Degrees(nullptr));
  EXPECT_EQ(messages.messages().size(), 2u);
}

// Every byte of an offscreen's rows, padding included.
std::vector<std::uint8_t> allBytes(const Offscreen& o) {
  return std::vector<std::uint8_t>(o.baseAddr(), o.baseAddr() + o.rowBytes() * o.height());
}

// The turns and reflections done pixel by pixel from where each source pixel goes; 0, 1 and 2 are the quarter
// turn directions, 180 the half turn, -1 the mirror.
void turnByHand(int how, const PixView& from, const PixView& to) {
  const int w = from.width(), h = from.height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* at = how == 1     ? to.localPixel(y, w - 1 - x)
                         : how == 180 ? to.localPixel(w - 1 - x, h - 1 - y)
                         : how == -1  ? to.localPixel(w - 1 - x, y)
                                      : to.localPixel(h - 1 - y, x);
      std::memcpy(at, from.localPixel(x, y), 4);
    }
}

TEST(OffscreenRotate, FastTurnsAndReflectionsMatchThePixelByPixelOnesAtAnyThreadCount) {
  // Blocks of 16 with ragged edges on every side; the larger sizes split into 2 .. 3 bands of rows on the pool.
  const std::pair<int, int> sizes[] = {{1, 1},   {1, 40},   {40, 1},   {15, 17},   {16, 16},
                                       {17, 33}, {100, 37}, {131, 67}, {200, 131}, {333, 517}};
  ASSERT_EQ(MPJobs_Init(3), 0);
  const bool threadedBefore = gThreaded;
  for (const bool threaded : {false, true}) {
    gThreaded = threaded && processJobPool()->threadCount() > 1;
    for (const auto& [w, h] : sizes)
      for (const int how : {1, 2, 0, 180, -1}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " how " << how << " threaded " << gThreaded);
        const bool quarter = how == 0 || how == 1 || how == 2;
        OffscreenPtr source = makeOffscreen(rectAt(-7, 11, w, h));
        fillRandom(*source, static_cast<std::uint32_t>(w * 1000 + h));
        const Rect turned = quarter ? rectAt(5, -3, h, w) : source->portRect();
        OffscreenPtr expected = makeOffscreen(turned);
        turnByHand(how, source->view(), expected->view());
        OffscreenPtr destination;
        const Offscreen* result = source.get();  // the half turn and the mirror work in place
        if (quarter) {
          destination = makeOffscreen(turned);
          ASSERT_TRUE(rotateImage90Degrees(static_cast<std::int16_t>(how), source.get(), destination.get()));
          result = destination.get();
        } else {
          ASSERT_TRUE(how == 180 ? rotateImage180Degrees(source.get()) : doMirrorTheImageInGWorld(source.get()));
        }
        ASSERT_EQ(allBytes(*result), allBytes(*expected));
      }
  }
  gThreaded = threadedBefore;
}

TEST(OffscreenCopy, CopiesBlendsFillsAndDuplicatesGiveTheSameBytesOnThePoolAsOnOneThread) {
  // Tall enough that each pass splits into bands; the copies within one offscreen stay on one thread in order.
  ASSERT_EQ(MPJobs_Init(3), 0);
  const bool threadedBefore = gThreaded;
  const Rect bounds = rectAt(-5, 9, 173, 611);
  const Rect shifted = rectAt(-5, 60, 173, 500), stretched = rectAt(10, 20, 97, 577);
  const struct {
    const char* what;
    std::function<Offscreen*(Offscreen* source, Offscreen* other, Offscreen* mask)> run;  // answers the result
  } passes[] = {
      {"unstretched copy", [&](Offscreen* s, Offscreen* o, Offscreen*) { return myCopyBits(s, o, &bounds, &bounds, srcCopy, nullptr) ? o : nullptr; }},
      {"stretched copy", [&](Offscreen* s, Offscreen* o, Offscreen*) { return myCopyBits(s, o, &stretched, &bounds, srcCopy, nullptr) ? o : nullptr; }},
      {"transparent copy", [&](Offscreen* s, Offscreen* o, Offscreen*) { return myCopyBits(s, o, &bounds, &stretched, transparent, nullptr) ? o : nullptr; }},
      {"copy down within one offscreen", [&](Offscreen* s, Offscreen*, Offscreen*) { const Rect from = rectAt(-5, 9, 173, 500); return myCopyBits(s, s, &from, &shifted, srcCopy, nullptr) ? s : nullptr; }},
      {"deep mask", [&](Offscreen* s, Offscreen* o, Offscreen* m) { return myCopyDeepMask(s, m, o, &stretched, &bounds, &bounds, srcCopy, nullptr) ? o : nullptr; }},
      {"own alpha", [&](Offscreen* s, Offscreen* o, Offscreen*) { return myCopyThroughOwnAlpha(s, o, &bounds, &stretched) ? o : nullptr; }},
      {"fill", [&](Offscreen*, Offscreen* o, Offscreen*) { return fillPixelMap(o, 0x123456) ? o : nullptr; }},
      {"duplicate", [&](Offscreen* s, Offscreen*, Offscreen*) { return myDuplicateGWorld(s); }},
  };
  for (const auto& pass : passes) {
    std::vector<std::uint8_t> results[2];
    for (const bool threaded : {false, true}) {
      SCOPED_TRACE(testing::Message() << pass.what << " threaded " << threaded);
      gThreaded = threaded;
      OffscreenPtr source = makeOffscreen(bounds), other = makeOffscreen(bounds), mask = makeOffscreen(bounds);
      fillRandom(*source, 1);
      fillRandom(*other, 2);
      fillRandom(*mask, 3);
      Offscreen* result = pass.run(source.get(), other.get(), mask.get());
      ASSERT_NE(result, nullptr);
      results[threaded] = pixelBytes(*result);
      if (result != source.get() && result != other.get()) OffscreenPtr{result}.reset();
    }
    EXPECT_EQ(results[0], results[1]) << pass.what;
  }
  gThreaded = threadedBefore;
}

TEST(OffscreenRotate, QuarterTurnKernelWritesOnlyItsViewWhateverTheAlignment) {
  // Views whose rows do not start on a 64-byte line, or lie a non-multiple of 16 bytes apart, take the plain stores.
  const struct {
    const char* what;
    int offset;    // pixels from the start of each buffer row to the view
    int rowBytes;  // buffer row stride
  } cases[] = {{"aligned", 0, 64 * 12},
               {"one pixel in", 1, 64 * 12},
               {"five pixels in", 5, 64 * 12},
               {"odd stride", 3, 4 * 151}};
  const int w = 70, h = 45;
  for (const auto& c : cases)
    for (const bool counterClockwise : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.what << (counterClockwise ? " counter-clockwise" : " clockwise"));
      alignas(64) static std::uint8_t source[64 * 12 * 80], result[64 * 12 * 80], expected[64 * 12 * 80];
      for (std::size_t i = 0; i < sizeof source; ++i) source[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
      std::memset(result, 0xA5, sizeof result);
      std::memset(expected, 0xA5, sizeof expected);
      const PixView from(source + 4 * c.offset, c.rowBytes, makeRect(0, 0, h, w));
      const PixView to(result + 4 * c.offset, c.rowBytes, makeRect(0, 0, w, h));
      rotateQuarterPixels(from, to, counterClockwise);
      turnByHand(counterClockwise ? 1 : 2, from, PixView(expected + 4 * c.offset, c.rowBytes, makeRect(0, 0, w, h)));
      ASSERT_EQ(std::memcmp(result, expected, sizeof result), 0);
    }
}

FSSpec fileNamed(const char* name) {
  FSSpec file;
  file.vRefNum = -1;
  file.parID = 42;
  file.name.assign(name);
  return file;
}

TEST(ImageCache, HitsOnlyTheSameKeyAndAMissEmptiesIt) {
  myImageColorAdjustInfo colours{};
  colours.gamma = 3;
  const Rect bounds = rectAt(0, 0, 2, 2);
  Offscreen* image = myNewGWorld(&bounds);
  SetCurrentImageGWorldPtr(image, fileNamed("IMG_1.JPG"), 90.0f, colours, 1);
  EXPECT_EQ(GetCurrentImageGWorldPtr(fileNamed("IMG_1.JPG"), 90.0f, colours, 1), image);
  // Handing the cached image over again must not free it.
  SetCurrentImageGWorldPtr(image, fileNamed("IMG_1.JPG"), 90.0f, colours, 1);
  EXPECT_EQ(GetCurrentImageGWorldPtr(fileNamed("IMG_1.JPG"), 90.0f, colours, 1), image);

  myImageColorAdjustInfo other = colours;
  other.light = 1;
  EXPECT_EQ(GetCurrentImageGWorldPtr(fileNamed("IMG_1.JPG"), 90.0f, other, 1), nullptr);
  EXPECT_EQ(GetCurrentImageGWorldPtr(fileNamed("IMG_1.JPG"), 90.0f, colours, 1), nullptr);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  SetCurrentImageGWorldPtr(myNewGWorld(&bounds), fileNamed("A"), nan, colours, 1);
  EXPECT_EQ(GetCurrentImageGWorldPtr(fileNamed("A"), nan, colours, 1), nullptr);
  DisposeCurrentImageGWorldPtr();
}

}  // namespace
}  // namespace vorl::test
