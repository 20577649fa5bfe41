// The per-day log file.
//
// All diagnostics go to standard error. At start-up `setupLogFile` redirects it into
// "$XDG_STATE_HOME/Vorl/<application>_<yyyy-MM-dd>.log", named after the processing day: the date of the moment
// three hours before the start, so one file covers 03:00 to 03:00 and a night shift stays in one file. The day
// is fixed at start; several starts on one day append to the same file. Then `deleteLogsForDaysOld(7.0)` removes
// the older logs of this application.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vorl {

struct LogDeletionOptions {
  std::optional<std::filesystem::path> sourcePath;                  // default: the log folder
  std::optional<std::string> baseName;                              // default: the application's name
  std::optional<std::chrono::system_clock::time_point> beforeDate;  // default: now minus 3 days
  bool deleteImmediately = false;                                   // false: into the desktop's trash
  bool deleteSubDirectory = false;                                  // true: the whole tree, not only the folder
};

class QZLogFileManager {
 public:
  // Makes the log folder, redirects standard error into the day's file and writes the header. Always 1; when
  // the folder or the file cannot be had, standard error stays where it was and the failure is logged there.
  static int setupLogFile();
  // Deletes this application's log files last written more than `days` days ago (kept within 1..90), in the
  // log folder and its sub-folders.
  static void deleteLogsForDaysOld(double days);
  static void deleteOldLogsWithOptions(const LogDeletionOptions& options);
  // One candidate: a file (not a folder) whose name begins with `baseName` (letter case aside) and that was
  // last written before `beforeDate` is deleted, or moved to the trash.
  static void deleteItem(const std::filesystem::path& path, std::chrono::system_clock::time_point beforeDate,
                         const std::string& baseName, bool deleteImmediately);

  // "$XDG_STATE_HOME/Vorl".
  static std::filesystem::path logFolder();
  // The day's file for a start at `now`.
  static std::filesystem::path logFilePath(std::chrono::system_clock::time_point now);
  // What `setupLogFile` chose; empty before it ran or when it failed.
  static const std::filesystem::path& currentLogFile();
};

// The older name some callers use.
using TPLogFileManager = QZLogFileManager;

// "yyyy-MM-dd" of now (the current clock) minus the hours and minutes, in local time.
std::string computeCurrentDaysFolderString2(std::int16_t hours, std::int16_t minutes);

// Whether the file was last written before `date`. A file that is gone answers false (and is logged).
// A log file is judged by its last write rather than by its birth: a program that ran for days wrote into a file
// made long ago, and those last lines are the ones worth keeping.
bool itemIsEarlierThan(const std::filesystem::path& path, std::chrono::system_clock::time_point date);

// Runs the program with the arguments (no shell) and answers its standard output, when it ended with status 0
// and wrote valid UTF-8; nothing otherwise (logged).
std::optional<std::string> runShellScript2(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace vorl
