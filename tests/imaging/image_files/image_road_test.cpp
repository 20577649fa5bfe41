// The road from image files to offscreens and back: the page photographs' file source, the general readers, the
// save types and the profile tool, checked on files made here and against the command-line tools.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/image_files/file_source.h"
#include "imaging/image_files/image_file.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/image_files/image_import_export.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/scaling/cg_drawing.h"
#include "platform/files/apple_double.h"
#include "platform/system/command_runner.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "platform/plists/user_defaults.h"
#include "tests/imaging/delta_e.h"
#include "tests/imaging/icc_fixtures.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::makeOffscreen;
using test::Pixel;
using test::pixelAt;
using test::rectAt;
using test::setPixel;

FSSpec specOf(const fs::path& path) {
  FSSpec spec;
  EXPECT_EQ(FSMakeFSSpecFromPath(path, spec), noErr) << path;
  return spec;
}

// A picture whose every pixel tells where it came from (alpha 0: an ordinary photo).
OffscreenPtr pattern(int width, int height) {
  OffscreenPtr picture = makeOffscreen(rectAt(0, 0, width, height));
  test::fillWith(*picture, [](int x, int y) {
    return Pixel{0, static_cast<std::uint8_t>(20 * x + 5), static_cast<std::uint8_t>(30 * y + 7),
                 static_cast<std::uint8_t>(90 + x + y)};
  });
  return picture;
}

fs::path writeImage(const fs::path& path, const Offscreen& picture, ImageFileType type,
                    std::span<const std::uint8_t> icc = {}) {
  EncodeOptions options;
  options.quality = 100;
  options.iccProfile = icc;
  EXPECT_EQ(encodeImageFile(picture, path, type, options), noErr) << path;
  return path;
}

void setOrientation(const fs::path& path, int orientation) {
  const CommandResult result =
      runCommand({"exiv2", "-M", "set Exif.Image.Orientation Short " + std::to_string(orientation), path.string()});
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
}

// Pixels equal within a JPEG's or a resampling's tolerance.
void expectNear(const Pixel& actual, const Pixel& expected, int tolerance) {
  for (int c = 1; c < 4; ++c) EXPECT_NEAR(actual[c], expected[c], tolerance) << "channel " << c;
}

class ImageRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::makeTempFolder("road");
    setVorlPreferencesFolder(folder_ / "VORL PREFERENCES FOLDER ƒ");
    gApplyEmbedded = false;
    myBlurValue = 0;
  }
  void TearDown() override {
    gApplyEmbedded = false;
    myBlurValue = 2.0f;
  }
  fs::path folder_;
};

