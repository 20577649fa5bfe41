// The image object's photo files: "No File", the decoded-image cache, the file formats, refused and broken
// inputs, named graphics, the sub-job picture, the special picture and the original-file copy.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "imaging/codecs/image_file_codec.h"
#include "imaging/image_files/image_cache.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "tests/layout/image_object_fixture.h"
#include "tests/support/message_recorder.h"

namespace vorl::test {
namespace {

namespace fs = std::filesystem;

class ImageObjectFiles : public ImageObjectTest {};

bool samePixels(const Offscreen& a, const Offscreen& b) {
  if (!EqualRect(a.portRect(), b.portRect())) return false;
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.view().row(y), b.view().row(y), static_cast<std::size_t>(a.width()) * 4) != 0) return false;
  return true;
}

TEST_F(ImageObjectFiles, NoFileDrawsNothingAndSucceeds) {
  for (std::int16_t printMode : {2, 3}) {
    SCOPED_TRACE(printMode);
    ViewSettings settings;
    settings.printMode = printMode;
    auto view = makeView(settings);
    ObjectSettings object;
    object.photo = "No File";
    object.borderFlag = 1;
    object.borderWidth = 2;
    OffscreenPtr page = makePage(400, 400);
    EXPECT_TRUE(makeObject(object)->Draw4Printing(page.get(), 100, view.get()));
    EXPECT_TRUE(rectEmpty(paintedArea(*page)));
    EXPECT_TRUE(view->filesToDelete().empty());
  }
}

TEST_F(ImageObjectFiles, CacheDecodesEachPhotoOnceAndRegistersItOnce) {
  writeQuadrantPhoto("photo.png", 400, 200);
  auto view = makeView({});
  ObjectSettings settings;
  const std::int64_t before = imageObjectDecodeCount();
  OffscreenPtr page = makePage(400, 500);
  ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 100, view.get()));
  EXPECT_EQ(imageObjectDecodeCount(), before + 1);
  // Another object with the same photo, turn and adjustment reuses the decoded picture.
  OffscreenPtr second = makePage(400, 500);
  ASSERT_TRUE(makeObject(settings)->Draw4Printing(second.get(), 100, view.get()));
  EXPECT_EQ(imageObjectDecodeCount(), before + 1);
  EXPECT_TRUE(samePixels(*page, *second));
  EXPECT_EQ(view->filesToDelete().size(), 1u);
  EXPECT_EQ(std::string(view->currentImageName().macRoman()), "photo");  // kept without its extension

  settings.rotation = 90;
  ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 100, view.get()));
  EXPECT_EQ(imageObjectDecodeCount(), before + 2);
  settings.colourAdjust = {4, 0, 0, 0, 0, 0};
  ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 100, view.get()));
  EXPECT_EQ(imageObjectDecodeCount(), before + 3);
  ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 100, view.get()));
  EXPECT_EQ(imageObjectDecodeCount(), before + 3);
}

TEST_F(ImageObjectFiles, ReadsPngJpegAndTiff) {
  const std::pair<const char*, ImageFileType> formats[] = {
      {"photo.png", ImageFileType::png}, {"photo.jpg", ImageFileType::jpeg}, {"photo.tif", ImageFileType::tiffLzw}};
  for (const auto& [name, type] : formats) {
    SCOPED_TRACE(name);
    writeQuadrantPhoto(name, 400, 200, type);
    ObjectSettings settings;
    settings.photo = name;
    OffscreenPtr page = makePage(400, 500);
    ASSERT_TRUE(makeObject(settings)->Draw4Printing(page.get(), 100, makeView({}).get()));
    EXPECT_TRUE(near(colourAt(*page, 110, 210), kRed));
    EXPECT_TRUE(near(colourAt(*page, 290, 290), kYellow));
  }
}

