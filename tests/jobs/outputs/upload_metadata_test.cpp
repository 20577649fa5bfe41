#include "jobs/outputs/upload_metadata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/codecs/image_file_codec.h"
#include "jobs/reading/upload_data.h"
#include "tests/jobs/output_test_tools.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/binary_plist_builder.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/keyed_archive_writer.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::fileBytes;
using test::folderNames;
using test::makeTempFolder;
using test::toolOutput;

bool toolsMissing() {
  return !test::toolAvailable("exiv2") || !test::toolAvailable("djpeg") || !test::toolAvailable("python3");
}

fs::path writeJpeg(const fs::path& folder, const char* name) {
  OffscreenPtr picture = test::makeGradientPicture(48, 32);
  EncodeOptions options;
  options.quality = 90;
  const fs::path file = folder / name;
  EXPECT_EQ(encodeImageFile(*picture, file, ImageFileType::jpeg, options), noErr);
  return file;
}

// The user comment as exiv2 reads it, without its "charset=..." prefix, as JSON through plistlib.
std::string commentAsJson(const fs::path& jpeg) {
  std::string text = toolOutput({"exiv2", "-K", "Exif.Photo.UserComment", "-Pv", jpeg.string()});
  EXPECT_EQ(text.rfind("charset=", 0), 0u) << text;
  text.erase(0, text.find(' ') + 1);
  return test::plistAsJson(text);
}

std::string pixels(const fs::path& jpeg) { return toolOutput({"djpeg", "-pnm", jpeg.string()}); }

// The e-mail entry block: the archive at its start, its length as a little-endian int32 in the last four bytes.
std::array<std::uint8_t, kEmailEntryBufferSize> emailEntryBlock(const test::Bytes& archive, std::int32_t count) {
  std::array<std::uint8_t, kEmailEntryBufferSize> block{};
  std::copy(archive.begin(), archive.end(), block.begin());
  const auto word = static_cast<std::uint32_t>(count);
  for (int i = 0; i < 4; ++i) block[4092 + i] = static_cast<std::uint8_t>(word >> (8 * i));
  return block;
}

ArchivedValue frontEndData() {
  return ArchivedValue::dictionary(
      {{"package", ArchivedValue::string("Gold")}, {"sheets", ArchivedValue::integer(3)}, {"skip", ArchivedValue()}});
}

void setUpload(std::int16_t ftpSite, const char* email, const char* group, const test::Bytes& archive,
               std::int32_t count) {
  setftpSite(ftpSite);
  setCustomerEmail(Str255(email));
  setGroupCode(Str255(group));
  const auto block = emailEntryBlock(archive, count);
  setEmailEntryBuffer(block);
}

// "J\x9Arg" is "Jörg" in Mac Roman.
constexpr const char* kOriginalPath = "/Volumes/Studio/Orders/J\x9Arg & Co/IMG_0001.JPG";
constexpr const char* kOriginalPathJson = "/Volumes/Studio/Orders/J\\u00f6rg & Co/IMG_0001.JPG";

