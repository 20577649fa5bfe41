// Relocatable memory blocks ("handles") as the Memory Manager gave them: a handle points at a master pointer,
// which points at the bytes. Blocks never move here, but the state byte (locked, purgeable, resource) is kept so
// that code which saves and restores it behaves as it did. Every call records its result for `MemError`, per
// thread, as the Memory Manager did per process.
#pragma once

#include <cstdint>

#include "platform/core/os_errors.h"

namespace vorl {

using Handle = char**;

// State byte bits, as HGetState reports them.
inline constexpr signed char kHandleLocked = static_cast<signed char>(0x80);
inline constexpr signed char kHandlePurgeable = 0x40;
inline constexpr signed char kHandleResource = 0x20;

// A zero-filled block of `size` bytes; null with memFullErr when it cannot be had (or size is negative).
Handle NewHandle(std::int64_t size) noexcept;
void DisposeHandle(Handle handle) noexcept;
std::int64_t GetHandleSize(Handle handle) noexcept;

void HLock(Handle handle) noexcept;
void HUnlock(Handle handle) noexcept;
void HNoPurge(Handle handle) noexcept;
signed char HGetState(Handle handle) noexcept;
void HSetState(Handle handle, signed char state) noexcept;
// Marks a handle as holding a resource; the resource reader sets it on what it loads.
void HSetRBit(Handle handle) noexcept;

OSErr MemError() noexcept;

// Non-relocatable blocks.
using Ptr = char*;
Ptr NewPtr(std::int64_t size) noexcept;
void DisposePtr(Ptr pointer) noexcept;

// Frees a resource handle; a handle that is not a resource is left alone and ResError becomes resNotFound.
void ReleaseResource(Handle handle) noexcept;
OSErr ResError() noexcept;

}  // namespace vorl
