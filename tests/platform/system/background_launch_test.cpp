// Sibling programs started in the background: argument vectors that no shell reads, a detached program that is
// never waited for and leaves no zombie, and commands taken from desktop entries.
#include "platform/system/background_launch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <thread>

#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

using namespace std::chrono_literals;

std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

fs::path writeScript(const fs::path& folder, const char* name, const std::string& body) {
  const fs::path path = folder / name;
  writeFile(path, "#!/bin/sh\n" + body);
  fs::permissions(path, fs::perms::owner_all);
  return path;
}

// Waits for a file that the launched program writes last (by renaming it into place).
std::optional<std::string> waitForFile(const fs::path& path, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (fs::exists(path)) return readFile(path);
    std::this_thread::sleep_for(10ms);
  }
  return std::nullopt;
}

// The fields of /proc/<pid>/stat after the command name, which may itself hold blanks and parentheses:
// [0] state, [1] parent, [2] process group, [3] session.
std::vector<std::string> statFields(pid_t pid) {
  const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
  std::istringstream rest(stat.substr(stat.rfind(')') + 1));
  return {std::istream_iterator<std::string>(rest), std::istream_iterator<std::string>()};
}

// Children of this test program, zombies included.
std::vector<pid_t> childrenOfThisProcess() {
  std::vector<pid_t> children;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = std::stoi(name);
    const std::vector<std::string> fields = statFields(pid);
    if (fields.size() > 1 && std::stoi(fields[1]) == ::getpid()) children.push_back(pid);
  }
  return children;
}

// A program that writes its arguments, one a line, and ends.
const char* const kRecordArguments =
    "folder=$1\n"
    "shift\n"
    "printf '%s\\n' \"$@\" > \"$folder/arguments.part\"\n"
    "mv \"$folder/arguments.part\" \"$folder/arguments\"\n";

// A program that writes its process id and then sleeps, keeping that id.
const char* const kSleepAwhile =
    "echo $$ > \"$1/pid.part\"\n"
    "mv \"$1/pid.part\" \"$1/pid\"\n"
    "exec sleep 30\n";

TEST(BackgroundLaunch, ArgumentsArriveVerbatimAndNoShellReadsThem) {
  const fs::path folder = test::makeTempFolder("launch-arguments");
  const fs::path script = writeScript(folder, "record arguments", kRecordArguments);
  const std::string touched = (folder / "pwned").string();
  const std::vector<std::string> odd = {
      "two words",
      "say \"hi\"",
      "$(touch " + touched + ")",
      "`touch " + touched + "`",
      "; touch " + touched,
      "*",
      "",
      "back\\slash",
      "$HOME",
      "'single quoted'",
      "%f %U",
      "tab\there",
  };
  std::vector<std::string> arguments{script.string(), folder.string()};
  arguments.insert(arguments.end(), odd.begin(), odd.end());

  const BackgroundLaunchResult result = launchInBackground(arguments);
  ASSERT_TRUE(result.started) << std::strerror(result.startError);
  EXPECT_EQ(result.startError, 0);
  const std::optional<std::string> recorded = waitForFile(folder / "arguments");
  ASSERT_TRUE(recorded);
  std::string expected;
  for (const std::string& argument : odd) expected += argument + "\n";
  EXPECT_EQ(*recorded, expected);
  EXPECT_FALSE(fs::exists(touched));
}

TEST(BackgroundLaunch, FindsAProgramByNameInPath) {
  const fs::path folder = test::makeTempFolder("launch-path");
  writeScript(folder / "bin", "vorl-test-recorder", kRecordArguments);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", ("/nonexistent/folder:" + (folder / "bin").string() + ":" + oldPath).c_str(), 1);
  const BackgroundLaunchResult result = launchInBackground({"vorl-test-recorder", folder.string(), "by name"});
  ::setenv("PATH", oldPath.c_str(), 1);
  ASSERT_TRUE(result.started) << std::strerror(result.startError);
  EXPECT_EQ(waitForFile(folder / "arguments"), "by name\n");
}

