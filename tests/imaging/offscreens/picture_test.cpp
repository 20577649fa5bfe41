// Pictures: version 2 pictures made here byte by byte from the file layout (not from the reader's code), drawn
// into offscreens.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <vector>

#include "imaging/codecs/picture.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/message_recorder.h"

#if defined(__SANITIZE_ADDRESS__)
#include <atomic>

// A picture that allocates from its header before checking its bytes must fail fast here rather than take
// gigabytes: the sanitizer refuses any single allocation above 256 MB.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=256"; }
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, std::size_t),
                                                         void (*free_hook)(const volatile void*));
#endif

namespace vorl::test {
namespace {

#if defined(__SANITIZE_ADDRESS__)
std::atomic<std::size_t> gLargestAllocation{0};
void noteAllocation(const volatile void*, std::size_t size) {
  std::size_t seen = gLargestAllocation.load();
  while (size > seen && !gLargestAllocation.compare_exchange_weak(seen, size)) {
  }
}
void noteFree(const volatile void*) {}
// The sanitizer keeps a hook for the rest of the process once installed.
void watchAllocations() {
  static const int installed = __sanitizer_install_malloc_and_free_hooks(noteAllocation, noteFree);
  static_cast<void>(installed);
  gLargestAllocation = 0;
}
#endif

class PictWriter {
 public:
  void u8(int v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void u16(int v) {
    u8(v >> 8);
    u8(v);
  }
  void u32(std::uint32_t v) {
    u16(static_cast<int>(v >> 16));
    u16(static_cast<int>(v & 0xFFFF));
  }
  void rect(const Rect& r) {
    u16(r.top);
    u16(r.left);
    u16(r.bottom);
    u16(r.right);
  }
  void pad() {
    if (bytes.size() % 2) u8(0);
  }
  void append(const std::vector<std::uint8_t>& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
  std::vector<std::uint8_t> bytes;
};

// PackBits: a count byte n, then n + 1 literal bytes (n < 128) or one byte to repeat 257 − n times (n > 128).
// Runs of two or more equal bytes are repeats of up to 128, so a uniform row takes the fewest bytes it can.
std::vector<std::uint8_t> packBits(const std::vector<std::uint8_t>& in) {
  std::vector<std::uint8_t> out;
  std::size_t i = 0;
  while (i < in.size()) {
    std::size_t run = 1;
    while (i + run < in.size() && run < 128 && in[i + run] == in[i]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(257 - run));
      out.push_back(in[i]);
      i += run;
      continue;
    }
    std::size_t literal = 1;
    while (i + literal < in.size() && literal < 128 &&
           !(i + literal + 1 < in.size() && in[i + literal] == in[i + literal + 1]))
      ++literal;
    out.push_back(static_cast<std::uint8_t>(literal - 1));
    out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(i),
               in.begin() + static_cast<std::ptrdiff_t>(i + literal));
    i += literal;
  }
  return out;
}

using Rows = std::vector<std::vector<Pixel>>;

// One pixel image opcode: 0x009A (DirectBitsRect) or 0x009B (DirectBitsRgn, with `region` as its mask region).
struct PixelImage {
  Rect bounds;
  int packType = 4;
  int componentCount = 3;
  int rowBytes = 0;  // 0: four bytes a pixel
  std::vector<std::uint8_t> region;
  Rows rows;
};

void writeHeader(PictWriter& w, const Rect& frame) {
  w.u16(0);  // the old size word
  w.rect(frame);
  w.u16(0x0011);
  w.u16(0x02FF);
  w.u16(0x0C00);
  for (int i = 0; i < 12; ++i) w.u16(i == 0 ? 0xFFFE : 0);
  w.u16(0x001E);
  w.u16(0x0001);  // clip region: just its rectangle
  w.u16(10);
  w.rect(frame);
  w.u16(0x00A1);  // long comment with odd data
  w.u16(100);
  w.u16(3);
  w.u8(1), w.u8(2), w.u8(3);
  w.pad();
}

void writePixelImage(PictWriter& w, const PixelImage& image) {
  const int width = rectWidth(image.bounds);
  const int rowBytes = image.rowBytes != 0 ? image.rowBytes : width * 4;
  w.u16(image.region.empty() ? 0x009A : 0x009B);
  w.u32(0xFF);  // the base address field
  w.u16(rowBytes | 0x8000);
  w.rect(image.bounds);
  w.u16(0);  // pixel map version
  w.u16(image.packType);
  w.u32(0);  // pack size
  w.u32(72 << 16);
  w.u32(72 << 16);
  w.u16(16);  // direct pixels
  w.u16(32);
  w.u16(image.componentCount);
  w.u16(8);
  w.u32(0), w.u32(0), w.u32(0);  // plane bytes, colour table, reserved
  w.rect(image.bounds);          // source rectangle
  w.rect(image.bounds);          // destination rectangle
  w.u16(0);                      // srcCopy
  w.append(image.region);
  const bool unpacked = rowBytes < 8 || image.packType == 1;
  for (const auto& row : image.rows) {
    if (unpacked) {
      for (const Pixel& p : row) w.u8(p[0]), w.u8(p[1]), w.u8(p[2]), w.u8(p[3]);
      for (int i = width * 4; i < rowBytes; ++i) w.u8(0xEE);
      continue;
    }
    if (image.packType == 2) {
      for (const Pixel& p : row) w.u8(p[1]), w.u8(p[2]), w.u8(p[3]);
      continue;
    }
    // PackBits over the row's planes, one after the other: alpha first when there are four.
    std::vector<std::uint8_t> planes;
    for (int c = image.componentCount == 4 ? 0 : 1; c <= 3; ++c)
      for (const Pixel& p : row) planes.push_back(p[static_cast<std::size_t>(c)]);
    const std::vector<std::uint8_t> packed = packBits(planes);
    if (rowBytes > 250)
      w.u16(static_cast<int>(packed.size()));
    else
      w.u8(static_cast<int>(packed.size()));
    w.append(packed);
  }
  w.pad();
}

std::vector<std::uint8_t> makePicture(const Rect& frame, const std::vector<PixelImage>& images) {
  PictWriter w;
  writeHeader(w, frame);
  for (const PixelImage& image : images) writePixelImage(w, image);
  w.u16(0x00FF);
  return w.bytes;
}

// A picture of one pixel image over `frame`: rows of (alpha, r, g, b) per pixel, packed as asked.
std::vector<std::uint8_t> makePicture(const Rect& frame, const Rows& rows, int packType) {
  PixelImage image;
  image.bounds = frame;
  image.packType = packType;
  image.rows = rows;
  return makePicture(frame, {image});
}

Rows uniformRows(int width, int height, const Pixel& p) {
  return Rows(static_cast<std::size_t>(height), std::vector<Pixel>(static_cast<std::size_t>(width), p));
}

Handle toHandle(const std::vector<std::uint8_t>& bytes) {
  Handle h = NewHandle(static_cast<std::int64_t>(bytes.size()));
  std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(*h));
  return h;
}

struct HandleCloser {
  void operator()(char** h) const noexcept { DisposeHandle(h); }
};
using PictureHandle = std::unique_ptr<char*, HandleCloser>;
PictureHandle pictureOf(const std::vector<std::uint8_t>& bytes) { return PictureHandle{toHandle(bytes)}; }

TEST(Picture, DrawsIntoAnOffscreenAtThePicturesOwnFrame) {
  const Rows rows{{{0, 1, 2, 3}, {0, 4, 5, 6}, {0, 7, 8, 9}}, {{0, 9, 9, 9}, {0, 9, 9, 9}, {0, 9, 9, 9}}};
  for (int packType : {1, 2, 4}) {
    SCOPED_TRACE(packType);
    PictureHandle picture = pictureOf(makePicture(rectAt(20, 10, 3, 2), rows, packType));
    OffscreenPtr o{PicHandleToOffscreen(picture.get())};
    ASSERT_TRUE(o);
    EXPECT_EQ(o->portRect(), rectAt(20, 10, 3, 2));
    EXPECT_EQ(pixelAt(*o, 21, 10), (Pixel{0, 4, 5, 6}));
    EXPECT_EQ(pixelAt(*o, 22, 11), (Pixel{0, 9, 9, 9}));
  }
}

// Each pack type and opcode the reader takes, on a coordinate image whose pixels say where they belong.
TEST(Picture, EveryPackTypeAndTheRegionOpcodeDrawEveryPixelInPlace) {
  const struct {
    const char* what;
    int width, packType, componentCount, rowBytes;
    std::vector<std::uint8_t> region;
    bool alphaFromFile;
  } cases[] = {
      {"unpacked", 5, 1, 3, 0, {}, true},
      {"unpacked, rows padded past the pixels", 5, 1, 3, 5 * 4 + 6, {}, true},
      {"one pixel wide: rows under 8 bytes are never packed", 1, 4, 3, 0, {}, true},
      {"pack type 2: three bytes a pixel, alpha dropped", 5, 2, 3, 0, {}, false},
      {"PackBits, three planes", 5, 4, 3, 0, {}, false},
      {"PackBits, alpha plane first", 5, 4, 4, 0, {}, true},
      {"PackBits with pack type 0", 5, 0, 3, 0, {}, false},
      {"PackBits, rows over 250 bytes take a two-byte count", 70, 4, 3, 0, {}, false},
      {"region opcode, rectangular region", 5, 4, 3, 0, {0, 10, 0, 0, 0, 0, 0, 4, 0, 5}, false},
      {"region opcode, region with inversion points",
       5,
       1,
       3,
       0,
       {0, 18, 0, 0, 0, 0, 0, 4, 0, 5, 0, 0, 0, 1, 0x7F, 0xFF, 0x7F, 0xFF},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int height = 4;
    const Rect frame = rectAt(0, 0, c.width, height);
    PixelImage image;
    image.bounds = frame;
    image.packType = c.packType;
    image.componentCount = c.componentCount;
    image.rowBytes = c.rowBytes;
    image.region = c.region;
    for (int y = 0; y < height; ++y) {
      image.rows.emplace_back();
      for (int x = 0; x < c.width; ++x) image.rows.back().push_back(coordinatePixel(x, y));
    }
    PictureHandle picture = pictureOf(makePicture(frame, {image}));
    OffscreenPtr o{PicHandleToOffscreen(picture.get())};
    ASSERT_TRUE(o);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < c.width; ++x) {
        Pixel want = coordinatePixel(x, y);
        if (!c.alphaFromFile) want[0] = 0;
        ASSERT_EQ(pixelAt(*o, x, y), want) << x << "," << y;
      }
  }
}

TEST(Picture, DamagedOrForeignPicturesFailWithoutDrawingPastTheirBytes) {
  const Rows rows{{{0, 1, 2, 3}, {0, 4, 5, 6}}};
  const std::vector<std::uint8_t> good = makePicture(rectAt(0, 0, 2, 1), rows, 4);
  std::vector<std::uint8_t> unknown = good;
  unknown[unknown.size() - 1] = 0x30;  // opcode 0x0030 (frameRect) in place of the end
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"cut inside the pixel data", {good.begin(), good.end() - 6}},
      {"cut inside the header", {good.begin(), good.begin() + 8}},
      {"an opcode this reader does not draw", unknown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PictureHandle picture = pictureOf(c.bytes);
    EXPECT_EQ(PicHandleToOffscreen(picture.get()), nullptr);
  }
  EXPECT_EQ(PicHandleToOffscreen(nullptr), nullptr);
}

