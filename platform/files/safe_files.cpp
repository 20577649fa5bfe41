#include "platform/files/safe_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>

#include "platform/files/apple_double.h"
#include "platform/system/system_log.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

constexpr std::size_t kCopyBufferSize = 262144;
constexpr int kTempNameAttempts = 100;

OSErr lastError() noexcept { return osErrFromErrno(errno); }

std::string randomTempName() {
  thread_local std::mt19937_64 generator{std::random_device{}()};
  char name[40];
  std::snprintf(name, sizeof name, ".vorl-%016llx.tmp", static_cast<unsigned long long>(generator()));
  return name;
}

// rename(2) that refuses an existing target unless asked. Where the file system does not know the flag, a hard
// link stands in for files (it fails on an existing name, as the flag would), and folders are checked first.
int renameRaw(const fs::path& from, const fs::path& to, bool replace) {
  if (replace) return ::rename(from.c_str(), to.c_str());
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  struct stat info {};
  if (::lstat(from.c_str(), &info) != 0) return -1;
  if (S_ISDIR(info.st_mode)) {
    if (itemExists(to)) {
      errno = EEXIST;
      return -1;
    }
    return ::rename(from.c_str(), to.c_str());
  }
  if (::link(from.c_str(), to.c_str()) != 0) return -1;
  return ::unlink(from.c_str());
}

// After the file itself got its new name: its sidecar follows, and one left by a former file at that name goes.
void moveSidecarAlong(const fs::path& from, const fs::path& to) {
  const fs::path fromSidecar = appleDoublePath(from);
  const fs::path toSidecar = appleDoublePath(to);
  if (itemExists(fromSidecar)) {
    if (::rename(fromSidecar.c_str(), toSidecar.c_str()) != 0)
      systemLogf("The Finder information of %s stayed behind at %s (error %d)", to.c_str(), fromSidecar.c_str(), errno);
  } else if (itemExists(toSidecar)) {
    ::unlink(toSidecar.c_str());
  }
}

OSErr writeAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    if (written == 0) return ioErr;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return noErr;
}

// Reads up to the buffer's size; the count read, or -1 with errno.
ssize_t readSome(int fd, std::span<std::uint8_t> buffer) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got >= 0 || errno != EINTR) return got;
  }
}

}  // namespace

bool itemExists(const fs::path& item) noexcept {
  struct stat info {};
  return ::lstat(item.c_str(), &info) == 0;
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

OSErr ReadOnlyFile::open(const fs::path& file) {
  if (fd_ >= 0) ::close(fd_);
  // Without O_NONBLOCK, opening a named pipe waits for a writer that may never come, and a job folder or the
  // settings folder is not the place to wait. Only regular files are read; the flag is dropped once that is known.
  fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) return lastError();
  struct stat info {};
  OSErr error = noErr;
  if (::fstat(fd_, &info) != 0)
    error = lastError();
  else if (!S_ISREG(info.st_mode))
    error = afpObjectTypeErr;
  else if (::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0)
    error = lastError();
  if (error != noErr) {
    ::close(fd_);
    fd_ = -1;
  }
  return error;
}

OSErr ReadOnlyFile::read(std::span<std::uint8_t> buffer, std::size_t& count) {
  count = 0;
  if (fd_ < 0) return rfNumErr;
  const ssize_t got = readSome(fd_, buffer);
  if (got < 0) return lastError();
  count = static_cast<std::size_t>(got);
  return noErr;
}

TempFile::~TempFile() { discard(); }

OSErr TempFile::open(const fs::path& folder, mode_t mode) {
  discard();
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    fs::path candidate = folder / randomTempName();
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) {
      fd_ = fd;
      path_ = std::move(candidate);
      return noErr;
    }
    if (errno != EEXIST) return lastError();
  }
  return dupFNErr;
}

OSErr TempFile::write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) return rfNumErr;
  return writeAll(fd_, bytes);
}

OSErr TempFile::commit(const fs::path& finalPath, bool replace) {
  if (fd_ < 0) return rfNumErr;
  if (::fsync(fd_) != 0) return lastError();
  if (renameRaw(path_, finalPath, replace) != 0) return lastError();
  ::close(fd_);
  fd_ = -1;
  path_.clear();
  static_cast<void>(syncFolder(finalPath.parent_path()));  // the data is safe; only the name's durability is at stake
  return noErr;
}

void TempFile::discard() noexcept {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(path_.c_str());
  fd_ = -1;
  path_.clear();
}

