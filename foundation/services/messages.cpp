#include "foundation/services/messages.h"

#include <atomic>
#include <string>

#include "foundation/text/string_lists.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// Without an application there is nobody to show a message to, so it goes to the log.
class LogOnlySink final : public MessageSink {
 public:
  void showMessage(std::string_view text) override {
    systemLogf("Operator message: %.*s", static_cast<int>(text.size()), text.data());
  }
};

LogOnlySink gLogOnlySink;
std::atomic<MessageSink*> gSink{nullptr};

MessageSink& sink() noexcept {
  MessageSink* installed = gSink.load(std::memory_order_acquire);
  return installed ? *installed : gLogOnlySink;
}

std::int16_t showAlert(const Str255& text) {
  sink().showMessage(text.toUtf8());
  return kAlertOK;
}

}  // namespace

void setMessageSink(MessageSink* sink) noexcept { gSink.store(sink, std::memory_order_release); }

std::int16_t DisplayNormalMessagePascal(const Str255& text) {
  const std::string utf8 = text.toUtf8();
  systemLogf("DisplayNormalMessage ERROR string: [%s]", utf8.c_str());
  return showAlert(text);
}

std::int16_t DisplayNormalMessage(std::int16_t list, std::int16_t item) {
  Str255 text;
  // An empty alert would tell an operator nothing; the list and item at least say where to look.
  if (!GetIndString(text, list, item))
    text = Str255::fromUtf8("Message " + std::to_string(list) + "/" + std::to_string(item));
  return DisplayNormalMessagePascal(text);
}

std::int16_t DisplayWarningMessage(std::int16_t list, std::int16_t item) { return DisplayNormalMessage(list, item); }

std::int16_t newDisplayNormalMessage(const char* text) {
  return DisplayNormalMessagePascal(Str255::fromUtf8(text ? text : ""));
}

std::int16_t DisplayNormalMessage(const char* text) { return newDisplayNormalMessage(text); }

std::int16_t DisplayNormalMessage(const Str255& text) { return DisplayNormalMessagePascal(text); }

std::int16_t DisplayWarningMessage(const Str255& text, std::int16_t show) {
  return show != 0 ? DisplayNormalMessagePascal(text) : 0;
}

std::int16_t DisplayWarningMessage(const Str255& text) { return DisplayWarningMessage(text, 0); }

std::int16_t DisplayNormalMessageForceAlways(const Str255& text) { return showAlert(text); }

void SysBeep(std::int16_t /*duration*/) { sink().beep(); }

}  // namespace vorl
