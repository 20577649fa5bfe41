// Finishing a drawn page and delivering it by printer type: where each type goes, and that the counts, the
// web-server notice and the print-centre start follow a delivery that succeeded and never one that failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "foundation/files/files.h"
#include "foundation/services/web_server_notification.h"
#include "imaging/color/color_tables.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/offscreens/offscreen_rotate.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/delivery/print_centre_launch.h"
#include "jobs/counts/print_count_hook.h"
#include "jobs/reading/printer_blocks.h"
#include "jobs/engine/spooler_print_view.h"
#include "platform/plists/user_defaults.h"
#include "preferences/preference_globals.h"
#include "tests/imaging/delta_e.h"
#include "tests/imaging/icc_fixtures.h"
#include "tests/jobs/job_test_support.h"
#include "tests/jobs/print_to_file_test_support.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/bus_monitor.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/keyed_archive_writer.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"
#include "tests/support/private_session_bus.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;

// The files of a folder, without the sidecars that carry their file types.
std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    if (entry.path().filename().string().rfind("._", 0) != 0) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Tells what the web-server companion would be told, with what the print-centre folder held at that moment.
class NoticeObserver final : public JobObserver {
 public:
  explicit NoticeObserver(fs::path folder) : folder_(std::move(folder)) {}
  void SetJobInfo(const tJobInfo&) override {}
  void SetPrinterAndTemplate(std::int16_t, const Str31&, const Str255&) override {}
  void SetStatus(std::string_view status) override { statuses.emplace_back(status); }
  void SetImage(const Offscreen*, std::string_view) override { ++previews; }
  void SetJobFileName(std::string_view) override {}
  void SetFilesToDelete(const std::vector<FSSpec>&) override {}
  void Beep() override {}
  bool IsBackgroundPrintingEnabled() override { return true; }
  void ScanForNewJobs() override {}
  void SendNotificationToWebServer(const ArchivedValue& dictionary) override {
    notices.push_back(dictionary);
    folderAtNotice = namesIn(folder_);
    // As the application does: the notice goes out on the session bus.
    if (postToBus) mySendNotificationToWebServerAppWithDictionary(dictionary);
    if (throws) throw std::runtime_error("the notice could not be sent");
  }

  bool postToBus = false;
  bool throws = false;

  std::vector<std::string> statuses;
  int previews = 0;
  std::vector<ArchivedValue> notices;
  std::vector<std::string> folderAtNotice;

 private:
  fs::path folder_;
};

struct CountCall {
  std::int16_t quantity, kind, printerType, canvas;
  std::vector<std::string> folderAtCount;
};

class PageDeliveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::makeTempFolder("delivery");
    printCentre_ = root_ / "Jobs To Be Printed";
    fs::create_directories(printCentre_);
    pointPrintCentreAt(printCentre_);
    getMyProcessedJobsPrefs()->newHandOverFormat = std::int16_t{0};
    setPrintCountAdder([this](std::int16_t quantity, std::int16_t kind, std::int16_t printerType, std::int16_t canvas) {
      counts_.push_back({quantity, kind, printerType, canvas, namesIn(printCentre_)});
    });
    // The print centre is a script that writes down what the folder held when it started.
    marker_ = root_ / "print-centre-started";
    const fs::path script = root_ / "print centre's \"$(touch pwned)\".sh";
    std::ofstream(script) << "#!/bin/sh\nls \"$1\" > \"$2.part\" && mv \"$2.part\" \"$2\"\n";
    fs::permissions(script, fs::perms::owner_all);
    standardUserDefaults().setObject(kPrintCenterCommandKey,
                                     PlistArray{script.string(), printCentre_.string(), marker_.string()});
  }
  void TearDown() override {
    setPrintCountAdder({});
    standardUserDefaults().removeObject(kPrintCenterCommandKey);
  }

  static void pointPrintCentreAt(const fs::path& folder) {
    FSSpec spec{};
    ASSERT_EQ(myMakeFSSpecFromPath(folder.c_str(), &spec), noErr);
    getMyProcessedJobsPrefs()->folder.spec = spec;
  }

  // A one-colour page of 2 x 1 inches at 20 dots per inch, read from a job file of the printer type.
  static test::JobSpec jobFor(std::int16_t printerType) {
    test::JobSpec spec = test::minimalJob();
    spec.printerType = printerType;
    spec.printerBlock.assign(printerBlockSize(printerType), 0);
    if (printerFamilyOf(printerType) == PrinterFamily::PrintToFileSet) spec.printerBlock[1] = 1;  // set 1
    spec.pageWidth = 2;
    spec.pageHeight = 1;
    spec.resolution = 20;
    spec.toneMode = 0;
    spec.printQuantity = 3;
    spec.canvasNumber = 5;
    spec.jobInfo = test::jobInfoBytes("Current", "", 0, 0, {1, 1, 0});
    spec.dictionaryArchive = test::encodeKeyedArchive(
        ArchivedValue::dictionary({{"imageurl", ArchivedValue::string("http://studio/order/1.jpg")}}));
    return spec;
  }

  struct Delivery {
    std::unique_ptr<NoticeObserver> observer;
    std::unique_ptr<TSpoolerPrintView> view;
    std::int16_t result = -1;
  };
  Delivery deliver(const test::JobSpec& spec) {
    Delivery d;
    d.observer = std::make_unique<NoticeObserver>(printCentre_);
    d.observer->throws = noticeThrows_;
    d.view = std::make_unique<TSpoolerPrintView>(d.observer.get());
    EXPECT_EQ(d.view->ReadObjects(writeJob(spec)), kJobReadOK);
    EXPECT_EQ(d.view->CreateOffscreens(), kDrawOK);
    while (d.view->DrawNextObject() == kDrawMoreToCome) {
    }
    d.result = d.view->FinishJob();
    return d;
  }
  fs::path writeJob(const test::JobSpec& spec) {
    const fs::path file = root_ / ("job-" + std::to_string(jobs_++));
    test::writeFile(file, test::writeJobFile(spec).bytes);
    return file;
  }

  // The marker the print-centre script leaves, once it appears (the script runs on its own).
  std::optional<std::string> printCentreMarker() const {
    for (int i = 0; i < 500 && !fs::exists(marker_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!fs::exists(marker_)) return std::nullopt;
    std::ifstream in(marker_);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path root_;
  fs::path printCentre_;
  fs::path marker_;
  std::vector<CountCall> counts_;
  int jobs_ = 0;
  bool noticeThrows_ = false;
};

TEST_F(PageDeliveryTest, EveryPrinterTypeGoesWhereItsRouteSendsIt) {
  // One type of each route and family whose output geometry follows the page, and types this program has no
  // settings block for: the print centre gets those too.
  const std::vector<std::int16_t> printerTypes = {1, 2, 7, 10, 18, 21, 30, 34, 12, 0, 4, 14, 22, 35, 58, 200, -1};
  for (const std::int16_t printerType : printerTypes) {
    SCOPED_TRACE("printer type " + std::to_string(printerType));
    fs::remove_all(printCentre_);
    fs::create_directories(printCentre_);
    fs::remove(marker_);
    counts_.clear();
    const Delivery d = deliver(jobFor(printerType));
    const std::vector<std::string> delivered = namesIn(printCentre_);
    EXPECT_EQ(d.result, kDrawOK);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].rfind("Tempfile_", 0), std::string::npos);
    // The print-data file names the type, in its header's big-endian printer field.
    std::ifstream file(printCentre_ / delivered[0], std::ios::binary);
    std::array<char, 4 + 8> head{};
    file.read(head.data(), head.size());
    EXPECT_EQ(
        static_cast<std::int16_t>((static_cast<std::uint8_t>(head[10]) << 8) | static_cast<std::uint8_t>(head[11])),
        printerType);
    // Counted once, after the file had its name; announced after it too.
    ASSERT_EQ(counts_.size(), 1u);
    EXPECT_EQ(counts_[0].quantity, 3);
    EXPECT_EQ(counts_[0].kind, 4);
    EXPECT_EQ(counts_[0].printerType, printerType);
    EXPECT_EQ(counts_[0].canvas, 5);
    EXPECT_EQ(counts_[0].folderAtCount, delivered);
    ASSERT_EQ(d.observer->notices.size(), 1u);
    EXPECT_EQ(*d.observer->notices[0].find("status")->asString(), "Job processed by Vorl-Zeverezoz");
    EXPECT_EQ(d.observer->folderAtNotice, delivered);
    const std::optional<std::string> started = printCentreMarker();
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(*started, delivered[0] + "\n");
  }
  EXPECT_FALSE(fs::exists(fs::current_path() / "pwned"));
  EXPECT_FALSE(fs::exists(root_ / "pwned"));
}

