// Our own TIFF, raw and PICT files: the TIFF header against bytes encoded here from the tag table, the files
// against tiffinfo and GraphicsMagick, the PICT against our own picture reader.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/own_image_writers.h"
#include "imaging/codecs/picture.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/record_bytes.h"

namespace vorl::test {
namespace {

namespace fs = std::filesystem;

Bytes fileBytes(const fs::path& file) {
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(readFileBytes(file, bytes), noErr);
  return Bytes(bytes.begin(), bytes.end());
}

std::string run(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, got);
  return out;
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// Red, green, blue of the port's pixels, row after row.
Bytes rgbOf(const Offscreen& o) {
  Bytes rgb;
  const Rect r = o.portRect();
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const Pixel p = pixelAt(o, x, y);
      rgb.insert(rgb.end(), {p[1], p[2], p[3]});
    }
  return rgb;
}

// The pixels GraphicsMagick reads from the file, as binary PPM.
Bytes pixelsByGraphicsMagick(const fs::path& file, int width, int height) {
  const std::string ppm = run("gm convert " + quoted(file) + " ppm:- 2>/dev/null");
  const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  if (ppm.compare(0, header.size(), header) != 0) return {};
  return Bytes(ppm.begin() + static_cast<std::ptrdiff_t>(header.size()), ppm.end());
}

void be16(Bytes& b, std::uint16_t v) {
  b.insert(b.end(), {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}
void be32(Bytes& b, std::uint32_t v) {
  be16(b, static_cast<std::uint16_t>(v >> 16));
  be16(b, static_cast<std::uint16_t>(v));
}

// The header as the TIFF 6.0 tag table gives it, built field by field.
Bytes expectedHeader(std::uint16_t width, std::uint16_t height, std::uint32_t dpi) {
  Bytes b = {'M', 'M'};
  be16(b, 42);
  be32(b, 8);
  be16(b, 16);
  const struct {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  } entries[] = {
      {254, 4, 1, 0},      {256, 3, 1, width},
      {257, 3, 1, height}, {258, 3, 3, 206},
      {259, 3, 1, 1},      {262, 3, 1, 2},
      {273, 4, 1, 242},    {277, 3, 1, 3},
      {278, 3, 1, height}, {279, 4, 1, std::uint32_t{width} * height * 3u},
      {280, 3, 3, 212},    {281, 3, 3, 218},
      {282, 5, 1, 226},    {283, 5, 1, 234},
      {284, 3, 1, 1},      {296, 3, 1, 2},
  };
  for (const auto& e : entries) {
    be16(b, e.tag);
    be16(b, e.type);
    be32(b, e.count);
    if (e.type == 3 && e.count == 1) {
      be16(b, static_cast<std::uint16_t>(e.value));
      be16(b, 0);
    } else {
      be32(b, e.value);
    }
  }
  be32(b, 0);
  for (int i = 0; i < 3; ++i) be16(b, 8);
  for (int i = 0; i < 3; ++i) be16(b, 0);
  for (int i = 0; i < 3; ++i) be16(b, 255);
  be16(b, 0);
  be32(b, dpi);
  be32(b, 1);
  be32(b, dpi);
  be32(b, 1);
  return b;
}

OffscreenPtr sampleImage(int width, int height, int left = 5, int top = 7) {
  OffscreenPtr o = makeOffscreen(rectAt(left, top, width, height));
  fillRandom(*o, static_cast<std::uint32_t>(width * 131 + height));
  return o;
}

FInfo finderOf(const fs::path& file) {
  FInfo info;
  EXPECT_EQ(getFinderInfo(file, info), noErr);
  return info;
}

TEST(OwnTIFF, HeaderMatchesTheTagTableByteForByte) {
  const fs::path file = makeTempFolder("tiff") / "out.tif";
  OffscreenPtr image = sampleImage(3, 2);
  OSErr error = 1;
  ASSERT_TRUE(SaveAsTIFFFile(file, image.get(), 300, &error));
  EXPECT_EQ(error, noErr);
  const Bytes bytes = fileBytes(file);
  ASSERT_EQ(bytes.size(), 260u);
  EXPECT_EQ(differingOffsets(Bytes(bytes.begin(), bytes.begin() + 242), expectedHeader(3, 2, 300)),
            std::vector<std::size_t>{});
  EXPECT_EQ(Bytes(bytes.begin() + 242, bytes.end()), rgbOf(*image));
  const FInfo info = finderOf(file);
  EXPECT_EQ(info.fdType, fourCharCode("TIFF"));
  EXPECT_EQ(info.fdCreator, fourCharCode("8BIM"));
}

TEST(OwnTIFF, ResolutionFollowsTheDpi) {
  const struct {
    long dpi;
    std::uint32_t written;
  } cases[] = {{-1, 72}, {-300, 72}, {0, 0}, {1, 1}, {300, 300}, {72000, 72000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    const fs::path file = makeTempFolder("dpi") / "out.tif";
    OffscreenPtr image = sampleImage(3, 2);
    ASSERT_TRUE(SaveAsTIFFFile(file, image.get(), c.dpi));
    const Bytes bytes = fileBytes(file);
    ASSERT_EQ(bytes.size(), 260u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 242), expectedHeader(3, 2, c.written));
  }
}

TEST(OwnTIFF, OtherReadersSeeTheSameImage) {
  const struct { int width, height; } sizes[] = {{3, 2}, {1, 1}, {37, 19}, {301, 5}, {5, 131}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s.width << "x" << s.height);
    const fs::path file = makeTempFolder("tiff-read") / "out.tif";
    OffscreenPtr image = sampleImage(s.width, s.height);
    ASSERT_TRUE(SaveAsTIFFFile(file, image.get(), 300));
    const std::string info = run("tiffinfo " + quoted(file) + " 2>&1");
    EXPECT_NE(info.find("Image Width: " + std::to_string(s.width) + " Image Length: " + std::to_string(s.height)),
              std::string::npos)
        << info;
    EXPECT_NE(info.find("Resolution: 300, 300 pixels/inch"), std::string::npos) << info;
    EXPECT_NE(info.find("Rows/Strip: " + std::to_string(s.height)), std::string::npos) << info;
    EXPECT_NE(info.find("Compression Scheme: None"), std::string::npos) << info;
    EXPECT_NE(info.find("Photometric Interpretation: RGB color"), std::string::npos) << info;
    EXPECT_NE(info.find("Samples/Pixel: 3"), std::string::npos) << info;
    EXPECT_NE(info.find("Planar Configuration: single image plane"), std::string::npos) << info;
    EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
    EXPECT_EQ(pixelsByGraphicsMagick(file, s.width, s.height), rgbOf(*image));
  }
}

TEST(OwnRaw, HoldsThePackedPixelsAlone) {
  const fs::path file = makeTempFolder("raw") / "out.raw";
  OffscreenPtr image = sampleImage(3, 2);
  ASSERT_TRUE(SaveAsRawFile(file, image.get()));
  const Bytes bytes = fileBytes(file);
  EXPECT_EQ(bytes.size(), 18u);
  EXPECT_EQ(bytes, rgbOf(*image));
  EXPECT_EQ(finderOf(file).fdType, fourCharCode("RAW "));
  EXPECT_EQ(finderOf(file).fdCreator, fourCharCode("8BIM"));
}

TEST(OwnPICT, ReadsBackThroughOurPictureReader) {
  const struct {
    int width, height, left, top;
  } sizes[] = {{1, 3, 5, 7},  {2, 1, 0, 0},  {3, 2, 0, 0},  {37, 5, 0, 0},
               {63, 4, 5, 7}, {64, 3, 0, 0}, {67, 2, 0, 0}, {301, 7, 0, 0}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " at " << s.left << ", " << s.top);
    const fs::path file = makeTempFolder("pict") / "out.pict";
    OffscreenPtr image = sampleImage(s.width, s.height, s.left, s.top);
    // Runs as well as noise, so both kinds of PackBits stretch occur.
    fillWith(*image, [&](int x, int y) {
      const std::uint8_t v = x % 11 < 5 ? 200 : static_cast<std::uint8_t>(x * 7 + y * 13);
      return Pixel{9, v, static_cast<std::uint8_t>(v ^ 0x55), static_cast<std::uint8_t>(y)};
    });
    ASSERT_TRUE(SaveAsPICTFile(file, image.get(), 150));
    const Bytes bytes = fileBytes(file);
    ASSERT_GT(bytes.size(), 512u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 512), Bytes(512, 0));
    Handle picture = NewHandle(static_cast<std::int64_t>(bytes.size() - 512));
    ASSERT_NE(picture, nullptr);
    std::memcpy(*picture, bytes.data() + 512, bytes.size() - 512);
    OffscreenPtr back{PicHandleToOffscreen(picture)};
    DisposeHandle(picture);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->portRect(), image->portRect());
    EXPECT_EQ(rgbOf(*back), rgbOf(*image));
    for (int y = back->portRect().top; y < back->portRect().bottom; ++y)
      EXPECT_EQ(pixelAt(*back, back->portRect().left, y)[0], 0);  // a picture keeps no alpha
    // GraphicsMagick reads PICT files with their 512-byte header: a second reader of the same bytes where it
    // follows QuickDraw's layout. It does not for a frame away from the origin (it draws nothing), and it judges
    // packing and count width by three bytes a pixel instead of the row bytes (four): rows of 1 or 2 pixels, and
    // of 63 to 66, it misreads.
    if (s.left == 0 && s.top == 0 && s.width >= 3 && (s.width < 63 || s.width > 66))
      EXPECT_EQ(pixelsByGraphicsMagick(file, s.width, s.height), rgbOf(*image));
    EXPECT_EQ(finderOf(file).fdType, fourCharCode("PICT"));
    EXPECT_EQ(finderOf(file).fdCreator, fourCharCode("8BIM"));
  }
}

