// The notifications the processor observes from sibling programs, and the in-process notification it answers.
//
// Sibling programs post distributed notifications as one D-Bus signal (platform/system/distributed_notifications.h).
// The centre listens on its own connection to the bus that DBUS_SESSION_BUS_ADDRESS names, for the names
// "vorlSalesStationNotification" and "vorlXNotification"; in the process it answers "VorlLocalNotificationA".
// Each of them is logged (object and user info) and sounds the beep; a distributed one whose user info lacks
// "senderApp" also logs "=======NO SENDER APP================". Nothing else is done with them.
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
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <cstddef>

namespace vorl {

inline constexpr char sVorlSalesStationNotification[] = "vorlSalesStationNotification";
inline constexpr char sVorlXNotification[] = "vorlXNotification";
inline constexpr char sVorlLocalNotificationA[] = "VorlLocalNotificationA";
inline constexpr char kNoSenderAppLine[] = "=======NO SENDER APP================";

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

 signals:
  // A notification was accepted and handled (after its log lines and the beep).
  void notificationHandled(const QString& name, const QString& object, const QVariantMap& userInfo);
  // A signal of the wrong shape was logged and dropped.
  void notificationRejected(const QString& reason);

 private slots:
  void receiveDistributedNotification(const QDBusMessage& message);

 private:
  void handleDistributedNotificationA(const QString& name, const QString& object, const QVariantMap* userInfo);
  void handleLocalNotificationA(const QString& name, const QVariant& object, const QVariantMap& userInfo);
  void reject(const QString& reason);

  QString fConnectionName;
  bool fConnected = false;
  bool fObserving = false;
};

// The one centre, made by `setupNotificationCenter`; null before.
extern VorlNSNotificationCenter* gVorlNotificationCenter;

// Makes the centre once and starts it observing. Called at start-up; a second call does nothing.
void setupNotificationCenter();

}  // namespace vorl
