// The matte blur as a command-line program, to be timed against other blurs on the same 16-bit grey plane.
//
//   matte_blur_compare generate <plane.gray16> <width> <height>
//       writes a matte (an elliptical subject with a soft, grainy edge) as raw little-endian 16-bit grey.
//   matte_blur_compare blur <in.gray16> <out.gray16> <width> <height> <radius> <workers>
//       reads the plane into the alpha of a keying map, runs the matte blur (no inward pull, no shrink) and writes
//       the alpha back out.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/key_stages.h"
#include "chromakey/engine/pixel_map.h"

namespace {

using namespace vorl;

constexpr std::size_t kSlice = std::size_t{1} << 16;

int generate(const std::string& path, int w, int h) {
  std::ofstream out(path, std::ios::binary);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> grain(-400, 400);
  std::vector<unsigned char> row(static_cast<std::size_t>(w) * 2);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double dx = (x - w * 0.5) / (w * 0.3), dy = (y - h * 0.55) / (h * 0.4);
      const double inside = std::clamp((1.0 - std::sqrt(dx * dx + dy * dy)) * 60.0, 0.0, 1.0);
      const int a = inside <= 0.0 || inside >= 1.0 ? static_cast<int>(inside * 65535)
                                                   : std::clamp(static_cast<int>(inside * 65535) + grain(random), 0, 65535);
      row[2 * x] = static_cast<unsigned char>(a & 0xFF);
      row[2 * x + 1] = static_cast<unsigned char>(a >> 8);
    }
    out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
  }
  return out ? 0 : 1;
}

int blur(const std::string& input, const std::string& output, int w, int h, int radius, int workers) {
  PixelMap map(static_cast<std::size_t>(w) * h);
  if (map.empty()) {
    std::fprintf(stderr, "not enough memory for %d x %d\n", w, h);
    return 1;
  }
  std::vector<unsigned char> slice(kSlice * 2);
  std::ifstream in(input, std::ios::binary);
  for (std::size_t first = 0; first < map.size(); first += kSlice) {
    const std::size_t count = std::min(kSlice, map.size() - first);
    in.read(reinterpret_cast<char*>(slice.data()), static_cast<std::streamsize>(count * 2));
    if (in.gcount() != static_cast<std::streamsize>(count * 2)) {
      std::fprintf(stderr, "cannot read %s\n", input.c_str());
      return 1;
    }
    for (std::size_t i = 0; i < count; ++i)
      map[first + i].a = static_cast<std::uint16_t>(slice[2 * i] | (slice[2 * i + 1] << 8));
  }
  setDuzeviveThreadCount(workers);
  if (const PrimStatus status = doDefocusMask(map.data(), w, h, radius, 0, 0.0f); status != PrimStatus::ok) {
    std::fprintf(stderr, "%s\n", describe(status));
    return 1;
  }
  std::ofstream out(output, std::ios::binary);
  for (std::size_t first = 0; first < map.size(); first += kSlice) {
    const std::size_t count = std::min(kSlice, map.size() - first);
    for (std::size_t i = 0; i < count; ++i) {
      slice[2 * i] = static_cast<unsigned char>(map[first + i].a & 0xFF);
      slice[2 * i + 1] = static_cast<unsigned char>(map[first + i].a >> 8);
    }
    out.write(reinterpret_cast<const char*>(slice.data()), static_cast<std::streamsize>(count * 2));
  }
  return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "generate" && argc == 5) return generate(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  if (mode == "blur" && argc == 8)
    return blur(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7]));
  std::fprintf(stderr, "usage: %s generate <plane> <w> <h> | blur <in> <out> <w> <h> <radius> <workers>\n", argv[0]);
  return 2;
}
