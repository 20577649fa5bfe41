// The image-file codecs against second implementations: what we decode is compared with what djpeg, pngtopnm,
// GraphicsMagick and dcraw_emu decode from the same file, and what we write is read back by tiffinfo, exiv2,
// gm identify and pngtopnm. Fixtures are made here, by our encoder and by those tools.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/codecs/image_file_codec.h"
#include "tests/imaging/codec_test_support.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/isolated_environment.h"

namespace vorl {
namespace {

using namespace test;
namespace fs = std::filesystem;

std::uint8_t to8(std::uint16_t v, int maxval) {
  return maxval == 255 ? static_cast<std::uint8_t>(v) : static_cast<std::uint8_t>((v * 255u + maxval / 2) / maxval);
}

// Compares the decoded pixels with a second decoder's raster (1 grey, 2 grey + alpha, 3 RGB, 4 RGB + alpha; file
// alpha). Without alpha in the raster, every decoded alpha byte must be 0.
void expectPixels(const Offscreen& decoded, const Raster& second, int tolerance = 0) {
  ASSERT_EQ(decoded.width(), second.width);
  ASSERT_EQ(decoded.height(), second.height);
  const bool grey = second.channels <= 2, alpha = second.channels == 2 || second.channels == 4;
  int reported = 0, mismatches = 0;
  for (int y = 0; y < second.height; ++y)
    for (int x = 0; x < second.width; ++x) {
      const std::uint8_t* p = decoded.view().localPixel(x, y);
      for (int c = 0; c < 4; ++c) {
        int expected;
        if (c == 0)
          expected = alpha ? 255 - to8(second.at(x, y, second.channels - 1), second.maxval) : 0;
        else
          expected = to8(second.at(x, y, grey ? 0 : c - 1), second.maxval);
        if (std::abs(int(p[c]) - expected) > tolerance) {
          ++mismatches;
          if (reported++ < 5)
            ADD_FAILURE() << "pixel (" << x << ", " << y << ") byte " << c << ": " << int(p[c]) << " instead of "
                          << expected;
        }
      }
    }
  EXPECT_EQ(mismatches, 0);
}

class ImageCodecs : public ::testing::Test {
 protected:
  fs::path dir_ = makeTempFolder("codecs");
  std::string at(const std::string& name) const { return (dir_ / name).string(); }

  // Writes the picture as a netpbm file for the tools to start from.
  std::string writePnm(const std::string& name, const Offscreen& picture, bool alpha = false) {
    writeFileBytes(at(name), pnmBytes(offscreenRaster(picture, alpha)));
    return at(name);
  }
  DecodedImage decode(const std::string& file, DecodeOptions options = {}) {
    DecodedImage image;
    EXPECT_EQ(decodeImageFile(file, image, options), noErr) << file;
    EXPECT_TRUE(image.pixels) << file;
    return image;
  }
};

// ---------------------------------------------------------------------------------------------------------------
// JPEG

TEST_F(ImageCodecs, JpegDecodesExactlyAsDjpegAtFullAndHalfSize) {
  const struct {
    const char* name;
    int width, height;
    std::vector<std::string> cjpeg;
    SourceColourModel model;
  } cases[] = {
      {"420 odd", 67, 45, {"-quality", "90", "-sample", "2x2"}, SourceColourModel::rgb},
      {"444", 33, 17, {"-quality", "95", "-sample", "1x1"}, SourceColourModel::rgb},
      {"422", 31, 9, {"-sample", "2x1"}, SourceColourModel::rgb},
      {"progressive", 65, 33, {"-progressive"}, SourceColourModel::rgb},
      {"restart markers", 41, 41, {"-restart", "1"}, SourceColourModel::rgb},
      {"arithmetic", 19, 23, {"-arithmetic"}, SourceColourModel::rgb},
      {"grey", 37, 23, {"-grayscale"}, SourceColourModel::grey},
      {"one pixel", 1, 1, {}, SourceColourModel::rgb},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const OffscreenPtr photo = makePhoto(c.width, c.height);
    const std::string ppm = writePnm("in.ppm", *photo), jpeg = at("in.jpg");
    std::vector<std::string> command{"cjpeg"};
    command.insert(command.end(), c.cjpeg.begin(), c.cjpeg.end());
    command.insert(command.end(), {"-outfile", jpeg, ppm});
    toolOutput(command);

    const DecodedImage full = decode(jpeg);
    ASSERT_TRUE(full.pixels);
    EXPECT_EQ(full.model, c.model);
    EXPECT_FALSE(full.hasAlpha);
    EXPECT_EQ(full.exifOrientation, -1);
    expectPixels(*full.pixels, parsePnm(toolOutput({"djpeg", "-pnm", jpeg})));

    // djpeg's half scale rounds odd sides up; the preview keeps the lower half of each side.
    const DecodedImage half = decode(jpeg, {.halfSize = true});
    ASSERT_TRUE(half.pixels);
    EXPECT_EQ(half.pixels->width(), std::max(1, c.width / 2));
    EXPECT_EQ(half.pixels->height(), std::max(1, c.height / 2));
    Raster scaled = parsePnm(toolOutput({"djpeg", "-pnm", "-scale", "1/2", jpeg}));
    Raster cropped = scaled;
    cropped.width = half.pixels->width();
    cropped.height = half.pixels->height();
    cropped.samples.clear();
    for (int y = 0; y < cropped.height; ++y)
      for (int x = 0; x < cropped.width; ++x)
        for (int ch = 0; ch < scaled.channels; ++ch) cropped.samples.push_back(scaled.at(x, y, ch));
    expectPixels(*half.pixels, cropped);
  }
}

TEST_F(ImageCodecs, JpegReadsItsResolutionFromJfifThenExif) {
  const OffscreenPtr photo = makePhoto(9, 7);
  ASSERT_EQ(encodeImageFile(*photo, at("a.jpg"), ImageFileType::jpeg, {.dpi = 300}), noErr);
  EXPECT_EQ(decode(at("a.jpg")).xResolution, 300);
  // cjpeg's JFIF header gives only an aspect ratio; the EXIF resolution (in centimetres here) is taken instead.
  toolOutput({"cjpeg", "-outfile", at("b.jpg"), writePnm("b.ppm", *photo)});
  EXPECT_EQ(decode(at("b.jpg")).xResolution, 0);
  toolOutput({"exiv2", "-M", "set Exif.Image.XResolution 100/1", "-M", "set Exif.Image.YResolution 50/1", "-M",
              "set Exif.Image.ResolutionUnit 3", at("b.jpg")});
  const DecodedImage b = decode(at("b.jpg"));
  EXPECT_DOUBLE_EQ(b.xResolution, 254);
  EXPECT_DOUBLE_EQ(b.yResolution, 127);
}

TEST_F(ImageCodecs, EveryStoredOrientationReadsBackWithThePixelsUnturned) {
  const OffscreenPtr photo = makePhoto(13, 7);
  ASSERT_EQ(encodeImageFile(*photo, at("plain.jpg"), ImageFileType::jpeg, {.quality = 90}), noErr);
  ASSERT_EQ(encodeImageFile(*photo, at("plain.tif"), ImageFileType::tiffLzw, {}), noErr);
  const DecodedImage plain = decode(at("plain.jpg"));
  ASSERT_TRUE(plain.pixels);
  EXPECT_EQ(plain.exifOrientation, -1);
  EXPECT_EQ(decode(at("plain.tif")).exifOrientation, -1);
  // 0 and 9 are outside EXIF's range; they come back as stored, for the caller to judge.
  for (const int orientation : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}) {
    SCOPED_TRACE(orientation);
    for (const char* name : {"turned.jpg", "turned.tif"}) {
      fs::copy_file(at(std::string("plain") + fs::path(name).extension().string()), at(name),
                    fs::copy_options::overwrite_existing);
      toolOutput({"exiv2", "-M", "set Exif.Image.Orientation " + std::to_string(orientation), at(name)});
      const DecodedImage turned = decode(at(name));
      ASSERT_TRUE(turned.pixels);
      // libtiff refuses orientation values outside 1..8 as it reads the directory.
      const bool tiff = fs::path(name).extension() == ".tif";
      EXPECT_EQ(turned.exifOrientation, tiff && (orientation < 1 || orientation > 8) ? -1 : orientation) << name;
      EXPECT_EQ(pixelBytes(*turned.pixels),
                pixelBytes(*decode(at(std::string("plain") + fs::path(name).extension().string())).pixels));
    }
  }
}

// CMYK samples straight from libjpeg, with and without Adobe's marker (whose files hold inverted samples).
void writeCmykJpeg(const std::string& file, int width, int height, const std::vector<std::uint8_t>& cmyk, bool adobe) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  FILE* out = std::fopen(file.c_str(), "wb");
  jpeg_stdio_dest(&info, out);
  info.image_width = width;
  info.image_height = height;
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, JCS_CMYK);
  jpeg_set_quality(&info, 100, TRUE);
  info.write_Adobe_marker = adobe;
  jpeg_start_compress(&info, TRUE);
  std::vector<std::uint8_t> row(std::size_t(width) * 4);
  for (int y = 0; y < height; ++y) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      const std::uint8_t v = cmyk[std::size_t(y) * row.size() + i];
      row[i] = adobe ? static_cast<std::uint8_t>(255 - v) : v;
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(out);
}

