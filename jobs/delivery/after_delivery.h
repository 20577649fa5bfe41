// The steps that follow a delivered output: its count, the web-server notice, the print-centre start.
//
// Once the output is out of the door the job has succeeded. A step after it that threw would reach the job
// step's catch-all, which fails the job; the operator's "Try Again Later" would then deliver it a second time.
// So each such step runs through `runAfterDelivery`: what it throws is logged and the next step runs.
#pragma once

#include <exception>
#include <utility>

#include "platform/system/system_log.h"

namespace vorl {

template <typename Step>
void runAfterDelivery(const char* stepName, Step&& step) noexcept {
  try {
    std::forward<Step>(step)();
  } catch (const std::exception& error) {
    systemLogf("%s failed after the delivery (%s); the job stays delivered", stepName, error.what());
  } catch (...) {
    systemLogf("%s failed after the delivery; the job stays delivered", stepName);
  }
}

}  // namespace vorl
