#include "app/processing/sibling_apps.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <QVariantMap>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/system/background_launch.h"
#include "platform/system/system_log.h"
#include "platform/plists/user_defaults.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;

constexpr char kBusConnectionName[] = "vorl-sibling-programs";
// A sibling that asks for no answer within this time is logged; the caller never waits for it.
constexpr int kActivateTimeoutMs = 5000;
// How long after its start a sibling is looked for in the process table.
constexpr int kStartCheckDelayMs = 1500;

// The whole file, or what could be read of it. Read with plain system calls: a process that ends while its files
// are read makes the read fail (ESRCH), and the stream library answers that with an exception.
std::string readFile(const fs::path& file) {
  std::string text;
  const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return text;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
    if (count > 0) {
      text.append(buffer, static_cast<std::size_t>(count));
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  ::close(descriptor);
  return text;
}

// Whether the process has ended and only waits to be reaped (state 'Z' or 'X' after the name in "stat").
bool hasEnded(const fs::path& processFolder) {
  const std::string stat = readFile(processFolder / "stat");
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size()) return true;
  const char state = stat[close + 2];
  return state == 'Z' || state == 'X';
}

bool matches(const fs::path& processFolder, std::string_view program) {
  std::error_code error;
  const fs::path executable = fs::read_symlink(processFolder / "exe", error);
  std::string cmdline = readFile(processFolder / "cmdline");
  const std::string firstArgument = cmdline.substr(0, cmdline.find('\0'));
  if (program.find('/') != std::string_view::npos) {
    return (!error && executable == fs::path(program)) || firstArgument == program;
  }
  if (!error && executable.filename() == program) return true;
  if (!firstArgument.empty() && fs::path(firstArgument).filename() == program) return true;
  std::string comm = readFile(processFolder / "comm");
  if (!comm.empty() && comm.back() == '\n') comm.pop_back();
  // The short name is the program's file name cut to 15 bytes.
  return !comm.empty() && comm == program.substr(0, 15) && program.size() <= 15;
}

QDBusConnection siblingBus(bool& available) {
  static std::string connectedAddress;
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  available = false;
  if (address == nullptr || *address == '\0') return QDBusConnection(QString::fromLatin1(kBusConnectionName));
  // The address may change under a running test process; a connection to an earlier bus is of no use.
  if (connectedAddress != address) {
    QDBusConnection::disconnectFromBus(QString::fromLatin1(kBusConnectionName));
    connectedAddress = address;
  }
  QDBusConnection connection =
      QDBusConnection::connectToBus(QString::fromLocal8Bit(address), QString::fromLatin1(kBusConnectionName));
  available = connection.isConnected();
  return connection;
}

// The object path the desktop-entry standard derives from the id: "." becomes "/" and "-" becomes "_".
QString applicationObjectPath(std::string_view desktopEntryId) {
  QString path =
      QStringLiteral("/") + QString::fromUtf8(desktopEntryId.data(), static_cast<qsizetype>(desktopEntryId.size()));
  path.replace(QLatin1Char('.'), QLatin1Char('/'));
  path.replace(QLatin1Char('-'), QLatin1Char('_'));
  return path;
}

const char* desktopIdOfKind(int kind) {
  switch (kind) {
    case 33:
    case 34:
      return kNikonCompanionDesktopId;
    case 35:
    case 36:
      return kCanonCompanionDesktopId;
    case 39:
      return kPointOfSaleDesktopId;
    default:
      return nullptr;
  }
}

std::string joined(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) {
    if (!text.empty()) text += ' ';
    text += argument;
  }
  return text;
}

}  // namespace

std::string siblingCommandKey(std::string_view desktopEntryId) {
  return "SiblingCommand " + std::string(desktopEntryId);
}

std::optional<std::vector<std::string>> siblingCommand(std::string_view desktopEntryId) {
  if (const std::optional<PlistValue> value = standardUserDefaults().object(siblingCommandKey(desktopEntryId))) {
    const PlistArray* array = value->get<PlistArray>();
    std::vector<std::string> arguments;
    if (array != nullptr) {
      for (const PlistValue& item : *array) {
        const std::string* argument = item.get<std::string>();
        if (argument == nullptr) {
          arguments.clear();
          break;
        }
        arguments.push_back(*argument);
      }
    }
    if (!arguments.empty() && !arguments.front().empty()) return arguments;
    systemLogf("The user default \"%s\" is not a list of texts naming a program; the desktop entry is used",
               siblingCommandKey(desktopEntryId).c_str());
  }
  return desktopEntryCommand(desktopEntryId);
}

