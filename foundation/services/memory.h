// Wrappers of the memory block and resource calls; a failure is shown to the operator from string list 4102.
// Nothing throws. A null handle or pointer is a no-op with the answer 0.
#pragma once

#include <cstdint>

#include "platform/core/handles.h"

namespace vorl {

OSErr myHLock(Handle handle);
OSErr myHUnlock(Handle handle);
OSErr myHNoPurge(Handle handle);
// Writes 0, then the handle's state byte; 1 on success, 0 after an error.
std::int16_t myGetHandleState(Handle handle, signed char* state);
std::int16_t myRestoreHandleState(Handle handle, signed char state);
// Makes the handle not purgeable, unlocks and frees it; answers 0.
std::int16_t myDisposeHandle(Handle handle);
std::int16_t myDisposePtr(Ptr pointer);

// A locked, non-purgeable handle of `size` bytes. An existing handle of that size is given back as it is
// (contents kept); one of another size is freed first. A size below 1 answers null.
Handle createHandle(Handle handle, std::int64_t size);

// Frees a resource handle; a resource error is reported. Answers 0.
std::int16_t myReleaseResource(Handle handle);

// Blocks never move here; kept for the callers that asked for it after freeing and before allocating.
inline void forceMemoryMovement() noexcept {}

// Show the error's message (none for noErr, nor for nilHandleErr from the memory side); answer the code.
OSErr checkMyMemError(OSErr error);
OSErr myCheckResError(OSErr error);

}  // namespace vorl
