// The menu bar, the folder-emptying commands, the preference export and import and the script commands on the
// session bus, in the whole application with scripted answers to the operator's questions.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QMenu>
#include <QMenuBar>
#include <chrono>
#include <algorithm>
#include <fstream>
#include <functional>

#include "app/processing/folder_commands.h"
#include "app/processing/menu_commands.h"
#include "app/processing/script_interface.h"
#include "jobs/engine/job_task_manager.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_storage.h"
#include "app/preferences/preference_panel.h"
#include "app/preferences/preferences_window.h"
#include "tests/app/app_harness.h"
#include "tests/app/modal_dialogs.h"
#include "tests/app/screenshots.h"
#include "tests/app/scripted_dialogs.h"
#include "tests/app/worker_gate.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/private_session_bus.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;
using test::ScriptedDialogs;
using namespace std::chrono_literals;

void autoStartOff(tPrintServerPrefs& prefs) { prefs.autoStart = 0; }

QAction* action(AppHarness& app, long command) { return app.app().menuCommands()->action(command); }

void touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "x";
}

fs::path imagesFolder(AppHarness& app) { return app.rootFolder() / "IMAGES FOLDER \xC6\x92"; }
fs::path graphicsFolder(AppHarness& app) { return app.rootFolder() / "VORL GRAPHICS FOLDER \xC6\x92"; }

// Two jobs queued in "All Files" while paused.
void queueTwoJobs(AppHarness& app) {
  app.dropJob("job-1", test::printDataJob());
  app.dropJob("job-2", test::printDataJob());
  app.activateWindow();
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.window().jobList().size() == 2; }, 10s));
}

TEST(MenuCommands, MenuFollowsStartAndPause) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  ASSERT_NE(app.app().menuCommands(), nullptr);
  QMenuBar* bar = app.app().menuCommands()->menuBar();
  ASSERT_TRUE(AppHarness::waitFor([&] { return bar->isVisible(); }, 5s));
  EXPECT_GT(bar->height(), 0);
  EXPECT_EQ(action(app, kCommandStartStop)->text(), "Start");
  for (long command : {1001L, 1003L, 1006L, 1008L, 1009L, 1011L, 36L}) EXPECT_TRUE(action(app, command)->isEnabled()) << command;

  action(app, kCommandStartStop)->trigger();
  EXPECT_TRUE(app.behaviour().IsBackgroundPrintingEnabled());
  EXPECT_EQ(action(app, kCommandStartStop)->text(), "Pause");
  for (long command : {1001L, 1003L, 1006L, 1008L, 1009L, 1011L, 36L}) EXPECT_FALSE(action(app, command)->isEnabled()) << command;
  EXPECT_TRUE(action(app, kCommandStartStop)->isEnabled());
  EXPECT_TRUE(action(app, kCommandAbout)->isEnabled());
  app.screenshot("main-window-menu-running");
  // The folder menu as the operator sees it open while processing runs.
  QMenu* folders = action(app, kCommandEmptyAll)->associatedObjects().isEmpty()
                       ? nullptr
                       : qobject_cast<QMenu*>(action(app, kCommandEmptyAll)->associatedObjects().constFirst());
  ASSERT_NE(folders, nullptr);
  folders->popup(app.window().mapToGlobal(QPoint(60, 20)));
  ASSERT_TRUE(AppHarness::waitFor([&] { return folders->isVisible(); }, 5s));
  EXPECT_FALSE(test::saveScreenshot(*folders, "main-window-folder-menu-running").isEmpty());
  folders->hide();

  action(app, kCommandStartStop)->trigger();
  EXPECT_EQ(action(app, kCommandStartStop)->text(), "Resume");
  ASSERT_TRUE(AppHarness::waitFor([&] { return action(app, kCommandEmptyAll)->isEnabled(); }, 10s));
  EXPECT_TRUE(action(app, kCommandQuit)->isEnabled());
}