TEST_F(ImageCodecs, CmykJpegsReadAsInkAmountsWithANaiveRgbPicture) {
  // Four flat patches, 8 pixels each, so that q100 keeps them to a step or two: cyan, magenta, yellow, black ink.
  const int width = 33, height = 9;
  std::vector<std::uint8_t> cmyk;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int patch = std::min(x / 8, 3);
      const std::uint8_t ink[4][4] = {{200, 0, 0, 0}, {0, 180, 0, 0}, {0, 0, 160, 0}, {0, 0, 0, 100}};
      cmyk.insert(cmyk.end(), ink[patch], ink[patch] + 4);
    }
  for (const bool adobe : {false, true}) {
    SCOPED_TRACE(adobe ? "Adobe, inverted" : "plain");
    writeCmykJpeg(at("cmyk.jpg"), width, height, cmyk, adobe);
    const DecodedImage image = decode(at("cmyk.jpg"));
    ASSERT_TRUE(image.pixels);
    EXPECT_EQ(image.model, SourceColourModel::cmyk);
    ASSERT_EQ(image.cmykSamples.size(), cmyk.size());
    for (std::size_t i = 0; i < cmyk.size(); ++i) ASSERT_NEAR(image.cmykSamples[i], cmyk[i], 2) << i;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* ink = &image.cmykSamples[(std::size_t(y) * width + x) * 4];
        const std::uint8_t* p = image.pixels->view().localPixel(x, y);
        EXPECT_EQ(p[kAlphaByte], 0);
        EXPECT_EQ(p[kRedByte], (255 - ink[3]) * (255 - ink[0]) / 255);
        EXPECT_EQ(p[kGreenByte], (255 - ink[3]) * (255 - ink[1]) / 255);
        EXPECT_EQ(p[kBlueByte], (255 - ink[3]) * (255 - ink[2]) / 255);
      }
    const DecodedImage half = decode(at("cmyk.jpg"), {.halfSize = true});
    ASSERT_TRUE(half.pixels);
    EXPECT_EQ(half.cmykSamples.size(), std::size_t(16 * 4 * 4));
  }

  // GraphicsMagick's CMYK JPEG (Adobe-marked) reads as GraphicsMagick reads it back.
  const OffscreenPtr photo = makePhoto(21, 11);
  toolOutput(
      {"gm", "convert", writePnm("photo.ppm", *photo), "-colorspace", "CMYK", "-quality", "95", at("gm-cmyk.jpg")});
  const DecodedImage image = decode(at("gm-cmyk.jpg"));
  ASSERT_TRUE(image.pixels);
  EXPECT_EQ(image.model, SourceColourModel::cmyk);
  const std::string theirs = toolOutput({"gm", "convert", at("gm-cmyk.jpg"), "-depth", "8", "cmyk:-"});
  ASSERT_EQ(theirs.size(), image.cmykSamples.size());
  for (std::size_t i = 0; i < theirs.size(); ++i)
    ASSERT_NEAR(static_cast<std::uint8_t>(theirs[i]), image.cmykSamples[i], 1) << i;
}