TEST_F(PageDeliveryTest, PrintToFileTypesGoIntoTheirFoldersAndCountAsFileOutputs) {
  const fs::path setFolder = root_ / "Set A";
  const fs::path singleFolder = root_ / "Single";
  fs::create_directories(setFolder);
  fs::create_directories(singleFolder);
  for (int set = 1; set <= 8; ++set) {
    tSpecialPrintToFilePref& record = test::pointSetAt(set, setFolder);
    record.fileFormat = std::int16_t{3};
    record.namingScheme = std::int16_t{2};  // the template's name
    record.fileNameExtension.assign(std::string_view(".jpg"));
  }
  test::pointPrintToFileFolderAt(singleFolder);

  struct Case {
    std::int16_t printerType;
    fs::path folder;
  };
  for (const Case& c : {Case{25, setFolder}, Case{52, setFolder}, Case{17, singleFolder}}) {
    SCOPED_TRACE("printer type " + std::to_string(c.printerType));
    for (const fs::path& folder : {setFolder, singleFolder}) {
      fs::remove_all(folder);
      fs::create_directories(folder);
    }
    counts_.clear();
    test::JobSpec spec = jobFor(c.printerType);
    spec.printToFile.assign(982, 0);
    // The job's own record, for the single folder: JPEG files named "Lab_0001.jpg" and on.
    spec.printToFile[403] = 3;
    const auto putText = [&](std::size_t at, std::string_view text) {
      spec.printToFile[at] = static_cast<std::uint8_t>(text.size());
      std::copy(text.begin(), text.end(), spec.printToFile.begin() + static_cast<std::ptrdiff_t>(at) + 1);
    };
    putText(404, "Lab");
    putText(468, ".jpg");
    const Delivery d = deliver(spec);
    ASSERT_EQ(d.result, kDrawOK);
    EXPECT_EQ(d.view->pageOffscreen(), nullptr);  // handed to the output
    EXPECT_EQ(namesIn(c.folder).size(), 3u) << "one file for each of the three prints";
    EXPECT_TRUE(namesIn(printCentre_).empty());
    ASSERT_EQ(counts_.size(), 1u);
    EXPECT_EQ(counts_[0].kind, 3);
    EXPECT_EQ(counts_[0].quantity, 3);
    EXPECT_EQ(d.observer->notices.size(), 1u);
    EXPECT_FALSE(fs::exists(marker_)) << "the print centre has nothing to do with file outputs";
  }
  test::forgetOutputFolders();
}

