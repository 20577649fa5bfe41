// Helpers for the image-codec tests: netpbm files in and out (the second decoders speak netpbm) and outside tools
// run without a shell.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/offscreens/offscreen.h"
#include "tests/imaging/codec_fixtures.h"

namespace vorl::test {

// Interleaved samples, rows packed, top row first.
struct Raster {
  int width = 0, height = 0, channels = 0, maxval = 255;
  std::vector<std::uint16_t> samples;
  std::uint16_t at(int x, int y, int c) const { return samples[(std::size_t(y) * width + x) * channels + c]; }
};

// P4 (maxval 1), P5, P6 and P7 (PAM) files, 8 or 16 bits.
Raster parsePnm(std::string_view bytes);
// P5 (1 channel), P6 (3) or P7 (2, GRAYSCALE_ALPHA; 4, RGB_ALPHA) with the raster's maxval.
std::string pnmBytes(const Raster& raster);

// The port rectangle's pixels as R, G, B, or R, G, B, A with the file's alpha (255 − ours).
Raster offscreenRaster(const Offscreen& offscreen, bool withFileAlpha);

// Runs the tool (no shell); a failure is a test failure and answers what the tool wrote anyway.
std::string toolOutput(const std::vector<std::string>& arguments);
// Runs the tool and answers whether it succeeded, without failing the test.
bool toolSucceeds(const std::vector<std::string>& arguments);

std::string readFileBytes(const std::filesystem::path& file);
void writeFileBytes(const std::filesystem::path& file, std::string_view bytes);
std::vector<std::uint8_t> asBytes(std::string_view text);

}  // namespace vorl::test
