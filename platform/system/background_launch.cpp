#include "platform/system/background_launch.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>

#include "platform/files/xdg_folders.h"

extern char** environ;

namespace fs = std::filesystem;

namespace vorl {
namespace {

// What the child needs, made before forking: in a process with other threads the child may only make
// async-signal-safe calls until it executes, so no allocation, no PATH lookup with getenv, no logging there.
struct PreparedCommand {
  std::vector<char*> argv;
  std::vector<std::string> candidates;  // where the program may be, in PATH order
  std::vector<const char*> candidatePointers;
};

PreparedCommand prepare(const std::vector<std::string>& arguments) {
  PreparedCommand command;
  command.argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) command.argv.push_back(const_cast<char*>(argument.c_str()));
  command.argv.push_back(nullptr);

  const std::string& program = arguments.front();
  if (program.find('/') != std::string::npos) {
    command.candidates.push_back(program);
  } else {
    // execvp's rules: an empty PATH element is the working folder; without PATH, the system's default.
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/bin:/usr/bin";
    for (;;) {
      const std::size_t colon = rest.find(':');
      const std::string_view folder = rest.substr(0, colon);
      command.candidates.push_back(folder.empty() ? program : std::string(folder) + "/" + program);
      if (colon == std::string_view::npos) break;
      rest = rest.substr(colon + 1);
    }
  }
  for (const std::string& candidate : command.candidates) command.candidatePointers.push_back(candidate.c_str());
  return command;
}

[[noreturn]] void writeErrorAndExit(int pipeEnd, int error) noexcept {
  while (::write(pipeEnd, &error, sizeof error) < 0 && errno == EINTR) {
  }
  ::_exit(127);
}

// The grandchild: detaches and executes. Async-signal-safe calls only.
[[noreturn]] void becomeProgram(const PreparedCommand& command, char** environment, int errorPipe) noexcept {
  ::setsid();

  // Handlers of ours mean nothing to the program; ignored signals would stay ignored across exec.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &byDefault, nullptr);
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);

  const int null = ::open("/dev/null", O_RDWR);
  if (null < 0) writeErrorAndExit(errorPipe, errno);
  for (int standard = STDIN_FILENO; standard <= STDERR_FILENO; ++standard) {
    if (::dup2(null, standard) < 0) writeErrorAndExit(errorPipe, errno);
  }
  if (null > STDERR_FILENO) ::close(null);
  // Descriptors that some library opened without close-on-exec (a log file, a socket) must not live on in the
  // program for as long as it runs. Marking keeps the error pipe open until the exec itself.
  ::close_range(STDERR_FILENO + 1, UINT_MAX, CLOSE_RANGE_CLOEXEC);

  // As execvp: a candidate that is missing is passed over; one found but not executable is remembered in case
  // nothing better follows; any other failure ends the search.
  int error = ENOENT;
  bool deniedSomewhere = false;
  for (const char* candidate : command.candidatePointers) {
    ::execve(candidate, command.argv.data(), environment);
    error = errno;
    if (error == EACCES) {
      deniedSomewhere = true;
    } else if (error != ENOENT && error != ENOTDIR && error != ESTALE && error != ENODEV && error != ETIMEDOUT) {
      break;
    }
  }
  writeErrorAndExit(errorPipe, deniedSomewhere && (error == ENOENT || error == ENOTDIR) ? EACCES : error);
}

// Every signal blocked in this thread while forking, so that no handler of ours runs in a child before the
// child has put the defaults back.
class AllSignalsBlocked {
 public:
  AllSignalsBlocked() {
    sigset_t all;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous_);
  }
  ~AllSignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  AllSignalsBlocked(const AllSignalsBlocked&) = delete;
  AllSignalsBlocked& operator=(const AllSignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

// A descriptor at 3 or above, so that putting /dev/null on 0, 1 and 2 in the child cannot replace it.
int aboveStandardStreams(int fd) {
  if (fd > STDERR_FILENO) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  ::close(fd);
  return moved;
}

}  // namespace

