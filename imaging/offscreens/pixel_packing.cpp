// Offscreens as packed triples and colour planes.
#include "imaging/offscreens/pixel_packing.h"

#include <algorithm>

#include "foundation/services/memory.h"
#include "foundation/services/messages.h"
#include "imaging/offscreens/pixel_locks.h"
#include "imaging/parallel/row_bands.h"

namespace vorl {

namespace {

constexpr std::int16_t kOffscreenMessages = 4101;
constexpr std::int16_t kImageMessages = 4106;
constexpr int kTile = 64;

// Packing in bands of rows: band rows start at row · width · 3 of the buffer.
void packBands(const PixView& view, std::uint8_t* out) {
  forRowBands(view.height(), [&](int first, int end) {
    packRGB(PixView(view.row(first), view.rowBytes(), makeRect(0, 0, end - first, view.width())),
            out + static_cast<std::int64_t>(first) * view.width() * 3);
  });
}

std::int64_t pixelCount(const Offscreen* o) noexcept { return o ? std::int64_t{o->width()} * o->height() : 0; }

// Writes plane bytes for one channel byte of every pixel, through `convert`.
template <class Convert>
void extractPlane(const PixView& view, int channelByte, bool rotate, std::uint8_t* out, Convert convert) noexcept {
  const int w = view.width(), h = view.height();
  if (!rotate) {
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* p = view.row(y) + channelByte;
      for (int x = 0; x < w; ++x, p += kBytesPerPixel) *out++ = convert(*p);
    }
    return;
  }
  // A transpose: tiles keep both the rows read and the columns written in cache.
  for (int ty = 0; ty < h; ty += kTile)
    for (int tx = 0; tx < w; tx += kTile)
      for (int y = ty; y < std::min(h, ty + kTile); ++y) {
        const std::uint8_t* p = view.localPixel(tx, y) + channelByte;
        for (int x = tx; x < std::min(w, tx + kTile); ++x, p += kBytesPerPixel)
          out[(h - 1 - y) + static_cast<std::int64_t>(x) * h] = convert(*p);
      }
}

bool unpack(std::span<const std::uint8_t> buffer, Offscreen* offscreen) {
  if (buffer.data() == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 1);
    return false;
  }
  if (offscreen == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 2);
    return false;
  }
  if (static_cast<std::int64_t>(buffer.size()) < packedRGBSize(offscreen)) {
    DisplayNormalMessage(kOffscreenMessages, 1);
    return false;
  }
  PixelLock lock(offscreen);
  unpackRGB(buffer.data(), offscreen->view());
  return true;
}

bool extractChannel(std::int16_t channel, Offscreen* offscreen, Handle handle, bool rotate, std::int16_t lastChannel) {
  if (offscreen == nullptr || handle == nullptr || *handle == nullptr || GetHandleSize(handle) < planeSize(offscreen)) {
    DisplayNormalMessage(kImageMessages, 1);
    return false;
  }
  if (channel < 1 || channel > lastChannel) return false;
  PixelLock lock(offscreen);
  auto* out = reinterpret_cast<std::uint8_t*>(*handle);
  const PixView view = offscreen->view();
  static const myColorUtils colours;
  switch (channel) {
    case 1:
      extractPlane(view, kRedByte, rotate, out, [](std::uint8_t v) { return v; });
      break;
    case 2:
      extractPlane(view, kGreenByte, rotate, out, [](std::uint8_t v) { return v; });
      break;
    case 3:
      extractPlane(view, kBlueByte, rotate, out, [](std::uint8_t v) { return v; });
      break;
    case 4:
      extractPlane(view, kRedByte, rotate, out, [](std::uint8_t v) { return colours.getCyanFromRed(v); });
      break;
    case 5:
      extractPlane(view, kGreenByte, rotate, out, [](std::uint8_t v) { return colours.getMagentaFromGreen(v); });
      break;
    default:
      extractPlane(view, kBlueByte, rotate, out, [](std::uint8_t v) { return colours.getYellowFromBlue(v); });
      break;
  }
  return true;
}

}  // namespace

std::int64_t packedRGBSize(const Offscreen* offscreen) noexcept { return pixelCount(offscreen) * 3; }
std::int64_t planeSize(const Offscreen* offscreen) noexcept { return pixelCount(offscreen); }

void packRGB(const PixView& view, std::uint8_t* out) noexcept {
  const int w = view.width();
  for (int y = 0; y < view.height(); ++y) {
    const std::uint8_t* p = view.row(y);
    for (int x = 0; x < w; ++x, p += kBytesPerPixel, out += 3) {
      out[0] = p[kRedByte];
      out[1] = p[kGreenByte];
      out[2] = p[kBlueByte];
    }
  }
}

void unpackRGB(const std::uint8_t* in, const PixView& view) noexcept {
  const int w = view.width();
  for (int y = 0; y < view.height(); ++y) {
    std::uint8_t* p = view.row(y);
    for (int x = 0; x < w; ++x, p += kBytesPerPixel, in += 3) {
      p[kRedByte] = in[0];
      p[kGreenByte] = in[1];
      p[kBlueByte] = in[2];
    }
  }
}

bool convertGWorldToDKC(Offscreen* offscreen, std::span<std::uint8_t> buffer) {
  if (buffer.data() == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 1);
    return false;
  }
  if (offscreen == nullptr) {
    DisplayNormalMessage(kOffscreenMessages, 2);
    return false;
  }
  if (static_cast<std::int64_t>(buffer.size()) < packedRGBSize(offscreen)) {
    DisplayNormalMessage(kOffscreenMessages, 1);
    return false;
  }
  PixelLock lock(offscreen);
  packBands(offscreen->view(), buffer.data());
  return true;
}

bool convertDKCtoGworld3(std::span<const std::uint8_t> buffer, Offscreen* offscreen) {
  return unpack(buffer, offscreen);
}
bool convertDKCtoGworld4Sepia(std::span<const std::uint8_t> buffer, Offscreen* offscreen) {
  return unpack(buffer, offscreen);
}

bool convertGWorldToDotSeqHandle(Offscreen* offscreen, Handle handle) {
  if (offscreen == nullptr || handle == nullptr || *handle == nullptr ||
      GetHandleSize(handle) < packedRGBSize(offscreen)) {
    DisplayNormalMessage(kImageMessages, 1);
    return false;
  }
  PixelLock lock(offscreen);
  packBands(offscreen->view(), reinterpret_cast<std::uint8_t*>(*handle));
  return true;
}

bool getOneChannelFromGWorldToOneHandleNew(std::int16_t channel, Offscreen* offscreen, Handle handle, bool rotate) {
  return extractChannel(channel, offscreen, handle, rotate, 6);
}

bool getOneChannelFromGWorldToOneHandle(std::int16_t channel, Offscreen* offscreen, Handle handle, bool rotate) {
  return extractChannel(channel, offscreen, handle, rotate, 3);
}

void myColorUtils::initializeRGBToCMYTable() noexcept {
  for (int v = 0; v < 256; ++v) cyan_[v] = magenta_[v] = yellow_[v] = static_cast<std::uint8_t>(255 - v);
}

}  // namespace vorl