OSErr MyFindProcessNew(std::string_view program, pid_t& process) {
  process = 0;
  if (!program.empty()) {
    std::vector<pid_t> candidates;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
      const std::string name = entry.path().filename().string();
      if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        continue;
      }
      candidates.push_back(static_cast<pid_t>(std::strtol(name.c_str(), nullptr, 10)));
    }
    std::sort(candidates.begin(), candidates.end());
    for (const pid_t candidate : candidates) {
      const fs::path folder = fs::path("/proc") / std::to_string(candidate);
      // A process may end while it is read; what is left of it then matches nothing.
      if (matches(folder, program) && !hasEnded(folder)) {
        process = candidate;
        return noErr;
      }
    }
  }
  systemLog("GetNextProcess END OF LIST...");
  return kProcessNotFound;
}

bool isSiblingRunning(std::string_view desktopEntryId) {
  const std::optional<std::vector<std::string>> command = siblingCommand(desktopEntryId);
  pid_t process = 0;
  return command && MyFindProcessNew(command->front(), process) == noErr;
}

OSErr MyBringApplicationToFront(std::string_view desktopEntryId) {
  bool available = false;
  QDBusConnection bus = siblingBus(available);
  const QString service = QString::fromUtf8(desktopEntryId.data(), static_cast<qsizetype>(desktopEntryId.size()));
  if (!available) {
    systemLogf("MyBringApplicationToFront: no session bus to reach %s", service.toStdString().c_str());
    return kProcessNotFound;
  }
  if (!bus.interface()->isServiceRegistered(service).value()) {
    systemLogf("MyBringApplicationToFront: %s is not running or cannot be brought to the front",
               service.toStdString().c_str());
    return kProcessNotFound;
  }
  QDBusMessage call =
      QDBusMessage::createMethodCall(service, applicationObjectPath(desktopEntryId),
                                     QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
  call << QVariantMap();
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kActivateTimeoutMs));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [service](QDBusPendingCallWatcher* finished) {
    if (finished->isError()) {
      systemLogf("MyBringApplicationToFront: %s did not come to the front: %s", service.toStdString().c_str(),
                 finished->error().message().toStdString().c_str());
    }
    finished->deleteLater();
  });
  return noErr;
}

bool LaunchVorlRelatedApp(int kind) {
  if (isSiblingRunning(kNikonCompanionDesktopId) || isSiblingRunning(kCanonCompanionDesktopId)) return false;
  const char* desktopId = desktopIdOfKind(kind);
  if (desktopId == nullptr) return false;
  const std::optional<std::vector<std::string>> command = siblingCommand(desktopId);
  if (!command) {
    systemLogf("CFURLGetFSRef FAILED - APP File Does NOT Exist at path????? (%s has no command)", desktopId);
    return false;
  }
  systemLogf("baseCFURLRef path URL is: [%s]", joined(*command).c_str());
  const BackgroundLaunchResult result = launchInBackground(*command);
  systemLogf("LSOpenApplication executed with error = [%i] = [%x]", result.startError, result.startError);
  if (!result.started) {
    systemLogf("LaunchVorlRelatedApp: %s could not be started: %s", desktopId, std::strerror(result.startError));
    return false;
  }
  // A sibling that ends at once is worth a line; it is looked for later so that nobody waits for it.
  if (QCoreApplication::instance() != nullptr) {
    const std::string program = command->front();
    const std::string id = desktopId;
    QTimer::singleShot(kStartCheckDelayMs, QCoreApplication::instance(), [program, id] {
      pid_t process = 0;
      if (MyFindProcessNew(program, process) != noErr) {
        systemLogf("LaunchVorlRelatedApp: %s ended right after its start", id.c_str());
      }
    });
  }
  return true;
}

}  // namespace vorl
