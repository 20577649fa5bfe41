// The progress bar's idle turn, through the hook the application installs.
#include "imaging/parallel/progress_hook.h"

#include <atomic>

namespace vorl {

namespace {
std::atomic<IdleProgressHook> gIdleProgressHook{nullptr};
}  // namespace

void setIdleProgressHook(IdleProgressHook hook) noexcept { gIdleProgressHook.store(hook); }

void IdleProgress() {
  if (IdleProgressHook hook = gIdleProgressHook.load()) hook();
}

}  // namespace vorl
