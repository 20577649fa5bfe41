#include "platform/core/handles.h"

#include <cstdlib>
#include <limits>

namespace vorl {
namespace {

// The master pointer comes first, so a Handle (its address) is also the block's address.
struct HandleBlock {
  char* bytes;
  std::int64_t size;
  signed char state;
};

thread_local OSErr tMemError = noErr;
thread_local OSErr tResError = noErr;

HandleBlock* blockOf(Handle handle) noexcept { return reinterpret_cast<HandleBlock*>(handle); }

bool checkNotNull(Handle handle) noexcept {
  tMemError = handle ? noErr : nilHandleErr;
  return handle != nullptr;
}

}  // namespace

Handle NewHandle(std::int64_t size) noexcept {
  if (size < 0 || static_cast<std::uint64_t>(size) > std::numeric_limits<std::size_t>::max() / 2) {
    tMemError = memFullErr;
    return nullptr;
  }
  auto* block = static_cast<HandleBlock*>(std::malloc(sizeof(HandleBlock)));
  // calloc(0) may answer null; a zero-length handle still gets a master pointer that points somewhere.
  char* bytes = static_cast<char*>(std::calloc(size > 0 ? static_cast<std::size_t>(size) : 1, 1));
  if (!block || !bytes) {
    std::free(block);
    std::free(bytes);
    tMemError = memFullErr;
    return nullptr;
  }
  *block = HandleBlock{bytes, size, 0};
  tMemError = noErr;
  return &block->bytes;
}

void DisposeHandle(Handle handle) noexcept {
  if (!checkNotNull(handle)) return;
  HandleBlock* block = blockOf(handle);
  std::free(block->bytes);
  std::free(block);
}

std::int64_t GetHandleSize(Handle handle) noexcept { return checkNotNull(handle) ? blockOf(handle)->size : 0; }

void HLock(Handle handle) noexcept {
  if (checkNotNull(handle)) blockOf(handle)->state |= kHandleLocked;
}

void HUnlock(Handle handle) noexcept {
  if (checkNotNull(handle)) blockOf(handle)->state &= static_cast<signed char>(~kHandleLocked);
}

void HNoPurge(Handle handle) noexcept {
  if (checkNotNull(handle)) blockOf(handle)->state &= static_cast<signed char>(~kHandlePurgeable);
}

signed char HGetState(Handle handle) noexcept { return checkNotNull(handle) ? blockOf(handle)->state : 0; }

void HSetState(Handle handle, signed char state) noexcept {
  if (checkNotNull(handle)) blockOf(handle)->state = state;
}

void HSetRBit(Handle handle) noexcept {
  if (checkNotNull(handle)) blockOf(handle)->state |= kHandleResource;
}

OSErr MemError() noexcept { return tMemError; }

Ptr NewPtr(std::int64_t size) noexcept {
  if (size < 0 || static_cast<std::uint64_t>(size) > std::numeric_limits<std::size_t>::max() / 2) {
    tMemError = memFullErr;
    return nullptr;
  }
  Ptr pointer = static_cast<Ptr>(std::calloc(size > 0 ? static_cast<std::size_t>(size) : 1, 1));
  tMemError = pointer ? noErr : memFullErr;
  return pointer;
}

void DisposePtr(Ptr pointer) noexcept {
  std::free(pointer);
  tMemError = noErr;
}

void ReleaseResource(Handle handle) noexcept {
  if (!handle || !(blockOf(handle)->state & kHandleResource)) {
    tResError = resNotFound;
    return;
  }
  DisposeHandle(handle);
  tResError = noErr;
}

OSErr ResError() noexcept { return tResError; }

}  // namespace vorl