TEST(MenuCommands, PrintJobsFolderIsEmptiedOnlyAfterOk) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  ScriptedDialogs dialogs;
  queueTwoJobs(app);
  touch(imagesFolder(app) / "photo.jpg");

  dialogs.answerConfirmation(false);
  emit app.window().folderCommandChosen(kCommandEmptyPrintJobs);
  EXPECT_EQ(AppHarness::filesIn(app.allFilesFolder()).size(), 2u);
  EXPECT_EQ(app.window().jobList().size(), 2);

  dialogs.answerConfirmation(true);
  emit app.window().folderCommandChosen(kCommandEmptyPrintJobs);
  EXPECT_TRUE(AppHarness::filesIn(app.allFilesFolder()).empty());
  EXPECT_TRUE(fs::is_directory(app.allFilesFolder()));
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.window().jobList().isEmpty(); }, 5s));
  EXPECT_EQ(AppHarness::filesIn(imagesFolder(app)), std::vector<std::string>{"photo.jpg"});

  ASSERT_EQ(dialogs.confirmations().size(), 2u);
  EXPECT_EQ(dialogs.confirmations()[0].label, "PRINT JOBS FOLDER");
  EXPECT_TRUE(dialogs.confirmations()[0].folders.contains(QString::fromStdString(app.allFilesFolder().string())));
}

TEST(MenuCommands, WholeTreeNamesEveryFolderItEmpties) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  ScriptedDialogs dialogs;
  queueTwoJobs(app);
  for (const fs::path& file :
       {imagesFolder(app) / "a.jpg", app.unknownFolder() / "b", app.finishedFolder() / "c",
        graphicsFolder(app) / "OVERLAYS" / "frame.png", graphicsFolder(app) / "OVERLAYS" / "old" / "frame2.png",
        graphicsFolder(app) / "GROUP PHOTO FILES" / "group.png"})
    touch(file);
  touch(graphicsFolder(app) / "kept-in-the-graphics-folder.txt");
  touch(app.rootFolder() / "DATABASE FOLDER \xC6\x92" / "names.txt");

  dialogs.answerConfirmation(true);
  app.click("file");

  ASSERT_EQ(dialogs.confirmations().size(), 1u);
  const auto& asked = dialogs.confirmations().front();
  EXPECT_EQ(asked.label, "VORL-PROCESSOR FOLDER");
  for (const fs::path& folder : {imagesFolder(app), app.unknownFolder(), app.finishedFolder(), app.spoolerFolder(),
                                 app.allFilesFolder(), graphicsFolder(app) / "OVERLAYS",
                                 graphicsFolder(app) / "GROUP PHOTO FILES"}) {
    const QString path = QString::fromStdString(folder.string());
    EXPECT_TRUE(std::any_of(asked.folders.begin(), asked.folders.end(),
                            [&](const QString& shown) { return shown.startsWith(path); }))
        << folder << " not named in: " << asked.folders.join(" | ").toStdString();
  }
  for (const fs::path& folder : {imagesFolder(app), app.unknownFolder(), app.finishedFolder(), app.allFilesFolder(),
                                 graphicsFolder(app) / "OVERLAYS", graphicsFolder(app) / "OVERLAYS" / "old",
                                 graphicsFolder(app) / "GROUP PHOTO FILES"}) {
    EXPECT_TRUE(fs::is_directory(folder)) << folder;
    EXPECT_TRUE(AppHarness::filesIn(folder).empty()) << folder;
  }
  EXPECT_EQ(AppHarness::filesIn(graphicsFolder(app)), std::vector<std::string>{"kept-in-the-graphics-folder.txt"});
  EXPECT_EQ(AppHarness::filesIn(app.rootFolder() / "DATABASE FOLDER \xC6\x92"), std::vector<std::string>{"names.txt"});
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.window().jobList().isEmpty(); }, 5s));
}

TEST(MenuCommands, GroupPhotoFolderIsFoundWhateverItsLetterCase) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  ScriptedDialogs dialogs;
  touch(graphicsFolder(app) / "Group Photo Files" / "group.png");
  touch(graphicsFolder(app) / "OVERLAYS" / "frame.png");
  dialogs.answerConfirmation(true);
  action(app, kCommandEmptyGroupPhotos)->trigger();
  ASSERT_EQ(dialogs.confirmations().size(), 1u);
  EXPECT_EQ(dialogs.confirmations().front().label, "GROUP PHOTO FILES FOLDER");
  EXPECT_TRUE(AppHarness::filesIn(graphicsFolder(app) / "Group Photo Files").empty());
  EXPECT_EQ(AppHarness::filesIn(graphicsFolder(app) / "OVERLAYS"), std::vector<std::string>{"frame.png"});
}

