// The notifications the processor observes from sibling programs, sent over a private session bus, and the
// 'vorl' button that brings the front-end forward.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <atomic>
#include <chrono>

#include "app/processing/notification_center.h"
#include "app/processing/sibling_apps.h"
#include "platform/system/command_runner.h"
#include "tests/app/app_harness.h"
#include "tests/app/log_capture.h"
#include "tests/support/message_recorder.h"
#include "tests/support/private_session_bus.h"

namespace vorl {
namespace {

using test::AppHarness;
using test::LogCapture;
using namespace std::chrono_literals;

// Sends notifications the way a sibling program would, on a connection of its own.
class Poster {
 public:
  explicit Poster(const std::string& address)
      : name_(QStringLiteral("notification-test-poster-%1").arg(++count_)),
        connection_(QDBusConnection::connectToBus(QString::fromStdString(address), name_)) {}
  ~Poster() { QDBusConnection::disconnectFromBus(name_); }

  bool post(const QVariantList& arguments) {
    QDBusMessage signal =
        QDBusMessage::createSignal(QStringLiteral("/org/vorl/DistributedNotifications"),
                                   QStringLiteral("org.vorl.DistributedNotifications"), QStringLiteral("Notification"));
    signal.setArguments(arguments);
    return connection_.send(signal);
  }
  QDBusConnection& connection() { return connection_; }