TEST(FileSource, AcceptsTheExtensionsItReadsInAnyCase) {
  const struct {
    const char* name;
    bool accepted;
  } cases[] = {{"IMG_0001.jpg", true}, {"portrait.Tiff", true}, {"raw.nef", true},      {"a.tif", true},
               {"x.CR2", true},        {"y.crw", true},         {"z.psd", true},        {"b.JPEG", true},
               {"tif", false},         {"photo.png", false},    {"noextension", false}, {"a.tif x", true},
               {"a.tiffy", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TNewAllFilesHandler source;
    FSSpec spec{};
    spec.name.assign(c.name);
    source.SetCurrentFile(spec);
    EXPECT_EQ(source.IsValidFile(), c.accepted);
  }
}

TEST_F(ImageRoad, TheOrientationIsReadAsStoredWithinItsRange) {
  const struct {
    int stored;  // 0 writes no orientation at all
    int expected;
  } cases[] = {{-1, -1}, {0, -1}, {1, 1}, {6, 6}, {8, 8}, {9, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    const fs::path file = writeImage(folder_ / "o.jpg", *pattern(9, 5), ImageFileType::jpeg);
    if (c.stored >= 0) setOrientation(file, c.stored);
    CImageFile image(file);
    EXPECT_EQ(image.GetOrientation(), c.expected);
  }
  CImageFile missing(folder_ / "missing.jpg");
  EXPECT_EQ(missing.GetOrientation(), -1);
  EXPECT_EQ(missing.GetCurrentCGImage(), nullptr);
}

TEST_F(ImageRoad, APreviewIsHalvedDownwards) {
  const fs::path file = writeImage(folder_ / "odd.tif", *pattern(7, 5), ImageFileType::tiffLzw);
  CImageFile preview(file, true);
  EXPECT_EQ(preview.GetImageRect(), (CGRect{0, 0, 3, 2}));
  OffscreenPtr image = preview.GetCurrentCGImage();
  ASSERT_NE(image, nullptr);
  // Each pixel is the mean of its 2 x 2 block: red 5, 25 → 15; green 7, 37 → 22.
  EXPECT_EQ(pixelAt(*image, 0, 0), (Pixel{0, 15, 22, 91}));
}

TEST(RotatedImage, EveryOrientationTurnsAndMirrorsAsItSays) {
  OffscreenPtr source = makeOffscreen(rectAt(0, 0, 3, 2));
  test::fillCoordinates(*source);
  // Where the pixel of source (x, y) goes, for a 3 x 2 source.
  const auto expectedSource = [](int orientation, int X, int Y) -> std::pair<int, int> {
    switch (orientation) {
      case 2:
        return {2 - X, Y};
      case 3:
        return {2 - X, 1 - Y};
      case 4:
        return {X, 1 - Y};
      case 5:
        return {Y, X};
      case 6:
        return {Y, 1 - X};
      case 7:
        return {2 - Y, 1 - X};
      case 8:
        return {2 - Y, X};
      default:
        return {X, Y};
    }
  };
  for (int orientation = 0; orientation <= 9; ++orientation) {
    SCOPED_TRACE(orientation);
    OffscreenPtr turned = createNewRotatedImageRef(source.get(), orientation);
    ASSERT_NE(turned, nullptr);
    const bool quarter = orientation >= 5 && orientation <= 8;
    ASSERT_EQ(turned->width(), quarter ? 2 : 3);
    for (int Y = 0; Y < turned->height(); ++Y)
      for (int X = 0; X < turned->width(); ++X) {
        const auto [x, y] = expectedSource(orientation, X, Y);
        EXPECT_EQ(pixelAt(*turned, X, Y), test::coordinatePixel(x, y)) << X << "," << Y;
      }
  }
}

TEST_F(ImageRoad, TheFileSourceTurnsOnlyAPhotoStoredUpsideDown) {
  for (const int orientation : {1, 3, 6}) {
    SCOPED_TRACE(orientation);
    const fs::path file = writeImage(folder_ / "photo.TIF", *pattern(5, 3), ImageFileType::tiffLzw);
    setOrientation(file, orientation);
    TNewAllFilesHandler source;
    source.SetCurrentFile(specOf(file));
    ASSERT_TRUE(source.IsValidFile());
    OffscreenPtr image = source.GetFullSizeImage();
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->width(), 5);
    const Pixel topLeft = pixelAt(*image, 0, 0);
    const Pixel expected = orientation == 3 ? pixelAt(*pattern(5, 3), 4, 2) : pixelAt(*pattern(5, 3), 0, 0);
    EXPECT_EQ(topLeft, expected);
  }
}

TEST_F(ImageRoad, TheFileSourceGivesAPhotoWithAlphaAsItLiesDrawnOnWhite) {
  // Every coverage from none to full, in the photo's own pixels instead of a second offscreen: the bytes are
  // those of the photo drawn onto a new white offscreen of its size, turned when it is stored upside down.
  OffscreenPtr picture = makeOffscreen(rectAt(0, 0, 37, 29));
  test::fillWith(*picture, [](int x, int y) {
    return Pixel{static_cast<std::uint8_t>((x * 7 + y * 11) % 256), static_cast<std::uint8_t>(20 * x + 5),
                 static_cast<std::uint8_t>(30 * y + 7), static_cast<std::uint8_t>(90 + x + y)};
  });
  setPixel(*picture, 0, 0, Pixel{255, 10, 20, 30});
  setPixel(*picture, 1, 0, Pixel{0, 10, 20, 30});
  for (const int orientation : {1, 3}) {
    SCOPED_TRACE(orientation);
    const fs::path file = writeImage(folder_ / "alpha.tif", *picture, ImageFileType::tiffLzw);
    setOrientation(file, orientation);
    DecodedImage decoded;
    ASSERT_EQ(decodeImageFile(file, decoded), noErr);
    ASSERT_TRUE(decoded.hasAlpha);
    OffscreenPtr expected = makeOffscreen(rectAt(0, 0, 37, 29));
    const CGRect whole{0, 0, 37, 29};
    if (orientation == 3)
      DrawCGImageToGWorldFlip(std::move(decoded.pixels), expected.get(), whole);
    else
      DrawCGImageToGWorld(std::move(decoded.pixels), expected.get(), whole);

    TNewAllFilesHandler source;
    source.SetCurrentFile(specOf(file));
    OffscreenPtr image = source.GetFullSizeImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(test::pixelBytes(*image), test::pixelBytes(*expected));
  }
}

std::vector<std::uint8_t> colorAdjustResource(float brightness) {
  // The stored record: ten floats, most significant byte first, all neutral but the brightness, then zeros.
  const float values[10] = {1, brightness, 1, 1, 1, 1, 0, 1, 0, 0};
  std::vector<std::uint8_t> bytes(1048, 0);
  for (int i = 0; i < 10; ++i) {
    const std::uint32_t word = std::bit_cast<std::uint32_t>(values[i]);
    for (int b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<std::uint8_t>(word >> (24 - 8 * b));
  }
  return bytes;
}

TEST_F(ImageRoad, TheAdjustmentStoredBesideThePhotoCorrectsIt) {
  const fs::path file = writeImage(folder_ / "bright.tif", *pattern(5, 3), ImageFileType::tiffLzw);
  ASSERT_EQ(writeResource(file, 'Pref', 5002, colorAdjustResource(0.2f)), noErr);
  TNewAllFilesHandler source;
  source.SetCurrentFile(specOf(file));
  OffscreenPtr image = source.GetFullSizeImage();
  ASSERT_NE(image, nullptr);
  EXPECT_DOUBLE_EQ(source.colorAdjustValues().brightness, 0.2f);
  // Brightness adds 0.2 of full light to each channel's light (sRGB's curve both ways).
  const Pixel plain = pixelAt(*pattern(5, 3), 1, 1);
  const auto brighter = [](std::uint8_t byte) {
    const double v = byte / 255.0;
    const double light = (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4)) + 0.2;
    return static_cast<std::uint8_t>(std::lround((1.055 * std::pow(light, 1 / 2.4) - 0.055) * 255));
  };
  expectNear(pixelAt(*image, 1, 1), {0, brighter(plain[1]), brighter(plain[2]), brighter(plain[3])}, 1);
  EXPECT_EQ(pixelAt(*image, 1, 1)[0], 0);
}

TEST_F(ImageRoad, TheJobsBlurSoftensThePhotoAndIsTimed) {
  OffscreenPtr step = makeOffscreen(rectAt(0, 0, 21, 9));
  test::fillWith(*step, [](int x, int) { return x < 10 ? Pixel{0, 0, 0, 0} : Pixel{0, 255, 255, 255}; });
  const fs::path file = writeImage(folder_ / "step.tif", *step, ImageFileType::tiffLzw);
  for (const float radius : {0.0f, 2.0f}) {
    SCOPED_TRACE(radius);
    myBlurValue = radius;
    TNewAllFilesHandler source;
    source.SetCurrentFile(specOf(file));
    testing::internal::CaptureStderr();
    OffscreenPtr image = source.GetFullSizeImage();
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_NE(image, nullptr);
    EXPECT_NE(log.find("number of ticks to blur hires image ="), std::string::npos);
    EXPECT_EQ(log.find("blurring image with value") != std::string::npos, radius != 0);
    const int edge = pixelAt(*image, 9, 4)[1];
    if (radius == 0)
      EXPECT_EQ(edge, 0);
    else
      EXPECT_GT(edge, 40);
  }
}

TEST_F(ImageRoad, ReadFile2TakesOtherKindsThroughTheGeneralReaders) {
  const fs::path png = writeImage(folder_ / "overlay.png", *pattern(6, 4), ImageFileType::png);
  OffscreenPtr image = ReadFile2(specOf(png));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(pixelAt(*image, 2, 3), pixelAt(*pattern(6, 4), 2, 3));

  test::MessageRecorder messages;
  fs::create_directory(folder_ / "folder.jpg");
  EXPECT_EQ(ReadFile2(specOf(folder_ / "folder.jpg")), nullptr);
  ASSERT_EQ(writeFileAtomically(folder_ / "empty.jpg", std::string_view{}, true), noErr);
  EXPECT_EQ(ReadFile2(specOf(folder_ / "empty.jpg")), nullptr);
  EXPECT_TRUE(fs::exists(folder_ / "empty.jpg"));
}

TEST_F(ImageRoad, TheImporterRoadReportsTheResolutionAndItsFailures) {
  EncodeOptions options;
  options.dpi = 300;
  ASSERT_EQ(encodeImageFile(*pattern(4, 4), folder_ / "dpi.tif", ImageFileType::tiffLzw, options), noErr);
  std::int16_t resolution = 0;
  EXPECT_NE(getGWorldFromFileSpec(specOf(folder_ / "dpi.tif"), resolution), nullptr);
  EXPECT_EQ(resolution, 300);

  test::MessageRecorder messages;
  ASSERT_EQ(writeFileAtomically(folder_ / "bad.tif", std::string_view("II*\0garbage", 11), true), noErr);
  resolution = 7;
  EXPECT_EQ(getGWorldFromFileSpec(specOf(folder_ / "bad.tif"), resolution), nullptr);
  EXPECT_EQ(resolution, 7);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0].rfind("An error occured trying to read this file, error code = ", 0), 0u);
}

