// The menu bar of the main window and the application's own menu commands.
//
// Every command has a QAction whose object name is "cmd" and its number ("cmd1003"). Which actions are enabled
// follows the processing state; it is worked out again whenever processing is switched on or off, a step in
// hand ends, and a menu is about to open. The application object hands the commands it does not handle itself
// (everything but the start, start/pause and quit) to `DoMenuCommand` here.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace vorl {

class MainWindow;
class TPreferencesWindow;
class TBackgroundPrintApp;

inline constexpr long kCommandAbout = 1;
inline constexpr long kCommandNothing = 20;
inline constexpr long kCommandPreferences = 1001;
inline constexpr long kCommandCountWindow = 1007;
inline constexpr long kCommandExportPreferences = 1008;
inline constexpr long kCommandImportPreferences = 1009;

// What the enabling of the commands depends on.
struct ProcessingState {
  bool behaviourExists = false;  // the start command made the processing behaviour
  bool processingOn = false;
  bool stepInHand = false;  // the worker is inside a step (it ends one after a pause)
  bool everSwitchedOn = false;
};

// Whether the menu command is usable in that state. The preferences, count, export and import commands and quit
// need processing off; the folder-emptying commands need it off and no step in hand as well.
bool commandEnabled(long command, const ProcessingState& state) noexcept;
// Why a command is dimmed in that state (its tool tip); empty while it is usable.
QString whyCommandDisabled(long command, const ProcessingState& state);
// The title of the start/pause command: "Pause" while processing is on, "Resume" after it ran, else "Start".
QString startStopTitle(const ProcessingState& state);

// The print-count window; empty until the application installs it, and then the command does nothing.
void setShowPrintCountWindowHook(std::function<void()> hook);

// The records as the user defaults hold them now, with the folders of the print-to-file, print-centre and
// spooler references found again (after an import replaced the stored values). Takes the baton.
void reloadPreferenceRecords();

class MenuCommands final : public QObject {
  Q_OBJECT

 public:
  // Builds the menu bar on the window; the actions send their commands to `app`.
  MenuCommands(TBackgroundPrintApp& app, MainWindow& window);
  ~MenuCommands() override;

  // Enables and names the actions for the state processing is in now.
  void updateCommandStates();
  ProcessingState currentState() const;
  QAction* action(long command) const;
  QMenuBar* menuBar() const noexcept { return menuBar_; }

  // The application's own commands; false for a command that is not one of them.
  bool DoMenuCommand(long command);

 private:
  void addCommand(QMenu* menu, long command, const QString& title);
  void onTriggered(long command);
  void exportPreferences();
  void importPreferences();
  // The preferences window, modal: OK saves what its panels wrote into the records, Cancel reloads them.
  void showPreferencesWindow();

  TBackgroundPrintApp& app_;
  QWidget* parentWindow_ = nullptr;
  TPreferencesWindow* preferencesWindow_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  std::map<long, QAction*> actions_;
  mutable bool everSwitchedOn_ = false;
};

}  // namespace vorl
