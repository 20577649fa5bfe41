// The hand-off pair of the new print-centre mode, read back by second implementations: python3's plistlib for
// the property list (its keys and whether each number is an integer or a real) and djpeg for the picture. The
// pair's order (picture first, property list last) is watched with inotify.
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "platform/plists/archived_value_plist.h"
#include "platform/system/command_runner.h"
#include "tests/jobs/job_test_support.h"
#include "tests/jobs/print_output_support.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/keyed_archive_writer.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

using test::Bytes;

// Prints "<path>\t<python type>\t<repr>" for every value, dictionaries included, keys sorted.
constexpr const char* kDumpPlist = R"(import plistlib, sys
def walk(path, value):
    if isinstance(value, dict):
        print(path + '\tdict\t')
        for key in sorted(value):
            walk(path + '/' + key, value[key])
    else:
        print(path + '\t' + type(value).__name__ + '\t' + repr(value))
with open(sys.argv[1], 'rb') as f:
    walk('', plistlib.load(f))
)";

struct PlistEntry {
  std::string type;
  std::string value;
};

std::map<std::string, PlistEntry> dumpPlist(const fs::path& file) {
  const CommandResult result = runCommand({"python3", "-c", kDumpPlist, file.string()});
  EXPECT_TRUE(result.succeeded()) << describeOutcome(result) << result.standardError;
  std::map<std::string, PlistEntry> entries;
  std::istringstream lines(result.standardOutput);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t first = line.find('\t'), second = line.find('\t', first + 1);
    entries[line.substr(0, first)] = {line.substr(first + 1, second - first - 1), line.substr(second + 1)};
  }
  return entries;
}

// Every key the print centre reads, with the type its documented width gives.
std::map<std::string, std::string> expectedKeyTypes() {
  std::map<std::string, std::string> types{{"", "dict"}};
  for (const char* key : {"printer", "width", "height", "resolution", "isMirror", "isColor", "mediaTypeMustMatch",
                          "useColorSettings", "printQuantity", "useDualBuffer", "dataSize", "dataType"})
    types[std::string("/") + key] = "int";
  for (const char* block : {"/sonyPrintSettings", "/kodakPrintSettings"}) {
    types[block] = "dict";
    for (const char* key : {"version", "useThisSetting", "red", "green", "blue", "dark", "light", "sharpness", "gamma",
                            "lamination", "printQty", "useLaminationType"})
      types[std::string(block) + "/" + key] = "int";
  }
  types["/mitsubishiSettings"] = "dict";
  for (const char* key : {"numOfCopies", "density", "sharpness", "coefficient", "offset", "printingMode", "adjustCurve",
                          "lamination", "gamma", "contrast", "mirror", "colorConversion", "colorAdjustRed",
                          "colorAdjustGreen", "colorAdjustBlue", "colorAdjustDark", "colorAdjustLight",
                          "colorAdjustSharpness", "colorAdjustGamma", "colorAdjustLamination", "printQty"})
    types[std::string("/mitsubishiSettings/") + key] = "int";
  types["/mediaSettings"] = "dict";
  for (const char* key :
       {"turnOn", "mediaType", "cutInHalf", "orientation", "surfaceIndex", "ribbonType", "resizeMethod", "printMode"})
    types[std::string("/mediaSettings/") + key] = "int";
  types["/shinkoSettings"] = "dict";
  for (const char* key : {"colorAdjustRed", "colorAdjustGreen", "colorAdjustBlue", "colorAdjustDark", "colorAdjustLight",
                          "colorAdjustSharpness", "colorAdjustGamma", "colorAdjustLamination", "printQty", "matteLevel",
                          "printMode"})
    types[std::string("/shinkoSettings/") + key] = "int";
  types["/colorAdjustSettings"] = "dict";
  for (const char* key : {"colorAdjustSaturation", "colorAdjustBrightness", "colorAdjustContrast", "colorAdjustRed",
                          "colorAdjustGreen", "colorAdjustBlue", "colorAdjustSharpness", "colorAdjustGamma",
                          "colorAdjustExposure", "colorAdjustHue"})
    types[std::string("/colorAdjustSettings/") + key] = "float";
  return types;
}

std::map<std::string, std::string> typesOf(const std::map<std::string, PlistEntry>& entries) {
  std::map<std::string, std::string> types;
  for (const auto& [path, entry] : entries) types[path] = entry.type;
  return types;
}

class PrintHandOffTest : public test::PrintOutputTest {
 protected:
  void SetUp() override {
    PrintOutputTest::SetUp();
    setNewMode(true);
  }

  test::JobSpec typeOneJob() {
    test::JobSpec spec = test::minimalJob();
    spec.printerType = 1;
    spec.printerBlock = Bytes(1224, 0);
    spec.templateName = "Template";
    return spec;
  }