TEST_F(ImageRoad, ThePictureRoadReducesTheFrame) {
  const fs::path file = writeImage(folder_ / "frame.tif", *pattern(9, 7), ImageFileType::tiffLzw);
  CPoint_AC size{};
  OffscreenPtr reduced = getGWorldFromFileSpecWithoutColorsyncProfile(specOf(file), 2, size);
  ASSERT_NE(reduced, nullptr);
  EXPECT_EQ(size.h, 9);
  EXPECT_EQ(size.v, 7);
  EXPECT_EQ(reduced->portRect(), rectAt(0, 0, 4, 3));
}

// GraphicsMagick's name for the file's format. Targa has no signature, so it is named; GraphicsMagick here has
// no Photoshop reader, so that signature is read directly.
std::string formatOf(const fs::path& file, const char* prefix = "") {
  std::vector<std::uint8_t> head;
  if (readFileBytes(file, head) == noErr && head.size() >= 4 && std::equal(head.begin(), head.begin() + 4, "8BPS"))
    return "PSD";
  const CommandResult result = runCommand({"gm", "identify", "-format", "%m", prefix + file.string()});
  return result.exitStatus == 0 ? result.standardOutput.substr(0, result.standardOutput.find('\n')) : "unreadable";
}

TEST_F(ImageRoad, EachSaveTypeWritesItsFormatOrNothing) {
  OffscreenPtr page = pattern(11, 7);
  const struct {
    std::int16_t type;
    std::int32_t result;
    const char* format;  // as GraphicsMagick names it; null: no file
  } cases[] = {{2, 0, "TIFF"},
               {3, 0, "JPEG"},
               {10, 0, "JPEG"},
               {7, 0, "TGA"},
               {8, 0, "PSD"},
               {9, 0, "PNG"},
               {4, 0, "PICT"},
               {0, badComponentInstance, nullptr},
               {1, badComponentInstance, nullptr},
               {5, badComponentInstance, nullptr},
               {6, badComponentInstance, nullptr},
               {11, badComponentInstance, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    const fs::path file = folder_ / ("saved" + std::to_string(c.type));
    const FSSpec spec = specOf(file);
    EXPECT_EQ(writeGWorldToImageFile(page.get(), &spec, c.type, 300, 80), c.result);
    if (c.format == nullptr)
      EXPECT_FALSE(fs::exists(file));
    else
      EXPECT_EQ(formatOf(file, c.type == 7 ? "tga:" : ""), c.format);
  }
  const fs::path tiff = folder_ / "saved2";
  const CommandResult info = runCommand({"tiffinfo", tiff.string()});
  EXPECT_NE(info.standardOutput.find("LZW"), std::string::npos) << info.standardOutput;
  EXPECT_NE(info.standardOutput.find("300"), std::string::npos) << info.standardOutput;
}

TEST_F(ImageRoad, SavingThroughTheTemporaryCopyLeavesNothingBehind) {
  OffscreenPtr page = pattern(5, 5);
  const FSSpec destination = specOf(folder_ / "out.jpg");
  EXPECT_TRUE(NewSaveOffscreenToFile(3, page.get(), destination, false, 300, 90, 1));
  EXPECT_EQ(formatOf(folder_ / "out.jpg"), "JPEG");
  EXPECT_FALSE(fs::exists(vorlPreferencesFolder() / "out.jpg"));

  // The older entry knows no type 10 and writes nothing for it.
  EXPECT_TRUE(NewSaveOffscreenToFile(10, page.get(), specOf(folder_ / "ten.jpg"), false, 300, 90));
  EXPECT_FALSE(fs::exists(folder_ / "ten.jpg"));
  // Our own writers answer for their failures: a null page writes nothing.
  EXPECT_FALSE(NewSaveOffscreenToFile(5, nullptr, specOf(folder_ / "raw"), false, 300, 90));
}

TEST_F(ImageRoad, TheNewSaveLeavesTheFileInThePreferencesFolderAndSaysWhere) {
  OffscreenPtr page = pattern(3, 2);
  FSSpec jpeg = specOf(folder_ / "hand off.jpg");
  ASSERT_TRUE(NewSaveOffscreenToFileNew(3, page.get(), jpeg, false, 300, 90, 0));
  fs::path written;
  ASSERT_EQ(FSpMakePath(jpeg, written), noErr);
  EXPECT_EQ(written, vorlPreferencesFolder() / "hand off.jpg");
  EXPECT_EQ(formatOf(written), "JPEG");

  FSSpec raw = specOf(folder_ / "data.raw");
  ASSERT_TRUE(NewSaveOffscreenToFileNew(5, page.get(), raw, false, 300, 90, 0));
  ASSERT_EQ(FSpMakePath(raw, written), noErr);
  EXPECT_EQ(fs::file_size(written), 18u);

  // A "/" in the name is ":" on disk.
  FSSpec slashed = specOf(folder_ / "a:b.png");
  ASSERT_TRUE(NewSaveOffscreenToFileNew(9, page.get(), slashed, false, 72, 90, 0));
  EXPECT_TRUE(fs::exists(vorlPreferencesFolder() / "a:b.png"));
}

TEST_F(ImageRoad, TheProfileToolMovesProfilesInAndOut) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(getEmbeddedProfileFromImage({{"sourceImageFilePath", "x"}}), -1);
  EXPECT_EQ(embedProfileInImage({}), -1);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("Inside getEmbeddedProfileFromImage -> Missing resultProfilePath"), std::string::npos);
  EXPECT_NE(log.find("Inside embedProfileInImage -> Missing resultProfilePath"), std::string::npos);
  EXPECT_NE(log.find("Inside embedProfileInImage -> Missing sourceImageFilePath"), std::string::npos);

  const std::vector<std::uint8_t> profile = test::profileBytes(test::makeAdobeLikeProfile());
  ASSERT_EQ(writeFileAtomically(folder_ / "adobe.icc", profile, true), noErr);
  const fs::path image = writeImage(folder_ / "tagged.jpg", *pattern(4, 4), ImageFileType::jpeg);
  ASSERT_EQ(embedProfileInImage(
                {{"sourceImageFilePath", image.string()}, {"resultProfilePath", (folder_ / "adobe.icc").string()}}),
            0);
  ASSERT_EQ(getEmbeddedProfileFromImage(
                {{"sourceImageFilePath", image.string()}, {"resultProfilePath", (folder_ / "back.icc").string()}}),
            0);
  std::vector<std::uint8_t> back;
  ASSERT_EQ(readFileBytes(folder_ / "back.icc", back), noErr);
  EXPECT_EQ(back, profile);
}

