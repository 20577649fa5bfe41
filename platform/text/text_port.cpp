#include "platform/text/text_port.h"

namespace vorl {
namespace {

thread_local TextPort* tCurrentPort = nullptr;

}  // namespace

TextPort* currentTextPort() noexcept { return tCurrentPort; }
void setCurrentTextPort(TextPort* port) noexcept { tCurrentPort = port; }

}  // namespace vorl
