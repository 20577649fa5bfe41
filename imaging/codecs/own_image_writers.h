// Image files written by our own code from an offscreen:
//   - TIFF: a fixed 242-byte big-endian ("MM") header for one uncompressed strip of 8-bit chunky RGB, then the
//     packed red, green, blue bytes, rows top to bottom; type 'TIFF';
//   - raw: the packed bytes alone, no header; type 'RAW ';
//   - PICT: 512 zero bytes, then the offscreen recorded as a version 2 picture; type 'PICT'.
// All carry the creator '8BIM' in the Finder information of their sidecar, which is made afresh: resources a
// former file of that name had do not carry over to the new picture.
//
// A file is written under a temporary name in its folder, flushed and then renamed over an existing file of
// that name, so a reader sees the old file or the new one, and a failed write leaves the old file as it was.
// Each writer answers false on failure and puts the result code in `error` when one is given; nothing throws.
// The alpha byte is not written.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "imaging/offscreens/offscreen.h"
#include "imaging/codecs/picture.h"
#include "platform/core/mac_types.h"

namespace vorl {

inline constexpr OSType kTIFFFileType = fourCharCode("TIFF");
inline constexpr OSType kRawFileType = fourCharCode("RAW ");
inline constexpr OSType kPICTFileType = fourCharCode("PICT");
inline constexpr OSType kOwnWritersCreator = fourCharCode("8BIM");

inline constexpr std::size_t kOwnTIFFHeaderSize = 242;
inline constexpr std::size_t kPICTFileHeaderSize = 512;

// The TIFF header for a width × height image at `dpi` (both resolutions dpi / 1): one strip of
// width × height × 3 bytes at offset 242.
std::array<std::uint8_t, kOwnTIFFHeaderSize> ownTIFFHeader(std::uint16_t width, std::uint16_t height,
                                                           std::uint32_t dpi) noexcept;

// A negative dpi is written as 72; 0 and above as given. paramErr for a null or empty offscreen.
bool SaveAsTIFFFile(const std::filesystem::path& file, Offscreen* offscreen, long dpi, OSErr* error = nullptr);
bool SaveAsTIFFFile(const FSSpec& file, Offscreen* offscreen, long dpi, OSErr* error = nullptr);

bool SaveAsRawFile(const std::filesystem::path& file, Offscreen* offscreen, OSErr* error = nullptr);
bool SaveAsRawFile(const FSSpec& file, Offscreen* offscreen, OSErr* error = nullptr);

// False (paramErr) for a null offscreen or one a picture cannot hold (wider than 4095 pixels).
bool SaveAsPICTFile(const std::filesystem::path& file, Offscreen* offscreen, std::int16_t dpi, OSErr* error = nullptr);
bool SaveAsPICTFile(const FSSpec& file, Offscreen* offscreen, std::int16_t dpi, OSErr* error = nullptr);

// The offscreen recorded as a picture at `dpi`; null for a null offscreen, one wider than 4095 pixels or when
// memory runs out. The caller owns the handle (DisposeHandle).
[[nodiscard]] PicHandle Offscreen2PicHandle(Offscreen* offscreen, std::int16_t dpi);

}  // namespace vorl
