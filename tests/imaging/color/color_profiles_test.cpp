// Colour profiles, the profile search, page matching and the image conversions. Profiles are made by LittleCMS
// in a temporary folder; matched pixels are checked against tificc (LittleCMS's own TIFF tool) on the same
// pixels written as a TIFF, so a mistake in our pixel layout, stride or intent shows as a difference.
#include <sys/stat.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "imaging/color/color_conversion.h"
#include "imaging/color/color_matching.h"
#include "imaging/color/color_profile.h"
#include "imaging/color/color_transform.h"
#include "imaging/parallel/job_pool.h"
#include "imaging/color/profile_search.h"
#include "platform/system/command_runner.h"
#include "platform/files/file_specs.h"
#include "platform/plists/user_defaults.h"
#include "tests/imaging/icc_fixtures.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/isolated_environment.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::Pixel;

// Interleaved 8-bit samples without row padding.
struct Samples {
  int width = 0, height = 0, channels = 0;
  std::vector<std::uint8_t> bytes;
};

bool writeTiff(const fs::path& file, const Samples& s) {
  TIFF* tiff = TIFFOpen(file.c_str(), "w");
  if (!tiff) return false;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(s.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(s.height));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(s.channels));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(8));
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  const std::uint16_t photometric =
      s.channels == 1 ? PHOTOMETRIC_MINISBLACK : (s.channels == 4 ? PHOTOMETRIC_SEPARATED : PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  if (s.channels == 4) TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(s.height));
  bool ok = true;
  for (int y = 0; y < s.height && ok; ++y)
    ok = TIFFWriteScanline(tiff, const_cast<std::uint8_t*>(&s.bytes[std::size_t(y) * s.width * s.channels]),
                           static_cast<std::uint32_t>(y), 0) == 1;
  TIFFClose(tiff);
  return ok;
}

std::optional<Samples> readTiff(const fs::path& file) {
  TIFF* tiff = TIFFOpen(file.c_str(), "r");
  if (!tiff) return std::nullopt;
  std::uint32_t width = 0, height = 0;
  std::uint16_t channels = 0, bits = 0, planar = PLANARCONFIG_CONTIG;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &channels);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  std::optional<Samples> s;
  if (bits == 8 && planar == PLANARCONFIG_CONTIG && TIFFScanlineSize(tiff) == tmsize_t(width) * channels) {
    s = Samples{int(width), int(height), int(channels),
                std::vector<std::uint8_t>(std::size_t(width) * height * channels)};
    for (std::uint32_t y = 0; y < height && s; ++y)
      if (TIFFReadScanline(tiff, &s->bytes[std::size_t(y) * width * channels], y, 0) != 1) s.reset();
  }
  TIFFClose(tiff);
  return s;
}

// What tificc makes of the samples, from one profile to another with the intent (and black-point compensation
// when asked: -b).
std::optional<Samples> tificc(const Samples& in, const fs::path& from, const fs::path& to, int intent,
                              bool blackPointCompensation = false) {
  const fs::path folder = test::makeTempFolder("tificc");
  if (!writeTiff(folder / "in.tif", in)) return std::nullopt;
  std::vector<std::string> arguments = {"tificc", "-i" + from.string(), "-o" + to.string(),
                                        "-t" + std::to_string(intent)};
  if (blackPointCompensation) arguments.push_back("-b");
  arguments.push_back((folder / "in.tif").string());
  arguments.push_back((folder / "out.tif").string());
  const CommandResult run = runCommand(arguments);
  EXPECT_TRUE(run.succeeded()) << describeOutcome(run) << run.standardError;
  return readTiff(folder / "out.tif");
}

// The channels of the offscreen, from byte `first` of each pixel on.
Samples samplesOf(const Offscreen& o, int first, int channels) {
  Samples s{o.width(), o.height(), channels, {}};
  const PixView view = o.view();
  for (int y = 0; y < o.height(); ++y)
    for (int x = 0; x < o.width(); ++x)
      for (int c = 0; c < channels; ++c) s.bytes.push_back(view.localPixel(x, y)[first + c]);
  return s;
}

std::vector<std::uint8_t> alphaOf(const Offscreen& o) { return samplesOf(o, kAlphaByte, 1).bytes; }

void expectRGBNear(const Offscreen& o, const std::optional<Samples>& expected) {
  ASSERT_TRUE(expected);
  ASSERT_EQ(expected->channels, 3);
  const Samples ours = samplesOf(o, kRedByte, 3);
  ASSERT_EQ(ours.bytes.size(), expected->bytes.size());
  int worst = 0;
  for (std::size_t i = 0; i < ours.bytes.size(); ++i)
    worst = std::max(worst, std::abs(ours.bytes[i] - expected->bytes[i]));
  EXPECT_LE(worst, 1);
}

