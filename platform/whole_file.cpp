#include "platform/whole_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace vorl {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const noexcept { return fd_; }
  // Closes now and reports what close says: on some file systems a write error only shows here.
  int close() noexcept {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

int writeAll(int fd, const std::uint8_t* data, std::size_t size) noexcept {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

// A name no other writer picks: the same folder (so the rename stays on one file system), hidden, random.
fs::path temporaryBeside(const fs::path& file) {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  char suffix[20];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(generator()));
  return file.parent_path() / ("." + file.filename().string() + ".tmp-" + suffix);
}

// 0, or -1 with errno set (EEXIST when the new name is taken).
int renameWithoutReplacing(const fs::path& from, const fs::path& to) noexcept {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // File systems without the flag: a hard link fails on an existing name just the same.
  if (::link(from.c_str(), to.c_str()) != 0) return -1;
  return ::unlink(from.c_str());
}

}  // namespace

OSErr readWholeFile(const fs::path& file, std::vector<std::uint8_t>& bytes, std::size_t limit) {
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return osErrFromErrno(errno);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return osErrFromErrno(errno);
  if (S_ISDIR(info.st_mode)) return afpObjectTypeErr;
  if (static_cast<std::uint64_t>(info.st_size) > limit) return paramErr;
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  std::uint8_t buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return osErrFromErrno(errno);
    }
    if (got == 0) break;
    if (bytes.size() + static_cast<std::size_t>(got) > limit) return paramErr;  // it grew while we read
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return noErr;
}

OSErr replaceFileAtomically(const fs::path& file, std::span<const std::uint8_t> bytes, mode_t mode) {
  if (!file.has_filename()) return bdNamErr;
  const fs::path temporary = temporaryBeside(file);
  FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777));
  if (fd.get() < 0) return osErrFromErrno(errno);
  int failure = ::fchmod(fd.get(), mode & 07777) != 0 ? errno : 0;
  if (failure == 0) failure = writeAll(fd.get(), bytes.data(), bytes.size());
  if (failure == 0 && ::fsync(fd.get()) != 0) failure = errno;
  if (fd.close() != 0 && failure == 0) failure = errno;
  if (failure == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) failure = errno;
  if (failure != 0) {
    ::unlink(temporary.c_str());
    return osErrFromErrno(failure);
  }
  // The rename itself is only durable once the folder is flushed.
  FileDescriptor folder(
      ::open(file.parent_path().empty() ? "." : file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
  return noErr;
}

OSErr replaceFileAtomically(const fs::path& file, std::string_view text, mode_t mode) {
  return replaceFileAtomically(
      file, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), mode);
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
    if (renameWithoutReplacing(file, candidate) == 0) {
      setAside = candidate;
      return noErr;
    }
    if (errno != EEXIST) return osErrFromErrno(errno);
  }
  return dupFNErr;
}

}  // namespace vorl
