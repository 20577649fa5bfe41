// Saving a job's original photographs into its print-to-file set: byte-for-byte copies, upright copies for a
// JPEG-for-web set, names and overwriting, failures, and the job's video clip beside them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/codecs/decoded_image.h"
#include "imaging/codecs/jpeg_file.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/reading/upload_data.h"
#include "jobs/outputs/video_merge.h"
#include "platform/system/command_runner.h"
#include "platform/files/file_specs.h"
#include "platform/plists/user_defaults.h"
#include "preferences/preference_globals.h"
#include "tests/jobs/job_test_support.h"
#include "tests/jobs/output_test_tools.h"
#include "tests/jobs/print_to_file_test_support.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::fileBytes;
using test::folderTree;
using test::makeTempFolder;
using test::toolOutput;

constexpr std::size_t kMakeSubFolders = 4;
constexpr std::size_t kFolderTextAOnly = 6;

std::string sha256(const fs::path& file) { return toolOutput({"sha256sum", file.string()}).substr(0, 64); }

bool sameBytes(const fs::path& a, const fs::path& b) { return runCommand({"cmp", a.string(), b.string()}).succeeded(); }

FSSpec specOf(const fs::path& file) {
  FSSpec spec;
  EXPECT_EQ(FSMakeFSSpecFromPath(file, spec), noErr) << file;
  return spec;
}

// One EXIF tag as exiv2 prints its value; empty when the file has none.
std::string exifTag(const fs::path& file, const char* key) {
  const CommandResult result = runCommand({"exiv2", "-q", "-K", key, "-Pv", file.string()});
  std::string text = result.standardOutput;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The four quadrant colours of the test photo, red, green, blue: top left, top right, bottom left, bottom right.
constexpr std::array<std::array<std::uint8_t, 3>, 4> kQuadrantColours{{
    {230, 20, 20},
    {20, 230, 20},
    {20, 20, 230},
    {230, 230, 20},
}};
enum Corner { kTopLeft, kTopRight, kBottomLeft, kBottomRight };

// A JPEG whose quadrants show which corner is which, 48 x 32 as stored, tagged with the orientation through the
// exiv2 program (or untagged for -1).
void writeCornerPhoto(const fs::path& file, int orientation) {
  constexpr int kWidth = 48, kHeight = 32;
  const Rect bounds = makeRect(0, 0, kHeight, kWidth);
  OffscreenPtr picture{myNewGWorld(&bounds)};
  ASSERT_TRUE(picture);
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = picture->baseAddr() + y * picture->rowBytes();
    for (int x = 0; x < kWidth; ++x) {
      const int quadrant = (y < kHeight / 2 ? 0 : 2) + (x < kWidth / 2 ? 0 : 1);
      row[4 * x] = 0;
      for (int c = 0; c < 3; ++c) row[4 * x + 1 + c] = kQuadrantColours[quadrant][c];
    }
  }
  EncodeOptions options;
  options.quality = 95;
  codec::Bytes bytes;
  ASSERT_EQ(codec::encodeJpeg(*picture, options, bytes, "corner photo"), noErr);
  test::writeBytes(file, bytes);
  if (orientation > 0) {
    toolOutput({"exiv2", "-q", "-M", "set Exif.Image.Orientation Short " + std::to_string(orientation), "modify",
                file.string()});
    ASSERT_EQ(exifTag(file, "Exif.Image.Orientation"), std::to_string(orientation));
  }
}

class OriginalImages : public ::testing::Test {
 protected:
  void SetUp() override {
    test::forgetOutputFolders();
    photos_ = makeTempFolder("photos");
    setFolder_ = makeTempFolder("set-one");
    set_ = &test::pointSetAt(1, setFolder_);
    set_->fileFormat = std::int16_t{3};
    set_->namingScheme = std::int16_t{3};
    set_->fileNameExtension.assign(std::string_view(".jpg"));
    view_.edit().print2FileItem.setNumber = std::int16_t{1};
    view_.edit().resolution = 300;
    view_.edit().retailCustomerMetadata = 0;
    view_.edit().fEnableVideoCopy = 0;
  }
  void TearDown() override { test::forgetOutputFolders(); }

