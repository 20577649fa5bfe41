#include "jobs/outputs/output_file_utilities.h"

#include <gtest/gtest.h>
#include <lcms2.h>
#include <tiffio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <fstream>

#include "imaging/codecs/image_file_codec.h"
#include "imaging/color/color_profile.h"
#include "platform/files/file_specs.h"
#include "platform/system/command_runner.h"
#include "tests/imaging/delta_e.h"
#include "tests/imaging/icc_fixtures.h"
#include "tests/jobs/output_test_tools.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/isolated_environment.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::fileBytes;
using test::folderNames;
using test::makeTempFolder;
using test::writeText;

TEST(GetCustomerNameFromFileName, MarksBeforeTheLastCharacterCut) {
  const struct {
    const char* name;
    const char* customer;
  } cases[] = {
      {"Smith_0001.jpg", "Smith"},
      {"a_b_c.jpg", "a"},
      {"_0001.jpg", ""},
      {"Smith_", "Smith_"},
      {"Jones copy 2.jpg", "Jones"},
      {"Jones copy", "Jones"},
      {"Jones.jpg", "Jones"},
      {"x.y.tif", "x.y"},
      {"Jones.", "Jones."},
      {"Jones", "Jones"},
      {"x.y_z", "x.y"},
      {"Miller COPY.jpg", "Miller COPY"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(getCustomerNameFromFileName(CStr255_AC(c.name)).macRoman(), c.customer);
  }
}

TEST(CreateUniqueNameFromPath, CopyNamesBeforeTheExtensionAndNoDanglingDot) {
  const fs::path folder = makeTempFolder("unique");
  for (const char* name : {"photo.jpg", "photo copy.jpg", "README", "README copy", ".hidden", "name."})
    writeText(folder / name, "x");
  const struct {
    const char* name;
    const char* free;
  } cases[] = {
      {"new.jpg", "new.jpg"},      {"photo.jpg", "photo copy 1.jpg"}, {"README", "README copy 1"},
      {".hidden", ".hidden copy"}, {"name.", "name. copy"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<fs::path> free = createUniqueNameFromPath(folder / c.name);
    ASSERT_TRUE(free);
    EXPECT_EQ(*free, folder / c.free);
  }
  EXPECT_FALSE(createUniqueNameFromPath(fs::path()));
}

PlistDictionary copyRequest(const fs::path& source, const fs::path& destination, bool overwrite) {
  return PlistDictionary{{kDoOverwriteKey, overwrite ? 1 : 0},
                         {kPathToSrcItemKey, source.string()},
                         {kPathToDestItemKey, destination.string()}};
}

TEST(DoCopyTheFileNew, ExistingDestinationGetsACopyNameOrIsReplacedByRename) {
  const fs::path folder = makeTempFolder("copy");
  const fs::path source = folder / "order.jpg";
  writeText(source, "new picture");
  chmod(source.c_str(), 0640);
  const fs::path out = folder / "out";
  fs::create_directory(out);
  writeText(out / "order.jpg", "old picture");

  PlistDictionary keep = copyRequest(source, out / "order.jpg", false);
  ASSERT_TRUE(doCopyTheFileNew(keep));
  EXPECT_EQ(*keep[kPathToDestItemKey].get<std::string>(), (out / "order copy.jpg").string());
  EXPECT_EQ(test::toolOutput({"cat", (out / "order.jpg").string()}), "old picture");
  EXPECT_EQ(test::toolOutput({"cat", (out / "order copy.jpg").string()}), "new picture");
  EXPECT_EQ(fs::status(out / "order copy.jpg").permissions(), fs::status(source).permissions());

  struct stat before {};
  ASSERT_EQ(stat((out / "order.jpg").c_str(), &before), 0);
  PlistDictionary replace = copyRequest(source, out / "order.jpg", true);
  ASSERT_TRUE(doCopyTheFileNew(replace));
  EXPECT_EQ(*replace[kPathToDestItemKey].get<std::string>(), (out / "order.jpg").string());
  EXPECT_EQ(test::toolOutput({"cat", (out / "order.jpg").string()}), "new picture");
  struct stat after {};
  ASSERT_EQ(stat((out / "order.jpg").c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino) << "replaced by a rename, not rewritten in place";
  EXPECT_EQ(folderNames(out), (std::vector<std::string>{"order copy.jpg", "order.jpg"}));
}

TEST(DoCopyTheFileNew, MakesMissingFolders) {
  const fs::path folder = makeTempFolder("copy");
  writeText(folder / "a.jpg", "a");
  PlistDictionary request = copyRequest(folder / "a.jpg", folder / "Customer Orders Folder" / "Smith" / "a.jpg", false);
  ASSERT_TRUE(doCopyTheFileNew(request));
  EXPECT_EQ(fileBytes(folder / "Customer Orders Folder" / "Smith" / "a.jpg"), fileBytes(folder / "a.jpg"));
}

TEST(DoCopyTheFileNew, FailuresLeaveTheDestinationAndNoPartialFile) {
  const fs::path folder = makeTempFolder("copy");
  const fs::path out = folder / "out";
  fs::create_directory(out);
  writeText(out / "order.jpg", "old picture");
  writeText(folder / "big.jpg", std::string(256 * 1024, 'b'));
  writeText(folder / "a file", "not a folder");

  struct Case {
    const char* what;
    PlistDictionary request;
  } cases[] = {
      {"missing source", copyRequest(folder / "gone.jpg", out / "order.jpg", true)},
      {"no source key", PlistDictionary{{kPathToDestItemKey, (out / "order.jpg").string()}}},
      {"no destination key", PlistDictionary{{kPathToSrcItemKey, (folder / "big.jpg").string()}}},
      {"folder cannot be made", copyRequest(folder / "big.jpg", folder / "a file" / "sub" / "order.jpg", true)},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(doCopyTheFileNew(c.request));
  }
  {
    test::FileSizeLimit fullDisk(64 * 1024);
    PlistDictionary request = copyRequest(folder / "big.jpg", out / "order.jpg", true);
    EXPECT_FALSE(doCopyTheFileNew(request));
  }
  EXPECT_EQ(test::toolOutput({"cat", (out / "order.jpg").string()}), "old picture");
  EXPECT_EQ(folderNames(out), std::vector<std::string>{"order.jpg"});
}

TEST(DoCopyTheFileNew, UnwritableFolderFails) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
  const fs::path folder = makeTempFolder("copy");
  writeText(folder / "a.jpg", "a");
  fs::create_directory(folder / "locked");
  chmod((folder / "locked").c_str(), 0555);
  PlistDictionary request = copyRequest(folder / "a.jpg", folder / "locked" / "a.jpg", false);
  EXPECT_FALSE(doCopyTheFileNew(request));
  chmod((folder / "locked").c_str(), 0755);
  EXPECT_TRUE(fs::is_empty(folder / "locked"));
}

// The JFIF header's fields at their documented offsets: units at 13, densities at 14 and 16, big-endian.
TEST(SaveCGImageRefToPath, FullQualityJpegWithTheResolution) {
  if (!test::toolAvailable("djpeg")) GTEST_SKIP() << "djpeg is not installed";
  const fs::path folder = makeTempFolder("jpeg");
  OffscreenPtr picture = test::makeGradientPicture(40, 30);
  writeText(folder / "upright.jpg", "an older file");
  ASSERT_TRUE(saveCGImageRefToPath(picture.get(), folder / "upright.jpg", 300));
  const std::vector<std::uint8_t> bytes = fileBytes(folder / "upright.jpg");
  ASSERT_GT(bytes.size(), 18u);
  ASSERT_EQ(std::string(bytes.begin() + 6, bytes.begin() + 11), std::string("JFIF\0", 5));
  EXPECT_EQ(bytes[13], 1);  // dots per inch
  EXPECT_EQ(bytes[14] << 8 | bytes[15], 300);
  EXPECT_EQ(bytes[16] << 8 | bytes[17], 300);
  const std::string ppm = test::toolOutput({"djpeg", "-pnm", (folder / "upright.jpg").string()});
  EXPECT_EQ(ppm.rfind("P6\n40 30\n255\n", 0), 0u);
  EXPECT_FALSE(saveCGImageRefToPath(nullptr, folder / "none.jpg", 300));
  EXPECT_FALSE(fs::exists(folder / "none.jpg"));
  EXPECT_EQ(folderNames(folder), std::vector<std::string>{"upright.jpg"});
}

void writeBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A CMYK photo with its profile embedded, in strips, as libtiff writes it.
void writeCMYKPhoto(const fs::path& file, const std::vector<std::uint8_t>& profile) {
  TIFF* tiff = TIFFOpen(file.c_str(), "w");
  ASSERT_NE(tiff, nullptr);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t{4});
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t{2});
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t{4});
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, std::uint16_t{8});
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
  TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(profile.size()), profile.data());
  std::uint8_t row[16] = {200, 0, 0, 0, 0, 180, 0, 0, 0, 0, 160, 0, 0, 0, 0, 100};
  for (std::uint32_t y = 0; y < 2; ++y) ASSERT_EQ(TIFFWriteScanline(tiff, row, y, 0), 1);
  TIFFClose(tiff);
}

