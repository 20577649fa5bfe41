#include "app/processing/menu_commands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <iostream>
#include <utility>

#include "app/windows/about_window.h"
#include "app/processing/background_print_app.h"
#include "app/windows/dialogs.h"
#include "app/processing/folder_commands.h"
#include "app/windows/main_window.h"
#include "app/processing/processing_behaviour.h"
#include "foundation/files/aliases.h"
#include "foundation/files/files.h"
#include "foundation/services/messages.h"
#include "jobs/engine/job_task_manager.h"
#include "platform/core/baton.h"
#include "platform/core/clock.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_storage.h"
#include "preferences/preferences_export.h"
#include "preferences/stored_folder_references.h"
#include "preferences/working_folders.h"
#include "app/preferences/folder_chooser.h"
#include "app/preferences/preferences_window.h"

namespace vorl {
namespace {

constexpr std::int16_t kSpoolerAliasId = 4506;

std::function<void()>& countWindowHook() {
  static std::function<void()> hook;
  return hook;
}

QString plistFilter() { return QStringLiteral("Property list (*.plist)"); }

}  // namespace

bool commandEnabled(long command, const ProcessingState& state) noexcept {
  const bool off = !state.processingOn;  // no behaviour counts as off
  switch (command) {
    case kCommandStartStop:
      return true;
    case kCommandQuit:
    case kCommandPreferences:
    case kCommandCountWindow:
    case kCommandExportPreferences:
    case kCommandImportPreferences:
      return off;
    default:
      if (isFolderCommand(command)) return off && !state.stepInHand;
      return true;
  }
}

QString whyCommandDisabled(long command, const ProcessingState& state) {
  if (commandEnabled(command, state)) return {};
  if (state.processingOn) return QObject::tr("Available while processing is paused: choose Pause first.");
  return QObject::tr("Available once the job step in hand has ended.");
}

QString startStopTitle(const ProcessingState& state) {
  if (state.processingOn) return QStringLiteral("Pause");
  return state.everSwitchedOn ? QStringLiteral("Resume") : QStringLiteral("Start");
}

void setShowPrintCountWindowHook(std::function<void()> hook) { countWindowHook() = std::move(hook); }

void reloadPreferenceRecords() {
  BatonHold baton;
  ReadPreferences();
  static_cast<void>(validateIfAliasHandle(getMyProcessedJobsPrefs()->folder));
  static_cast<void>(validateIfAliasHandle(getMyPrintToFilePrefs()->folder));
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  FSSpec root = prefs->rootReference.spec;
  if (validateIfAliasHandle(root, kSpoolerAliasId) == 1) {
    // The stored root may be another machine's: its working folders are found (or made) under it again.
    prefs->rootReference.spec = root;
    prefs->serverRoot.vRefNum = root.vRefNum;
    prefs->serverRoot.dirID = GetFolderDirID(root);
    static_cast<void>(createImageAndJobFolders());
  }
}

MenuCommands::MenuCommands(TBackgroundPrintApp& app, MainWindow& window) : app_(app), parentWindow_(&window) {
  setFolderChooser([](std::int16_t& vRefNum, std::int32_t& dirID, std::int16_t prompt) {
    return myNewChooseFolder(vRefNum, dirID, true, prompt);
  });
  menuBar_ = window.menuBar();
  menuBar_->setObjectName(QStringLiteral("menuBar"));

  QMenu* application = menuBar_->addMenu(QStringLiteral("&Vorl-Zeverezoz"));
  addCommand(application, kCommandAbout, QStringLiteral("About Vorl-Zeverezoz"));
  addCommand(application, kCommandPreferences, QStringLiteral("Preferences\u2026"));
  application->addSeparator();
  addCommand(application, kCommandQuit, QStringLiteral("Quit"));

  QMenu* processing = menuBar_->addMenu(QStringLiteral("&Processing"));
  addCommand(processing, kCommandStartStop, QStringLiteral("Start"));
  addCommand(processing, kCommandCountWindow, QStringLiteral("Print Counts\u2026"));

  QMenu* folders = menuBar_->addMenu(QStringLiteral("F&olders"));
  addCommand(folders, kCommandEmptyAll, QStringLiteral("Empty the Whole Vorl-Processor Folder\u2026"));
  addCommand(folders, kCommandEmptyPrintJobs, QStringLiteral("Empty the Print Jobs Folder\u2026"));
  addCommand(folders, kCommandEmptyUnknownJobs, QStringLiteral("Empty the Unknown Jobs Folder\u2026"));
  addCommand(folders, kCommandEmptyFinishedJobs, QStringLiteral("Empty the Finished Jobs Folder\u2026"));
  addCommand(folders, kCommandEmptyImages, QStringLiteral("Empty the Images Folder\u2026"));
  addCommand(folders, kCommandEmptyGroupPhotos, QStringLiteral("Empty the Group Photo Files Folder\u2026"));

  QMenu* preferences = menuBar_->addMenu(QStringLiteral("P&references"));
  addCommand(preferences, kCommandExportPreferences, QStringLiteral("Save Preferences to File\u2026"));
  addCommand(preferences, kCommandImportPreferences, QStringLiteral("Load Preferences from File\u2026"));

  for (QMenu* menu : {application, processing, folders, preferences}) {
    menu->setToolTipsVisible(true);  // a dimmed command says why
    connect(menu, &QMenu::aboutToShow, this, &MenuCommands::updateCommandStates);
  }
  if (TPrintBGBehavior* behaviour = app_.behaviour())
    connect(behaviour, &TPrintBGBehavior::processingStateChanged, this, &MenuCommands::updateCommandStates);
  updateCommandStates();
}

MenuCommands::~MenuCommands() = default;

void MenuCommands::addCommand(QMenu* menu, long command, const QString& title) {
  QAction* action = menu->addAction(title);
  action->setObjectName(QStringLiteral("cmd%1").arg(command));
  if (command == kCommandQuit) {
    action->setMenuRole(QAction::QuitRole);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));  // the desktop's convention, as Command-Q was
  }
  if (command == kCommandAbout) action->setMenuRole(QAction::AboutRole);
  connect(action, &QAction::triggered, this, [this, command] { onTriggered(command); });
  actions_[command] = action;
}

