// The processor as the operator meets it: start-up, the job list while paused, processing with the real worker
// thread and event loop, pausing in the middle of a job, quitting, failed jobs and the single instance.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "app/windows/progress_indicator.h"
#include "foundation/services/log_file.h"
#include "jobs/delivery/print_centre_folder.h"
#include "jobs/engine/job_task_manager.h"
#include "platform/system/autostart.h"
#include "preferences/preference_globals.h"
#include "tests/app/app_harness.h"
#include "tests/app/log_capture.h"
#include "tests/app/worker_gate.h"
// Qt's "signals" keyword would rename the monitor's member of that name.
#pragma push_macro("signals")
#undef signals
#include "tests/support/bus_monitor.h"
namespace vorl::test {
inline std::vector<MonitoredSignal> notificationsSeen(const BusMonitor& monitor, std::size_t count) {
  return monitor.signals("Notification", count, std::chrono::seconds(30));
}
}  // namespace vorl::test
#pragma pop_macro("signals")
#include "tests/support/keyed_archive_writer.h"
#include "tests/support/private_session_bus.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;
using namespace std::chrono_literals;

void autoStartOff(tPrintServerPrefs& prefs) { prefs.autoStart = 0; }

bool isEnabled(AppHarness& app, const char* id) { return app.find<QWidget>(id)->isEnabled(); }

QString text(AppHarness& app, const char* id) {
  if (auto* label = app.find<QLabel>(id)) return label->text();
  if (auto* button = app.find<QAbstractButton>(id)) return button->text();
  return {};
}

// Waits for the start of a second, so that files made now share their creation second.
void waitForFreshSecond() {
  const auto now = std::chrono::system_clock::now();
  const auto next = std::chrono::ceil<std::chrono::seconds>(now);
  std::this_thread::sleep_until(next + 20ms);
}

TEST(AppScenarios, FreshStartMakesTheFolderTreeAndWaitsForStart) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());

  for (const fs::path& folder :
       {app.rootFolder() / "IMAGES FOLDER \xC6\x92", app.spoolerFolder(), app.finishedFolder(), app.unknownFolder(),
        app.rootFolder() / "DATABASE FOLDER \xC6\x92", app.rootFolder() / "VORL GRAPHICS FOLDER \xC6\x92",
        app.home() / "PRINT TO FILE FOLDER \xC6\x92", app.home() / "PRINT TO FILE FOLDER SET A\xC6\x92",
        app.home() / "PRINT TO CD FOLDER SET A\xC6\x92", app.home() / "WEB UPLOAD FOLDER \xC6\x92",
        app.home() / "VORL PREFERENCES FOLDER \xC6\x92"}) {
    EXPECT_TRUE(fs::is_directory(folder)) << folder;
  }
  for (const char* sub : {"Jobs In Spool", "Jobs Not Printed", "Jobs Printed", "Jobs Canceled", "Jobs Not Valid",
                          "Jobs To Be Printed"}) {
    EXPECT_TRUE(fs::is_directory(app.home() / "Vorl-PrintCenter Folder" / sub)) << sub;
  }

  for (const std::string& message : app.messages().messages()) ADD_FAILURE() << "message: " << message;
  EXPECT_EQ(text(app, "stat"), QString::fromUtf8("Press 'Start\xE2\x80\xA6' To Start Vorl-Zeverezoz\xE2\x80\xA6"));
  EXPECT_TRUE(isEnabled(app, "strt"));
  for (const char* id : {"exit", "file", "rmve"}) EXPECT_TRUE(isEnabled(app, id)) << id;
  EXPECT_FALSE(app.behaviour().IsBackgroundPrintingEnabled());
  EXPECT_FALSE(app.behaviour().workerExists());
  app.screenshot("main-window-never-started");
}

