#include "imaging/codecs/codec_probes.h"

#include <libraw/libraw.h>

#include <array>

#include "imaging/codecs/exif_metadata.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/codecs/jpeg_file.h"
#include "imaging/codecs/magick_file.h"
#include "imaging/codecs/png_file.h"
#include "imaging/codecs/psd_file.h"
#include "imaging/codecs/tiff_file.h"
#include "imaging/offscreens/offscreen_copy.h"

namespace vorl {
namespace {

constexpr int kProbeSide = 8;

OffscreenPtr probePicture() {
  const Rect bounds = makeRect(0, 0, kProbeSide, kProbeSide);
  OffscreenPtr picture{myNewGWorld(&bounds)};
  if (picture) static_cast<void>(fillPixelMap(picture.get(), 0x3366CC));
  return picture;
}

// Written by our encoder and read back through the one entry every image file goes through.
using Encoder = OSErr (*)(const Offscreen&, const EncodeOptions&, codec::Bytes&, std::string_view) noexcept;
bool roundTrips(Encoder encode, const char* name) {
  const OffscreenPtr picture = probePicture();
  if (!picture) return false;
  codec::Bytes bytes;
  if (encode(*picture, EncodeOptions{}, bytes, name) != noErr) return false;
  DecodedImage decoded;
  if (decodeImageBytes(bytes, decoded, DecodeOptions{}, name) != noErr || !decoded.pixels) return false;
  const Rect port = decoded.pixels->portRect();
  return rectWidth(port) == kProbeSide && rectHeight(port) == kProbeSide;
}

bool jpegWorks() { return roundTrips(codec::encodeJpeg, "the JPEG codec check"); }
bool tiffWorks() { return roundTrips(codec::encodeTiff, "the TIFF codec check"); }
bool pngWorks() { return roundTrips(codec::encodePng, "the PNG codec check"); }
bool photoshopWorks() { return roundTrips(codec::encodePsd, "the Photoshop codec check"); }

// The upload metadata goes into output JPEG files through Exiv2.
bool exifWorks() {
  const OffscreenPtr picture = probePicture();
  codec::Bytes jpeg, commented;
  return picture && codec::encodeJpeg(*picture, EncodeOptions{}, jpeg, "the EXIF check") == noErr &&
         codec::withExifUserComment(jpeg, "check", commented, "the EXIF check") == noErr;
}

bool bmpWorks() { return codec::magickCoderWorks("BMP", false); }
bool gifWorks() { return codec::magickCoderWorks("GIF", false); }
bool pictWorks() { return codec::magickCoderWorks("PICT", false); }
bool targaWorks() { return codec::magickCoderWorks("TGA", true); }
// A raw file cannot be made here; without its camera table LibRaw reads none.
bool cameraRawWorks() { return libraw_cameraCount() > 0; }

constexpr std::array<CodecProbe, 10> kProbes{{
    {"JPEG", jpegWorks},
    {"TIFF (LZW)", tiffWorks},
    {"PNG", pngWorks},
    {"Photoshop", photoshopWorks},
    {"EXIF metadata (Exiv2)", exifWorks},
    {"BMP (GraphicsMagick)", bmpWorks},
    {"GIF (GraphicsMagick)", gifWorks},
    {"PICT (GraphicsMagick)", pictWorks},
    {"Targa (GraphicsMagick)", targaWorks},
    {"camera raw (LibRaw)", cameraRawWorks},
}};

}  // namespace

std::span<const CodecProbe> imageCodecProbes() noexcept { return kProbes; }

std::vector<std::string> missingImageCodecs(std::span<const CodecProbe> probes) {
  std::vector<std::string> missing;
  for (const CodecProbe& probe : probes)
    if (!probe.works()) missing.emplace_back(probe.name);
  return missing;
}

}  // namespace vorl
