// Sibling programs: the process table read for a real child, and starts of programs that are missing, end at
// once or hang.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "app/processing/sibling_apps.h"
#include "platform/plists/user_defaults.h"
#include "tests/app/app_harness.h"
#include "tests/app/log_capture.h"

extern char** environ;

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;
using test::LogCapture;
using namespace std::chrono_literals;

// A copy of sleep under a name no other process has, so the process table can be asked for it alone.
class Sleeper {
 public:
  Sleeper() {
    dir_ = fs::temp_directory_path() / ("vorl-sibling-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    program_ = dir_ / ("vsib" + std::to_string(::getpid()));
    fs::copy_file("/bin/sleep", program_, fs::copy_options::overwrite_existing);
    fs::permissions(program_, fs::perms::owner_all);
  }
  ~Sleeper() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  const fs::path& program() const { return program_; }
  std::string name() const { return program_.filename().string(); }

 private:
  fs::path dir_;
  fs::path program_;
};

void configure(const char* desktopId, PlistArray command) {
  standardUserDefaults().setObject(siblingCommandKey(desktopId), PlistValue(std::move(command)));
}

void forget(const char* desktopId) { standardUserDefaults().removeObject(siblingCommandKey(desktopId)); }

bool waitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 500; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

TEST(SiblingPrograms, ProcessTableFindsARunningChildAndPassesOverItsEnd) {
  Sleeper sleeper;
  pid_t found = -1;
  EXPECT_EQ(MyFindProcessNew(sleeper.name(), found), kProcessNotFound);
  EXPECT_EQ(found, 0);

  const std::string program = sleeper.program().string();
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("30"), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ), 0);
  ASSERT_TRUE(waitUntil([&] { return MyFindProcessNew(sleeper.name(), found) == noErr; }));
  EXPECT_EQ(found, child);
  EXPECT_EQ(MyFindProcessNew(program, found), noErr);  // by its path too
  EXPECT_EQ(found, child);

  // Ended but not yet reaped: no longer running.
  ::kill(child, SIGKILL);
  EXPECT_TRUE(waitUntil([&] { return MyFindProcessNew(sleeper.name(), found) == kProcessNotFound; }));
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(MyFindProcessNew(sleeper.name(), found), kProcessNotFound);
}

TEST(SiblingPrograms, StartsNeverHoldTheCallerAndFailuresAreLogged) {
  Sleeper sleeper;
  LogCapture log;
  const struct {
    const char* what;
    int kind;
    PlistArray command;  // empty: none configured
    bool started;
    const char* logged;
  } cases[] = {
      {"a missing program", 39, {"/nonexistent/vorl-point-of-sale"}, false, "could not be started"},
      {"a program that ends at once", 39, {"/bin/true"}, true, "LSOpenApplication executed with error = [0]"},
      {"no command", 39, {}, false, "has no command"},
      {"a kind without a program", 1, {"/bin/true"}, false, nullptr},
      {"a program that hangs", 35, {sleeper.program().string(), "30"}, true, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const char* id = c.kind == 35 ? kCanonCompanionDesktopId : kPointOfSaleDesktopId;
    if (c.command.empty()) {
      forget(id);
    } else {
      configure(id, c.command);
    }
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(LaunchVorlRelatedApp(c.kind), c.started);
    EXPECT_LT(clock.elapsed(), 3000);
    if (c.logged != nullptr) {
      EXPECT_NE(log.text().find(c.logged), std::string::npos) << log.text();
    }
  }
  // The one that ended at once is reported once the event loop has looked for it.
  EXPECT_TRUE(AppHarness::waitFor(
      [&] { return log.contains(std::string(kPointOfSaleDesktopId) + " ended right after its start"); }, 10s))
      << log.text();

  // The hanging one runs on its own; while a camera companion runs nothing else is started.
  pid_t hanging = 0;
  ASSERT_TRUE(waitUntil([&] { return MyFindProcessNew(sleeper.name(), hanging) == noErr; }));
  EXPECT_TRUE(isSiblingRunning(kCanonCompanionDesktopId));
  configure(kPointOfSaleDesktopId, {"/bin/true"});
  EXPECT_FALSE(LaunchVorlRelatedApp(39));
  ::kill(hanging, SIGKILL);
  EXPECT_TRUE(waitUntil([&] { return !isSiblingRunning(kCanonCompanionDesktopId); }));
  EXPECT_TRUE(LaunchVorlRelatedApp(39));
  forget(kPointOfSaleDesktopId);
  forget(kCanonCompanionDesktopId);
}

TEST(SiblingPrograms, AConfiguredCommandOfTheWrongShapeFallsBackToTheDesktopEntry) {
  const char* id = kPointOfSaleDesktopId;
  for (PlistValue bad : {PlistValue("/bin/true"), PlistValue(PlistArray{}), PlistValue(PlistArray{PlistValue(3)})}) {
    standardUserDefaults().setObject(siblingCommandKey(id), bad);
    EXPECT_FALSE(siblingCommand(id).has_value());  // no desktop entry in the test's data folders
  }
  const fs::path entries = fs::path(qgetenv("XDG_DATA_HOME").toStdString()) / "applications";
  fs::create_directories(entries);
  {
    std::ofstream(entries / (std::string(id) + ".desktop")) << "[Desktop Entry]\nType=Application\nExec=/bin/true %U\n";
  }
  EXPECT_EQ(siblingCommand(id), (std::vector<std::string>{"/bin/true"}));
  fs::remove(entries / (std::string(id) + ".desktop"));
  forget(id);
}

}  // namespace
}  // namespace vorl