// With embedded profiles applied a photo's colours come from its profile into the working space, as tificc
// converts them into sRGB; without, the stored values stand.
TEST_F(ImageRoad, EmbeddedProfilesAreAppliedOnlyWhenTheJobAsks) {
  const std::vector<std::uint8_t> profile = test::profileBytes(test::makeAdobeLikeProfile());
  OffscreenPtr colours = makeOffscreen(rectAt(0, 0, 5, 1));
  const Pixel samples[5] = {{0, 0, 128, 0}, {0, 200, 30, 40}, {0, 10, 90, 220}, {0, 128, 128, 128}, {0, 255, 255, 0}};
  for (int x = 0; x < 5; ++x) test::setPixel(*colours, x, 0, samples[x]);
  const fs::path file = writeImage(folder_ / "adobe.tif", *colours, ImageFileType::tiffLzw, profile);

  const fs::path converted = folder_ / "srgb.tif";
  const CommandResult tificc = runCommand({"tificc", file.string(), converted.string()});
  ASSERT_EQ(tificc.exitStatus, 0) << tificc.standardError;
  DecodedImage reference;
  ASSERT_EQ(decodeImageFile(converted, reference), noErr);

  gApplyEmbedded = true;
  OffscreenPtr applied = CImageFile(file).GetCurrentCGImage();
  gApplyEmbedded = false;
  OffscreenPtr plain = CImageFile(file).GetCurrentCGImage();
  ASSERT_NE(applied, nullptr);
  ASSERT_NE(plain, nullptr);
  for (int x = 0; x < 5; ++x) {
    SCOPED_TRACE(x);
    expectNear(pixelAt(*applied, x, 0), pixelAt(*reference.pixels, x, 0), 1);
    EXPECT_EQ(pixelAt(*plain, x, 0), samples[x]);
  }
  EXPECT_NE(pixelAt(*applied, 0, 0), samples[0]) << "the Adobe-like green is not the sRGB green";
}