  fs::path photo(const std::string& name, const std::string& content = "original bytes of ") {
    const fs::path file = photos_ / name;
    test::writeText(file, content + name);
    return file;
  }
  bool save(const fs::path& file) {
    view_.SetCurrentImageName(CStr255_AC(file.filename().string()));
    return view_.SaveOriginalFile(specOf(file));
  }

  test::RecordingObserver observer_;
  test::EditableJobView view_{&observer_};
  fs::path photos_, setFolder_;
  tSpecialPrintToFilePref* set_ = nullptr;
};

TEST(CurrentImageName, IsCutToThePhotosNameAndKeepsItsExtensionInUpperCase) {
  struct Case {
    const char* given;
    const char* name;
    const char* extension;
  };
  const std::vector<Case> cases = {
      {"IMG_0042.jpg", "IMG_0042", ".JPG"},
      {"Smith_thumb copy.jpg", "Smith", ".JPG"},  // "_t" first, even with a " copy" after it
      {"portrait copy 2.tif", "portrait", ".TIF"},
      {"portrait COPY.tif", "portrait", ".TIF"},  // the " copy" search ignores letter case
      {"IMG_T1.jpg", "IMG_T1", ".JPG"},           // "_t" is searched with its letter case
      {"a.b.png", "a.b", ".PNG"},
      {"IMG 1.JPG raw", "IMG 1", ".JPG"},  // the extension ends before a blank
      {"readme", "readme", ".GEN"},
  };
  test::RecordingObserver observer;
  TBGPrintView view(&observer);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    view.SetCurrentImageName(CStr255_AC(c.given));
    EXPECT_EQ(view.currentImageName().macRoman(), c.name);
    EXPECT_EQ(view.currentImageExtension().macRoman(), c.extension);
    EXPECT_EQ(currentUploadData().ticketNumber.macRoman(), c.name);
  }
  view.SetCurrentImageName(CStr255_AC("No File"));
  EXPECT_EQ(view.currentImageName().macRoman(), "readme");
  EXPECT_EQ(view.currentImageExtension().macRoman(), ".GEN");
}

TEST_F(OriginalImages, AreCopiedByteForByteIntoTheSetsSubFoldersAndTheSourceStaysAsItWas) {
  test::setItemSwitch(view_.edit().print2FileItem, kMakeSubFolders);
  test::setItemSwitch(view_.edit().print2FileItem, kFolderTextAOnly);
  view_.edit().printToFileRecord.folderTextA.assign(std::string_view("Order 17"));
  const fs::path source = photo("IMG_0042.JPG");
  const std::string before = sha256(source);
  test::MessageRecorder messages;

  ASSERT_TRUE(save(source));
  ASSERT_TRUE(save(source));
  ASSERT_TRUE(save(source));
  EXPECT_EQ(folderTree(setFolder_), (std::vector<std::string>{"Order 17/", "Order 17/IMG_0042 copy 1.jpg",
                                                              "Order 17/IMG_0042 copy.jpg", "Order 17/IMG_0042.jpg"}));
  for (const char* name : {"IMG_0042.jpg", "IMG_0042 copy.jpg", "IMG_0042 copy 1.jpg"})
    EXPECT_TRUE(sameBytes(source, setFolder_ / "Order 17" / name)) << name;
  EXPECT_EQ(sha256(source), before);
  EXPECT_EQ(folderTree(photos_), std::vector<std::string>{"IMG_0042.JPG"});
  EXPECT_TRUE(messages.messages().empty());
}

