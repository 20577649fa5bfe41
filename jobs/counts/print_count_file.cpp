#include "jobs/counts/print_count_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

#include "foundation/text/date_time.h"
#include "foundation/services/messages.h"
#include "jobs/counts/replacement_batch.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

// Readable and writable by everyone: the sibling program may run as another user. Not executable.
constexpr mode_t kCountFileMode = 0666;
constexpr OSType kCountFileType = fourCharCode("TEXT");
constexpr OSType kCountFileCreator = fourCharCode("QZKb");

// The count file opened and exclusively locked for as long as the object lives. The file is replaced whole on
// every change, so the lock is taken on the file the name stands for at the moment it is granted: when the name
// moved on to a newer file meanwhile, that one is locked instead.
class LockedCountFile {
 public:
  LockedCountFile() = default;
  ~LockedCountFile() {
    if (fd_ >= 0) ::close(fd_);  // closing lets go of the lock
  }
  LockedCountFile(const LockedCountFile&) = delete;
  LockedCountFile& operator=(const LockedCountFile&) = delete;

  OSErr open(const fs::path& file) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      bool created = true;
      int fd = ::open(file.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, kCountFileMode);
      if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) continue;  // set aside by another adder just now
      }
      if (fd < 0) return osErrFromErrno(errno);
      if (created) {
        static_cast<void>(::fchmod(fd, kCountFileMode));  // the umask must not keep the sibling out
        markInvisible(file);
      }
      int locked;
      do {
        locked = ::flock(fd, LOCK_EX);
      } while (locked != 0 && errno == EINTR);
      if (locked != 0) {
        const OSErr error = osErrFromErrno(errno);
        ::close(fd);
        return error;
      }
      struct stat held {}, named {};
      if (::fstat(fd, &held) == 0 && ::stat(file.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
          held.st_ino == named.st_ino) {
        fd_ = fd;
        return noErr;
      }
      ::close(fd);
    }
    return fBsyErr;
  }

  int fd() const noexcept { return fd_; }

  static void markInvisible(const fs::path& file) {
    FInfo info;
    info.fdType = kCountFileType;
    info.fdCreator = kCountFileCreator;
    info.fdFlags = kIsInvisible;
    if (const OSErr error = setFinderInfo(file, info); error != noErr)
      systemLogf("getPrintCountFile: [%s] cannot be made invisible, error %d", file.c_str(), error);
  }

 private:
  int fd_ = -1;
};

// At most one byte more than a record, which is enough to tell a longer file.
OSErr readHeldFile(int fd, std::vector<std::uint8_t>& bytes) {
  bytes.assign(kPrintCountFileSize + 1, 0);
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return osErrFromErrno(errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return noErr;
}

std::int32_t firstWord(const std::vector<std::uint8_t>& bytes) {
  return static_cast<std::int32_t>(std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                    std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24);
}

OSErr writeRecord(const fs::path& file, const tPrintQuantityInfo& record) {
  tPrintQuantityInfo current = record;
  current.versionNumber = kPrintCountVersion;
  const auto bytes = encodePrintQuantityInfo(current);
  TempFile temp;
  if (const OSErr error = temp.open(file.parent_path(), kCountFileMode); error != noErr) return error;
  static_cast<void>(::fchmod(temp.fd(), kCountFileMode));
  if (const OSErr error = temp.write(bytes); error != noErr) return error;
  return temp.commit(file, true);
}

// What the held file holds. `startAfresh` is set when it is to be replaced by the (zero) record; a file with
// counts in it that cannot be taken is set aside first, so they stay at hand.
std::int16_t readHeldRecord(int fd, const fs::path& file, tPrintQuantityInfo& record, bool& startAfresh) {
  record = tPrintQuantityInfo{};
  startAfresh = false;
  std::vector<std::uint8_t> bytes;
  if (const OSErr error = readHeldFile(fd, bytes); error != noErr) return error;
  if (bytes.empty()) {
    startAfresh = true;
    return noErr;
  }
  const char* tag = nullptr;
  if (bytes.size() < 4) {
    tag = "damaged";
  } else {
    const std::int32_t word = firstWord(bytes);
    const std::int32_t swapped = computeSwappedLong(word);
    if (word == kPrintCountVersion) {
      if (bytes.size() == kPrintCountFileSize) {
        record = decodePrintQuantityInfo(std::span<const std::uint8_t, kPrintCountFileSize>(bytes.data(),
                                                                                           kPrintCountFileSize));
        return noErr;
      }
      tag = "damaged";  // cut short or grown: its totals cannot be trusted
    } else if (swapped == kPrintCountVersion) {
      std::printf("\nFileName is: [%s]\n", file.filename().c_str());
      tag = "big-endian";
    } else if (word == kOldPrintCountVersion || swapped == kOldPrintCountVersion) {
      tag = "old";
    } else {
      return kPrintCountUnknownVersion;
    }
  }
  fs::path setAside;
  if (const OSErr error = setFileAside(file, tag, setAside); error != noErr) {
    systemLogf("getPrintCount: [%s] cannot be set aside, error %d", file.c_str(), error);
    return error;
  }
  systemLogf("getPrintCount: [%s] could not be taken as it was; kept as [%s]", file.c_str(), setAside.c_str());
  startAfresh = true;
  return noErr;
}

// Writes the fresh record in place of an empty or set-aside file; a file that was set aside took its sidecar
// along, so the new one is made invisible again.
std::int16_t startAfreshHeld(const fs::path& file, const tPrintQuantityInfo& record) {
  std::error_code unknown;  // a name that cannot be looked at counts as missing: the file is marked again
  const bool hadName = fs::exists(file, unknown);
  const OSErr error = writeRecord(file, record);
  if (error == noErr && !hadName) LockedCountFile::markInvisible(file);
  return error;
}

void tellOperator(const std::string& text) { DisplayNormalMessage(text.c_str()); }

}  // namespace