TEST(SaveSourceWithMetadata, LayoutByDestinationCodeAndUploadData) {
  if (toolsMissing()) GTEST_SKIP() << "exiv2, djpeg or python3 missing";
  const fs::path folder = makeTempFolder("meta");
  const test::Bytes archive = test::encodeKeyedArchive(frontEndData());
  const std::string path = std::string(R"("OriginalPath": ")") + kOriginalPathJson + "\"";
  const struct {
    const char* what;
    std::int16_t ftpSite;
    const char* email;
    const char* group;
    std::int32_t count;
    std::string json;
  } cases[] = {
      {"plain", 1, "a@b.c", "G1", static_cast<std::int32_t>(archive.size()),
       "{" + path + R"(, "Version": "1.01alpha"})"},
      {"pt5 with everything", 3, "a@b.c", "G1", static_cast<std::int32_t>(archive.size()),
       R"({"uploadInfo": {)" + path +
           R"(, "email": "a@b.c", "f": "pt5", "groupCode": "G1", "userdata": {"package": "Gold", "sheets": 3}}})"},
      {"fyp", 2, "", "", 0, R"({"uploadInfo": {)" + path + R"(, "f": "fyp"}})"},
      {"pt5-3", 5, "", "G2", 0, R"({"uploadInfo": {)" + path + R"(, "f": "pt5-3", "groupCode": "G2"}})"},
      {"unknown code, count past the block", 6, "x@y.z", "", 9999,
       R"({"uploadInfo": {)" + path + R"(, "email": "x@y.z"}})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path jpeg = writeJpeg(folder, "web.jpg");
    const std::string before = pixels(jpeg);
    setUpload(c.ftpSite, c.email, c.group, archive, c.count);
    FSSpec spec;
    ASSERT_EQ(FSMakeFSSpecFromPath(jpeg, spec), noErr);
    ASSERT_TRUE(saveSourceWithMetadata(spec, kOriginalPath));
    EXPECT_EQ(commentAsJson(jpeg), c.json);
    EXPECT_EQ(pixels(jpeg), before) << "the picture must not be encoded anew";
  }
  setUpload(1, "", "", {}, 0);
  EXPECT_EQ(folderNames(folder), std::vector<std::string>{"web.jpg"});
}

TEST(SaveSourceWithMetadata, KeepsOtherExifAndReplacesAnOldComment) {
  if (toolsMissing()) GTEST_SKIP() << "exiv2, djpeg or python3 missing";
  const fs::path folder = makeTempFolder("meta");
  const fs::path jpeg = writeJpeg(folder, "photo.jpg");
  toolOutput({"exiv2", "-M", "set Exif.Image.Artist Studio Nine", "-M", "set Exif.Photo.UserComment charset=Ascii old",
              jpeg.string()});
  const std::string before = pixels(jpeg);
  ASSERT_TRUE(saveSourceWithMetadata(jpeg, "/orig/a.jpg"));
  EXPECT_EQ(toolOutput({"exiv2", "-K", "Exif.Image.Artist", "-Pv", jpeg.string()}), "Studio Nine\n");
  EXPECT_EQ(commentAsJson(jpeg), R"({"OriginalPath": "/orig/a.jpg", "Version": "1.01alpha"})");
  EXPECT_EQ(pixels(jpeg), before);
}

TEST(SaveSourceWithMetadata, OtherFormatsAndFailuresLeaveTheFileAsItWas) {
  const fs::path folder = makeTempFolder("meta");
  OffscreenPtr picture = test::makeGradientPicture(16, 16);
  ASSERT_EQ(encodeImageFile(*picture, folder / "page.png", ImageFileType::png, EncodeOptions{}), noErr);
  ASSERT_EQ(encodeImageFile(*picture, folder / "page.psd", ImageFileType::photoshop, EncodeOptions{}), noErr);
  const fs::path jpeg = writeJpeg(folder, "page.jpg");
  const test::Bytes archive = test::encodeKeyedArchive(ArchivedValue::array({ArchivedValue::string("x")}));

  struct Case {
    const char* what;
    fs::path file;
    bool (*write)(const fs::path&);
  };
  const Case cases[] = {
      {"PNG", folder / "page.png", [](const fs::path& f) { return saveSourceWithMetadata(f, "/o.jpg"); }},
      {"Photoshop", folder / "page.psd", [](const fs::path& f) { return saveSourceWithMetadataSTB(f, "/o.jpg"); }},
      {"missing", folder / "none.jpg", [](const fs::path& f) { return saveSourceWithMetadata(f, "/o.jpg"); }},
      {"ORLIM without bytes", jpeg, [](const fs::path& f) { return saveSourceWithMetadataORLIM(f, "/o.jpg", {}, 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::uint8_t> before = fileBytes(c.file);
    EXPECT_FALSE(c.write(c.file));
    EXPECT_EQ(fileBytes(c.file), before);
  }
  const std::vector<std::uint8_t> before = fileBytes(jpeg);
  EXPECT_FALSE(saveSourceWithMetadataPt5Plus(jpeg, "/o.jpg", archive, static_cast<std::int32_t>(archive.size())))
      << "an archived array is no dictionary";
  EXPECT_FALSE(saveSourceWithMetadataPt5Plus(jpeg, "/o.jpg", archive, static_cast<std::int32_t>(archive.size()) + 1))
      << "a length past the bytes";
  {
    test::FileSizeLimit fullDisk(before.size() / 2);
    EXPECT_FALSE(saveSourceWithMetadata(jpeg, "/o.jpg"));
  }
  EXPECT_EQ(fileBytes(jpeg), before);
  EXPECT_EQ(folderNames(folder), (std::vector<std::string>{"page.jpg", "page.png", "page.psd"}));
}

// A TIFF takes the comment into its own EXIF block and stays a TIFF with the same picture.
TEST(SaveSourceWithMetadata, ATiffTakesTheCommentAndStaysATiff) {
  for (const char* tool : {"exiv2", "python3", "tiffcmp"})
    if (!test::toolAvailable(tool)) GTEST_SKIP() << tool << " missing";
  const fs::path folder = makeTempFolder("meta");
  OffscreenPtr picture = test::makeGradientPicture(16, 16);
  ASSERT_EQ(encodeImageFile(*picture, folder / "page.tif", ImageFileType::tiffLzw, EncodeOptions{}), noErr);
  ASSERT_EQ(encodeImageFile(*picture, folder / "reference.tif", ImageFileType::tiffLzw, EncodeOptions{}), noErr);
  setUpload(3, "a@b.c", "", {}, 0);
  ASSERT_TRUE(saveSourceWithMetadataSTB(folder / "page.tif", "/o.jpg"));
  setUpload(1, "", "", {}, 0);
  EXPECT_EQ(commentAsJson(folder / "page.tif"),
            R"({"uploadInfo": {"OriginalPath": "/o.jpg", "email": "a@b.c", "f": "pt5"}})");
  const std::vector<std::uint8_t> bytes = fileBytes(folder / "page.tif");
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_TRUE(std::memcmp(bytes.data(), "II*\0", 4) == 0 || std::memcmp(bytes.data(), "MM\0*", 4) == 0);
  EXPECT_EQ(toolOutput({"tiffcmp", (folder / "reference.tif").string(), (folder / "page.tif").string()}), "");
}

TEST(SaveSourceWithMetadataORLIM, JobDictionaryWithVersionPathAndDestination) {
  if (toolsMissing()) GTEST_SKIP() << "exiv2, djpeg or python3 missing";
  const fs::path folder = makeTempFolder("meta");
  const test::Bytes archive = test::encodeKeyedArchive(
      ArchivedValue::dictionary({{"orderId", ArchivedValue::string("A17")}, {"f", ArchivedValue::string("theirs")}}));
  // The callers hand over the whole upload-data block with the length from its end.
  std::vector<std::uint8_t> block(4096, 0);
  std::copy(archive.begin(), archive.end(), block.begin());
  const struct {
    const char* what;
    bool (*write)(const fs::path&, const char*, std::span<const std::uint8_t>, std::int32_t);
    const char* originalPath;
    const char* json;
  } cases[] = {
      {"orlim", saveSourceWithMetadataORLIM, "/o/a.jpg",
       R"({"uploadInfo": {"OriginalPath": "/o/a.jpg", "Version": "1.0.2", "f": "orlim", "orderId": "A17"}})"},
      {"pt5 without a path", saveSourceWithMetadataPt5Plus, nullptr,
       R"({"uploadInfo": {"Version": "1.0.2", "f": "pt5", "orderId": "A17"}})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path jpeg = writeJpeg(folder, "set.jpg");
    const std::string before = pixels(jpeg);
    ASSERT_TRUE(c.write(jpeg, c.originalPath, block, static_cast<std::int32_t>(archive.size())));
    EXPECT_EQ(commentAsJson(jpeg), c.json);
    EXPECT_EQ(pixels(jpeg), before);
  }
}

TEST(SaveSourceWithMetadataORLIM, CommentTooLargeForTheExifBlockLeavesTheFile) {
  const fs::path folder = makeTempFolder("meta");
  const fs::path jpeg = writeJpeg(folder, "big.jpg");
  const test::Bytes archive =
      test::encodeKeyedArchive(ArchivedValue::dictionary({{"notes", ArchivedValue::string(std::string(70000, 'n'))}}));
  const std::vector<std::uint8_t> before = fileBytes(jpeg);
  EXPECT_FALSE(saveSourceWithMetadataORLIM(jpeg, "/o.jpg", archive, static_cast<std::int32_t>(archive.size())));
  EXPECT_EQ(fileBytes(jpeg), before);
}

// An e-mail entry archive within its 4092 bytes that unfolds to more than the EXIF block holds: one 200-character
// string referred to 400 times from an array.
test::Bytes archiveThatUnfolds() {
  test::BinaryPlistBuilder b;
  const auto note = b.ascii(std::string(200, 'n'));
  const std::vector<test::BinaryPlistBuilder::Ref> notes(400, b.uid(3));
  const auto objects = b.array(
      {b.ascii("$null"),
       b.dictionary({{b.ascii("NS.keys"), b.array({b.uid(2)})},
                     {b.ascii("NS.objects"), b.array({b.uid(4)})},
                     {b.ascii("$class"), b.uid(6)}}),
       b.ascii("notes"), note, b.dictionary({{b.ascii("NS.objects"), b.array(notes)}, {b.ascii("$class"), b.uid(5)}}),
       b.dictionary({{b.ascii("$classname"), b.ascii("NSArray")},
                     {b.ascii("$classes"), b.array({b.ascii("NSArray"), b.ascii("NSObject")})}}),
       b.dictionary({{b.ascii("$classname"), b.ascii("NSDictionary")},
                     {b.ascii("$classes"), b.array({b.ascii("NSDictionary"), b.ascii("NSObject")})}})});
  return b.finish(b.dictionary({{b.ascii("$archiver"), b.ascii("NSKeyedArchiver")},
                                {b.ascii("$objects"), objects},
                                {b.ascii("$top"), b.dictionary({{b.ascii("root"), b.uid(1)}})}}));
}

TEST(SaveSourceWithMetadataSTB, UserDataTooLargeForTheExifBlockIsLeftOut) {
  if (toolsMissing()) GTEST_SKIP() << "exiv2, djpeg or python3 missing";
  const fs::path folder = makeTempFolder("meta");
  const test::Bytes archive = archiveThatUnfolds();
  ASSERT_LT(archive.size(), 4092u);
  const std::optional<ArchivedValue> decoded = decodeKeyedArchive(archive);
  ASSERT_TRUE(decoded && decoded->find("notes") && decoded->find("notes")->asArray());
  ASSERT_EQ(decoded->find("notes")->asArray()->size(), 400u);
  setUpload(4, "a@b.c", "", archive, static_cast<std::int32_t>(archive.size()));
  const fs::path jpeg = writeJpeg(folder, "web.jpg");
  ASSERT_TRUE(saveSourceWithMetadataSTB(jpeg, "/o.jpg"));
  EXPECT_EQ(commentAsJson(jpeg), R"({"uploadInfo": {"OriginalPath": "/o.jpg", "email": "a@b.c", "f": "pt5-2"}})");
  setUpload(1, "", "", {}, 0);
}

// The block appended after IEND: the XML list, then zeros up to 2048 bytes; cut at 2048 when longer.
TEST(SaveDataInPNGFile, AppendsThePaddedListAndThePngStillDecodes) {
  if (!test::toolAvailable("pngtopnm") || !test::toolAvailable("python3")) GTEST_SKIP() << "netpbm or python3 missing";
  const fs::path folder = makeTempFolder("png");
  OffscreenPtr picture = test::makeGradientPicture(20, 10);
  const struct {
    const char* what;
    std::string originalPath;
    bool cut;
  } cases[] = {{"short", "/orig/a&b.png", false}, {"cut", "/orig/" + std::string(3000, 'x'), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path png = folder / "page.png";
    ASSERT_EQ(encodeImageFile(*picture, png, ImageFileType::png, EncodeOptions{}), noErr);
    const std::vector<std::uint8_t> before = fileBytes(png);
    const std::string decodedBefore = toolOutput({"pngtopnm", png.string()});
    FSSpec spec;
    ASSERT_EQ(FSMakeFSSpecFromPath(png, spec), noErr);
    ASSERT_TRUE(saveDataInPNGFile(spec, c.originalPath.c_str()));
    const std::vector<std::uint8_t> after = fileBytes(png);
    ASSERT_EQ(after.size(), before.size() + kPngMetadataBlockSize);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
    const std::string block(after.end() - static_cast<long>(kPngMetadataBlockSize), after.end());
    const std::string list = block.substr(0, block.find('\0'));
    if (c.cut) {
      EXPECT_EQ(list.size(), kPngMetadataBlockSize);
      EXPECT_EQ(list.rfind("<?xml", 0), 0u);
    } else {
      EXPECT_TRUE(
          std::all_of(block.begin() + static_cast<long>(list.size()), block.end(), [](char b) { return b == '\0'; }));
      EXPECT_EQ(test::plistAsJson(list), R"({"OriginalPath": "/orig/a&b.png", "Version": "1.01alpha"})");
    }
    EXPECT_EQ(toolOutput({"pngtopnm", png.string()}), decodedBefore);
  }
}

TEST(SaveDataInPNGFile, FullDiskLeavesThePng) {
  const fs::path folder = makeTempFolder("png");
  OffscreenPtr picture = test::makeGradientPicture(64, 64);
  const fs::path png = folder / "page.png";
  ASSERT_EQ(encodeImageFile(*picture, png, ImageFileType::png, EncodeOptions{}), noErr);
  const std::vector<std::uint8_t> before = fileBytes(png);
  {
    test::FileSizeLimit fullDisk(before.size() + 100);
    EXPECT_FALSE(saveDataInPNGFile(png, "/orig/a.png"));
  }
  EXPECT_EQ(fileBytes(png), before);
  EXPECT_EQ(folderNames(folder), std::vector<std::string>{"page.png"});
  EXPECT_FALSE(saveDataInPNGFile(folder / "gone.png", "/orig/a.png"));
}

}  // namespace
}  // namespace vorl