// Rows that hold fewer pixels than the image is wide, and regions whose size cannot be.
TEST(Picture, ShortRowsAndBadRegionsAreDamage) {
  const Rect frame = rectAt(0, 0, 4, 2);
  const struct {
    const char* what;
    int packType, rowBytes;
    std::vector<std::uint8_t> region;
    int cutPlaneBytes;  // PackBits rows: planes cut short by this many bytes before packing
  } cases[] = {
      {"unpacked rows narrower than the image", 1, 12, {}, 0},
      {"PackBits rows that unpack to fewer bytes than the planes", 4, 0, {}, 1},
      {"region size below its size field and rectangle", 4, 0, {0, 8, 0, 0, 0, 0, 0, 2}, 0},
      {"region size past the end of the picture", 4, 0, {0x7F, 0xFF}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PixelImage image;
    image.bounds = frame;
    image.packType = c.packType;
    image.rowBytes = c.rowBytes;
    image.region = c.region;
    image.rows = uniformRows(4, 2, {0, 10, 20, 30});
    std::vector<std::uint8_t> bytes;
    if (c.cutPlaneBytes == 0) {
      // Unpacked rows narrower than the image: the writer pads nothing, so each row is `rowBytes` long.
      if (c.rowBytes != 0) image.rows = uniformRows(3, 2, {0, 10, 20, 30});
      bytes = makePicture(frame, {image});
    } else {
      PictWriter w;
      writeHeader(w, frame);
      image.rows.clear();
      writePixelImage(w, image);
      for (int y = 0; y < 2; ++y) {
        const std::vector<std::uint8_t> planes(static_cast<std::size_t>(4 * 3 - c.cutPlaneBytes), 77);
        const std::vector<std::uint8_t> packed = packBits(planes);
        w.u8(static_cast<int>(packed.size()));
        w.append(packed);
      }
      w.pad();
      w.u16(0x00FF);
      bytes = w.bytes;
    }
    PictureHandle picture = pictureOf(bytes);
    EXPECT_EQ(PicHandleToOffscreen(picture.get()), nullptr);
  }
}

// A picture's header promises sizes; only the bytes that follow can back them. None of these may cost more
// than the picture is worth: each fails at once, with nothing allocated for the promised size and so no
// out-of-memory message.
TEST(Picture, HeadersPromisingMoreThanTheirBytesFailBeforeAnyLargeAllocation) {
  const Rect huge = makeRect(0, 0, 32767, 32767);
  const Rect small = rectAt(0, 0, 2, 1);
  const Rows rows{{{0, 1, 2, 3}, {0, 4, 5, 6}}};

  PictWriter eighteen;  // size, a 32767 × 32767 frame, the version, and the first word of the header opcode
  eighteen.u16(0);
  eighteen.rect(huge);
  eighteen.u16(0x0011);
  eighteen.u16(0x02FF);
  eighteen.u16(0x0C00);
  eighteen.u16(0xFFFE);
  ASSERT_EQ(eighteen.bytes.size(), 18u);

  PictWriter empty;  // a whole picture with nothing in it over a huge frame
  empty.u16(0);
  empty.rect(huge);
  empty.u16(0x0011);
  empty.u16(0x02FF);
  empty.u16(0x00FF);

  PixelImage promisesRows;  // a pixel image of 32767 × 32767 with the bytes of two rows
  promisesRows.bounds = huge;
  promisesRows.packType = 4;
  promisesRows.rowBytes = 0x3FFC;
  promisesRows.rows = uniformRows(32767, 2, {0, 1, 2, 3});

  PixelImage tiny;
  tiny.bounds = small;
  tiny.rows = rows;

  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"18 bytes with a 32767 × 32767 frame", eighteen.bytes},
      {"an empty picture over a 32767 × 32767 frame", empty.bytes},
      {"a pixel image promising 32767 rows that holds two", makePicture(small, {promisesRows})},
      {"a frame damaged to 32767 × 32767 around a 2 × 1 image", makePicture(huge, {tiny})},
      {"a frame wider than 32767", makePicture(makeRect(0, -20000, 1, 20000), {tiny})},
      {"an inverted frame", makePicture(makeRect(1, 2, 0, 0), {tiny})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PictureHandle picture = pictureOf(c.bytes);
    MessageRecorder messages;
#if defined(__SANITIZE_ADDRESS__)
    watchAllocations();
#endif
    const auto start = std::chrono::steady_clock::now();
    Offscreen* offscreen = PicHandleToOffscreen(picture.get());
    const auto took = std::chrono::steady_clock::now() - start;
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(gLargestAllocation.load(), std::size_t{1} << 20);
#endif
    EXPECT_EQ(offscreen, nullptr);
    static_cast<void>(myDisposeGWorld(offscreen, false));
    EXPECT_TRUE(messages.messages().empty()) << testing::PrintToString(messages.messages());
    EXPECT_LT(took, std::chrono::milliseconds(500));
  }

  // Drawn into an offscreen of the caller's, the pixel image's own promise is checked the same way.
  OffscreenPtr target = makeOffscreen(small);
  PictureHandle picture = pictureOf(makePicture(small, {promisesRows}));
  MessageRecorder messages;
  EXPECT_EQ(myDrawPicture(target.get(), picture.get(), &small), -1);
  EXPECT_TRUE(messages.messages().empty()) << testing::PrintToString(messages.messages());
}

