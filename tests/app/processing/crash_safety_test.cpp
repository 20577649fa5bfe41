// The real program killed with SIGKILL at random moments while it works through its jobs, then started again:
// no job file is ever lost or doubled, no output lies half-written under its final name, and each job is
// delivered once, twice only when the kill fell between its delivery and its job file leaving "All Files" (the
// run's own log shows that), a window this test also measures.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/isolated_environment.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/object_record_writer.h"

extern char** environ;

namespace vorl {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kJobsPerBatch = 20;
constexpr int kKills = 50;
constexpr auto kKillLoopLimit = 150s;
// 3 x 4.5 inches at 60 dpi: the header and 180 x 270 pixels of three bytes.
constexpr std::uintmax_t kPrintDataSize = 15041 + 180 * 270 * 3;

struct Folders {
  fs::path home;
  fs::path spooler, allFiles, finished, unknown, centre, logFolder;
};

Folders foldersUnder(const fs::path& base) {
  Folders f;
  f.home = base / "home";
  const fs::path root = f.home / "Vorl-Zeverezoz Folder \xC6\x92";
  f.spooler = root / "PRINT JOBS FOLDER \xC6\x92";
  f.allFiles = f.spooler / "All Files";
  f.finished = root / "FINISHED JOBS FOLDER \xC6\x92";
  f.unknown = root / "UNKNOWN JOBS FOLDER \xC6\x92";
  f.centre = f.home / "Vorl-PrintCenter Folder" / "Jobs To Be Printed";
  f.logFolder = base / "state" / "Vorl";
  return f;
}

std::vector<std::string> filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name.rfind('.', 0) != 0) names.push_back(name);
  }
  return names;
}

class Processor {
 public:
  explicit Processor(const fs::path& base) {
    for (const char* name : {"config", "state", "data", "run", "home"}) fs::create_directories(base / name);
    fs::permissions(base / "run", fs::perms::owner_all);
    environment_ = {"HOME=" + (base / "home").string(),        "XDG_CONFIG_HOME=" + (base / "config").string(),
                    "XDG_STATE_HOME=" + (base / "state").string(), "XDG_DATA_HOME=" + (base / "data").string(),
                    "XDG_RUNTIME_DIR=" + (base / "run").string(),  "QT_QPA_PLATFORM=offscreen",
                    "TZ=UTC"};
    for (char** variable = environ; *variable != nullptr; ++variable) {
      const std::string entry = *variable;
      if (entry.rfind("PATH=", 0) == 0 || entry.rfind("ASAN_OPTIONS=", 0) == 0 ||
          entry.rfind("UBSAN_OPTIONS=", 0) == 0 || entry.rfind("LANG=", 0) == 0)
        environment_.push_back(entry);
    }
  }

  void start() {
    std::vector<char*> env;
    for (std::string& entry : environment_) env.push_back(entry.data());
    env.push_back(nullptr);
    char program[] = VORL_APP_PROGRAM;
    char* argv[] = {program, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ASSERT_EQ(posix_spawn(&pid_, program, &actions, nullptr, argv, env.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
  }

  // Sends the signal and waits for the end; a program that outlives SIGTERM by 30 s is killed and marked.
  void kill(int signal) {
    ::kill(pid_, signal);
    int status = 0;
    const auto deadline = Clock::now() + 30s;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        status = -1;
        break;
      }
      std::this_thread::sleep_for(10ms);
    }
    lastStatus_ = status;
    pid_ = -1;
  }

  int lastStatus() const { return lastStatus_; }
  ~Processor() {
    if (pid_ > 0) kill(SIGKILL);
  }

 private:
  std::vector<std::string> environment_;
  pid_t pid_ = -1;
  int lastStatus_ = 0;
};

std::string readFrom(const fs::path& folder, std::uintmax_t& offset) {
  std::string text;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    std::ifstream file(entry.path(), std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(file), {});
  }
  std::string fresh = offset < text.size() ? text.substr(offset) : std::string();
  offset = text.size();
  return fresh;
}

// The template (and so the job) an output belongs to: the file name is date_time_address_template.
std::string templateOfOutput(const std::string& name) {
  std::size_t at = 0;
  for (int i = 0; i < 3 && at != std::string::npos; ++i) at = name.find('_', at + 1);
  return at == std::string::npos ? std::string() : name.substr(at + 1);
}

