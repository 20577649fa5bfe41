#include "tests/support/message_recorder.h"

#include "foundation/text/string_lists.h"

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

bool MessageRecorder::showedOnly(std::int16_t list, std::int16_t item) const {
  Str255 text;
  const std::string expected =
      GetIndString(text, list, item) ? text.toUtf8() : "Message " + std::to_string(list) + "/" + std::to_string(item);
  std::lock_guard lock(mutex_);
  return messages_.size() == 1 && messages_[0] == expected;
}

int MessageRecorder::beeps() const {
  std::lock_guard lock(mutex_);
  return beeps_;
}

}  // namespace vorl::test