 private:
  static inline int count_ = 0;
  QString name_;
  QDBusConnection connection_;
};

struct Observed {
  QStringList handled;  // "name/object"
  QList<QVariantMap> userInfos;
  QStringList rejected;
};

void record(VorlNSNotificationCenter& centre, Observed& seen) {
  QObject::connect(&centre, &VorlNSNotificationCenter::notificationHandled,
                   [&seen](const QString& name, const QString& object, const QVariantMap& userInfo) {
                     seen.handled << name + QLatin1Char('/') + object;
                     seen.userInfos << userInfo;
                   });
  QObject::connect(&centre, &VorlNSNotificationCenter::notificationRejected,
                   [&seen](const QString& reason) { seen.rejected << reason; });
}

QVariantMap nested(int depth) {
  QVariantMap map{{QStringLiteral("leaf"), 1}};
  for (int i = 0; i < depth; ++i) map = QVariantMap{{QStringLiteral("inner"), map}};
  return map;
}

TEST(NotificationCentre, ObservedNotificationsAreHandledAndMalformedOnesIgnored) {
  VORL_PRIVATE_SESSION_BUS(bus);
  test::MessageRecorder messages;
  LogCapture log;
  VorlNSNotificationCenter centre;
  ASSERT_TRUE(centre.setup());
  Observed seen;
  record(centre, seen);
  Poster poster(bus.address());

  const QString sales = QString::fromLatin1(sVorlSalesStationNotification);
  const QString x = QString::fromLatin1(sVorlXNotification);
  const struct {
    const char* what;
    QVariantList arguments;
    bool handled;
  } cases[] = {
      {"with a sender",
       {sales, QStringLiteral("one"), QVariantMap{{QStringLiteral("senderApp"), QStringLiteral("POS")}}},
       true},
      {"without a sender", {x, QStringLiteral("two"), QVariantMap{{QStringLiteral("job"), 7}}}, true},
      {"without user info", {sales, QStringLiteral("three"), QVariantMap()}, true},
      {"a name not observed", {QStringLiteral("vorlOther"), QStringLiteral("no"), QVariantMap()}, false},
      {"sender not a text", {sales, QStringLiteral("bad"), QVariantMap{{QStringLiteral("senderApp"), 5}}}, false},
      {"no user info argument", {sales, QStringLiteral("bad")}, false},
      {"object not a text", {sales, 7, QVariantMap()}, false},
      {"user info not a dictionary", {sales, QStringLiteral("bad"), QStringLiteral("text")}, false},
      {"a 40,000-byte user info",
       {x, QStringLiteral("bad"), QVariantMap{{QStringLiteral("senderApp"), QString(40000, QLatin1Char('s'))}}},
       false},
      {"nested too deeply", {x, QStringLiteral("bad"), nested(12)}, false},
      {"a valid one after all that",
       {x, QStringLiteral("last"), QVariantMap{{QStringLiteral("senderApp"), QStringLiteral("POS")}}},
       true},
  };
  int expectHandled = 0;
  int expectRejected = 0;
  for (const auto& c : cases) {
    ASSERT_TRUE(poster.post(c.arguments)) << c.what;
    if (c.handled) {
      ++expectHandled;
    } else if (c.arguments.value(0).toString() != QLatin1String("vorlOther")) {
      ++expectRejected;
    }
  }
  ASSERT_TRUE(AppHarness::waitFor([&] { return seen.handled.contains(x + QStringLiteral("/last")); }, 20s))
      << log.text();
  EXPECT_EQ(seen.handled, (QStringList{sales + "/one", x + "/two", sales + "/three", x + "/last"}));
  EXPECT_EQ(seen.rejected.size(), expectRejected) << seen.rejected.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(seen.handled.size(), expectHandled);
  EXPECT_EQ(messages.beeps(), expectHandled);
  EXPECT_EQ(seen.userInfos.value(1).value(QStringLiteral("job")).toLongLong(), 7);
  // Only the notification whose user info lacks the sender says so; the one without user info does not.
  const std::string text = log.text();
  std::size_t noSender = 0;
  for (std::size_t at = text.find(kNoSenderAppLine); at != std::string::npos;
       at = text.find(kNoSenderAppLine, at + 1)) {
    ++noSender;
  }
  EXPECT_EQ(noSender, 1U) << text;
  EXPECT_NE(text.find("object = [two]"), std::string::npos) << text;
}

TEST(NotificationCentre, ANotificationFromGdbusReachesTheHandler) {
  VORL_PRIVATE_SESSION_BUS(bus);
  if (QStandardPaths::findExecutable(QStringLiteral("gdbus")).isEmpty()) GTEST_SKIP() << "gdbus is not installed";
  test::MessageRecorder messages;
  VorlNSNotificationCenter centre;
  ASSERT_TRUE(centre.setup());
  Observed seen;
  record(centre, seen);
  const CommandResult sent =
      runCommand({"gdbus", "emit", "--session", "--object-path", "/org/vorl/DistributedNotifications", "--signal",
                  "org.vorl.DistributedNotifications.Notification", "'vorlXNotification'", "'gdbus'",
                  "{'senderApp': <'POS'>, 'count': <int64 3>}"},
                 10s);
  ASSERT_TRUE(sent.succeeded()) << describeOutcome(sent) << sent.standardError;
  ASSERT_TRUE(AppHarness::waitFor([&] { return !seen.handled.isEmpty(); }, 20s));
  EXPECT_EQ(seen.handled, QStringList{QStringLiteral("vorlXNotification/gdbus")});
  EXPECT_EQ(seen.userInfos.value(0).value(QStringLiteral("senderApp")).toString(), QStringLiteral("POS"));
  EXPECT_EQ(seen.userInfos.value(0).value(QStringLiteral("count")).toLongLong(), 3);
  EXPECT_EQ(messages.beeps(), 1);
}

TEST(NotificationCentre, LocalNotificationIsHandledThroughTheEventLoop) {
  test::MessageRecorder messages;
  VorlNSNotificationCenter centre;
  Observed seen;
  record(centre, seen);
  centre.postLocalNotification(QString::fromLatin1(sVorlLocalNotificationA), QStringLiteral("me"), {});
  centre.postLocalNotification(QStringLiteral("SomethingElse"), QStringLiteral("me"), {});
  EXPECT_TRUE(seen.handled.isEmpty());  // not yet: it goes through the event loop
  ASSERT_TRUE(AppHarness::waitFor([&] { return !seen.handled.isEmpty(); }, 5s));
  AppHarness::waitFor([] { return false; }, 50ms);
  EXPECT_EQ(seen.handled, QStringList{QStringLiteral("VorlLocalNotificationA/me")});
  EXPECT_EQ(messages.beeps(), 1);
}

TEST(NotificationCentre, WithoutABusTheCentreOnlyLogs) {
  const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  for (const char* address : {"", "unix:path=/nonexistent/vorl-no-bus"}) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    LogCapture log;
    VorlNSNotificationCenter centre;
    EXPECT_FALSE(centre.setup()) << address;
    EXPECT_FALSE(centre.observing());
    EXPECT_NE(log.text().find("VorlNSNotificationCenter: "), std::string::npos) << address;
  }
  if (saved.isNull()) {
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  } else {
    qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
  }
}

// The front-end's side of org.freedesktop.Application: counts Activate calls and answers them unless told to
// hang.
class FakeFrontEnd final : public QDBusVirtualObject {
 public:
  explicit FakeFrontEnd(bool answer) : answer_(answer) {}
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() != QLatin1String("org.freedesktop.Application") ||
        message.member() != QLatin1String("Activate")) {
      return false;
    }
    ++activations;
    if (answer_) connection.send(message.createReply());
    return true;
  }
  std::atomic<int> activations{0};

 private:
  bool answer_;
};

