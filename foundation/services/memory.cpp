#include "foundation/services/memory.h"

#include "foundation/services/messages.h"
#include "foundation/text/string_lists.h"

namespace vorl {
namespace {

constexpr std::int16_t kNewHandleErrorItem = 5;
constexpr std::int16_t kNewHandleNullItem = 6;
constexpr std::int16_t kUnknownMemoryErrorItem = 15;
constexpr std::int16_t kUnknownResourceErrorItem = 16;

// Items shared by both tables; the memory side shows nothing for nilHandleErr.
std::int16_t sharedItem(OSErr error) noexcept {
  switch (error) {
    case memFullErr:
      return 7;
    case memWZErr:
      return 9;
    case memPurErr:
      return 10;
    case memLockedErr:
      return 11;
    case resNotFound:
      return 13;
    case resFNotFound:
      return 14;
    case addResFailed:
      return 12;
    default:
      return 0;
  }
}

}  // namespace

OSErr checkMyMemError(OSErr error) {
  if (error == noErr || error == nilHandleErr) return error;
  const std::int16_t item = sharedItem(error);
  DisplayNormalMessage(kMemoryErrorStrings, item != 0 ? item : kUnknownMemoryErrorItem);
  return error;
}

OSErr myCheckResError(OSErr error) {
  if (error == noErr) return error;
  const std::int16_t item = error == nilHandleErr ? 8 : sharedItem(error);
  DisplayNormalMessage(kMemoryErrorStrings, item != 0 ? item : kUnknownResourceErrorItem);
  return error;
}

OSErr myHLock(Handle handle) {
  if (!handle) return noErr;
  HLock(handle);
  return checkMyMemError(MemError());
}

OSErr myHUnlock(Handle handle) {
  if (!handle) return noErr;
  HUnlock(handle);
  return checkMyMemError(MemError());
}

OSErr myHNoPurge(Handle handle) {
  if (!handle) return noErr;
  HNoPurge(handle);
  return checkMyMemError(MemError());
}

std::int16_t myGetHandleState(Handle handle, signed char* state) {
  if (!handle || !state) return 0;
  *state = 0;
  const signed char current = HGetState(handle);
  if (checkMyMemError(MemError()) != noErr) return 0;
  *state = current;
  return 1;
}

std::int16_t myRestoreHandleState(Handle handle, signed char state) {
  if (!handle) return 0;
  HSetState(handle, state);
  return checkMyMemError(MemError()) == noErr ? 1 : 0;
}

std::int16_t myDisposeHandle(Handle handle) {
  if (!handle) return 0;
  HNoPurge(handle);
  HUnlock(handle);
  DisposeHandle(handle);
  checkMyMemError(MemError());
  return 0;
}

std::int16_t myDisposePtr(Ptr pointer) {
  if (!pointer) return 0;
  DisposePtr(pointer);
  checkMyMemError(MemError());
  return 0;
}

Handle createHandle(Handle handle, std::int64_t size) {
  if (handle) {
    if (GetHandleSize(handle) == size) return handle;
    myDisposeHandle(handle);
  }
  if (size < 1) return nullptr;
  Handle created = NewHandle(size);
  if (const OSErr error = MemError(); error != noErr) {
    checkMyMemError(error);
    DisplayNormalMessage(kMemoryErrorStrings, kNewHandleErrorItem);
    return nullptr;
  }
  if (!created) {
    DisplayNormalMessage(kMemoryErrorStrings, kNewHandleNullItem);
    return nullptr;
  }
  HLock(created);
  HNoPurge(created);
  return created;
}

std::int16_t myReleaseResource(Handle handle) {
  if (!handle) return 0;
  ReleaseResource(handle);
  if (const OSErr error = ResError(); error != noErr) myCheckResError(error);
  return 0;
}

}  // namespace vorl
