// What the operator is told and can do from the keyboard, in the whole application: the refused close box, the
// quit key, dimmed commands that say why, the printer's road in the main window, and the main window while a job
// runs and when it is enlarged.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <chrono>

#include "app/processing/folder_commands.h"
#include "app/processing/menu_commands.h"
#include "app/windows/preview_pane.h"
#include "jobs/engine/job_task_manager.h"
#include "preferences/preference_globals.h"
#include "tests/app/app_harness.h"
#include "tests/app/sample_text.h"

namespace vorl {
namespace {

using test::AppHarness;
using namespace std::chrono_literals;

void autoStartOff(tPrintServerPrefs& prefs) { prefs.autoStart = 0; }

QAction* action(AppHarness& app, long command) { return app.app().menuCommands()->action(command); }

TEST(OperatorFeedback, TheCloseBoxWhileProcessingSaysToPauseFirst) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  app.click("strt");
  bool quit = false;
  QObject::connect(&app.app(), &TBackgroundPrintApp::quitting, [&] { quit = true; });

  app.window().close();
  QMessageBox* notice = nullptr;
  ASSERT_TRUE(AppHarness::waitFor([&] { return (notice = app.find<QMessageBox>("clsn")) && notice->isVisible(); }, 5s));
  EXPECT_TRUE((notice->text() + notice->informativeText()).contains("Pause"));
  EXPECT_TRUE(app.window().isVisible());
  EXPECT_FALSE(quit);
  // A second try raises the same notice instead of piling up another.
  app.window().close();
  QApplication::processEvents();
  EXPECT_EQ(app.window().findChildren<QMessageBox*>("clsn").size(), 1);
  notice->close();

  app.click("strt");
  ASSERT_TRUE(AppHarness::waitFor([&] { return !gPrintJobTaskManager->IsBusyWithTask(); }, 10s));
  app.window().close();
  EXPECT_TRUE(AppHarness::waitFor([&] { return quit; }, 10s));
}

TEST(OperatorFeedback, ControlQQuitsOnlyWhenQuitIsUsable) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  bool quit = false;
  QObject::connect(&app.app(), &TBackgroundPrintApp::quitting, [&] { quit = true; });
  EXPECT_EQ(action(app, kCommandQuit)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

  app.click("strt");
  EXPECT_FALSE(action(app, kCommandQuit)->isEnabled());
  app.activateWindow();
  QTest::keyClick(&app.window(), Qt::Key_Q, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_FALSE(quit) << "Ctrl+Q quit while processing was on";

  app.click("strt");
  ASSERT_TRUE(AppHarness::waitFor([&] { return action(app, kCommandQuit)->isEnabled(); }, 10s));
  app.activateWindow();
  QTest::keyClick(&app.window(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_TRUE(AppHarness::waitFor([&] { return quit; }, 10s));
}

TEST(OperatorFeedback, DimmedCommandsAndButtonsSayWhy) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  const long commands[] = {kCommandQuit, kCommandPreferences, kCommandCountWindow, kCommandExportPreferences,
                           kCommandImportPreferences, kCommandEmptyAll, kCommandEmptyPrintJobs};
  const char* buttons[] = {"exit", "file", "rmve", "pop1"};
  for (const long command : commands) EXPECT_FALSE(action(app, command)->toolTip().contains("Pause")) << command;

  app.click("strt");
  for (const long command : commands) {
    SCOPED_TRACE(command);
    EXPECT_FALSE(action(app, command)->isEnabled());
    EXPECT_TRUE(action(app, command)->toolTip().contains("Pause")) << action(app, command)->toolTip().toStdString();
  }
  for (const char* id : buttons) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(app.find<QWidget>(id)->isEnabled());
    EXPECT_TRUE(app.find<QWidget>(id)->toolTip().contains("Pause"));
  }

  app.click("strt");
  ASSERT_TRUE(AppHarness::waitFor([&] { return action(app, kCommandEmptyAll)->isEnabled(); }, 10s));
  for (const long command : commands) EXPECT_FALSE(action(app, command)->toolTip().contains("Pause")) << command;
  for (const char* id : buttons) EXPECT_TRUE(app.find<QWidget>(id)->toolTip().isEmpty()) << id;
}

// The printer's road in the window while a job runs, and the window enlarged with the job's page, where the
// page and the messages take the new room.
TEST(OperatorFeedback, TheMainWindowWhileAJobRunsAndEnlarged) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  app.window().resize(app.window().minimumSizeHint());
  QApplication::processEvents();
  auto* page = app.find<PreviewPane>("imag");
  auto* messages = app.find<QListWidget>("errs");
  const QSize pageBefore = page->size();
  const int messagesBefore = messages->height();

  test::JobSpec job = test::printDataJob(20, 4.0f, 100);
  job.pageRecords.push_back(test::textRecord(test::blackTextAcross(job, "Class of 2026")));
  // The window is looked at while it shows the job: at the first status the worker sends once the printer is
  // known, whatever the speed of the machine.
  QString printerWhileRunning;
  QObject watching;  // ends the connection before the variables it writes
  QObject::connect(&app.behaviour(), &TPrintBGBehavior::statusChanged, &watching, [&] {
    if (!printerWhileRunning.isEmpty() || app.window().printerName().isEmpty()) return;
    printerWhileRunning = app.window().printerName();
    app.screenshot("main-window-job-running");
  });
  app.dropJob("class-photo", job);
  app.click("strt");
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.printLogLines().size() == 1; }));
  EXPECT_EQ(printerWhileRunning, "Print-data file for the print centre (type 34)");

  app.window().resize(app.window().size() + QSize(500, 400));
  QApplication::processEvents();
  EXPECT_GT(page->width(), pageBefore.width() + 300);
  EXPECT_GT(page->height(), pageBefore.height() + 100);
  EXPECT_GT(messages->height(), messagesBefore + 50);
  app.screenshot("main-window-enlarged");
}

}  // namespace
}  // namespace vorl