// ---------------------------------------------------------------------------------------------------------------
// TIFF

TEST_F(ImageCodecs, TiffLayoutsDecodeAsGraphicsMagickReadsThem) {
  const int width = 35, height = 19;  // odd, and more than one strip for some layouts
  const OffscreenPtr photo = makePhoto(width, height, true);
  const std::string ppm = writePnm("rgb.ppm", *photo), pam = writePnm("rgba.pam", *photo, true);
  // 16-bit samples whose low bytes matter for the rounding to 8 bits.
  Raster deep;
  deep.width = width;
  deep.height = height;
  deep.channels = 3;
  deep.maxval = 65535;
  for (int i = 0; i < width * height * 3; ++i) deep.samples.push_back(static_cast<std::uint16_t>(i * 997 + 128));
  writeFileBytes(at("deep.ppm"), pnmBytes(deep));
  Raster grey = deep;
  grey.channels = 1;
  grey.samples.resize(std::size_t(width) * height);
  writeFileBytes(at("deep.pgm"), pnmBytes(grey));

  const struct {
    const char* name;
    std::vector<std::vector<std::string>> make;  // commands; the last one writes x.tif
    SourceColourModel model;
    bool alpha;
  } cases[] = {
      {"8-bit RGB, LZW", {{"gm", "convert", ppm, "-compress", "LZW", at("x.tif")}}, SourceColourModel::rgb, false},
      {"8-bit RGBA", {{"gm", "convert", pam, "-compress", "None", at("x.tif")}}, SourceColourModel::rgb, true},
      {"16-bit RGB", {{"gm", "convert", at("deep.ppm"), "-depth", "16", at("x.tif")}}, SourceColourModel::rgb, false},
      {"16-bit grey", {{"gm", "convert", at("deep.pgm"), "-depth", "16", at("x.tif")}}, SourceColourModel::grey, false},
      {"8-bit grey", {{"gm", "convert", at("deep.pgm"), "-depth", "8", at("x.tif")}}, SourceColourModel::grey, false},
      {"planes apart",
       {{"gm", "convert", pam, at("c.tif")}, {"tiffcp", "-p", "separate", "-c", "lzw", at("c.tif"), at("x.tif")}},
       SourceColourModel::rgb,
       true},
      {"tiled",
       {{"gm", "convert", ppm, at("c.tif")}, {"tiffcp", "-t", "-w", "16", "-l", "16", at("c.tif"), at("x.tif")}},
       SourceColourModel::rgb,
       false},
      {"palette",
       {{"gm", "convert", ppm, "-colors", "16", "-type", "Palette", at("x.tif")}},
       SourceColourModel::rgb,
       false},
      {"deflate, big-endian",
       {{"gm", "convert", ppm, at("c.tif")}, {"tiffcp", "-B", "-c", "zip", at("c.tif"), at("x.tif")}},
       SourceColourModel::rgb,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& command : c.make) toolOutput(command);
    const DecodedImage image = decode(at("x.tif"));
    ASSERT_TRUE(image.pixels);
    EXPECT_EQ(image.model, c.model);
    EXPECT_EQ(image.hasAlpha, c.alpha);
    // libtiff's RGBA reader turns a 16-bit palette into 8 bits by dropping the low byte; GraphicsMagick rounds.
    expectPixels(*image.pixels, parsePnm(toolOutput({"gm", "convert", at("x.tif"), "pam:-"})),
                 std::string(c.name) == "palette" ? 1 : 0);
  }
}

TEST_F(ImageCodecs, CmykTiffKeepsItsInkAndReadsAsLibtiffsRgbaReaderShowsIt) {
  const OffscreenPtr photo = makePhoto(23, 13);
  toolOutput({"gm", "convert", writePnm("rgb.ppm", *photo), "-colorspace", "CMYK", at("cmyk.tif")});
  const DecodedImage image = decode(at("cmyk.tif"));
  ASSERT_TRUE(image.pixels);
  EXPECT_EQ(image.model, SourceColourModel::cmyk);
  const std::string ink = toolOutput({"gm", "convert", at("cmyk.tif"), "-depth", "8", "cmyk:-"});
  EXPECT_EQ(std::string(image.cmykSamples.begin(), image.cmykSamples.end()), ink);
  toolOutput({"tiff2rgba", "-n", at("cmyk.tif"), at("rgba.tif")});
  expectPixels(*image.pixels, parsePnm(toolOutput({"gm", "convert", at("rgba.tif"), "pam:-"})));
}

TEST_F(ImageCodecs, TiffResolutionIsReadInInches) {
  const OffscreenPtr photo = makePhoto(5, 3);
  const std::string ppm = writePnm("a.ppm", *photo);
  toolOutput({"gm", "convert", ppm, "-units", "PixelsPerCentimeter", "-density", "100x50", at("cm.tif")});
  const DecodedImage cm = decode(at("cm.tif"));
  EXPECT_NEAR(cm.xResolution, 254, 0.01);
  EXPECT_NEAR(cm.yResolution, 127, 0.01);
  toolOutput({"gm", "convert", ppm, "-units", "PixelsPerInch", "-density", "240", at("inch.tif")});
  EXPECT_NEAR(decode(at("inch.tif")).xResolution, 240, 0.01);
}

// ---------------------------------------------------------------------------------------------------------------
// PNG