TEST_F(PageDeliveryTest, AFailedDeliveryIsNeitherCountedNorAnnounced) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> breakIt;
  };
  const std::vector<Case> cases = {
      {"the print-centre folder is missing", [](const fs::path& folder) { fs::remove_all(folder); }},
      {"the print-centre folder is a file",
       [](const fs::path& folder) {
         fs::remove_all(folder);
         std::ofstream(folder) << "not a folder";
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(printCentre_);
    fs::create_directories(printCentre_);
    c.breakIt(printCentre_);
    for (const std::int16_t printerType : {1, 22}) {
      SCOPED_TRACE("printer type " + std::to_string(printerType));
      counts_.clear();
      test::MessageRecorder messages;
      const Delivery d = deliver(jobFor(printerType));
      EXPECT_EQ(d.result, kOutputFailed);
      EXPECT_TRUE(counts_.empty());
      EXPECT_TRUE(d.observer->notices.empty());
      EXPECT_FALSE(fs::exists(marker_));
      // A type outside the printer table is named, so the operator can tell what the print centre was to get.
      const std::vector<std::string> shown = messages.messages();
      const bool named = std::any_of(shown.begin(), shown.end(), [](const std::string& m) {
        return m.find("printer type 22") != std::string::npos;
      });
      EXPECT_EQ(named, printerType == 22);
    }
  }
  fs::remove_all(printCentre_);
  fs::create_directories(printCentre_);
}

TEST_F(PageDeliveryTest, AFullDiskLeavesNoFileAndNoCount) {
  test::JobSpec spec = jobFor(1);
  spec.pageWidth = 4;
  spec.pageHeight = 6;
  spec.resolution = 100;  // 720000 bytes of picture
  Delivery d;
  {
    test::FileSizeLimit full(100000);
    d = deliver(spec);
  }
  EXPECT_EQ(d.result, kOutputFailed);
  EXPECT_TRUE(namesIn(printCentre_).empty());
  EXPECT_TRUE(counts_.empty());
  EXPECT_TRUE(d.observer->notices.empty());
}

TEST_F(PageDeliveryTest, TheWebServerHearsOfTheDeliveredJobOnTheSessionBus) {
  VORL_PRIVATE_SESSION_BUS(bus);
  test::BusMonitor monitor(bus.address(), "type='signal',interface='org.vorl.DistributedNotifications'");
  ASSERT_TRUE(monitor.watching()) << monitor.failure();

  NoticeObserver observer(printCentre_);
  observer.postToBus = true;
  TSpoolerPrintView view(&observer);
  ASSERT_EQ(view.ReadObjects(writeJob(jobFor(1))), kJobReadOK);
  ASSERT_EQ(view.CreateOffscreens(), kDrawOK);
  while (view.DrawNextObject() == kDrawMoreToCome) {
  }
  ASSERT_EQ(view.FinishJob(), kDrawOK);

  const std::vector<test::MonitoredSignal> seen = monitor.signals("Notification", 1, std::chrono::seconds(5));
  ASSERT_EQ(seen.size(), 1u) << monitor.printout();
  EXPECT_EQ(seen[0].path, "/org/vorl/DistributedNotifications");
  EXPECT_EQ(seen[0].arguments,
            (std::vector<std::string>{"'VorlWebServerNotification'", "'test'",
                                      "{'printJob': <{'imageurl': <'http://studio/order/1.jpg'>, 'status': <'Job "
                                      "processed by Vorl-Zeverezoz'>}>, 'senderApp': <'Vorl-Zeverezoz'>}"}))
      << monitor.printout();
}

TEST_F(PageDeliveryTest, AMissingPrintCentreProgramDoesNotFailTheDelivery) {
  standardUserDefaults().setObject(kPrintCenterCommandKey, PlistArray{(root_ / "no such program").string()});
  const Delivery d = deliver(jobFor(1));
  EXPECT_EQ(d.result, kDrawOK);
  EXPECT_EQ(namesIn(printCentre_).size(), 1u);
  EXPECT_EQ(counts_.size(), 1u);
}

// The output is out once it is delivered: a count or a notice that throws is logged, the steps after it still
// run, and the delivery stands.
TEST_F(PageDeliveryTest, AStepAfterTheDeliveryThatThrowsDoesNotFailIt) {
  for (const bool countThrows : {true, false}) {
    SCOPED_TRACE(countThrows ? "the count throws" : "the notice throws");
    fs::remove(marker_);
    noticeThrows_ = !countThrows;
    int counted = 0;
    setPrintCountAdder([&](std::int16_t, std::int16_t, std::int16_t, std::int16_t) {
      ++counted;
      if (countThrows) throw std::runtime_error("the count folder cannot be read");
    });
    testing::internal::CaptureStderr();
    const Delivery d = deliver(jobFor(1));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.result, kDrawOK);
    EXPECT_EQ(counted, 1);
    EXPECT_EQ(d.observer->notices.size(), 1u) << "the notice follows a count that failed";
    EXPECT_TRUE(printCentreMarker().has_value()) << "the print centre starts after a notice that failed";
    EXPECT_NE(log.find(countThrows ? "The print count failed after the delivery (the count folder cannot be read)"
                                   : "The web-server notice failed after the delivery (the notice could not be sent)"),
              std::string::npos)
        << log;
  }
  noticeThrows_ = false;
}