OffscreenPtr randomPage(int width, int height, std::uint32_t seed) {
  OffscreenPtr page = test::makeOffscreen(test::rectAt(7, 3, width, height));
  if (page) test::fillRandom(*page, seed);
  return page;
}

std::vector<std::uint8_t> pageBytes(const Offscreen& o) { return samplesOf(o, 0, 4).bytes; }

std::string captured(const std::function<void()>& action) {
  testing::internal::CaptureStderr();
  action();
  return testing::internal::GetCapturedStderr();
}

// The log lines that follow one another in the text, each once.
void expectLinesInOrder(const std::string& log, const std::vector<std::string>& lines) {
  std::size_t at = 0;
  for (const std::string& line : lines) {
    const std::size_t found = log.find(line + "\n", at);
    ASSERT_NE(found, std::string::npos) << "missing \"" << line << "\" in:\n" << log;
    at = found + line.size();
  }
}

FSSpec specOf(const fs::path& file) {
  FSSpec spec;
  EXPECT_EQ(FSMakeFSSpecFromPath(file, spec), noErr) << file;
  return spec;
}

void writeBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::uint8_t> readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ColorProfiles : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static_cast<void>(MPJobs_Init(8));
    folder_ = new fs::path(test::makeTempFolder("profiles"));
    ASSERT_TRUE(test::saveProfile(test::makeAdobeLikeProfile(), path("AdobeLike.icc")));
    ASSERT_TRUE(test::saveProfile(test::makeSRGBProfile(), path("TestSRGB.icc")));
    ASSERT_TRUE(test::saveProfile(test::makeGrayProfile(), path("Grey22.icc")));
    ASSERT_TRUE(test::saveProfile(test::makeCMYKProfile(), path("TableCMYK.icc")));
    ASSERT_TRUE(test::saveProfile(test::withHeader(test::makeRGBPrinterProfile(), cmsSigOutputClass, 1),
                                  path("TablePrinter.icc")));
    ASSERT_TRUE(test::saveProfile(test::withHeader(test::makeSRGBProfile("Absolute sRGB"), cmsSigDisplayClass, 3),
                                  path("AbsoluteSRGB.icc")));
    std::vector<std::uint8_t> garbage(4096);
    std::mt19937 random(5);
    for (auto& b : garbage) b = static_cast<std::uint8_t>(random());
    writeBytes(path("Garbage.icc"), garbage);
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  void TearDown() override {
    setStandardUserDefaults(nullptr);
    setProjectProfileFolder({});
  }

  static fs::path path(const char* name) { return *folder_ / name; }

  // Colour-sync settings that match from `input` to `printer` for printer entry 7.
  static std::unique_ptr<tColorSyncPrefs> settings(const fs::path& input, const fs::path& printer) {
    auto s = std::make_unique<tColorSyncPrefs>();
    s->useColorMatching = 1;
    s->inputProfile = specOf(input);
    s->printers[7].matchingOn = 1;
    s->printers[7].printerProfile = specOf(printer);
    return s;
  }

  static fs::path* folder_;
};
fs::path* ColorProfiles::folder_ = nullptr;

TEST_F(ColorProfiles, ProfileReadsHeaderAndDescription) {
  const ProfileRef adobe = Profile::profileWithPath(path("AdobeLike.icc").string());
  ASSERT_TRUE(adobe);
  EXPECT_EQ(adobe->classType(), fourCharCode("mntr"));
  EXPECT_EQ(adobe->spaceType(), fourCharCode("RGB "));
  EXPECT_EQ(adobe->description(), "Adobe-like RGB");
  EXPECT_EQ(adobe->path(), path("AdobeLike.icc").string());
  EXPECT_NE(adobe->colorspace(), nullptr);

  const ProfileRef printer = Profile::profileWithPath(path("TablePrinter.icc").string());
  ASSERT_TRUE(printer);
  EXPECT_EQ(printer->classType(), fourCharCode("prtr"));
  EXPECT_EQ(printer->ref()->renderingIntent(), 1);
  const ProfileRef grey = Profile::profileWithPath(path("Grey22.icc").string());
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->spaceType(), fourCharCode("GRAY"));
  EXPECT_EQ(Profile::profileWithPath(path("TableCMYK.icc").string())->spaceType(), fourCharCode("CMYK"));
}

