// Pieces the codec files share: the size check made before any pixel memory is taken, the offscreen for decoded
// pixels, the failure log line, halving for previews, the naive CMYK conversion and the atomic file write.
// Only the codec files use this header.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "imaging/codecs/decoded_image.h"

namespace vorl::codec {

// Logs "Image file <source>: <why> (error <code>)" and answers `code`; with noErr the line is a remark only.
OSErr failure(OSErr code, std::string_view source, const char* format, ...) noexcept
    __attribute__((format(printf, 3, 4)));

// What a decoder knows beyond the declared size, to judge it before any pixel memory is taken.
struct DeclaredSizeEvidence {
  // The bytes that carry the picture, and the most pixels one such byte can stand for in this format (0: not
  // judged). A declaration past their product is a tiny or cut-off file.
  std::uint64_t dataBytes = 0;
  std::uint64_t mostPixelsPerByte = 0;
  // Memory the decoder takes for each pixel beside the offscreen's four bytes.
  std::uint64_t decoderBytesPerPixel = 0;
};

// Refuses a declared size before the pixels' memory is taken, and logs why: kImageTooLargeErr when a side is not
// 1..32767 or width × height passes the limit; kImageDataErr when the file's bytes cannot hold that many pixels;
// kImageTooLargeErr when the offscreen and the decoder's own memory would pass the job's memory budget (the
// operator is then told, naming the file and its size).
[[nodiscard]] OSErr checkImageSize(std::int64_t width, std::int64_t height, const DecodeOptions& options,
                                   std::string_view source, const DeclaredSizeEvidence& evidence = {}) noexcept;

// A new offscreen at (0, 0, width, height) in image.pixels; kImageTooLargeErr when the memory cannot be had.
[[nodiscard]] OSErr makeImageOffscreen(int width, int height, DecodedImage& image, std::string_view source) noexcept;

// The preview size of one side: half, rounded down, at least 1.
inline int halfSide(int side) noexcept { return side / 2 > 0 ? side / 2 : 1; }

// Halves the offscreen and the CMYK samples by averaging 2 x 2 pixels (a lone last row or column averages what
// it has).
[[nodiscard]] OSErr halveDecodedImage(DecodedImage& image, std::string_view source) noexcept;

// Turns packed C, M, Y, K rows (0 = no ink) into the offscreen's red, green and blue; alpha is left. Truncating
// division, as libtiff's RGBA reader does, so a CMYK TIFF reads as `tiff2rgba` shows it.
void cmykToOffscreen(const std::uint8_t* cmyk, Offscreen& offscreen) noexcept;

// File alpha (255 = opaque) <-> ours (0 = drawn).
inline std::uint8_t invertAlpha(std::uint8_t a) noexcept { return static_cast<std::uint8_t>(255 - a); }

// 16-bit sample to 8 bits, rounded (the same as libtiff's RGBA reader).
inline std::uint8_t sample16To8(std::uint16_t v) noexcept { return static_cast<std::uint8_t>((v + 128u) / 257u); }

// The whole regular file, read through ReadOnlyFile (a pipe or a folder is refused without waiting).
[[nodiscard]] OSErr readWholeFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes) noexcept;

// Writes the bytes as the file through a temporary file in its folder, replacing an older file of that name
// only once the new one is complete.
[[nodiscard]] OSErr writeWholeFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) noexcept;

// A growing byte buffer that encoders write into.
using Bytes = std::vector<std::uint8_t>;

}  // namespace vorl::codec