// A photo with transparent parts prints as the file source draws a TIFF (white where it is transparent, blended
// where half), whatever its format and whether or not embedded profiles send it through the importers.
TEST_F(ImageObjectFiles, TransparentPhotosPrintAsATiffDoesWhateverTheFormat) {
  // Thirds: opaque red; blue at half cover; fully transparent, black underneath as PNG writers leave it.
  constexpr int kWidth = 300, kHeight = 200;
  const Rect frame = makeRect(0, 0, kHeight, kWidth);
  OffscreenPtr picture{myNewGWorld(&frame)};
  ASSERT_TRUE(picture);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = picture->view().localPixel(x, y);
      const int third = x / 100;
      p[kAlphaByte] = third == 0 ? 0 : third == 1 ? 128 : 255;
      p[kRedByte] = third == 0 ? 255 : 0;
      p[kGreenByte] = 0;
      p[kBlueByte] = third == 1 ? 255 : 0;
    }
  writePhoto("clear.tif", *picture, ImageFileType::tiffLzw);
  writePhoto("clear.png", *picture, ImageFileType::png);
  const bool applyEmbedded = gApplyEmbedded;
  const float blur = myBlurValue;
  for (const bool embedded : {false, true}) {
    SCOPED_TRACE(embedded ? "embedded profiles applied" : "embedded profiles ignored");
    gApplyEmbedded = embedded;
    DisposeCurrentImageGWorldPtr();
    OffscreenPtr pages[2];
    const char* names[2] = {"clear.tif", "clear.png"};
    for (int i = 0; i < 2; ++i) {
      ObjectSettings settings;
      settings.photo = names[i];
      settings.width = 3, settings.height = 2;  // the photo's own size at 100 dots per inch
      pages[i] = makePage(500, 400);
      const auto view = makeView({});
      // The job's blur is the file source's alone (TIFF, not PNG): off, so only the transparency can differ.
      myBlurValue = 0;
      ASSERT_TRUE(makeObject(settings)->Draw4Printing(pages[i].get(), 100, view.get())) << names[i];
    }
    EXPECT_EQ(colourAt(*pages[0], 150, 200), (Colour{255, 0, 0}));
    EXPECT_EQ(colourAt(*pages[0], 250, 200), (Colour{128, 128, 255}));
    EXPECT_EQ(colourAt(*pages[0], 350, 200), (Colour{255, 255, 255}));
    EXPECT_TRUE(samePixels(*pages[0], *pages[1])) << "the PNG prints otherwise than the TIFF";
    EXPECT_EQ(colourAt(*pages[1], 350, 200), (Colour{255, 255, 255}));
    saveArtifact(*pages[1], embedded ? "transparent_png_importer_road" : "transparent_png_picture_road");
  }
  gApplyEmbedded = applyEmbedded;
  myBlurValue = blur;
}

// Every broken or unsafe input fails the object with a message and leaves the page as it was.
TEST_F(ImageObjectFiles, BadInputsFailWithAMessageAndLeaveThePageAlone) {
  writeQuadrantPhoto("photo.png", 400, 200);
  fs::create_directory(imagesFolder() / "folder.png");
  std::ofstream(imagesFolder() / "text.png") << "not a picture at all";
  writeQuadrantPhoto("locked.png", 40, 20);
  fs::permissions(imagesFolder() / "locked.png", fs::perms::none);
  const bool canLock = ::access((imagesFolder() / "locked.png").c_str(), R_OK) != 0;
  // A file outside the images folder that an escaping name would reach.
  writeQuadrantPhoto("../outside.png", 40, 20);

  struct Case {
    const char* name;
    ObjectSettings object;
    std::int16_t printMode = 3;
    bool registersNothing = true;
  };
  const auto named = [](const char* photo) {
    ObjectSettings o;
    o.photo = photo;
    return o;
  };
  ObjectSettings cropOutside;
  cropOutside.useCropBounds = 1;
  cropOutside.cropBounds = {1000, 1000, 50, 50};
  ObjectSettings zeroFrame;
  zeroFrame.width = 0;
  ObjectSettings negativeFrame;
  negativeFrame.height = -1;
  std::vector<Case> cases = {
      {"missing", named("absent.png")},
      {"a folder", named("folder.png")},
      {"not an image", named("text.png"), 3, false},
      {"parent folder", named("..")},
      {"escaping name", named("../outside.png")},
      {"hidden name", named(".outside.png")},
      {"empty name", named("")},
      {"slash is a colon", named("sub/photo.png")},
      {"crop outside the photo", cropOutside, 2, false},
      {"zero frame", zeroFrame},
      {"negative frame", negativeFrame},
  };
  if (canLock) cases.push_back({"unreadable", named("locked.png"), 3, false});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MessageRecorder messages;
    ViewSettings settings;
    settings.printMode = c.printMode;
    auto view = makeView(settings);
    OffscreenPtr page = makePage(400, 500);
    EXPECT_FALSE(makeObject(c.object)->Draw4Printing(page.get(), 100, view.get()));
    EXPECT_TRUE(rectEmpty(paintedArea(*page)));
    ASSERT_FALSE(messages.messages().empty());
    if (!c.object.photo.empty() && c.object.photo != "sub/photo.png")
      EXPECT_NE(messages.messages().front().find(c.object.photo), std::string::npos) << messages.messages().front();
    if (c.registersNothing) EXPECT_TRUE(view->filesToDelete().empty());
  }
  fs::permissions(imagesFolder() / "locked.png", fs::perms::owner_all);
}

