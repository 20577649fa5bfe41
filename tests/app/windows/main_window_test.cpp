// The main window through its widgets: the job list, the remove and start buttons, the command enabling, the
// folder popup, the close box and the picture panes.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QDateTime>
#include <QAction>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <iterator>

#include "app/processing/error_log_file.h"
#include "app/windows/main_window.h"
#include "app/windows/preview_pane.h"
#include "app/windows/printer_route_name.h"
#include "tests/app/screenshots.h"

namespace vorl {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kRed = 0xFFFF0000;

QImage filled(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(errorLogFilePath());
    window_ = std::make_unique<MainWindow>();
    window_->show();
    jobs_ = window_->findChild<QListView*>("jobs");
    pict_ = window_->findChild<PreviewPane*>("pict");
    ASSERT_NE(jobs_, nullptr);
    ASSERT_NE(pict_, nullptr);
  }

  // A click on the row, as the operator makes it.
  void clickRow(int row) {
    const QRect cell = jobs_->visualRect(jobs_->model()->index(row, 0));
    QTest::mouseClick(jobs_->viewport(), Qt::LeftButton, {}, cell.center());
  }
  int selectedRow() const {
    const QModelIndexList rows = jobs_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
  }
  template <typename Widget>
  Widget* child(const char* id) {
    auto* widget = window_->findChild<Widget*>(QString::fromLatin1(id));
    EXPECT_NE(widget, nullptr) << id;
    return widget;
  }

  std::unique_ptr<MainWindow> window_;
  QListView* jobs_ = nullptr;
  PreviewPane* pict_ = nullptr;
};

TEST_F(MainWindowTest, JobListFollowsTheQueueWithRealRowChanges) {
  const struct {
    const char* what;
    QStringList names;
    int removedRows;
    int insertedRows;
  } steps[] = {
      {"first jobs arrive", {"a.job", "b.job", "c.job"}, 0, 3},
      {"the next job is taken", {"b.job", "c.job"}, 1, 0},
      {"a job arrives", {"b.job", "c.job", "d.job"}, 0, 1},
      {"one in the middle is replaced", {"b.job", "x.job", "d.job"}, 1, 1},
      {"the queue empties", {}, 3, 0},
  };
  QAbstractItemModel* model = jobs_->model();
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(model, &QAbstractItemModel::modelReset);
    window_->setJobList(step.names);
    EXPECT_EQ(window_->jobList(), step.names);
    ASSERT_EQ(model->rowCount(), step.names.size());
    for (int row = 0; row < model->rowCount(); ++row)
      EXPECT_EQ(model->index(row, 0).data().toString(), step.names.at(row));
    int removedRows = 0, insertedRows = 0;
    for (const auto& args : removed) removedRows += args.at(2).toInt() - args.at(1).toInt() + 1;
    for (const auto& args : inserted) insertedRows += args.at(2).toInt() - args.at(1).toInt() + 1;
    EXPECT_EQ(removedRows, step.removedRows);
    EXPECT_EQ(insertedRows, step.insertedRows);
    EXPECT_EQ(reset.count(), 0);
  }
}

TEST_F(MainWindowTest, SameNamesKeepSelectionAndThumbnailOtherNamesClearThem) {
  window_->setJobList({"a.job", "b.job", "c.job"});
  QSignalSpy rowClicks(window_.get(), &MainWindow::jobRowClicked);
  clickRow(1);
  ASSERT_EQ(rowClicks.count(), 1);
  EXPECT_EQ(rowClicks.at(0).at(0).toInt(), 1);
  window_->showThumbnail(filled(30, 20, kRed));
  ASSERT_TRUE(pict_->hasPicture());

  window_->setJobList({"a.job", "b.job", "c.job"});
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_TRUE(pict_->hasPicture());

  window_->setJobList({"b.job", "c.job"});
  EXPECT_EQ(selectedRow(), -1);
  EXPECT_FALSE(pict_->hasPicture());
  EXPECT_EQ(pict_->offscreen().pixel(pict_->width() / 2, pict_->height() / 2), kWhite);
}