std::string printCountFileName(bool isProcessor, std::string_view dateText) {
  std::string name = isProcessor ? "Vorl-Zeverezoz Count" : "Vorl-X Count";
  name += dateText;
  return name;
}

std::optional<fs::path> printCountFolder() {
  const tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  if (!prefs) return std::nullopt;
  return FSFolderPath(prefs->serverRoot.vRefNum, prefs->serverRoot.dirID);
}

std::optional<fs::path> printCountFilePath(bool isProcessor, bool isToday) {
  const std::optional<fs::path> folder = printCountFolder();
  if (!folder) return std::nullopt;
  const std::string date = isToday ? std::string(getCurrentDateString(3).macRoman()) : std::string();
  return *folder / printCountFileName(isProcessor, date);
}

std::int16_t getPrintCount(const fs::path& file, tPrintQuantityInfo& record) {
  record = tPrintQuantityInfo{};
  LockedCountFile held;
  if (const OSErr error = held.open(file); error != noErr) return error;
  bool startAfresh = false;
  const std::int16_t result = readHeldRecord(held.fd(), file, record, startAfresh);
  if (result != noErr || !startAfresh) return result;
  return startAfreshHeld(file, record);
}

std::int16_t getPrintCount(tPrintQuantityInfo& record, bool isProcessor, bool isToday) {
  const std::optional<fs::path> file = printCountFilePath(isProcessor, isToday);
  if (!file) {
    record = tPrintQuantityInfo{};
    return kPrintCountNoFile;
  }
  return getPrintCount(*file, record);
}

std::int16_t getPrintCountForSpecificDay(tPrintQuantityInfo& record, std::string_view dateText, bool isProcessor) {
  const std::optional<fs::path> folder = printCountFolder();
  if (!folder) {
    systemLogf("getPrintCountFileForSpecificDay =< NIL getMyPrintServerPrefs!!");
    std::printf("Inside getPrintCountForSpecificDay => NO AFile????");
    record = tPrintQuantityInfo{};
    return kPrintCountNoFile;
  }
  return getPrintCount(*folder / printCountFileName(isProcessor, dateText), record);
}

std::int16_t setPrintCount(const fs::path& file, const tPrintQuantityInfo& record) {
  LockedCountFile held;
  if (const OSErr error = held.open(file); error != noErr) return error;
  return writeRecord(file, record);
}

std::int16_t setPrintCount(const tPrintQuantityInfo& record, bool isProcessor, bool isToday) {
  const std::optional<fs::path> file = printCountFilePath(isProcessor, isToday);
  if (!file) return noErr;
  return setPrintCount(*file, record);
}

