// The progress controller and its window: the bar, the cancel and pause flags, when the window opens, and the
// forwarding of status and page to the processing behaviour.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "app/windows/progress_indicator.h"
#include "app/windows/progress_window.h"
#include "jobs/engine/job_observer.h"
#include "tests/app/screenshots.h"
#include "tests/support/fake_clock.h"

namespace vorl {
namespace {

// Records what the controller forwards.
class ObserverRecorder : public JobObserver {
 public:
  void SetJobInfo(const tJobInfo&) override {}
  void SetPrinterAndTemplate(std::int16_t, const Str31&, const Str255&) override {}
  void SetStatus(std::string_view status) override { statuses.emplace_back(status); }
  void SetImage(const Offscreen* page, std::string_view caption) override {
    images.push_back(page);
    captions.emplace_back(caption);
  }
  void SetJobFileName(std::string_view) override {}
  void SetFilesToDelete(const std::vector<FSSpec>&) override {}
  void Beep() override {}
  bool IsBackgroundPrintingEnabled() override { return true; }
  void ScanForNewJobs() override {}
  void SendNotificationToWebServer(const ArchivedValue&) override {}

  std::vector<std::string> statuses;
  std::vector<const Offscreen*> images;
  std::vector<std::string> captions;
};

class ProgressTest : public ::testing::Test {
 protected:
  void SetUp() override { progress_.IProgressIndicator(9002); }

  QString text(const char* id) const {
    auto* label = progress_.window()->findChild<QLabel*>(QString::fromLatin1(id));
    return label != nullptr ? label->text() : QStringLiteral("<none>");
  }

  test::FakeClock clock_;
  TMyProgressIndicator progress_;
};

TEST_F(ProgressTest, MaximumMinusOneGivesAnIndeterminateBar) {
  progress_.Start(-1, 0);
  ProgressWindow* window = progress_.window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isIndeterminate());
  auto* bar = window->findChild<QProgressBar*>("pbar");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 0);
  EXPECT_FALSE(progress_.Continue(5));
  EXPECT_TRUE(window->isIndeterminate());
  progress_.Stop();
  EXPECT_FALSE(window->isIndeterminate());
  EXPECT_FALSE(window->isVisible());
}

TEST_F(ProgressTest, BarAdvancesByNonNegativeDeltas) {
  progress_.Start(10, 0);
  ProgressWindow* window = progress_.window();
  auto* bar = window->findChild<QProgressBar*>("pbar");
  const struct {
    std::int32_t delta;
    std::int32_t value;
  } steps[] = {{3, 3}, {-2, 3}, {0, 3}, {4, 7}, {-100, 7}, {20, 10}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.delta);
    EXPECT_FALSE(progress_.Continue(step.delta));
    EXPECT_EQ(window->value(), step.value);
    EXPECT_EQ(bar->value(), step.value);
    EXPECT_EQ(bar->maximum(), 10);
  }
  progress_.Start(4, 0);
  EXPECT_EQ(window->value(), 0);
  progress_.Stop();
  EXPECT_EQ(window->value(), 4);
  progress_.Reset();
  EXPECT_EQ(window->maximum(), 0);
}

TEST_F(ProgressTest, StopButtonCancelsAndStartClearsIt) {
  progress_.Start(10, 0);
  ASSERT_TRUE(progress_.IsVisible());
  QTest::mouseClick(progress_.window()->findChild<QPushButton*>("stop"), Qt::LeftButton);
  EXPECT_TRUE(progress_.CancelRequested());
  EXPECT_TRUE(progress_.Continue(1));
  progress_.Start(10, 0);
  EXPECT_FALSE(progress_.CancelRequested());
  EXPECT_FALSE(progress_.Continue(1));

  QTest::keyClick(progress_.window(), Qt::Key_Escape);
  EXPECT_TRUE(progress_.Continue(0));
  progress_.RequestCancel();
  EXPECT_TRUE(progress_.CancelRequested());
}

TEST_F(ProgressTest, PauseButtonSaysSoAndIsClearedByStart) {
  progress_.Start(10, 0);
  QTest::mouseClick(progress_.window()->findChild<QPushButton*>("paus"), Qt::LeftButton);
  EXPECT_TRUE(progress_.PauseRequested());
  EXPECT_EQ(text("txt6"), QStringLiteral("One moment please\u2026"));
  EXPECT_FALSE(progress_.CancelRequested());
  progress_.Start(10, 0);
  EXPECT_FALSE(progress_.PauseRequested());
}

