// Writes the starting inputs of the image-sidecar and mask-shape fuzz targets: sidecars holding a colour
// adjustment of full, minimal and too-short length beside named resources and Finder information, and mask
// archives of every shape kind in binary and XML form.
// Usage: resource_seed_writer <folder>   (makes <folder>/sidecar and <folder>/masks)
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/image_files/image_settings_resources.h"
#include "imaging/filters/junk_masks.h"
#include "platform/files/apple_double.h"
#include "tests/support/keyed_archive_writer.h"

namespace {

using namespace vorl;

void writeSeed(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> colorAdjust(std::size_t size, float brightness) {
  const float values[10] = {1.2f, brightness, 1.0f, 0.4f, 1.6f, 1.0f, 0.5f, 0.1f, 1.5f, -1.0f};
  std::vector<std::uint8_t> bytes(1048, 0);
  for (int i = 0; i < 10; ++i) {
    const auto bits = std::bit_cast<std::uint32_t>(values[i]);
    for (int b = 0; b < 4; ++b)
      bytes[static_cast<std::size_t>(4 * i + b)] = static_cast<std::uint8_t>(bits >> (24 - 8 * b));
  }
  bytes.resize(size);
  return bytes;
}

void writeSidecars(const std::filesystem::path& folder) {
  const struct {
    const char* name;
    std::size_t size;
  } adjustments[] = {{"whole", 1048}, {"floats-only", 40}, {"short", 39}, {"long", 1049}};
  for (const auto& a : adjustments) {
    AppleDouble sidecar;
    FInfo info;
    info.fdType = fourCharCode("TIFF");
    info.fdCreator = fourCharCode("8BIM");
    sidecar.setFinder(info);
    sidecar.resources.push_back(
        Resource{kPrefResourceType, kColorAdjustResourceID, 0, std::nullopt, colorAdjust(a.size, 0.8f)});
    sidecar.resources.push_back(Resource{kPrefResourceType, kImagePropertiesResourceID, 0,
                                         std::string(kImagePropertiesResourceName), std::vector<std::uint8_t>(144, 7)});
    sidecar.resources.push_back(Resource{fourCharCode("TEXT"), -3, 0x20, std::string("x"), {1, 2, 3}});
    std::vector<std::uint8_t> bytes;
    if (serializeAppleDouble(sidecar, bytes) != noErr) std::abort();
    writeSeed(folder / (std::string(a.name) + ".sidecar"), bytes);
    std::vector<std::uint8_t> fork;
    if (serializeResourceFork(sidecar.resources, fork) != noErr) std::abort();
    writeSeed(folder / (std::string(a.name) + ".rsrc"), fork);
  }
}

ArchivedValue shape(std::vector<std::string> strings) {
  ArchivedValue::Array items;
  for (auto& s : strings) items.push_back(ArchivedValue::string(std::move(s)));
  return ArchivedValue::array(std::move(items));
}

void writeMasks(const std::filesystem::path& folder) {
  const ArchivedValue::Array shapes = {
      shape({"rectangle", "{{10, 20}, {30, 40}}"}),
      shape({"oval", "{{2.5, 3.5}, {9, 7}}"}),
      shape({"freeForm", "{{0, 0}, {1, 1}}", "{{20, 0}, {0, 0}}", "{{20, 8}, {0, 0}}", "{{0, 8}, {0, 0}}"}),
      shape({"freeForm", "{{1, 1}, {0, 0}}", "{{9, 9}, {0, 0}}"}),
      shape({"rectangle", "{{-1e300, -1e300}, {1e308, 1e308}}"}),
      ArchivedValue::string("not a shape"),
  };
  const ArchivedValue root = ArchivedValue::array(shapes);
  const auto binary = test::encodeKeyedArchive(root, test::PlistFormat::Binary);
  writeSeed(folder / "shapes.bplist", std::vector<std::uint8_t>(binary.begin(), binary.end()));
  const auto xml = test::encodeKeyedArchive(root, test::PlistFormat::Xml);
  writeSeed(folder / "shapes.xml", std::vector<std::uint8_t>(xml.begin(), xml.end()));
  const auto empty = test::encodeKeyedArchive(ArchivedValue::array({}));
  writeSeed(folder / "empty.bplist", std::vector<std::uint8_t>(empty.begin(), empty.end()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: resource_seed_writer <folder>\n");
    return 2;
  }
  const std::filesystem::path root = argv[1];
  std::filesystem::create_directories(root / "sidecar");
  std::filesystem::create_directories(root / "masks");
  writeSidecars(root / "sidecar");
  writeMasks(root / "masks");
  return 0;
}