TEST_F(ImageCodecs, PngColourTypesDecodeAsPngtopnmReadsThem) {
  const int width = 29, height = 11;
  const OffscreenPtr photo = makePhoto(width, height, true);
  const std::string pam = writePnm("rgba.pam", *photo, true), ppm = writePnm("rgb.ppm", *photo);
  // 16-bit samples whose low bytes matter for the rounding, and a picture of five colours for a palette.
  Raster deep = offscreenRaster(*photo, true);
  deep.maxval = 65535;
  for (std::size_t i = 0; i < deep.samples.size(); ++i) deep.samples[i] = static_cast<std::uint16_t>(i * 2311 + 77);
  writeFileBytes(at("deep.pam"), pnmBytes(deep));
  Raster deepRgb = deep;
  deepRgb.channels = 3;
  deepRgb.samples.clear();
  for (std::size_t i = 0; i < deep.samples.size(); ++i)
    if (i % 4 != 3) deepRgb.samples.push_back(deep.samples[i]);
  writeFileBytes(at("deep.ppm"), pnmBytes(deepRgb));
  Raster five = offscreenRaster(*photo, false);
  for (std::size_t i = 0; i < five.samples.size(); ++i) five.samples[i] = static_cast<std::uint16_t>((i / 3 % 5) * 60);
  writeFileBytes(at("five.ppm"), pnmBytes(five));
  Raster greyAlpha = offscreenRaster(*photo, true);
  greyAlpha.channels = 2;
  greyAlpha.samples.clear();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      greyAlpha.samples.insert(greyAlpha.samples.end(), {std::uint16_t(x * 8), std::uint16_t(y * 20 + x)});
  writeFileBytes(at("ga.pam"), pnmBytes(greyAlpha));
  Raster grey = greyAlpha;
  grey.channels = 1;
  grey.samples.clear();
  for (std::size_t i = 0; i < greyAlpha.samples.size(); i += 2) grey.samples.push_back(greyAlpha.samples[i]);
  writeFileBytes(at("grey.pgm"), pnmBytes(grey));
  const struct {
    const char* name;
    std::vector<std::string> make;  // writes x.png, or the PNG on its standard output
    SourceColourModel model;
    bool alpha;
  } cases[] = {
      {"RGB", {"gm", "convert", ppm, "PNG24:" + at("x.png")}, SourceColourModel::rgb, false},
      {"RGBA", {"gm", "convert", pam, "PNG32:" + at("x.png")}, SourceColourModel::rgb, true},
      {"16-bit RGB", {"pamtopng", at("deep.ppm")}, SourceColourModel::rgb, false},
      {"16-bit RGBA", {"pamtopng", at("deep.pam")}, SourceColourModel::rgb, true},
      {"grey", {"gm", "convert", ppm, "-type", "Grayscale", at("x.png")}, SourceColourModel::grey, false},
      {"grey with alpha",
       {"gm", "convert", pam, "-type", "GrayscaleMatte", at("x.png")},
       SourceColourModel::grey,
       true},
      {"palette", {"pnmtopng", at("five.ppm")}, SourceColourModel::rgb, false},
      {"palette with transparency",
       {"pnmtopng", "-transparent", "=rgb:3c/3c/3c", at("five.ppm")},
       SourceColourModel::rgb,
       true},
      {"interlaced",
       {"gm", "convert", pam, "-interlace", "Line", "PNG32:" + at("x.png")},
       SourceColourModel::rgb,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string made = toolOutput(c.make);
    if (c.make[0] != "gm") writeFileBytes(at("x.png"), made);
    const DecodedImage image = decode(at("x.png"));
    ASSERT_TRUE(image.pixels);
    EXPECT_EQ(image.model, c.model);
    EXPECT_EQ(image.hasAlpha, c.alpha);
    Raster colour = parsePnm(toolOutput({"pngtopnm", at("x.png")}));
    if (c.alpha) {
      const Raster alpha = parsePnm(toolOutput({"pngtopnm", "-alpha", at("x.png")}));
      Raster both = colour;
      both.channels = colour.channels + 1;
      both.samples.clear();
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          for (int ch = 0; ch < colour.channels; ++ch) both.samples.push_back(colour.at(x, y, ch));
          // pngtopnm writes a one-bit alpha as a bitmap (maxval 1).
          both.samples.push_back(
              static_cast<std::uint16_t>(std::int64_t{alpha.at(x, y, 0)} * colour.maxval / alpha.maxval));
        }
      colour = both;
    }
    expectPixels(*image.pixels, colour);
  }
}

TEST_F(ImageCodecs, PngAlphaReadsInvertedAndWritesBackUnchanged) {
  const OffscreenPtr photo = makePhoto(31, 9, true);
  const std::string source = toolOutput({"pamtopng", writePnm("rgba.pam", *photo, true)});
  writeFileBytes(at("in.png"), source);
  const DecodedImage image = decode(at("in.png"));
  ASSERT_TRUE(image.pixels);
  // The file's alpha is 255 − ours: the pixels we started from come back exactly.
  EXPECT_EQ(pixelBytes(*image.pixels), pixelBytes(*photo));
  ASSERT_EQ(encodeImageFile(*image.pixels, at("out.png"), ImageFileType::png, {}), noErr);
  EXPECT_EQ(toolOutput({"pngtopnm", at("out.png")}), toolOutput({"pngtopnm", at("in.png")}));
  EXPECT_EQ(toolOutput({"pngtopnm", "-alpha", at("out.png")}), toolOutput({"pngtopnm", "-alpha", at("in.png")}));
}

// ---------------------------------------------------------------------------------------------------------------
// Writers, read back by other programs