TEST(AppScenarios, ARestartReusesTheFoldersAndTakesUpTheJobsLeft) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  app.activateWindow();
  app.dropJob("left-over", test::printDataJob());
  app.activateWindow();
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.window().jobList().size() == 1; }, 10s));
  const auto listing = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(app.home()))
      if (entry.is_directory()) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const auto before = listing();

  ASSERT_TRUE(app.restart());
  EXPECT_EQ(listing(), before);
  // The job moved into "All Files" before the restart is queued again at the start.
  EXPECT_TRUE(AppHarness::waitFor([&] { return app.window().jobList() == QStringList{"left-over"}; }, 10s));
}

// A run killed while it delivers leaves its temporary copies; the next start removes them, and only them.
TEST(AppScenarios, AStartRemovesTheTemporaryFilesAKilledRunLeft) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  const std::string ours = "Tempfile_" + macAddressForNames() + "_0001";
  const fs::path setFolder = app.home() / "PRINT TO FILE FOLDER SET A\xC6\x92";
  const std::vector<fs::path> leftovers = {app.printCentreFolder() / ours, app.printCentreFolder() / ("._" + ours),
                                app.rootFolder() / ".vorl-00000000deadbeef.tmp",
                                setFolder / ".vorl-output-4242-1.tmp"};
  const std::vector<fs::path> others = {app.printCentreFolder() / "Tempfile_ffffffffffff_0001", setFolder / "photo.jpg"};
  const auto earlier = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now() - 1h);
  const timespec times[2] = {{earlier, 0}, {earlier, 0}};
  for (const auto* group : {&leftovers, &others})
    for (const fs::path& file : *group) {
      std::ofstream(file) << "half a page";
      ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << file;
    }

  ASSERT_TRUE(app.restart());
  for (const fs::path& file : leftovers) EXPECT_FALSE(fs::exists(file)) << file;
  for (const fs::path& file : others) EXPECT_TRUE(fs::exists(file)) << file;
  std::ifstream log(QZLogFileManager::currentLogFile(), std::ios::binary);
  const std::string logged((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(logged.find("Removed [" + (app.printCentreFolder() / ours).string() + "]"), std::string::npos);
}

TEST(AppScenarios, JobsWaitingWhilePausedAreListedOldestFirst) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  waitForFreshSecond();
  for (const char* name : {"b-job", "A-job", "c-job"}) app.dropJob(name, test::printDataJob());
  app.activateWindow();
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.window().jobList().size() == 3; }, 10s))
      << app.window().jobList().join(",").toStdString();
  EXPECT_EQ(app.window().jobList(), (QStringList{"A-job", "b-job", "c-job"}));
  EXPECT_EQ(AppHarness::filesIn(app.allFilesFolder()), (std::vector<std::string>{"A-job", "b-job", "c-job"}));
  EXPECT_TRUE(AppHarness::filesIn(app.spoolerFolder()).empty());
}

TEST(AppScenarios, StartProcessesEveryJobOnceWithItsLogLine) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  app.click("strt");
  EXPECT_EQ(text(app, "strt"), "Pause");
  EXPECT_TRUE(app.statuses().contains(QString::fromUtf8("IDLING - Waiting for a New Job\xE2\x80\xA6")));
  for (const char* id : {"exit", "file", "rmve"}) EXPECT_FALSE(isEnabled(app, id)) << id;
  EXPECT_TRUE(app.behaviour().workerExists());

  for (const char* name : {"first", "second", "third"}) app.dropJob(name, test::printDataJob());
  ASSERT_TRUE(AppHarness::waitFor([&] { return AppHarness::filesIn(app.finishedFolder()).size() == 3; }))
      << "finished: " << AppHarness::filesIn(app.finishedFolder()).size();
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.printLogLines().size() == 3; }, 10s));

  EXPECT_EQ(AppHarness::filesIn(app.printCentreFolder()).size(), 3u);
  EXPECT_TRUE(AppHarness::filesIn(app.allFilesFolder()).empty());
  EXPECT_TRUE(AppHarness::filesIn(app.unknownFolder()).empty());
  EXPECT_TRUE(app.statuses().contains("Reading Job File"));
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.window().jobList().isEmpty(); }, 10s));
  for (const std::string& line : app.printLogLines()) {
    // date, time, seconds, printer, template, two texts, flag, and the TAB before the CR
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 8) << line;
    EXPECT_NE(line.find("\tTemplate: 8x10 Portrait\t"), std::string::npos) << line;
    EXPECT_NE(line.find("\tFALSE\t"), std::string::npos) << line;
  }
  app.screenshot("main-window-running");
}