  std::pair<int, int> jpegSize(const fs::path& file) {
    const CommandResult result = runCommand({"djpeg", "-pnm", file.string()});
    EXPECT_TRUE(result.succeeded()) << describeOutcome(result);
    int width = 0, height = 0;
    EXPECT_EQ(std::sscanf(result.standardOutput.c_str(), "P6 %d %d", &width, &height), 2);
    return {width, height};
  }

  const std::string base_ = std::string(test::kNamePrefix) + "Template";
};

TEST_F(PrintHandOffTest, ThePairCarriesEveryHeaderValueWithItsNumberType) {
  test::SpoolerJob job = makeJob(typeOneJob(), test::uniformPage(30, 50, {0x12, 0x34, 0x56}));
  ASSERT_TRUE(deliver(*job.view));
  EXPECT_EQ(test::namesIn(printCentre_), std::vector<std::string>{}) << "no print-data file in the new mode";
  EXPECT_EQ(test::namesIn(handOff_), (std::vector<std::string>{base_ + ".jpeg", base_ + ".plist"}));

  const auto entries = dumpPlist(handOff_ / (base_ + ".plist"));
  EXPECT_EQ(typesOf(entries), expectedKeyTypes()) << "no \"webServerDictionary\" without a job dictionary";
  // The page was turned for the landscape printer; the picture is the page as drawn.
  EXPECT_EQ(entries.at("/width").value, "50");
  EXPECT_EQ(entries.at("/height").value, "30");
  EXPECT_EQ(jpegSize(handOff_ / (base_ + ".jpeg")), std::make_pair(30, 50));
  EXPECT_EQ(entries.at("/dataSize").value, std::to_string(fs::file_size(handOff_ / (base_ + ".jpeg"))));
  EXPECT_EQ(entries.at("/dataType").value, "2");
  EXPECT_EQ(entries.at("/printer").value, "1");
  EXPECT_EQ(entries.at("/useDualBuffer").value, "1");
  EXPECT_EQ(job.view->keptPageCopy(), nullptr) << "the kept copy is released once written";
}

TEST_F(PrintHandOffTest, TheJobDictionaryGoesUnderWebServerDictionaryWithoutItsNulls) {
  test::SpoolerJob job = makeJob(typeOneJob(), test::uniformPage(6, 4, {1, 2, 3}));
  job.view->SetKeptJobDictionary(ArchivedValue::dictionary({{"imageurl", ArchivedValue::string("http://studio/a.jpg")},
                                                            {"count", ArchivedValue::integer(3)},
                                                            {"scale", ArchivedValue::real(1.5)},
                                                            {"nothing", ArchivedValue()}}));
  ASSERT_TRUE(deliver(*job.view));
  const auto entries = dumpPlist(handOff_ / (base_ + ".plist"));
  EXPECT_EQ(entries.at("/webServerDictionary").type, "dict");
  EXPECT_EQ(entries.at("/webServerDictionary/imageurl").value, "'http://studio/a.jpg'");
  EXPECT_EQ(entries.at("/webServerDictionary/count").type, "int");
  EXPECT_EQ(entries.at("/webServerDictionary/scale").type, "float");
  EXPECT_EQ(entries.count("/webServerDictionary/nothing"), 0u);
}

TEST_F(PrintHandOffTest, TheExportedJobDictionaryCarriesTheStatusTheWebServerIsSent) {
  test::JobSpec spec = typeOneJob();
  spec.jobInfo = test::jobInfoBytes("Current", "", 0, 0, {1, 1, 0});  // the order's last page
  spec.dictionaryArchive = test::encodeKeyedArchive(ArchivedValue::dictionary(
      {{"imageurl", ArchivedValue::string("http://studio/a.jpg")}, {"status", ArchivedValue::string("queued")}}));
  test::SpoolerJob job = makeJob(spec, test::uniformPage(6, 4, {1, 2, 3}));
  ASSERT_EQ(job.view->PrepareForPrinter(), 0);

  const auto entries = dumpPlist(handOff_ / (base_ + ".plist"));
  EXPECT_EQ(entries.at("/webServerDictionary/imageurl").value, "'http://studio/a.jpg'");
  EXPECT_EQ(entries.at("/webServerDictionary/status").value, "'Job processed by Vorl-Zeverezoz'");
  // The notice still goes out, once, after the pair was written.
  ASSERT_EQ(job.observer->notices.size(), 1u);
  EXPECT_EQ(*job.observer->notices[0].find("status")->asString(), "Job processed by Vorl-Zeverezoz");
}

