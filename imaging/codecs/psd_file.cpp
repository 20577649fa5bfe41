// Photoshop's merged picture: the header, three length-prefixed sections we skip or search (colour mode data,
// image resources, layers), then every channel's plane one after the other. All numbers are big-endian.
#include "imaging/codecs/psd_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace vorl::codec {

namespace {

constexpr std::uint16_t kModeGrey = 1, kModeRgb = 3, kModeCmyk = 4;
constexpr std::uint16_t kResolutionResource = 1005, kIccResource = 1039;

// A bounds-checked big-endian reader; any read past the end sets `failed` and yields zeros.
struct Reader {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
  bool failed = false;

  bool has(std::size_t n) const { return !failed && n <= bytes.size() - at; }
  std::span<const std::uint8_t> take(std::size_t n) {
    if (!has(n)) {
      failed = true;
      return {};
    }
    const auto part = bytes.subspan(at, n);
    at += n;
    return part;
  }
  std::uint32_t number(int size) {
    const auto part = take(std::size_t(size));
    std::uint32_t v = 0;
    for (const std::uint8_t b : part) v = v << 8 | b;
    return v;
  }
};

void readResources(std::span<const std::uint8_t> section, DecodedImage& image) {
  Reader r{section};
  while (r.has(12)) {
    if (r.number(4) != 0x3842494D) return;  // "8BIM"
    const std::uint32_t id = r.number(2);
    const std::uint32_t nameLength = r.number(1);
    r.take(nameLength + ((nameLength + 1) % 2));  // the name and its pad to an even size
    const std::uint32_t size = r.number(4);
    const auto data = r.take(size);
    r.take(size % 2);
    if (r.failed) return;
    if (id == kIccResource) image.iccProfile.assign(data.begin(), data.end());
    if (id == kResolutionResource && data.size() >= 16) {
      Reader d{data};
      const double h = d.number(4) / 65536.0;
      const std::uint32_t hUnit = d.number(2);
      d.number(2);
      const double v = d.number(4) / 65536.0;
      const std::uint32_t vUnit = d.number(2);
      image.xResolution = hUnit == 1 ? h : hUnit == 2 ? h * 2.54 : 0;
      image.yResolution = vUnit == 1 ? v : vUnit == 2 ? v * 2.54 : 0;
    }
  }
}

// Unpacks one PackBits row into `row`; false when the data does not fill it exactly.
bool unpackBits(std::span<const std::uint8_t> packed, std::span<std::uint8_t> row) {
  std::size_t in = 0, out = 0;
  while (in < packed.size() && out < row.size()) {
    const auto n = static_cast<std::int8_t>(packed[in++]);
    if (n >= 0) {
      const std::size_t count = std::size_t(n) + 1;
      if (count > packed.size() - in || count > row.size() - out) return false;
      std::memcpy(row.data() + out, packed.data() + in, count);
      in += count;
      out += count;
    } else if (n != -128) {
      const std::size_t count = std::size_t(1 - n);
      if (in >= packed.size() || count > row.size() - out) return false;
      std::memset(row.data() + out, packed[in++], count);
      out += count;
    }
  }
  return out == row.size();
}

}  // namespace