TEST_F(OriginalImages, NamedAfterThePhotoTheOverwritingSetReplacesTheEarlierCopy) {
  set_->namingScheme = std::int16_t{4};
  set_->overwriteExisting = std::int16_t{1};
  view_.edit().templateName.assign(std::string_view("Mate"));
  const fs::path first = photo("IMG_1.JPG", "first ");
  fs::create_directory(photos_ / "again");
  const fs::path second = photos_ / "again" / "IMG_1.JPG";
  test::writeText(second, "second, longer original");
  ASSERT_TRUE(save(first));
  ASSERT_TRUE(save(second));
  EXPECT_EQ(folderTree(setFolder_), std::vector<std::string>{"Mate_IMG_1.jpg"});
  EXPECT_TRUE(sameBytes(second, setFolder_ / "Mate_IMG_1.jpg"));

  // The switch counts only for the naming modes that repeat names by design.
  set_->namingScheme = std::int16_t{2};
  ASSERT_TRUE(save(first));
  ASSERT_TRUE(save(second));
  EXPECT_TRUE(sameBytes(first, setFolder_ / "Mate.jpg"));
  EXPECT_TRUE(sameBytes(second, setFolder_ / "Mate copy.jpg"));
}

TEST_F(OriginalImages, NumberedNamesCountUpWithinTheJob) {
  set_->namingScheme = std::int16_t{1};
  set_->fileNamePrefix.assign(std::string_view("Studio"));
  ASSERT_TRUE(save(photo("A.jpg")));
  ASSERT_TRUE(save(photo("B.jpg")));
  EXPECT_EQ(folderTree(setFolder_), (std::vector<std::string>{"Studio_0001.jpg", "Studio_0002.jpg"}));
  EXPECT_TRUE(sameBytes(photos_ / "B.jpg", setFolder_ / "Studio_0002.jpg"));
}

// For each orientation: where the stored picture's top-left, top-right, bottom-left and bottom-right quadrants
// are seen, as the EXIF standard defines the tag.
struct UprightCase {
  int orientation;
  std::array<Corner, 4> seenAt;
};

TEST_F(OriginalImages, AJpegForWebSetGetsAnUprightCopyForEveryOrientation) {
  set_->fileFormat = std::int16_t{10};
  const std::vector<UprightCase> cases = {
      {1, {kTopLeft, kTopRight, kBottomLeft, kBottomRight}},  {2, {kTopRight, kTopLeft, kBottomRight, kBottomLeft}},
      {3, {kBottomRight, kBottomLeft, kTopRight, kTopLeft}},  {4, {kBottomLeft, kBottomRight, kTopLeft, kTopRight}},
      {5, {kTopLeft, kBottomLeft, kTopRight, kBottomRight}},  {6, {kTopRight, kBottomRight, kTopLeft, kBottomLeft}},
      {7, {kBottomRight, kTopRight, kBottomLeft, kTopLeft}},  {8, {kBottomLeft, kTopLeft, kBottomRight, kTopRight}},
  };
  test::MessageRecorder messages;
  for (const UprightCase& c : cases) {
    SCOPED_TRACE(c.orientation);
    const fs::path source = photos_ / ("turned" + std::to_string(c.orientation) + ".jpg");
    writeCornerPhoto(source, c.orientation);
    const std::string before = sha256(source);
    ASSERT_TRUE(save(source));
    EXPECT_EQ(sha256(source), before);

    const fs::path saved = setFolder_ / ("turned" + std::to_string(c.orientation) + ".jpg");
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(exifTag(saved, "Exif.Image.Orientation"), "1");
    EXPECT_EQ(exifTag(saved, "Exif.Image.XResolution"), "300/1");
    // The web set's upload metadata went into the upright copy too.
    EXPECT_NE(exifTag(saved, "Exif.Photo.UserComment").find("1.01alpha"), std::string::npos);

    DecodedImage decoded;
    ASSERT_EQ(codec::decodeJpeg(fileBytes(saved), decoded, {}, "upright"), noErr);
    EXPECT_EQ(decoded.exifOrientation, 1);
    EXPECT_DOUBLE_EQ(decoded.xResolution, 300);
    const bool sideways = c.orientation >= 5;
    const int width = decoded.pixels->width(), height = decoded.pixels->height();
    EXPECT_EQ(width, sideways ? 32 : 48);
    EXPECT_EQ(height, sideways ? 48 : 32);
    for (int stored = 0; stored < 4; ++stored) {
      const Corner seen = c.seenAt[stored];
      const int x = (seen == kTopLeft || seen == kBottomLeft) ? width / 4 : 3 * width / 4;
      const int y = (seen == kTopLeft || seen == kTopRight) ? height / 4 : 3 * height / 4;
      const std::uint8_t* pixel = decoded.pixels->baseAddr() + y * decoded.pixels->rowBytes() + 4 * x;
      for (int channel = 0; channel < 3; ++channel)
        EXPECT_NEAR(pixel[1 + channel], kQuadrantColours[stored][channel], 40)
            << "quadrant " << stored << " channel " << channel;
    }
  }
  EXPECT_TRUE(messages.messages().empty());
}