// Colours spread over the cube, the saturated corners included (where Adobe RGB and sRGB differ most).
OffscreenPtr colourSpread(int width, int height) {
  OffscreenPtr picture = makeOffscreen(rectAt(0, 0, width, height));
  test::fillWith(*picture, [&](int x, int y) {
    return Pixel{0, static_cast<std::uint8_t>(255 * x / (width - 1)), static_cast<std::uint8_t>(255 * y / (height - 1)),
                 static_cast<std::uint8_t>((37 * x + 91 * y) % 256)};
  });
  return picture;
}

// The same Adobe-RGB photo under every name and kind a page may meet: each road that reads it applies its
// profile, so each prints what LittleCMS makes of its decoded values.
TEST_F(ImageRoad, EveryRoadThatReadsAPhotoAppliesItsProfile) {
  const std::vector<std::uint8_t> adobe = test::profileBytes(test::makeAdobeLikeProfile());
  const std::vector<std::uint8_t> sRGB = test::profileBytes(cmsCreate_sRGBProfile());
  OffscreenPtr colours = colourSpread(16, 16);
  const struct {
    const char* name;
    ImageFileType type;
  } cases[] = {{"photo.jpg", ImageFileType::jpeg}, {"photo.tif", ImageFileType::tiffLzw},
               {"photo.jpe", ImageFileType::jpeg}, {"photo", ImageFileType::jpeg},
               {"photo.png", ImageFileType::png},  {"photo.tga.tif", ImageFileType::tiffLzw}};
  gApplyEmbedded = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = writeImage(folder_ / c.name, *colours, c.type, adobe);
    DecodedImage stored;
    ASSERT_EQ(decodeImageFile(file, stored), noErr);
    OffscreenPtr expected = test::transformedCopy(*stored.pixels, adobe, sRGB, INTENT_PERCEPTUAL);
    OffscreenPtr read = ReadFile2(specOf(file));
    ASSERT_NE(read, nullptr);
    const test::DeltaE d = test::reportDeltaE(std::string("photo road ") + c.name, *read, *expected);
    EXPECT_LT(d.max, 0.5);
    std::int16_t resolution = 0;
    OffscreenPtr imported = getGWorldFromFileSpec(specOf(file), resolution);
    ASSERT_NE(imported, nullptr);
    EXPECT_LT(test::reportDeltaE(std::string("importer road ") + c.name, *imported, *expected).max, 0.5);
  }
}