OSErr decodePsd(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                std::string_view source) noexcept {
  image = DecodedImage{};
  Reader r{bytes};
  const std::uint32_t signature = r.number(4), version = r.number(2);
  r.take(6);
  const std::uint32_t channels = r.number(2), height = r.number(4), width = r.number(4);
  const std::uint32_t depth = r.number(2), mode = r.number(2);
  if (r.failed || signature != 0x38425053 || version != 1)
    return failure(kImageDataErr, source, "not a Photoshop file of version 1");
  if (const OSErr error = checkImageSize(width, height, options, source); error != noErr) return error;
  const std::uint32_t colours = mode == kModeGrey ? 1 : mode == kModeRgb ? 3 : mode == kModeCmyk ? 4 : 0;
  if (colours == 0 || (depth != 8 && depth != 16) || channels < colours || channels > 56)
    return failure(kImageDataErr, source, "a Photoshop layout that is not read (mode %u, %u channels of %u bits)", mode,
                   channels, depth);
  r.take(r.number(4));  // colour mode data
  const std::uint32_t resourcesLength = r.number(4);
  readResources(r.take(resourcesLength), image);
  r.take(r.number(4));  // layers and masks
  const std::uint32_t compression = r.number(2);
  if (r.failed) return failure(kImageDataErr, source, "the Photoshop file ends before its picture");
  if (compression > 1) return failure(kImageDataErr, source, "Photoshop compression %u is not read", compression);

  // The channels used: the colours and, after them, one alpha.
  const std::uint32_t used = std::min(channels, colours + 1);
  const std::size_t sampleBytes = depth / 8, rowBytes = std::size_t(width) * sampleBytes;
  std::vector<std::uint8_t> planes;
  std::vector<std::uint32_t> packedSizes;
  try {
    planes.resize(rowBytes * height * used);
    if (compression == 1) {
      packedSizes.resize(std::size_t(height) * channels);
      for (auto& size : packedSizes) size = r.number(2);
    }
  } catch (const std::bad_alloc&) {
    return failure(kImageTooLargeErr, source, "no memory for its channels");
  }
  for (std::uint32_t c = 0; c < used; ++c)
    for (std::uint32_t y = 0; y < height; ++y) {
      const std::span<std::uint8_t> row(planes.data() + (std::size_t(c) * height + y) * rowBytes, rowBytes);
      if (compression == 0) {
        const auto raw = r.take(rowBytes);
        if (r.failed) return failure(kImageDataErr, source, "the Photoshop picture data ends early");
        std::memcpy(row.data(), raw.data(), rowBytes);
      } else if (!unpackBits(r.take(packedSizes[std::size_t(c) * height + y]), row) || r.failed) {
        return failure(kImageDataErr, source, "the Photoshop picture data is truncated or corrupt");
      }
    }

  if (const OSErr error = makeImageOffscreen(int(width), int(height), image, source); error != noErr) return error;
  image.model = mode == kModeGrey   ? SourceColourModel::grey
                : mode == kModeCmyk ? SourceColourModel::cmyk
                                    : SourceColourModel::rgb;
  image.hasAlpha = used > colours;
  if (mode == kModeCmyk) image.cmykSamples.resize(std::size_t(width) * height * 4);
  const PixView view = image.pixels->view();
  const auto sample = [&](std::uint32_t c, std::uint32_t x, std::uint32_t y) -> std::uint8_t {
    const std::uint8_t* p = planes.data() + (std::size_t(c) * height + y) * rowBytes + x * sampleBytes;
    return depth == 8 ? p[0] : sample16To8(static_cast<std::uint16_t>(p[0] << 8 | p[1]));
  };
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* pixel = view.localPixel(int(x), int(y));
      if (image.hasAlpha) pixel[kAlphaByte] = invertAlpha(sample(colours, x, y));
      if (mode == kModeGrey) {
        pixel[kRedByte] = pixel[kGreenByte] = pixel[kBlueByte] = sample(0, x, y);
      } else if (mode == kModeRgb) {
        for (int c = 0; c < 3; ++c) pixel[kRedByte + c] = sample(std::uint32_t(c), x, y);
      } else {
        // Photoshop stores CMYK inverted: 255 is no ink.
        for (int c = 0; c < 4; ++c)
          image.cmykSamples[(std::size_t(y) * width + x) * 4 + c] =
              static_cast<std::uint8_t>(255 - sample(std::uint32_t(c), x, y));
      }
    }
  if (mode == kModeCmyk) cmykToOffscreen(image.cmykSamples.data(), *image.pixels);
  if (options.halfSize)
    if (const OSErr error = halveDecodedImage(image, source); error != noErr) {
      image = DecodedImage{};
      return error;
    }
  return noErr;
}

OSErr encodePsd(const Offscreen& image, const EncodeOptions& options, Bytes& out,
                std::string_view destination) noexcept {
  out.clear();
  const auto width = static_cast<std::uint32_t>(image.width()), height = static_cast<std::uint32_t>(image.height());
  const auto put = [&](std::uint32_t v, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
  };
  const auto resource = [&](std::uint16_t id, std::span<const std::uint8_t> data) {
    put(0x3842494D, 4);
    put(id, 2);
    put(0, 2);  // an empty name, padded to two bytes
    put(static_cast<std::uint32_t>(data.size()), 4);
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2) out.push_back(0);
  };
  try {
    out.reserve(std::size_t(width) * height * 4 + 256 + options.iccProfile.size());
    put(0x38425053, 4);  // "8BPS"
    put(1, 2);
    put(0, 4);
    put(0, 2);
    put(4, 2);  // R, G, B, alpha
    put(height, 4);
    put(width, 4);
    put(8, 2);
    put(kModeRgb, 2);
    put(0, 4);  // no colour mode data

    const std::size_t resourcesAt = out.size();
    put(0, 4);
    const std::uint32_t dpi = static_cast<std::uint32_t>(options.dpi > 0 ? std::min(options.dpi, 32767) : 72) << 16;
    const std::uint8_t resolution[16] = {std::uint8_t(dpi >> 24), std::uint8_t(dpi >> 16), 0, 0, 0, 1, 0, 1,
                                         std::uint8_t(dpi >> 24), std::uint8_t(dpi >> 16), 0, 0, 0, 1, 0, 1};
    resource(kResolutionResource, resolution);
    if (!options.iccProfile.empty()) resource(kIccResource, options.iccProfile);
    const auto length = static_cast<std::uint32_t>(out.size() - resourcesAt - 4);
    for (int i = 0; i < 4; ++i) out[resourcesAt + std::size_t(i)] = static_cast<std::uint8_t>(length >> (24 - 8 * i));

    put(0, 4);  // no layers
    put(0, 2);  // raw planes
    const PixView view = image.view();
    for (const int channel : {kRedByte, kGreenByte, kBlueByte, kAlphaByte})
      for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* p = view.row(int(y));
        for (std::uint32_t x = 0; x < width; ++x, p += 4)
          out.push_back(channel == kAlphaByte ? invertAlpha(p[channel]) : p[channel]);
      }
  } catch (const std::bad_alloc&) {
    return failure(memFullErr, destination, "no memory for the Photoshop file");
  }
  return noErr;
}

}  // namespace vorl::codec