TEST_F(PageDeliveryTest, AJobWithoutItsLastPageOrWithoutImageUrlIsDeliveredSilently) {
  test::JobSpec earlierPage = jobFor(1);
  earlierPage.jobInfo = test::jobInfoBytes("Current", "", 0, 0, {1, 2, 0});
  EXPECT_EQ(deliver(earlierPage).observer->notices.size(), 0u);
  test::JobSpec local = jobFor(1);
  local.dictionaryArchive =
      test::encodeKeyedArchive(ArchivedValue::dictionary({{"ipaddress", ArchivedValue::string("10.1.1.1")}}));
  EXPECT_EQ(deliver(local).observer->notices.size(), 0u);
  EXPECT_EQ(namesIn(printCentre_).size(), 2u);
  EXPECT_EQ(counts_.size(), 2u);
}

// The page of a finished job as the print-data file carries it (type 1 writes red, green, blue per pixel, rows
// from the top; its pages are turned landscape, as this one already is).
std::vector<std::uint8_t> deliveredPixels(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  if (bytes.size() < 15041) return {};
  return {bytes.begin() + 15041, bytes.end()};
}

// A page of two halves, red on the left and blue on the right, drawn on by the test directly.
OffscreenPtr twoHalves(int width, int height) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr page{myNewGWorld(&bounds)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = page->view().localPixel(x, y);
      p[1] = x < width / 2 ? 200 : 10;
      p[2] = 40;
      p[3] = x < width / 2 ? 10 : 220;
    }
  return page;
}

TEST_F(PageDeliveryTest, MirrorComesBeforeGreyAndOnlyToneModes98And99AreSepia) {
  struct Case {
    std::uint8_t mirror, color;
    std::uint16_t toneMode;
  };
  for (const Case c : {Case{1, 0, 0}, Case{0, 1, 97}, Case{0, 1, 98}, Case{1, 1, 99}}) {
    SCOPED_TRACE(std::to_string(c.mirror) + "/" + std::to_string(c.color) + "/" + std::to_string(c.toneMode));
    fs::remove_all(printCentre_);
    fs::create_directories(printCentre_);
    test::JobSpec spec = jobFor(1);
    spec.mirror = c.mirror;
    spec.color = c.color;
    spec.toneMode = c.toneMode;
    NoticeObserver observer(printCentre_);
    TSpoolerPrintView view(&observer);
    ASSERT_EQ(view.ReadObjects(writeJob(spec)), kJobReadOK);
    view.SetPageOffscreen(twoHalves(40, 20));

    OffscreenPtr expected = twoHalves(40, 20);
    if (c.mirror) doMirrorTheImageInGWorld(expected.get());
    if (c.color == 0) doGrayScaleTheImageInGWorld(expected.get());
    if (c.toneMode == 98 || c.toneMode == 99) {
      ASSERT_TRUE(ConvertOffscreenToSepiaSpooler(expected.get(), view.settings().sepiaAdjust, expected.get(),
                                                 static_cast<std::int16_t>(c.toneMode), view.settings().oldTimePhoto));
    }

    ASSERT_EQ(view.FinishJob(), kDrawOK);
    const std::vector<std::string> names = namesIn(printCentre_);
    ASSERT_EQ(names.size(), 1u);
    const std::vector<std::uint8_t> pixels = deliveredPixels(printCentre_ / names[0]);
    ASSERT_EQ(pixels.size(), 40u * 20u * 3u);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x) {
        const std::uint8_t* want = expected->view().localPixel(x, y);
        const std::uint8_t* got = &pixels[(static_cast<std::size_t>(y) * 40 + x) * 3];
        ASSERT_EQ(got[0], want[1]) << x << "," << y;
        ASSERT_EQ(got[1], want[2]) << x << "," << y;
        ASSERT_EQ(got[2], want[3]) << x << "," << y;
      }
    const bool sepia = c.toneMode == 98 || c.toneMode == 99;
    EXPECT_EQ(std::count(observer.statuses.begin(), observer.statuses.end(), "Doing Sepiatone Conversion…"),
              sepia ? 1 : 0);
  }
}

