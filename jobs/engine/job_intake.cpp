#include "jobs/engine/job_intake.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>
#include <vector>

#include "foundation/files/file_copy.h"
#include "foundation/services/messages.h"
#include "jobs/engine/job_observer.h"
#include "platform/files/apple_double.h"
#include "platform/core/clock.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"

namespace vorl {

std::atomic<std::int64_t> gLastModDate{0};

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTempFilePrefix = "TempFile";
// A file whose writer cannot be seen must have been left alone this long before it is taken.
constexpr std::int64_t kQuietNanoseconds = 1'000'000'000;

std::int64_t nanoseconds(const struct statx_timestamp& stamp) {
  return static_cast<std::int64_t>(stamp.tv_sec) * 1'000'000'000 + stamp.tv_nsec;
}

std::int64_t nowNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// "All Files" of the spooler folder, made when missing; nullopt when it neither exists nor can be made.
std::optional<fs::path> jobFolderOf(std::int16_t vRefNum, std::int32_t dirID, const fs::path& spooler) {
  const fs::path jobFolder = spooler / kJobFolderName;
  std::error_code error;
  if (fs::is_directory(fs::symlink_status(jobFolder, error))) return jobFolder;
  FSSpec made{};
  if (createNewFolder(Str31(kJobFolderName), vRefNum, dirID, &made) != noErr) return std::nullopt;
  if (!fs::is_directory(fs::symlink_status(jobFolder, error))) return std::nullopt;
  return jobFolder;
}

// Items that are never jobs: folders and anything else that is no plain file, hidden names, the AppleDouble
// sidecars (they travel with their files) and items the Finder information marks invisible.
bool isCandidateFile(const fs::path& item) {
  const std::string name = item.filename().string();
  if (name.empty() || name.front() == '.' || isAppleDoubleName(name)) return false;
  struct stat info {};
  if (lstat(item.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  FInfo finder;
  if (getFinderInfo(item, finder) == noErr && (finder.fdFlags & kIsInvisible) != 0) return false;
  return true;
}

// What a visible entry that is neither a plain file nor a folder is, for the operator; null for those two.
const char* kindOfNonFile(mode_t mode) {
  if (S_ISREG(mode) || S_ISDIR(mode)) return nullptr;
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  return "a device";
}

// A named pipe, link, socket or device dropped into the spooler folder is never a job and is never opened; it
// would lie there unexplained for ever, so the operator hears of it, once for each such entry (by name and
// inode: one put back after its removal is told again). Under the baton, as every intake.
void tellOfEntryThatIsNoJob(const fs::path& item) {
  static std::set<std::tuple<std::string, dev_t, ino_t>> told;
  const std::string name = item.filename().string();
  if (name.empty() || name.front() == '.') return;
  struct stat info {};
  if (lstat(item.c_str(), &info) != 0) return;
  const char* kind = kindOfNonFile(info.st_mode);
  if (kind == nullptr || !told.emplace(name, info.st_dev, info.st_ino).second) return;
  const std::string text = "\"" + name + "\" in the print jobs folder is " + kind +
                           ", not a job file; it is left where it is.";
  DisplayNormalMessage(text.c_str());
}

// False while some process holds the file open for writing: a producer that writes under the final name is not
// done yet. A read lease is refused (EAGAIN) exactly then; where leases cannot be had, the file is taken only once
// it was left unchanged for a second.
bool isQuiet(const fs::path& file) {
  const auto leftAlone = [&] {
    struct statx info {};
    return statx(AT_FDCWD, file.c_str(), AT_SYMLINK_NOFOLLOW, STATX_MTIME, &info) == 0 &&
           nowNanoseconds() - nanoseconds(info.stx_mtime) >= kQuietNanoseconds;
  };
  const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  // Unreadable here: its age is all there is to go by (reading it later fails the job as usual).
  if (fd < 0) return leftAlone();
  bool quiet = false;
  if (fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
    static_cast<void>(fcntl(fd, F_SETLEASE, F_UNLCK));
    quiet = true;
  } else {
    quiet = errno != EAGAIN && leftAlone();
  }
  close(fd);
  return quiet;
}

// The first `count` characters of a UTF-8 name.
std::string firstCharacters(const std::string& utf8, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t seen = 0; end < utf8.size(); ++end) {
    if ((static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) continue;  // a continuation byte
    if (seen++ == count) break;
  }
  return utf8.substr(0, end);
}

bool queueFile(const fs::path& file, TSortedFileList& list) {
  FSSpec spec{};
  if (FSMakeFSSpecFromPath(file, spec) != noErr) return false;
  std::optional<QueuedJob> job = makeQueuedJob(spec);
  return job && list.Insert(std::move(*job));
}

std::vector<fs::path> itemsOf(const fs::path& folder, OSErr& result) {
  std::vector<fs::path> items;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    items.push_back(it->path());
  result = error ? osErrFromErrno(error.value()) : noErr;
  return items;
}

OSErr modificationDate(const fs::path& folder, std::int64_t& date) {
  struct statx info {};
  if (statx(AT_FDCWD, folder.c_str(), 0, STATX_MTIME, &info) != 0) return osErrFromErrno(errno);
  date = nanoseconds(info.stx_mtime);
  return noErr;
}

}  // namespace

bool systemVersionIsGreaterOrEqualTo13() { return false; }

OSErr GetFolderModificationDate(std::int64_t& date, const FSSpec& folder) {
  const auto path = FSFolderPath(folder.vRefNum, folder.parID);
  if (!path) return dirNFErr;
  return modificationDate(*path, date);
}

OSErr GetAllFilesInDirectory(std::int16_t vRefNum, std::int32_t dirID, std::int16_t& count, TSortedFileList& list) {
  count = 0;
  if (systemVersionIsGreaterOrEqualTo13()) return CopyFromSourceToAllFilesCocoa(vRefNum, dirID, count, list);

  const auto spooler = FSFolderPath(vRefNum, dirID);
  if (!spooler) return noErr;
  const auto jobFolder = jobFolderOf(vRefNum, dirID, *spooler);
  if (!jobFolder) return noErr;

  std::int64_t date = 0;
  if (modificationDate(*spooler, date) != noErr) return noErr;
  // Nothing was added or removed since the last reading.
  if (date == gLastModDate.load()) return noErr;
  gLastModDate = date;

  OSErr result = noErr;
  std::vector<fs::path> items = itemsOf(*spooler, result);
  bool moved = false;
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    const fs::path& item = *it;
    if (!isCandidateFile(item)) {
      tellOfEntryThatIsNoJob(item);
      continue;
    }
    const std::string name = item.filename().string();
    if (name.starts_with(kTempFilePrefix) || !isQuiet(item)) {
      // Still being written: read the folder again next time, whatever its date says then.
      gLastModDate = 0;
      continue;
    }

    std::string target = name;
    std::string tickDigits;
    if (itemExists(*jobFolder / target)) {
      tickDigits = std::to_string(TickCount());
      target = firstCharacters(name, 22) + " " + tickDigits;
    }
    result = renameItem(item, *jobFolder / target, false);
    if (result != noErr) {
      // Left in the spooler folder for a later reading.
      systemLogf("Moving the job file %s into \"%s\" failed with error code %d", name.c_str(), kJobFolderName, result);
      gLastModDate = 0;
      continue;
    }
    moved = true;
    fs::path taken = *jobFolder / target;
    if (target != name) {
      // The file's own name is taken there: it keeps its name followed by the tick digits.
      const fs::path longNamed = *jobFolder / (name + tickDigits);
      if (renameItem(taken, *jobFolder / name, false) == noErr)
        taken = *jobFolder / name;
      else if (renameItem(taken, longNamed, false) == noErr)
        taken = longNamed;
    }
    queueFile(taken, list);
  }
  if (moved) {
    static_cast<void>(syncFolder(*jobFolder));
    static_cast<void>(syncFolder(*spooler));
  }
  return result;
}

OSErr getAllFilesInNewDirectory(std::int16_t vRefNum, std::int32_t dirID, std::int16_t& count,
                                TSortedFileList& list) {
  count = 0;
  const auto spooler = FSFolderPath(vRefNum, dirID);
  if (!spooler) return dirNFErr;
  const auto jobFolder = jobFolderOf(vRefNum, dirID, *spooler);
  if (!jobFolder) return dirNFErr;
  OSErr result = noErr;
  std::vector<fs::path> items = itemsOf(*jobFolder, result);
  for (auto it = items.rbegin(); it != items.rend(); ++it)
    if (isCandidateFile(*it)) queueFile(*it, list);
  return result;
}

OSErr CopyFromSourceToAllFilesCocoa(std::int16_t vRefNum, std::int32_t dirID, std::int16_t& count,
                                    TSortedFileList& list) {
  count = 0;
  const auto source = FSFolderPath(vRefNum, dirID);
  if (!source) return dirNFErr;
  OSErr result = noErr;
  const std::vector<fs::path> entries = itemsOf(*source, result);
  // "All Files" itself is one of the entries.
  if (entries.size() <= 1) return result;
  const auto destination = jobFolderOf(vRefNum, dirID, *source);
  if (!destination) return dirNFErr;

  bool moved = false;
  for (const fs::path& entry : entries) {
    const std::string name = entry.filename().string();
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "TEMPFILE") continue;
    if (!isCandidateFile(entry)) {
      tellOfEntryThatIsNoJob(entry);
      continue;
    }
    if (!isQuiet(entry)) continue;

    std::string target = (*destination / name).string();
    for (int counter = 1; itemExists(target); ++counter) target += " copy " + std::to_string(counter);
    systemLogf("Found a new job file, fileName = %s, srcPath = %s,fullPath = %s", name.c_str(), source->c_str(),
               target.c_str());
    result = renameItem(entry, target, false);
    if (result != noErr) {
      systemLogf("Moving the job file %s failed with error code %d", name.c_str(), result);
      continue;
    }
    moved = true;
    queueFile(target, list);
  }
  if (moved) {
    static_cast<void>(syncFolder(*destination));
    static_cast<void>(syncFolder(*source));
  }
  return result;
}

