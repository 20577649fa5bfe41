#include "app/processing/script_interface.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <iostream>

#include "app/processing/background_print_app.h"
#include "app/processing/processing_behaviour.h"
#include "foundation/services/messages.h"

namespace vorl {
namespace {

std::atomic<int> gConnectionCount{0};

}  // namespace

ScriptInterface::ScriptInterface(TBackgroundPrintApp& app, QObject* parent)
    : QObject(parent),
      app_(app),
      connectionName_(QStringLiteral("vorl-script-commands-%1").arg(gConnectionCount.fetch_add(1))) {}

ScriptInterface::~ScriptInterface() {
  if (!connected_) return;
  QDBusConnection connection(connectionName_);
  if (published_) {
    connection.unregisterObject(QString::fromLatin1(kScriptObjectPath));
    connection.unregisterService(QString::fromLatin1(kScriptServiceName));
  }
  QDBusConnection::disconnectFromBus(connectionName_);
}

bool ScriptInterface::publish() {
  // A connection of our own, to the bus the variable names now: the process-wide session connection would
  // keep the first address it saw.
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr || *address == '\0') {
    std::cerr << "ScriptInterface: no session bus (DBUS_SESSION_BUS_ADDRESS is not set); no script commands\n";
    return false;
  }
  QDBusConnection connection = QDBusConnection::connectToBus(QString::fromLocal8Bit(address), connectionName_);
  connected_ = true;
  if (!connection.isConnected()) {
    std::cerr << "ScriptInterface: the session bus cannot be reached: "
              << connection.lastError().message().toStdString() << '\n';
    return false;
  }
  if (!connection.registerObject(QString::fromLatin1(kScriptObjectPath), this, QDBusConnection::ExportScriptableSlots)) {
    std::cerr << "ScriptInterface: the object " << kScriptObjectPath << " cannot be exported\n";
    return false;
  }
  if (!connection.registerService(QString::fromLatin1(kScriptServiceName))) {
    std::cerr << "ScriptInterface: the name " << kScriptServiceName
              << " cannot be taken: " << connection.lastError().message().toStdString() << '\n';
    connection.unregisterObject(QString::fromLatin1(kScriptObjectPath));
    return false;
  }
  published_ = true;
  return true;
}

void ScriptInterface::Quit() {
  TPrintBGBehavior* behaviour = app_.behaviour();
  if (behaviour == nullptr) return;  // before the start command nothing answers
  if (behaviour->IsBusyForQuit()) {
    DisplayNormalMessage(kBusyQuitMessage);
    sendErrorReply(QString::fromLatin1(kScriptBusyError), QString::fromUtf8(kBusyQuitMessage));
    return;
  }
  // The reply goes out first; the quit waits for the step in hand, which the caller need not.
  QTimer::singleShot(0, &app_, [app = &app_] { app->Quit(); });
}

}  // namespace vorl