TEST_F(PageDeliveryTest, ColourMatchingNeedsBothProfilesAndMarksTheMitsubishiConversion) {
  // Installed profiles are found by name in the user's colour folder.
  const fs::path icc = fs::path(getenv("XDG_DATA_HOME")) / "icc";
  fs::create_directories(icc);
  ASSERT_TRUE(test::saveProfile(test::makeAdobeLikeProfile(), icc / "StudioInput.icc"));
  ASSERT_TRUE(test::saveProfile(test::makeSRGBProfile(), icc / "StudioPrinter.icc"));

  struct Case {
    const char* what;
    const char* printerProfile;
    bool matched;
  };
  for (const Case& c : {Case{"both profiles", "StudioPrinter.icc", true},
                        Case{"no printer profile", "Missing.icc", false}}) {
    SCOPED_TRACE(c.what);
    fs::remove_all(printCentre_);
    fs::create_directories(printCentre_);
    // The colour-matching record as a job file carries it (big-endian): matching on, the input profile, and
    // printer type 1's entry with its profile. The folder numbers are unknown here, so both go by name.
    test::JobSpec spec = jobFor(1);
    spec.colorSync.assign(47550, 0);
    const auto putName = [&](std::size_t at, std::string_view name) {
      spec.colorSync[at] = static_cast<std::uint8_t>(name.size());
      std::copy(name.begin(), name.end(), spec.colorSync.begin() + static_cast<std::ptrdiff_t>(at) + 1);
    };
    spec.colorSync[1] = 1;              // use matching
    spec.colorSync[142] = 0xFF;         // input profile: volume -77
    spec.colorSync[143] = 0xB3;
    putName(148, "StudioInput.icc");
    spec.colorSync[212 + 202 + 1] = 1;  // printer 1: matching on
    spec.colorSync[216 + 202] = 0xFF;   // its profile: volume -77
    spec.colorSync[217 + 202] = 0xB3;
    putName(222 + 202, c.printerProfile);
    NoticeObserver observer(printCentre_);
    TSpoolerPrintView view(&observer);
    ASSERT_EQ(view.ReadObjects(writeJob(spec)), kJobReadOK);
    view.SetPageOffscreen(twoHalves(40, 20));
    ASSERT_EQ(view.FinishJob(), kDrawOK);

    OffscreenPtr untouched = twoHalves(40, 20);
    const std::vector<std::string> names = namesIn(printCentre_);
    ASSERT_EQ(names.size(), 1u);
    const std::vector<std::uint8_t> pixels = deliveredPixels(printCentre_ / names[0]);
    ASSERT_FALSE(pixels.empty());
    const bool changed = pixels[0] != untouched->view().localPixel(0, 0)[1] ||
                         pixels[2] != untouched->view().localPixel(0, 0)[3];
    EXPECT_EQ(changed, c.matched);
    EXPECT_EQ(std::count(observer.statuses.begin(), observer.statuses.end(), "Applying ColorSync…"),
              c.matched ? 1 : 0);
  }
}