// A part of the photo through the object's crop bounds, on the crop road.
TEST_F(ImageObjectFiles, CropBoundsReadOnlyThatPart) {
  writeQuadrantPhoto("photo.png", 400, 200);
  ViewSettings settings;
  settings.printMode = 2;
  ObjectSettings object;
  object.useCropBounds = 1;
  object.cropBounds = {200, 0, 200, 100};  // the green quadrant
  OffscreenPtr page = makePage(400, 500);
  ASSERT_TRUE(makeObject(object)->Draw4Printing(page.get(), 100, makeView(settings).get()));
  const Rect drawn = paintedArea(*page);
  EXPECT_TRUE(EqualRect(drawn, makeRect(200, 100, 300, 300))) << describe(drawn);
  EXPECT_EQ(colourAt(*page, drawn.left, drawn.top), kGreen);
  EXPECT_EQ(colourAt(*page, drawn.right - 1, drawn.bottom - 1), kGreen);
}

class NamedGraphics : public ImageObjectTest {
 protected:
  void SetUp() override {
    ImageObjectTest::SetUp();
    writeQuadrantPhoto("photo.png", 200, 200);
    const fs::path category = rootFolder() / "VORL GRAPHICS FOLDER ƒ" / "FRAMES";
    fs::create_directories(category);
    // A magenta frame 10 pixels wide around a transparent middle.
    const Rect bounds = makeRect(0, 0, 100, 100);
    OffscreenPtr frame{myNewGWorld(&bounds)};
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) {
        std::uint8_t* p = frame->view().localPixel(x, y);
        const bool ring = x < 10 || y < 10 || x >= 90 || y >= 90;
        p[kAlphaByte] = ring ? 0 : 255;
        p[kRedByte] = 255;
        p[kGreenByte] = 0;
        p[kBlueByte] = 255;
      }
    ASSERT_EQ(encodeImageFile(*frame, category / "gold.png", ImageFileType::png, {}), noErr);
  }
  OffscreenPtr drawWith(const std::string& category, const std::string& name) {
    ObjectSettings object;
    object.width = object.height = 2;
    object.graphicCategory = category;
    object.graphicName = name;
    OffscreenPtr page = makePage(400, 400);
    EXPECT_TRUE(makeObject(object)->Draw4Printing(page.get(), 100, makeView({}).get()));
    return page;
  }
};

TEST_F(NamedGraphics, GraphicIsDrawnIntoTheObjectRectangle) {
  OffscreenPtr page = drawWith("frames", "gold.png");  // the category's case does not matter
  saveArtifact(*page, "image-object-graphic");
  const Colour magenta{255, 0, 255};
  EXPECT_EQ(colourAt(*page, 100, 100), magenta);
  EXPECT_EQ(colourAt(*page, 299, 299), magenta);
  EXPECT_EQ(colourAt(*page, 119, 200), magenta);
  EXPECT_EQ(colourAt(*page, 130, 130), kRed);
  EXPECT_EQ(colourAt(*page, 270, 270), kYellow);
  EXPECT_TRUE(EqualRect(paintedArea(*page), makeRect(100, 100, 300, 300)));
}