TEST_F(ImageCodecs, WrittenFilesAreWhatOtherProgramsExpect) {
  const OffscreenPtr photo = makePhoto(37, 21, true);
  const std::vector<std::uint8_t> profile = makeSrgbProfile();
  const EncodeOptions options{.dpi = 300, .quality = 90, .iccProfile = profile};

  ASSERT_EQ(encodeImageFile(*photo, at("out.tif"), ImageFileType::tiffLzw, options), noErr);
  const std::string info = toolOutput({"tiffinfo", at("out.tif")});
  EXPECT_NE(info.find("Compression Scheme: LZW"), std::string::npos) << info;
  EXPECT_NE(info.find("Resolution: 300, 300 pixels/inch"), std::string::npos) << info;
  EXPECT_NE(info.find("ICC Profile: <present>, " + std::to_string(profile.size()) + " bytes"), std::string::npos)
      << info;
  EXPECT_NE(info.find("Extra Samples: 1<unassoc-alpha>"), std::string::npos) << info;
  expectPixels(*photo, parsePnm(toolOutput({"gm", "convert", at("out.tif"), "pam:-"})));

  ASSERT_EQ(encodeImageFile(*photo, at("out.png"), ImageFileType::png, options), noErr);
  EXPECT_EQ(toolOutput({"gm", "identify", "-format", "%x %y", at("out.png")}), "118.11 118.11\n");  // per cm
  const Raster colour = parsePnm(toolOutput({"pngtopnm", at("out.png")}));
  const Raster alpha = parsePnm(toolOutput({"pngtopnm", "-alpha", at("out.png")}));
  for (int y = 0; y < photo->height(); ++y)
    for (int x = 0; x < photo->width(); ++x) {
      const std::uint8_t* p = photo->view().localPixel(x, y);
      ASSERT_EQ(alpha.at(x, y, 0), 255 - p[kAlphaByte]);
      ASSERT_EQ(colour.at(x, y, 0), p[kRedByte]);
      ASSERT_EQ(colour.at(x, y, 2), p[kBlueByte]);
    }

  ASSERT_EQ(encodeImageFile(*photo, at("out.jpg"), ImageFileType::jpeg, options), noErr);
  const std::string jpeg = toolOutput({"gm", "identify", "-verbose", at("out.jpg")});
  EXPECT_NE(jpeg.find("JPEG-Quality: 90"), std::string::npos) << jpeg;
  EXPECT_NE(jpeg.find("Resolution: 300x300 pixels/inch"), std::string::npos) << jpeg;
  EXPECT_NE(toolOutput({"exiv2", "-pS", at("out.jpg")}).find("ICC_PROFILE"), std::string::npos);
  expectPixels(*decode(at("out.jpg")).pixels, parsePnm(toolOutput({"djpeg", "-pnm", at("out.jpg")})));
  Raster opaque = offscreenRaster(*photo, false);
  const Raster decoded = parsePnm(toolOutput({"djpeg", "-pnm", at("out.jpg")}));
  int worst = 0;
  for (std::size_t i = 0; i < opaque.samples.size(); ++i)
    worst = std::max(worst, std::abs(int(opaque.samples[i]) - int(decoded.samples[i])));
  EXPECT_LE(worst, 40);  // q90 4:2:0 on a textured picture

  ASSERT_EQ(encodeImageFile(*photo, at("out.tga"), ImageFileType::targa, options), noErr);
  const std::string tga = toolOutput({"gm", "identify", "-verbose", at("out.tga")});
  EXPECT_NE(tga.find("Type: true color\n"), std::string::npos) << tga;
  EXPECT_EQ(parsePnm(toolOutput({"gm", "convert", at("out.tga"), "ppm:-"})).samples, opaque.samples);

  // No tool here reads Photoshop pictures (GraphicsMagick is built without them): our reader, which the test
  // below holds to files built from the format's layout, reads the pixels, the profile and the resolution.
  ASSERT_EQ(encodeImageFile(*photo, at("out.psd"), ImageFileType::photoshop, options), noErr);
  const DecodedImage psd = decode(at("out.psd"));
  EXPECT_EQ(psd.iccProfile, profile);
  ASSERT_TRUE(psd.pixels);
  EXPECT_TRUE(psd.hasAlpha);
  EXPECT_EQ(psd.xResolution, 300);
  EXPECT_EQ(pixelBytes(*psd.pixels), pixelBytes(*photo));
}

TEST_F(ImageCodecs, JpegQualityIsClampedAndResolutionDefaultsTo72) {
  const OffscreenPtr photo = makePhoto(17, 9);
  const auto write = [&](const char* name, int quality, int dpi) {
    EXPECT_EQ(encodeImageFile(*photo, at(name), ImageFileType::jpeg, {.dpi = dpi, .quality = quality}), noErr);
    return readFileBytes(at(name));
  };
  EXPECT_EQ(write("150.jpg", 150, 72), write("100.jpg", 100, 72));
  EXPECT_EQ(write("-5.jpg", -5, 72), write("0.jpg", 0, 72));
  EXPECT_NE(write("0.jpg", 0, 72), write("100.jpg", 100, 72));
  EXPECT_EQ(write("dpi0.jpg", 75, 0), write("dpi72.jpg", 75, 72));
  ASSERT_EQ(encodeImageFile(*photo, at("0.tif"), ImageFileType::tiffLzw, {.dpi = -3}), noErr);
  EXPECT_NE(toolOutput({"tiffinfo", at("0.tif")}).find("Resolution: 72, 72 pixels/inch"), std::string::npos);
}

TEST_F(ImageCodecs, AWriteReplacesAFileOnlyWhenCompleteAndLeavesNoTemporaryFile) {
  const OffscreenPtr photo = makePhoto(7, 5);
  writeFileBytes(at("out.jpg"), "old content");
  EXPECT_NE(encodeImageFile(*photo, dir_ / "no such folder" / "out.jpg", ImageFileType::jpeg, {}), noErr);
  EXPECT_FALSE(fs::exists(dir_ / "no such folder"));
  ASSERT_EQ(encodeImageFile(*photo, at("out.jpg"), ImageFileType::jpeg, {}), noErr);
  EXPECT_EQ(sniffImageFileKind(asBytes(readFileBytes(at("out.jpg")))), ImageFileKind::jpeg);
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".vorl-"), std::string::npos) << entry.path();
}

// ---------------------------------------------------------------------------------------------------------------
// Profiles

