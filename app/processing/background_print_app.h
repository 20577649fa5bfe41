// app/processing/: the running application: start-up and quitting (this unit), one copy per user, the folder tree,
// the processing behaviour that joins the window to the job engine, the operator messages, the print and error logs,
// the menu and folder commands, script commands, and the sibling programs and their notifications.
//
// The application object: start-up, the deferred start of processing, and quitting.
//
// Start-up refuses a second running copy, sets up the per-day log, reads the preferences, finds or makes every
// working folder and saves what changed, then posts the start command (1101), which runs once the event loop
// is going: it makes the processing behaviour with its main window and switches processing on when the
// preferences say so and the operator did not ask for a special start-up.
#pragma once

#include <QObject>
#include <filesystem>
#include <memory>

#include "app/processing/single_instance.h"

namespace vorl {

class MenuCommands;
class ScriptInterface;
class TPrintBGBehavior;
class TMyProgressIndicator;

// Command numbers the application acts on.
inline constexpr long kCommandQuit = 36;
inline constexpr long kCommandStartStop = 1002;
inline constexpr long kCommandStart = 1101;

// Why a scripted quit is refused.
inline constexpr char kBusyQuitMessage[] =
    "Vorl-Zeverezoz is currently BUSY!\r\rIf you want to Quit - Press the Pause Button First and Press the Exit "
    "Button.";

class TBackgroundPrintApp final : public QObject {
  Q_OBJECT

 public:
  struct Options {
    bool specialStartup = false;  // as if Shift was held at start-up
    std::filesystem::path applicationFolder;  // empty: the user's home folder
  };

  explicit TBackgroundPrintApp(Options options, QObject* parent = nullptr);
  ~TBackgroundPrintApp() override;

  // Everything before the event loop; false when the program must end at once (another copy runs).
  bool DoInitialState();
  void DoMenuCommand(long command);
  bool CheckForSpecialStartup();
  // The scripted quit: refused (with the operator message) while a job is waiting or in hand and processing is
  // on; answers whether the program quits.
  bool RequestScriptedQuit();
  // Ends the program in order: processing off, the step in hand finished, the worker stopped.
  void Quit();

  TPrintBGBehavior* behaviour() const noexcept { return fBehaviour.get(); }
  // The main window's menu bar and the commands behind it; null before the start command.
  MenuCommands* menuCommands() const noexcept { return fMenuCommands.get(); }
  ScriptInterface* scriptInterface() const noexcept { return fScriptInterface.get(); }
  const std::filesystem::path& applicationFolder() const noexcept { return fApplicationFolder; }

 signals:
  // The start command made the processing behaviour and its main window.
  void started();
  void quitting();

 private:
  void IBackgroundPrintApp();
  void startProcessing();

  std::filesystem::path fApplicationFolder;
  bool fSpecialStartup = false;
  bool fSpecialStartupAsked = false;  // the command line or environment asked for it
  bool fQuitting = false;
  SingleInstanceLock fLock;
  std::unique_ptr<TPrintBGBehavior> fBehaviour;
  std::unique_ptr<TMyProgressIndicator> fProgressIndicator;
  std::unique_ptr<MenuCommands> fMenuCommands;
  std::unique_ptr<ScriptInterface> fScriptInterface;
};

// The running application object; null before it was made.
TBackgroundPrintApp* application() noexcept;

}  // namespace vorl
