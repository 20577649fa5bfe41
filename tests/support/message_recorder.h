// Records the operator messages shown while it is installed.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/services/messages.h"

namespace vorl::test {

class MessageRecorder final : public MessageSink {
 public:
  MessageRecorder() { setMessageSink(this); }
  ~MessageRecorder() override { setMessageSink(nullptr); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  void showMessage(std::string_view text) override;
  void beep() override;

  std::vector<std::string> messages() const;
  // True when exactly one message was shown and it was item `item` of string list `list`.
  bool showedOnly(std::int16_t list, std::int16_t item) const;
  int beeps() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
  int beeps_ = 0;
};

}  // namespace vorl::test
