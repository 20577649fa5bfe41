// The notification centre's child programs: real processes (/bin/sleep) started, killed, relaunched and quit.
// The process table (/proc) shows independently which programs run with which arguments and environment.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/processing/notification_center.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

constexpr int kGenerousWaitMs = 30000;

// The NUL-separated file of a process in /proc; empty when the process is gone.
std::string procFile(qint64 processIdentifier, const char* name) {
  std::ifstream in("/proc/" + std::to_string(processIdentifier) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How many of this test's own child processes run with exactly this command line (another test may run the
// same program at the same time).
int processesRunning(const std::string& commandLine) {
  int found = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string statLine((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // "pid (name) state ppid ...": the name may hold blanks, so read from the last parenthesis on.
    const auto close = statLine.rfind(") ");
    if (close == std::string::npos) continue;
    char state = 0;
    long parent = 0;
    if (std::sscanf(statLine.c_str() + close + 2, "%c %ld", &state, &parent) != 2) continue;
    if (state == 'Z' || parent != ::getpid()) continue;  // ended and not yet reaped, or not ours
    if (procFile(std::stoll(name), "cmdline") == commandLine) ++found;
  }
  return found;
}

ChildLaunchDictionary sleeper(const char* seconds) {
  ChildLaunchDictionary launch;
  launch.applicationPath = QStringLiteral("/bin/sleep");
  launch.arguments = QStringList{QString::fromLatin1(seconds)};
  launch.environment = QMap<QString, QString>{{QStringLiteral("VORL_CHILD_MARK"), QStringLiteral("supervised")}};
  launch.launchFlags = 0x20;
  return launch;
}

TEST(ChildPrograms, ASupervisedChildThatEndsIsStartedAgainAfterThreeSecondsEachTime) {
  VorlNSNotificationCenter centre;
  centre.setupListenerForChildApps();
  ASSERT_TRUE(centre.launchChildProcess(sleeper("3101")));
  ASSERT_TRUE(centre._childProcesses() && centre._childProcesses()->size() == 1u);
  qint64 previous = centre._childProcesses()->front().processIdentifier;
  QSignalSpy relaunched(&centre, &VorlNSNotificationCenter::childProcessRelaunched);

  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    QElapsedTimer sinceKill;
    sinceKill.start();
    ASSERT_EQ(::kill(static_cast<pid_t>(previous), SIGKILL), 0);
    ASSERT_TRUE(relaunched.wait(kGenerousWaitMs));
    EXPECT_GE(sinceKill.elapsed(), 2900);
    ASSERT_EQ(relaunched.count(), 1);
    const qint64 current = relaunched.takeFirst().at(0).toLongLong();
    EXPECT_NE(current, previous);
    EXPECT_EQ(centre.pendingRelaunchCount(), 0);
    // Remembered once, under its new process, launched as before.
    ASSERT_TRUE(centre._childProcesses() && centre._childProcesses()->size() == 1u);
    const ChildLaunchDictionary& child = centre._childProcesses()->front();
    EXPECT_EQ(child.processIdentifier, current);
    EXPECT_EQ(child.applicationPath, QStringLiteral("/bin/sleep"));
    EXPECT_EQ(child.arguments, QStringList{QStringLiteral("3101")});
    EXPECT_EQ(child.launchFlags, 0x20u);
    EXPECT_EQ(procFile(current, "cmdline"), std::string("/bin/sleep\0" "3101\0", 16));
    EXPECT_EQ(procFile(current, "environ"), std::string("VORL_CHILD_MARK=supervised\0", 27));
    previous = current;
  }
  EXPECT_EQ(processesRunning(std::string("/bin/sleep\0" "3101\0", 16)), 1);
}

TEST(ChildPrograms, NothingIsRelaunchedOnceTheListenerIsDestroyed) {
  VorlNSNotificationCenter centre;
  QSignalSpy terminated(&centre, &VorlNSNotificationCenter::childProcessTerminated);
  QSignalSpy quit(&centre, &VorlNSNotificationCenter::childProcessQuit);
  QSignalSpy relaunched(&centre, &VorlNSNotificationCenter::childProcessRelaunched);
  centre.setupListenerForChildApps();

  // One child ended, its relaunch pending; another still runs.
  ASSERT_TRUE(centre.launchChildProcess(sleeper("3201")));
  const qint64 ended = centre._childProcesses()->front().processIdentifier;
  ASSERT_EQ(::kill(static_cast<pid_t>(ended), SIGKILL), 0);
  ASSERT_TRUE(terminated.wait(kGenerousWaitMs));
  EXPECT_EQ(centre.pendingRelaunchCount(), 1);
  ASSERT_TRUE(centre.launchChildProcess(sleeper("3202")));
  const qint64 running = centre._childProcesses()->back().processIdentifier;

  centre.destroyListerForChildApps();
  EXPECT_FALSE(centre._childProcesses().has_value());
  EXPECT_EQ(centre.pendingRelaunchCount(), 0);
  ASSERT_TRUE(quit.wait(kGenerousWaitMs));  // the running child was asked to quit and has ended
  EXPECT_EQ(quit.takeFirst().at(0).toLongLong(), running);
  EXPECT_EQ(terminated.count(), 1);  // its end was not taken for a crash

  // A new listener's relaunch, scheduled after the dropped one, fires after it would have: only it starts.
  centre.setupListenerForChildApps();
  ASSERT_TRUE(centre.launchChildProcess(sleeper("3203")));
  ASSERT_EQ(::kill(static_cast<pid_t>(centre._childProcesses()->front().processIdentifier), SIGKILL), 0);
  ASSERT_TRUE(relaunched.wait(kGenerousWaitMs));
  EXPECT_EQ(relaunched.count(), 1);
  EXPECT_EQ(processesRunning(std::string("/bin/sleep\0" "3201\0", 16)), 0);
  EXPECT_EQ(processesRunning(std::string("/bin/sleep\0" "3202\0", 16)), 0);
  EXPECT_EQ(processesRunning(std::string("/bin/sleep\0" "3203\0", 16)), 1);
  ASSERT_EQ(centre._childProcesses()->size(), 1u);
  EXPECT_EQ(centre._childProcesses()->front().arguments, QStringList{QStringLiteral("3203")});
}

TEST(ChildPrograms, ALaunchThatFailsOrHasNoListenerIsNotRemembered) {
  VorlNSNotificationCenter centre;
  EXPECT_TRUE(centre.launchChildProcess(sleeper("3301")));  // started, but nobody supervises yet
  EXPECT_FALSE(centre._childProcesses().has_value());

  centre.setupListenerForChildApps();
  ChildLaunchDictionary noPath = sleeper("3302");
  noPath.applicationPath.clear();
  ChildLaunchDictionary missing = sleeper("3303");
  missing.applicationPath = QStringLiteral("/nonexistent/vorl-child");
  for (const ChildLaunchDictionary& launch : {noPath, missing}) {
    SCOPED_TRACE(launch.applicationPath.toStdString());
    EXPECT_FALSE(centre.launchChildProcess(launch));
  }
  EXPECT_TRUE(centre._childProcesses()->empty());
}

TEST(ChildPrograms, CompanionProgramsAreLookedForBesideTheProgram) {
  const fs::path folder = test::makeTempFolder("companions");
  std::ofstream(folder / kEMailProgramName) << "#!/bin/sh\n";
  ::chmod((folder / kEMailProgramName).c_str(), 0755);
  std::ofstream(folder / kVideoProgramName) << "not executable\n";
  const QString where = QString::fromStdString(folder.string());
  EXPECT_TRUE(VorlNSNotificationCenter::companionProgramExists(where, QString::fromLatin1(kEMailProgramName)));
  EXPECT_FALSE(VorlNSNotificationCenter::companionProgramExists(where, QString::fromLatin1(kVideoProgramName)));
  EXPECT_FALSE(VorlNSNotificationCenter::companionProgramExists(where, QStringLiteral("vorl-absent")));
  // The test program's folder holds neither.
  EXPECT_FALSE(VorlNSNotificationCenter::eMailAppExists());
  EXPECT_FALSE(VorlNSNotificationCenter::videoAppExists());
}

}  // namespace
}  // namespace vorl