TEST_F(ImageCodecs, EmbeddedProfilesRoundTripByteForByte) {
  const OffscreenPtr photo = makePhoto(11, 7);
  const std::vector<std::uint8_t> srgb = makeSrgbProfile(), other = makeGammaRgbProfile();
  const struct {
    const char* name;
    ImageFileType type;
  } cases[] = {{"a.jpg", ImageFileType::jpeg}, {"a.png", ImageFileType::png}, {"a.tif", ImageFileType::tiffLzw}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string with = at(std::string("with-") + c.name), without = at(std::string("without-") + c.name);
    ASSERT_EQ(encodeImageFile(*photo, with, c.type, {.iccProfile = srgb}), noErr);
    ASSERT_EQ(encodeImageFile(*photo, without, c.type, {}), noErr);

    std::vector<std::uint8_t> read;
    ASSERT_EQ(readEmbeddedProfile(with, read), noErr);
    EXPECT_EQ(read, srgb);
    EXPECT_EQ(decode(with).iccProfile, srgb);
    EXPECT_EQ(asBytes(toolOutput({"exiv2", "-pC", with})), srgb);
    EXPECT_EQ(readEmbeddedProfile(without, read), kNoEmbeddedProfileErr);
    EXPECT_TRUE(decode(without).iccProfile.empty());

    // Extract from one file, embed in the other: the same bytes, and the pixels untouched.
    ASSERT_EQ(readEmbeddedProfile(with, read), noErr);
    const std::vector<std::uint8_t> before = pixelBytes(*decode(without).pixels);
    ASSERT_EQ(embedProfile(without, read), noErr);
    std::vector<std::uint8_t> again;
    ASSERT_EQ(readEmbeddedProfile(without, again), noErr);
    EXPECT_EQ(again, srgb);
    EXPECT_EQ(pixelBytes(*decode(without).pixels), before);
    // A second embedding replaces the first.
    ASSERT_EQ(embedProfile(without, other), noErr);
    EXPECT_EQ(asBytes(toolOutput({"exiv2", "-pC", without})), other);
    EXPECT_EQ(decode(without).iccProfile, other);
  }
}

// ---------------------------------------------------------------------------------------------------------------
// Previews, other formats, sniffing

TEST_F(ImageCodecs, PreviewsHalveOddSizesDownwardsByAveraging) {
  const OffscreenPtr photo = makePhoto(33, 17, true);
  for (const auto type : {ImageFileType::tiffLzw, ImageFileType::png}) {
    const std::string file = at(type == ImageFileType::png ? "a.png" : "a.tif");
    ASSERT_EQ(encodeImageFile(*photo, file, type, {}), noErr);
    const DecodedImage half = decode(file, {.halfSize = true});
    ASSERT_TRUE(half.pixels);
    ASSERT_EQ(half.pixels->width(), 16);
    ASSERT_EQ(half.pixels->height(), 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 16; ++x)
        for (int c = 0; c < 4; ++c) {
          const auto at = [&](int px, int py) { return int(photo->view().localPixel(px, py)[c]); };
          const int mean =
              (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) + at(2 * x + 1, 2 * y + 1) + 2) / 4;
          ASSERT_EQ(half.pixels->view().localPixel(x, y)[c], mean) << x << "," << y << " byte " << c;
        }
  }
  // A side of one pixel stays one pixel.
  const OffscreenPtr line = makePhoto(1, 5);
  ASSERT_EQ(encodeImageFile(*line, at("line.png"), ImageFileType::png, {}), noErr);
  const DecodedImage half = decode(at("line.png"), {.halfSize = true});
  ASSERT_TRUE(half.pixels);
  EXPECT_EQ(half.pixels->width(), 1);
  EXPECT_EQ(half.pixels->height(), 2);
}

TEST_F(ImageCodecs, BmpAndGifReadThroughGraphicsMagick) {
  const OffscreenPtr photo = makePhoto(19, 13);
  const std::string ppm = writePnm("a.ppm", *photo);
  toolOutput({"gm", "convert", ppm, at("a.bmp")});
  toolOutput({"gm", "convert", ppm, "-colors", "32", at("a.gif")});
  const struct {
    const char* name;
    ImageFileKind kind;
  } cases[] = {{"a.bmp", ImageFileKind::bmp}, {"a.gif", ImageFileKind::gif}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sniffImageFileKind(asBytes(readFileBytes(at(c.name)))), c.kind);
    const DecodedImage image = decode(at(c.name));
    ASSERT_TRUE(image.pixels);
    EXPECT_FALSE(image.hasAlpha);
    expectPixels(*image.pixels, parsePnm(toolOutput({"gm", "convert", at(c.name), "ppm:-"})));
  }
}

// A Photoshop file built here from the format's layout, independently of our writer: the merged picture's
// planes, raw or PackBits (each row one literal run), with `channels` planes whose sample (x, y, c) is given.
std::string photoshopFile(int width, int height, int mode, int channels, int depth, bool packBits,
                          std::uint16_t (*sample)(int x, int y, int c)) {
  std::string f;
  const auto put = [&](std::uint32_t v, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) f.push_back(char(v >> shift));
  };
  f += "8BPS";
  put(1, 2);
  put(0, 4);
  put(0, 2);
  put(channels, 2);
  put(height, 4);
  put(width, 4);
  put(depth, 2);
  put(mode, 2);
  put(0, 4);
  put(0, 4);
  put(0, 4);
  put(packBits ? 1 : 0, 2);
  const int rowBytes = width * depth / 8;
  if (packBits)
    for (int i = 0; i < channels * height; ++i) put(rowBytes + (rowBytes + 127) / 128, 2);
  for (int c = 0; c < channels; ++c)
    for (int y = 0; y < height; ++y) {
      std::string row;
      for (int x = 0; x < width; ++x) {
        const std::uint16_t v = sample(x, y, c);
        if (depth == 16) row.push_back(char(v >> 8));
        row.push_back(char(v & 0xFF));
      }
      if (!packBits) {
        f += row;
        continue;
      }
      for (std::size_t at = 0; at < row.size(); at += 128) {
        const std::size_t n = std::min<std::size_t>(128, row.size() - at);
        f.push_back(char(n - 1));
        f += row.substr(at, n);
      }
    }
  return f;
}

