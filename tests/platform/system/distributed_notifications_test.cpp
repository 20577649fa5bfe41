// Distributed notifications on a private session bus, read back by dbus-monitor: the signal's names, the D-Bus
// type of every user-info value, posting from worker threads, and failing fast without a bus.
#include "platform/system/distributed_notifications.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/bus_monitor.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/private_session_bus.h"

namespace vorl {
namespace {

using namespace std::chrono_literals;
using Entry = ArchivedValue::Entry;

const std::string kMatchRule = "type='signal',interface='org.vorl.DistributedNotifications'";

ArchivedValue dictionary(ArchivedValue::Dictionary entries) { return ArchivedValue::dictionary(std::move(entries)); }
ArchivedValue string(std::string text) { return ArchivedValue::string(std::move(text)); }

// Dictionaries nested `levels` deep, with an integer at the bottom.
ArchivedValue nestedDictionaries(int levels) {
  ArchivedValue value = ArchivedValue::integer(1);
  for (int i = 0; i < levels; ++i) value = dictionary({{"d", value}});
  return value;
}

// A user info holding arrays nested `levels` deep.
ArchivedValue nestedArrays(int levels) {
  ArchivedValue value = ArchivedValue::integer(1);
  for (int i = 0; i < levels; ++i) value = ArchivedValue::array({value});
  return dictionary({{"a", value}});
}

class EnvironmentVariable {
 public:
  explicit EnvironmentVariable(const char* name) : name_(name) {
    if (const char* value = std::getenv(name)) saved_ = value;
  }
  ~EnvironmentVariable() {
    if (saved_) {
      ::setenv(name_, saved_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(DistributedNotifications, TheSignalCarriesNameObjectAndTypedUserInfo) {
  VORL_PRIVATE_SESSION_BUS(bus);
  test::BusMonitor monitor(bus.address(), kMatchRule);
  ASSERT_TRUE(monitor.watching()) << monitor.failure();

  const ArchivedValue userInfo = dictionary({
      {"text", string("Café \"Ω\" & $(id)")},
      {"negative", ArchivedValue::integer(-5)},
      {"large", ArchivedValue::integer(std::int64_t{1} << 40)},
      {"real", ArchivedValue::real(1.5)},
      {"yes", ArchivedValue::boolean(true)},
      {"no", ArchivedValue::boolean(false)},
      {"bytes", ArchivedValue::data({0x00, 0xFF, 0x41})},
      {"epoch", ArchivedValue::date(0)},
      {"later", ArchivedValue::date(7.5 * 86400 + 3661.75)},
      {"nothing", ArchivedValue()},
      {"list", ArchivedValue::array(
                   {ArchivedValue::integer(1), ArchivedValue(), string("two"), dictionary({{"k", string("v")}})})},
      {"nested", dictionary({{"deeper", dictionary({{"n", ArchivedValue::integer(7)}})}})},
      {"printInfo",
       ArchivedValue::object("NSPrintInfo", {{"NSPaperName", string("A4")}, {"NSCopies", ArchivedValue::integer(2)}})},
      {"empty", dictionary({})},
      {"not UTF-8", string("\xC4")},
  });
  ASSERT_TRUE(postDistributedNotification("VorlTestNotification", "the object", userInfo));

  const std::vector<test::MonitoredSignal> seen = monitor.signals("Notification", 1, 5s);
  ASSERT_EQ(seen.size(), 1u) << monitor.printout();
  EXPECT_EQ(seen[0].path, "/org/vorl/DistributedNotifications");
  EXPECT_EQ(seen[0].interface, "org.vorl.DistributedNotifications");
  ASSERT_EQ(seen[0].arguments.size(), 3u) << monitor.printout();
  EXPECT_EQ(seen[0].arguments[0], "'VorlTestNotification'");
  EXPECT_EQ(seen[0].arguments[1], "'the object'");
  EXPECT_EQ(seen[0].arguments[2],
            "{'bytes': <bytes[00 ff 41]>, "
            "'empty': <[]>, "
            "'epoch': <'2001-01-01T00:00:00Z'>, "
            "'large': <int64 1099511627776>, "
            "'later': <'2001-01-08T13:01:01Z'>, "
            "'list': <[<int64 1>, <'two'>, <{'k': <'v'>}>]>, "
            "'negative': <int64 -5>, "
            "'nested': <{'deeper': <{'n': <int64 7>}>}>, "
            "'no': <boolean false>, "
            "'not UTF-8': <'\xEF\xBF\xBD'>, "
            "'printInfo': <{'NSCopies': <int64 2>, 'NSPaperName': <'A4'>}>, "
            "'real': <double 1.5>, "
            "'text': <'Café \"Ω\" & $(id)'>, "
            "'yes': <boolean true>}")
      << monitor.printout();
}

TEST(DistributedNotifications, AUserInfoThatIsNoDictionaryIsSentEmpty) {
  VORL_PRIVATE_SESSION_BUS(bus);
  test::BusMonitor monitor(bus.address(), kMatchRule);
  ASSERT_TRUE(monitor.watching()) << monitor.failure();
  const ArchivedValue notDictionaries[] = {ArchivedValue(), string("text"), ArchivedValue::integer(3),
                                           ArchivedValue::array({string("item")})};
  for (const ArchivedValue& userInfo : notDictionaries) EXPECT_TRUE(postDistributedNotification("N", "", userInfo));

  const std::vector<test::MonitoredSignal> seen = monitor.signals("Notification", 4, 5s);
  ASSERT_EQ(seen.size(), 4u) << monitor.printout();
  for (const test::MonitoredSignal& signal : seen) {
    EXPECT_EQ(signal.arguments, (std::vector<std::string>{"'N'", "''", "[]"}));
  }
}

TEST(DistributedNotifications, PostsFromWorkerThreads) {
  VORL_PRIVATE_SESSION_BUS(bus);
  test::BusMonitor monitor(bus.address(), kMatchRule);
  ASSERT_TRUE(monitor.watching()) << monitor.failure();

  bool postedAlone = false;
  std::thread([&] { postedAlone = postDistributedNotification("Alone", "worker", dictionary({})); }).join();
  EXPECT_TRUE(postedAlone);

  // Several at once: each post has its own connection, none closes another's.
  std::atomic<int> posted{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&posted, t] {
      for (int i = 0; i < 3; ++i) {
        const ArchivedValue info =
            dictionary({{"thread", ArchivedValue::integer(t)}, {"post", ArchivedValue::integer(i)}});
        if (postDistributedNotification("Together", "worker", info)) ++posted;
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(posted.load(), 12);

  const std::vector<test::MonitoredSignal> seen = monitor.signals("Notification", 13, 5s);
  ASSERT_EQ(seen.size(), 13u) << monitor.printout();
  EXPECT_EQ(seen[0].arguments, (std::vector<std::string>{"'Alone'", "'worker'", "[]"}));
  std::vector<std::string> together;
  for (std::size_t i = 1; i < seen.size(); ++i) together.push_back(seen[i].arguments.at(2));
  std::sort(together.begin(), together.end());
  std::vector<std::string> expected;
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 3; ++i) {
      expected.push_back("{'post': <int64 " + std::to_string(i) + ">, 'thread': <int64 " + std::to_string(t) + ">}");
    }
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(together, expected);
}

TEST(DistributedNotifications, FindsABusThatWasStartedAfterTheFirstPost) {
  EnvironmentVariable keep("DBUS_SESSION_BUS_ADDRESS");
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    VORL_PRIVATE_SESSION_BUS(bus);
    test::BusMonitor monitor(bus.address(), kMatchRule);
    ASSERT_TRUE(monitor.watching()) << monitor.failure();
    EXPECT_TRUE(postDistributedNotification("Round", std::to_string(round), dictionary({})));
    EXPECT_EQ(monitor.signals("Notification", 1, 5s).size(), 1u) << monitor.printout();
  }
}

TEST(DistributedNotifications, FailsQuicklyWithoutABus) {
  EnvironmentVariable keep("DBUS_SESSION_BUS_ADDRESS");
  std::string stoppedBus;
  {
    VORL_PRIVATE_SESSION_BUS(bus);
    stoppedBus = bus.address();
  }
  const struct {
    const char* name;
    std::optional<std::string> address;
  } cases[] = {
      {"no variable", std::nullopt},
      {"empty variable", ""},
      {"no socket there", "unix:path=" + (test::testRoot() / "no-such-bus").string()},
      {"a bus that has stopped", stoppedBus},
      {"nothing listening", "tcp:host=127.0.0.1,port=1"},
      {"not an address", "this is not an address"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.address) {
      ::setenv("DBUS_SESSION_BUS_ADDRESS", c.address->c_str(), 1);
    } else {
      ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    const auto start = std::chrono::steady_clock::now();
    bool posted = true;
    std::thread([&] { posted = postDistributedNotification("Nobody", "test", dictionary({})); }).join();
    EXPECT_FALSE(posted);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  }
}

TEST(DistributedNotifications, RefusesUserInfoNestedDeeperThanTheBusAllows) {
  VORL_PRIVATE_SESSION_BUS(bus);
  test::BusMonitor monitor(bus.address(), kMatchRule);
  ASSERT_TRUE(monitor.watching()) << monitor.failure();
  // The bus takes containers nested 64 deep and no deeper: a dictionary level is three of them (array, entry,
  // variant), an array level two. A job file may nest as deep as the archive reader allows.
  const struct {
    const char* name;
    ArchivedValue userInfo;
    bool posted;
  } cases[] = {
      {"DictionariesAtTheLimit", nestedDictionaries(21), true},
      {"DictionariesBeyond", nestedDictionaries(22), false},
      {"ArraysBelowTheLimit", nestedArrays(30), true},
      {"ArraysBeyond", nestedArrays(31), false},
      {"AsDeepAsAnArchiveGoes", nestedDictionaries(kMaxArchiveDepth), false},
      {"After", dictionary({}), true},
  };
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(postDistributedNotification(c.name, "", c.userInfo), c.posted);
    if (c.posted) expected.push_back("'" + std::string(c.name) + "'");
  }
  // A refused post must not have cost the bus connection of the next one.
  const std::vector<test::MonitoredSignal> seen = monitor.signals("Notification", expected.size(), 5s);
  std::vector<std::string> names;
  for (const test::MonitoredSignal& signal : seen) names.push_back(signal.arguments.at(0));
  EXPECT_EQ(names, expected);
}

TEST(BusMonitorPrintout, ReadsNestedValuesAndBytes) {
  // What dbus-monitor printed for a signal sent by dbus-send, so that the reader is checked apart from our sender.
  const std::string printout =
      "signal time=1.5 sender=:1.3 -> destination=(null destination) serial=1 path=/p; interface=i.x; member=M\n"
      "   array of bytes [\n"
      "      00 ff 41\n"
      "   ]\n"
      "   array of bytes \"AB\"\n"
      "   variant       int64 5\n"
      "   array [\n"
      "      dict entry(\n"
      "         string \"b\"\n"
      "         variant             string \"say \"hi\"\"\n"
      "      )\n"
      "      dict entry(\n"
      "         string \"a\"\n"
      "         variant             array [\n"
      "               double 1.5\n"
      "               boolean false\n"
      "            ]\n"
      "      )\n"
      "   ]\n"
      "method call time=2 sender=:1.3 -> destination=x serial=2 path=/q; interface=i.y; member=Call\n"
      "   string \"ignored\"\n";
  const std::vector<test::MonitoredSignal> signals = test::parseMonitorPrintout(printout);
  ASSERT_EQ(signals.size(), 1u);
  EXPECT_EQ(signals[0].path, "/p");
  EXPECT_EQ(signals[0].interface, "i.x");
  EXPECT_EQ(signals[0].member, "M");
  EXPECT_EQ(signals[0].arguments,
            (std::vector<std::string>{"bytes[00 ff 41]", "bytes[41 42]", "<int64 5>",
                                      "{'a': <[double 1.5, boolean false]>, 'b': <'say \"hi\"'>}"}));
}

}  // namespace
}  // namespace vorl
