// A keyed image's settings record and its pixels under libFuzzer: the record as a job file carries it (11,444
// bytes, every option bit, radius, keyer factor, grain level, grid density and matte-edge setting as the bytes
// say), then the frame's size (two bytes, 1..24 each) and its photograph and background pixels. Whatever the
// bytes, the record is refused or the photo keys through the bridge with every stage the record asks for, without
// touching memory outside the maps.
#include <algorithm>
#include <cstdint>
#include <span>

#include "chromakey/bridge/keying_bridge.h"
#include "imaging/offscreens/offscreen.h"

namespace {

using namespace vorl;

vorl::OffscreenPtr frameFrom(std::span<const std::uint8_t> bytes, int w, int h, std::size_t& next) {
  const Rect bounds = makeRect(0, 0, h, w);
  OffscreenPtr o{myNewGWorld(&bounds)};
  if (!o) return o;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        o->view().localPixel(x, y)[c] = bytes.empty() ? 0 : bytes[next % bytes.size()];
        ++next;
      }
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kChromaKeySettingsSize + 2) return 0;
  tChromaKeySettings settings;
  if (TChromaKeySettings::ReadFrom({data, kChromaKeySettingsSize}, settings) != KeyRecordCheck::plausible) return 0;
  const std::span<const std::uint8_t> rest(data + kChromaKeySettingsSize, size - kChromaKeySettingsSize);
  const int w = 1 + rest[0] % 24, h = 1 + rest[1] % 24;
  const std::span<const std::uint8_t> pixels = rest.subspan(2);
  std::size_t next = 0;
  OffscreenPtr photo = frameFrom(pixels, w, h, next);
  OffscreenPtr background = frameFrom(pixels, w, h, next);
  OffscreenPtr output = frameFrom(pixels, w, h, next);
  if (!photo || !background || !output) return 0;
  const Rect port = photo->portRect();
  const MatteEdgeSettings edge{settings.defocus, settings.inwardFlag, settings.shrink};
  const bool junk = (rest[0] & 0x80) != 0, makeMask = (rest[1] & 0x80) != 0;
  FSSpec noImage{};
  static_cast<void>(doNewChromaKeyingEx(std::move(photo), std::move(background), output.get(), &settings, edge,
                                        makeMask, junk, output.get(), port, port, 0, noImage));
  return 0;
}