TEST(OwnPICT, HandleHoldsTheResolutionAndTheFrame) {
  OffscreenPtr image = sampleImage(5, 3, 0, 0);
  Handle picture = Offscreen2PicHandle(image.get(), 300);
  ASSERT_NE(picture, nullptr);
  const auto* p = reinterpret_cast<const std::uint8_t*>(*picture);
  const auto size = static_cast<std::size_t>(GetHandleSize(picture));
  EXPECT_EQ(std::size_t{static_cast<std::size_t>(p[0] << 8 | p[1])}, size & 0xFFFF);
  EXPECT_EQ(Bytes(p + 2, p + 10), (Bytes{0, 0, 0, 0, 0, 3, 0, 5}));
  EXPECT_EQ(Bytes(p + 10, p + 18), (Bytes{0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00, 0xFF, 0xFE}));
  EXPECT_EQ(Bytes(p + 20, p + 28), (Bytes{0x01, 0x2C, 0, 0, 0x01, 0x2C, 0, 0}));  // 300 as 16.16 fixed
  EXPECT_EQ(Bytes(p + size - 2, p + size), (Bytes{0x00, 0xFF}));
  DisposeHandle(picture);
  EXPECT_EQ(Offscreen2PicHandle(nullptr, 72), nullptr);
}