// The colour-matching record of a job file (big-endian): matching on, the input profile and the printer
// entry's profile by name, with folder numbers unknown here, so both are looked up among the installed ones.
void putColourMatching(test::JobSpec& spec, std::int16_t printerType, std::string_view input,
                       std::string_view printer) {
  spec.colorSync.assign(47550, 0);
  const auto putName = [&](std::size_t at, std::string_view name) {
    spec.colorSync[at] = static_cast<std::uint8_t>(name.size());
    std::copy(name.begin(), name.end(), spec.colorSync.begin() + static_cast<std::ptrdiff_t>(at) + 1);
  };
  const std::size_t entry = 202 * static_cast<std::size_t>(printerType);
  spec.colorSync[1] = 1;  // use matching
  spec.colorSync[142] = 0xFF;
  spec.colorSync[143] = 0xB3;
  putName(148, input);
  spec.colorSync[212 + entry + 1] = 1;  // the printer entry: matching on
  spec.colorSync[216 + entry] = 0xFF;
  spec.colorSync[217 + entry] = 0xB3;
  putName(222 + entry, printer);
}

// The page is matched to the printer-class profile finishing found, not to a monitor profile of the same name
// that comes earlier among the installed profiles.
TEST_F(PageDeliveryTest, ThePageIsMatchedToThePrinterProfileThatWasFound) {
  const fs::path icc = fs::path(getenv("XDG_DATA_HOME")) / "icc";
  fs::create_directories(icc / "zz printers");
  const std::vector<std::uint8_t> input = test::profileBytes(test::makeAdobeLikeProfile());
  const std::vector<std::uint8_t> printer =
      test::profileBytes(test::withHeader(test::makeRGBPrinterProfile(), cmsSigOutputClass, 0));
  test::writeFile(icc / "Input34.icc", input);
  test::writeFile(icc / "zz printers" / "Twin34.icc", printer);
  ASSERT_TRUE(test::saveProfile(test::withHeader(test::makeSRGBProfile("Monitor twin"), cmsSigDisplayClass, 0),
                                icc / "Twin34.icc"));
  test::JobSpec spec = jobFor(1);
  putColourMatching(spec, 1, "Input34.icc", "Twin34.icc");
  NoticeObserver observer(printCentre_);
  TSpoolerPrintView view(&observer);
  ASSERT_EQ(view.ReadObjects(writeJob(spec)), kJobReadOK);
  view.SetPageOffscreen(twoHalves(40, 20));
  ASSERT_EQ(view.FinishJob(), kDrawOK);

  OffscreenPtr expected = test::transformedCopy(*twoHalves(40, 20), input, printer, INTENT_PERCEPTUAL);
  const std::vector<std::string> names = namesIn(printCentre_);
  ASSERT_EQ(names.size(), 1u);
  const std::vector<std::uint8_t> pixels = deliveredPixels(printCentre_ / names[0]);
  ASSERT_EQ(pixels.size(), 40u * 20u * 3u);
  OffscreenPtr delivered = twoHalves(40, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      std::copy_n(&pixels[(static_cast<std::size_t>(y) * 40 + x) * 3], 3, delivered->view().localPixel(x, y) + 1);
  EXPECT_LT(test::reportDeltaE("page matched to the found printer profile", *delivered, *expected).max, 0.5);
  fs::remove_all(icc);
}

// Printer type 43 is told the page's colour is already converted only when the matching really converted it.
TEST_F(PageDeliveryTest, OnlyAMatchedPageTellsTheMitsubishiItIsConverted) {
  const fs::path icc = fs::path(getenv("XDG_DATA_HOME")) / "icc";
  fs::create_directories(icc);
  ASSERT_TRUE(test::saveProfile(test::makeAdobeLikeProfile(), icc / "Input43.icc"));
  ASSERT_TRUE(test::saveProfile(test::withHeader(test::makeRGBPrinterProfile(), cmsSigOutputClass, 0),
                                icc / "Printer43.icc"));
  // A printer-class profile that is found but cannot take an RGB page: the matching fails.
  ASSERT_TRUE(test::saveProfile(test::makeCMYKProfile(), icc / "Cmyk43.icc"));
  for (const auto& [printer, converted] : {std::pair{"Printer43.icc", 1}, std::pair{"Cmyk43.icc", 0}}) {
    SCOPED_TRACE(printer);
    test::JobSpec spec = jobFor(43);
    putColourMatching(spec, 43, "Input43.icc", printer);
    NoticeObserver observer(printCentre_);
    TSpoolerPrintView view(&observer);
    ASSERT_EQ(view.ReadObjects(writeJob(spec)), kJobReadOK);
    ASSERT_EQ(view.settings().mitsubishiSettings.colorConversion.value(), 0);
    view.SetPageOffscreen(twoHalves(40, 20));
    static_cast<void>(view.FinishJob());
    EXPECT_EQ(std::count(observer.statuses.begin(), observer.statuses.end(), "Applying ColorSync…"), 1);
    EXPECT_EQ(view.settings().mitsubishiSettings.colorConversion.value(), converted);
  }
  fs::remove_all(icc);
}

TEST_F(PageDeliveryTest, AJobThatDrewNoPageDeliversNothing) {
  test::MessageRecorder messages;
  test::JobSpec spec = jobFor(1);
  NoticeObserver observer(printCentre_);
  TSpoolerPrintView view(&observer);
  ASSERT_EQ(view.ReadObjects(writeJob(spec)), kJobReadOK);
  EXPECT_EQ(view.FinishJob(), kOutputFailed);
  EXPECT_TRUE(namesIn(printCentre_).empty());
  EXPECT_TRUE(counts_.empty());
  EXPECT_TRUE(observer.notices.empty());
  EXPECT_EQ(messages.messages().size(), 1u);
}

}  // namespace
}  // namespace vorl

