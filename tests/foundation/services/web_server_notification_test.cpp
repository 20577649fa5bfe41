// The notice to the web-server companion, read off a private session bus by dbus-monitor.
#include "foundation/services/web_server_notification.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/bus_monitor.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/private_session_bus.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

using namespace std::chrono_literals;

const std::string kMatchRule = "type='signal',interface='org.vorl.DistributedNotifications'";

// Standard error, where log lines go, into a file for the life of the object.
class CapturedStandardError {
 public:
  CapturedStandardError() : file_(test::makeTempFolder("stderr") / "captured.txt") {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
  }
  ~CapturedStandardError() {
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }
  std::string text() const {
    std::ifstream in(file_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  fs::path file_;
  int saved_ = -1;
};

ArchivedValue jobDictionary(const char* status) {
  return ArchivedValue::dictionary({{"imageurl", ArchivedValue::string("http://studio.local/jobs/job 7.jpg")},
                                    {"status", ArchivedValue::string(status)},
                                    {"copies", ArchivedValue::integer(2)}});
}

TEST(WebServerNotification, CarriesTheSenderAndTheJobDictionaryWithObjectTest) {
  VORL_PRIVATE_SESSION_BUS(bus);
  test::BusMonitor monitor(bus.address(), kMatchRule);
  ASSERT_TRUE(monitor.watching()) << monitor.failure();
  const char* statuses[] = {"Job processed by Vorl-Zeverezoz", "Job failed to process"};
  for (const char* status : statuses) mySendNotificationToWebServerAppWithDictionary(jobDictionary(status));

  const std::vector<test::MonitoredSignal> seen = monitor.signals("Notification", 2, 5s);
  ASSERT_EQ(seen.size(), 2u) << monitor.printout();
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(statuses[i]);
    EXPECT_EQ(seen[i].arguments,
              (std::vector<std::string>{
                  "'VorlWebServerNotification'", "'test'",
                  std::string("{'printJob': <{'copies': <int64 2>, 'imageurl': <'http://studio.local/jobs/job 7.jpg'>, "
                              "'status': <'") +
                      statuses[i] + "'>}>, 'senderApp': <'Vorl-Zeverezoz'>}"}))
        << monitor.printout();
  }
}

TEST(WebServerNotification, LogsTheUserInfoItSends) {
  VORL_PRIVATE_SESSION_BUS(bus);
  std::string log;
  {
    CapturedStandardError captured;
    mySendNotificationToWebServerAppWithDictionary(
        ArchivedValue::dictionary({{"imageurl", ArchivedValue::string("http://h/a.jpg")},
                                   {"when", ArchivedValue::date(0)},
                                   {"data", ArchivedValue::data({1, 2, 3, 4, 5})},
                                   {"list", ArchivedValue::array({ArchivedValue::integer(1), ArchivedValue()})}}));
    log = captured.text();
  }
  EXPECT_NE(log.find("Dictionary={ \"senderApp\" = \"Vorl-Zeverezoz\"; \"printJob\" = { \"imageurl\" = "
                     "\"http://h/a.jpg\"; \"when\" = 2001-01-01 00:00:00 +0000; \"data\" = <01020304 05>; "
                     "\"list\" = ( 1, <null> ); }; }\n"),
            std::string::npos)
      << log;
}

TEST(WebServerNotification, WithoutABusTheWorkerGoesOnAtOnce) {
  const char* previous = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const std::optional<std::string> saved = previous ? std::optional<std::string>(previous) : std::nullopt;
  ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (test::testRoot() / "no-bus-here").string()).c_str(), 1);
  std::string log;
  const auto start = std::chrono::steady_clock::now();
  {
    CapturedStandardError captured;
    std::thread([] { mySendNotificationToWebServerAppWithDictionary(jobDictionary("Job failed to process")); }).join();
    log = captured.text();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_NE(log.find("Distributed notification VorlWebServerNotification not posted"), std::string::npos) << log;
  if (saved) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", saved->c_str(), 1);
  } else {
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
}

}  // namespace
}  // namespace vorl