// Ink amounts C, M, Y, K per pixel (0 = no ink), written by libtiff in strips or in 16 x 16 tiles, with the
// profile embedded when one is given.
void writeCMYKTiff(const fs::path& file, const std::vector<std::uint8_t>& cmyk, int width, int height, bool tiled,
                   const std::vector<std::uint8_t>& icc) {
  TIFF* tiff = TIFFOpen(file.c_str(), "w");
  ASSERT_NE(tiff, nullptr);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(4));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(8));
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
  TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  if (!icc.empty()) TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(icc.size()), icc.data());
  const std::size_t stride = std::size_t(width) * 4;
  if (tiled) {
    constexpr int kTile = 16;
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, static_cast<std::uint32_t>(kTile));
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, static_cast<std::uint32_t>(kTile));
    std::vector<std::uint8_t> tile(kTile * kTile * 4);
    for (int top = 0; top < height; top += kTile)
      for (int left = 0; left < width; left += kTile) {
        std::fill(tile.begin(), tile.end(), 0);
        for (int y = top; y < std::min(height, top + kTile); ++y)
          for (int x = left; x < std::min(width, left + kTile); ++x)
            std::copy_n(&cmyk[std::size_t(y) * stride + std::size_t(x) * 4], 4,
                        &tile[(std::size_t(y - top) * kTile + std::size_t(x - left)) * 4]);
        ASSERT_GT(TIFFWriteTile(tiff, tile.data(), static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(top), 0,
                                0),
                  0);
      }
  } else {
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(5));
    for (int y = 0; y < height; ++y)
      ASSERT_EQ(TIFFWriteScanline(tiff, const_cast<std::uint8_t*>(&cmyk[std::size_t(y) * stride]),
                                  static_cast<std::uint32_t>(y), 0),
                1);
  }
  TIFFClose(tiff);
}

