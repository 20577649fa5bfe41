// Recognising image files and sending them to their codec.
#include "imaging/codecs/image_file_codec.h"

#include <cstring>
#include <string>

#include "imaging/codecs/codec_support.h"
#include "imaging/codecs/exif_metadata.h"
#include "imaging/codecs/jpeg_file.h"
#include "imaging/codecs/magick_file.h"
#include "imaging/codecs/png_file.h"
#include "imaging/codecs/psd_file.h"
#include "imaging/codecs/raw_file.h"
#include "imaging/codecs/tiff_file.h"

namespace vorl {

namespace {

bool startsWith(std::span<const std::uint8_t> bytes, std::size_t offset, std::string_view magic) {
  return bytes.size() >= offset + magic.size() && std::memcmp(bytes.data() + offset, magic.data(), magic.size()) == 0;
}

// A PICT file: a 512-byte header of any content, then the picture size and frame, then the version opcode.
bool isPict(std::span<const std::uint8_t> bytes) {
  using namespace std::string_view_literals;
  return startsWith(bytes, 522, "\x00\x11\x02\xFF"sv) || startsWith(bytes, 522, "\x11\x01"sv);
}

}  // namespace

ImageFileKind sniffImageFileKind(std::span<const std::uint8_t> bytes) noexcept {
  using namespace std::string_view_literals;
  if (startsWith(bytes, 0, "\xFF\xD8\xFF"sv)) return ImageFileKind::jpeg;
  if (startsWith(bytes, 0, "\x89PNG\r\n\x1A\n"sv)) return ImageFileKind::png;
  if (startsWith(bytes, 6, "HEAPCCDR"sv)) return ImageFileKind::cameraRaw;  // Canon CRW
  if (startsWith(bytes, 0, "II*\0"sv) || startsWith(bytes, 0, "MM\0*"sv)) {
    if (startsWith(bytes, 8, "CR\x02\0"sv)) return ImageFileKind::cameraRaw;  // Canon CR2
    return codec::isCameraRawTiff(bytes) ? ImageFileKind::cameraRaw : ImageFileKind::tiff;
  }
  if (startsWith(bytes, 0, "8BPS"sv)) return ImageFileKind::photoshop;
  if (startsWith(bytes, 0, "BM"sv)) return ImageFileKind::bmp;
  if (startsWith(bytes, 0, "GIF87a"sv) || startsWith(bytes, 0, "GIF89a"sv)) return ImageFileKind::gif;
  if (isPict(bytes)) return ImageFileKind::pict;
  return ImageFileKind::unknown;
}

OSErr decodeImageBytes(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                       std::string_view source) {
  image = DecodedImage{};
  if (bytes.empty()) return codec::failure(kImageDataErr, source, "the file is empty");
  switch (sniffImageFileKind(bytes)) {
    case ImageFileKind::jpeg:
      return codec::decodeJpeg(bytes, image, options, source);
    case ImageFileKind::png:
      return codec::decodePng(bytes, image, options, source);
    case ImageFileKind::tiff:
      return codec::decodeTiff(bytes, image, options, source);
    case ImageFileKind::cameraRaw:
      return codec::decodeRaw(bytes, image, options, source);
    case ImageFileKind::photoshop:
      return codec::decodePsd(bytes, image, options, source);
    case ImageFileKind::bmp:
      return codec::decodeWithMagick(bytes, "BMP", image, options, source);
    case ImageFileKind::gif:
      return codec::decodeWithMagick(bytes, "GIF", image, options, source);
    case ImageFileKind::pict:
      return codec::decodeWithMagick(bytes, "PICT", image, options, source);
    case ImageFileKind::unknown:
      break;
  }
  return codec::failure(kImageDataErr, source, "not a kind of image file that is read here");
}

OSErr decodeImageFile(const std::filesystem::path& file, DecodedImage& image, const DecodeOptions& options) {
  image = DecodedImage{};
  std::vector<std::uint8_t> bytes;
  if (const OSErr error = codec::readWholeFile(file, bytes); error != noErr) return error;
  return decodeImageBytes(bytes, image, options, file.string());
}

OSErr encodeImageFile(const Offscreen& image, const std::filesystem::path& file, ImageFileType type,
                      const EncodeOptions& options) {
  const std::string name = file.string();
  if (image.baseAddr() == nullptr || image.width() <= 0 || image.height() <= 0)
    return codec::failure(paramErr, name, "there is no picture to write");
  codec::Bytes bytes;
  OSErr error = paramErr;
  switch (type) {
    case ImageFileType::tiffLzw:
      error = codec::encodeTiff(image, options, bytes, name);
      break;
    case ImageFileType::jpeg:
      error = codec::encodeJpeg(image, options, bytes, name);
      break;
    case ImageFileType::png:
      error = codec::encodePng(image, options, bytes, name);
      break;
    case ImageFileType::targa:
      error = codec::encodeWithMagick(image, "TGA", options, bytes, name);
      break;
    case ImageFileType::photoshop:
      error = codec::encodePsd(image, options, bytes, name);
      break;
    default:
      return codec::failure(paramErr, name, "file type %d is not one that is written", static_cast<int>(type));
  }
  if (error != noErr) return error;
  return codec::writeWholeFile(file, bytes);
}

OSErr readEmbeddedProfile(const std::filesystem::path& image, std::vector<std::uint8_t>& profile) {
  profile.clear();
  std::vector<std::uint8_t> bytes;
  if (const OSErr error = codec::readWholeFile(image, bytes); error != noErr) return error;
  return codec::readIccProfileOf(bytes, profile, image.string());
}

OSErr embedProfile(const std::filesystem::path& image, std::span<const std::uint8_t> profile) {
  std::vector<std::uint8_t> bytes;
  if (const OSErr error = codec::readWholeFile(image, bytes); error != noErr) return error;
  codec::Bytes rewritten;
  if (const OSErr error = codec::withIccProfile(bytes, profile, rewritten, image.string()); error != noErr)
    return error;
  return codec::writeWholeFile(image, rewritten);
}

}  // namespace vorl
