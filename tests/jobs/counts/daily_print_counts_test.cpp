// The daily print-count store's other openings and adders: what each does to the dictionary the store keeps,
// read back from the file through a store of its own.
#include "jobs/counts/daily_print_counts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "jobs/counts/print_count_record.h"
#include "jobs/reading/job_globals.h"
#include "platform/plists/property_list.h"
#include "preferences/preference_globals.h"
#include "tests/app/log_capture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temporary_server_root.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

const char* const kCounterKeys[] = {"tChooserCount",      "tCDCount",           "tPrintToFileCount",
                                    "tRegularCount",      "tPrintToFile2Count", "tSaveAsCompositionCount",
                                    "tCDWriteCount",      "tImageGrabCount",    "tFloppyCount",
                                    "tOriginalFileSaveCount"};

// A new application dictionary as the store makes it.
PlistDictionary freshCounts() {
  PlistDictionary counts;
  for (const char* key : kCounterKeys) counts.insert_or_assign(key, PlistValue(0));
  counts.insert_or_assign("tPrinterCanvases", PlistValue(PlistDictionary{}));
  counts.insert_or_assign("tPackagesPrinted", PlistValue(PlistDictionary{}));
  return counts;
}

class DailyPrintCountsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_.setLocalTime(2026, 12, 11, 9, 30, 0);
    gCurrentTemplateName = Str31("Portrait 4x6");
  }
  void TearDown() override { printCountInfoObject::setVerbose(true); }

  fs::path processorFile() const { return root_ / ".Print Count Vorl-Zeverezoz 2026-12-11"; }

  // The application dictionary the file at `path` holds; null when it holds none.
  static std::optional<PlistDictionary> storedCounts(const fs::path& path) {
    const auto store = QAVLOR_SecureSettings::initWithPath(path);
    if (!store) return std::nullopt;
    const PlistValue* totals = store->objectForKey("tPrintTotals");
    if (!totals || !totals->get<PlistDictionary>()) return std::nullopt;
    const auto& byApplication = *totals->get<PlistDictionary>();
    const auto found = byApplication.find(kPrintCountApplicationName);
    if (found == byApplication.end() || !found->second.get<PlistDictionary>()) return std::nullopt;
    return *found->second.get<PlistDictionary>();
  }

  // Writes `counts` as the processor file's application dictionary.
  void storeCounts(const PlistDictionary& counts) const {
    const auto store = QAVLOR_SecureSettings::initWithPath(processorFile());
    ASSERT_NE(store, nullptr);
    store->setObjectForKey(PlistValue(PlistDictionary{{kPrintCountApplicationName, PlistValue(counts)}}),
                           "tPrintTotals");
    ASSERT_TRUE(store->save());
  }

  test::FakeClock clock_;
  test::TemporaryServerRoot serverRoot_{"daily-counts"};
  const fs::path root_ = serverRoot_.path();
};

TEST_F(DailyPrintCountsTest, InitCountsInTodaysFileWithoutAModeWord) {
  {
    const auto counts = printCountInfoObject::init();
    ASSERT_NE(counts, nullptr);
    counts->addToCounts(3, 4, 21, 2);
  }
  EXPECT_FALSE(fs::exists(processorFile()));
  PlistDictionary expected = freshCounts();
  expected.insert_or_assign("tRegularCount", PlistValue(3));
  expected.insert_or_assign(
      "tPrinterCanvases",
      PlistValue(PlistDictionary{{"Printer 21", PlistDictionary{{"Portrait 4x6", PlistDictionary{{"quantity", 1}}}}}}));
  EXPECT_EQ(storedCounts(root_ / ".Print Count 2026-12-11"), expected);
  EXPECT_TRUE(printCountInfoObject::createCanvasDictionary().empty());
}

