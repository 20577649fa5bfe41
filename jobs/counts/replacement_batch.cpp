#include "jobs/counts/replacement_batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#include "platform/files/safe_files.h"

namespace fs = std::filesystem;

namespace vorl {

namespace {

constexpr int kTempNameAttempts = 100;

// The same hidden names the other temporary files have, so whatever tidies or looks for them finds these too.
std::string randomTempName() {
  thread_local std::mt19937_64 generator{std::random_device{}()};
  char name[40];
  std::snprintf(name, sizeof name, ".vorl-%016llx.tmp", static_cast<unsigned long long>(generator()));
  return name;
}

OSErr writeAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return osErrFromErrno(errno);
    }
    if (written == 0) return ioErr;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return noErr;
}

}  // namespace

ReplacementBatch::~ReplacementBatch() { discard(); }

void ReplacementBatch::discard() noexcept {
  for (Entry& entry : entries_) {
    ::close(entry.fd);
    ::unlink(entry.temp.c_str());
  }
  entries_.clear();
}

OSErr ReplacementBatch::add(const fs::path& file, std::span<const std::uint8_t> bytes, mode_t mode) {
  Entry entry;
  entry.file = file;
  for (int attempt = 0; attempt < kTempNameAttempts && entry.fd < 0; ++attempt) {
    entry.temp = file.parent_path() / randomTempName();
    entry.fd = ::open(entry.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (entry.fd < 0 && errno != EEXIST) return osErrFromErrno(errno);
  }
  if (entry.fd < 0) return dupFNErr;
  OSErr error = ::fchmod(entry.fd, mode) == 0 ? noErr : osErrFromErrno(errno);
  if (error == noErr) error = writeAll(entry.fd, bytes);
  if (error == noErr) {
    // Starts the writing out now, so that the flushes in `commit` find all the files under way together.
    static_cast<void>(::sync_file_range(entry.fd, 0, 0, SYNC_FILE_RANGE_WRITE));
    entries_.push_back(std::move(entry));
    return noErr;
  }
  ::close(entry.fd);
  ::unlink(entry.temp.c_str());
  return error;
}

OSErr ReplacementBatch::commit() {
  for (const Entry& entry : entries_) {
    if (::fdatasync(entry.fd) != 0) {
      const OSErr error = osErrFromErrno(errno);
      discard();
      return error;
    }
  }
  OSErr result = noErr;
  std::vector<fs::path> folders;
  for (Entry& entry : entries_) {
    if (::rename(entry.temp.c_str(), entry.file.c_str()) != 0) {
      if (result == noErr) result = osErrFromErrno(errno);
      ::unlink(entry.temp.c_str());
    } else if (std::find(folders.begin(), folders.end(), entry.file.parent_path()) == folders.end()) {
      folders.push_back(entry.file.parent_path());
    }
    ::close(entry.fd);
  }
  entries_.clear();
  // The contents are safe already; only the names' durability is at stake.
  for (const fs::path& folder : folders) static_cast<void>(syncFolder(folder));
  return result;
}

}  // namespace vorl