ProcessingState MenuCommands::currentState() const {
  ProcessingState state;
  TPrintBGBehavior* behaviour = app_.behaviour();
  state.behaviourExists = behaviour != nullptr;
  state.processingOn = behaviour != nullptr && behaviour->IsBackgroundPrintingEnabled();
  state.stepInHand = behaviour != nullptr && gPrintJobTaskManager != nullptr && gPrintJobTaskManager->IsBusyWithTask();
  if (state.processingOn) everSwitchedOn_ = true;
  state.everSwitchedOn = everSwitchedOn_;
  return state;
}

void MenuCommands::updateCommandStates() {
  const ProcessingState state = currentState();
  for (const auto& [command, action] : actions_) {
    action->setEnabled(commandEnabled(command, state));
    action->setToolTip(whyCommandDisabled(command, state));
  }
  actions_.at(kCommandStartStop)->setText(startStopTitle(state));
  if (preferencesWindow_ != nullptr) preferencesWindow_->setProcessingOn(state.processingOn);
}

QAction* MenuCommands::action(long command) const {
  const auto found = actions_.find(command);
  return found == actions_.end() ? nullptr : found->second;
}

void MenuCommands::onTriggered(long command) {
  // The state may have changed since the menu was drawn (a step ended, a script switched processing on).
  if (!commandEnabled(command, currentState())) {
    updateCommandStates();
    return;
  }
  app_.DoMenuCommand(command);
}

bool MenuCommands::DoMenuCommand(long command) {
  switch (command) {
    case kCommandAbout:
      showAboutBox();
      return true;
    case kCommandNothing:
      return true;
    case kCommandPreferences:
      showPreferencesWindow();
      return true;
    case kCommandCountWindow:
      if (countWindowHook()) countWindowHook()();
      return true;
    case kCommandExportPreferences:
      exportPreferences();
      return true;
    case kCommandImportPreferences:
      importPreferences();
      return true;
    default:
      if (!isFolderCommand(command)) return false;
      static_cast<void>(EmptyFolderCommand(command, app_.behaviour(), dialogs()));
      updateCommandStates();
      return true;
  }
}

void MenuCommands::showPreferencesWindow() {
  const StoredFolderReferences references;
  TPreferencesWindow window(parentWindow_);
  preferencesWindow_ = &window;
  window.setProcessingOn(currentState().processingOn);
  const bool ok = window.exec() == QDialog::Accepted;
  preferencesWindow_ = nullptr;
  window.endPanel(ok);
  if (ok) {
    BatonHold baton;
    static_cast<void>(SavePreferences());
  } else {
    // Everything the panels wrote into the records, and the folders chosen, are dropped again.
    static_cast<void>(references.restore());
    reloadPreferenceRecords();
  }
}

void MenuCommands::exportPreferences() {
  const DateTimeRec today = localDateTime(currentClock().now());
  std::optional<std::filesystem::path> chosen = dialogs().chooseFileToSave(
      QStringLiteral("Save Preferences to File..."),
      QStringLiteral("Please Enter the Name of the Preference File to Save..."), preferencesFolderPath(),
      QString::fromStdString(defaultPreferencesFileName(today)), plistFilter());
  if (!chosen) return;
  if (chosen->extension() != ".plist") *chosen += ".plist";
  if (!SaveToNewPreferencesFile(*chosen)) return;
  dialogs().inform(QStringLiteral("Preference File Saved at:"), QString::fromStdString(chosen->string()));
}

void MenuCommands::importPreferences() {
  const std::optional<std::filesystem::path> chosen = dialogs().chooseFileToOpen(
      QStringLiteral("Please Choose the Pref File to LOAD From..."), preferencesFolderPath(), plistFilter());
  if (!chosen || LoadFromNewPreferencesFile2(*chosen, true) != 1) return;
  // The records in memory would otherwise be saved over the imported values at the next save.
  reloadPreferenceRecords();
  if (dialogs().askAfterImport() == kAfterImportQuit) app_.Quit();
}

}  // namespace vorl