TEST(BackgroundLaunch, ReportsWhyAProgramCouldNotStart) {
  const fs::path folder = test::makeTempFolder("launch-failures");
  writeFile(folder / "not-executable", "#!/bin/sh\ntouch \"$0.ran\"\n");
  fs::permissions(folder / "not-executable", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_directories(folder / "a-folder");
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    int error;
  } cases[] = {
      {"missing path", {(folder / "missing").string()}, ENOENT},
      {"missing folder on the way", {(folder / "missing/program").string()}, ENOENT},
      {"name not in PATH", {"vorl-no-such-program-anywhere"}, ENOENT},
      {"not executable", {(folder / "not-executable").string()}, EACCES},
      {"a folder", {(folder / "a-folder").string()}, EACCES},
      {"no command", {}, EINVAL},
      {"empty program", {"", "argument"}, EINVAL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const BackgroundLaunchResult result = launchInBackground(c.arguments);
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.startError, c.error) << std::strerror(result.startError);
  }
  // Root may read the file but still cannot execute it without an execute bit.
  EXPECT_FALSE(fs::exists(folder / "not-executable.ran"));
  EXPECT_TRUE(childrenOfThisProcess().empty());
}

TEST(BackgroundLaunch, ReturnsAtOnceAndLeavesADetachedProgramThatIsNotOurChild) {
  const fs::path folder = test::makeTempFolder("launch-detached");
  const fs::path script = writeScript(folder, "sleep-awhile", kSleepAwhile);
  ::setenv("VORL_LAUNCH_PROBE", "passed on $(unchanged)", 1);
  // A descriptor opened without close-on-exec, as a careless library might; the program must not keep it.
  const int stray = ::open((folder / "stray").c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(stray, 0);

  const auto start = std::chrono::steady_clock::now();
  const BackgroundLaunchResult result = launchInBackground({script.string(), folder.string()});
  const auto took = std::chrono::steady_clock::now() - start;
  ::close(stray);
  ::unsetenv("VORL_LAUNCH_PROBE");
  ASSERT_TRUE(result.started) << std::strerror(result.startError);
  EXPECT_LT(took, 5s);  // the program sleeps 30 s; a loaded machine may take a while to fork

  const std::optional<std::string> pidText = waitForFile(folder / "pid");
  ASSERT_TRUE(pidText);
  const pid_t program = std::stoi(*pidText);
  // The shell has gone on to "sleep" under the same id; wait until it has.
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (readFile("/proc/" + std::to_string(program) + "/comm") != "sleep\n" &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  const std::vector<std::string> fields = statFields(program);
  ASSERT_GE(fields.size(), 4u);
  EXPECT_NE(fields[0], "Z");
  EXPECT_NE(std::stoi(fields[1]), ::getpid()) << "the program is a child of ours";
  EXPECT_EQ(std::stoi(fields[3]), program) << "the program does not lead a session of its own";
  EXPECT_NE(std::stoi(fields[3]), ::getsid(0));

  // Standard input, output and error on /dev/null, and nothing else open. The program itself may hold a file of
  // its own for a moment while it starts (the C library's locale files); a descriptor we leaked stays for good.
  const fs::path descriptors = "/proc/" + std::to_string(program) + "/fd";
  const std::vector<std::string> expected{"0 /dev/null", "1 /dev/null", "2 /dev/null"};
  std::vector<std::string> open;
  for (const auto settled = std::chrono::steady_clock::now() + 3s;;) {
    open.clear();
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(descriptors, error)) {
      open.push_back(entry.path().filename().string() + " " + fs::read_symlink(entry.path(), error).string());
    }
    std::sort(open.begin(), open.end());
    if (open == expected || std::chrono::steady_clock::now() > settled) break;
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(open, expected);

  const std::string environment = readFile("/proc/" + std::to_string(program) + "/environ");
  EXPECT_NE(environment.find(std::string("VORL_LAUNCH_PROBE=passed on $(unchanged)") + '\0'), std::string::npos);
  EXPECT_NE(environment.find("HOME=" + test::testRoot().string()), std::string::npos);

  EXPECT_TRUE(childrenOfThisProcess().empty()) << "a child (perhaps a zombie) was left behind";
  ::kill(program, SIGKILL);
}

TEST(BackgroundLaunch, StartsFromSeveralThreadsAtOnce) {
  // Forking while other threads run (and allocate) must neither deadlock nor lose a start.
  std::vector<std::thread> threads;
  std::atomic<int> started{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&started] {
      for (int i = 0; i < 5; ++i) {
        std::vector<std::string> noise(100, std::string(100, 'x'));
        if (launchInBackground({"true"}).started) ++started;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(started.load(), 20);
  EXPECT_TRUE(childrenOfThisProcess().empty());
}

class DesktopEntryCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::makeTempFolder("desktop-entries");
    dataHome_ = root_ / "home-data";
    firstDataDir_ = root_ / "data-1";
    secondDataDir_ = root_ / "data-2";
    saved_ = {save("XDG_DATA_HOME"), save("XDG_DATA_DIRS")};
    ::setenv("XDG_DATA_HOME", dataHome_.c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (firstDataDir_.string() + ":relative/ignored:" + secondDataDir_.string()).c_str(), 1);
  }
  void TearDown() override {
    restore("XDG_DATA_HOME", saved_[0]);
    restore("XDG_DATA_DIRS", saved_[1]);
  }

  static std::optional<std::string> save(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  }
  static void restore(const char* name, const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }

  static void writeEntry(const fs::path& dataDir, const std::string& id, const std::string& text) {
    writeFile(dataDir / "applications" / (id + ".desktop"), text);
  }

  fs::path root_, dataHome_, firstDataDir_, secondDataDir_;
  std::vector<std::optional<std::string>> saved_;
};

using Command = std::optional<std::vector<std::string>>;

TEST_F(DesktopEntryCommand, SplitsTheExecValueByTheDesktopEntryRules) {
  const struct {
    const char* name;
    std::string exec;  // as written in the file, after "Exec="
    Command command;
  } cases[] = {
      {"plain", "printcentre --background", {{"printcentre", "--background"}}},
      {"runs of blanks", "  pc   -a\t-b  ", {{"pc", "-a", "-b"}}},
      {"quoted path with blanks", "\"/opt/Print Centre/bin/pc\" -g", {{"/opt/Print Centre/bin/pc", "-g"}}},
      // In the file a quoting backslash is itself escaped: \\" is a quote, \\\\ a backslash.
      {"escapes inside quotes",
       R"(pc "say \\"hi\\"" "cost \\$5" "back\\\\slash" "tick\\`")",
       {{"pc", "say \"hi\"", "cost $5", "back\\slash", "tick`"}}},
      {"quote escaped with one backslash", R"(pc "a \"b\"")", {{"pc", "a \"b\""}}},
      {"string escapes", R"(pc "a\sb" "line\nbreak")", {{"pc", "a b", "line\nbreak"}}},
      {"an escaped blank outside quotes separates", R"(pc a\sb)", {{"pc", "a", "b"}}},
      {"file and URL codes vanish", "pc %U --name=%c %i %k %f %F %u", {{"pc", "--name="}}},
      {"deprecated codes vanish", "pc %d %D %n %N %v %m", {{"pc"}}},
      {"percent", "pc 100%% \"50%%\"", {{"pc", "100%", "50%"}}},
      {"empty quoted argument stays", "pc \"\" x", {{"pc", "", "x"}}},
      {"quoted part joins its word", "pc --dir=\"/a b\"", {{"pc", "--dir=/a b"}}},
      {"shell syntax is text", "pc $(id) `id` ; | *", {{"pc", "$(id)", "`id`", ";", "|", "*"}}},
      {"unclosed quote", "pc \"open", std::nullopt},
      {"unknown field code", "pc %z", std::nullopt},
      {"percent at the end", "pc 5%", std::nullopt},
      {"empty", "", std::nullopt},
      {"only field codes", "%F %U", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeEntry(dataHome_, "org.vorl.Case", "[Desktop Entry]\nType=Application\nName=Case\nExec=" + c.exec + "\n");
    EXPECT_EQ(desktopEntryCommand("org.vorl.Case"), c.command);
  }
}

TEST_F(DesktopEntryCommand, ReadsOnlyTheExecKeyOfTheMainGroup) {
  const struct {
    const char* name;
    std::string text;
    Command command;
  } cases[] = {
      {"blanks around the equals sign", "[Desktop Entry]\nExec = pc -x\n", {{"pc", "-x"}}},
      {"comments and other keys", "# Exec=comment\n[Desktop Entry]\nName=PC\nTryExec=other\nExec=pc\n", {{"pc"}}},
      {"localised key is another key", "[Desktop Entry]\nExec[de]=falsch\nExec=right\n", {{"right"}}},
      {"action group after the main one", "[Desktop Entry]\nName=PC\n[Desktop Action new]\nExec=action\n",
       std::nullopt},
      {"action group before the main one",
       "[Desktop Action new]\nExec=action\n[Desktop Entry]\nExec=main\n",
       {{"main"}}},
      {"no Exec", "[Desktop Entry]\nType=Application\nName=PC\n", std::nullopt},
      {"no group", "Exec=pc\n", std::nullopt},
      {"carriage returns", "[Desktop Entry]\r\nExec=pc -r\r\n", {{"pc", "-r"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeEntry(dataHome_, "org.vorl.Groups", c.text);
    EXPECT_EQ(desktopEntryCommand("org.vorl.Groups"), c.command);
  }
}

TEST_F(DesktopEntryCommand, TheFirstEntryFoundDecides) {
  writeEntry(dataHome_, "org.vorl.Both", "[Desktop Entry]\nExec=from-home\n");
  writeEntry(secondDataDir_, "org.vorl.Both", "[Desktop Entry]\nExec=from-data-dir\n");
  writeEntry(secondDataDir_, "org.vorl.Second", "[Desktop Entry]\nExec=second\n");
  writeEntry(firstDataDir_, "org.vorl.Hidden", "[Desktop Entry]\nName=no command\n");
  writeEntry(secondDataDir_, "org.vorl.Hidden", "[Desktop Entry]\nExec=hidden\n");
  fs::create_directories(firstDataDir_ / "applications/org.vorl.Unreadable.desktop");
  writeEntry(secondDataDir_, "org.vorl.Unreadable", "[Desktop Entry]\nExec=behind\n");
  writeEntry(root_ / "outside", "org.vorl.Outside", "[Desktop Entry]\nExec=outside\n");

  EXPECT_EQ(desktopEntryCommand("org.vorl.Both"), Command({"from-home"}));
  EXPECT_EQ(desktopEntryCommand("org.vorl.Second"), Command({"second"}));
  EXPECT_EQ(desktopEntryCommand("org.vorl.Hidden"), std::nullopt);
  EXPECT_EQ(desktopEntryCommand("org.vorl.Unreadable"), std::nullopt);
  EXPECT_EQ(desktopEntryCommand("org.vorl.Missing"), std::nullopt);
  EXPECT_EQ(desktopEntryCommand(""), std::nullopt);
  EXPECT_EQ(desktopEntryCommand("../outside/applications/org.vorl.Outside"), std::nullopt);
}

TEST_F(DesktopEntryCommand, WithoutDataDirsTheSystemFoldersAreSearched) {
  ::unsetenv("XDG_DATA_DIRS");
  ::setenv("XDG_DATA_HOME", "relative/home", 1);  // ignored, as relative values are: HOME's default applies
  writeEntry(test::testRoot() / "home/.local/share", "org.vorl.Default", "[Desktop Entry]\nExec=default\n");
  EXPECT_EQ(desktopEntryCommand("org.vorl.Default"), Command({"default"}));
  EXPECT_EQ(desktopEntryCommand("org.vorl.surely-not-installed-here"), std::nullopt);
}

}  // namespace
}  // namespace vorl
