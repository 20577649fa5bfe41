// The per-day log file: its name follows the processing day, standard error lands in it, and old logs of this
// program (and only those) are deleted.
#include "foundation/services/log_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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