TEST(OwnWriters, ReplaceAnExistingFileAndItsSidecar) {
  const fs::path folder = makeTempFolder("replace");
  const fs::path file = folder / "same name";
  OffscreenPtr image = sampleImage(3, 2);
  using Writer = bool (*)(const fs::path&, Offscreen*);
  const struct {
    const char* name;
    Writer write;
    std::size_t size;
  } writers[] = {
      {"tiff", [](const fs::path& f, Offscreen* o) { return SaveAsTIFFFile(f, o, 72); }, 260},
      {"raw", [](const fs::path& f, Offscreen* o) { return SaveAsRawFile(f, o); }, 18},
      {"pict", [](const fs::path& f, Offscreen* o) { return SaveAsPICTFile(f, o, 72); }, 0},
  };
  for (const auto& w : writers) {
    SCOPED_TRACE(w.name);
    std::ofstream(file) << "an older file of that name, longer than the new one will be ... ... ... ... ... ... ... "
                           "... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... "
                           "... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... "
                           "... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... "
                           "... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... "
                           "... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... "
                           "... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ";
    ASSERT_EQ(writeResource(file, fourCharCode("Pref"), 5011, Bytes{1, 2, 3}), noErr);
    ASSERT_TRUE(w.write(file, image.get()));
    if (w.size) EXPECT_EQ(fileBytes(file).size(), w.size);
    AppleDouble sidecar;
    ASSERT_EQ(readAppleDouble(file, sidecar), noErr);
    EXPECT_TRUE(sidecar.resources.empty());  // the old picture's masks are not the new one's
    // Only the file and its sidecar: no temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
  }
}

TEST(OwnWriters, FailuresAnswerFalseWithACodeAndWriteNothing) {
  const fs::path folder = makeTempFolder("fail");
  OffscreenPtr image = sampleImage(3, 2);
  OffscreenPtr wide = makeOffscreen(rectAt(0, 0, 4096, 1));
  const struct {
    const char* name;
    std::function<bool(OSErr*)> write;
    OSErr error;
  } cases[] = {
      {"tiff null", [&](OSErr* e) { return SaveAsTIFFFile(folder / "a", nullptr, 72, e); }, paramErr},
      {"raw null", [&](OSErr* e) { return SaveAsRawFile(folder / "b", nullptr, e); }, paramErr},
      {"pict null", [&](OSErr* e) { return SaveAsPICTFile(folder / "c", nullptr, 72, e); }, paramErr},
      {"pict too wide", [&](OSErr* e) { return SaveAsPICTFile(folder / "d", wide.get(), 72, e); }, paramErr},
      {"no such folder", [&](OSErr* e) { return SaveAsTIFFFile(folder / "none" / "e", image.get(), 72, e); }, fnfErr},
      {"a folder in the way", [&](OSErr* e) { return SaveAsRawFile(folder, image.get(), e); }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    OSErr error = noErr;
    EXPECT_FALSE(c.write(&error));
    if (c.error != 0)
      EXPECT_EQ(error, c.error);
    else
      EXPECT_NE(error, noErr);
  }
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 0);
  EXPECT_EQ(Offscreen2PicHandle(wide.get(), 72), nullptr);
}

TEST(OwnWriters, TakeFileSpecifications) {
  const fs::path folder = makeTempFolder("spec");
  OffscreenPtr image = sampleImage(3, 2);
  const struct {
    const char* name;
    std::function<bool(const FSSpec&)> write;
  } cases[] = {
      {"x.tif", [&](const FSSpec& s) { return SaveAsTIFFFile(s, image.get(), 300); }},
      {"x.raw", [&](const FSSpec& s) { return SaveAsRawFile(s, image.get()); }},
      {"x.pict", [&](const FSSpec& s) { return SaveAsPICTFile(s, image.get(), 300); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FSSpec spec;
    ASSERT_EQ(FSMakeFSSpecFromPath(folder / c.name, spec), noErr);
    EXPECT_TRUE(c.write(spec));
    EXPECT_TRUE(fs::is_regular_file(folder / c.name));
  }
}

}  // namespace
}  // namespace vorl::test
