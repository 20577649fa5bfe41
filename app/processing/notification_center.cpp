#include "app/processing/notification_center.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusVariant>
#include <QMetaObject>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/processing/background_print_app.h"
#include "foundation/services/messages.h"
#include "platform/system/distributed_notifications.h"
#include "platform/system/system_log.h"

namespace vorl {

VorlNSNotificationCenter* gVorlNotificationCenter = nullptr;

namespace {

constexpr char kSeparator[] = "===========================================";  // 43
std::atomic<int> gConnectionCount{0};

void logInside(const char* selector, const std::string& suffix = {}) {
  systemLogf("Inside VorlNSNotificationCenter => %s...%s", selector, suffix.c_str());
}

// Reads D-Bus values into Qt values within a byte budget and a nesting limit, so a flood from the bus costs at
// most the budget before it is refused.
class UserInfoReader {
 public:
  std::optional<QVariant> read(const QDBusArgument& argument, int depth) {
    if (depth > VorlNSNotificationCenter::kMaxUserInfoDepth) return fail("nested too deeply");
    switch (argument.currentType()) {
      case QDBusArgument::BasicType:
        return basic(argument.asVariant());
      case QDBusArgument::VariantType:
        return value(argument.asVariant().value<QDBusVariant>().variant(), depth + 1);
      case QDBusArgument::ArrayType: {
        if (argument.currentSignature() == QLatin1String("ay")) {
          QByteArray bytes;
          argument >> bytes;
          if (!spend(static_cast<std::size_t>(bytes.size()))) return std::nullopt;
          return QVariant(bytes);
        }
        // Every begin is matched by its end, even when reading stops early: the end releases the reader.
        QVariantList items;
        bool ok = true;
        argument.beginArray();
        while (ok && !argument.atEnd()) {
          std::optional<QVariant> item = read(argument, depth + 1);
          if (item) items.push_back(*item);
          ok = item.has_value();
        }
        argument.endArray();
        if (!ok) return std::nullopt;
        return QVariant(items);
      }
      case QDBusArgument::MapType: {
        QVariantMap map;
        bool ok = true;
        argument.beginMap();
        while (ok && !argument.atEnd()) {
          argument.beginMapEntry();
          std::optional<QVariant> key = read(argument, depth + 1);
          std::optional<QVariant> entry = key ? read(argument, depth + 1) : std::nullopt;
          argument.endMapEntry();
          if (entry) map.insert(key->toString(), *entry);
          ok = entry.has_value();
        }
        argument.endMap();
        if (!ok) return std::nullopt;
        return QVariant(map);
      }
      case QDBusArgument::StructureType: {
        QVariantList fields;
        bool ok = true;
        argument.beginStructure();
        while (ok && !argument.atEnd()) {
          std::optional<QVariant> field = read(argument, depth + 1);
          if (field) fields.push_back(*field);
          ok = field.has_value();
        }
        argument.endStructure();
        if (!ok) return std::nullopt;
        return QVariant(fields);
      }
      default:
        return fail("holds a value of unknown type");
    }
  }

  std::optional<QVariant> value(const QVariant& v, int depth) {
    if (v.metaType() == QMetaType::fromType<QDBusArgument>()) return read(v.value<QDBusArgument>(), depth);
    if (v.metaType() == QMetaType::fromType<QDBusVariant>()) {
      if (depth > VorlNSNotificationCenter::kMaxUserInfoDepth) return fail("nested too deeply");
      return value(v.value<QDBusVariant>().variant(), depth + 1);
    }
    return basic(v);
  }

  const QString& failure() const noexcept { return fFailure; }

 private:
  std::optional<QVariant> basic(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<QString>()) {
      if (!spend(static_cast<std::size_t>(v.toString().size()))) return std::nullopt;
    } else if (v.metaType() == QMetaType::fromType<QDBusObjectPath>()) {
      return basic(QVariant(v.value<QDBusObjectPath>().path()));
    } else if (v.metaType() == QMetaType::fromType<QDBusSignature>()) {
      return basic(QVariant(v.value<QDBusSignature>().signature()));
    } else if (!spend(8)) {
      return std::nullopt;
    }
    return v;
  }

