// The per-day log file: its name follows the processing day, standard error lands in it, and old logs of this
// program (and only those) are deleted.
#include "foundation/services/log_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <fstream>
#include <sstream>

#include "platform/system/standard_error.h"
#include "platform/system/system_log.h"
#include "tests/support/fake_clock.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;
using std::chrono::system_clock;

namespace vorl {
namespace {

std::string contentsOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Puts standard error back when the test ends, wherever the code under test sent it.
class StandardErrorGuard {
 public:
  StandardErrorGuard() : saved_(::dup(STDERR_FILENO)) {}
  ~StandardErrorGuard() {
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }

 private:
  int saved_;
};

// A file last written `age` ago.
void makeOldFile(const fs::path& file, std::chrono::hours age) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "log";
  const auto when = system_clock::now() - age;
  const timespec times[2] = {{system_clock::to_time_t(when), 0}, {system_clock::to_time_t(when), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

TEST(LogFile, FileIsNamedAfterTheProcessingDayThatStartsAtThree) {
  test::FakeClock clock;
  const struct {
    int day, hour, minute;
    const char* file;
  } cases[] = {
      {5, 2, 59, "Vorl-Zeverezoz_2012-03-04.log"},
      {5, 3, 0, "Vorl-Zeverezoz_2012-03-05.log"},
      {5, 23, 59, "Vorl-Zeverezoz_2012-03-05.log"},
      {1, 0, 30, "Vorl-Zeverezoz_2012-02-29.log"},  // a leap year
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    clock.setLocalTime(2012, 3, c.day, c.hour, c.minute);
    EXPECT_EQ(QZLogFileManager::logFilePath(clock.now()), test::testRoot() / "home/.local/state/Vorl" / c.file);
  }
  clock.setLocalTime(2012, 3, 5, 10, 0);
  EXPECT_EQ(computeCurrentDaysFolderString2(10, 1), "2012-03-04");
  EXPECT_EQ(computeCurrentDaysFolderString2(10, 0), "2012-03-05");
}

TEST(LogFile, StandardErrorGoesIntoTheDaysFileAndStartsAppend) {
  StandardErrorGuard guard;
  test::FakeClock clock;
  clock.setLocalTime(2012, 3, 7, 2, 30);
  const fs::path file = test::testRoot() / "home/.local/state/Vorl/Vorl-Zeverezoz_2012-03-06.log";
  EXPECT_EQ(QZLogFileManager::setupLogFile(), 1);
  EXPECT_EQ(QZLogFileManager::currentLogFile(), file);
  systemLog("first run");
  std::fprintf(stderr, "printed to stderr\n");
  EXPECT_EQ(QZLogFileManager::setupLogFile(), 1);
  systemLog("second run");
  const std::string text = contentsOf(file);
  const std::string rule(59, '=');
  EXPECT_NE(text.find(rule), std::string::npos);
  EXPECT_NE(text.find("Vorl-Zeverezoz => 14.0"), std::string::npos);
  EXPECT_NE(text.find("printed to stderr"), std::string::npos);
  const auto first = text.find("first run"), second = text.find("second run");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_NE(text.find(rule, first), std::string::npos) << "the second header follows the first run's lines";
}

TEST(LogFile, DeletesOnlyThisProgramsOldLogs) {
  const fs::path folder = test::testRoot() / "home/.local/state/Vorl";
  const struct {
    const char* file;
    int ageHours;
    bool deleted;
  } cases[] = {
      {"Vorl-Zeverezoz_2012-01-01.log", 24 * 10, true},
      {"vorl-ZEVEREZOZ_2012-01-02.log", 24 * 10, true},  // letter case aside
      {"older/Vorl-Zeverezoz_2011-12-01.log", 24 * 10, true},
      {"Vorl-Zeverezoz_2012-03-01.log", 24 * 6, false},
      {"Vorl-PrintCenter_2011-01-01.log", 24 * 400, false},
      {"notes.txt", 24 * 400, false},
  };
  for (const auto& c : cases) makeOldFile(folder / c.file, std::chrono::hours(c.ageHours));
  fs::create_directories(folder / "Vorl-Zeverezoz old folder");
  QZLogFileManager::deleteLogsForDaysOld(7.0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(!fs::exists(folder / c.file), c.deleted);
  }
  EXPECT_TRUE(fs::is_directory(folder / "Vorl-Zeverezoz old folder")) << "folders are never deleted";
  fs::remove_all(folder);
}

TEST(LogFile, AgeIsKeptWithinOneAndNinetyDays) {
  const fs::path folder = test::testRoot() / "home/.local/state/Vorl";
  const struct {
    double days;
    int ageHours;
    bool deleted;
  } cases[] = {
      {0.5, 36, true},
      {0.5, 18, false},  // below one day counts as one
      {365, 24 * 91, true},
      {365, 24 * 89, false},  // above ninety counts as ninety
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.days << " days, file " << c.ageHours << " hours old");
    const fs::path file = folder / "Vorl-Zeverezoz_x.log";
    makeOldFile(file, std::chrono::hours(c.ageHours));
    QZLogFileManager::deleteLogsForDaysOld(c.days);
    EXPECT_EQ(!fs::exists(file), c.deleted);
    fs::remove_all(folder);
  }
}

TEST(LogFile, WithoutABaseNameNothingIsDeleted) {
  const fs::path folder = test::makeTempFolder("shared-logs");
  makeOldFile(folder / "anything.log", std::chrono::hours(24 * 30));
  LogDeletionOptions options;
  options.sourcePath = folder;
  options.baseName = "";
  options.deleteImmediately = true;
  QZLogFileManager::deleteOldLogsWithOptions(options);
  EXPECT_TRUE(fs::exists(folder / "anything.log"));
}

TEST(LogFile, WithoutDeleteImmediatelyOldLogsGoToTheTrash) {
  const fs::path folder = test::makeTempFolder("trash-logs");
  makeOldFile(folder / "Vorl-Zeverezoz_2011-01-01.log", std::chrono::hours(24 * 30));
  LogDeletionOptions options;
  options.sourcePath = folder;
  QZLogFileManager::deleteOldLogsWithOptions(options);
  EXPECT_FALSE(fs::exists(folder / "Vorl-Zeverezoz_2011-01-01.log"));
  EXPECT_TRUE(fs::exists(test::testRoot() / "home/.local/share/Trash/files/Vorl-Zeverezoz_2011-01-01.log"));
}

// Sets an environment variable and the working folder for a scope.
class ScopedDataHomeAndWorkingFolder {
 public:
  ScopedDataHomeAndWorkingFolder(const fs::path& dataHome, const fs::path& workingFolder)
      : savedDataHome_(std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : ""),
        savedWorkingFolder_(fs::current_path()) {
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    fs::current_path(workingFolder);
  }
  ~ScopedDataHomeAndWorkingFolder() {
    fs::current_path(savedWorkingFolder_);
    if (savedDataHome_.empty()) {
      ::unsetenv("XDG_DATA_HOME");
    } else {
      ::setenv("XDG_DATA_HOME", savedDataHome_.c_str(), 1);
    }
  }

 private:
  std::string savedDataHome_;
  fs::path savedWorkingFolder_;
};

// The first log ever trashed makes the trash where the desktop looks for it, and nothing in the working folder.
TEST(LogFile, TheFirstTrashedLogMakesTheTrashInTheDataFolder) {
  const struct {
    const char* name;
    bool dataFolderExists;
  } cases[] = {{"a data folder without a trash", true}, {"no data folder at all", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path logs = test::makeTempFolder("first-trash");
    const fs::path dataHome = test::makeTempFolder("data-home") / "share";
    if (c.dataFolderExists) fs::create_directories(dataHome);
    const fs::path working = test::makeTempFolder("working-folder");
    makeOldFile(logs / "Vorl-Zeverezoz_2011-02-01.log", std::chrono::hours(24 * 30));
    {
      ScopedDataHomeAndWorkingFolder scope(dataHome, working);
      LogDeletionOptions options;
      options.sourcePath = logs;
      QZLogFileManager::deleteOldLogsWithOptions(options);
    }
    EXPECT_FALSE(fs::exists(logs / "Vorl-Zeverezoz_2011-02-01.log"));
    EXPECT_TRUE(fs::exists(dataHome / "Trash/files/Vorl-Zeverezoz_2011-02-01.log"));
    EXPECT_TRUE(fs::exists(dataHome / "Trash/info/Vorl-Zeverezoz_2011-02-01.log.trashinfo"));
    EXPECT_EQ(fs::status(dataHome / "Trash").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(working)) << "something was made in the working folder";
  }
}

// The log's lines without their time, program and thread prefix.
std::vector<std::string> linesOf(const fs::path& file) {
  std::istringstream text(contentsOf(file));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) {
    const std::size_t end = line.find("] ");
    lines.push_back(end == std::string::npos ? line : line.substr(end + 2));
  }
  return lines;
}

// The lines as they were logged, the summaries expanded again.
std::vector<std::string> expanded(const std::vector<std::string>& written) {
  std::vector<std::string> lines;
  for (const std::string& line : written) {
    std::size_t group = 0;
    unsigned long long times = 0;
    if (std::sscanf(line.c_str(), "\xE2\x80\xA6 repeated %llu time", &times) == 1) {
      group = 1;
    } else if (std::sscanf(line.c_str(), "\xE2\x80\xA6 the last %zu lines repeated %llu time", &group, &times) != 2) {
      lines.push_back(line);
      continue;
    }
    const std::vector<std::string> last(lines.end() - static_cast<std::ptrdiff_t>(group), lines.end());
    for (unsigned long long i = 0; i < times; ++i) lines.insert(lines.end(), last.begin(), last.end());
  }
  return lines;
}

// Sends standard error into a file of the test's own for a scope, and the log's reckoning with it.
class StandardErrorInto {
 public:
  explicit StandardErrorInto(const fs::path& file) { EXPECT_EQ(redirectStandardErrorTo(file), noErr); }
  ~StandardErrorInto() {
    flushSystemLog();
    guard_.reset();
    systemLogFileChanged();
  }

 private:
  std::optional<StandardErrorGuard> guard_{std::in_place};
};

// 20,000 notifications of the same three lines and three separators: a few lines in the file, from which every
// logged line can be told again, in order.
TEST(LogFile, AFloodOfRepeatedLinesIsSummarisedWithNothingLost) {
  const fs::path file = test::makeTempFolder("flood") / "flood.log";
  std::vector<std::string> logged = {"before the flood", "before the flood"};
  for (int i = 0; i < 20000; ++i)
    for (const char* line : {"=====", "=====", "=====", "Inside VorlNSNotificationCenter => handle:",
                             "object = [studio]", "userInfo = [(null)]"})
      logged.emplace_back(line);
  for (const char* line : {"after the flood", "=====", "a last line"}) logged.emplace_back(line);
  {
    StandardErrorInto into(file);
    for (const std::string& line : logged) systemLog(line);
  }
  const std::vector<std::string> written = linesOf(file);
  EXPECT_LT(fs::file_size(file), 16384u) << written.size() << " lines";
  EXPECT_EQ(expanded(written), logged);
  EXPECT_EQ(written.back(), "a last line");
}

// The file holds at most the limit: what was there from an earlier start of the day counts, and one last line
// says why the rest is missing.
TEST(LogFile, TheFileIsCappedWithALastLineSayingSo) {
  const fs::path file = test::makeTempFolder("capped") / "capped.log";
  std::ofstream(file) << std::string(40000, 'x') << '\n';
  setSystemLogLimit(64 * 1024);
  {
    StandardErrorInto into(file);
    for (int i = 0; i < 5000; ++i) systemLogf("distinct line number %d of a busy day", i);
  }
  setSystemLogLimit(kSystemLogLimit);
  EXPECT_LE(fs::file_size(file), 64u * 1024 + 200);
  const std::vector<std::string> written = linesOf(file);
  ASSERT_GT(written.size(), 100u);
  EXPECT_NE(written.back().find("reached its limit"), std::string::npos) << written.back();
  EXPECT_EQ(written[written.size() - 2].find("distinct line number"), 0u);
}

TEST(LogFile, AFileThatIsGoneIsNotEarlier) {
  EXPECT_FALSE(itemIsEarlierThan(test::testRoot() / "gone.log", system_clock::now()));
}

TEST(LogFile, RunShellScript2AnswersOutputOfSuccessfulProgramsOnly) {
  EXPECT_EQ(runShellScript2("printf", {"%s", "12.5"}), "12.5");
  EXPECT_FALSE(runShellScript2("sh", {"-c", "echo partial; exit 2"}).has_value());
  EXPECT_FALSE(runShellScript2("printf", {"\\304"}).has_value()) << "not UTF-8";
  EXPECT_FALSE(runShellScript2("", {}).has_value());
}

}  // namespace
}  // namespace vorl
