// Reading and writing through Magick++, which throws: every call is caught here.
//
// In GraphicsMagick's pixel maps "O" is opacity, 0 = opaque: the same way round as our alpha, so pixels pass
// as O, R, G, B bytes without converting.
#include "imaging/codecs/magick_file.h"

#include <Magick++.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace vorl::codec {

namespace {

void initialiseMagick() {
  static std::once_flag once;
  std::call_once(once, [] { Magick::InitializeMagick(nullptr); });
}

double densityDpi(const Magick::Image& image, double value) {
  if (!(value > 0)) return 0;
  switch (image.resolutionUnits()) {
    case MagickLib::PixelsPerInchResolution:
      return value;
    case MagickLib::PixelsPerCentimeterResolution:
      return value * 2.54;
    default:
      return 0;
  }
}

std::uint32_t littleEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

// An uncompressed BMP holds every row of its picture: a file shorter than its declared rows was cut off or lies
// about its size, and is refused before GraphicsMagick takes the declared picture's memory. (Run-length BMPs may
// leave pixels out and are judged by the memory budget alone.)
OSErr checkBmpRowsPresent(std::span<const std::uint8_t> bytes, std::string_view source) {
  if (bytes.size() < 34) return failure(kImageDataErr, source, "the BMP header is cut off");
  const std::uint32_t dataOffset = littleEndian(bytes, 10, 4);
  const std::uint32_t headerSize = littleEndian(bytes, 14, 4);
  if (headerSize < 40) return noErr;  // the old OS/2 header: left to GraphicsMagick
  const auto width = static_cast<std::int32_t>(littleEndian(bytes, 18, 4));
  const auto height = static_cast<std::int32_t>(littleEndian(bytes, 22, 4));
  const std::uint32_t bitsPerPixel = littleEndian(bytes, 28, 2);
  const std::uint32_t compression = littleEndian(bytes, 30, 4);
  if (compression != 0 && compression != 3) return noErr;
  const std::uint64_t rows = height < 0 ? std::uint64_t(-std::int64_t{height}) : std::uint64_t(height);
  const std::uint64_t rowBytes = ((std::uint64_t(width < 0 ? 0 : width) * bitsPerPixel + 31) / 32) * 4;
  const std::uint64_t needed = std::uint64_t{dataOffset} + rowBytes * rows;
  if (needed <= bytes.size()) return noErr;
  return failure(kImageDataErr, source, "declares %d x %lld pixels, more than its %zu bytes hold", width,
                 static_cast<long long>(rows), bytes.size());
}

}  // namespace

OSErr decodeWithMagick(std::span<const std::uint8_t> bytes, const char* magick, DecodedImage& image,
                       const DecodeOptions& options, std::string_view source) noexcept {
  image = DecodedImage{};
  initialiseMagick();
  try {
    const Magick::Blob blob(bytes.data(), bytes.size());
    Magick::Image picture;
    picture.magick(magick);
    picture.subImage(0);  // the first frame of a GIF
    picture.subRange(1);
    picture.quiet(true);  // warnings about odd but readable files do not throw
    picture.ping(blob);
    if (std::string_view(magick) == "BMP")
      if (const OSErr error = checkBmpRowsPresent(bytes, source); error != noErr) return error;
    // GraphicsMagick holds the picture in its own pixels before they are copied into the offscreen.
    if (const OSErr error =
            checkImageSize(picture.columns(), picture.rows(), options, source, {0, 0, sizeof(MagickLib::PixelPacket)});
        error != noErr)
      return error;
    picture.read(blob);
    const int width = static_cast<int>(picture.columns()), height = static_cast<int>(picture.rows());
    if (const OSErr error = checkImageSize(width, height, options, source); error != noErr) return error;
    if (const OSErr error = makeImageOffscreen(width, height, image, source); error != noErr) return error;
    const PixView view = image.pixels->view();
    image.hasAlpha = picture.matte();
    image.model = picture.type() == MagickLib::GrayscaleType || picture.type() == MagickLib::GrayscaleMatteType
                      ? SourceColourModel::grey
                      : SourceColourModel::rgb;
    for (int y = 0; y < height; ++y)
      picture.write(0, y, unsigned(width), 1, image.hasAlpha ? "ORGB" : "PRGB", Magick::CharPixel, view.row(y));
    if (!image.hasAlpha)
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) view.localPixel(x, y)[kAlphaByte] = 0;
    const Magick::Blob profile = picture.iccColorProfile();
    if (profile.length() > 0) {
      const auto* p = static_cast<const std::uint8_t*>(profile.data());
      image.iccProfile.assign(p, p + profile.length());
    }
    image.xResolution = densityDpi(picture, picture.xResolution());
    image.yResolution = densityDpi(picture, picture.yResolution());
  } catch (const std::bad_alloc&) {
    image = DecodedImage{};
    return failure(kImageTooLargeErr, source, "no memory to read it");
  } catch (const std::exception& e) {
    image = DecodedImage{};
    return failure(kImageDataErr, source, "GraphicsMagick cannot read it as %s: %s", magick, e.what());
  }
  if (options.halfSize)
    if (const OSErr error = halveDecodedImage(image, source); error != noErr) {
      image = DecodedImage{};
      return error;
    }
  return noErr;
}

OSErr encodeWithMagick(const Offscreen& image, const char* magick, const EncodeOptions& options, Bytes& out,
                       std::string_view destination) noexcept {
  out.clear();
  initialiseMagick();
  const bool alpha = std::string_view(magick) != "TGA";
  try {
    // Packed rows: GraphicsMagick takes no row stride.
    const int width = image.width(), height = image.height();
    const int channels = alpha ? 4 : 3;
    std::vector<std::uint8_t> packed(std::size_t(width) * std::size_t(height) * channels);
    const PixView view = image.view();
    std::uint8_t* to = packed.data();
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* from = view.row(y);
      for (int x = 0; x < width; ++x, from += 4, to += channels) std::copy(from + (alpha ? 0 : 1), from + 4, to);
    }
    Magick::Image picture(unsigned(width), unsigned(height), alpha ? "ORGB" : "RGB", Magick::CharPixel, packed.data());
    picture.magick(magick);
    picture.depth(8);
    picture.matte(alpha);
    picture.type(alpha ? MagickLib::TrueColorMatteType : MagickLib::TrueColorType);
    const int dpi = options.dpi > 0 ? options.dpi : 72;
    picture.resolutionUnits(MagickLib::PixelsPerInchResolution);
    picture.density(Magick::Geometry(unsigned(dpi), unsigned(dpi)));
    if (alpha && !options.iccProfile.empty())
      picture.iccColorProfile(Magick::Blob(options.iccProfile.data(), options.iccProfile.size()));
    Magick::Blob blob;
    picture.write(&blob);
    const auto* p = static_cast<const std::uint8_t*>(blob.data());
    out.assign(p, p + blob.length());
  } catch (const std::bad_alloc&) {
    return failure(memFullErr, destination, "no memory to write it");
  } catch (const std::exception& e) {
    return failure(ioErr, destination, "GraphicsMagick cannot write it as %s: %s", magick, e.what());
  }
  return noErr;
}

bool magickCoderWorks(const char* magick, bool writing) noexcept {
  initialiseMagick();
  try {
    const Magick::CoderInfo coder(magick);
    return writing ? coder.isWritable() : coder.isReadable();
  } catch (...) {
    return false;  // no such coder
  }
}

}  // namespace vorl::codec