// What LittleCMS makes of the ink amounts through the CMYK profile, as sRGB pixels.
OffscreenPtr cmykThroughProfile(const std::vector<std::uint8_t>& cmyk, int width, int height,
                                const std::vector<std::uint8_t>& icc) {
  cmsHPROFILE in = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
  cmsHPROFILE out = cmsCreate_sRGBProfile();
  cmsHTRANSFORM transform =
      cmsCreateTransform(in, TYPE_CMYK_8, out, TYPE_RGB_8, cmsGetHeaderRenderingIntent(in), 0);
  OffscreenPtr expected = makeOffscreen(rectAt(0, 0, width, height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t rgb[3];
      cmsDoTransform(transform, &cmyk[(std::size_t(y) * width + x) * 4], rgb, 1);
      test::setPixel(*expected, x, y, Pixel{0, rgb[0], rgb[1], rgb[2]});
    }
  cmsDeleteTransform(transform);
  cmsCloseProfile(in);
  cmsCloseProfile(out);
  return expected;
}

// A tiled CMYK TIFF keeps its inks, so its own profile (or the default CMYK profile) converts it as it converts
// the same picture in strips; partial tiles at the right and bottom edges included.
TEST_F(ImageRoad, ATiledCMYKPictureIsConvertedLikeOneInStrips) {
  constexpr int kWidth = 37, kHeight = 21;
  std::vector<std::uint8_t> cmyk(std::size_t(kWidth) * kHeight * 4);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* ink = &cmyk[(std::size_t(y) * kWidth + x) * 4];
      ink[0] = static_cast<std::uint8_t>(7 * x);
      ink[1] = static_cast<std::uint8_t>(12 * y);
      ink[2] = static_cast<std::uint8_t>((x * y * 5) % 256);
      ink[3] = static_cast<std::uint8_t>((x + y) % 3 == 0 ? 40 * (x % 5) : 0);
    }
  const std::vector<std::uint8_t> profile = test::profileBytes(test::makeCMYKProfile());
  const fs::path profileFile = folder_ / "default-cmyk.icc";
  ASSERT_EQ(writeFileAtomically(profileFile, profile, true), noErr);
  UserDefaults defaults(test::makeTempFolder("defaults") / "defaults.plist");
  setStandardUserDefaults(&defaults);
  defaults.setObject("DefaultCMYKProfile", profileFile.string());
  OffscreenPtr expected = cmykThroughProfile(cmyk, kWidth, kHeight, profile);

  gApplyEmbedded = true;
  for (const bool embedded : {true, false})
    for (const bool tiled : {false, true}) {
      const std::string what = std::string(tiled ? "tiled" : "strips") + (embedded ? ", embedded" : ", default");
      SCOPED_TRACE(what);
      const fs::path file = folder_ / (what + ".tif");
      writeCMYKTiff(file, cmyk, kWidth, kHeight, tiled, embedded ? profile : std::vector<std::uint8_t>{});
      OffscreenPtr read = ReadFile2(specOf(file));
      ASSERT_NE(read, nullptr);
      EXPECT_LT(test::reportDeltaE("CMYK TIFF, " + what, *read, *expected).max, 1.0);
    }
  setStandardUserDefaults(nullptr);
}

