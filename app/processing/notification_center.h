// The notifications the processor observes from sibling programs, and the in-process notification it answers.
//
// Sibling programs post distributed notifications as one D-Bus signal (platform/system/distributed_notifications.h).
// The centre listens on its own connection to the bus that DBUS_SESSION_BUS_ADDRESS names, for the names
// "vorlSalesStationNotification" and "vorlXNotification"; in the process it answers "VorlLocalNotificationA".
// Each of them is logged (object and user info) and sounds the beep; a distributed one whose user info lacks
// "senderApp" also logs "=======NO SENDER APP================". Nothing else is done with them.
//
// The centre also supervises child programs once a child listener is set up (start-up sets none up): each child
// started through `launchChildProcess` is remembered, and when one ends it is started again, the same way, three
// seconds later. Destroying the listener quits the remembered children and forgets them; a relaunch still
// pending then is dropped, so no child comes back that nobody supervises. The children are our own processes
// (QProcess): their ends are seen directly, and quitting sends them SIGTERM. The code for this lives in
// child_programs.cpp.
//
// The notice the processor posts itself (to the web-server companion) is sent by
// `mySendNotificationToWebServerAppWithDictionary` (foundation/services/web_server_notification.h).
//
// Anything on the bus may send such a signal, so a signal of the wrong shape (other argument types, a user info
// that is not a{sv}, a "senderApp" that is not a string, a user info over `kMaxUserInfoBytes`, nesting deeper
// than `kMaxUserInfoDepth`) is logged and ignored. A missing or unreachable bus is logged; the processor runs on
// without observing.
#pragma once

#include <QDBusMessage>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

class QProcess;

namespace vorl {

inline constexpr char sVorlSalesStationNotification[] = "vorlSalesStationNotification";
inline constexpr char sVorlXNotification[] = "vorlXNotification";
inline constexpr char sVorlLocalNotificationA[] = "VorlLocalNotificationA";
inline constexpr char kNoSenderAppLine[] = "=======NO SENDER APP================";

// The companion programs `eMailAppExists` and `videoAppExists` look for beside the processor's own program file.
inline constexpr char kEMailProgramName[] = "vorl-email";
inline constexpr char kVideoProgramName[] = "vorl-video";

// How a child program is started, and once started, which process it is.
struct ChildLaunchDictionary {
  QString applicationPath;                            // "NSApplicationPath": the program file; required
  std::optional<QMap<QString, QString>> environment;  // "NSApplicationEnvironment": the whole environment; ours when absent
  std::optional<QStringList> arguments;               // "NSApplicationArgv"
  std::uint32_t launchFlags = 0;                      // "NSApplicationLaunchFlags": carried, nothing here reads them
  // Set by a launch; stands for the process serial number (0: not running).
  std::int64_t processIdentifier = 0;
};

class VorlNSNotificationCenter final : public QObject {
  Q_OBJECT

 public:
  // Text bytes (strings, keys, byte arrays) a user info may hold before it is refused as too large.
  static constexpr std::size_t kMaxUserInfoBytes = 16 * 1024;
  static constexpr int kMaxUserInfoDepth = 16;

  explicit VorlNSNotificationCenter(QObject* parent = nullptr);
  ~VorlNSNotificationCenter() override;

  // Starts observing. False (logged) when the session bus is missing or refuses the subscription.
  bool setup();
  bool observing() const noexcept { return fObserving; }

  // Delivers an in-process notification to the centre (the local centre's post).
  void postLocalNotification(const QString& name, const QVariant& object, const QVariantMap& userInfo);

  // Child programs. Each set-up first destroys the listener there was (quitting its children), then starts
  // supervising with no child remembered; the three are the same.
  void setupListenerForChildApps();
  void setupListenerForNikonApp();
  void setupListenerForCanonApp();
  // Starts the program and, while a listener is set up, remembers it with its process. False (logged) when the
  // path is empty or the program cannot be started; nothing is remembered then.
  bool launchChildProcess(const ChildLaunchDictionary& launch);
  // Asks the child the dictionary names to end (SIGTERM); a child that is not ours or no longer runs is ignored.
  void quitApplication(const ChildLaunchDictionary& launch);
  // Stops supervising: pending relaunches are dropped, every remembered child is quit and forgotten.
  void destroyListerForChildApps();
  // The remembered children; none while no listener is set up.
  const std::optional<std::vector<ChildLaunchDictionary>>& _childProcesses() const noexcept { return fChildProcesses; }
  int pendingRelaunchCount() const noexcept { return fPendingRelaunches; }

  // Whether the companion program lies, executable, in the folder of the processor's own program file.
  static bool eMailAppExists();
  static bool videoAppExists();
  static bool companionProgramExists(const QString& folder, const QString& programName);

 signals:
  // A notification was accepted and handled (after its log lines and the beep).
  void notificationHandled(const QString& name, const QString& object, const QVariantMap& userInfo);
  // A signal of the wrong shape was logged and dropped.
  void notificationRejected(const QString& reason);
  // A supervised child has ended; it is started again after the delay.
  void childProcessTerminated(qint64 processIdentifier);
  // A supervised child that had ended was started again.
  void childProcessRelaunched(qint64 processIdentifier, const QString& applicationPath);
  // A child asked to quit has ended.
  void childProcessQuit(qint64 processIdentifier);

 private slots:
  void receiveDistributedNotification(const QDBusMessage& message);

 private:
  void handleDistributedNotificationA(const QString& name, const QString& object, const QVariantMap* userInfo);
  void handleLocalNotificationA(const QString& name, const QVariant& object, const QVariantMap& userInfo);
  void reject(const QString& reason);
  // Starts the program; the new process's id, 0 when it could not be started.
  std::int64_t startChild(const ChildLaunchDictionary& launch);
  void childProcessEnded(QProcess* process, std::int64_t processIdentifier, const QString& name);
  void childProcessDidTerminate(std::int64_t processIdentifier, const QString& name);

  std::optional<std::vector<ChildLaunchDictionary>> fChildProcesses;
  std::map<std::int64_t, QProcess*> fRunningChildren;  // every child we started that has not ended yet
  bool fListening = false;
  // Counts the listeners set up and destroyed: a relaunch scheduled under an earlier one is dropped.
  std::uint64_t fListenerGeneration = 0;
  int fPendingRelaunches = 0;

  QString fConnectionName;
  bool fConnected = false;
  bool fObserving = false;
};

// The one centre, made by `setupNotificationCenter`; null before.
extern VorlNSNotificationCenter* gVorlNotificationCenter;

// Makes the centre once and starts it observing. Called at start-up; a second call does nothing.
void setupNotificationCenter();

}  // namespace vorl
