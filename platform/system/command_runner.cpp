#include "platform/system/command_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace vorl {
namespace {

struct Pipe {
  int read = -1;
  int write = -1;
  ~Pipe() { closeBoth(); }
  void closeBoth() {
    closeRead();
    closeWrite();
  }
  void closeRead() {
    if (read >= 0) ::close(read);
    read = -1;
  }
  void closeWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
};

struct SpawnActions {
  posix_spawn_file_actions_t actions{};
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
};

// Reads what is there; answers false once the pipe is at its end or broken.
bool readAvailable(int fd, std::string& into) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
      into.append(buffer, static_cast<std::size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    return false;
  }
}

}  // namespace

CommandResult runCommand(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout) {
  CommandResult result;
  if (arguments.empty() || arguments.front().empty()) {
    result.startError = EINVAL;
    return result;
  }
  Pipe out, err;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    result.startError = errno;
    return result;
  }
  out.read = fds[0];
  out.write = fds[1];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    result.startError = errno;
    return result;
  }
  err.read = fds[0];
  err.write = fds[1];
  // The child's ends must block as ordinary output does.
  ::fcntl(out.write, F_SETFL, 0);
  ::fcntl(err.write, F_SETFL, 0);

  SpawnActions spawn;
  posix_spawn_file_actions_addopen(&spawn.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&spawn.actions, out.write, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&spawn.actions, err.write, STDERR_FILENO);

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  pid_t child = 0;
  if (const int failure = ::posix_spawnp(&child, argv[0], &spawn.actions, nullptr, argv.data(), environ);
      failure != 0) {
    result.startError = failure;
    return result;
  }
  result.started = true;
  out.closeWrite();
  err.closeWrite();

  int status = 0;
  bool ended = false;
  bool outOpen = true, errOpen = true;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!ended) {
    pollfd watched[2] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
    if (!outOpen) watched[0].fd = -1;
    if (!errOpen) watched[1].fd = -1;
    // A short wait: the loop also looks whether the program itself has ended, or has run out of time.
    if (::poll(watched, 2, 50) < 0 && errno != EINTR) break;
    if (outOpen && watched[0].revents) outOpen = readAvailable(out.read, result.standardOutput);
    if (errOpen && watched[1].revents) errOpen = readAvailable(err.read, result.standardError);
    ended = ::waitpid(child, &status, WNOHANG) == child;
    if (!ended && timeout.count() > 0 && std::chrono::steady_clock::now() >= deadline) {
      ::kill(child, SIGKILL);
      result.timedOut = true;
      break;
    }
    // Without a time limit, a program that closed both outputs is simply waited for.
    if (!ended && !outOpen && !errOpen && timeout.count() == 0) break;
  }
  if (!ended) {
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  // What the program wrote before it ended is in the pipes; a process it left behind may write on, unread.
  if (outOpen) readAvailable(out.read, result.standardOutput);
  if (errOpen) readAvailable(err.read, result.standardError);

  if (WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

std::string describeOutcome(const CommandResult& result) {
  if (!result.started) return "could not start: " + std::string(std::strerror(result.startError));
  if (result.timedOut) return "stopped after running out of time";
  if (result.signal != 0) return "signal " + std::to_string(result.signal);
  return "exit status " + std::to_string(result.exitStatus);
}

bool isValidUtf8(std::string_view bytes) noexcept {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    char32_t value = 0, minimum = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (bytes.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace vorl
