#include "app/processing/background_print_app.h"

#include <QGuiApplication>
#include <QTimer>
#include <chrono>
#include <iostream>

#include "app/windows/about_window.h"
#include "app/processing/folder_commands.h"
#include "app/windows/main_window.h"
#include "app/processing/menu_commands.h"
#include "app/processing/notification_center.h"
#include "app/processing/sibling_apps.h"
#include "app/processing/processing_behaviour.h"
#include "app/windows/print_count_window.h"
#include "app/windows/progress_indicator.h"
#include "app/processing/script_interface.h"
#include "app/processing/start_up_folders.h"
#include "foundation/files/default_folders.h"
#include "foundation/services/log_file.h"
#include "foundation/services/messages.h"
#include "foundation/services/os_services.h"
#include "imaging/image_files/image_import_export.h"
#include "jobs/counts/print_count_store.h"
#include "platform/files/xdg_folders.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_hooks.h"
#include "preferences/preference_storage.h"

namespace vorl {
namespace {

TBackgroundPrintApp* gApplication = nullptr;

constexpr char kAlreadyRunning[] = "Another version of Vorl-Zeverezoz is already running\xE2\x80\xA6";
constexpr char kSpecialStartup[] = "Special Startup\xE2\x80\xA6";
constexpr std::int16_t kStartUpProgressWindow = 9002;

}  // namespace

TBackgroundPrintApp* application() noexcept { return gApplication; }

TBackgroundPrintApp::TBackgroundPrintApp(Options options, QObject* parent)
    : QObject(parent),
      fApplicationFolder(options.applicationFolder.empty() ? homeFolder() : options.applicationFolder),
      fSpecialStartup(false) {
  fSpecialStartupAsked = options.specialStartup;
  gApplication = this;
}

TBackgroundPrintApp::~TBackgroundPrintApp() {
  fScriptInterface.reset();
  setShowPrintCountWindowHook({});
  fMenuCommands.reset();
  if (fBehaviour) fBehaviour->ShutdownWorker();
  fBehaviour.reset();
  gProgressIndicator = nullptr;
  fProgressIndicator.reset();
  // The relaunch entry is for a program that did not quit cleanly; it goes whatever the setting says now.
  if (fLock.held()) unloadLaunchAgentPlist();
  gApplication = nullptr;
  flushSystemLog();  // a summary of repeated lines still held back
}

bool TBackgroundPrintApp::DoInitialState() {
  // A refused copy tells the terminal it was started from, before standard error goes into the per-day log, and
  // leaves the running copy's message list alone: nothing is wrong with that copy.
  const bool onlyCopy = fLock.acquire();
  if (!onlyCopy) std::cerr << kAlreadyRunning << std::endl;
  QZLogFileManager::setupLogFile();
  QZLogFileManager::deleteLogsForDaysOld(7.0);
  if (!onlyCopy) {
    systemLog(kAlreadyRunning);
    return false;
  }
  IBackgroundPrintApp();
  // Script commands only for the copy that runs; a bus that is missing is no reason to stop.
  fScriptInterface = std::make_unique<ScriptInterface>(*this);
  static_cast<void>(fScriptInterface->publish());
  return true;
}

void TBackgroundPrintApp::IBackgroundPrintApp() {
  // This copy holds the single-instance lock: a temporary file older than this moment is no one's any more.
  const auto start = std::chrono::system_clock::now();
  ReadPreferences();
  installPreferenceHooks();
  installPrintCountStore();
  setStartUpStatusHook([](void* startUpWindow, const Str255& text) {
    MyStartUpSplashWindowUpdateStatus(static_cast<QWidget*>(startUpWindow), text);
  });

  setApplicationFolder(fApplicationFolder);
  setUpSpoolerRoot();
  try {
    setUpOutputFolders();
  } catch (const std::exception& error) {
    std::cerr << "IBackgroundPrintApp: " << error.what() << '\n';
    DisplayNormalMessage("An error occured mounting the web upload server");
  }
  myNewSavePreferences();
  CheckForSpecialStartup();
  setUpPreferencesFolder();
  removeLeftoversOfEarlierRuns(start);
  // The start runs once the event loop is going.
  QTimer::singleShot(0, this, [this] { DoMenuCommand(kCommandStart); });
  setupNotificationCenter();
  if (systemVersionIsGreaterOrEqualThen10()) loadLaunchAgentPlist();
}

bool TBackgroundPrintApp::CheckForSpecialStartup() {
  if (fSpecialStartup) return true;
  const bool shiftDown = (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier) != 0;
  if (fSpecialStartupAsked || shiftDown) {
    DisplayNormalMessage(kSpecialStartup);
    fSpecialStartup = true;
    return true;
  }
  return false;
}

void TBackgroundPrintApp::DoMenuCommand(long command) {
  switch (command) {
    case kCommandStart:
      startProcessing();
      break;
    case kCommandStartStop:
      if (fBehaviour) fBehaviour->EnableBackgroundPrinting(!fBehaviour->IsBackgroundPrintingEnabled());
      break;
    case kCommandQuit:
      if (fBehaviour) fBehaviour->EnableBackgroundPrinting(false);
      Quit();
      break;
    default:
      if (fMenuCommands) fMenuCommands->DoMenuCommand(command);
      break;
  }
}

void TBackgroundPrintApp::startProcessing() {
  if (fBehaviour) return;
  fBehaviour = std::make_unique<TPrintBGBehavior>(fApplicationFolder);
  fBehaviour->IPrintBGBehavior();
  connect(fBehaviour.get(), &TPrintBGBehavior::quitRequested, this, [this] { DoMenuCommand(kCommandQuit); });
  MainWindow* window = fBehaviour->window();
  connect(window, &MainWindow::emptyFoldersClicked, this, [this] { DoMenuCommand(kCommandEmptyAll); });
  connect(window, &MainWindow::folderCommandChosen, this, [this](int command) { DoMenuCommand(command); });
  connect(window, &MainWindow::aboutClicked, this, [this] { DoMenuCommand(kCommandAbout); });
  connect(window, &MainWindow::frontEndClicked, this,
          [] { static_cast<void>(MyBringApplicationToFront(kFrontEndDesktopId)); });
  fMenuCommands = std::make_unique<MenuCommands>(*this, *window);
  setShowPrintCountWindowHook([window] { showPrintCountWindow(window); });
  const bool autoStart = getMyPrintServerPrefs()->autoStart != 0;
  fBehaviour->EnableBackgroundPrinting(autoStart && !fSpecialStartup);

  fProgressIndicator = std::make_unique<TMyProgressIndicator>();
  gProgressIndicator = fProgressIndicator.get();
  gProgressIndicator->IProgressIndicator(kStartUpProgressWindow);
  gProgressIndicator->SetBehaviour(fBehaviour.get());
  CheckIfQuickTimeInstalled();
  emit started();
}

bool TBackgroundPrintApp::RequestScriptedQuit() {
  if (!fBehaviour) return false;  // before the start command nothing answers
  if (fBehaviour->IsBusyForQuit()) {
    DisplayNormalMessage(kBusyQuitMessage);
    return false;
  }
  Quit();
  return true;
}

void TBackgroundPrintApp::Quit() {
  if (fQuitting) return;
  fQuitting = true;
  if (fBehaviour) fBehaviour->ShutdownWorker();
  emit quitting();
  // Not quit(): that first asks every window to close, and the main window refuses the close box's close.
  QCoreApplication::exit(0);
}

}  // namespace vorl
