#include "imaging/color/color_conversion.h"

#include <array>

#include "imaging/color/color_transform.h"
#include "imaging/parallel/row_bands.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

enum class Kind { kRGB, kGray, kCMYK };

const char* kindName(Kind kind) {
  switch (kind) {
    case Kind::kRGB:
      return "RGB";
    case Kind::kGray:
      return "grey";
    case Kind::kCMYK:
      return "CMYK";
  }
  return "";
}

OSType spaceOf(Kind kind) {
  switch (kind) {
    case Kind::kRGB:
      return fourCharCode("RGB ");
    case Kind::kGray:
      return fourCharCode("GRAY");
    case Kind::kCMYK:
      return fourCharCode("CMYK");
  }
  return 0;
}

// Both profiles usable for a conversion of that kind, with a log line naming what is wrong.
bool checkProfiles(Kind kind, const CMProfileRef& source, const CMProfileRef& destination) {
  if (!source) {
    systemLogf("Colour conversion from %s: the source profile cannot be used", kindName(kind));
    return false;
  }
  if (source->spaceType() != spaceOf(kind)) {
    systemLogf("Colour conversion from %s: the source profile '%s' is of another colour space", kindName(kind),
               source->description().c_str());
    return false;
  }
  if (!destination || destination->spaceType() != spaceOf(Kind::kRGB)) {
    systemLogf("Colour conversion from %s: the destination is no RGB profile", kindName(kind));
    return false;
  }
  return true;
}

CMProfileRef fromBytes(std::span<const std::uint8_t> icc) { return openProfileData(icc, nullptr); }

bool checkOffscreen(Kind kind, const Offscreen* offscreen) {
  if (offscreen && offscreen->baseAddr()) return true;
  systemLogf("Colour conversion from %s: no offscreen", kindName(kind));
  return false;
}

bool convertRGB(Offscreen* offscreen, const CMProfileRef& source, const CMProfileRef& destination) {
  if (!checkOffscreen(Kind::kRGB, offscreen) || !checkProfiles(Kind::kRGB, source, destination)) return false;
  CMWorldRef transform;
  if (cachedColorTransform(source, TYPE_ARGB_8, destination, TYPE_ARGB_8, source->renderingIntent(),
                           cmsFLAGS_COPY_ALPHA, &transform) != noErr)
    return false;
  const PixView view = offscreen->view();
  transformRowsInBands(*transform, view.base(), view.rowBytes(), view.base(), view.rowBytes(), view.width(),
                       view.height());
  return true;
}

bool convertGray(Offscreen* offscreen, const CMProfileRef& source, const CMProfileRef& destination) {
  if (!checkOffscreen(Kind::kGray, offscreen) || !checkProfiles(Kind::kGray, source, destination)) return false;
  CMWorldRef transform;
  if (cachedColorTransform(source, TYPE_GRAY_8, destination, TYPE_RGB_8, source->renderingIntent(), 0, &transform) !=
      noErr)
    return false;
  // Eight-bit grey has 256 values: their colours, once, serve every pixel.
  std::array<std::uint8_t, 256> grey;
  for (int v = 0; v < 256; ++v) grey[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(v);
  std::array<std::uint8_t, 256 * 3> rgb{};
  transformRows(*transform, grey.data(), 256, rgb.data(), 256 * 3, 256, 1, nullptr, 1);
  const PixView view = offscreen->view();
  forRowBands(view.height(), [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      std::uint8_t* pixel = view.row(y);
      for (int x = 0; x < view.width(); ++x, pixel += kBytesPerPixel) {
        const std::uint8_t* colour = &rgb[std::size_t{pixel[kRedByte]} * 3];
        pixel[kRedByte] = colour[0];
        pixel[kGreenByte] = colour[1];
        pixel[kBlueByte] = colour[2];
      }
    }
  });
  return true;
}

bool convertCMYK(std::span<const std::uint8_t> cmyk, const CMProfileRef& source, const CMProfileRef& destination,
                 Offscreen* offscreen) {
  if (!checkOffscreen(Kind::kCMYK, offscreen) || !checkProfiles(Kind::kCMYK, source, destination)) return false;
  const PixView view = offscreen->view();
  const std::uint64_t wanted = std::uint64_t(view.width()) * std::uint64_t(view.height()) * 4;
  if (cmyk.size() != wanted) {
    systemLogf("Colour conversion from CMYK: %zu sample bytes for %d x %d pixels", cmyk.size(), view.width(),
               view.height());
    return false;
  }
  CMWorldRef transform;
  // Without cmsFLAGS_COPY_ALPHA LittleCMS leaves the output's alpha bytes as they are.
  if (cachedColorTransform(source, TYPE_CMYK_8, destination, TYPE_ARGB_8, source->renderingIntent(), 0, &transform) !=
      noErr)
    return false;
  const std::ptrdiff_t inputStride = std::ptrdiff_t{view.width()} * 4;
  transformRowsInBands(*transform, cmyk.data(), inputStride, view.base(), view.rowBytes(), view.width(), view.height());
  return true;
}

}  // namespace

bool convertRGBOffscreen(Offscreen* offscreen, std::span<const std::uint8_t> sourceIcc, Profile& destination) {
  return convertRGB(offscreen, fromBytes(sourceIcc), destination.ref());
}

bool convertRGBOffscreen(Offscreen* offscreen, Profile& source, Profile& destination) {
  return convertRGB(offscreen, source.ref(), destination.ref());
}

bool convertGrayOffscreen(Offscreen* offscreen, std::span<const std::uint8_t> sourceIcc, Profile& destination) {
  return convertGray(offscreen, fromBytes(sourceIcc), destination.ref());
}

bool convertGrayOffscreen(Offscreen* offscreen, Profile& source, Profile& destination) {
  return convertGray(offscreen, source.ref(), destination.ref());
}

bool convertCMYKToOffscreen(std::span<const std::uint8_t> cmyk, std::span<const std::uint8_t> sourceIcc,
                            Profile& destination, Offscreen* offscreen) {
  return convertCMYK(cmyk, fromBytes(sourceIcc), destination.ref(), offscreen);
}

bool convertCMYKToOffscreen(std::span<const std::uint8_t> cmyk, Profile& source, Profile& destination,
                            Offscreen* offscreen) {
  return convertCMYK(cmyk, source.ref(), destination.ref(), offscreen);
}

}  // namespace vorl
