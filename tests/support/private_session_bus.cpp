#include "tests/support/private_session_bus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "tests/support/isolated_environment.h"

extern char** environ;

namespace fs = std::filesystem;

namespace vorl::test {
namespace {

constexpr const char* kAddressVariable = "DBUS_SESSION_BUS_ADDRESS";
// The descriptor on which the daemon writes its address.
constexpr int kAddressDescriptor = 3;

std::optional<std::string> programInPath(const char* name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "/bin:/usr/bin";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const fs::path candidate = fs::path(rest.substr(0, colon)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  return std::nullopt;
}

// Only what a test bus needs: a socket in the test's folder, everyone allowed everything, no activation.
std::string configuration(const fs::path& folder) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>session</type>\n"
         "  <listen>unix:dir=" +
         folder.string() +
         "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "    <allow own=\"*\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

// Reads one line from the descriptor, waiting at most `timeout` in all.
std::optional<std::string> readLine(int fd, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::string line;
  while (line.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd watched{fd, POLLIN, 0};
    const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char buffer[512];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    line.append(buffer, static_cast<std::size_t>(got));
  }
  return line.substr(0, line.find('\n'));
}

}  // namespace

PrivateSessionBus::PrivateSessionBus() {
  if (const char* previous = std::getenv(kAddressVariable)) previousAddress_ = previous;
  const std::optional<std::string> daemon = programInPath("dbus-daemon");
  if (!daemon) {
    daemonMissing_ = true;
    failure_ = "dbus-daemon is not installed";
    return;
  }
  const fs::path folder = makeTempFolder("session-bus");
  const fs::path configFile = folder / "session.conf";
  std::ofstream(configFile) << configuration(folder);

  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    failure_ = std::string("pipe: ") + std::strerror(errno);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  // Its complaints (it cannot raise its descriptor limit, say) go to a file that a failing test can show.
  const std::string log = (folder / "dbus-daemon.log").string();
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, ends[1], kAddressDescriptor);
  const std::string configArgument = "--config-file=" + configFile.string();
  const std::string printArgument = "--print-address=" + std::to_string(kAddressDescriptor);
  std::vector<std::string> arguments{*daemon, configArgument, "--nofork", printArgument};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = -1;
  const int spawnError = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[1]);
  if (spawnError != 0) {
    ::close(ends[0]);
    failure_ = std::string("cannot start dbus-daemon: ") + std::strerror(spawnError);
    return;
  }
  daemon_ = child;
  const std::optional<std::string> address = readLine(ends[0], std::chrono::seconds(10));
  ::close(ends[0]);
  if (!address || address->empty()) {
    std::ifstream complaints(log);
    failure_ = "dbus-daemon printed no address; it said: " +
               std::string(std::istreambuf_iterator<char>(complaints), std::istreambuf_iterator<char>());
    ::kill(daemon_, SIGKILL);
    while (::waitpid(daemon_, nullptr, 0) < 0 && errno == EINTR) {
    }
    daemon_ = -1;
    return;
  }
  address_ = *address;
  ::setenv(kAddressVariable, address_.c_str(), 1);
}

PrivateSessionBus::~PrivateSessionBus() {
  if (daemon_ > 0) {
    ::kill(daemon_, SIGTERM);
    while (::waitpid(daemon_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  if (previousAddress_) {
    ::setenv(kAddressVariable, previousAddress_->c_str(), 1);
  } else {
    ::unsetenv(kAddressVariable);
  }
}

}  // namespace vorl::test