TEST_F(ImageCodecs, PhotoshopFilesReadTheirMergedPicture) {
  const auto rgb = [](int x, int y, int c) -> std::uint16_t { return std::uint16_t((x * 7 + y * 13 + c * 50) % 256); };
  const auto deep = [](int x, int y, int c) -> std::uint16_t { return std::uint16_t(x * 1013 + y * 7919 + c * 333); };
  const int width = 131, height = 5;  // a row longer than one PackBits run
  const struct {
    const char* name;
    int mode, channels, depth;
    bool packBits;
    std::uint16_t (*sample)(int, int, int);
  } cases[] = {
      {"RGB raw", 3, 3, 8, false, rgb},
      {"RGB + alpha PackBits", 3, 4, 8, true, rgb},
      {"16-bit RGB", 3, 3, 16, false, deep},
      {"grey + alpha", 1, 2, 8, true, rgb},
      {"CMYK (stored inverted)", 4, 4, 8, true, rgb},
      {"RGB + alpha + a spot channel", 3, 5, 8, false, rgb},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFileBytes(at("x.psd"), photoshopFile(width, height, c.mode, c.channels, c.depth, c.packBits, c.sample));
    const DecodedImage image = decode(at("x.psd"));
    ASSERT_TRUE(image.pixels);
    const int colours = c.mode == 1 ? 1 : c.mode == 3 ? 3 : 4;
    EXPECT_EQ(image.hasAlpha, c.channels > colours);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const auto v = [&](int ch) {
          const std::uint16_t s = c.sample(x, y, ch);
          return c.depth == 8 ? int(s) : (s + 128) / 257;
        };
        const std::uint8_t* p = image.pixels->view().localPixel(x, y);
        ASSERT_EQ(p[kAlphaByte], c.channels > colours ? 255 - v(colours) : 0) << x << "," << y;
        if (c.mode == 4) {
          for (int ch = 0; ch < 4; ++ch)
            ASSERT_EQ(image.cmykSamples[(std::size_t(y) * width + x) * 4 + ch], 255 - v(ch));
          continue;
        }
        for (int ch = 0; ch < 3; ++ch) ASSERT_EQ(p[kRedByte + ch], v(colours == 1 ? 0 : ch)) << x << "," << y;
      }
  }
  // Truncated PackBits data is an error.
  const std::string whole = photoshopFile(width, height, 3, 3, 8, true, rgb);
  writeFileBytes(at("cut.psd"), whole.substr(0, whole.size() - 40));
  DecodedImage cut;
  EXPECT_EQ(decodeImageFile(at("cut.psd"), cut), kImageDataErr);
}

TEST_F(ImageCodecs, FilesAreRecognisedByTheirBytesNotTheirNames) {
  const OffscreenPtr photo = makePhoto(9, 5);
  ASSERT_EQ(encodeImageFile(*photo, at("really-jpeg.png"), ImageFileType::jpeg, {}), noErr);
  ASSERT_EQ(encodeImageFile(*photo, at("really-png.jpg"), ImageFileType::png, {}), noErr);
  ASSERT_EQ(encodeImageFile(*photo, at("really-tiff"), ImageFileType::tiffLzw, {}), noErr);
  EXPECT_TRUE(decode(at("really-jpeg.png")).pixels);
  EXPECT_EQ(pixelBytes(*decode(at("really-png.jpg")).pixels), pixelBytes(*photo));
  EXPECT_EQ(pixelBytes(*decode(at("really-tiff")).pixels), pixelBytes(*photo));
}

// ---------------------------------------------------------------------------------------------------------------
// Camera raw

TEST_F(ImageCodecs, CameraRawDevelopsAsDcrawEmuDoes) {
  writeSmallDng(at("small.dng"), 64, 48, 6);
  const std::vector<std::uint8_t> bytes = asBytes(readFileBytes(at("small.dng")));
  ASSERT_EQ(sniffImageFileKind(bytes), ImageFileKind::cameraRaw);
  const DecodedImage image = decode(at("small.dng"));
  ASSERT_TRUE(image.pixels);
  EXPECT_EQ(image.exifOrientation, 6);  // reported, not applied: the picture stays 64 wide
  EXPECT_EQ(image.pixels->width(), 64);
  expectPixels(*image.pixels, parsePnm(toolOutput({"dcraw_emu", "-w", "-t", "0", "-Z", "-", at("small.dng")})));

  const DecodedImage half = decode(at("small.dng"), {.halfSize = true});
  ASSERT_TRUE(half.pixels);
  EXPECT_EQ(half.pixels->width(), 32);
  EXPECT_EQ(half.pixels->height(), 24);
  expectPixels(*half.pixels, parsePnm(toolOutput({"dcraw_emu", "-w", "-h", "-t", "0", "-Z", "-", at("small.dng")})));

  // Cut short, the raw data is an error, not a picture.
  writeFileBytes(at("cut.dng"), readFileBytes(at("small.dng")).substr(0, bytes.size() * 2 / 3));
  DecodedImage cut;
  EXPECT_EQ(decodeImageFile(at("cut.dng"), cut), kImageDataErr);
  EXPECT_FALSE(cut.pixels);
}

// ---------------------------------------------------------------------------------------------------------------
// Bad input

// A minimal little-endian TIFF header whose one directory claims the given size and one strip of 3 bytes.
std::string tiffClaiming(std::uint32_t width, std::uint32_t height) {
  std::string t("II*\0\x08\0\0\0", 8);
  const auto u16 = [&](std::uint16_t v) { t.append({char(v & 0xFF), char(v >> 8)}); };
  const auto u32 = [&](std::uint32_t v) { t.append({char(v), char(v >> 8), char(v >> 16), char(v >> 24)}); };
  const auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
    u16(tag);
    u16(type);
    u32(1);
    u32(value);
  };
  u16(8);
  entry(256, 4, width);
  entry(257, 4, height);
  entry(258, 3, 8);
  entry(262, 3, 1);
  entry(273, 4, 200);
  entry(277, 3, 1);
  entry(278, 4, height);
  entry(279, 4, 3);
  u32(0);
  t.resize(203, '\x7F');
  return t;
}

// The PNG with its header's width replaced (and the header's CRC made right again).
std::string pngClaimingWidth(std::string png, std::uint32_t width) {
  for (int i = 0; i < 4; ++i) png[16 + i] = char(width >> (24 - 8 * i));
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 12; i < 29; ++i) {  // "IHDR" and its 13 bytes
    crc ^= static_cast<std::uint8_t>(png[i]);
    for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  crc ^= 0xFFFFFFFFu;
  for (int i = 0; i < 4; ++i) png[29 + i] = char(crc >> (24 - 8 * i));
  return png;
}

