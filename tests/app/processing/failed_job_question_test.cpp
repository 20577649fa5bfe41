// The failed-job question in the whole application, answered by clicking the real dialog's buttons: every
// answer is carried out, an unanswered question parks the job, closes and says so, and a failure shows one
// window naming the job and the reason.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>

#include "app/processing/operator_messages.h"
#include "app/windows/failed_job_question.h"
#include "jobs/engine/job_task_manager.h"
#include "preferences/preference_globals.h"
#include "tests/app/app_harness.h"
#include "tests/app/screenshots.h"

namespace vorl {
namespace {

using test::AppHarness;
using namespace std::chrono_literals;

constexpr char kJob[] = "broken-job";
constexpr char kReason[] = "Invalid Job Version Number!";

void askAndStartByHand(tPrintServerPrefs& prefs) {
  prefs.autoStart = 0;
  prefs.askOnFailedJob = 1;
}

void parkWithoutAsking(tPrintServerPrefs& prefs) {
  prefs.autoStart = 0;
  prefs.askOnFailedJob = 0;
}

std::vector<QMessageBox*> visibleMessageBoxes() {
  std::vector<QMessageBox*> boxes;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) boxes.push_back(box);
  return boxes;
}

FailedJobQuestion* openQuestion() {
  for (QMessageBox* box : visibleMessageBoxes())
    if (auto* question = qobject_cast<FailedJobQuestion*>(box)) return question;
  return nullptr;
}

// Waits for a question to be up; an answered one is hidden at once, so this is always a new one.
FailedJobQuestion* waitForQuestion() {
  FailedJobQuestion* question = nullptr;
  AppHarness::waitFor([&] { return (question = openQuestion()) != nullptr; });
  return question;
}

void clickButton(QMessageBox& question, const char* id) {
  auto* button = question.findChild<QPushButton*>(QString::fromLatin1(id));
  ASSERT_NE(button, nullptr) << id;
  QTest::mouseClick(button, Qt::LeftButton);
}

// The application's own message sink in place of the harness's recorder, for as long as it lives.
class RealOperatorMessages {
 public:
  explicit RealOperatorMessages(AppHarness& app) : app_(app), sink_(&app.window()) { setMessageSink(&sink_); }
  ~RealOperatorMessages() { setMessageSink(&app_.messages()); }