TEST_F(ColorProfiles, ProfilesOfOnePathAreEqual) {
  const ProfileRef a = Profile::profileWithPath(path("AdobeLike.icc").string());
  const ProfileRef b = Profile::profileWithPath(path("AdobeLike.icc").string());
  const ProfileRef other = Profile::profileWithPath(path("TestSRGB.icc").string());
  ASSERT_TRUE(a && b && other);
  EXPECT_TRUE(*a == *b);
  EXPECT_FALSE(*a == *other);
}

TEST_F(ColorProfiles, FilesThatAreNoProfileGiveNothing) {
  const fs::path bad = test::makeTempFolder("bad-profiles");
  const std::vector<std::uint8_t> real = readBytes(path("AdobeLike.icc"));
  writeBytes(bad / "empty.icc", {});
  writeBytes(bad / "truncated.icc", std::vector<std::uint8_t>(real.begin(), real.begin() + 100));
  std::vector<std::uint8_t> noMagic = real;
  noMagic[36] = 'x';  // the header's 'acsp'
  writeBytes(bad / "nomagic.icc", noMagic);
  fs::create_directory(bad / "folder.icc");
  ASSERT_EQ(::mkfifo((bad / "fifo.icc").c_str(), 0600), 0);
  const struct {
    fs::path file;
    OSErr error;
  } cases[] = {{bad / "missing.icc", fnfErr},           {bad / "empty.icc", cmProfileError},
               {bad / "truncated.icc", cmProfileError}, {bad / "nomagic.icc", cmProfileError},
               {path("Garbage.icc"), cmProfileError},   {bad / "folder.icc", cmProfileError},
               {bad / "fifo.icc", cmProfileError}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_FALSE(Profile::profileWithPath(c.file.string()));
    OSErr error = noErr;
    EXPECT_FALSE(openProfileFile(c.file, &error));
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(readBytes(bad / "nomagic.icc"), noMagic);  // reading changed nothing
}

TEST_F(ColorProfiles, DefaultProfilesComeFromTheUserDefaults) {
  UserDefaults defaults(test::makeTempFolder("defaults") / "defaults.plist");
  setStandardUserDefaults(&defaults);
  defaults.setObject("DefaultRGBProfile", path("AdobeLike.icc").string());
  defaults.setObject("DefaultCMYKProfile", path("Garbage.icc").string());

  const ProfileRef rgb = Profile::profileDefaultRGB();
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->description(), "Adobe-like RGB");
  // No key: an object that opens nothing.
  const ProfileRef grey = Profile::profileDefaultGray();
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->ref(), nullptr);
  EXPECT_EQ(grey->colorspace(), nullptr);
  EXPECT_EQ(grey->description(), "");
  // A key whose file is no profile: nothing at all.
  EXPECT_FALSE(Profile::profileDefaultCMYK());
}

TEST_F(ColorProfiles, GenericRGBIsSRGB) {
  const ProfileRef generic = Profile::profileWithGenericRGB();
  ASSERT_TRUE(generic);
  EXPECT_EQ(generic->classType(), fourCharCode("mntr"));
  EXPECT_EQ(generic->spaceType(), fourCharCode("RGB "));
  EXPECT_EQ(generic->path(), "");
  ASSERT_TRUE(generic->ref());
  // Converting sRGB pixels to it changes nothing.
  OffscreenPtr page = randomPage(33, 5, 3);
  const std::vector<std::uint8_t> before = pageBytes(*page);
  const ProfileRef sRGB = Profile::profileWithPath(path("TestSRGB.icc").string());
  ASSERT_TRUE(convertRGBOffscreen(page.get(), *sRGB, *generic));
  const std::vector<std::uint8_t> after = pageBytes(*page);
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_NEAR(after[i], before[i], 1) << i;
}

TEST_F(ColorProfiles, MatchingAgreesWithTificc) {
  const struct {
    const char* from;
    const char* to;
    int intent;  // the source header's
  } cases[] = {{"AdobeLike.icc", "TestSRGB.icc", 0},
               {"TablePrinter.icc", "AdobeLike.icc", 1},
               {"AbsoluteSRGB.icc", "TablePrinter.icc", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from);
    OffscreenPtr page = randomPage(101, 37, 11);
    const Samples original = samplesOf(*page, kRedByte, 3);
    const std::vector<std::uint8_t> alpha = alphaOf(*page);
    const auto s = settings(path(c.from), path(c.to));
    bool matched = false;
    const std::string log = captured([&] { matched = matchInputAndOutput(page.get(), s.get(), 7); });
    EXPECT_TRUE(matched);
    expectLinesInOrder(log, {std::string("Color Matching with Input Profile: ") + c.from + ", printer Profile: " + c.to,
                             "Color Matching was successful"});
    // Relative colorimetric goes with black-point compensation, as tificc -b does it.
    expectRGBNear(*page, tificc(original, path(c.from), path(c.to), c.intent, c.intent == 1));
    EXPECT_EQ(alphaOf(*page), alpha);
  }
}

