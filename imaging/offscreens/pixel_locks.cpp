// Pixel locks and protection.
#include "imaging/offscreens/pixel_locks.h"

#include "foundation/services/messages.h"

namespace vorl {

namespace {
constexpr std::int16_t kOffscreenMessages = 4101;
}  // namespace

PixMapHandle GetGWorldPixMap(Offscreen* offscreen) noexcept { return offscreen ? offscreen->pixMap() : nullptr; }
std::uint32_t GetPixelsState(PixMapHandle pixMap) noexcept { return pixMap ? pixMap->state : 0; }
void SetPixelsState(PixMapHandle pixMap, std::uint32_t state) noexcept {
  if (pixMap) pixMap->state = state;
}
bool LockPixels(PixMapHandle pixMap) noexcept {
  if (!pixMap) return false;
  pixMap->state |= kPixelsLocked;
  return true;
}
void UnlockPixels(PixMapHandle pixMap) noexcept {
  if (pixMap) pixMap->state &= ~kPixelsLocked;
}
void NoPurgePixels(PixMapHandle pixMap) noexcept {
  if (pixMap) pixMap->state &= ~kPixelsPurgeable;
}
std::uint8_t* GetPixBaseAddr(PixMapHandle pixMap) noexcept { return pixMap ? pixMap->baseAddr : nullptr; }

PixMapHandle GetPixMapAndLockIt(Offscreen* offscreen, std::uint32_t* savedState) {
  if (savedState) *savedState = 0;
  if (offscreen == nullptr) {
    DisplayWarningMessage(kOffscreenMessages, 5);
    return nullptr;
  }
  PixMapHandle pixMap = GetGWorldPixMap(offscreen);
  const std::uint32_t before = GetPixelsState(pixMap);
  NoPurgePixels(pixMap);
  if (!LockPixels(pixMap)) {
    SetPixelsState(pixMap, before);
    return nullptr;
  }
  if (savedState) *savedState = before;
  return pixMap;
}

void mySetPixelsState(PixMapHandle pixMap, std::uint32_t state) noexcept { SetPixelsState(pixMap, state); }

PixMapHandle GetPixMapAndUnLockIt(Offscreen* offscreen, std::uint32_t* state) {
  PixMapHandle pixMap = GetPixMapAndLockIt(offscreen, state);
  if (state) *state = 0;
  if (pixMap == nullptr) return nullptr;
  if (state) *state = GetPixelsState(pixMap);
  NoPurgePixels(pixMap);
  UnlockPixels(pixMap);
  return pixMap;
}

bool protectTheGworld(Offscreen* offscreen) {
  if (offscreen == nullptr) return false;
  std::uint32_t state = 0;
  return GetPixMapAndUnLockIt(offscreen, &state) != nullptr;
}

bool protectAndLockGworld(Offscreen* offscreen) {
  if (offscreen == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 8);
    return false;
  }
  return protectTheGworld(offscreen);
}

bool ForceLockGWorld(Offscreen* offscreen) {
  if (offscreen == nullptr) return false;
  std::uint32_t dropped = 0;
  return GetPixMapAndLockIt(offscreen, &dropped) != nullptr;
}

void getPixelsPerRowInPixMap(PixMapHandle pixMap, std::uint64_t* pixelsPerRow, std::uint64_t* rowBytes) noexcept {
  const std::uint64_t bytes = pixMap ? static_cast<std::uint64_t>(pixMap->rowBytes) : 0;
  if (rowBytes) *rowBytes = bytes;
  if (pixelsPerRow) *pixelsPerRow = bytes >> 2;
}

void initializeMyGworldInfo(theGworldInfoStruct* info) noexcept {
  if (info) *info = theGworldInfoStruct{};
}

bool getMyGworldInfo(theGworldInfoStruct* info) {
  if (info == nullptr || info->gworld == nullptr) return false;
  const Rect port = myGetPortRect(info->gworld);
  info->pixMap = GetPixMapAndLockIt(info->gworld, &info->pixelsState);
  if (info->pixMap == nullptr) {
    DisplayWarningMessage(kOffscreenMessages, 3);
    return false;
  }
  info->baseAddr = GetPixBaseAddr(info->pixMap);
  if (info->baseAddr == nullptr) {
    DisplayWarningMessage(kOffscreenMessages, 4);
    mySetPixelsState(info->pixMap, info->pixelsState);
    return false;
  }
  info->rowBytes = info->pixMap->rowBytes;
  info->pixelsPerRow = info->rowBytes / 4;
  info->height = rectHeight(port);
  info->width = rectWidth(port);
  return true;
}

}  // namespace vorl