TEST(MenuCommands, FolderCommandsAskNothingAndDeleteNothingWhileProcessing) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  ScriptedDialogs dialogs;  // no answers: any question fails the test
  touch(app.unknownFolder() / "kept");
  app.click("strt");
  ASSERT_TRUE(app.behaviour().IsBackgroundPrintingEnabled());
  for (long command : {1003L, 1004L, 1005L, 1006L, 1010L, 1011L}) {
    SCOPED_TRACE(command);
    EXPECT_EQ(EmptyFolderCommand(command, &app.behaviour(), dialogs), FolderCommandResult::kBusy);
    emit app.window().folderCommandChosen(static_cast<int>(command));
    action(app, command)->trigger();
  }
  emit app.window().emptyFoldersClicked();
  EXPECT_TRUE(dialogs.confirmations().empty());
  EXPECT_EQ(AppHarness::filesIn(app.unknownFolder()), std::vector<std::string>{"kept"});
}

TEST(MenuCommands, NoRootFolderIsReportedBeforeAnyQuestion) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  ScriptedDialogs dialogs;
  fs::remove_all(app.rootFolder());
  for (long command : {1003L, 1004L, 1005L, 1006L, 1010L}) {
    SCOPED_TRACE(command);
    app.app().DoMenuCommand(command);
    const auto messages = app.messages().messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "Point to valid Printserver folder first");
  }
  EXPECT_TRUE(dialogs.confirmations().empty());
}

TEST(MenuCommands, ImportReloadsTheRecordsAndItsQuitEndsInOrder) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  ScriptedDialogs dialogs;
  const fs::path exported = app.home() / "exported";
  dialogs.answerFile(exported);
  action(app, kCommandExportPreferences)->trigger();
  const fs::path file = app.home() / "exported.plist";
  ASSERT_TRUE(fs::is_regular_file(file));
  ASSERT_EQ(dialogs.informed().size(), 1);
  EXPECT_TRUE(dialogs.informed().front().contains(QString::fromStdString(file.string())));

  // The setting changes after the export and is saved; the import brings the exported value back.
  getMyPrintServerPrefs()->autoStart = 1;
  ASSERT_TRUE(myNewSavePreferences());
  dialogs.answerFile(file);
  dialogs.answerAfterImport(kAfterImportGoOn);
  action(app, kCommandImportPreferences)->trigger();
  EXPECT_EQ(getMyPrintServerPrefs()->autoStart, 0);
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  EXPECT_TRUE(fs::equivalent(FSFolderPath(prefs->printJobsFolder.vRefNum, prefs->printJobsFolder.dirID).value(),
                             app.spoolerFolder()));

  // A later save keeps the imported value.
  ASSERT_TRUE(myNewSavePreferences());
  ASSERT_TRUE(ReadPreferences());
  EXPECT_EQ(getMyPrintServerPrefs()->autoStart, 0);

  bool quit = false;
  QObject::connect(&app.app(), &TBackgroundPrintApp::quitting, [&] { quit = true; });
  dialogs.answerFile(file);
  dialogs.answerAfterImport(kAfterImportQuit);
  action(app, kCommandImportPreferences)->trigger();
  EXPECT_TRUE(quit);
  EXPECT_FALSE(app.behaviour().workerExists());
}

// A quit in an earlier test of this process leaves Qt's quit mark set, which ends every modal loop at once; one
// short turn of the main loop clears it.
void clearQuitMark() {
  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

TEST(MenuCommands, AboutButtonAndMenuPoseTheAboutWindow) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  clearQuitMark();
  for (const bool fromMenu : {false, true}) {
    SCOPED_TRACE(fromMenu ? "menu" : "button");
    QString seen;
    test::answerDialog([](QWidget*) { return true; },
                       [&seen](QWidget* modal) {
                         seen = modal->objectName();
                         modal->close();
                       });
    if (fromMenu) {
      action(app, kCommandAbout)->trigger();
    } else {
      app.click("bout");
    }
    EXPECT_EQ(seen, "about");
  }
}

TEST(MenuCommands, CancelledFileQuestionsChangeNothing) {
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  ScriptedDialogs dialogs;
  dialogs.answerFile(std::nullopt);
  action(app, kCommandExportPreferences)->trigger();
  dialogs.answerFile(std::nullopt);
  action(app, kCommandImportPreferences)->trigger();
  EXPECT_TRUE(dialogs.informed().isEmpty());
}

// A client of the private bus, on a connection of its own.
class BusClient {
 public:
  explicit BusClient(const std::string& address)
      : name_(QStringLiteral("menu-test-client-%1").arg(++count_)),
        connection_(QDBusConnection::connectToBus(QString::fromStdString(address), name_)) {}
  ~BusClient() { QDBusConnection::disconnectFromBus(name_); }

