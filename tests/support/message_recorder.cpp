#include "tests/support/message_recorder.h"

namespace vorl::test {

void MessageRecorder::showMessage(std::string_view text) {
  std::lock_guard lock(mutex_);
  messages_.emplace_back(text);
}

void MessageRecorder::beep() {
  std::lock_guard lock(mutex_);
  ++beeps_;
}

std::vector<std::string> MessageRecorder::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

int MessageRecorder::beeps() const {
  std::lock_guard lock(mutex_);
  return beeps_;
}

}  // namespace vorl::test