// The profile that goes into a print-to-file output describes the values written, and only an RGB profile goes
// into an RGB file: a reader then takes the colours as they were meant.
TEST(EmbedProfileOfWrittenColours, EmbedsTheProfileOfTheValuesWrittenAndOnlyAnRGBOne) {
  if (!test::toolAvailable("exiv2") || !test::toolAvailable("jpgicc")) GTEST_SKIP() << "exiv2 or jpgicc missing";
  const fs::path folder = makeTempFolder("written-colours");
  OffscreenPtr picture = test::makeGradientPicture(24, 16);
  const std::vector<std::uint8_t> adobe = test::profileBytes(test::makeAdobeLikeProfile());
  const std::vector<std::uint8_t> cmyk = test::profileBytes(test::makeCMYKProfile());
  const std::vector<std::uint8_t> printer = test::profileBytes(test::makeRGBPrinterProfile());
  const std::span<const std::uint8_t> working = Profile::profileWithGenericRGB()->ref()->bytes();
  EncodeOptions withAdobe;
  withAdobe.iccProfile = adobe;
  ASSERT_EQ(encodeImageFile(*picture, folder / "adobe.jpg", ImageFileType::jpeg, withAdobe), noErr);
  writeCMYKPhoto(folder / "cmyk.tif", cmyk);
  writeBytes(folder / "printer.icc", printer);
  writeBytes(folder / "cmyk-printer.icc", cmyk);

  const struct {
    const char* what;
    const char* source;
    WrittenColours colours;
    std::vector<std::uint8_t> embedded;  // empty: none
  } cases[] = {
      {"Adobe photo taken as it stands", "adobe.jpg", {}, adobe},
      {"Adobe photo brought into the working space", "adobe.jpg", {std::nullopt, true},
       {working.begin(), working.end()}},
      {"CMYK photo taken as it stands", "cmyk.tif", {}, {}},
      {"CMYK photo brought into the working space", "cmyk.tif", {std::nullopt, true}, {working.begin(), working.end()}},
      {"page matched to an RGB printer", "adobe.jpg", {folder / "printer.icc", true}, printer},
      {"page matched to a CMYK printer", "cmyk.tif", {folder / "cmyk-printer.icc", false}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path output = folder / "output.jpg";
    ASSERT_EQ(encodeImageFile(*picture, output, ImageFileType::jpeg, EncodeOptions{}), noErr);
    const std::vector<std::uint8_t> before = fileBytes(output);
    const OSErr error = embedProfileOfWrittenColours(folder / c.source, output, c.colours);
    const std::string tagged = test::toolOutput({"exiv2", "-pC", output.string()});
    if (c.embedded.empty()) {
      EXPECT_EQ(error, paramErr);
      EXPECT_EQ(fileBytes(output), before);
    } else {
      EXPECT_EQ(error, noErr);
      const std::vector<std::uint8_t> tag(tagged.begin(), tagged.end());
      EXPECT_EQ(tag, c.embedded);
      // Read through the tag it carries against read through the profile its values are in.
      DecodedImage written;
      ASSERT_EQ(decodeImageFile(output, written), noErr);
      const std::vector<std::uint8_t> sRGB = test::profileBytes(cmsCreate_sRGBProfile());
      if (!tag.empty())
        test::reportDeltaE(std::string("output read through its tag, ") + c.what,
                           *test::transformedCopy(*written.pixels, tag, sRGB, INTENT_PERCEPTUAL),
                           *test::transformedCopy(*written.pixels, c.embedded, sRGB, INTENT_PERCEPTUAL));
    }
    // LittleCMS's own tool reads the file through the profile it carries.
    EXPECT_TRUE(runCommand({"jpgicc", output.string(), (folder / "read.jpg").string()}).succeeded());
  }
  EXPECT_EQ(embedProfileOfWrittenColours(folder / "output.jpg", folder / "output.jpg", {}), kNoEmbeddedProfileErr);
}

TEST(EmbedSourceImageProfileInOutputFile, CarriesTheProfileWithoutAFileBesideTheSource) {
  if (!test::toolAvailable("exiv2") || !test::toolAvailable("djpeg")) GTEST_SKIP() << "exiv2 or djpeg missing";
  const fs::path folder = makeTempFolder("profile");
  OffscreenPtr picture = test::makeGradientPicture(24, 16);
  const std::vector<std::uint8_t> profile = test::profileBytes(test::makeSRGBProfile("Studio sRGB"));
  ASSERT_FALSE(profile.empty());
  EncodeOptions withProfile;
  withProfile.iccProfile = profile;
  ASSERT_EQ(encodeImageFile(*picture, folder / "source.jpg", ImageFileType::jpeg, withProfile), noErr);
  ASSERT_EQ(encodeImageFile(*picture, folder / "plain.jpg", ImageFileType::jpeg, EncodeOptions{}), noErr);
  ASSERT_EQ(encodeImageFile(*picture, folder / "output.jpg", ImageFileType::jpeg, EncodeOptions{}), noErr);
  const std::string pixelsBefore = test::toolOutput({"djpeg", "-pnm", (folder / "output.jpg").string()});

  ASSERT_EQ(embedSourceImageProfileInOutputFile(folder / "source.jpg", folder / "output.jpg"), noErr);
  const std::string embedded = test::toolOutput({"exiv2", "-pC", (folder / "output.jpg").string()});
  EXPECT_EQ(std::vector<std::uint8_t>(embedded.begin(), embedded.end()), profile);
  EXPECT_EQ(test::toolOutput({"djpeg", "-pnm", (folder / "output.jpg").string()}), pixelsBefore);

  const std::vector<std::uint8_t> untouched = fileBytes(folder / "plain.jpg");
  writeText(folder / "other.jpg", "");
  ASSERT_EQ(encodeImageFile(*picture, folder / "other.jpg", ImageFileType::jpeg, EncodeOptions{}), noErr);
  const std::vector<std::uint8_t> outputBefore = fileBytes(folder / "other.jpg");
  EXPECT_EQ(embedSourceImageProfileInOutputFile(folder / "plain.jpg", folder / "other.jpg"), kNoEmbeddedProfileErr);
  EXPECT_EQ(fileBytes(folder / "other.jpg"), outputBefore);
  EXPECT_EQ(fileBytes(folder / "plain.jpg"), untouched);
  EXPECT_EQ(folderNames(folder), (std::vector<std::string>{"other.jpg", "output.jpg", "plain.jpg", "source.jpg"}));
}

TEST(FsSpecToCharArray, PercentEscapedUtf8PathThatDecodesBack) {
  const fs::path folder = makeTempFolder("escape") / "Jörg's 100% #1 [web]";
  fs::create_directories(folder);
  writeText(folder / "a b.jpg", "x");
  FSSpec spec;
  ASSERT_EQ(FSMakeFSSpecFromPath(folder / "a b.jpg", spec), noErr);
  std::array<char, kEscapedPathBufferSize> buffer;
  buffer.fill('z');
  ASSERT_TRUE(fsSpecToCharArray(spec, buffer));
  const std::string escaped(buffer.data());
  EXPECT_NE(escaped.find("J%C3%B6rg's%20100%25%20%231%20%5Bweb%5D/a%20b.jpg"), std::string::npos) << escaped;
  EXPECT_EQ(test::toolOutput(
                {"python3", "-c", "import sys, urllib.parse; print(urllib.parse.unquote(sys.argv[1]))", escaped}),
            (folder / "a b.jpg").string() + "\n");
  EXPECT_TRUE(
      std::all_of(buffer.begin() + static_cast<long>(escaped.size()), buffer.end(), [](char c) { return c == '\0'; }));
}

TEST(FsSpecToCharArray, TooLongEscapedPathKeepsThePlainPath) {
  // Four names of 200 characters: escaped (three bytes for each "%") they pass 1024, plain they do not.
  fs::path folder = makeTempFolder("long");
  for (int i = 0; i < 4; ++i) folder /= std::string(100, '%') + std::string(100, 'a');
  ASSERT_LT(folder.string().size() + 6, kEscapedPathBufferSize);
  fs::create_directories(folder);
  writeText(folder / "x.jpg", "x");
  FSSpec spec;
  ASSERT_EQ(FSMakeFSSpecFromPath(folder / "x.jpg", spec), noErr);
  std::array<char, kEscapedPathBufferSize> buffer;
  ASSERT_TRUE(fsSpecToCharArray(spec, buffer));
  EXPECT_EQ(std::string(buffer.data()), (folder / "x.jpg").string());
}

}  // namespace
}  // namespace vorl
