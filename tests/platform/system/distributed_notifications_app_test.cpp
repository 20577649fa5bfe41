// Posting while the process has a QCoreApplication, as the program itself does, with a Qt receiver on the bus:
// the signal arrives with the signature that observers match on, from the main thread and from a worker alike.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QObject>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/system/distributed_notifications.h"
#include "tests/support/private_session_bus.h"

namespace vorl {
namespace {

class NotificationReceiver : public QObject {
  Q_OBJECT

 public:
  std::vector<QDBusMessage> messages;

 public Q_SLOTS:
  void receive(const QDBusMessage& message) { messages.push_back(message); }
};

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QVariantMap userInfoOf(const QDBusMessage& message) {
  const QVariant argument = message.arguments().value(2);
  if (argument.canConvert<QDBusArgument>()) return qdbus_cast<QVariantMap>(argument.value<QDBusArgument>());
  return argument.toMap();
}

TEST(DistributedNotificationsWithApplication, AQtReceiverGetsSignalsFromTheMainThreadAndAWorker) {
  VORL_PRIVATE_SESSION_BUS(bus);
  int argc = 1;
  char program[] = "platform_siblings_test";
  char* argv[] = {program, nullptr};
  QCoreApplication application(argc, argv);
  const QString receiverName = QStringLiteral("test-receiver");
  NotificationReceiver receiver;
  {
    QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus.address()), receiverName);
    ASSERT_TRUE(connection.isConnected());
    ASSERT_TRUE(connection.connect(QString(), fromView(kDistributedNotificationPath),
                                   fromView(kDistributedNotificationInterface),
                                   fromView(kDistributedNotificationSignal), &receiver, SLOT(receive(QDBusMessage))));
    // The match rule goes out without waiting; a round trip on the same connection makes sure the bus has it.
    const QDBusMessage ping =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    ASSERT_EQ(connection.call(ping).type(), QDBusMessage::ReplyMessage);

    const ArchivedValue info = ArchivedValue::dictionary({{"count", ArchivedValue::integer(3)}});
    EXPECT_TRUE(postDistributedNotification("FromMain", "test", info));
    bool fromWorker = false;
    std::thread([&] { fromWorker = postDistributedNotification("FromWorker", "test", info); }).join();
    EXPECT_TRUE(fromWorker);

    QElapsedTimer waited;
    waited.start();
    while (receiver.messages.size() < 2 && waited.elapsed() < 5000) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    ASSERT_EQ(receiver.messages.size(), 2u);
    const char* names[] = {"FromMain", "FromWorker"};
    for (std::size_t i = 0; i < 2; ++i) {
      SCOPED_TRACE(names[i]);
      const QDBusMessage& message = receiver.messages[i];
      EXPECT_EQ(message.signature(), fromView(kDistributedNotificationSignature));
      EXPECT_EQ(message.arguments().value(0).toString(), QString::fromLatin1(names[i]));
      EXPECT_EQ(message.arguments().value(1).toString(), QStringLiteral("test"));
      const QVariant count = userInfoOf(message).value(QStringLiteral("count"));
      const QVariant inner = count.canConvert<QDBusVariant>() ? count.value<QDBusVariant>().variant() : count;
      EXPECT_EQ(inner.metaType().id(), QMetaType::LongLong);
      EXPECT_EQ(inner.toLongLong(), 3);
    }
  }
  QDBusConnection::disconnectFromBus(receiverName);
}

}  // namespace
}  // namespace vorl

#include "distributed_notifications_app_test.moc"