namespace vorl {
namespace {

// For a look: a portrait page with a gradient and a mark in its top-left corner, delivered mirrored for printer
// type 1 (which prints landscape), and the print-data picture written back out as a PNG file.
TEST_F(PageDeliveryTest, DeliveredPageIsWrittenOutForALook) {
  test::JobSpec spec = jobFor(1);
  spec.mirror = 1;
  NoticeObserver observer(printCentre_);
  TSpoolerPrintView view(&observer);
  ASSERT_EQ(view.ReadObjects(writeJob(spec)), kJobReadOK);
  const int width = 120, height = 180;
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr page{myNewGWorld(&bounds)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = page->view().localPixel(x, y);
      const bool mark = x < 30 && y < 30;
      p[1] = mark ? 220 : static_cast<std::uint8_t>(x * 2);
      p[2] = mark ? 30 : static_cast<std::uint8_t>(y);
      p[3] = mark ? 30 : 160;
    }
  view.SetPageOffscreen(std::move(page));
  ASSERT_EQ(view.FinishJob(), kDrawOK);

  const std::vector<std::string> names = namesIn(printCentre_);
  ASSERT_EQ(names.size(), 1u);
  const std::vector<std::uint8_t> pixels = deliveredPixels(printCentre_ / names[0]);
  ASSERT_EQ(pixels.size(), static_cast<std::size_t>(width * height * 3));
  // Landscape now: the portrait page turned a quarter clockwise, after the mirror.
  const Rect turned = makeRect(0, 0, width, height);
  OffscreenPtr delivered{myNewGWorld(&turned)};
  for (int y = 0; y < width; ++y)
    for (int x = 0; x < height; ++x) {
      std::uint8_t* p = delivered->view().localPixel(x, y);
      std::copy_n(&pixels[(static_cast<std::size_t>(y) * height + x) * 3], 3, p + 1);
    }
  // The mark was top-left; mirrored it is top-right, and turned clockwise it lands bottom-right.
  EXPECT_EQ(delivered->view().localPixel(height - 1, width - 1)[1], 220);
  EXPECT_NE(delivered->view().localPixel(0, 0)[1], 220);
  fs::create_directories(VORL_ARTIFACT_DIR);
  EXPECT_EQ(encodeImageFile(*delivered, fs::path(VORL_ARTIFACT_DIR) / "delivered-type1-mirrored.png", ImageFileType::png,
                            EncodeOptions{}),
            noErr);
}

}  // namespace
}  // namespace vorl