// Starting processing turns "keep processed files" on, whatever the settings said; pausing leaves it on.
TEST(AppScenarios, StartingProcessingTurnsKeepingProcessedFilesOn) {
  AppHarness app([](tPrintServerPrefs& prefs) {
    prefs.autoStart = 0;
    prefs.keepJobFiles = 0;
  });
  ASSERT_TRUE(app.start());
  EXPECT_EQ(getMyPrintServerPrefs()->keepJobFiles.value(), 0);
  app.click("strt");
  ASSERT_TRUE(app.behaviour().IsBackgroundPrintingEnabled());
  EXPECT_EQ(getMyPrintServerPrefs()->keepJobFiles.value(), 1);
  app.click("strt");
  EXPECT_EQ(getMyPrintServerPrefs()->keepJobFiles.value(), 1);
}

TEST(AppScenarios, PauseInTheMiddleOfAJobKeepsItAndResumeFinishesItOnce) {
  test::WorkerGate gate;  // before the harness: the worker is gone before the gate is
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  app.click("strt");
  app.dropJob("slow", test::printDataJob(300, 6.0f, 150));
  TPrintJobTaskManager* manager = gPrintJobTaskManager;
  ASSERT_TRUE(gate.waitUntilHeld()) << "the job never reached its drawing steps";

  // The event loop answers while the job draws: every call but one within 100 ms (a loaded test machine may
  // hold any thread back once; a loop that waits for the job's steps misses every time). Each call lets one
  // drawing step go, so the job is still drawing for all twenty of them.
  std::vector<qint64> waits;
  for (int i = 0; i < 20; ++i) {
    gate.letThrough(1);
    QElapsedTimer timer;
    timer.start();
    bool answered = false;
    QTimer::singleShot(0, [&] { answered = true; });
    AppHarness::waitFor([&] { return answered; }, 5s);
    waits.push_back(timer.elapsed());
  }
  std::sort(waits.begin(), waits.end());
  EXPECT_LT(waits[waits.size() - 2], 100) << "the event loop waited " << waits[waits.size() - 2] << " ms";

  // The pause lands while the worker stands before its next drawing step.
  ASSERT_TRUE(gate.waitUntilHeld());
  app.click("strt");
  EXPECT_EQ(text(app, "strt"), "Resume");
  EXPECT_EQ(text(app, "stat"), QString::fromUtf8("PAUSED - Press 'Resume\xE2\x80\xA6' to Start\xE2\x80\xA6"));
  gate.open();
  ASSERT_TRUE(AppHarness::waitFor([&] { return !manager->IsBusyWithTask(); }, 10s));
  EXPECT_EQ(manager->currentTask(), 2u);
  // The worker goes round its loop twice more, paused: the job does not move on.
  ASSERT_TRUE(gate.waitForPasses(2));
  EXPECT_EQ(manager->currentTask(), 2u);
  EXPECT_TRUE(AppHarness::filesIn(app.printCentreFolder()).empty());
  EXPECT_TRUE(AppHarness::waitFor([&] { return isEnabled(app, "exit"); }, 5s));
  app.screenshot("main-window-paused");

  app.click("strt");
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.printLogLines().size() == 1; }));
  EXPECT_EQ(AppHarness::filesIn(app.printCentreFolder()).size(), 1u);
  EXPECT_EQ(AppHarness::filesIn(app.finishedFolder()), (std::vector<std::string>{"slow"}));
}

