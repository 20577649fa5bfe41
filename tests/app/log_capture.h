// Standard error (where the diagnostic log lines go) diverted into a file for as long as the object lives.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vorl::test {

class LogCapture {
 public:
  LogCapture()
      : file_(std::filesystem::temp_directory_path() /
              ("vorl-log-capture-" + std::to_string(::getpid()) + "-" + std::to_string(++count_))) {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::dup2(fd, STDERR_FILENO);
      ::close(fd);
    }
  }
  ~LogCapture() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
    }
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::string text() const {
    std::fflush(stderr);
    std::ifstream in(file_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool contains(const std::string& line) const { return text().find(line) != std::string::npos; }

 private:
  static inline int count_ = 0;
  std::filesystem::path file_;
  int saved_ = -1;
};

}  // namespace vorl::test