TEST_F(OriginalImages, TheUprightCopyTakesACopyNameUnlessTheSetOverwrites) {
  set_->fileFormat = std::int16_t{10};
  const fs::path source = photos_ / "IMG_6.jpg";
  writeCornerPhoto(source, 6);
  test::writeText(setFolder_ / "IMG_6.jpg", "an earlier order");
  ASSERT_TRUE(save(source));
  EXPECT_EQ(test::toolOutput({"cat", (setFolder_ / "IMG_6.jpg").string()}), "an earlier order");
  EXPECT_EQ(exifTag(setFolder_ / "IMG_6 copy.jpg", "Exif.Image.Orientation"), "1");

  set_->overwriteExisting = std::int16_t{1};
  ASSERT_TRUE(save(source));
  EXPECT_EQ(exifTag(setFolder_ / "IMG_6.jpg", "Exif.Image.Orientation"), "1");
  EXPECT_EQ(folderTree(setFolder_), (std::vector<std::string>{"IMG_6 copy.jpg", "IMG_6.jpg"}));
}

TEST_F(OriginalImages, AnUntaggedPhotoInAJpegForWebSetIsCopiedWithItsPictureUntouched) {
  set_->fileFormat = std::int16_t{10};
  const fs::path source = photos_ / "plain.jpg";
  writeCornerPhoto(source, -1);
  ASSERT_TRUE(save(source));
  ASSERT_TRUE(save(source));
  EXPECT_EQ(folderTree(setFolder_), (std::vector<std::string>{"plain copy.jpg", "plain.jpg"}));
  // Only the comment was added: the compressed picture is the photo's own, so it decodes to the same pixels.
  DecodedImage original, copy;
  ASSERT_EQ(codec::decodeJpeg(fileBytes(source), original, {}, "source"), noErr);
  ASSERT_EQ(codec::decodeJpeg(fileBytes(setFolder_ / "plain.jpg"), copy, {}, "copy"), noErr);
  ASSERT_EQ(copy.pixels->width(), original.pixels->width());
  for (int y = 0; y < copy.pixels->height(); ++y)
    EXPECT_EQ(0, std::memcmp(copy.pixels->baseAddr() + y * copy.pixels->rowBytes(),
                             original.pixels->baseAddr() + y * original.pixels->rowBytes(),
                             static_cast<std::size_t>(copy.pixels->width()) * 4));
  EXPECT_NE(exifTag(setFolder_ / "plain.jpg", "Exif.Photo.UserComment").find("1.01alpha"), std::string::npos);
  EXPECT_EQ(exifTag(setFolder_ / "plain.jpg", "Exif.Image.Orientation"), "");
}

