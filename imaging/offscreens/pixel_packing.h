// Offscreens as plain bytes: packed red, green, blue triples (rows top to bottom, no padding) and single colour
// planes, optionally turned a quarter clockwise, for the colour tables, the own file writers and the
// print-data file.
//
// Every function checks that the buffer holds what the offscreen's port rectangle needs (width × height × 3
// packed, width × height a plane) before it touches a byte.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/offscreens/offscreen.h"
#include "platform/core/handles.h"

namespace vorl {

// Bytes a packed buffer and a plane of the offscreen take; 0 for null.
std::int64_t packedRGBSize(const Offscreen* offscreen) noexcept;
std::int64_t planeSize(const Offscreen* offscreen) noexcept;

// Null buffer: message 4101/1; null offscreen: 4101/2; a buffer too small: 4101/1. False in each case.
[[nodiscard]] bool convertGWorldToDKC(Offscreen* offscreen, std::span<std::uint8_t> buffer);
// Unpacks into the offscreen; each pixel keeps its alpha.
[[nodiscard]] bool convertDKCtoGworld3(std::span<const std::uint8_t> buffer, Offscreen* offscreen);
[[nodiscard]] bool convertDKCtoGworld4Sepia(std::span<const std::uint8_t> buffer, Offscreen* offscreen);
// Packs into the handle's block. Null or too small handle, or null offscreen: message 4106/1, false.
[[nodiscard]] bool convertGWorldToDotSeqHandle(Offscreen* offscreen, Handle handle);

// Channels: red, green and blue are 1 to 3; cyan, magenta and yellow (255 minus red, green, blue) are 4 to 6.
// With `rotate` the plane comes out a quarter turn clockwise: source column x becomes output row x, read from
// the bottom row up. Null or too small handle, or null offscreen: message 4106/1, false; any other
// channel: false, nothing written.
[[nodiscard]] bool getOneChannelFromGWorldToOneHandleNew(std::int16_t channel, Offscreen* offscreen, Handle handle,
                                                         bool rotate);
// The same for channels 1, 2 and 3 only.
[[nodiscard]] bool getOneChannelFromGWorldToOneHandle(std::int16_t channel, Offscreen* offscreen, Handle handle,
                                                      bool rotate);

// Red, green, blue to cyan, magenta, yellow: 255 − v.
class myColorUtils {
 public:
  myColorUtils() noexcept { initializeRGBToCMYTable(); }
  std::uint8_t getCyanFromRed(std::uint8_t v) const noexcept { return cyan_[v]; }
  std::uint8_t getMagentaFromGreen(std::uint8_t v) const noexcept { return magenta_[v]; }
  std::uint8_t getYellowFromBlue(std::uint8_t v) const noexcept { return yellow_[v]; }

 private:
  void initializeRGBToCMYTable() noexcept;
  std::uint8_t cyan_[256];
  std::uint8_t magenta_[256];
  std::uint8_t yellow_[256];
};

// The kernels, on a view of the port rectangle.
void packRGB(const PixView& view, std::uint8_t* out) noexcept;
void unpackRGB(const std::uint8_t* in, const PixView& view) noexcept;

}  // namespace vorl
