#include "platform/system/distributed_notifications.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/system/system_log.h"

namespace vorl {
namespace {

// The bus refuses a message whose containers nest deeper than 64, and drops the connection that sent it. Each
// level of a dictionary costs three (array, entry, variant), each level of an array two.
constexpr int kMaxContainerDepth = 64;
// How long the bus may take to confirm that it has the signal.
constexpr int kConfirmTimeoutMs = 5000;
// Seconds between 1970-01-01 and 2001-01-01, where NSDate counts from.
constexpr double kSecondsFrom1970To2001 = 978307200.0;

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

struct Conversion {
  bool tooDeep = false;
};

std::optional<QVariant> toDBusValue(const ArchivedValue& value, int depth, Conversion& conversion);

QVariantMap toDBusDictionary(const ArchivedValue::Dictionary& entries, int depth, Conversion& conversion) {
  QVariantMap map;
  if (depth + 3 > kMaxContainerDepth) {
    conversion.tooDeep = true;
    return map;
  }
  for (const ArchivedValue::Entry& entry : entries) {
    if (std::optional<QVariant> converted = toDBusValue(entry.value, depth + 3, conversion)) {
      map.insert(fromUtf8(entry.key), *converted);
    }
  }
  return map;
}

std::optional<QVariant> isoDate(double secondsSince2001) {
  const double secondsSince1970 = secondsSince2001 + kSecondsFrom1970To2001;
  // Years 1 to 9999: what ISO 8601's basic form can write and a 64-bit millisecond count holds.
  if (!std::isfinite(secondsSince1970) || secondsSince1970 < -62135596800.0 || secondsSince1970 > 253402300799.0) {
    return std::nullopt;
  }
  const auto milliseconds = static_cast<qint64>(std::floor(secondsSince1970 * 1000.0));
  return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC).toString(Qt::ISODate);
}

std::optional<QVariant> toDBusValue(const ArchivedValue& value, int depth, Conversion& conversion) {
  switch (value.kind()) {
    case ArchivedValue::Kind::Null:
      return std::nullopt;
    case ArchivedValue::Kind::Boolean:
      return QVariant(*value.asBoolean());
    case ArchivedValue::Kind::Integer:
      return QVariant(static_cast<qlonglong>(*value.asInteger()));
    case ArchivedValue::Kind::Real:
      return QVariant(*value.asReal());
    case ArchivedValue::Kind::String:
      return QVariant(fromUtf8(*value.asString()));
    case ArchivedValue::Kind::Data: {
      const ArchivedValue::Data& bytes = *value.asData();
      return QVariant(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    }
    case ArchivedValue::Kind::Date:
      return isoDate(value.asDate()->secondsSince2001);
    case ArchivedValue::Kind::Array: {
      if (depth + 2 > kMaxContainerDepth) {
        conversion.tooDeep = true;
        return std::nullopt;
      }
      QVariantList list;
      for (const ArchivedValue& item : *value.asArray()) {
        if (std::optional<QVariant> converted = toDBusValue(item, depth + 2, conversion)) list.append(*converted);
      }
      return QVariant(list);
    }
    case ArchivedValue::Kind::Dictionary:
      return QVariant(toDBusDictionary(*value.asDictionary(), depth, conversion));
    case ArchivedValue::Kind::Object:
      return QVariant(toDBusDictionary(value.asObject()->fields, depth, conversion));
  }
  return std::nullopt;
}

void logFailure(std::string_view name, const char* what, const QString& detail) {
  systemLogf("Distributed notification %.*s not posted: %s%s%s", static_cast<int>(name.size()), name.data(), what,
             detail.isEmpty() ? "" : ": ", detail.toUtf8().constData());
}

// A connection of its own for one post, named uniquely: QtDBus keeps named connections process-wide, and two
// threads posting at once must not share (and close) one another's.
class PrivateConnection {
 public:
  explicit PrivateConnection(const QString& address)
      : name_(QStringLiteral("vorl-distributed-notification-%1").arg(counter_.fetch_add(1))),
        connection_(QDBusConnection::connectToBus(address, name_)) {}
  ~PrivateConnection() { QDBusConnection::disconnectFromBus(name_); }
  PrivateConnection(const PrivateConnection&) = delete;
  PrivateConnection& operator=(const PrivateConnection&) = delete;

  QDBusConnection& operator*() { return connection_; }
  QDBusConnection* operator->() { return &connection_; }

 private:
  static inline std::atomic<unsigned long long> counter_{0};
  QString name_;
  QDBusConnection connection_;
};

}  // namespace

bool postDistributedNotification(std::string_view name, std::string_view object, const ArchivedValue& userInfo) {
  // Read here rather than left to the D-Bus library: it would remember the first address for the life of the
  // process, and without one it would try to start a bus of its own.
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!address || !*address) {
    logFailure(name, "no session bus (DBUS_SESSION_BUS_ADDRESS is not set)", {});
    return false;
  }

  Conversion conversion;
  QVariantMap info;
  if (const ArchivedValue::Dictionary* entries = userInfo.asDictionary()) {
    info = toDBusDictionary(*entries, 0, conversion);
  } else if (const ArchivedValue::Object* instance = userInfo.asObject()) {
    info = toDBusDictionary(instance->fields, 0, conversion);
  }
  if (conversion.tooDeep) {
    logFailure(name, "the user info nests deeper than D-Bus allows", {});
    return false;
  }

  PrivateConnection connection(QString::fromUtf8(address));
  if (!connection->isConnected()) {
    logFailure(name, "the session bus cannot be reached", connection->lastError().message());
    return false;
  }
  QDBusMessage signal =
      QDBusMessage::createSignal(fromUtf8(kDistributedNotificationPath), fromUtf8(kDistributedNotificationInterface),
                                 fromUtf8(kDistributedNotificationSignal));
  signal << fromUtf8(name) << fromUtf8(object) << QVariant(info);
  if (!connection->send(signal)) {
    logFailure(name, "the signal could not be sent", connection->lastError().message());
    return false;
  }
  // Sending only queues the signal. The bus answers calls in the order it receives messages, so its answer to
  // this ping means it has the signal, and closing the connection afterwards cannot lose it.
  const QDBusMessage ping =
      QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                     QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
  const QDBusMessage reply = connection->call(ping, QDBus::Block, kConfirmTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage) {
    logFailure(name, "the session bus did not confirm it", reply.errorMessage());
    return false;
  }
  return true;
}

}  // namespace vorl