  // Calls the method with the arguments, keeping the event loop going until the answer is in.
  QDBusMessage call(const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(kScriptServiceName),
                                                          QString::fromLatin1(kScriptObjectPath),
                                                          QString::fromLatin1(kScriptInterfaceName), method);
    message.setArguments(arguments);
    QDBusPendingCall pending = connection_.asyncCall(message, 20000);
    if (!AppHarness::waitFor([&] { return pending.isFinished(); }, 30s)) return {};
    return pending.reply();
  }

 private:
  static inline int count_ = 0;
  QString name_;
  QDBusConnection connection_;
};

TEST(ScriptCommands, QuitIsRefusedWhileBusyAndQuitsWhenPaused) {
  VORL_PRIVATE_SESSION_BUS(bus);
  test::WorkerGate gate;  // before the harness: the worker is gone before the gate is
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  ASSERT_TRUE(app.app().scriptInterface()->published());
  BusClient client(bus.address());
  bool quit = false;
  QObject::connect(&app.app(), &TBackgroundPrintApp::quitting, [&] { quit = true; });

  app.click("strt");
  app.dropJob("in-hand", test::printDataJob(3));
  ASSERT_TRUE(gate.waitUntilHeld());
  const QDBusMessage refused = client.call(QStringLiteral("Quit"));
  EXPECT_EQ(refused.type(), QDBusMessage::ErrorMessage);
  EXPECT_EQ(refused.errorName(), kScriptBusyError);
  EXPECT_TRUE(refused.errorMessage().contains("BUSY")) << refused.errorMessage().toStdString();
  EXPECT_FALSE(quit);

  app.click("strt");
  gate.open();
  ASSERT_TRUE(AppHarness::waitFor([&] { return !gPrintJobTaskManager->IsBusyWithTask(); }, 10s));
  // Paused with the job still in hand: not busy, so the scripted quit goes through.
  const QDBusMessage accepted = client.call(QStringLiteral("Quit"));
  EXPECT_EQ(accepted.type(), QDBusMessage::ReplyMessage) << accepted.errorMessage().toStdString();
  EXPECT_TRUE(AppHarness::waitFor([&] { return quit; }, 10s));
  EXPECT_EQ(AppHarness::filesIn(app.allFilesFolder()), std::vector<std::string>{"in-hand"});
}

TEST(ScriptCommands, MalformedCallsGetErrorsAndTheProcessorGoesOn) {
  VORL_PRIVATE_SESSION_BUS(bus);
  AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  BusClient client(bus.address());
  bool quit = false;
  QObject::connect(&app.app(), &TBackgroundPrintApp::quitting, [&] { quit = true; });

  const struct {
    const char* method;
    QVariantList arguments;
  } malformed[] = {
      {"Quit", {QStringLiteral("now")}},
      {"Quit", {42, QByteArray(40000, 'x')}},
      {"Start", {}},
      {"", {}},
  };
  for (const auto& m : malformed) {
    SCOPED_TRACE(m.method);
    const QDBusMessage reply = client.call(QString::fromLatin1(m.method), m.arguments);
    EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
  }
  EXPECT_FALSE(quit);
  EXPECT_EQ(client.call(QStringLiteral("Quit")).type(), QDBusMessage::ReplyMessage);
  EXPECT_TRUE(AppHarness::waitFor([&] { return quit; }, 10s));
}

TEST(ScriptCommands, QuitBeforeTheStartIsIgnoredAndASecondNameHolderIsRefused) {
  VORL_PRIVATE_SESSION_BUS(bus);
  const fs::path home = test::makeTempFolder("script-home");
  TBackgroundPrintApp::Options options;
  options.applicationFolder = home;
  TBackgroundPrintApp app(options);  // the start command has not run: no processing behaviour
  bool quit = false;
  QObject::connect(&app, &TBackgroundPrintApp::quitting, [&] { quit = true; });
  ScriptInterface first(app);
  ASSERT_TRUE(first.publish());
  ScriptInterface second(app);
  EXPECT_FALSE(second.publish());

  BusClient client(bus.address());
  EXPECT_EQ(client.call(QStringLiteral("Quit")).type(), QDBusMessage::ReplyMessage);
  QCoreApplication::processEvents();
  EXPECT_FALSE(quit);
}

}  // namespace
}  // namespace vorl