OSErr readFileBytes(const fs::path& file, std::vector<std::uint8_t>& bytes, std::size_t limit) {
  ReadOnlyFile fd;
  if (const OSErr error = fd.open(file); error != noErr) return error;
  struct stat info {};
  if (::fstat(fd.fd(), &info) != 0) return lastError();
  if (static_cast<std::uint64_t>(info.st_size) > limit) return paramErr;
  std::vector<std::uint8_t> read;
  std::array<std::uint8_t, 65536> buffer;
  for (;;) {
    const ssize_t got = readSome(fd.fd(), buffer);
    if (got < 0) return lastError();
    if (got == 0) break;
    if (read.size() + static_cast<std::size_t>(got) > limit) return paramErr;
    read.insert(read.end(), buffer.begin(), buffer.begin() + got);
  }
  bytes = std::move(read);
  return noErr;
}

OSErr writeFileAtomically(const fs::path& file, std::span<const std::uint8_t> bytes, bool replace, mode_t mode) {
  if (!replace && itemExists(file)) return dupFNErr;
  TempFile temp;
  if (const OSErr error = temp.open(file.parent_path(), mode); error != noErr) return error;
  if (const OSErr error = temp.write(bytes); error != noErr) return error;
  return temp.commit(file, replace);
}

OSErr writeFileAtomically(const fs::path& file, std::string_view text, bool replace, mode_t mode) {
  return writeFileAtomically(
      file, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), replace,
      mode);
}

OSErr setFileAside(const fs::path& file, std::string_view tag, fs::path& setAside) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = file.filename().string() + "." + std::string(tag) + "-" + stamp;
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const fs::path candidate = file.parent_path() / (attempt == 1 ? base : base + "-" + std::to_string(attempt));
    const OSErr renamed = renameItem(file, candidate, false);
    if (renamed == noErr) {
      setAside = candidate;
      return noErr;
    }
    if (renamed != dupFNErr) return renamed;
  }
  return dupFNErr;
}

OSErr renameItem(const fs::path& from, const fs::path& to, bool replace) {
  if (renameRaw(from, to, replace) != 0) return lastError();
  moveSidecarAlong(from, to);
  return noErr;
}

OSErr moveItem(const fs::path& from, const fs::path& to, bool replace, bool* sourceKept) {
  if (sourceKept) *sourceKept = false;
  if (renameRaw(from, to, replace) == 0) {
    moveSidecarAlong(from, to);
    return noErr;
  }
  if (errno != EXDEV) return lastError();
  return copyAcrossThenDelete(from, to, replace, sourceKept);
}

OSErr copyAcrossThenDelete(const fs::path& from, const fs::path& to, bool replace, bool* sourceKept) {
  if (sourceKept) *sourceKept = false;
  ReadOnlyFile source;
  if (const OSErr error = source.open(from); error != noErr) return error;
  struct stat info {};
  if (::fstat(source.fd(), &info) != 0) return lastError();
  if (!replace && itemExists(to)) return dupFNErr;

  TempFile copy;
  if (const OSErr error = copy.open(to.parent_path(), info.st_mode & 0777); error != noErr) return error;
  std::vector<std::uint8_t> buffer(kCopyBufferSize);
  for (;;) {
    const ssize_t got = readSome(source.fd(), buffer);
    if (got < 0) return lastError();
    if (got == 0) break;
    if (const OSErr error = copy.write(std::span(buffer).first(static_cast<std::size_t>(got))); error != noErr)
      return error;
  }
  // The umask narrowed the bits at creation; the copy gets the source's own, and its dates.
  ::fchmod(copy.fd(), info.st_mode & 07777);
  const struct timespec times[2] = {info.st_atim, info.st_mtim};
  ::futimens(copy.fd(), times);
  if (const OSErr error = copy.commit(to, replace); error != noErr) return error;

  const fs::path fromSidecar = appleDoublePath(from);
  const fs::path toSidecar = appleDoublePath(to);
  std::vector<std::uint8_t> sidecar;
  if (readFileBytes(fromSidecar, sidecar, 64u << 20) == noErr) {
    if (const OSErr error = writeFileAtomically(toSidecar, sidecar, true); error != noErr)
      systemLogf("The Finder information of %s could not be copied (error %d)", to.c_str(), error);
  } else if (itemExists(toSidecar)) {
    ::unlink(toSidecar.c_str());
  }

  if (::unlink(from.c_str()) != 0) {
    if (sourceKept) *sourceKept = true;
    return lastError();
  }
  ::unlink(fromSidecar.c_str());
  static_cast<void>(syncFolder(from.parent_path()));
  return noErr;
}

OSErr deleteItem(const fs::path& item) {
  struct stat info {};
  if (::lstat(item.c_str(), &info) != 0) return lastError();
  const int removed = S_ISDIR(info.st_mode) ? ::rmdir(item.c_str()) : ::unlink(item.c_str());
  if (removed != 0) return lastError();
  ::unlink(appleDoublePath(item).c_str());
  return noErr;
}

OSErr syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return lastError();
  const OSErr result = ::fsync(fd) == 0 ? noErr : lastError();
  ::close(fd);
  return result;
}

}  // namespace vorl