BackgroundLaunchResult launchInBackground(const std::vector<std::string>& arguments) {
  BackgroundLaunchResult result;
  if (arguments.empty() || arguments.front().empty()) {
    result.startError = EINVAL;
    return result;
  }
  const PreparedCommand command = prepare(arguments);
  char** const environment = environ;

  // The program's start is reported through a close-on-exec pipe: it closes unread when the exec succeeds, and
  // carries the errno when it fails.
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    result.startError = errno;
    return result;
  }
  const int readEnd = aboveStandardStreams(ends[0]);
  const int writeEnd = aboveStandardStreams(ends[1]);
  if (readEnd < 0 || writeEnd < 0) {
    result.startError = errno;
    if (readEnd >= 0) ::close(readEnd);
    if (writeEnd >= 0) ::close(writeEnd);
    return result;
  }

  pid_t intermediate = -1;
  {
    AllSignalsBlocked blocked;
    intermediate = ::fork();
    if (intermediate == 0) {
      // The intermediate child forks the program and ends at once, so the program is adopted by init (or a
      // subreaper) and this process never has to wait for it.
      ::close(readEnd);
      const pid_t program = ::fork();
      if (program == 0) becomeProgram(command, environment, writeEnd);
      if (program < 0) writeErrorAndExit(writeEnd, errno);
      ::_exit(0);
    }
  }
  const int forkError = errno;
  ::close(writeEnd);
  if (intermediate < 0) {
    ::close(readEnd);
    result.startError = forkError;
    return result;
  }
  int status = 0;
  while (::waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
  }

  int childError = 0;
  ssize_t got = 0;
  do {
    got = ::read(readEnd, &childError, sizeof childError);
  } while (got < 0 && errno == EINTR);
  ::close(readEnd);
  if (got == static_cast<ssize_t>(sizeof childError)) {
    result.startError = childError;
    return result;
  }
  result.started = true;
  return result;
}

namespace {

// The general escapes of desktop-entry string values; an unknown one is kept as written, so that the quoting
// rules of "Exec" still see a `\"` that an entry wrote with one backslash.
std::string unescapeStringValue(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      text.push_back(value[i]);
      continue;
    }
    switch (const char next = value[++i]) {
      case 's':
        text.push_back(' ');
        break;
      case 'n':
        text.push_back('\n');
        break;
      case 't':
        text.push_back('\t');
        break;
      case 'r':
        text.push_back('\r');
        break;
      case '\\':
        text.push_back('\\');
        break;
      default:
        text.push_back('\\');
        text.push_back(next);
    }
  }
  return text;
}

std::optional<std::vector<std::string>> splitExecValue(std::string_view exec) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;  // a token has begun, even if it may end up empty
  bool quoted = false;      // the token held a quoted part: "" is an empty argument, not nothing
  bool inQuotes = false;
  const auto finish = [&] {
    // A token made only of field codes that expand to nothing disappears entirely.
    if (inArgument && (quoted || !current.empty())) arguments.push_back(current);
    current.clear();
    inArgument = quoted = false;
  };
  for (std::size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (inQuotes) {
      if (c == '"') {
        inQuotes = false;
        continue;
      }
      if (c == '\\' && i + 1 < exec.size()) {
        const char next = exec[i + 1];
        if (next == '"' || next == '`' || next == '$' || next == '\\') {
          current.push_back(next);
          ++i;
          continue;
        }
      }
    } else if (c == ' ' || c == '\t' || c == '\n') {
      finish();
      continue;
    } else if (c == '"') {
      inArgument = quoted = inQuotes = true;
      continue;
    }
    inArgument = true;
    if (c != '%') {
      current.push_back(c);
      continue;
    }
    if (i + 1 == exec.size()) return std::nullopt;
    switch (exec[++i]) {
      case '%':
        current.push_back('%');
        break;
      // No file or URL is passed, and the icon, name and entry location are not wanted by the programs
      // started this way; the deprecated codes are to be dropped.
      case 'f':
      case 'F':
      case 'u':
      case 'U':
      case 'i':
      case 'c':
      case 'k':
      case 'd':
      case 'D':
      case 'n':
      case 'N':
      case 'v':
      case 'm':
        break;
      default:
        return std::nullopt;
    }
  }
  if (inQuotes) return std::nullopt;
  finish();
  if (arguments.empty() || arguments.front().empty()) return std::nullopt;
  return arguments;
}

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::optional<std::string> execValueOf(std::istream& entry) {
  std::string line;
  bool inMainGroup = false;
  while (std::getline(entry, line)) {
    const std::string_view text = trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    if (text.front() == '[') {
      inMainGroup = text == "[Desktop Entry]";
      continue;
    }
    if (!inMainGroup) continue;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || trimmed(text.substr(0, equals)) != "Exec") continue;
    return unescapeStringValue(trimmed(text.substr(equals + 1)));
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::string>> desktopEntryCommand(std::string_view desktopEntryId) {
  if (desktopEntryId.empty() || desktopEntryId.find('/') != std::string_view::npos ||
      desktopEntryId.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  const std::string fileName = std::string(desktopEntryId) + ".desktop";
  std::vector<fs::path> folders{xdgDataHome()};
  for (const fs::path& folder : xdgDataDirs()) folders.push_back(folder);
  for (const fs::path& folder : folders) {
    const fs::path path = folder / "applications" / fileName;
    std::error_code error;
    if (!fs::exists(path, error)) continue;
    // The first entry found hides any of the same id further down the list, even when it is of no use.
    std::ifstream entry(path);
    if (!entry) return std::nullopt;
    const std::optional<std::string> exec = execValueOf(entry);
    if (!exec || entry.bad()) return std::nullopt;
    return splitExecValue(*exec);
  }
  return std::nullopt;
}

}  // namespace vorl