// Jobs whose delivery a run's log shows begun (the line just before the output's rename) without the job file
// leaving "All Files" after it: the kill fell inside the delivery window for them.
std::set<std::string> killedInsideTheWindow(const std::string& log) {
  static const std::regex delivered(R"re(Delivering the print-data file "([^"]+)")re");
  static const std::regex done(R"re(The job file of "([^"]+)" left "All Files" after its delivery)re");
  std::set<std::string> open;
  std::istringstream lines(log);
  std::string line;
  std::smatch match;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, match, delivered)) open.insert(templateOfOutput(match[1]));
    if (std::regex_search(line, match, done)) open.erase("t" + std::string(match[1]).substr(3));
  }
  return open;
}

TEST(CrashSafety, KilledAtRandomTheProcessorNeverLosesOrDoublesAJob) {
  const fs::path base = test::makeTempFolder("crash-safety");
  const Folders f = foldersUnder(base);
  Processor processor(base);

  // A first start makes the folder tree.
  processor.start();
  for (auto deadline = Clock::now() + 30s; !fs::is_directory(f.spooler) && Clock::now() < deadline;)
    std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(fs::is_directory(f.spooler));
  processor.kill(SIGKILL);

  std::set<std::string> dropped;
  int batch = 0;
  auto dropBatch = [&] {
    ++batch;
    for (int i = 0; i < kJobsPerBatch; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "job-%02d-%02d", batch, i);
      test::JobSpec spec;
      spec.printerType = 34;
      spec.pageWidth = 3.0f;
      spec.pageHeight = 4.5f;
      spec.resolution = 60;
      spec.templateName = "t-" + std::string(name + 4);  // "t-BB-NN": the output names carry it
      for (int object = 0; object < 12; ++object) spec.pageRecords.push_back(test::backColorRecord({}));
      test::writeFile(f.spooler / ("TempFile-" + std::string(name)), test::writeJobFile(spec).bytes);
      fs::rename(f.spooler / ("TempFile-" + std::string(name)), f.spooler / name);
      dropped.insert(name);
    }
  };

  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> delayMs(50, 1200);
  std::map<std::string, int> allowedTwice;
  std::uintmax_t logOffset = 0;
  readFrom(f.logFolder, logOffset);
  int kills = 0;
  const auto loopStart = Clock::now();
  while (kills < kKills && Clock::now() - loopStart < kKillLoopLimit) {
    if (filesIn(f.spooler).empty() && filesIn(f.allFiles).empty()) dropBatch();
    processor.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
    processor.kill(SIGKILL);
    ++kills;
    for (const std::string& job : killedInsideTheWindow(readFrom(f.logFolder, logOffset))) ++allowedTwice[job];

    // Every job file is in exactly one place.
    std::multiset<std::string> seen;
    for (const fs::path& folder : {f.spooler, f.allFiles, f.finished, f.unknown})
      for (const std::string& name : filesIn(folder))
        if (name.rfind("TempFile", 0) != 0) seen.insert(name);
    for (const std::string& job : dropped) ASSERT_EQ(seen.count(job), 1u) << job << " after kill " << kills;
    ASSERT_EQ(seen.size(), dropped.size()) << "after kill " << kills;
    // No output lies half-written under its final name.
    for (const std::string& name : filesIn(f.centre)) {
      if (name.rfind("Tempfile_", 0) == 0) continue;
      ASSERT_EQ(fs::file_size(f.centre / name), kPrintDataSize) << name << " after kill " << kills;
    }
  }
  EXPECT_GE(kills, kKills) << "the loop ran out of time";

  // A last run without a kill finishes everything, a fresh batch included (its log measures the window).
  dropBatch();
  processor.start();
  for (auto deadline = Clock::now() + 120s;
       !(filesIn(f.spooler).empty() && filesIn(f.allFiles).empty()) && Clock::now() < deadline;)
    std::this_thread::sleep_for(100ms);
  for (auto deadline = Clock::now() + 30s; filesIn(f.finished).size() < dropped.size() && Clock::now() < deadline;)
    std::this_thread::sleep_for(50ms);
  processor.kill(SIGTERM);
  EXPECT_TRUE(WIFEXITED(processor.lastStatus()) && WEXITSTATUS(processor.lastStatus()) == 0);
  const std::string lastLog = readFrom(f.logFolder, logOffset);

  EXPECT_EQ(filesIn(f.finished).size(), dropped.size());
  EXPECT_TRUE(filesIn(f.unknown).empty());
  std::map<std::string, int> deliveries;
  for (const std::string& name : filesIn(f.centre))
    if (name.rfind("Tempfile_", 0) != 0) ++deliveries[templateOfOutput(name)];
  int doubled = 0;
  for (const std::string& job : dropped) {
    const std::string templ = "t-" + job.substr(4);
    const int times = deliveries[templ];
    EXPECT_GE(times, 1) << job << " was never delivered";
    EXPECT_LE(times, 1 + allowedTwice[templ]) << job << " was delivered " << times << " times";
    if (times > 1) ++doubled;
  }

  // The delivery window, measured on the last run: from just before the output's rename to the job file's move.
  std::map<std::string, double> deliveredAt;
  std::vector<double> windows;
  static const std::regex stamp(R"(^\d{4}-\d\d-\d\d (\d\d):(\d\d):(\d\d)\.(\d{3}))");
  static const std::regex delivered(R"re(Delivering the print-data file "([^"]+)")re");
  static const std::regex done(R"re(The job file of "([^"]+)" left "All Files" after its delivery)re");
  std::istringstream lines(lastLog);
  std::string line;
  std::smatch match;
  while (std::getline(lines, line)) {
    std::smatch time;
    if (!std::regex_search(line, time, stamp)) continue;
    const double ms = ((std::stoi(time[1]) * 60 + std::stoi(time[2])) * 60 + std::stoi(time[3])) * 1000.0 +
                      std::stoi(time[4]);
    if (std::regex_search(line, match, delivered)) deliveredAt[templateOfOutput(match[1])] = ms;
    if (std::regex_search(line, match, done)) {
      const auto it = deliveredAt.find("t" + std::string(match[1]).substr(3));
      if (it != deliveredAt.end()) windows.push_back(ms - it->second);
    }
  }
  double widest = 0;
  for (double w : windows) widest = std::max(widest, w);
  std::printf("crash safety: %d kills, %zu jobs, %d delivered twice (kill inside the window), delivery window "
              "widest %.0f ms over %zu jobs\n",
              kills, dropped.size(), doubled, widest, windows.size());
  RecordProperty("kills", kills);
  RecordProperty("delivered_twice", doubled);
  RecordProperty("delivery_window_widest_ms", static_cast<int>(widest));
}

}  // namespace
}  // namespace vorl