  bool spend(std::size_t bytes) {
    fUsed += bytes;
    if (fUsed <= VorlNSNotificationCenter::kMaxUserInfoBytes) return true;
    fail(QStringLiteral("is larger than %1 bytes").arg(VorlNSNotificationCenter::kMaxUserInfoBytes));
    return false;
  }

  std::nullopt_t fail(const QString& why) {
    if (fFailure.isEmpty()) fFailure = QStringLiteral("the user info ") + why;
    return std::nullopt;
  }

  std::size_t fUsed = 0;
  QString fFailure;
};

void describe(const QVariant& value, QString& text);

void describeMap(const QVariantMap& map, QString& text) {
  text += QLatin1Char('{');
  for (auto entry = map.constBegin(); entry != map.constEnd(); ++entry) {
    text += QLatin1Char(' ') + entry.key() + QLatin1String(" = ");
    describe(entry.value(), text);
    text += QLatin1Char(';');
  }
  text += QLatin1String(" }");
}

// One line, in the old property-list style the log has always shown.
void describe(const QVariant& value, QString& text) {
  if (value.metaType() == QMetaType::fromType<QVariantMap>()) {
    describeMap(value.toMap(), text);
  } else if (value.metaType() == QMetaType::fromType<QVariantList>()) {
    text += QLatin1Char('(');
    bool first = true;
    for (const QVariant& item : value.toList()) {
      text += first ? QLatin1String(" ") : QLatin1String(", ");
      first = false;
      describe(item, text);
    }
    text += QLatin1String(" )");
  } else if (value.metaType() == QMetaType::fromType<QByteArray>()) {
    text += QLatin1Char('<') + QString::fromLatin1(value.toByteArray().toHex()) + QLatin1Char('>');
  } else if (value.metaType() == QMetaType::fromType<QString>()) {
    text += QLatin1Char('"') + value.toString() + QLatin1Char('"');
  } else {
    text += value.toString();
  }
}

}  // namespace

VorlNSNotificationCenter::VorlNSNotificationCenter(QObject* parent)
    : QObject(parent),
      fConnectionName(QStringLiteral("vorl-notification-centre-%1").arg(gConnectionCount.fetch_add(1))) {
  logInside("init");
}

VorlNSNotificationCenter::~VorlNSNotificationCenter() {
  systemLog(kSeparator);
  logInside("dealloc");
  systemLog(kSeparator);
  destroyListerForChildApps();
  if (fConnected) QDBusConnection::disconnectFromBus(fConnectionName);
  if (gVorlNotificationCenter == this) gVorlNotificationCenter = nullptr;
}

bool VorlNSNotificationCenter::setup() {
  systemLog(kSeparator);
  logInside("setup");
  systemLog(kSeparator);
  if (fObserving) return true;
  // A connection of our own, to the bus the variable names now (the process-wide one keeps the first it saw).
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr || *address == '\0') {
    systemLog(
        "VorlNSNotificationCenter: no session bus (DBUS_SESSION_BUS_ADDRESS is not set); notifications are not "
        "observed");
    return false;
  }
  QDBusConnection connection = QDBusConnection::connectToBus(QString::fromLocal8Bit(address), fConnectionName);
  fConnected = true;
  if (!connection.isConnected()) {
    systemLogf("VorlNSNotificationCenter: the session bus cannot be reached: %s",
               connection.lastError().message().toStdString().c_str());
    return false;
  }
  const QString path = QString::fromLatin1(kDistributedNotificationPath.data(), kDistributedNotificationPath.size());
  const QString interface =
      QString::fromLatin1(kDistributedNotificationInterface.data(), kDistributedNotificationInterface.size());
  const QString member =
      QString::fromLatin1(kDistributedNotificationSignal.data(), kDistributedNotificationSignal.size());
  // One subscription per observed name, each matched by the bus on the first argument; the signature is
  // checked here rather than by Qt so that a signal of the wrong shape is logged instead of silently dropped.
  for (const char* name : {sVorlSalesStationNotification, sVorlXNotification}) {
    if (!connection.connect(QString(), path, interface, member, {QString::fromLatin1(name)}, QString(), this,
                            SLOT(receiveDistributedNotification(QDBusMessage)))) {
      systemLogf("VorlNSNotificationCenter: cannot observe %s: %s", name,
                 connection.lastError().message().toStdString().c_str());
      return false;
    }
  }
  fObserving = true;
  return true;
}