std::int16_t addToPrintCountFile(const fs::path& file, std::int16_t quantity, std::int16_t which,
                                 std::int16_t printer, std::int16_t canvas, const std::function<void()>& whileLocked) {
  if (!whileLocked) return addToPrintCountFiles({&file, 1}, quantity, which, printer, canvas);
  return addToPrintCountFiles({&file, 1}, quantity, which, printer, canvas, [&whileLocked](ReplacementBatch&) {
    whileLocked();
    return true;
  });
}

std::int16_t addToPrintCountFiles(std::span<const fs::path> files, std::int16_t quantity, std::int16_t which,
                                  std::int16_t printer, std::int16_t canvas,
                                  const std::function<bool(ReplacementBatch&)>& whileLocked) {
  // Counted in every file and the daily store or in none: a file skipped while the others moved on would make
  // the all-time file, today's file and the daily store disagree for good.
  const auto notCounted = [quantity](const fs::path& file, const std::string& why, std::int16_t error) {
    systemLogf("addToPrintCount: [%s] %s, error %d; %d output(s) not counted anywhere", file.c_str(), why.c_str(),
               error, quantity);
    tellOperator("The print count file \"" + file.filename().string() + "\" " + why + " (error " +
                 std::to_string(error) + "); this output was not counted in any print count.");
    return error;
  };
  // Locked in the order given, which every adder keeps, and held until every file is replaced.
  const std::unique_ptr<LockedCountFile[]> held(new LockedCountFile[files.size()]);
  for (std::size_t i = 0; i < files.size(); ++i)
    if (const OSErr error = held[i].open(files[i]); error != noErr)
      return notCounted(files[i], "cannot be opened and locked", error);
  std::vector<tPrintQuantityInfo> records(files.size());
  std::vector<fs::path> toMarkInvisible;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const fs::path& file = files[i];
    bool startAfresh = false;
    const std::int16_t readResult = readHeldRecord(held[i].fd(), file, records[i], startAfresh);
    if (readResult == kPrintCountUnknownVersion) {
      systemLogf("addToPrintCount: [%s] is of an unknown version; nothing counted", file.c_str());
      tellOperator("The print count file \"" + file.filename().string() +
                   "\" is of a version this program does not know. It was left as it is; this output was not "
                   "counted in any print count.");
      return readResult;
    }
    if (readResult != noErr) return notCounted(file, "cannot be read", readResult);
    // A file set aside took its sidecar along; the new one is made invisible again once it has the name.
    std::error_code unknown;  // the count comes after a delivery: nothing here may throw
    if (startAfresh && !fs::exists(file, unknown)) toMarkInvisible.push_back(file);
  }
  ReplacementBatch batch;
  if (whileLocked && !whileLocked(batch)) {
    systemLogf("addToPrintCount: today's daily counts cannot be written; %d output(s) not counted anywhere",
               quantity);
    tellOperator("Today's daily print counts cannot be written; this output was not counted in any print count.");
    return ioErr;
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    const fs::path& file = files[i];
    addOutputToRecord(records[i], quantity, which, printer, canvas);
    records[i].versionNumber = kPrintCountVersion;
    const auto bytes = encodePrintQuantityInfo(records[i]);
    if (const OSErr error = batch.add(file, bytes, kCountFileMode); error != noErr) {
      // The others are not replaced either, so the files keep agreeing.
      systemLogf("addToPrintCount: [%s] cannot be written, error %d; the earlier totals are kept", file.c_str(),
                 error);
      tellOperator("The print count file \"" + file.filename().string() + "\" cannot be written (error " +
                   std::to_string(error) + "); this output was not counted.");
      return error;
    }
  }
  if (const OSErr error = batch.commit(); error != noErr) {
    systemLogf("addToPrintCount: the print counts cannot be written, error %d; the earlier totals are kept", error);
    tellOperator("The print count files cannot be written (error " + std::to_string(error) +
                 "); this output was not counted.");
    return error;
  }
  for (const fs::path& file : toMarkInvisible) LockedCountFile::markInvisible(file);
  return noErr;
}

}  // namespace vorl
