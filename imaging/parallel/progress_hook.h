// The progress bar's idle turn during long imaging work. imaging/ may not reach the application, so the
// application installs the hook at start-up; without one nothing happens. The hook is called only on the
// thread that runs the job step, never from a pool thread.
#pragma once

namespace vorl {

using IdleProgressHook = void (*)();
void setIdleProgressHook(IdleProgressHook hook) noexcept;  // null removes it
// Gives the progress indicator an idle turn through the hook.
void IdleProgress();

}  // namespace vorl