TEST_F(ProgressTest, WindowOpensOnlyAfterTheDelayAndWithoutABehaviour) {
  progress_.Start(10, 30);
  EXPECT_FALSE(progress_.IsVisible());
  clock_.advanceTicks(29);
  progress_.Continue(1);
  EXPECT_FALSE(progress_.IsVisible());
  // A second Start keeps the time already armed.
  progress_.Start(10, 600);
  clock_.advanceTicks(1);
  progress_.Continue(1);
  EXPECT_TRUE(progress_.IsVisible());
  EXPECT_TRUE(progress_.window()->isVisible());
  progress_.Stop();
  EXPECT_FALSE(progress_.IsVisible());

  ObserverRecorder behaviour;
  progress_.SetBehaviour(&behaviour);
  progress_.Start(10, 0);
  progress_.RequestCancel();
  EXPECT_TRUE(progress_.Continue(1));
  EXPECT_FALSE(progress_.IsVisible());
  EXPECT_EQ(progress_.window()->value(), 0);
  progress_.SetBehaviour(nullptr);
}

TEST_F(ProgressTest, UninitialisedControllerNeverOpens) {
  TMyProgressIndicator fresh;
  fresh.Start(10, 0);
  EXPECT_FALSE(fresh.Continue(1));
  EXPECT_FALSE(fresh.IsVisible());
  EXPECT_EQ(fresh.window(), nullptr);
}

TEST_F(ProgressTest, SameWindowIdKeepsWindowAndTexts) {
  progress_.SetText1("Line one");
  progress_.SetText6("Line six");
  ProgressWindow* before = progress_.window();
  progress_.SetProgressWindowResourceID(9002);
  EXPECT_EQ(progress_.window(), before);
  EXPECT_EQ(text("txt1"), QStringLiteral("Line one"));
  EXPECT_EQ(text("txt6"), QStringLiteral("Line six"));

  progress_.SetProgressWindowResourceID(9003);
  ASSERT_NE(progress_.window(), nullptr);
  EXPECT_EQ(progress_.window()->windowId(), 9003);
  EXPECT_EQ(text("txt1"), QString());
}

TEST_F(ProgressTest, StartWithWindowSetsTitleAndClearsLines) {
  progress_.SetText2("old");
  progress_.Start(-1, 9003, QStringLiteral("Saving File\u2026"), 0);
  EXPECT_EQ(progress_.window()->windowId(), 9003);
  EXPECT_EQ(text("titl"), QStringLiteral("Saving File\u2026"));
  EXPECT_EQ(text("txt2"), QString());
  progress_.SetText1("/home/studio/Order 12.jpg");
  progress_.SetTitle("Another title");
  EXPECT_EQ(text("titl"), QStringLiteral("Another title"));
  EXPECT_TRUE(progress_.IsVisible());
  const QString path = test::saveScreenshot(*progress_.window(), "progress_window");
  EXPECT_FALSE(path.isEmpty());
  progress_.Stop();
}

TEST_F(ProgressTest, CallsFromTheWorkerReachTheWindowOnTheMainThread) {
  std::thread worker([this] {
    progress_.Start(-1, 9003, QStringLiteral("Saving File\u2026"), 0);
    progress_.SetText1("from the worker");
    static_cast<void>(progress_.Continue(0));
  });
  worker.join();
  ASSERT_TRUE(
      QTest::qWaitFor([this] { return progress_.window()->windowId() == 9003 && progress_.IsVisible(); }, 2000));
  QCoreApplication::processEvents();
  EXPECT_EQ(progress_.window()->thread(), QCoreApplication::instance()->thread());
  EXPECT_EQ(text("txt1"), QStringLiteral("from the worker"));
  EXPECT_EQ(text("titl"), QStringLiteral("Saving File\u2026"));
}

TEST_F(ProgressTest, StatusAndImageGoToTheBehaviourOnly) {
  progress_.SetStatus("nobody listens");
  progress_.SetImage(nullptr);
  ObserverRecorder behaviour;
  progress_.SetBehaviour(&behaviour);
  const Rect bounds = makeRect(0, 0, 2, 2);
  OffscreenPtr page{myNewGWorld(&bounds)};
  progress_.SetStatus("Drawing page 1\u2026");
  progress_.SetImage(page.get());
  progress_.SetImage(nullptr);
  progress_.SetBehaviour(nullptr);
  EXPECT_EQ(behaviour.statuses, std::vector<std::string>{"Drawing page 1\u2026"});
  EXPECT_EQ(behaviour.images, (std::vector<const Offscreen*>{page.get(), nullptr}));
  EXPECT_EQ(behaviour.captions, (std::vector<std::string>{"", ""}));
}

}  // namespace
}  // namespace vorl