 private:
  AppHarness& app_;
  OperatorMessages sink_;
};

bool stepsAtRest() { return gPrintJobTaskManager->currentTask() == 0 && !gPrintJobTaskManager->IsBusyWithTask(); }

TEST(FailedJobQuestion, EveryAnswerIsCarriedOut) {
  test::JobSpec broken = test::printDataJob();
  broken.signature = 0x1234;
  const struct {
    const char* button;
    std::function<void(AppHarness&)> check;
  } cases[] = {
      {FailedJobQuestion::kTryAgainLaterId,
       [](AppHarness& app) {
         // Queued again, the job is taken again at once and fails again: a second question for it.
         FailedJobQuestion* again = waitForQuestion();
         ASSERT_NE(again, nullptr) << "the job was not tried again";
         EXPECT_TRUE(again->text().contains(QString::fromLatin1(kJob)));
         EXPECT_EQ(AppHarness::filesIn(app.allFilesFolder()), std::vector<std::string>{kJob});
         EXPECT_TRUE(AppHarness::filesIn(app.unknownFolder()).empty());
         clickButton(*again, FailedJobQuestion::kMoveToUnknownJobsId);
         ASSERT_TRUE(AppHarness::waitFor([&] { return !AppHarness::filesIn(app.unknownFolder()).empty(); }));
       }},
      {FailedJobQuestion::kDeleteJobId,
       [](AppHarness& app) {
         ASSERT_TRUE(AppHarness::waitFor([&] { return AppHarness::filesIn(app.allFilesFolder()).empty() && stepsAtRest(); }));
         EXPECT_TRUE(AppHarness::filesIn(app.unknownFolder()).empty());
         EXPECT_TRUE(AppHarness::filesIn(app.spoolerFolder()).empty());
       }},
      {FailedJobQuestion::kMoveToUnknownJobsId,
       [](AppHarness& app) {
         ASSERT_TRUE(AppHarness::waitFor([&] { return !AppHarness::filesIn(app.unknownFolder()).empty(); }));
         EXPECT_EQ(AppHarness::filesIn(app.unknownFolder()), std::vector<std::string>{kJob});
       }},
      {FailedJobQuestion::kPauseProcessingId,
       [](AppHarness& app) {
         ASSERT_TRUE(AppHarness::waitFor([&] { return !app.behaviour().IsBackgroundPrintingEnabled() && stepsAtRest(); }));
         EXPECT_EQ(app.find<QPushButton>("strt")->text(), "Resume");
         EXPECT_TRUE(AppHarness::waitFor([&] { return app.window().jobList() == QStringList{kJob}; }, 10s));
         EXPECT_EQ(AppHarness::filesIn(app.allFilesFolder()), std::vector<std::string>{kJob});
         EXPECT_TRUE(AppHarness::filesIn(app.unknownFolder()).empty());
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    AppHarness app(askAndStartByHand);
    ASSERT_TRUE(app.start());
    app.dropJob(kJob, broken);
    app.click("strt");
    FailedJobQuestion* question = waitForQuestion();
    ASSERT_NE(question, nullptr) << "no question came up";
    clickButton(*question, c.button);
    c.check(app);
  }
}

TEST(FailedJobQuestion, UnansweredQuestionParksTheJobClosesAndSaysWhy) {
  AppHarness app(askAndStartByHand);
  ASSERT_TRUE(app.start());
  RealOperatorMessages messages(app);
  test::JobSpec broken = test::printDataJob();
  broken.signature = 0x1234;
  app.dropJob(kJob, broken);
  app.click("strt");
  FailedJobQuestion* question = waitForQuestion();
  ASSERT_NE(question, nullptr);
  auto* timer = question->findChild<QTimer*>(QString::fromLatin1(FailedJobQuestion::kTimeoutTimerId));
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(std::chrono::milliseconds(timer->interval()), TPrintBGBehavior::failedJobQuestionTimeout);

  timer->start(0);  // its minute is up
  ASSERT_TRUE(AppHarness::waitFor([&] { return AppHarness::filesIn(app.unknownFolder()) == std::vector<std::string>{kJob}; }));
  EXPECT_TRUE(AppHarness::waitFor([] { return openQuestion() == nullptr; }, 5s)) << "the question stayed open";
  auto* errs = app.find<QListWidget>("errs");
  ASSERT_TRUE(AppHarness::waitFor(
      [&] {
        for (int row = 0; row < errs->count(); ++row) {
          const QListWidgetItem* item = errs->item(row);
          if (item->data(MainWindow::kMessageJobRole).toString() == kJob &&
              item->data(MainWindow::kMessageTextRole).toString().contains("nobody answered"))
            return true;
        }
        return false;
      },
      5s))
      << "the message list does not say why the job was parked";
}

TEST(FailedJobQuestion, AFailureShowsOneWindowNamingTheJobAndTheReason) {
  test::JobSpec broken = test::printDataJob();
  broken.signature = 0x1234;
  const struct {
    const char* name;
    void (*seed)(tPrintServerPrefs&);
  } cases[] = {{"asked", askAndStartByHand}, {"parked without asking", parkWithoutAsking}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppHarness app(c.seed);
    ASSERT_TRUE(app.start());
    RealOperatorMessages messages(app);
    app.dropJob(kJob, broken);
    app.click("strt");
    // The failure's message is on its way before the question is: once the question is up, or the job parked
    // without one, every window of the failure would be up.
    const bool asked = c.seed == askAndStartByHand;
    ASSERT_TRUE(AppHarness::waitFor([&] {
      return asked ? openQuestion() != nullptr
                   : !AppHarness::filesIn(app.unknownFolder()).empty() && !visibleMessageBoxes().empty();
    }));
    QApplication::processEvents();
    const std::vector<QMessageBox*> boxes = visibleMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0]->text().contains(QString::fromLatin1(kJob))) << boxes[0]->text().toStdString();
    EXPECT_TRUE(boxes[0]->text().contains(QString::fromLatin1(kReason))) << boxes[0]->text().toStdString();
    if (auto* question = qobject_cast<FailedJobQuestion*>(boxes[0])) {
      app.screenshot("main-window-failed-job-question");
      EXPECT_FALSE(test::saveScreenshot(*question, "failed-job-question").isEmpty());
      clickButton(*question, FailedJobQuestion::kMoveToUnknownJobsId);
    }
    ASSERT_TRUE(AppHarness::waitFor([&] { return !AppHarness::filesIn(app.unknownFolder()).empty() && stepsAtRest(); }));
    QApplication::processEvents();
    EXPECT_LE(visibleMessageBoxes().size(), 1u);
    if (!asked) app.screenshot("main-window-failed-job");
    for (QMessageBox* box : visibleMessageBoxes()) box->close();
  }
}

}  // namespace
}  // namespace vorl