// Each adder on a dictionary that already holds a day's counts, and what the file holds afterwards.
TEST_F(DailyPrintCountsTest, EachAdderChangesOnlyItsOwnKeys) {
  tPrintQuantityInfo totals;
  totals.chooserCount = 1;
  totals.cdCount = 2;
  totals.printToFileCount = 3;
  totals.regularCount = 4;
  totals.printToFile2Count = 5;
  totals.saveAsCompositionCount = 6;
  totals.cdWriteCount = 7;
  totals.imageGrabCount = 8;  // not one of the seven totals
  totals.kind10Count = 9;
  const PlistArray oldCanvases{PlistValue(0), PlistValue(5), PlistValue(2)};
  const PlistDictionary oldLayout{{"printer07", PlistDictionary{{"canvasList", oldCanvases}}}};

  const struct {
    const char* name;
    std::function<void(printCountInfoObject&)> add;
    std::function<void(PlistDictionary&)> expect;
  } cases[] = {
      {"USB flash count adds",
       [](printCountInfoObject& c) {
         c.setUSBFlashCount(3);
         c.setUSBFlashCount(4);
       },
       [](PlistDictionary& d) { d.insert_or_assign("tNumberOfUSBsBurned", PlistValue(17)); }},
      {"totals of kinds 1 to 7",
       [&](printCountInfoObject& c) { c.addTotals(totals); },
       [](PlistDictionary& d) {
         const std::pair<const char*, int> added[] = {{"tChooserCount", 11}, {"tCDCount", 12},
                                                      {"tPrintToFileCount", 13}, {"tRegularCount", 14},
                                                      {"tPrintToFile2Count", 15}, {"tSaveAsCompositionCount", 16},
                                                      {"tCDWriteCount", 17}};
         for (const auto& [key, value] : added) d.insert_or_assign(key, PlistValue(value));
       }},
      {"confirmation id",
       [](printCountInfoObject& c) { c.addConfirmationIDKey(PlistValue("ORDER-4711")); },
       [](PlistDictionary& d) { d.insert_or_assign("tConfirmationID", PlistValue("ORDER-4711")); }},
      {"older canvas layout: the element of the index",
       [](printCountInfoObject& c) {
         c.addToCanvasCountOld(7, 1);
         c.addToCanvasCountOld(7, 1);
         c.addToCanvasCountOld(7, 0);
       },
       [&](PlistDictionary& d) {
         d.insert_or_assign("tPrinterCanvases",
                            PlistValue(PlistDictionary{
                                {"printer07", PlistDictionary{{"canvasList", PlistArray{1, 7, 2}}}}}));
       }},
      {"older canvas layout: a missing printer, array or element adds nothing",
       [](printCountInfoObject& c) {
         c.addToCanvasCountOld(8, 0);   // no "printer08"
         c.addToCanvasCountOld(7, 3);   // past the end
         c.addToCanvasCountOld(7, -1);  // before the start
       },
       [](PlistDictionary&) {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PlistDictionary before = freshCounts();
    for (const char* key : kCounterKeys) before.insert_or_assign(key, PlistValue(10));
    before.insert_or_assign("tNumberOfUSBsBurned", PlistValue(10));
    before.insert_or_assign("tPrinterCanvases", PlistValue(oldLayout));
    storeCounts(before);
    {
      const auto counts = printCountInfoObject::initWithWhich(false);
      ASSERT_NE(counts, nullptr);
      c.add(*counts);
    }  // released: saved when something was added
    PlistDictionary expected = before;
    c.expect(expected);
    EXPECT_EQ(storedCounts(processorFile()), expected);
  }
}

TEST_F(DailyPrintCountsTest, AFileIsReadByItsNameOrItsDate) {
  PlistDictionary counts = freshCounts();
  counts.insert_or_assign("tRegularCount", PlistValue(6));
  counts.insert_or_assign("tNumberOfUSBsBurned", PlistValue(2));
  storeCounts(counts);

  const auto byName = printCountInfoObject::initWithFileName(processorFile().filename().string());
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(byName->getRegularPrintCount(), 6);
  EXPECT_EQ(byName->getUSBFlashCount(), 2);

  const auto byDate = printCountInfoObject::initWithDate(clock_.now(), false);
  ASSERT_NE(byDate, nullptr);
  EXPECT_EQ(byDate->getRegularPrintCount(), 6);
  // The sibling's file of that day holds no totals.
  EXPECT_EQ(printCountInfoObject::initWithDate(clock_.now(), true), nullptr);

  // A file without totals opens by name but answers nothing; names that leave the folder are refused.
  const auto empty = printCountInfoObject::initWithFileName(".Print Count Vorl-X 2026-12-10");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->getPrintCountDictionary(), nullptr);
  EXPECT_EQ(empty->getRegularPrintCount(), 0);
  for (const char* name : {"", ".", "..", "../outside", "sub/file"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(printCountInfoObject::initWithFileName(name), nullptr);
  }
  EXPECT_FALSE(fs::exists(root_.parent_path() / "outside"));
}

TEST_F(DailyPrintCountsTest, WithoutAStoreADateOpeningAddsNothingAndAnswersZero) {
  getMyPrintServerPrefs()->serverRoot.dirID = 0x7FFFFFF0;  // a folder id nothing has
  const auto counts = printCountInfoObject::initWithDate(clock_.now(), false);
  ASSERT_NE(counts, nullptr);
  counts->addToCounts(1, 4, 21, 1);
  counts->setUSBFlashCount(1);
  counts->addConfirmationIDKey(PlistValue("x"));
  EXPECT_EQ(counts->getRegularPrintCount(), 0);
  EXPECT_EQ(counts->getUSBFlashCount(), 0);
  EXPECT_EQ(counts->getPrintCountDictionary(), nullptr);
  EXPECT_FALSE(counts->save());
  EXPECT_EQ(printCountInfoObject::init(), nullptr);
}

TEST_F(DailyPrintCountsTest, VerboseLinesFollowTheSwitch) {
  {
    test::LogCapture log;
    printCountInfoObject::setVerbose(false);
    EXPECT_FALSE(printCountInfoObject::isVerbose());
    printCountInfoObject::initWithWhich(false)->setUSBFlashCount(2);
    EXPECT_FALSE(log.contains("Inside printCountInfoObject => initWithWhich:..."));
    EXPECT_FALSE(log.contains("USB flashCount = 2"));
  }
  test::LogCapture log;
  printCountInfoObject::setVerbose(true);
  printCountInfoObject::initWithWhich(false)->setUSBFlashCount(2);
  EXPECT_TRUE(log.contains("Inside printCountInfoObject => initWithWhich:..."));
  EXPECT_TRUE(log.contains("USB flashCount = 2"));
  EXPECT_TRUE(log.contains("Dictionary = "));
}

}  // namespace
}  // namespace vorl