void VorlNSNotificationCenter::receiveDistributedNotification(const QDBusMessage& message) {
  const QList<QVariant> arguments = message.arguments();
  if (message.signature() != QLatin1String(kDistributedNotificationSignature.data()) || arguments.size() != 3) {
    reject(QStringLiteral("a notification with the arguments (%1) instead of (%2)")
               .arg(message.signature(), QLatin1String(kDistributedNotificationSignature.data())));
    return;
  }
  const QString name = arguments.at(0).toString();
  if (name != QLatin1String(sVorlSalesStationNotification) && name != QLatin1String(sVorlXNotification)) return;
  UserInfoReader reader;
  const std::optional<QVariant> userInfo = reader.value(arguments.at(2), 0);
  if (!userInfo || userInfo->metaType() != QMetaType::fromType<QVariantMap>()) {
    reject(QStringLiteral("%1: %2").arg(
        name, reader.failure().isEmpty() ? QStringLiteral("no user info") : reader.failure()));
    return;
  }
  const QVariantMap map = userInfo->toMap();
  if (map.contains(QStringLiteral("senderApp")) &&
      map.value(QStringLiteral("senderApp")).metaType() != QMetaType::fromType<QString>()) {
    reject(QStringLiteral("%1: \"senderApp\" is not a string").arg(name));
    return;
  }
  // D-Bus has no null: an empty dictionary is a notification posted without user info.
  handleDistributedNotificationA(name, arguments.at(1).toString(), map.isEmpty() ? nullptr : &map);
}

void VorlNSNotificationCenter::handleDistributedNotificationA(const QString& name, const QString& object,
                                                              const QVariantMap* userInfo) {
  for (int i = 0; i < 3; ++i) systemLog(kSeparator);
  logInside("handleDistributedNotificationA:");
  logInside("handleDistributedNotificationA:", "object = [" + object.toStdString() + "]");
  QString info;
  if (userInfo != nullptr) describeMap(*userInfo, info);
  logInside("handleDistributedNotificationA:", "userInfo = [" + (userInfo ? info.toStdString() : "(null)") + "]");
  SysBeep(1);
  if (userInfo != nullptr && !userInfo->contains(QStringLiteral("senderApp"))) systemLog(kNoSenderAppLine);
  emit notificationHandled(name, object, userInfo ? *userInfo : QVariantMap());
}

void VorlNSNotificationCenter::postLocalNotification(const QString& name, const QVariant& object,
                                                     const QVariantMap& userInfo) {
  if (name != QLatin1String(sVorlLocalNotificationA)) return;
  // Delivered through the event loop of the centre's thread, whoever posts.
  QMetaObject::invokeMethod(
      this, [this, name, object, userInfo] { handleLocalNotificationA(name, object, userInfo); }, Qt::QueuedConnection);
}

void VorlNSNotificationCenter::handleLocalNotificationA(const QString& name, const QVariant& object,
                                                        const QVariantMap& userInfo) {
  for (int i = 0; i < 3; ++i) systemLog(kSeparator);
  logInside("handleLocalNotificationA:");
  QString text;
  describe(object, text);
  logInside("handleLocalNotificationA:", "object = [" + text.toStdString() + "]");
  text.clear();
  describeMap(userInfo, text);
  logInside("handleLocalNotificationA:", "userInfo = [" + text.toStdString() + "]");
  SysBeep(1);
  emit notificationHandled(name, object.toString(), userInfo);
}

void VorlNSNotificationCenter::reject(const QString& reason) {
  systemLogf("VorlNSNotificationCenter: ignored %s", reason.toStdString().c_str());
  emit notificationRejected(reason);
}

void setupNotificationCenter() {
  if (gVorlNotificationCenter != nullptr) return;
  // Owned by the application object, which lives as long as the program does.
  gVorlNotificationCenter = new VorlNSNotificationCenter(application());
  static_cast<void>(gVorlNotificationCenter->setup());
}

}  // namespace vorl