// A printer whose black is L* 6: without black-point compensation every grey darker than that prints as the
// same device black, and the next shadows pick up a tint.
TEST_F(ColorProfiles, RelativeColorimetricKeepsTheShadowsApartOnARaisedBlack) {
  const fs::path printer = *folder_ / "RaisedBlack.icc";
  ASSERT_TRUE(test::saveProfile(test::withHeader(test::makeRaisedBlackPrinterProfile(6), cmsSigOutputClass, 1), printer));
  const fs::path input = *folder_ / "RelativeSRGB.icc";
  ASSERT_TRUE(test::saveProfile(test::withHeader(test::makeSRGBProfile("Relative sRGB"), cmsSigDisplayClass, 1), input));
  constexpr int kLevels = 40;
  OffscreenPtr page = test::makeOffscreen(test::rectAt(0, 0, kLevels, 1));
  for (int x = 0; x < kLevels; ++x) {
    const auto v = static_cast<std::uint8_t>(x);
    test::setPixel(*page, x, 0, Pixel{0, v, v, v});
  }
  const Samples original = samplesOf(*page, kRedByte, 3);
  bool matched = false;
  captured([&] { matched = matchInputAndOutput(page.get(), settings(input, printer).get(), 7); });
  ASSERT_TRUE(matched);
  expectRGBNear(*page, tificc(original, input, printer, 1, true));

  // What the printer makes of the device values: greys that stay apart and stay grey.
  const std::vector<std::uint8_t> printerBytes = readBytes(printer), labBytes = test::profileBytes(cmsCreateLab4Profile(nullptr));
  cmsHPROFILE device = cmsOpenProfileFromMem(printerBytes.data(), static_cast<cmsUInt32Number>(printerBytes.size()));
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM toLab = cmsCreateTransform(device, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
  double previousL = -1, mostTint = 0;
  int apart = 0;
  for (int x = 0; x < kLevels; ++x) {
    SCOPED_TRACE(x);
    const Pixel p = test::pixelAt(*page, x, 0);
    const std::uint8_t rgb[3] = {p[1], p[2], p[3]};
    cmsCIELab printed;
    cmsDoTransform(toLab, rgb, &printed, 1);
    const double tint = std::hypot(printed.a, printed.b);
    mostTint = std::max(mostTint, tint);
    if (x <= 12) {
      apart += printed.L > previousL + 0.01 ? 1 : 0;
      EXPECT_GT(printed.L, previousL) << "grey " << x << " prints no lighter than the grey below it";
    }
    EXPECT_LT(tint, 1.0) << "grey " << x << " prints tinted";
    previousL = printed.L;
  }
  std::printf("[ shadows ] greys 0-12 print as %d lightnesses; greys 0-39 tinted by up to %.2f (a*b* chroma)\n", apart,
              mostTint);
  cmsDeleteTransform(toLab);
  cmsCloseProfile(device);
  cmsCloseProfile(lab);
}

// The printer's profile is looked for by name among the installed ones: a monitor profile of the same name in
// an earlier colour folder must not be taken for it.
TEST_F(ColorProfiles, AForeignPrinterProfileIsTheInstalledPrinterProfileOfThatName) {
  const fs::path early = fs::path(std::getenv("XDG_DATA_HOME")) / "icc", late = test::makeTempFolder("late-icc");
  fs::create_directories(early);
  ASSERT_TRUE(test::saveProfile(test::withHeader(test::makeSRGBProfile("Monitor twin"), cmsSigDisplayClass, 0),
                                early / "Studio.icc"));
  ASSERT_TRUE(test::saveProfile(test::withHeader(test::makeRGBPrinterProfile(), cmsSigOutputClass, 0),
                                late / "Studio.icc"));
  setProjectProfileFolder(late);
  auto s = settings(path("AdobeLike.icc"), late / "Studio.icc");
  s->printers[7].printerProfile.vRefNum = -31000;  // numbers from the machine that wrote the job
  s->printers[7].printerProfile.parID = 987654321;
  OffscreenPtr page = randomPage(15, 6, 4);
  const Samples original = samplesOf(*page, kRedByte, 3);
  bool matched = false;
  captured([&] { matched = matchInputAndOutput(page.get(), s.get(), 7); });
  EXPECT_TRUE(matched);
  expectRGBNear(*page, tificc(original, path("AdobeLike.icc"), late / "Studio.icc", 0));
  fs::remove(early / "Studio.icc");
}

TEST_F(ColorProfiles, MatchingOffDoesNothing) {
  OffscreenPtr page = randomPage(21, 4, 1);
  const std::vector<std::uint8_t> before = pageBytes(*page);
  auto masterOff = settings(path("AdobeLike.icc"), path("TestSRGB.icc"));
  masterOff->useColorMatching = 0;
  auto printerOff = settings(path("AdobeLike.icc"), path("TestSRGB.icc"));
  printerOff->printers[7].matchingOn = 0;
  const auto on = settings(path("AdobeLike.icc"), path("TestSRGB.icc"));
  const struct {
    const char* what;
    Offscreen* page;
    const tColorSyncPrefs* settings;
    short printer;
  } cases[] = {{"master switch off", page.get(), masterOff.get(), 7},
               {"printer switch off", page.get(), printerOff.get(), 7},
               {"no offscreen", nullptr, on.get(), 7},
               {"no settings", page.get(), nullptr, 7},
               {"another printer's entry is off", page.get(), on.get(), 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bool matched = true;
    EXPECT_EQ(captured([&] { matched = matchInputAndOutput(c.page, c.settings, c.printer); }), "");
    EXPECT_FALSE(matched);
    EXPECT_EQ(pageBytes(*page), before);
  }
  for (short index : {short{-1}, short{100}}) {
    bool matched = true;
    const std::string log = captured([&] { matched = matchInputAndOutput(page.get(), on.get(), index); });
    EXPECT_FALSE(matched);
    EXPECT_NE(log.find("no printer entry " + std::to_string(index)), std::string::npos) << log;
  }
  EXPECT_EQ(pageBytes(*page), before);
}

TEST_F(ColorProfiles, FailedMatchingLogsAndLeavesThePage) {
  const fs::path gone = test::makeTempFolder("gone") / "Gone.icc";
  writeBytes(gone, readBytes(path("TestSRGB.icc")));
  const FSSpec goneSpec = specOf(gone);
  fs::remove(gone);
  const struct {
    const char* what;
    fs::path input, printer;
    bool inputGone, printerGone;
    std::string error;
  } cases[] = {
      {"printer profile missing", path("AdobeLike.icc"), {}, false, true, "OpenProfileFSSpec B error = -43"},
      {"input profile missing", {}, path("TestSRGB.icc"), true, false, "OpenProfileFSSpec error = -43"},
      {"printer profile corrupt", path("AdobeLike.icc"), path("Garbage.icc"), false, false,
       "OpenProfileFSSpec B error = -170"},
      {"printer profile CMYK", path("AdobeLike.icc"), path("TableCMYK.icc"), false, false,
       "NCWNewColorWorld error = -178"},
      {"input profile grey", path("Grey22.icc"), path("TestSRGB.icc"), false, false, "NCWNewColorWorld error = -178"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto s = std::make_unique<tColorSyncPrefs>();
    s->useColorMatching = 1;
    s->inputProfile = c.inputGone ? goneSpec : specOf(c.input);
    s->printers[7].matchingOn = 1;
    s->printers[7].printerProfile = c.printerGone ? goneSpec : specOf(c.printer);
    OffscreenPtr page = randomPage(13, 9, 2);
    const std::vector<std::uint8_t> before = pageBytes(*page);
    bool matched = true;
    const std::string log = captured([&] { matched = matchInputAndOutput(page.get(), s.get(), 7); });
    EXPECT_FALSE(matched);
    expectLinesInOrder(log, {c.error, "Color Matching NOT successful"});
    EXPECT_EQ(pageBytes(*page), before);
  }
}

TEST_F(ColorProfiles, ForeignSpecificationIsFoundByName) {
  setProjectProfileFolder(*folder_);
  auto s = settings(path("AdobeLike.icc"), path("TestSRGB.icc"));
  s->printers[7].printerProfile.vRefNum = -31000;  // numbers from the machine that wrote the job
  s->printers[7].printerProfile.parID = 987654321;
  OffscreenPtr page = randomPage(15, 6, 4);
  const Samples original = samplesOf(*page, kRedByte, 3);
  bool matched = false;
  captured([&] { matched = matchInputAndOutput(page.get(), s.get(), 7); });
  EXPECT_TRUE(matched);
  expectRGBNear(*page, tificc(original, path("AdobeLike.icc"), path("TestSRGB.icc"), 0));
}

// The transform cache goes by the profile's bytes: a file replaced under the same name is matched anew.
TEST_F(ColorProfiles, ReplacedProfileFileIsNotMatchedWithTheOldOne) {
  const fs::path changing = test::makeTempFolder("changing") / "Changing.icc";
  const auto s = [&] { return settings(path("AdobeLike.icc"), changing); };
  const std::pair<const char*, int> versions[] = {{"TestSRGB.icc", 1}, {"TablePrinter.icc", 2}};
  std::vector<std::vector<std::uint8_t>> results;
  for (const auto& [name, seed] : versions) {
    SCOPED_TRACE(name);
    writeBytes(changing, readBytes(path(name)));
    OffscreenPtr page = randomPage(41, 7, 9);
    const Samples original = samplesOf(*page, kRedByte, 3);
    bool matched = false;
    captured([&] { matched = matchInputAndOutput(page.get(), s().get(), 7); });
    EXPECT_TRUE(matched);
    expectRGBNear(*page, tificc(original, path("AdobeLike.icc"), changing, 0));
    results.push_back(pageBytes(*page));
  }
  EXPECT_NE(results[0], results[1]);
}

TEST_F(ColorProfiles, BandsGiveTheSameBytesAsOneThread) {
  CMProfileRef source = openProfileFile(path("TablePrinter.icc"), nullptr);
  CMProfileRef destination = openProfileFile(path("AdobeLike.icc"), nullptr);
  CMWorldRef world;
  ASSERT_EQ(NCWNewColorWorld(&world, source, destination), noErr);
  OffscreenPtr reference = randomPage(1001, 700, 21);
  const std::vector<std::uint8_t> original = pageBytes(*reference);
  const PixView r = reference->view();
  transformRows(*world, r.base(), r.rowBytes(), r.base(), r.rowBytes(), r.width(), r.height(), nullptr, 1);
  const std::vector<std::uint8_t> expected = pageBytes(*reference);
  ASSERT_NE(expected, original);

  JobPool pool(8);
  for (int bands : {2, 8, 13}) {
    SCOPED_TRACE(bands);
    OffscreenPtr page = randomPage(1001, 700, 21);
    const PixView v = page->view();
    transformRows(*world, v.base(), v.rowBytes(), v.base(), v.rowBytes(), v.width(), v.height(), &pool, bands);
    EXPECT_EQ(pageBytes(*page), expected);
  }
  // The whole road, in the process pool's bands.
  OffscreenPtr page = randomPage(1001, 700, 21);
  const auto s = settings(path("TablePrinter.icc"), path("AdobeLike.icc"));
  captured([&] { EXPECT_TRUE(matchInputAndOutput(page.get(), s.get(), 7)); });
  EXPECT_EQ(pageBytes(*page), expected);
}

// Several threads converting at once share the transform cache and the pool; each gets what it gets alone.
TEST_F(ColorProfiles, ConcurrentConversionsShareTheCache) {
  const char* sources[] = {"AdobeLike.icc", "TablePrinter.icc", "AbsoluteSRGB.icc"};
  const ProfileRef sRGB = Profile::profileWithPath(path("TestSRGB.icc").string());
  std::vector<std::vector<std::uint8_t>> alone;
  for (const char* source : sources) {
    OffscreenPtr page = randomPage(301, 90, 5);
    ASSERT_TRUE(convertRGBOffscreen(page.get(), readBytes(path(source)), *sRGB));
    alone.push_back(pageBytes(*page));
  }
  std::vector<std::vector<std::uint8_t>> together(12);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < together.size(); ++i)
    threads.emplace_back([&, i] {
      OffscreenPtr page = randomPage(301, 90, 5);
      if (convertRGBOffscreen(page.get(), readBytes(path(sources[i % 3])), *sRGB)) together[i] = pageBytes(*page);
    });
  for (std::thread& t : threads) t.join();
  for (std::size_t i = 0; i < together.size(); ++i) EXPECT_EQ(together[i], alone[i % 3]) << i;
}

class ProfileSearch : public ColorProfiles {
 protected:
  void SetUp() override {
    dataHome_ = fs::path(std::getenv("XDG_DATA_HOME")) / "icc";
    fs::create_directories(dataHome_);
    project_ = test::makeTempFolder("project-profiles");
    fs::create_directories(project_ / "vendor");
    ASSERT_TRUE(test::saveProfile(test::makeSRGBProfile(), dataHome_ / "Shared.icc"));
    ASSERT_TRUE(test::saveProfile(test::withHeader(test::makeSRGBProfile(), cmsSigOutputClass, 0),
                                  project_ / "vendor" / "Shared.icc"));
    ASSERT_TRUE(test::saveProfile(test::makeSRGBProfile(), project_ / "OnlyMonitor.icc"));
    writeBytes(project_ / "NotAProfile.icc", readBytes(path("Garbage.icc")));
    setProjectProfileFolder(project_);
  }
  void TearDown() override {
    fs::remove_all(dataHome_);
    ColorProfiles::TearDown();
  }
  fs::path dataHome_, project_;
};

TEST_F(ProfileSearch, FindsByExactNamePreferringTheClass) {
  const struct {
    OSType profileClass;
    const char* name;
    fs::path expected;  // empty: not found
  } cases[] = {
      {fourCharCode("prtr"), "Shared.icc", project_ / "vendor" / "Shared.icc"},
      {fourCharCode("mntr"), "Shared.icc", dataHome_ / "Shared.icc"},
      {0, "Shared.icc", dataHome_ / "Shared.icc"},
      {fourCharCode("prtr"), "OnlyMonitor.icc", project_ / "OnlyMonitor.icc"},  // another class still counts
      {fourCharCode("prtr"), "shared.icc", {}},
      {fourCharCode("prtr"), "NotAProfile.icc", {}},
      {fourCharCode("prtr"), "Missing.icc", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Str255 name(c.name);
    FSSpec found;
    ASSERT_EQ(FindProfile(c.profileClass, &found, name.raw()), !c.expected.empty());
    if (c.expected.empty()) continue;
    fs::path where;
    ASSERT_EQ(FSpMakePath(found, where), noErr);
    EXPECT_EQ(where, c.expected);
  }
  EXPECT_FALSE(FindProfile(0, nullptr, Str255("Shared.icc").raw()));
}

TEST_F(ProfileSearch, SearchesTheColourFoldersInOrder) {
  const char* saved = std::getenv("XDG_DATA_DIRS");
  const std::string restore = saved ? saved : "";
  setenv("XDG_DATA_DIRS", "/opt/a:relative:/opt/b/", 1);
  const fs::path home = std::getenv("HOME");
  const std::vector<fs::path> expected = {dataHome_,
                                          "/opt/a/color/icc",
                                          "/opt/a/icc",
                                          "/opt/b/color/icc",
                                          "/opt/b/icc",
                                          home / ".color/icc",
                                          "/usr/local/share/color/icc",
                                          "/usr/share/color/icc",
                                          project_};
  EXPECT_EQ(profileSearchFolders(), expected);
  if (saved)
    setenv("XDG_DATA_DIRS", restore.c_str(), 1);
  else
    unsetenv("XDG_DATA_DIRS");
}

TEST_F(ColorProfiles, ConvertsRGBFromEmbeddedBytes) {
  const ProfileRef sRGB = Profile::profileWithPath(path("TestSRGB.icc").string());
  const ProfileRef adobe = Profile::profileWithPath(path("AdobeLike.icc").string());
  OffscreenPtr page = randomPage(57, 11, 31);
  OffscreenPtr twin = randomPage(57, 11, 31);
  const Samples original = samplesOf(*page, kRedByte, 3);
  const std::vector<std::uint8_t> alpha = alphaOf(*page);
  ASSERT_TRUE(convertRGBOffscreen(page.get(), readBytes(path("AdobeLike.icc")), *sRGB));
  expectRGBNear(*page, tificc(original, path("AdobeLike.icc"), path("TestSRGB.icc"), 0));
  EXPECT_EQ(alphaOf(*page), alpha);
  ASSERT_TRUE(convertRGBOffscreen(twin.get(), *adobe, *sRGB));
  EXPECT_EQ(pageBytes(*twin), pageBytes(*page));
}

TEST_F(ColorProfiles, ConvertsGreyToRGB) {
  const ProfileRef sRGB = Profile::profileWithPath(path("TestSRGB.icc").string());
  OffscreenPtr page = test::makeOffscreen(test::rectAt(0, 0, 261, 3));
  std::mt19937 random(8);
  Samples grey{261, 3, 1, {}};
  test::fillWith(*page, [&](int x, int y) {
    const auto v = static_cast<std::uint8_t>(y == 0 ? x : random());  // the first row holds every level
    grey.bytes.push_back(v);
    return Pixel{static_cast<std::uint8_t>(x * 7), v, v, v};
  });
  const std::vector<std::uint8_t> alpha = alphaOf(*page);
  ASSERT_TRUE(convertGrayOffscreen(page.get(), readBytes(path("Grey22.icc")), *sRGB));
  expectRGBNear(*page, tificc(grey, path("Grey22.icc"), path("TestSRGB.icc"), 0));
  EXPECT_EQ(alphaOf(*page), alpha);
  const Pixel white = test::pixelAt(*page, 255, 0);
  for (int c = 1; c < 4; ++c) EXPECT_GE(white[c], 254);
}

TEST_F(ColorProfiles, ConvertsCMYKIntoAnOffscreen) {
  const ProfileRef sRGB = Profile::profileWithPath(path("TestSRGB.icc").string());
  const ProfileRef cmykProfile = Profile::profileWithPath(path("TableCMYK.icc").string());
  ASSERT_TRUE(sRGB && cmykProfile);
  OffscreenPtr page = randomPage(77, 13, 12);
  const std::vector<std::uint8_t> alpha = alphaOf(*page);
  Samples cmyk{77, 13, 4, std::vector<std::uint8_t>(77 * 13 * 4)};
  std::mt19937 random(4);
  for (auto& b : cmyk.bytes) b = static_cast<std::uint8_t>(random());
  std::fill_n(cmyk.bytes.begin(), 4, 0);  // no ink: paper white
  ASSERT_TRUE(convertCMYKToOffscreen(cmyk.bytes, *cmykProfile, *sRGB, page.get()));
  expectRGBNear(*page, tificc(cmyk, path("TableCMYK.icc"), path("TestSRGB.icc"), 0));
  EXPECT_EQ(alphaOf(*page), alpha);
  const Pixel paper = test::pixelAt(*page, 7, 3);
  for (int c = 1; c < 4; ++c) EXPECT_GE(paper[c], 254);
}

TEST_F(ColorProfiles, ConversionsThatCannotRunLeaveThePixels) {
  const ProfileRef sRGB = Profile::profileWithPath(path("TestSRGB.icc").string());
  const ProfileRef grey = Profile::profileWithPath(path("Grey22.icc").string());
  UserDefaults defaults(test::makeTempFolder("defaults") / "defaults.plist");
  setStandardUserDefaults(&defaults);
  const ProfileRef nothing = Profile::profileDefaultRGB();  // no key: opens no profile
  const std::vector<std::uint8_t> garbage = readBytes(path("Garbage.icc"));
  const std::vector<std::uint8_t> greyBytes = readBytes(path("Grey22.icc"));
  const std::vector<std::uint8_t> cmykBytes = readBytes(path("TableCMYK.icc"));
  OffscreenPtr page = randomPage(19, 5, 6);
  const std::vector<std::uint8_t> before = pageBytes(*page);
  const std::vector<std::uint8_t> cmyk(19 * 5 * 4, 10), shortCmyk(19 * 5 * 4 - 1, 10);
  const struct {
    const char* what;
    std::function<bool()> convert;
    const char* logged;
  } cases[] = {
      {"corrupt RGB profile", [&] { return convertRGBOffscreen(page.get(), garbage, *sRGB); }, "refuses"},
      {"corrupt grey profile", [&] { return convertGrayOffscreen(page.get(), garbage, *sRGB); }, "refuses"},
      {"corrupt CMYK profile", [&] { return convertCMYKToOffscreen(cmyk, garbage, *sRGB, page.get()); }, "refuses"},
      {"empty profile bytes", [&] { return convertRGBOffscreen(page.get(), {}, *sRGB); }, "0 bytes"},
      {"grey profile for RGB", [&] { return convertRGBOffscreen(page.get(), greyBytes, *sRGB); }, "colour space"},
      {"RGB destination missing", [&] { return convertRGBOffscreen(page.get(), *sRGB, *nothing); }, "no RGB"},
      {"grey destination", [&] { return convertRGBOffscreen(page.get(), *sRGB, *grey); }, "no RGB"},
      {"CMYK samples short", [&] { return convertCMYKToOffscreen(shortCmyk, cmykBytes, *sRGB, page.get()); },
       "sample bytes"},
      {"no offscreen", [&] { return convertRGBOffscreen(nullptr, *sRGB, *sRGB); }, "no offscreen"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bool converted = true;
    const std::string log = captured([&] { converted = c.convert(); });
    EXPECT_FALSE(converted);
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    EXPECT_EQ(pageBytes(*page), before);
  }
}

TEST_F(ColorProfiles, FindsAnInstalledDebianProfile) {
  if (!fs::exists("/usr/share/color/icc/sRGB.icc")) GTEST_SKIP() << "icc-profiles-free is not installed";
  FSSpec found;
  ASSERT_TRUE(FindProfile(fourCharCode("mntr"), &found, Str255("sRGB.icc").raw()));
  fs::path where;
  ASSERT_EQ(FSpMakePath(found, where), noErr);
  EXPECT_EQ(where.filename(), "sRGB.icc");
  const ProfileRef profile = Profile::profileWithPath(where.string());
  ASSERT_TRUE(profile);
  EXPECT_EQ(profile->spaceType(), fourCharCode("RGB "));
}

}  // namespace
}  // namespace vorl