TEST(AppScenarios, QuitIsRefusedWhileBusyAndExitQuitsWhenPaused) {
  test::WorkerGate gate;
  AppHarness app([](tPrintServerPrefs& prefs) { prefs.autoStart = 0; });
  ASSERT_TRUE(app.start());
  // Both queued before the start: the worker held at the first job's drawing takes no new files in.
  waitForFreshSecond();
  app.dropJob("in-hand", test::printDataJob(3));
  app.dropJob("queued", test::printDataJob());
  app.activateWindow();
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.window().jobList().size() == 2; }, 10s));
  app.click("strt");
  ASSERT_TRUE(gate.waitUntilHeld());

  EXPECT_FALSE(app.app().RequestScriptedQuit());
  const auto messages = app.messages().messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages.back().find("Vorl-Zeverezoz is currently BUSY!"), std::string::npos);
  EXPECT_FALSE(isEnabled(app, "exit"));

  app.click("strt");
  gate.open();
  ASSERT_TRUE(AppHarness::waitFor([&] { return isEnabled(app, "exit") && !gPrintJobTaskManager->IsBusyWithTask(); }));
  bool quit = false;
  QObject::connect(&app.app(), &TBackgroundPrintApp::quitting, [&] { quit = true; });
  app.click("exit");
  ASSERT_TRUE(AppHarness::waitFor([&] { return quit; }, 10s));
  // The job in hand and the queued one are still on disk for the next start.
  EXPECT_EQ(AppHarness::filesIn(app.allFilesFolder()).size(), 2u);
}

TEST(AppScenarios, FailedJobIsParkedAndTheNextJobStillRuns) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  test::JobSpec broken = test::printDataJob();
  broken.signature = 0x1234;
  waitForFreshSecond();
  app.dropJob("a-broken", broken);
  app.dropJob("b-good", test::printDataJob());
  app.dropBytes("c-empty", {});
  app.click("strt");
  ASSERT_TRUE(AppHarness::waitFor([&] { return AppHarness::filesIn(app.finishedFolder()).size() == 1; }));
  ASSERT_TRUE(AppHarness::waitFor([&] { return AppHarness::filesIn(app.unknownFolder()).size() == 2; }));
  EXPECT_EQ(AppHarness::filesIn(app.unknownFolder()), (std::vector<std::string>{"a-broken", "c-empty"}));
  EXPECT_EQ(AppHarness::filesIn(app.finishedFolder()), (std::vector<std::string>{"b-good"}));
  const auto messages = app.messages().messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Invalid Job Version Number!"), messages.end());
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Read File Error!"), messages.end());
}

TEST(AppScenarios, ASecondCopyRefusesToStartSayingWhyOnlyOnItsTerminalAndInTheLog) {
  AppHarness first(autoStartOff);
  ASSERT_TRUE(first.start());
  const auto errorLogSize = [&] {
    std::error_code missing;
    const auto size = fs::file_size(first.home() / "Error Log File", missing);
    return missing ? 0 : size;
  };
  const auto errorLogBefore = errorLogSize();
  TBackgroundPrintApp::Options options;
  options.applicationFolder = first.home();
  std::string terminal;
  {
    test::LogCapture stderrOfTheSecond;
    TBackgroundPrintApp second(options);
    EXPECT_FALSE(second.DoInitialState());
    terminal = stderrOfTheSecond.text();
  }
  const std::string refusal = "Another version of Vorl-Zeverezoz is already running\xE2\x80\xA6";
  EXPECT_NE(terminal.find(refusal), std::string::npos) << terminal;
  std::ifstream log(QZLogFileManager::currentLogFile(), std::ios::binary);
  const std::string logged((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(logged.find(refusal), std::string::npos);
  // The running copy's message list and its file are left alone: nothing is wrong with the running copy.
  EXPECT_TRUE(first.messages().messages().empty());
  EXPECT_EQ(errorLogSize(), errorLogBefore);
  // The first copy goes on: it still answers its start button.
  first.click("strt");
  EXPECT_TRUE(first.behaviour().IsBackgroundPrintingEnabled());
}

TEST(AppScenarios, SpecialStartupKeepsProcessingOff) {
  AppHarness app;  // the settings say: start at launch
  TBackgroundPrintApp::Options options;
  options.specialStartup = true;
  ASSERT_TRUE(app.start(options));
  EXPECT_FALSE(app.behaviour().IsBackgroundPrintingEnabled());
  const auto messages = app.messages().messages();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), "Special Startup\xE2\x80\xA6"), 1);
}

