// Pixel locks and protection, and the geometry record of a locked offscreen.
//
// Pixels never move or get purged here, so locking always succeeds; the lock and purge bits are still kept
// and restored so that code which saves and restores them behaves as it did, and the functions keep their
// results and messages for a null offscreen.
#pragma once

#include <cstdint>

#include "imaging/offscreens/offscreen.h"

namespace vorl {

PixMapHandle GetGWorldPixMap(Offscreen* offscreen) noexcept;
std::uint32_t GetPixelsState(PixMapHandle pixMap) noexcept;
void SetPixelsState(PixMapHandle pixMap, std::uint32_t state) noexcept;
bool LockPixels(PixMapHandle pixMap) noexcept;
void UnlockPixels(PixMapHandle pixMap) noexcept;
void NoPurgePixels(PixMapHandle pixMap) noexcept;
std::uint8_t* GetPixBaseAddr(PixMapHandle pixMap) noexcept;

// Locks the pixels and answers the pixel map, with the state from before in `savedState` (0 first). Null
// offscreen: warning 4101/5, null.
PixMapHandle GetPixMapAndLockIt(Offscreen* offscreen, std::uint32_t* savedState);
// Puts a saved state back; nothing for a null pixel map.
void mySetPixelsState(PixMapHandle pixMap, std::uint32_t state) noexcept;
// Leaves the pixels non-purgeable and unlocked; the state after that goes into `state`.
PixMapHandle GetPixMapAndUnLockIt(Offscreen* offscreen, std::uint32_t* state);
// True when the offscreen was protected; false for null (no message).
bool protectTheGworld(Offscreen* offscreen);
// The same, with message 4101/8 for null. Despite the name the pixels stay unlocked.
bool protectAndLockGworld(Offscreen* offscreen);
// False for null; else locks the pixels and leaves them locked.
bool ForceLockGWorld(Offscreen* offscreen);

// Row bytes and pixels per row (row bytes / 4); both 0 for a null pixel map.
void getPixelsPerRowInPixMap(PixMapHandle pixMap, std::uint64_t* pixelsPerRow, std::uint64_t* rowBytes) noexcept;

// What a pixel loop needs of a locked offscreen. The sizes are wide: a page may be up to 32767 pixels a side.
struct theGworldInfoStruct {
  Offscreen* gworld = nullptr;  // set by the caller before getMyGworldInfo
  std::uint32_t pixelsState = 0;
  PixMapHandle pixMap = nullptr;
  std::uint8_t* baseAddr = nullptr;
  std::ptrdiff_t rowBytes = 0;
  std::ptrdiff_t pixelsPerRow = 0;
  std::int32_t height = 0;
  std::int32_t width = 0;

  PixView view() const noexcept { return gworld ? PixView(baseAddr, rowBytes, gworld->portRect()) : PixView(); }
};

void initializeMyGworldInfo(theGworldInfoStruct* info) noexcept;
// Locks `info->gworld` and fills the record. False without a message for a null offscreen. On success the
// pixels stay locked; the caller puts `pixelsState` back with mySetPixelsState when done.
bool getMyGworldInfo(theGworldInfoStruct* info);

// Locks an offscreen for a scope and puts its pixel state back at the end.
class PixelLock {
 public:
  explicit PixelLock(Offscreen* offscreen) : pixMap_(GetPixMapAndLockIt(offscreen, &saved_)) {}
  ~PixelLock() { mySetPixelsState(pixMap_, saved_); }
  PixelLock(const PixelLock&) = delete;
  PixelLock& operator=(const PixelLock&) = delete;
  bool locked() const noexcept { return pixMap_ != nullptr; }

 private:
  std::uint32_t saved_ = 0;
  PixMapHandle pixMap_;
};

}  // namespace vorl