namespace vorl {
namespace {

// Runs `drive` on the preferences window once the menu command has opened it.
bool drivePreferencesWindow(test::AppHarness& app, const std::function<void(TPreferencesWindow&)>& drive) {
  bool drove = false;
  test::answerDialog([](QWidget* modal) { return qobject_cast<TPreferencesWindow*>(modal) != nullptr; },
                     [&drove, drive](QWidget* modal) {
                       drove = true;
                       drive(*qobject_cast<TPreferencesWindow*>(modal));
                     });
  app.app().menuCommands()->action(kCommandPreferences)->trigger();
  return drove;
}

void typePrefixOfSet3(TPreferencesWindow& window, const QString& prefix) {
  window.selectCategory(kPrintToFileSetsCategory);
  TPreferencesView* panel = window.currentPanel();
  panel->findChild<QComboBox*>(QStringLiteral("path"))->setCurrentIndex(2);
  panel->findChild<QLineEdit*>(QStringLiteral("bsnm"))->setText(prefix);
}

TEST(MenuCommands, PreferencesWindowOkIsFoundAfterARestartAndCancelDropsChanges) {
  test::AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  EXPECT_TRUE(drivePreferencesWindow(app, [](TPreferencesWindow& window) {
    typePrefixOfSet3(window, QStringLiteral("Abschluss 2026"));
    test::saveScreenshot(window, QStringLiteral("preferences-window-set-3"));
    window.accept();
  }));
  ASSERT_TRUE(app.restart());
  EXPECT_EQ(getMyPrintToFileSetPrefs(3)->fileNamePrefix.macRoman(), "Abschluss 2026");

  EXPECT_TRUE(drivePreferencesWindow(app, [](TPreferencesWindow& window) {
    typePrefixOfSet3(window, QStringLiteral("Verworfen"));
    window.selectCategory(kOutputFilesCategory);  // set 3 reaches its record on the way
    window.reject();
  }));
  EXPECT_EQ(getMyPrintToFileSetPrefs(3)->fileNamePrefix.macRoman(), "Abschluss 2026");
  ASSERT_TRUE(app.restart());
  EXPECT_EQ(getMyPrintToFileSetPrefs(3)->fileNamePrefix.macRoman(), "Abschluss 2026");
}

}  // namespace
}  // namespace vorl

namespace vorl {
namespace {

fs::path spoolerOfTheRecords() {
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  return FSFolderPath(prefs->printJobsFolder.vRefNum, prefs->printJobsFolder.dirID).value_or(fs::path());
}

TEST(MenuCommands, ARootChosenInThePreferencesIsTheSpoolerThroughARenameAndRestartsUnlessCancelled) {
  test::AppHarness app(autoStartOff);
  ASSERT_TRUE(app.start());
  const fs::path firstSpooler = spoolerOfTheRecords();
  const fs::path root = app.home() / "Studio Root";
  fs::create_directory(root);
  ScriptedDialogs answers;

  // Chosen, then cancelled: the spooler stays where it was, now and after a restart.
  answers.answerFile(root);
  EXPECT_TRUE(drivePreferencesWindow(app, [](TPreferencesWindow& window) {
    window.selectCategory(kGeneralSettingsCategory);
    window.currentPanel()->findChild<QAbstractButton*>(QStringLiteral("chps"))->click();
    window.reject();
  }));
  EXPECT_EQ(spoolerOfTheRecords(), firstSpooler);
  ASSERT_TRUE(app.restart());
  EXPECT_EQ(spoolerOfTheRecords(), firstSpooler);

  answers.answerFile(root);
  EXPECT_TRUE(drivePreferencesWindow(app, [](TPreferencesWindow& window) {
    window.selectCategory(kGeneralSettingsCategory);
    window.currentPanel()->findChild<QAbstractButton*>(QStringLiteral("chps"))->click();
    window.accept();
  }));
  EXPECT_TRUE(fs::is_directory(root / "PRINT JOBS FOLDER \xC6\x92"));
  ASSERT_TRUE(app.restart());
  EXPECT_EQ(spoolerOfTheRecords(), root / "PRINT JOBS FOLDER \xC6\x92");

  const fs::path renamed = app.home() / "Studio Root (2027)";
  fs::rename(root, renamed);
  ASSERT_TRUE(app.restart());
  EXPECT_EQ(spoolerOfTheRecords(), renamed / "PRINT JOBS FOLDER \xC6\x92");
}

}  // namespace
}  // namespace vorl