TEST(NotificationCentre, StartUpObservesAndTheVorlButtonActivatesTheFrontEnd) {
  VORL_PRIVATE_SESSION_BUS(bus);
  AppHarness app([](tPrintServerPrefs& prefs) { prefs.autoStart = 0; });
  ASSERT_TRUE(app.start());
  ASSERT_NE(gVorlNotificationCenter, nullptr);
  EXPECT_TRUE(gVorlNotificationCenter->observing());

  Poster poster(bus.address());
  const int beeps = app.messages().beeps();
  ASSERT_TRUE(poster.post({QString::fromLatin1(sVorlSalesStationNotification), QStringLiteral("x"),
                           QVariantMap{{QStringLiteral("senderApp"), 5}}}));
  ASSERT_TRUE(poster.post({QString::fromLatin1(sVorlSalesStationNotification), QStringLiteral("x"), QVariantMap()}));
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.messages().beeps() > beeps; }, 20s));
  EXPECT_EQ(app.messages().beeps(), beeps + 1);

  // Nobody owns the front-end's name: the click is only logged.
  app.click("vorl");
  EXPECT_EQ(MyBringApplicationToFront(kFrontEndDesktopId), kProcessNotFound);

  for (const bool answers : {true, false}) {
    SCOPED_TRACE(answers ? "answers" : "hangs");
    FakeFrontEnd frontEnd(answers);
    QDBusConnection& connection = poster.connection();
    ASSERT_TRUE(connection.registerVirtualObject(QStringLiteral("/com/vorl/Vorl_FrontEnd"), &frontEnd));
    ASSERT_TRUE(connection.registerService(QString::fromLatin1(kFrontEndDesktopId)));
    QElapsedTimer clock;
    clock.start();
    app.click("vorl");
    EXPECT_LT(clock.elapsed(), 2000);  // a front-end that never answers does not hold the click up
    EXPECT_TRUE(AppHarness::waitFor([&] { return frontEnd.activations.load() == 1; }, 10s));
    // The processor still answers the operator.
    app.app().DoMenuCommand(kCommandStartStop);
    EXPECT_TRUE(app.behaviour().IsBackgroundPrintingEnabled());
    app.app().DoMenuCommand(kCommandStartStop);
    EXPECT_FALSE(app.behaviour().IsBackgroundPrintingEnabled());
    connection.unregisterService(QString::fromLatin1(kFrontEndDesktopId));
    connection.unregisterObject(QStringLiteral("/com/vorl/Vorl_FrontEnd"));
  }
}

}  // namespace
}  // namespace vorl