// The check above must not refuse real pictures at their smallest: uniform PackBits rows, whose runs may cross
// from one plane into the next, and pack type 2 rows of three bytes a pixel, are taken whole.
TEST(Picture, TheSmallestEncodingOfEachPackTypeIsTaken) {
  const struct {
    const char* what;
    int width, height, packType, componentCount;
  } cases[] = {
      {"PackBits, runs across planes, one-byte counts", 62, 40, 4, 3},
      {"PackBits, runs across planes, two-byte counts", 2000, 300, 4, 3},
      {"PackBits, four planes", 2000, 300, 4, 4},
      {"pack type 2", 300, 200, 2, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PixelImage image;
    image.bounds = rectAt(0, 0, c.width, c.height);
    image.packType = c.packType;
    image.componentCount = c.componentCount;
    image.rows = uniformRows(c.width, c.height, {0, 200, 200, 200});
    const std::vector<std::uint8_t> bytes = makePicture(image.bounds, {image});
    PictureHandle picture = pictureOf(bytes);
    OffscreenPtr o{PicHandleToOffscreen(picture.get())};
    ASSERT_TRUE(o);
    EXPECT_EQ(pixelAt(*o, c.width - 1, c.height - 1), (Pixel{0, 200, 200, 200}));
  }
}

}  // namespace
}  // namespace vorl::test