TEST_F(OriginalImages, NothingSavedIsAFailureWithAMessageAndNoFileUnderAFinalName) {
  const fs::path big = photo("big.jpg", std::string(200000, 'x'));
  const fs::path gone = photo("gone.jpg");
  const FSSpec goneSpec = specOf(gone);
  fs::remove(gone);

  struct Case {
    const char* what;
    std::function<bool()> run;
  };
  const std::vector<Case> cases = {
      {"a source that vanished", [&] { return view_.SaveOriginalFile(goneSpec); }},
      {"a source that vanished, asked for upright", [&] { return view_.SaveOriginalFileWithRotation(goneSpec); }},
      {"a full disk",
       [&] {
         test::FileSizeLimit limit(4096);
         return save(big);
       }},
      {"a full disk for the upright copy",
       [&] {
         set_->fileFormat = std::int16_t{10};
         const fs::path turned = photos_ / "turned.jpg";
         writeCornerPhoto(turned, 6);
         test::FileSizeLimit limit(100);
         const bool saved = save(turned);
         set_->fileFormat = std::int16_t{3};
         return saved;
       }},
      {"a set number naming no set",
       [&] {
         view_.edit().print2FileItem.setNumber = std::int16_t{9};
         const bool saved = save(big);
         view_.edit().print2FileItem.setNumber = std::int16_t{1};
         return saved;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::MessageRecorder messages;
    EXPECT_FALSE(c.run());
    EXPECT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(folderTree(setFolder_), std::vector<std::string>{});  // no partial or temporary file either
  }
  EXPECT_EQ(fileBytes(big).size(), 200000u + std::string("big.jpg").size());

  // A set folder that is gone.
  fs::remove_all(setFolder_);
  test::MessageRecorder messages;
  EXPECT_FALSE(save(big));
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_NE(messages.messages()[0].find("cannot be found"), std::string::npos);
  EXPECT_FALSE(fs::exists(setFolder_));
}

// One-second test clips, alike, so the merge can join them without encoding.
void makeClip(const fs::path& file) {
  toolOutput({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=10", "-t", "1",
              "-c:v", "mpeg4", "-y", file.string()});
}

double durationOf(const fs::path& movie) {
  const std::string text = toolOutput({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                                       "default=noprint_wrappers=1:nokey=1", movie.string()});
  return text.empty() ? -1 : std::strtod(text.c_str(), nullptr);
}

class VideoBesideOriginals : public OriginalImages {
 protected:
  void SetUp() override {
    if (!test::toolAvailable("ffmpeg") || !test::toolAvailable("ffprobe")) GTEST_SKIP() << "ffmpeg or ffprobe missing";
    OriginalImages::SetUp();
    // Quotes, "$(...)" and backquotes in the clip's folder: a shell would run the touch commands.
    clipFolder_ = makeTempFolder("clips") / R"(O'Brien "Lee" $(touch shell-ran) `touch shell-ran-too`)";
    fs::create_directories(clipFolder_);
    clip_ = clipFolder_ / "clip.mov";
    makeClip(clip_);
    setVideo(view_, clip_);
    view_.edit().fEnableVideoCopy = 1;
    view_.edit().videoMerge = 0;
    set_->doNotResizeJpegForWeb = std::int16_t{1};
  }
  static void setVideo(test::EditableJobView& view, const fs::path& clip) {
    auto& path = view.edit().videoPath;
    path.fill(0);
    const std::string text = clip.string();
    ASSERT_LT(text.size(), path.size());
    std::copy(text.begin(), text.end(), path.begin());
  }
  void expectNoShell() const {
    EXPECT_FALSE(fs::exists("shell-ran"));
    EXPECT_FALSE(fs::exists("shell-ran-too"));
    EXPECT_FALSE(fs::exists(clipFolder_ / "shell-ran"));
  }

  fs::path clipFolder_, clip_;
};

TEST_F(VideoBesideOriginals, TheClipIsCopiedOncePerFolderAndJob) {
  ASSERT_TRUE(save(photo("A.jpg")));
  ASSERT_TRUE(save(photo("B.jpg")));
  EXPECT_EQ(folderTree(setFolder_), (std::vector<std::string>{"A.jpg", "B.jpg", "clip.mov"}));
  EXPECT_TRUE(sameBytes(clip_, setFolder_ / "clip.mov"));
  EXPECT_NEAR(durationOf(setFolder_ / "clip.mov"), 1.0, 0.15);
  expectNoShell();

  // The next job's clip of the same name takes a " copy" name; with the overwrite switch it replaces it.
  test::RecordingObserver observer;
  test::EditableJobView next(&observer);
  next.edit().fEnableVideoCopy = 1;
  setVideo(next, clip_);
  next.DoIfVideoCopy(*set_, setFolder_);
  EXPECT_TRUE(sameBytes(clip_, setFolder_ / "clip copy.mov"));
  test::RecordingObserver thirdObserver;
  test::EditableJobView third(&thirdObserver);
  third.edit().fEnableVideoCopy = 1;
  setVideo(third, clip_);
  set_->overwriteExisting = std::int16_t{1};
  third.DoIfVideoCopy(*set_, setFolder_);
  EXPECT_EQ(folderTree(setFolder_), (std::vector<std::string>{"A.jpg", "B.jpg", "clip copy.mov", "clip.mov"}));
}

TEST_F(VideoBesideOriginals, NothingIsCopiedUnlessTheJobAndTheSetAskForIt) {
  set_->doNotResizeJpegForWeb = std::int16_t{0};
  view_.DoIfVideoCopy(*set_, setFolder_);
  set_->doNotResizeJpegForWeb = std::int16_t{1};
  view_.edit().fEnableVideoCopy = 0;
  view_.DoIfVideoCopy(*set_, setFolder_);
  view_.edit().fEnableVideoCopy = 1;
  setVideo(view_, clipFolder_ / "missing.mov");
  view_.DoIfVideoCopy(*set_, setFolder_);
  EXPECT_EQ(folderTree(setFolder_), std::vector<std::string>{});
}

// The video's path comes from the job file: only a plain file that begins as a movie is copied; anything else
// is refused with a message, and a named pipe is never opened.
TEST_F(VideoBesideOriginals, OnlyAMovieFileIsCopiedAndAnythingElseIsRefusedWithAMessage) {
  const std::string ftyp("\0\0\0\x18" "ftypisom\0\0\x02\0", 16), avi("RIFF\x24\0\0\0" "AVI LIST", 16),
      mpeg("\0\0\x01\xBA\x44\0\x04\0", 8), wave("RIFF\x24\0\0\0" "WAVEfmt ", 16);
  const struct {
    const char* name;
    std::function<void(const fs::path&)> make;
    bool copied;
  } cases[] = {
      {"movie.mp4", [&](const fs::path& f) { test::writeText(f, ftyp); }, true},
      {"movie.avi", [&](const fs::path& f) { test::writeText(f, avi); }, true},
      {"movie.mpg", [&](const fs::path& f) { test::writeText(f, mpeg); }, true},
      {"notes.mov", [](const fs::path& f) { test::writeText(f, "the studio's private notes"); }, false},
      {"short.mov", [](const fs::path& f) { test::writeText(f, "ab"); }, false},
      {"sound.avi", [&](const fs::path& f) { test::writeText(f, wave); }, false},
      {"folder.mov", [](const fs::path& f) { fs::create_directory(f); }, false},
      {"pipe.mov", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }, false},
      {"link.mov",
       [&](const fs::path& f) {
         test::writeText(clipFolder_ / "secret.txt", "not a movie");
         fs::create_symlink(clipFolder_ / "secret.txt", f);
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path video = clipFolder_ / c.name;
    c.make(video);
    test::RecordingObserver observer;
    test::EditableJobView view(&observer);
    view.edit().fEnableVideoCopy = 1;
    setVideo(view, video);
    test::MessageRecorder messages;
    view.DoIfVideoCopy(*set_, setFolder_);
    EXPECT_EQ(fs::exists(setFolder_ / c.name), c.copied);
    EXPECT_EQ(messages.messages().size(), c.copied ? 0u : 1u);
  }
  EXPECT_EQ(folderTree(setFolder_), (std::vector<std::string>{"movie.avi", "movie.mp4", "movie.mpg"}));
}

TEST_F(VideoBesideOriginals, WithTheMergeSwitchTheClipIsJoinedWithIntroAndOutro) {
  const fs::path content = makeTempFolder("content");
  makeClip(content / "Chapter1.mov");
  makeClip(content / "Chapter3.mov");
  // The defaults that also hold the set folder's reference.
  UserDefaults& defaults = standardUserDefaults();
  defaults.setObject(kVideoMergeIntroFileKey, (content / "Chapter1.mov").string());
  defaults.setObject(kVideoMergeOutroFileKey, (content / "Chapter3.mov").string());
  view_.edit().videoMerge = 1;

  EXPECT_TRUE(save(photo("A.jpg")));
  EXPECT_TRUE(save(photo("B.jpg")));
  defaults.removeObject(kVideoMergeIntroFileKey);
  defaults.removeObject(kVideoMergeOutroFileKey);
  EXPECT_EQ(folderTree(setFolder_), (std::vector<std::string>{"A.jpg", "B.jpg", "clip.mov"}));
  EXPECT_NEAR(durationOf(setFolder_ / "clip.mov"), 3.0, 0.15);
  expectNoShell();
}

// The whole road: a job file whose page holds a photo, read, then its original saved instead of printed.
TEST(OriginalFileJob, CopiesThePagesPhotoIntoTheSetAndRegistersItForDeletion) {
  test::forgetOutputFolders();
  const fs::path images = makeTempFolder("job-images");
  const fs::path setFolder = makeTempFolder("job-set");
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  ASSERT_EQ(FSFolderIDs(images, vRefNum, dirID), noErr);
  getMyPrintServerPrefs()->imagesFolder.vRefNum = vRefNum;
  getMyPrintServerPrefs()->imagesFolder.dirID = dirID;
  tSpecialPrintToFilePref& set = test::pointSetAt(2, setFolder);
  set.fileFormat = std::int16_t{3};
  set.namingScheme = std::int16_t{3};
  set.fileNameExtension.assign(std::string_view(".jpg"));
  test::writeText(images / "IMG_0042.JPG", "the studio's photograph");

  test::JobSpec spec = test::minimalJob();
  spec.printerType = 25;
  spec.printerBlock = test::Bytes(130, 0);
  spec.printerBlock[1] = 2;  // set 2, big-endian
  spec.retailCustomerMetadata = 0;
  spec.enableVideoCopy = 0;
  test::ImageSpec image;
  image.photoName = "IMG_0042.JPG";
  spec.pageRecords = {test::imageRecord(image)};
  test::ReadJob job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);

  test::MessageRecorder messages;
  EXPECT_EQ(job.view->CopyOriginalFileJob(), kDrawOK);
  EXPECT_EQ(folderTree(setFolder), std::vector<std::string>{"IMG_0042.jpg"});
  EXPECT_TRUE(sameBytes(images / "IMG_0042.JPG", setFolder / "IMG_0042.jpg"));
  ASSERT_EQ(job.view->filesToDelete().size(), 1u);
  EXPECT_EQ(job.view->filesToDelete()[0].name.macRoman(), "IMG_0042.JPG");
  EXPECT_TRUE(fs::exists(images / "IMG_0042.JPG"));
  EXPECT_TRUE(messages.messages().empty());
  test::forgetOutputFolders();
}

}  // namespace
}  // namespace vorl
