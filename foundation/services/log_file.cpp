#include "foundation/services/log_file.h"

#include <sys/stat.h>

#include <QFile>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "platform/system/bundle_info.h"
#include "platform/core/clock.h"
#include "platform/system/command_runner.h"
#include "platform/system/host_info.h"
#include "platform/system/standard_error.h"
#include "platform/system/system_log.h"
#include "platform/files/xdg_folders.h"

namespace fs = std::filesystem;
using std::chrono::system_clock;

namespace vorl {
namespace {

// A processing day starts at 03:00.
constexpr auto kDayStartOffset = std::chrono::hours(3);
constexpr double kMinimumDaysOld = 1.0;
constexpr double kMaximumDaysOld = 90.0;
constexpr auto kDefaultAge = std::chrono::hours(24 * 3);

fs::path gCurrentLogFile;

std::string dateText(system_clock::time_point moment) {
  const DateTimeRec local = localDateTime(moment);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", local.year, local.month, local.day);
  return text;
}

std::string timestampText(system_clock::time_point moment) {
  const DateTimeRec local = localDateTime(moment);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.year, local.month, local.day, local.hour,
                local.minute, local.second);
  return text;
}

bool beginsWithIgnoringCase(std::string_view name, std::string_view prefix) {
  if (name.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(name[i]) != lower(prefix[i])) return false;
  }
  return true;
}

fs::path expandTilde(const fs::path& path) {
  const std::string text = path.string();
  if (text == "~") return homeFolder();
  if (text.starts_with("~/")) return homeFolder() / text.substr(2);
  return path;
}

// The user's trash, "$XDG_DATA_HOME/Trash" with its "files" and "info" folders, private to the user as the
// desktop's trash rules ask. Qt's move to the trash expects it to be there: without it, it made "files" and
// "info" in the working folder instead. False when it cannot be had.
bool haveHomeTrash() {
  const fs::path trash = xdgDataHome() / "Trash";
  for (const fs::path& folder : {xdgDataHome(), trash, trash / "files", trash / "info"}) {
    std::error_code error;
    if (fs::is_directory(folder, error)) continue;
    if (!fs::create_directories(folder, error) && !fs::is_directory(folder, error)) {
      systemLogf("The trash folder [%s] cannot be made: %s", folder.c_str(), error.message().c_str());
      return false;
    }
    ::chmod(folder.c_str(), 0700);  // made just now: the user's data and trash are private
  }
  return true;
}

void writeHeader() {
  const std::string rule(59, '=');
  systemLog(rule);
  systemLogf("%s (%s)", hardwareModelText().c_str(), machineTypeText().c_str());
  systemLogf("OS: %s", operatingSystemVersionText().c_str());
  systemLogf("%.*s => %.*s", static_cast<int>(kBundleExecutable.size()), kBundleExecutable.data(),
             static_cast<int>(kBundleShortVersionString.size()), kBundleShortVersionString.data());
  systemLog(rule);
}

}  // namespace

fs::path QZLogFileManager::logFolder() { return xdgStateHome() / "Vorl"; }

fs::path QZLogFileManager::logFilePath(system_clock::time_point now) {
  return logFolder() / (std::string(kBundleExecutable) + "_" + dateText(now - kDayStartOffset) + ".log");
}

const fs::path& QZLogFileManager::currentLogFile() { return gCurrentLogFile; }

int QZLogFileManager::setupLogFile() {
  const fs::path folder = logFolder();
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) systemLogf("createDirectoryAtPath returned error: %s", error.message().c_str());
  if (!fs::is_directory(folder, error)) return 1;
  const fs::path file = logFilePath(currentClock().now());
  if (const OSErr failure = redirectStandardErrorTo(file); failure != noErr) {
    systemLogf("setupLogFile: cannot write the log file [%s], error %d; logging stays here", file.c_str(), failure);
    return 1;
  }
  gCurrentLogFile = file;
  writeHeader();
  return 1;
}

void QZLogFileManager::deleteLogsForDaysOld(double days) {
  systemLogf("Checking for Old Log Files to Delete...for daysOld = %f", days);
  if (!(days >= kMinimumDaysOld)) days = kMinimumDaysOld;  // NaN too
  if (days > kMaximumDaysOld) days = kMaximumDaysOld;
  const auto age = std::chrono::duration_cast<system_clock::duration>(std::chrono::duration<double>(86400.0 * days));
  LogDeletionOptions options;
  options.beforeDate = currentClock().now() - age;
  options.deleteImmediately = true;
  options.deleteSubDirectory = true;
  systemLogf("lastDateToDeleteFrom = %s", timestampText(*options.beforeDate).c_str());
  deleteOldLogsWithOptions(options);
  systemLog("Checking for Old Log Files to Delete...Done.");
}