TEST_F(PrintHandOffTest, TwoHandOffsInTheSameSecondKeepBothPairs) {
  for (int page = 0; page < 2; ++page) {
    test::SpoolerJob job = makeJob(typeOneJob(), test::uniformPage(6 + page, 4, {1, 2, 3}));
    ASSERT_TRUE(deliver(*job.view));
  }
  const std::string second = base_ + "_0001";
  EXPECT_EQ(test::namesIn(handOff_),
            (std::vector<std::string>{base_ + ".jpeg", base_ + ".plist", second + ".jpeg", second + ".plist"}));
  EXPECT_EQ(dumpPlist(handOff_ / (second + ".plist")).at("/width").value, "7");
}

TEST_F(PrintHandOffTest, ThePropertyListArrivesAfterItsPicture) {
  fs::create_directories(handOff_);
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, handOff_.c_str(), IN_CREATE | IN_MODIFY | IN_MOVED_TO), 0);
  test::SpoolerJob job = makeJob(typeOneJob(), test::uniformPage(6, 4, {1, 2, 3}));
  ASSERT_TRUE(deliver(*job.view));
  std::vector<std::pair<std::string, std::uint32_t>> events;
  alignas(inotify_event) char buffer[65536];
  for (ssize_t got; (got = ::read(watch, buffer, sizeof buffer)) > 0;)
    for (char* p = buffer; p < buffer + got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(p);
      events.emplace_back(event->len ? event->name : "", event->mask);
      p += sizeof(inotify_event) + event->len;
    }
  ::close(watch);
  std::vector<std::string> finalNames;
  for (const auto& [name, mask] : events)
    if (!name.starts_with(".")) {
      EXPECT_EQ(mask & (IN_CREATE | IN_MODIFY), 0u) << name;
      finalNames.push_back(name);
    }
  EXPECT_EQ(finalNames, (std::vector<std::string>{base_ + ".jpeg", base_ + ".plist"}));
}

TEST_F(PrintHandOffTest, APropertyListThatCannotBeWrittenTakesItsPictureAlong) {
  test::SpoolerJob job = makeJob(typeOneJob(), test::uniformPage(6, 4, {1, 2, 3}));
  // A text holding a NUL has no XML property-list form.
  job.view->SetKeptJobDictionary(
      ArchivedValue::dictionary({{"imageurl", ArchivedValue::string(std::string("a\0b", 3))}}));
  EXPECT_FALSE(deliver(*job.view));
  EXPECT_EQ(test::namesIn(handOff_), std::vector<std::string>{});
}

TEST_F(PrintHandOffTest, AFullDiskLeavesNoHalfPair) {
  test::SpoolerJob job = makeJob(typeOneJob(), test::uniformPage(6, 4, {1, 2, 3}));
  bool delivered = true;
  {
    test::FileSizeLimit limit(64);
    delivered = deliver(*job.view);
  }
  EXPECT_FALSE(delivered);
  EXPECT_EQ(test::namesIn(handOff_), std::vector<std::string>{});
}

TEST_F(PrintHandOffTest, AMissingPrintCentreFolderFailsTheHandOff) {
  const fs::path gone = root_ / "elsewhere" / "Jobs To Be Printed";
  fs::create_directories(gone);
  pointPrintCentreAt(gone);
  fs::remove(gone);
  test::SpoolerJob job = makeJob(typeOneJob(), test::uniformPage(6, 4, {1, 2, 3}));
  tPrintInfoStruct header{};
  job.view->FillPrintInfo(header);
  header.dataType = 2;
  job.view->SetKeptPageCopy(test::uniformPage(6, 4, {1, 2, 3}));
  FSSpec folder{};
  EXPECT_EQ(job.view->WriteNewDictonaryFileAndJPEG(folder, header), -1);
  EXPECT_FALSE(fs::exists(root_ / "elsewhere" / "Jobs To Be Printed---NEW"));
}

TEST(ArchivedValuePlist, ValuesConvertAndNullsAreLeftOut) {
  EXPECT_EQ(archivedValueToPlist(ArchivedValue()), std::nullopt);
  const ArchivedValue archived = ArchivedValue::array(
      {ArchivedValue::boolean(true), ArchivedValue::integer(-7), ArchivedValue::real(0.5), ArchivedValue(),
       ArchivedValue::string("Zoë"), ArchivedValue::data({1, 2}), ArchivedValue::date(1.5),
       ArchivedValue::object("NSValue", {{"width", ArchivedValue::integer(4)}, {"gone", ArchivedValue()}})});
  const PlistValue expected(PlistArray{
      PlistValue(true), PlistValue(std::int64_t{-7}), PlistValue(0.5), PlistValue("Zoë"), PlistValue(PlistData{1, 2}),
      PlistValue(PlistDate{std::chrono::sys_seconds{std::chrono::seconds{978307201}}} + std::chrono::microseconds{500000}),
      PlistValue(PlistDictionary{{"width", PlistValue(std::int64_t{4})}})});
  EXPECT_EQ(archivedValueToPlist(archived), expected);
}

}  // namespace
}  // namespace vorl