TEST_F(NamedGraphics, MissingGraphicDrawsOnlyThePhoto) {
  const OffscreenPtr plain = drawWith("", "");
  for (const auto& [category, name] : std::vector<std::pair<std::string, std::string>>{
           {"FRAMES", "silver.png"}, {"BORDERS", "gold.png"}, {"FRAMES", std::string(32, 'g')}, {"..", "gold.png"}}) {
    SCOPED_TRACE(category + "/" + name);
    EXPECT_TRUE(samePixels(*drawWith(category, name), *plain));
  }
}

// A job with a sub-job draws the sub-job picture in place of the photo on the direct road; without the picture the
// photo is drawn.
TEST_F(ImageObjectFiles, SubJobPictureReplacesThePhoto) {
  writeQuadrantPhoto("photo.png", 400, 200);
  ViewSettings settings;
  settings.hasSubJob = true;
  auto view = makeView(settings);
  ASSERT_TRUE(view->HasSubJob());
  OffscreenPtr page = makePage(400, 500);
  ASSERT_TRUE(makeObject({})->Draw4Printing(page.get(), 100, view.get()));
  EXPECT_EQ(colourAt(*page, 110, 210), kRed);

  const Rect bounds = makeRect(0, 0, 100, 200);
  OffscreenPtr picture{myNewGWorld(&bounds)};
  fillPixelMap(picture.get(), 0x00FFFF);
  view->SetSubJobOffscreen(std::move(picture));
  page = makePage(400, 500);
  ASSERT_TRUE(makeObject({})->Draw4Printing(page.get(), 100, view.get()));
  EXPECT_EQ(colourAt(*page, 110, 210), (Colour{0, 255, 255}));
  // The job's sub-job resize mode 1 crops the picture to fill the whole rectangle.
  EXPECT_TRUE(EqualRect(paintedArea(*page), makeRect(100, 100, 400, 300)));
}

TEST_F(ImageObjectFiles, SpecialPictureFitsIn640) {
  writeQuadrantPhoto("big.png", 1000, 500);
  ObjectSettings object;
  object.photo = "big.png";
  auto view = makeView({});
  OffscreenPtr picture = makeObject(object)->Draw4PrintingSpecial(300, view.get());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width(), 640);
  EXPECT_EQ(picture->height(), 320);
  EXPECT_EQ(colourAt(*picture, picture->portRect().left, picture->portRect().top), kRed);
  EXPECT_EQ(view->filesToDelete().size(), 1u);

  object.rotation = 90;
  picture = makeObject(object)->Draw4PrintingSpecial(300, view.get());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width(), 320);
  EXPECT_EQ(picture->height(), 640);
  EXPECT_EQ(colourAt(*picture, picture->portRect().left, picture->portRect().top), kBlue);

  object.photo = "No File";
  EXPECT_FALSE(makeObject(object)->Draw4PrintingSpecial(300, view.get()));
}

TEST_F(ImageObjectFiles, OriginalFileNotSavedIsNotDeleted) {
  writeQuadrantPhoto("photo.png", 40, 20);
  MessageRecorder messages;
  auto view = makeView({});
  EXPECT_FALSE(makeObject({})->CopyOriginalFile(view.get()));
  EXPECT_TRUE(view->filesToDelete().empty());
  EXPECT_EQ(std::string(view->currentImageName().macRoman()), "photo");  // kept without its extension
  ObjectSettings none;
  none.photo = "No File";
  EXPECT_FALSE(makeObject(none)->CopyOriginalFile(view.get()));
  EXPECT_TRUE(view->filesToDelete().empty());
}

}  // namespace
}  // namespace vorl::test
