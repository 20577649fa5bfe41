// The print-count window through its widgets, on count files and daily stores seeded in a root folder of the
// test's own: the rows of today, all time and the shown day with their sums, stepping through the days, the two
// kinds of range, and the reset that only the key chord shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "app/windows/print_count_window.h"
#include "foundation/services/encrypted_store.h"
#include "jobs/counts/daily_print_counts.h"
#include "jobs/counts/print_count_file.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"
#include "tests/app/modal_dialogs.h"
#include "tests/app/screenshots.h"
#include "tests/support/fake_clock.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/temporary_server_root.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

using test::answerDialog;

using Row = std::vector<long long>;

std::vector<char> bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A record with the seven totals the window shows, in its column order.
tPrintQuantityInfo recordOf(const Row& columns) {
  tPrintQuantityInfo record;
  record.regularCount = static_cast<std::int32_t>(columns.at(0));
  record.printToFileCount = static_cast<std::int32_t>(columns.at(1));
  record.printToFile2Count = static_cast<std::int32_t>(columns.at(2));
  record.cdCount = static_cast<std::int32_t>(columns.at(3));
  record.cdWriteCount = static_cast<std::int32_t>(columns.at(4));
  record.chooserCount = static_cast<std::int32_t>(columns.at(5));
  record.saveAsCompositionCount = static_cast<std::int32_t>(columns.at(6));
  record.imageGrabCount = 77;  // not shown
  return record;
}

Row plus(const Row& a, const Row& b) {
  Row sum(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) sum[i] = a[i] + b.at(i);
  return sum;
}

// The seeded counts. Today is 2026-12-11.
const Row kSiblingToday{10, 0, 0, 4, 0, 0, 0};
const Row kProcessorToday{3, 2, 0, 0, 0, 1, 0};
const Row kSiblingAllTime{200, 0, 0, 0, 9, 0, 0};
const Row kProcessorAllTime{100, 0, 7, 0, 0, 0, 5};
const Row kSiblingDec10{30, 0, 0, 0, 0, 2, 0};
const Row kProcessorDec10{20, 0, 0, 0, 0, 0, 0};
const Row kProcessorDec08{50, 1, 0, 0, 0, 0, 0};
const Row kZero(7, 0);

// The range question whose label reads `label`: answered with the day, or cancelled.
void answerRangeQuestion(const char* label, QDate day) {
  answerDialog(
      [label](QWidget* modal) {
        auto* text = modal->findChild<QLabel*>(QStringLiteral("stri"));
        return text && text->text() == QLatin1String(label);
      },
      [day](QWidget* modal) {
        if (!day.isValid()) {
          QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("cncl")), Qt::LeftButton);
          return;
        }
        modal->findChild<QDateEdit*>(QStringLiteral("dat1"))->setDate(day);
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("ok  ")), Qt::LeftButton);
      });
}

// Clicks the button of the open confirmation that reads `text`.
void answerConfirmation(const QString& text) {
  answerDialog([](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; },
               [text](QWidget* modal) {
                 for (QAbstractButton* button : qobject_cast<QMessageBox*>(modal)->buttons())
                   if (button->text() == text) QTest::mouseClick(button, Qt::LeftButton);
               });
}

class PrintCountWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_.setLocalTime(2026, 12, 11, 9, 30, 0);

    seedCountFile("Vorl-X Count12-11-2026", kSiblingToday);
    seedCountFile("Vorl-Zeverezoz Count12-11-2026", kProcessorToday);
    seedCountFile("Vorl-X Count", kSiblingAllTime);
    seedCountFile("Vorl-Zeverezoz Count", kProcessorAllTime);
    seedCountFile("Vorl-X Count12-10-2026", kSiblingDec10);
    seedCountFile("Vorl-Zeverezoz Count12-10-2026", kProcessorDec10);
    seedCountFile("Vorl-Zeverezoz Count12-08-2026", kProcessorDec08);
    seedStore("2026-12-10", false, {{"tRegularCount", 5}, {"tNumberOfUSBsBurned", 2}, {"tFloppyCount", 3}});
    seedStore("2026-12-11", false, {{"tRegularCount", 1}, {"tChooserCount", 4}});
    seedStore("2026-12-09", true, {{"tRegularCount", 7}, {"tCDCount", 1}, {"tSaveAsCompositionCount", 2}});

    window_ = std::make_unique<TPrintCountWindow>();
    // The tests look at the chord themselves (holdModifiers); the window's own polling would race them on a
    // loaded machine, inside the confirmation's event loop.
    for (QTimer* timer : window_->findChildren<QTimer*>()) timer->stop();
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }
  void TearDown() override { window_.reset(); }

  void seedCountFile(const char* name, const Row& columns) {
    ASSERT_EQ(setPrintCount(root_ / name, recordOf(columns)), noErr) << name;
  }
  void seedStore(const char* isoDate, bool isVorlX, PlistDictionary counts) {
    auto store = QAVLOR_SecureSettings::initWithPath(dailyPrintCountPath(root_, isoDate, isVorlX));
    ASSERT_NE(store, nullptr);
    store->setObjectForKey(PlistValue(PlistDictionary{{kPrintCountApplicationName, PlistValue(std::move(counts))}}),
                           "tPrintTotals");
    ASSERT_TRUE(store->save());
  }

  // The numbers of a row; columns 1 to 7, or 1 to 8.
  Row row(int row, int columns = 7) const {
    Row values;
    for (int column = 1; column <= columns; ++column) {
      auto* field = window_->findChild<QLabel*>(QStringLiteral("r%1%2").arg(row * 10).arg(column));
      EXPECT_NE(field, nullptr) << row << "/" << column;
      values.push_back(field ? field->text().toLongLong() : -1);
    }
    return values;
  }
  void click(const char* id) {
    auto* button = window_->findChild<QPushButton*>(QString::fromLatin1(id));
    ASSERT_NE(button, nullptr) << id;
    ASSERT_TRUE(button->isVisible()) << id;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  QDateEdit* dateField(const char* id) const { return window_->findChild<QDateEdit*>(QString::fromLatin1(id)); }
  void expectShownDay(const Row& sibling, const Row& processor) {
    EXPECT_EQ(row(7), sibling);
    EXPECT_EQ(row(8), processor);
    EXPECT_EQ(row(9), plus(sibling, processor));
  }
  // Holds the modifiers down (or lets them all go) as a keyboard would, then lets the window poll them.
  void holdModifiers(Qt::KeyboardModifiers held) {
    if (held == Qt::NoModifier)
      QTest::keyRelease(window_->windowHandle(), Qt::Key_Meta, Qt::NoModifier);
    else
      QTest::keyPress(window_->windowHandle(), Qt::Key_Meta, held);
    window_->DoIdle();
  }

  test::FakeClock clock_;
  test::TemporaryServerRoot serverRoot_{"count-window"};
  const fs::path root_ = serverRoot_.path();
  std::unique_ptr<TPrintCountWindow> window_;
};

TEST_F(PrintCountWindowTest, OpensOnTodayAllTimeAndTodayAsTheShownDayWithTheirSums) {
  const struct {
    int row;
    Row expected;
  } rows[] = {
      {1, kSiblingToday},
      {2, kProcessorToday},
      {3, kSiblingAllTime},
      {4, kProcessorAllTime},
      {5, plus(kSiblingToday, kProcessorToday)},
      {6, plus(kSiblingAllTime, kProcessorAllTime)},
      {7, kSiblingToday},
      {8, kProcessorToday},
      {9, plus(kSiblingToday, kProcessorToday)},
  };
  for (const auto& r : rows) EXPECT_EQ(row(r.row), r.expected) << "row " << r.row;
  for (int r = 1; r <= 6; ++r) EXPECT_EQ(row(r, 8).back(), 0) << "column 8 of row " << r;
  EXPECT_EQ(window_->findChild<QLabel*>(QStringLiteral("r708")), nullptr) << "rows 7 to 9 have seven columns";
  EXPECT_EQ(window_->findChild<QLabel*>(QStringLiteral("date"))->text(), "Friday, December 11, 2026");
  EXPECT_EQ(dateField("datt")->date(), QDate(2026, 12, 11));
  EXPECT_FALSE(window_->findChild<QPushButton*>(QStringLiteral("rset"))->isVisible());
  EXPECT_FALSE(test::saveScreenshot(*window_, QStringLiteral("print_count_window")).isEmpty());
}

