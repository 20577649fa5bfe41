// What a keying stage reports. The engine's functions never throw; a stage that cannot run says why, and the pass
// that called it stops and hands the same status up, so a half-keyed frame is never taken for a keyed one.
#pragma once

namespace vorl {

enum class PrimStatus : int {
  ok = 0,
  badArguments = 1,       // a null map or a negative size
  recordNotPrepared = 2,  // no `primcoef_begin` on this pass, or its record was refused
  outOfMemory = 3,        // a work map could not be had
  stageNotAvailable = 4,  // the record asks for a stage this build does not have
};

[[nodiscard]] const char* describe(PrimStatus status) noexcept;

}  // namespace vorl
