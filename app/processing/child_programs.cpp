// The notification centre's supervision of child programs: starting them, starting a supervised one again three
// seconds after it ended, and quitting them when supervision ends.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <algorithm>

#include "app/processing/notification_center.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

// How long a supervised child stays down before it is started again.
constexpr int kRelaunchDelayMilliseconds = 3000;

void logInside(const char* selector) { systemLogf("Inside VorlNSNotificationCenter => %s...", selector); }

}  // namespace

void VorlNSNotificationCenter::setupListenerForChildApps() {
  logInside("setupListenerForChildApps");
  destroyListerForChildApps();
  fChildProcesses.emplace();
  fListening = true;
}

void VorlNSNotificationCenter::setupListenerForNikonApp() {
  logInside("setupListenerForNikonApp");
  destroyListerForChildApps();
  fChildProcesses.emplace();
  fListening = true;
}

void VorlNSNotificationCenter::setupListenerForCanonApp() {
  logInside("setupListenerForCanonApp");
  destroyListerForChildApps();
  fChildProcesses.emplace();
  fListening = true;
}

std::int64_t VorlNSNotificationCenter::startChild(const ChildLaunchDictionary& launch) {
  if (launch.applicationPath.isEmpty()) {
    systemLog("VorlNSNotificationCenter: a child program without a path is not started");
    return 0;
  }
  auto* process = new QProcess(this);
  process->setProgram(launch.applicationPath);
  if (launch.arguments) process->setArguments(*launch.arguments);
  if (launch.environment) {
    QProcessEnvironment environment;
    for (auto entry = launch.environment->constBegin(); entry != launch.environment->constEnd(); ++entry)
      environment.insert(entry.key(), entry.value());
    process->setProcessEnvironment(environment);
  }
  // A child's output would fill a pipe nobody reads and stop it.
  process->setStandardInputFile(QProcess::nullDevice());
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  process->start();
  // Returns once the program has been executed or has failed to be; it does not wait for the program itself.
  if (!process->waitForStarted() || process->processId() <= 0) {
    systemLogf("VorlNSNotificationCenter: [%s] cannot be started: %s", launch.applicationPath.toUtf8().constData(),
               process->errorString().toUtf8().constData());
    delete process;
    return 0;
  }
  const std::int64_t processIdentifier = process->processId();
  const QString name = QFileInfo(launch.applicationPath).fileName();
  fRunningChildren[processIdentifier] = process;
  connect(process, &QProcess::finished, this,
          [this, process, processIdentifier, name] { childProcessEnded(process, processIdentifier, name); });
  return processIdentifier;
}

bool VorlNSNotificationCenter::launchChildProcess(const ChildLaunchDictionary& launch) {
  const std::int64_t processIdentifier = startChild(launch);
  if (processIdentifier == 0) return false;
  if (fChildProcesses) {
    ChildLaunchDictionary remembered = launch;
    remembered.processIdentifier = processIdentifier;
    fChildProcesses->push_back(std::move(remembered));
  }
  return true;
}

void VorlNSNotificationCenter::childProcessEnded(QProcess* process, std::int64_t processIdentifier,
                                                 const QString& name) {
  fRunningChildren.erase(processIdentifier);
  process->deleteLater();
  if (process->property("vorlQuitRequested").toBool()) {
    emit childProcessQuit(processIdentifier);
    return;
  }
  if (fListening) childProcessDidTerminate(processIdentifier, name);
}

void VorlNSNotificationCenter::childProcessDidTerminate(std::int64_t processIdentifier, const QString& name) {
  systemLogf("App terminated: { NSApplicationName = \"%s\"; NSApplicationProcessIdentifier = %lld; }",
             name.toUtf8().constData(), static_cast<long long>(processIdentifier));
  if (!fChildProcesses || fChildProcesses->empty()) return;
  const auto found =
      std::find_if(fChildProcesses->begin(), fChildProcesses->end(), [processIdentifier](const auto& child) {
        return child.processIdentifier == processIdentifier;
      });
  if (found == fChildProcesses->end()) return;
  ChildLaunchDictionary child = std::move(*found);
  fChildProcesses->erase(found);
  systemLogf("Child process \"%s\" (PID %lld) has terminated unexpectedly. Attempting to relaunch...",
             name.toUtf8().constData(), static_cast<long long>(processIdentifier));
  ++fPendingRelaunches;
  const std::uint64_t generation = fListenerGeneration;
  emit childProcessTerminated(processIdentifier);
  QTimer::singleShot(kRelaunchDelayMilliseconds, Qt::PreciseTimer, this, [this, child = std::move(child), generation] {
    if (generation != fListenerGeneration) return;  // the listener that scheduled it is gone
    --fPendingRelaunches;
    if (!launchChildProcess(child)) return;
    emit childProcessRelaunched(fChildProcesses->back().processIdentifier, child.applicationPath);
  });
}

void VorlNSNotificationCenter::quitApplication(const ChildLaunchDictionary& launch) {
  const auto running = fRunningChildren.find(launch.processIdentifier);
  if (running == fRunningChildren.end()) return;
  running->second->setProperty("vorlQuitRequested", true);
  running->second->terminate();
}

void VorlNSNotificationCenter::destroyListerForChildApps() {
  logInside("destroyListerForChildApps");
  fListening = false;
  ++fListenerGeneration;
  fPendingRelaunches = 0;
  if (fChildProcesses) {
    std::vector<ChildLaunchDictionary> children = std::move(*fChildProcesses);
    fChildProcesses->clear();
    for (const ChildLaunchDictionary& child : children) quitApplication(child);
  }
  fChildProcesses.reset();
}

bool VorlNSNotificationCenter::companionProgramExists(const QString& folder, const QString& programName) {
  const QFileInfo program(QDir(folder).filePath(programName));
  return program.isFile() && program.isExecutable();
}

bool VorlNSNotificationCenter::eMailAppExists() {
  return companionProgramExists(QCoreApplication::applicationDirPath(), QString::fromLatin1(kEMailProgramName));
}

bool VorlNSNotificationCenter::videoAppExists() {
  return companionProgramExists(QCoreApplication::applicationDirPath(), QString::fromLatin1(kVideoProgramName));
}

}  // namespace vorl
