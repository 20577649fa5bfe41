// What a keying stage reports. The engine's functions never throw; a stage that cannot run says why, and the pass
// that called it stops and hands the same status up, so a half-keyed frame is never taken for a keyed one.
#pragma once

namespace vorl {

enum class PrimStatus : int {
  ok = 0,
  badArguments = 1,       // a null map, a negative size or a setting out of its range
  recordNotPrepared = 2,  // no `primcoef_begin` on this pass, or its record was refused
  outOfMemory = 3,        // a work map could not be had
};

[[nodiscard]] const char* describe(PrimStatus status) noexcept;

}  // namespace vorl