void QZLogFileManager::deleteOldLogsWithOptions(const LogDeletionOptions& options) {
  systemLog("Inside QZLogFileManager->[deleteOldLogsWithOptions:] ");
  const fs::path source = expandTilde(options.sourcePath.value_or(logFolder()));
  const std::string baseName = options.baseName.value_or(std::string(kBundleExecutable));
  const auto beforeDate = options.beforeDate.value_or(currentClock().now() - kDefaultAge);
  systemLogf("source path equals %s", source.c_str());
  // An empty name would match every file in the folder, sibling programs' logs among them.
  if (baseName.empty()) {
    systemLog("deleteOldLogsWithOptions: the baseName parameter is missing; nothing is deleted");
    return;
  }
  std::vector<fs::path> items;
  std::error_code error;
  if (options.deleteSubDirectory) {
    for (fs::recursive_directory_iterator it(source, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error))
      items.push_back(it->path());
  } else {
    for (fs::directory_iterator it(source, error), end; !error && it != end; it.increment(error))
      items.push_back(it->path());
  }
  for (const fs::path& item : items) deleteItem(item, beforeDate, baseName, options.deleteImmediately);
}

void QZLogFileManager::deleteItem(const fs::path& path, system_clock::time_point beforeDate,
                                  const std::string& baseName, bool deleteImmediately) {
  const fs::path item = expandTilde(path);
  struct stat info {};
  if (::lstat(item.c_str(), &info) != 0) {
    systemLogf("testDirectory=> curItem does NOT exist: %s", item.c_str());
    return;
  }
  std::error_code error;
  if (fs::is_directory(item, error)) return;
  const std::string name = item.filename().string();
  if (baseName.empty() || !beginsWithIgnoringCase(name, baseName)) return;
  if (!itemIsEarlierThan(item, beforeDate)) return;
  if (deleteImmediately) {
    systemLogf("Item DELETED: [%s]", name.c_str());
    if (!fs::remove(item, error)) systemLogf("Deleting [%s] failed: %s", item.c_str(), error.message().c_str());
  } else if (haveHomeTrash()) {
    systemLogf("Item Moved To Trash: [%s]", name.c_str());
    if (!QFile::moveToTrash(QString::fromStdString(item.string())))
      systemLogf("Moving [%s] to the trash failed", item.c_str());
  } else {
    // With no trash to put it in, an old log is deleted rather than kept for ever.
    systemLogf("Item DELETED (no trash): [%s]", name.c_str());
    if (!fs::remove(item, error)) systemLogf("Deleting [%s] failed: %s", item.c_str(), error.message().c_str());
  }
}

std::string computeCurrentDaysFolderString2(std::int16_t hours, std::int16_t minutes) {
  const auto offset = std::chrono::hours(hours) + std::chrono::minutes(minutes);
  return dateText(currentClock().now() - offset);
}

bool itemIsEarlierThan(const fs::path& path, system_clock::time_point date) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    systemLog("itemIsEarlierThan -> file may NOT exist anymore????");
    return false;
  }
  const auto written =
      system_clock::from_time_t(info.st_mtim.tv_sec) +
      std::chrono::duration_cast<system_clock::duration>(std::chrono::nanoseconds(info.st_mtim.tv_nsec));
  return written < date;
}

std::optional<std::string> runShellScript2(const std::string& program, const std::vector<std::string>& arguments) {
  if (program.empty()) {
    systemLog("runShellScript2 FAILED => scriptName==nil!");
    return std::nullopt;
  }
  if (arguments.empty()) systemLog("runShellScript2 => NO param");
  std::vector<std::string> command{program};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const CommandResult result = runCommand(command);
  if (!result.succeeded()) {
    systemLogf("runShellScript2 Task failed: %s (%s)", program.c_str(), describeOutcome(result).c_str());
    return std::nullopt;
  }
  if (!isValidUtf8(result.standardOutput)) return std::nullopt;
  return result.standardOutput;
}

}  // namespace vorl
