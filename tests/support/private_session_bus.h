// A D-Bus session bus of the test's own: a dbus-daemon listening in a temporary folder, named by
// DBUS_SESSION_BUS_ADDRESS for as long as the object lives, so no test talks to the desktop's bus.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace vorl::test {

class PrivateSessionBus {
 public:
  // Starts the daemon and points DBUS_SESSION_BUS_ADDRESS at it.
  PrivateSessionBus();
  // Stops the daemon and puts the variable back as it was.
  ~PrivateSessionBus();
  PrivateSessionBus(const PrivateSessionBus&) = delete;
  PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

  bool daemonMissing() const noexcept { return daemonMissing_; }
  bool running() const noexcept { return daemon_ > 0; }
  const std::string& address() const noexcept { return address_; }
  // Why it is not running.
  const std::string& failure() const noexcept { return failure_; }

 private:
  pid_t daemon_ = -1;
  bool daemonMissing_ = false;
  std::string address_;
  std::string failure_;
  std::optional<std::string> previousAddress_;
};

}  // namespace vorl::test

// In a test body: a private bus named `bus`; the test is skipped when dbus-daemon is not installed and fails when
// it is but does not start.
#define VORL_PRIVATE_SESSION_BUS(bus)                                                     \
  ::vorl::test::PrivateSessionBus bus;                                                    \
  if (bus.daemonMissing()) GTEST_SKIP() << "dbus-daemon is not installed (package dbus)"; \
  ASSERT_TRUE(bus.running()) << bus.failure()