TEST_F(MainWindowTest, RemoveReportsTheSelectedJobOnlyWithASelection) {
  auto* rmve = child<QPushButton>("rmve");
  QSignalSpy removals(window_.get(), &MainWindow::removeJobClicked);
  QTest::mouseClick(rmve, Qt::LeftButton);  // empty list
  window_->setJobList({"a.job", "b.job", "Long name of the third job.job"});
  QTest::mouseClick(rmve, Qt::LeftButton);  // rows, no selection
  EXPECT_EQ(removals.count(), 0);

  clickRow(2);
  QTest::mouseClick(rmve, Qt::LeftButton);
  ASSERT_EQ(removals.count(), 1);
  EXPECT_EQ(removals.at(0).at(0).toInt(), 2);
  EXPECT_EQ(removals.at(0).at(1).toString(), QStringLiteral("Long name of the third job.job"));
}

TEST_F(MainWindowTest, DoubleClickOnStartTogglesOnce) {
  auto* strt = child<QPushButton>("strt");
  QSignalSpy toggles(window_.get(), &MainWindow::startPauseClicked);
  QTest::mouseClick(strt, Qt::LeftButton);
  EXPECT_EQ(toggles.count(), 1);
  // The second click of a double click comes as a double-click press and its release.
  QTest::mouseDClick(strt, Qt::LeftButton);
  QTest::mouseRelease(strt, Qt::LeftButton);
  EXPECT_EQ(toggles.count(), 1);
  QTest::mouseClick(strt, Qt::LeftButton);
  EXPECT_EQ(toggles.count(), 2);
}

TEST_F(MainWindowTest, IdleCommandsAreUsableOnlyWhileProcessingIsOff) {
  const char* idleOnly[] = {"exit", "file", "rmve", "pop1"};
  const char* always[] = {"strt", "bout", "vorl"};
  for (const bool enabled : {false, true}) {
    SCOPED_TRACE(enabled);
    window_->setIdleCommandsEnabled(enabled);
    for (const char* id : idleOnly) EXPECT_EQ(child<QWidget>(id)->isEnabled(), enabled) << id;
    for (const char* id : always) EXPECT_TRUE(child<QWidget>(id)->isEnabled()) << id;
  }
  window_->setIdleCommandsEnabled(false);
  QSignalSpy exits(window_.get(), &MainWindow::exitClicked);
  QTest::mouseClick(child<QPushButton>("exit"), Qt::LeftButton);
  EXPECT_EQ(exits.count(), 0);
}