TEST(AppScenarios, AutoStartRunsWithoutAClick) {
  AppHarness app;
  ASSERT_TRUE(app.start());
  EXPECT_TRUE(app.behaviour().IsBackgroundPrintingEnabled());
  app.dropJob("auto", test::printDataJob());
  ASSERT_TRUE(AppHarness::waitFor([&] { return AppHarness::filesIn(app.finishedFolder()).size() == 1; }));
}

TEST(AppScenarios, NoRootFolderKeepsProcessingOffAndTheButtonsUsable) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  fs::remove_all(app.rootFolder());
  app.click("strt");
  EXPECT_FALSE(app.behaviour().IsBackgroundPrintingEnabled());
  const auto messages = app.messages().messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), "Point To A Valid Print Spooler Folder First\xE2\x80\xA6");
  EXPECT_TRUE(isEnabled(app, "exit"));
  EXPECT_FALSE(app.behaviour().workerExists());
}

}  // namespace
}  // namespace vorl

namespace vorl {
namespace {

// The web server hears of its jobs on the session bus: "processed" after a delivery, "failed" after a failure.
TEST(AppScenarios, TheWebServerHearsOfItsProcessedAndFailedJobs) {
  VORL_PRIVATE_SESSION_BUS(bus);
  test::BusMonitor monitor(bus.address(), "type='signal',interface='org.vorl.DistributedNotifications'");
  ASSERT_TRUE(monitor.watching()) << monitor.failure();

  AppHarness app([](tPrintServerPrefs& prefs) { prefs.autoStart = 0; });
  ASSERT_TRUE(app.start());
  const ArchivedValue dictionary = ArchivedValue::dictionary(
      {{"imageurl", ArchivedValue::string("http://studio.local/p/17.jpg")}, {"orderid", ArchivedValue::string("A-17")}});
  test::JobSpec good = test::printDataJob();
  good.dictionaryArchive = test::encodeKeyedArchive(dictionary);
  test::JobSpec undeliverable = good;
  undeliverable.printerType = 25;  // a print-to-file set job naming set 9, which does not exist: the delivery fails
  undeliverable.printerBlock.assign(130, 0);
  undeliverable.printerBlock[1] = 9;
  waitForFreshSecond();
  app.dropJob("a-good", good);
  app.dropJob("b-undeliverable", undeliverable);
  app.click("strt");

  const std::vector<test::MonitoredSignal> seen = test::notificationsSeen(monitor, 2);
  ASSERT_EQ(seen.size(), 2u) << monitor.printout();
  for (const test::MonitoredSignal& signal : seen) {
    ASSERT_EQ(signal.arguments.size(), 3u);
    EXPECT_EQ(signal.arguments[0], "'VorlWebServerNotification'");
  }
  EXPECT_NE(seen[0].arguments[2].find("'status': <'Job processed by Vorl-Zeverezoz'>"), std::string::npos)
      << seen[0].arguments[2];
  EXPECT_NE(seen[1].arguments[2].find("'status': <'Job failed to process'>"), std::string::npos)
      << seen[1].arguments[2];
  ASSERT_TRUE(AppHarness::waitFor([&] { return AppHarness::filesIn(app.unknownFolder()).size() == 1; }, 10s));
  EXPECT_EQ(AppHarness::filesIn(app.finishedFolder()), (std::vector<std::string>{"a-good"}));
}

}  // namespace
}  // namespace vorl
