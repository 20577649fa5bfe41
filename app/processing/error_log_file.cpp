#include "app/processing/error_log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/text/mac_roman.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const noexcept { return fd_; }

 private:
  int fd_;
};

bool writeAll(int fd, const std::uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

std::filesystem::path errorLogFilePath() {
  return std::filesystem::path(QDir::homePath().toStdString()) / "Error Log File";
}

QStringList readErrorLogRecords(const std::filesystem::path& file) {
  QStringList messages;
  std::ifstream in(file, std::ios::binary);
  std::array<char, kErrorLogRecordSize> record{};
  while (in.read(record.data(), record.size())) {
    const auto length = static_cast<std::uint8_t>(record[0]);
    messages.append(QString::fromStdString(macRomanToUtf8(std::string_view(record.data() + 1, length))));
  }
  return messages;
}

bool appendErrorLogRecord(const std::filesystem::path& file, const QString& message) {
  std::string macRoman = utf8ToMacRoman(message.toStdString());
  if (macRoman.size() > 255) macRoman.resize(255);
  std::array<std::uint8_t, kErrorLogRecordSize> record{};
  record[0] = static_cast<std::uint8_t>(macRoman.size());
  std::memcpy(record.data() + 1, macRoman.data(), macRoman.size());

  FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  struct stat info {};
  bool written = fd.get() >= 0 && ::fstat(fd.get(), &info) == 0;
  if (written && info.st_size % static_cast<off_t>(kErrorLogRecordSize) != 0)
    written = ::ftruncate(fd.get(), info.st_size - info.st_size % static_cast<off_t>(kErrorLogRecordSize)) == 0;
  written = written && writeAll(fd.get(), record.data(), record.size());
  if (!written) systemLogf("Error Log File: could not write a message (%s)", std::strerror(errno));
  return written;
}

}  // namespace vorl