TEST_F(ImageCodecs, BadInputFailsCleanlyAndLeavesTheFileAlone) {
  const OffscreenPtr photo = makePhoto(64, 48);
  ASSERT_EQ(encodeImageFile(*photo, at("good.jpg"), ImageFileType::jpeg, {}), noErr);
  ASSERT_EQ(encodeImageFile(*photo, at("good.png"), ImageFileType::png, {}), noErr);
  toolOutput({"cjpeg", "-progressive", "-outfile", at("progressive.jpg"), writePnm("p.ppm", *photo)});
  toolOutput({"gm", "convert", at("p.ppm"), "-compress", "None", at("plain.tif")});
  const std::string jpeg = readFileBytes(at("good.jpg")), progressive = readFileBytes(at("progressive.jpg"));
  const std::string png = readFileBytes(at("good.png")), tiff = readFileBytes(at("plain.tif"));
  std::string hugeJpeg = jpeg;
  const std::size_t sof = hugeJpeg.find("\xFF\xC0", 2);
  ASSERT_NE(sof, std::string::npos);
  hugeJpeg.replace(sof + 5, 4, "\xFD\xE8\xFD\xE8");  // 65000 x 65000

  fs::create_directory(at("folder"));
  ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
  const struct {
    const char* name;
    std::string bytes;  // written to the file unless the row makes its own
    OSErr expected;
    bool embeddingFails = false;  // Exiv2 rewrites the metadata of files whose pictures are broken
  } cases[] = {
      {"missing", "", fnfErr, true},
      {"folder", "", afpObjectTypeErr, true},
      {"fifo", "", afpObjectTypeErr, true},
      {"empty.jpg", "", kImageDataErr, true},
      {"garbage.jpg", std::string(5000, '\x5A'), kImageDataErr, true},
      {"jpeg-magic-only.jpg", "\xFF\xD8\xFF", kImageDataErr, true},
      {"truncated.jpg", jpeg.substr(0, jpeg.size() * 3 / 5), kImageDataErr},
      {"truncated-progressive.jpg", progressive.substr(0, progressive.size() / 2), kImageDataErr},
      {"huge.jpg", hugeJpeg, kImageTooLargeErr},
      {"truncated.png", png.substr(0, png.size() / 2), kImageDataErr},
      {"wide.png", pngClaimingWidth(png, 40000), kImageTooLargeErr},
      {"wider-than-png-allows.png", pngClaimingWidth(png, 0x80000000u), kImageDataErr},
      {"truncated.tif", tiff.substr(0, tiff.size() / 2), kImageDataErr},
      {"sides-too-long.tif", tiffClaiming(100000, 100000), kImageTooLargeErr},
      {"too-many-pixels.tif", tiffClaiming(30000, 30000), kImageTooLargeErr},
      {"psd-magic-only.psd", std::string("8BPS\0\1", 6), kImageDataErr, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = at(c.name);
    if (!fs::exists(file) && std::string(c.name) != "missing") writeFileBytes(file, c.bytes);
    const std::string before = fs::is_regular_file(file) ? readFileBytes(file) : "";

    const auto start = std::chrono::steady_clock::now();
    DecodedImage image;
    image.exifOrientation = 3;  // a failed decode leaves nothing behind
    EXPECT_EQ(decodeImageFile(file, image), c.expected);
    EXPECT_FALSE(image.pixels);
    EXPECT_EQ(image.exifOrientation, -1);
    DecodedImage preview;
    EXPECT_EQ(decodeImageFile(file, preview, {.halfSize = true}), c.expected);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    std::vector<std::uint8_t> profile;
    EXPECT_NE(readEmbeddedProfile(file, profile), noErr);
    if (fs::is_regular_file(file)) {
      EXPECT_EQ(readFileBytes(file), before);
    }
    if (c.embeddingFails) {
      EXPECT_NE(embedProfile(file, makeSrgbProfile()), noErr);
      if (fs::is_regular_file(file)) {
        EXPECT_EQ(readFileBytes(file), before);
      }
    }
    EXPECT_EQ(fs::exists(file), std::string(c.name) != "missing");
  }
}

TEST_F(ImageCodecs, ACorruptEmbeddedProfileDoesNotStopTheDecode) {
  const OffscreenPtr photo = makePhoto(15, 9);
  std::vector<std::uint8_t> junk(300, 0x11);  // its header gives no sensible length
  // JPEG: one APP2 marker that claims to be the first of two; libjpeg cannot put the profile together.
  ASSERT_EQ(encodeImageFile(*photo, at("good.jpg"), ImageFileType::jpeg, {}), noErr);
  std::string jpeg = readFileBytes(at("good.jpg"));
  std::string marker = std::string("\xFF\xE2", 2) + std::string(2, '\0') + std::string("ICC_PROFILE\0\x01\x02", 14) +
                       std::string(junk.begin(), junk.end());
  const std::size_t length = marker.size() - 2;
  marker[2] = char(length >> 8);
  marker[3] = char(length & 0xFF);
  jpeg.insert(2, marker);
  writeFileBytes(at("bad-icc.jpg"), jpeg);
  const DecodedImage fromJpeg = decode(at("bad-icc.jpg"));
  ASSERT_TRUE(fromJpeg.pixels);
  EXPECT_TRUE(fromJpeg.iccProfile.empty());
  EXPECT_EQ(pixelBytes(*fromJpeg.pixels), pixelBytes(*decode(at("good.jpg")).pixels));

  // TIFF: the tag's bytes come back as they are, for the colour step to judge.
  ASSERT_EQ(encodeImageFile(*photo, at("bad-icc.tif"), ImageFileType::tiffLzw, {.iccProfile = junk}), noErr);
  const DecodedImage fromTiff = decode(at("bad-icc.tif"));
  ASSERT_TRUE(fromTiff.pixels);
  EXPECT_EQ(fromTiff.iccProfile, junk);
  EXPECT_EQ(pixelBytes(*fromTiff.pixels), pixelBytes(*photo));

  // Embedding bytes that are no profile is refused, and the file stays as it was.
  ASSERT_EQ(encodeImageFile(*photo, at("plain.jpg"), ImageFileType::jpeg, {}), noErr);
  const std::string before = readFileBytes(at("plain.jpg"));
  EXPECT_EQ(embedProfile(at("plain.jpg"), junk), paramErr);
  EXPECT_EQ(readFileBytes(at("plain.jpg")), before);
}

}  // namespace
}  // namespace vorl