TEST_F(PrintCountWindowTest, StepsThroughTheDaysReadingTheirDayFiles) {
  const std::int64_t today = window_->today();
  click("next");
  EXPECT_EQ(window_->shownDay(), today) << "not past today";
  expectShownDay(kSiblingToday, kProcessorToday);

  const struct {
    const char* button;
    QDate day;
    Row sibling, processor;
  } steps[] = {
      {"prev", {2026, 12, 10}, kSiblingDec10, kProcessorDec10},
      {"prev", {2026, 12, 9}, kZero, kZero},
      {"prev", {2026, 12, 8}, kZero, kProcessorDec08},
      {"next", {2026, 12, 9}, kZero, kZero},
      {"next", {2026, 12, 10}, kSiblingDec10, kProcessorDec10},
      {"next", {2026, 12, 11}, kSiblingToday, kProcessorToday},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.day.toString(Qt::ISODate).toStdString());
    click(step.button);
    EXPECT_EQ(dateField("datt")->date(), step.day);
    expectShownDay(step.sibling, step.processor);
  }
  EXPECT_FALSE(fs::exists(root_ / "Vorl-X Count12-09-2026")) << "showing a day creates no file";
  EXPECT_FALSE(fs::exists(root_ / "Vorl-X Count12-08-2026"));

  dateField("datt")->setDate(QDate(2026, 12, 8));
  click("show");
  expectShownDay(kZero, kProcessorDec08);
  click("next");
  EXPECT_EQ(dateField("datt")->date(), QDate(2026, 12, 9));
}

TEST_F(PrintCountWindowTest, SumsTheDayFilesOfARangeAndCancellingChangesNothing) {
  answerRangeQuestion("Starting Date", QDate(2026, 12, 8));
  answerRangeQuestion("Ending Date", QDate(2026, 12, 11));
  click("rang");
  const Row sibling = plus(kSiblingToday, kSiblingDec10);
  const Row processor = plus(plus(kProcessorToday, kProcessorDec10), kProcessorDec08);
  expectShownDay(sibling, processor);
  EXPECT_EQ(row(3), kSiblingAllTime) << "the other rows stay";

  answerRangeQuestion("Starting Date", QDate());
  click("rang");
  expectShownDay(sibling, processor);
  answerRangeQuestion("Starting Date", QDate(2026, 12, 10));
  answerRangeQuestion("Ending Date", QDate());
  click("rang");
  expectShownDay(sibling, processor);

  // A start after the end sums nothing.
  answerRangeQuestion("Starting Date", QDate(2026, 12, 11));
  answerRangeQuestion("Ending Date", QDate(2026, 12, 10));
  click("rang");
  expectShownDay(kZero, kZero);
}

TEST_F(PrintCountWindowTest, SumsTheDailyStoresOfARangeIntoTheAllTimeRows) {
  std::vector<std::vector<char>> storesBefore;
  for (const auto& entry : fs::directory_iterator(root_)) storesBefore.push_back(bytesOf(entry.path()));
  const std::size_t filesBefore = storesBefore.size();

  const struct {
    QDate start, end;
    Row sibling, processor;  // regular, print to file, USB flash, CD, CD write, system print, composition, USB
  } ranges[] = {
      {{2026, 12, 9}, {2026, 12, 11}, {7, 0, 0, 1, 0, 0, 2, 0}, {6, 0, 2, 0, 0, 4, 0, 3}},
      {{2026, 12, 10}, {2026, 12, 10}, {0, 0, 0, 0, 0, 0, 0, 0}, {5, 0, 2, 0, 0, 0, 0, 3}},
      {{2025, 1, 1}, {2025, 1, 31}, Row(8, 0), Row(8, 0)},
  };
  for (const auto& range : ranges) {
    SCOPED_TRACE(range.start.toString(Qt::ISODate).toStdString());
    dateField("dat1")->setDate(range.start);
    dateField("dat2")->setDate(range.end);
    click("doto");
    EXPECT_EQ(row(3, 8), range.sibling);
    EXPECT_EQ(row(4, 8), range.processor);
    EXPECT_EQ(row(6, 8), plus(range.sibling, range.processor));
    EXPECT_EQ(row(1), kSiblingToday) << "the other rows stay";
    EXPECT_EQ(row(7), kSiblingToday);
  }
  std::vector<std::vector<char>> storesAfter;
  for (const auto& entry : fs::directory_iterator(root_)) storesAfter.push_back(bytesOf(entry.path()));
  EXPECT_EQ(storesAfter.size(), filesBefore) << "reading the stores creates nothing";
}

