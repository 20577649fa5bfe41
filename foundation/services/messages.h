// foundation/services/: services the whole program shares: operator messages (this unit), the per-day log file, the
// event pump of long loops, memory blocks, the encrypted settings store, the operating-system helpers and the notice
// to the web-server companion.
//
// Operator messages.
//
// Every failure the operator should know of goes through this family: a literal text or an item of a numbered
// string list. The core writes the log line "DisplayNormalMessage ERROR string: [...]" and hands the text to the
// one message sink, which the application fills with its error list and a non-modal alert. A message never
// waits for the operator and never stops processing, so it may be shown from the job worker as well.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text/pascal_string.h"

namespace vorl {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Shows one message (UTF-8). Called from any thread; must not block on the operator.
  virtual void showMessage(std::string_view text) = 0;
  virtual void beep() {}
};

// Installs the sink (the application's, or a test's recorder); null puts back the default, which only logs.
void setMessageSink(MessageSink* sink) noexcept;

// What the message alert answers: its one button.
inline constexpr std::int16_t kAlertOK = 1;

// Logs the text, then shows it. The core of the family.
std::int16_t DisplayNormalMessagePascal(const Str255& text);
// Item `item` of string list `list`. An item the list lacks shows "Message <list>/<item>".
std::int16_t DisplayNormalMessage(std::int16_t list, std::int16_t item);
std::int16_t DisplayWarningMessage(std::int16_t list, std::int16_t item);
// A zero-terminated text (UTF-8), cut to 255 characters.
std::int16_t newDisplayNormalMessage(const char* text);
std::int16_t DisplayNormalMessage(const char* text);
std::int16_t DisplayNormalMessage(const Str255& text);
// Shows the text only when `show` is non-zero; the one-argument form shows nothing.
std::int16_t DisplayWarningMessage(const Str255& text, std::int16_t show);
std::int16_t DisplayWarningMessage(const Str255& text);
// Shows the text without the log line.
std::int16_t DisplayNormalMessageForceAlways(const Str255& text);

// The system beep (SysBeep), through the sink.
void SysBeep(std::int16_t duration);

}  // namespace vorl
