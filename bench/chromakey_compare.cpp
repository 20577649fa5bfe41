// The keying engine as a command-line program, to be timed against other keyers on the same files.
//
//   chromakey_compare generate <folder> <width> <height>
//       writes the synthetic green-screen photograph (photo.rgb), the new background (background.rgb) and the true
//       composite (truth.rgb) as raw 8-bit RGB, and the key trained for them (key.bin, a stored 11,444-byte
//       chroma-key record); prints the backing colour as 0xRRGGBB.
//   chromakey_compare key <folder> <width> <height> <workers> <output.rgb>
//       reads the photograph, background and key, keys and composites as the bridge does (×256 in, top byte out)
//       and writes the composite.
//   chromakey_compare score <a.rgb> <b.rgb> <width> <height>
//       prints the PSNR of a against b in dB.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "chromakey/engine/composite.h"
#include "chromakey/engine/engine_workers.h"
#include "chromakey/engine/key_pipeline.h"
#include "chromakey/engine/pixel_map.h"
#include "tests/chromakey/synthetic_green_screen.h"

namespace {

using namespace vorl;

bool writeFile(const std::string& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

bool readFile(const std::string& path, std::vector<unsigned char>& bytes, std::size_t size) {
  std::ifstream in(path, std::ios::binary);
  bytes.resize(size);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  return in.gcount() == static_cast<std::streamsize>(size);
}

std::vector<unsigned char> toRgb(const std::vector<pixeli>& map) {
  std::vector<unsigned char> rgb(map.size() * 3);
  for (std::size_t i = 0; i < map.size(); ++i) {
    rgb[3 * i] = static_cast<unsigned char>(map[i].r >> 8);
    rgb[3 * i + 1] = static_cast<unsigned char>(map[i].g >> 8);
    rgb[3 * i + 2] = static_cast<unsigned char>(map[i].b >> 8);
  }
  return rgb;
}

int generate(const std::string& folder, int w, int h) {
  const test::GreenScreenScene scene = test::makeGreenScreenScene(w, h, 1);
  std::vector<pixeli> truth(scene.photograph.size());
  for (std::size_t i = 0; i < truth.size(); ++i) {
    const float a = scene.alpha[i];
    const pixeli& f = scene.subject[i];
    const pixeli& n = scene.background[i];
    auto mix = [a](int fv, int nv) { return static_cast<std::uint16_t>(std::lround(a * fv + (1 - a) * nv)); };
    truth[i] = {mix(f.r, n.r), mix(f.g, n.g), mix(f.b, n.b), 0};
  }
  tChromaKeySettings settings;
  settings.coefficients = test::makeSurfaceKeyFor(scene);
  std::vector<unsigned char> key(kChromaKeySettingsSize);
  TChromaKeySettings::WriteTo(settings, std::span<unsigned char, kChromaKeySettingsSize>(key.data(), key.size()));
  const auto photo = toRgb(scene.photograph), background = toRgb(scene.background), truthRgb = toRgb(truth);
  if (!writeFile(folder + "/photo.rgb", photo.data(), photo.size()) ||
      !writeFile(folder + "/background.rgb", background.data(), background.size()) ||
      !writeFile(folder + "/truth.rgb", truthRgb.data(), truthRgb.size()) ||
      !writeFile(folder + "/key.bin", key.data(), key.size())) {
    std::fprintf(stderr, "cannot write into %s\n", folder.c_str());
    return 1;
  }
  const auto& b = settings.coefficients.backing;
  std::printf("0x%02X%02X%02X\n", static_cast<int>(b[0]) >> 8, static_cast<int>(b[1]) >> 8,
              static_cast<int>(b[2]) >> 8);
  return 0;
}

// Reads raw 8-bit RGB into a map (×256, as the bridge converts), a slice at a time so no second copy of the frame
// is ever held.
bool readRgbInto(const std::string& path, PixelMap& map) {
  std::ifstream in(path, std::ios::binary);
  constexpr std::size_t kSlice = std::size_t{1} << 16;
  std::vector<unsigned char> slice(kSlice * 3);
  for (std::size_t first = 0; first < map.size(); first += kSlice) {
    const std::size_t count = std::min(kSlice, map.size() - first);
    in.read(reinterpret_cast<char*>(slice.data()), static_cast<std::streamsize>(count * 3));
    if (in.gcount() != static_cast<std::streamsize>(count * 3)) return false;
    for (std::size_t i = 0; i < count; ++i)
      map[first + i] = {static_cast<std::uint16_t>(slice[3 * i] << 8),
                        static_cast<std::uint16_t>(slice[3 * i + 1] << 8),
                        static_cast<std::uint16_t>(slice[3 * i + 2] << 8), 0};
  }
  return true;
}

bool writeRgbFrom(const std::string& path, const PixelMap& map) {
  std::ofstream out(path, std::ios::binary);
  constexpr std::size_t kSlice = std::size_t{1} << 16;
  std::vector<unsigned char> slice(kSlice * 3);
  for (std::size_t first = 0; first < map.size(); first += kSlice) {
    const std::size_t count = std::min(kSlice, map.size() - first);
    for (std::size_t i = 0; i < count; ++i) {
      slice[3 * i] = static_cast<unsigned char>(map[first + i].r >> 8);
      slice[3 * i + 1] = static_cast<unsigned char>(map[first + i].g >> 8);
      slice[3 * i + 2] = static_cast<unsigned char>(map[first + i].b >> 8);
    }
    out.write(reinterpret_cast<const char*>(slice.data()), static_cast<std::streamsize>(count * 3));
  }
  return static_cast<bool>(out);
}

int key(const std::string& folder, int w, int h, int workers, const std::string& output) {
  const std::size_t n = static_cast<std::size_t>(w) * h;
  std::vector<unsigned char> keyBytes;
  PixelMap photo(n), background(n), keyed(n), matte(n);
  if (photo.empty() || background.empty() || keyed.empty() || matte.empty()) {
    std::fprintf(stderr, "not enough memory for %d x %d\n", w, h);
    return 1;
  }
  if (!readRgbInto(folder + "/photo.rgb", photo) || !readRgbInto(folder + "/background.rgb", background) ||
      !readFile(folder + "/key.bin", keyBytes, kChromaKeySettingsSize)) {
    std::fprintf(stderr, "cannot read the files in %s\n", folder.c_str());
    return 1;
  }
  tChromaKeySettings settings;
  if (const KeyRecordCheck check = TChromaKeySettings::ReadFrom(keyBytes, settings);
      check != KeyRecordCheck::plausible) {
    std::fprintf(stderr, "%s\n", describe(check));
    return 1;
  }
  setDuzeviveThreadCount(workers);
  fixcoef& record = settings.coefficients;
  PrimPass pass;
  static_cast<void>(primcoef_begin(record, pass));
  PrimStatus status = doPrimProc(photo.data(), keyed.data(), background.data(), nullptr, w, h, record, nullptr, pass);
  if (status == PrimStatus::ok) status = doDefocusMask(keyed.data(), w, h, 0, 0, 0.0f);
  // The photograph is not read after keying: its map takes the composite, which saves touching a fifth map.
  PixelMap& composite = photo;
  if (status == PrimStatus::ok)
    status = doComposite(keyed.data(), background.data(), composite.data(), matte.data(), w, h, keyedColoursOf(record));
  static_cast<void>(primcoef_finish(record, pass));
  if (status != PrimStatus::ok) {
    std::fprintf(stderr, "%s\n", describe(status));
    return 1;
  }
  return writeRgbFrom(output, composite) ? 0 : 1;
}

int score(const std::string& a, const std::string& b, int w, int h) {
  const std::size_t size = static_cast<std::size_t>(w) * h * 3;
  std::vector<unsigned char> x, y;
  if (!readFile(a, x, size) || !readFile(b, y, size)) {
    std::fprintf(stderr, "cannot read %s or %s\n", a.c_str(), b.c_str());
    return 1;
  }
  double squared = 0;
  for (std::size_t i = 0; i < size; ++i) squared += (double(x[i]) - y[i]) * (double(x[i]) - y[i]);
  std::printf("%.2f\n", 10.0 * std::log10(255.0 * 255.0 / std::max(squared / double(size), 1e-12)));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "generate" && argc == 5) return generate(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  if (mode == "key" && argc == 7)
    return key(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), argv[6]);
  if (mode == "score" && argc == 6) return score(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
  std::fprintf(stderr,
               "usage: %s generate <folder> <w> <h> | key <folder> <w> <h> <workers> <out.rgb> | score <a> <b> <w> "
               "<h>\n",
               argv[0]);
  return 2;
}