bool FindNewJobFiles(tPrintServerPrefs* prefs) {
  if (prefs == nullptr || gJobFileList == nullptr) return false;
  std::int16_t count = 0;
  static_cast<void>(GetAllFilesInDirectory(prefs->printJobsFolder.vRefNum, prefs->printJobsFolder.dirID, count,
                                           *gJobFileList));
  return !gJobFileList->empty();
}

bool findAllJobFiles(tPrintServerPrefs* prefs) {
  if (prefs == nullptr || gJobFileList == nullptr) return false;
  std::int16_t count = 0;
  static_cast<void>(getAllFilesInNewDirectory(prefs->printJobsFolder.vRefNum, prefs->printJobsFolder.dirID, count,
                                              *gJobFileList));
  return !gJobFileList->empty();
}

OSErr CheckForNewJobs(JobObserver* behaviour) {
  if (gJobFileList == nullptr) return noErr;
  const std::size_t before = gJobFileList->size();
  if (FindNewJobFiles(getMyPrintServerPrefs()) && gJobFileList->size() != before && behaviour != nullptr)
    behaviour->UpdateJobsList(gJobFileList->longNames());
  return noErr;
}

std::optional<QueuedJob> GetNextNewJobFile(tPrintServerPrefs* /*prefs*/) {
  if (gJobFileList == nullptr) return std::nullopt;
  std::optional<QueuedJob> job = gJobFileList->TakeFirst();
  if (job) gJobFileList->SetCurrentFile(Str255(job->spec.name.macRoman()));
  return job;
}

}  // namespace vorl
