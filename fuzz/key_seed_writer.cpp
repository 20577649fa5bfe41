// Writes the starting inputs of the keying fuzz target: plausible records (a surface key, the RT and RTPlus
// keyers, each with the optional stages on) followed by a frame size and a few pixels.
// Usage: key_seed_writer <folder>   (makes <folder>/keys)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chromakey/engine/chroma_key_record.h"
#include "chromakey/engine/key_defaults.h"

namespace {

using namespace vorl;

void writeSeed(const std::filesystem::path& file, const tChromaKeySettings& settings, std::uint8_t w, std::uint8_t h) {
  std::vector<std::uint8_t> bytes(kChromaKeySettingsSize);
  TChromaKeySettings::WriteTo(settings, std::span<unsigned char, kChromaKeySettingsSize>(bytes.data(), bytes.size()));
  bytes.push_back(w);
  bytes.push_back(h);
  for (int i = 0; i < 64; ++i) bytes.push_back(static_cast<std::uint8_t>(i % 3 == 1 ? 170 : 30 + 7 * i));
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = std::filesystem::path(argv[1]) / "keys";
  std::filesystem::create_directories(folder);
  const std::uint32_t stages[] = {0, kKeyOptionGrainRemoval, kKeyOptionSimulatedBacking, kKeyOptionShapeMask,
                                  kKeyOptionPassThrough,
                                  kKeyOptionGrainRemoval | kKeyOptionSimulatedBacking | kKeyOptionExternalMask};
  const std::uint32_t keys[] = {kKeyOptionFloatKernels, 0, kKeyOptionSingleSurface, kKeyOptionRT, kKeyOptionRTPlus};
  int n = 0;
  for (const std::uint32_t key : keys)
    for (const std::uint32_t stage : stages) {
      tChromaKeySettings settings{};
      static_cast<void>(initialize_data(settings.coefficients));
      fixcoef& record = settings.coefficients;
      record.backing = {7680, 43520, 15360};
      record.options = kKeyOptionNoReplacement | key | stage;
      record.radii[kInnerSurface].fill(6000);
      record.radii[kMiddleSurface].fill(20000);
      record.radii[kOuterSurface].fill(30000);
      record.grainLevel = 1 + n % 3;
      record.toleranceAmount = 0.01f;
      settings.defocus = static_cast<std::int16_t>(n % 5);
      settings.inwardFlag = static_cast<std::int16_t>(n % 2);
      settings.shrink = 0.05f * static_cast<float>(n % 3);
      writeSeed(folder / ("key-" + std::to_string(n) + ".bin"), settings, static_cast<std::uint8_t>(3 + 5 * n),
                static_cast<std::uint8_t>(0x80 | (2 + 3 * n)));
      ++n;
    }
  return 0;
}
