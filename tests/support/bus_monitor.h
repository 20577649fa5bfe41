// Watching a bus with dbus-monitor, the reference tool of the D-Bus project, so that what our code sends is read
// by another implementation than the one that wrote it.
//
// The monitor's printout is parsed back into values and each argument is given in a compact typed notation in
// which every type shows:
//   string 'text'   int64 int64 5   double double 1.5   boolean boolean true   variant <value>
//   array [a, b]    a{..} {'key': <value>, ...} (entries sorted by key)   ay bytes[00 ff 41]
// Strings are expected without a line break followed by nothing else than a quote, which the printout cannot
// tell from its own.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorl::test {

struct MonitoredSignal {
  std::string path;
  std::string interface;
  std::string member;
  std::vector<std::string> arguments;  // in the notation above
};

class BusMonitor {
 public:
  // Starts dbus-monitor on the bus with the match rule and waits until the bus has made it a monitor.
  BusMonitor(const std::string& address, const std::string& matchRule);
  ~BusMonitor();
  BusMonitor(const BusMonitor&) = delete;
  BusMonitor& operator=(const BusMonitor&) = delete;

  bool watching() const noexcept { return watching_; }
  const std::string& failure() const noexcept { return failure_; }

  // The signals seen so far that carry the member name, waiting up to `timeout` for there to be `count`.
  std::vector<MonitoredSignal> signals(std::string_view member, std::size_t count,
                                       std::chrono::milliseconds timeout) const;
  // All the monitor printed, for failure messages.
  std::string printout() const;

 private:
  pid_t monitor_ = -1;
  std::filesystem::path output_;
  bool watching_ = false;
  std::string failure_;
};

// Parses dbus-monitor's printout into its signals (exposed for the parser's own test).
std::vector<MonitoredSignal> parseMonitorPrintout(std::string_view printout);

}  // namespace vorl::test