TEST_F(MainWindowTest, ButtonsReportTheirCommands) {
  const struct {
    const char* id;
    void (MainWindow::*signal)();
  } buttons[] = {{"exit", &MainWindow::exitClicked},
                 {"file", &MainWindow::emptyFoldersClicked},
                 {"bout", &MainWindow::aboutClicked},
                 {"vorl", &MainWindow::frontEndClicked}};
  for (const auto& button : buttons) {
    SCOPED_TRACE(button.id);
    QSignalSpy spy(window_.get(), button.signal);
    QTest::mouseClick(child<QPushButton>(button.id), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
  }
}

TEST_F(MainWindowTest, FolderPopupOffersTheEmptyingCommandsInOrder) {
  auto* pop1 = child<QToolButton>("pop1");
  ASSERT_NE(pop1->menu(), nullptr);
  QSignalSpy commands(window_.get(), &MainWindow::folderCommandChosen);
  for (QAction* action : pop1->menu()->actions()) action->trigger();
  QList<int> chosen;
  for (const auto& args : commands) chosen.append(args.at(0).toInt());
  EXPECT_EQ(chosen, (QList<int>{1006, 1003, 1004, 1010, 1005, 1011}));
}

TEST_F(MainWindowTest, CloseBoxAsksAndTheWindowStays) {
  QSignalSpy requests(window_.get(), &MainWindow::closeRequested);
  EXPECT_FALSE(window_->close());
  EXPECT_EQ(requests.count(), 1);
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, TextsAndBusyIndicator) {
  window_->setStatus("IDLING - Waiting for a New Job\u2026");
  window_->setJobFileName("Order 12.job");
  window_->setPrinterAndTemplate("Printer A", "Template B", "Package C");
  window_->setStartTitle("Pause");
  EXPECT_EQ(child<QLabel>("stat")->text(), QStringLiteral("IDLING - Waiting for a New Job\u2026"));
  EXPECT_EQ(window_->status(), child<QLabel>("stat")->text());
  EXPECT_EQ(window_->jobFileName(), QStringLiteral("Order 12.job"));
  EXPECT_EQ(child<QLabel>("prnt")->text(), QStringLiteral("Printer A"));
  EXPECT_EQ(child<QLabel>("tmpn")->text(), QStringLiteral("Template B"));
  EXPECT_EQ(child<QLabel>("pkgn")->text(), QStringLiteral("Package C"));
  EXPECT_EQ(child<QPushButton>("strt")->text(), QStringLiteral("Pause"));
  EXPECT_TRUE(child<QLabel>("vers")->text().startsWith(QStringLiteral("Ver: ")));
  EXPECT_FALSE(child<QLabel>("cprt")->text().isEmpty());

  auto* busy = child<QProgressBar>("busy");
  EXPECT_FALSE(busy->isVisible());
  window_->setBusy(true);
  EXPECT_TRUE(busy->isVisible());
  EXPECT_EQ(busy->maximum(), 0);  // an indeterminate bar animates by itself
  window_->setBusy(false);
  EXPECT_FALSE(busy->isVisible());
}

// The file keeps only the texts: its lines are marked as earlier runs', never given a time that would make them
// look current; the lines of this run carry their time and job.
TEST_F(MainWindowTest, MessageListMarksEarlierRunsAndShowsTimeAndJob) {
  window_.reset();
  ASSERT_TRUE(appendErrorLogRecord(errorLogFilePath(), "First message"));
  ASSERT_TRUE(appendErrorLogRecord(errorLogFilePath(), "Second message \u0192"));
  MainWindow window;
  auto* errs = window.findChild<QListWidget*>("errs");
  ASSERT_NE(errs, nullptr);
  window.appendMessage(QDateTime(QDate(2026, 3, 14), QTime(9, 5, 7)), "Smith 4x6", "Read File Error!");
  window.appendMessage(QDateTime(QDate(2026, 3, 14), QTime(9, 6, 0)), "", "Special Startup\u2026");
  const struct {
    const char* text;
    bool earlier;
    const char* shown;
  } rows[] = {
      {"First message", true, "Earlier run:   First message"},
      {"Second message \u0192", true, "Earlier run:   Second message \u0192"},
      {"Read File Error!", false, "2026-03-14 09:05:07   Smith 4x6: Read File Error!"},
      {"Special Startup\u2026", false, "2026-03-14 09:06:00   Special Startup\u2026"},
  };
  ASSERT_EQ(errs->count(), static_cast<int>(std::size(rows)));
  for (int row = 0; row < errs->count(); ++row) {
    SCOPED_TRACE(row);
    const QListWidgetItem* item = errs->item(row);
    EXPECT_EQ(item->text(), QString::fromUtf8(rows[row].shown));
    EXPECT_EQ(item->data(MainWindow::kMessageTextRole).toString(), QString::fromUtf8(rows[row].text));
    EXPECT_EQ(item->data(MainWindow::kEarlierRunRole).toBool(), rows[row].earlier);
    EXPECT_NE(item->foreground() == QBrush(Qt::gray), !rows[row].earlier);
  }
}

// The panes say what they hold; the page and the messages take the room of a larger window, the thumbnail keeps
// its size, and the page is drawn again at the pane's new size.
TEST_F(MainWindowTest, PanesHaveCaptionsAndThePageAndMessagesGrowWithTheWindow) {
  QStringList captions;
  for (const QLabel* label : window_->findChildren<QLabel*>()) captions << label->text();
  for (const char* caption : {"Waiting jobs", "Selected job", "Page in hand", "Messages"})
    EXPECT_TRUE(captions.contains(QString::fromLatin1(caption))) << caption;

  auto* page = child<PreviewPane>("imag");
  auto* errs = child<QListWidget>("errs");
  window_->setImage(filled(60, 40, kRed), "Page 1");
  window_->resize(window_->minimumSizeHint());
  QApplication::processEvents();
  const QSize pageBefore = page->size();
  const QSize thumbnailBefore = pict_->size();
  const int messagesBefore = errs->height();
  EXPECT_EQ(pageBefore, QSize(400, 300));

  window_->resize(window_->size() + QSize(600, 500));
  QApplication::processEvents();
  EXPECT_GT(page->width(), pageBefore.width() + 400);
  EXPECT_GT(page->height(), pageBefore.height() + 150);
  EXPECT_GT(errs->height(), messagesBefore + 100);
  EXPECT_EQ(pict_->size(), thumbnailBefore);
  ASSERT_EQ(page->offscreen().size(), page->size());
  EXPECT_EQ(page->offscreen().pixel(page->width() / 2, page->height() / 2), kRed);
  EXPECT_TRUE(page->hasPicture());
}

TEST(PrinterRouteName, NamesTheRoadOutOfTheProgramWithTheType) {
  const struct {
    std::int16_t type;
    std::int16_t set;
    bool handOff;
    const char* shown;
  } cases[] = {
      {0, 0, false, ""},
      {8, 0, false, "System printer (type 8)"},
      {17, 0, false, "Print-to-file folder (type 17)"},
      {25, 1, false, "Print-to-file set A (type 25)"},
      {52, 8, true, "Print-to-file set H (type 52)"},
      {26, 0, false, "Print-to-file set (type 26)"},
      {34, 0, false, "Print-data file for the print centre (type 34)"},
      {34, 0, true, "Hand-off to the print centre (JPEG and property list) (type 34)"},
      {45, 2, false, "Print-data file for the print centre (type 45)"},
      {14, 0, false, "Print-data file for the print centre (type 14)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(printerRouteName(c.type, c.set, c.handOff), QString::fromUtf8(c.shown));
  }
}

TEST_F(MainWindowTest, IdleScreenshotWithJobsAndPage) {
  window_->setJobList({"Smith family 4x6.job", "Jones 8x10.job", "School portraits.job"});
  clickRow(0);
  QImage page = filled(600, 400, 0xFF3060A0);
  for (int y = 100; y < 300; ++y)
    for (int x = 200; x < 400; ++x) page.setPixel(x, y, 0xFFF0C040);
  window_->setImage(page, "Page 1");
  window_->showThumbnail(filled(30, 45, 0xFF40A040));
  window_->setStatus("PAUSED - Press 'Resume\u2026' to Start\u2026");
  window_->setStartTitle("Resume");
  window_->setPrinterAndTemplate("Printer A", "Template B", "Package C");
  window_->appendMessage(QDateTime::currentDateTime(), "Jones 8x10.job", "An example message");
  const QString path = test::saveScreenshot(*window_, "main_window_idle");
  ASSERT_FALSE(path.isEmpty());
  const QImage shot(path);
  EXPECT_GE(shot.width(), 400);
  EXPECT_GE(shot.height(), 300);
}

// The picture is fitted, proportions kept and enlarged if smaller, into the centre of the pane on white.
TEST(PreviewPane, PictureIsFittedAndCentredOnWhite) {
  const struct {
    const char* what;
    QSize picture;
    QPoint inside[2];
    QPoint outside[2];
  } cases[] = {
      // 10x40 in 200x100: 25 wide, columns 87..112.
      {"tall picture in a wide pane", {10, 40}, {{88, 1}, {111, 98}}, {{5, 50}, {194, 50}}},
      // 80x20 in 200x100: 200x50, rows 25..74.
      {"wide picture, white above and below", {80, 20}, {{1, 26}, {198, 73}}, {{100, 5}, {100, 94}}},
      {"small picture of the pane's shape is enlarged", {4, 2}, {{0, 0}, {199, 99}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PreviewPane pane(QSize(200, 100));
    pane.setPicture(filled(c.picture.width(), c.picture.height(), kRed));
    const QImage& shown = pane.offscreen();
    ASSERT_EQ(shown.size(), QSize(200, 100));
    for (QPoint p : c.inside) EXPECT_EQ(shown.pixel(p), kRed) << p.x() << "," << p.y();
    for (QPoint p : c.outside) {
      if (p.isNull()) continue;
      EXPECT_EQ(shown.pixel(p), kWhite) << p.x() << "," << p.y();
    }
  }
}

// 175 white columns: 87 at the left, 88 at the right.
TEST(PreviewPane, TallPictureInWidePaneIsCentredAndClearsToWhite) {
  EXPECT_EQ(PreviewPane::fittedRect(QSize(200, 100), QSize(10, 40)), QRect(87, 0, 25, 100));
  PreviewPane pane(QSize(200, 100));
  pane.setPicture(filled(10, 40, kRed));
  pane.setPicture(QImage());
  EXPECT_FALSE(pane.hasPicture());
  EXPECT_EQ(pane.offscreen().pixel(100, 50), kWhite);
}

}  // namespace
}  // namespace vorl
