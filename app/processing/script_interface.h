// The processor's script commands on the D-Bus session bus.
//
// At start-up the processor takes the well-known name "org.vorl.Zeverezoz" and exports the object
// "/org/vorl/Zeverezoz" with the interface "org.vorl.Zeverezoz":
//
//   Quit()  quits in order when nothing is waiting or in hand (or processing is off); while busy the call fails
//           with the error "org.vorl.Zeverezoz.Error.Busy" carrying the operator's busy message, which is shown
//           too. Before processing was set up at start-up the call is ignored (it answers, and nothing happens).
//
//   dbus-send --session --print-reply --dest=org.vorl.Zeverezoz /org/vorl/Zeverezoz org.vorl.Zeverezoz.Quit
//
// A missing bus or a name another program holds is logged; the processor runs without script commands then.
// Calls with arguments, and unknown methods, are answered with the bus's standard errors.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>

namespace vorl {

class TBackgroundPrintApp;

inline constexpr char kScriptServiceName[] = "org.vorl.Zeverezoz";
inline constexpr char kScriptObjectPath[] = "/org/vorl/Zeverezoz";
inline constexpr char kScriptInterfaceName[] = "org.vorl.Zeverezoz";
inline constexpr char kScriptBusyError[] = "org.vorl.Zeverezoz.Error.Busy";

class ScriptInterface final : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.vorl.Zeverezoz")

 public:
  explicit ScriptInterface(TBackgroundPrintApp& app, QObject* parent = nullptr);
  ~ScriptInterface() override;

  // Connects to the session bus named by DBUS_SESSION_BUS_ADDRESS, exports the object and takes the name.
  // False (logged) when any of it failed.
  bool publish();
  bool published() const noexcept { return published_; }

 public slots:
  // Script command 44.
  Q_SCRIPTABLE void Quit();

 private:
  TBackgroundPrintApp& app_;
  QString connectionName_;
  bool connected_ = false;
  bool published_ = false;
};

}  // namespace vorl
