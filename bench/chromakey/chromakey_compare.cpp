// The keying engine as a command-line program, to be timed against other keyers on the same files.
//
//   chromakey_compare generate <folder> <width> <height>
//       writes the synthetic green-screen photograph (photo.rgb), the new background (background.rgb) and the true
//       composite (truth.rgb) as raw 8-bit RGB, and the key trained for them (key.bin, a stored 11,444-byte
//       chroma-key record); prints the backing colour as 0xRRGGBB.
//   chromakey_compare key <folder> <width> <height> <workers> <edge|all> <output.rgb>
//       reads the photograph, background and key into offscreens, keys them through the keying bridge with the
//       matte edge (defocus 3, shrink 0.05) and, with "all", grain removal and the simulated backing as well, and
//       writes the composite.
//   chromakey_compare score <a.rgb> <b.rgb> <width> <height>
//       prints the PSNR of a against b in dB.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "chromakey/bridge/keying_bridge.h"
#include "chromakey/engine/engine_workers.h"
#include "platform/files/file_specs.h"
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

// Reads raw 8-bit RGB into a new offscreen of w × h, row by row.
OffscreenPtr readRgbOffscreen(const std::string& path, int w, int h) {
  const Rect bounds = makeRect(0, 0, h, w);
  OffscreenPtr o{myNewGWorld(&bounds)};
  if (!o) return o;
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> row(static_cast<std::size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size()));
    if (in.gcount() != static_cast<std::streamsize>(row.size())) return nullptr;
    std::uint8_t* q = o->view().row(y);
    for (int x = 0; x < w; ++x, q += 4) {
      q[kAlphaByte] = 0;
      q[kRedByte] = row[3 * static_cast<std::size_t>(x)];
      q[kGreenByte] = row[3 * static_cast<std::size_t>(x) + 1];
      q[kBlueByte] = row[3 * static_cast<std::size_t>(x) + 2];
    }
  }
  return o;
}

bool writeRgbFrom(const std::string& path, const Offscreen& o) {
  std::ofstream out(path, std::ios::binary);
  std::vector<unsigned char> row(static_cast<std::size_t>(o.width()) * 3);
  for (int y = 0; y < o.height(); ++y) {
    const std::uint8_t* p = o.view().row(y);
    for (int x = 0; x < o.width(); ++x, p += 4) {
      row[3 * static_cast<std::size_t>(x)] = p[kRedByte];
      row[3 * static_cast<std::size_t>(x) + 1] = p[kGreenByte];
      row[3 * static_cast<std::size_t>(x) + 2] = p[kBlueByte];
    }
    out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(out);
}

// Keys through the bridge, as the page side does. "edge": the key with its matte edge (defocus 3, shrink 0.05).
// "all": also grain removal (level 1) and the simulated backing (density 12).
int key(const std::string& folder, int w, int h, int workers, const std::string& stages, const std::string& output) {
  std::vector<unsigned char> keyBytes;
  OffscreenPtr photo = readRgbOffscreen(folder + "/photo.rgb", w, h);
  OffscreenPtr background = readRgbOffscreen(folder + "/background.rgb", w, h);
  if (!photo || !background || !readFile(folder + "/key.bin", keyBytes, kChromaKeySettingsSize)) {
    std::fprintf(stderr, "cannot read the files in %s\n", folder.c_str());
    return 1;
  }
  tChromaKeySettings settings;
  if (const KeyRecordCheck check = TChromaKeySettings::ReadFrom(keyBytes, settings);
      check != KeyRecordCheck::plausible) {
    std::fprintf(stderr, "%s\n", describe(check));
    return 1;
  }
  if (stages == "all") {
    settings.coefficients.options |= kKeyOptionGrainRemoval | kKeyOptionSimulatedBacking;
    settings.coefficients.grainLevel = 1;
    settings.coefficients.gridDensity = 12;
  } else if (stages != "edge") {
    std::fprintf(stderr, "stages are edge or all\n");
    return 2;
  }
  setDuzeviveThreadCount(workers);
  const Rect port = photo->portRect();
  // The photograph is released by the bridge once converted: the output can take its place in memory.
  OffscreenPtr composite{myNewGWorld(&port)};
  const std::string image = folder + "/key.bin";
  FSSpec spec{};
  if (!composite || FSMakeFSSpecFromPath(image, spec) != noErr) return 1;
  if (!doNewChromaKeyingEx(std::move(photo), std::move(background), composite.get(), &settings, {3, 0, 0.05f}, false,
                           false, composite.get(), port, port, 0, spec))
    return 1;
  return writeRgbFrom(output, *composite) ? 0 : 1;
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
  if (mode == "key" && argc == 8)
    return key(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), argv[6], argv[7]);
  if (mode == "score" && argc == 6) return score(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
  std::fprintf(stderr,
               "usage: %s generate <folder> <w> <h> | key <folder> <w> <h> <workers> <edge|all> <out.rgb> | score <a> <b> <w> "
               "<h>\n",
               argv[0]);
  return 2;
}
