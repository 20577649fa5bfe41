// A page that compresses like a photograph: smooth colour ramps with a little grain, every pixel drawn (alpha 0).
// A flat page would make the JPEG encoders look far faster than on real prints.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/offscreens/offscreen.h"

namespace vorl::bench {

inline OffscreenPtr photoLikePage(int width, int height) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr page{myNewGWorld(&bounds)};
  if (!page) return page;
  std::uint32_t grain = 0x9E3779B9u;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = page->baseAddr() + static_cast<std::ptrdiff_t>(y) * page->rowBytes();
    for (int x = 0; x < width; ++x, p += 4) {
      grain = grain * 1664525u + 1013904223u;
      const int g = static_cast<int>(grain >> 29);  // 0..7
      p[0] = 0;
      p[1] = static_cast<std::uint8_t>((x * 255 / width + g) & 255);
      p[2] = static_cast<std::uint8_t>((y * 255 / height + g) & 255);
      p[3] = static_cast<std::uint8_t>(((x + y) * 127 / (width + height) + 64 + g) & 255);
    }
  }
  return page;
}

// The page's pixels as a binary PPM, for the command-line encoders the comparison scripts run beside ours.
inline bool writePpm(const Offscreen& page, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << page.width() << ' ' << page.height() << "\n255\n";
  std::vector<char> row(static_cast<std::size_t>(page.width()) * 3);
  for (int y = 0; y < page.height(); ++y) {
    const std::uint8_t* p = page.baseAddr() + static_cast<std::ptrdiff_t>(y) * page.rowBytes();
    for (int x = 0; x < page.width(); ++x)
      for (int c = 0; c < 3; ++c) row[static_cast<std::size_t>(x) * 3 + c] = static_cast<char>(p[4 * x + 1 + c]);
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(out);
}

}  // namespace vorl::bench