TEST_F(PrintCountWindowTest, TheResetIsShownOnlyWhileTheChordIsHeldAndKeepsTheDays) {
  auto* reset = window_->findChild<QPushButton*>(QStringLiteral("rset"));
  ASSERT_NE(reset, nullptr);
  const struct {
    Qt::KeyboardModifiers held;
    bool shown;
  } chords[] = {
      {Qt::NoModifier, false},
      {Qt::ControlModifier, false},
      {Qt::MetaModifier, false},
      {Qt::ControlModifier | Qt::MetaModifier | Qt::ShiftModifier, false},
      {Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier, false},
      {Qt::ControlModifier | Qt::MetaModifier, true},
      {Qt::NoModifier, false},
  };
  for (const auto& chord : chords) {
    holdModifiers(chord.held);
    EXPECT_EQ(reset->isVisible(), chord.shown) << chord.held.toInt();
    EXPECT_EQ(window_->resetShown(), chord.shown);
  }

  const std::vector<char> dayFile = bytesOf(root_ / "Vorl-Zeverezoz Count12-11-2026");
  const std::vector<char> store = bytesOf(root_ / ".Print Count Vorl-Zeverezoz 2026-12-11");
  holdModifiers(Qt::ControlModifier | Qt::MetaModifier);
  answerConfirmation(QStringLiteral("Cancel"));
  click("rset");
  EXPECT_EQ(row(6), plus(kSiblingAllTime, kProcessorAllTime)) << "cancelled";

  answerConfirmation(QStringLiteral("Reset"));
  click("rset");
  for (const int r : {3, 4, 6}) EXPECT_EQ(row(r), kZero) << "row " << r;
  EXPECT_EQ(row(5), plus(kSiblingToday, kProcessorToday));
  tPrintQuantityInfo zero;
  zero.versionNumber = 9904;
  for (const char* name : {"Vorl-X Count", "Vorl-Zeverezoz Count"}) {
    tPrintQuantityInfo record;
    ASSERT_EQ(getPrintCount(root_ / name, record), noErr);
    EXPECT_EQ(record, zero) << name << ": the image-grab count too";
  }
  EXPECT_EQ(bytesOf(root_ / "Vorl-Zeverezoz Count12-11-2026"), dayFile);
  EXPECT_EQ(bytesOf(root_ / ".Print Count Vorl-Zeverezoz 2026-12-11"), store);
  holdModifiers(Qt::NoModifier);
}

TEST_F(PrintCountWindowTest, WritesTheReportOfEitherProgramWhereTheOperatorChooses) {
  QStringList offeredNames;
  QString answer;
  TPrintCountWindow::setReportDestinationChooser([&](QWidget*, const QString& defaultName) {
    offeredNames << defaultName;
    return answer;
  });
  tPrintQuantityInfo allTime = recordOf(kProcessorAllTime);
  allTime.canvasCounts[21][5] = 4;
  ASSERT_EQ(setPrintCount(root_ / "Vorl-Zeverezoz Count", allTime), noErr);

  const auto entries = [this] { return std::distance(fs::directory_iterator(root_), fs::directory_iterator()); };
  const auto before = entries();
  click("rpr2");
  EXPECT_EQ(entries(), before) << "cancelled: nothing is written";
  answer = QString::fromStdString((root_ / "processor.txt").string());
  click("rpr2");
  answer = QString::fromStdString((root_ / "sibling.txt").string());
  click("rprt");
  TPrintCountWindow::setReportDestinationChooser({});
  EXPECT_EQ(offeredNames, QStringList({"Fri, Dec 11, 2026 - Zeverezoz", "Fri, Dec 11, 2026 - Zeverezoz",
                                       "Fri, Dec 11, 2026 - Vorl-X"}));
  const std::vector<char> processor = bytesOf(root_ / "processor.txt");
  EXPECT_EQ(std::string(processor.begin(), processor.end()), "Fri, Dec 11, 2026\tPrinter 21\t5\t0\t4\r");
  ASSERT_TRUE(fs::exists(root_ / "sibling.txt"));
  EXPECT_TRUE(bytesOf(root_ / "sibling.txt").empty()) << "the sibling's all-time file counts no canvas";
}

}  // namespace
}  // namespace vorl