// A photo whose embedded profile cannot be used prints with its values as they stand, and the operator hears of
// it once per job, by the photo's name.
TEST_F(ImageRoad, AnUnusableEmbeddedProfileIsToldOncePerJob) {
  // A CMYK profile in an RGB photo cannot describe it.
  const std::vector<std::uint8_t> wrongSpace = test::profileBytes(test::makeCMYKProfile());
  OffscreenPtr colours = pattern(6, 4);
  const fs::path file = writeImage(folder_ / "Wrong Profile.tif", *colours, ImageFileType::tiffLzw, wrongSpace);
  const fs::path jpeg = writeImage(folder_ / "Wrong Profile.jpe", *colours, ImageFileType::jpeg, wrongSpace);
  gApplyEmbedded = true;
  forgetToldProfileProblems();
  test::MessageRecorder messages;
  for (int drawn = 0; drawn < 3; ++drawn) {
    OffscreenPtr read = ReadFile2(specOf(file));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(pixelAt(*read, 3, 2), pixelAt(*colours, 3, 2));
  }
  ASSERT_NE(ReadFile2(specOf(jpeg)), nullptr);
  const std::vector<std::string> told = messages.messages();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_NE(told[0].find("\"Wrong Profile.tif\""), std::string::npos) << told[0];
  EXPECT_NE(told[1].find("\"Wrong Profile.jpe\""), std::string::npos) << told[1];

  forgetToldProfileProblems();  // the next job
  ASSERT_NE(ReadFile2(specOf(file)), nullptr);
  EXPECT_EQ(messages.messages().size(), 3u);

  gApplyEmbedded = false;  // values taken as they stand anyway: nothing to tell
  forgetToldProfileProblems();
  ASSERT_NE(ReadFile2(specOf(file)), nullptr);
  EXPECT_EQ(messages.messages().size(), 3u);
}

}  // namespace
}  // namespace vorl
