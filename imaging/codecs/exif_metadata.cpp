// Metadata through Exiv2, which throws: every call is caught here.
#include "imaging/codecs/exif_metadata.h"

// Exiv2 0.27 hands images back in std::auto_ptr, which C++17 deprecates.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "imaging/codecs/png_file.h"
#include "platform/system/system_log.h"

namespace vorl::codec {

namespace {

// Exiv2 writes its warnings to standard error by default; its errors come back as exceptions, which are logged
// where they are caught, so its own messages go quiet.
void quietExiv2() {
  static std::once_flag once;
  std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

double toDpi(const Exiv2::ExifData& exif, const char* key, long unit) {
  const auto it = exif.findKey(Exiv2::ExifKey(key));
  if (it == exif.end() || it->count() == 0) return 0;
  const Exiv2::Rational r = it->toRational(0);
  if (r.second == 0 || r.first <= 0 || r.second < 0) return 0;
  const double value = static_cast<double>(r.first) / r.second;
  if (unit == 2) return value;
  if (unit == 3) return value * 2.54;
  return 0;  // no absolute unit
}

// Writes the image's changed metadata into its in-memory file and copies the file out.
OSErr rewrittenBytes(Exiv2::Image& image, Bytes& out, std::string_view source) {
  image.writeMetadata();
  Exiv2::BasicIo& io = image.io();
  const long size = io.size();
  if (size <= 0) return failure(kImageDataErr, source, "rewriting gave an empty file");
  out.resize(static_cast<std::size_t>(size));
  io.seek(0, Exiv2::BasicIo::beg);
  if (io.read(out.data(), size) != size) return failure(kImageDataErr, source, "rewriting gave a short file");
  return noErr;
}

}  // namespace

bool readExifBlock(std::span<const std::uint8_t> tiffBytes, ExifFacts& facts, std::string_view source) noexcept {
  quietExiv2();
  facts = ExifFacts{};
  try {
    Exiv2::ExifData exif;
    Exiv2::ExifParser::decode(exif, tiffBytes.data(), static_cast<std::uint32_t>(tiffBytes.size()));
    const auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (orientation != exif.end() && orientation->count() > 0)
      facts.orientation = static_cast<int>(orientation->toLong(0));
    long unit = 2;  // EXIF's default is the inch
    const auto unitTag = exif.findKey(Exiv2::ExifKey("Exif.Image.ResolutionUnit"));
    if (unitTag != exif.end() && unitTag->count() > 0) unit = unitTag->toLong(0);
    facts.xResolution = toDpi(exif, "Exif.Image.XResolution", unit);
    facts.yResolution = toDpi(exif, "Exif.Image.YResolution", unit);
    return true;
  } catch (const std::exception& e) {
    failure(noErr, source, "its EXIF block cannot be read (%s); orientation and resolution are left out", e.what());
  } catch (...) {
    failure(noErr, source, "its EXIF block cannot be read; orientation and resolution are left out");
  }
  facts = ExifFacts{};
  return false;
}

OSErr readIccProfileOf(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& profile,
                       std::string_view source) noexcept {
  quietExiv2();
  profile.clear();
  try {
    auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
    if (!image.get()) return failure(kImageDataErr, source, "not an image file Exiv2 knows");
    image->readMetadata();
    if (!image->iccProfileDefined()) return failure(kNoEmbeddedProfileErr, source, "holds no embedded ICC profile");
    const Exiv2::DataBuf* icc = image->iccProfile();
    profile.assign(icc->pData_, icc->pData_ + icc->size_);
    return noErr;
  } catch (const std::exception& e) {
    return failure(kImageDataErr, source, "its metadata cannot be read: %s", e.what());
  } catch (...) {
    return failure(kImageDataErr, source, "its metadata cannot be read");
  }
}

OSErr withIccProfile(std::span<const std::uint8_t> file, std::span<const std::uint8_t> profile, Bytes& out,
                     std::string_view source) noexcept {
  // Exiv2 0.27 writes a PNG's iCCP chunk without the name the format requires, and libpng then drops it.
  if (file.size() >= 8 && std::memcmp(file.data(), "\x89PNG\r\n\x1A\n", 8) == 0)
    return pngWithIccProfile(file, profile, out, source);
  quietExiv2();
  try {
    auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
    if (!image.get()) return failure(kImageDataErr, source, "not an image file Exiv2 knows");
    image->readMetadata();
    Exiv2::DataBuf icc(profile.data(), static_cast<long>(profile.size()));
    try {
      image->setIccProfile(icc, true);
    } catch (const std::exception& e) {
      return failure(paramErr, source, "the profile to embed is not an ICC profile: %s", e.what());
    }
    return rewrittenBytes(*image, out, source);
  } catch (const std::bad_alloc&) {
    return failure(memFullErr, source, "no memory to embed the profile");
  } catch (const std::exception& e) {
    return failure(kImageDataErr, source, "the profile cannot be embedded: %s", e.what());
  } catch (...) {
    return failure(kImageDataErr, source, "the profile cannot be embedded");
  }
}

OSErr withExifUserComment(std::span<const std::uint8_t> file, std::string_view comment, Bytes& out,
                          std::string_view source) noexcept {
  const bool jpeg = file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF;
  const bool tiff =
      file.size() >= 4 && ((std::memcmp(file.data(), "II*\0", 4) == 0) || (std::memcmp(file.data(), "MM\0*", 4) == 0));
  if (!jpeg && !tiff)
    return failure(paramErr, source, "is neither a JPEG nor a TIFF file; its user comment is not written");
  quietExiv2();
  const bool ascii = std::all_of(comment.begin(), comment.end(), [](char c) { return (c & 0x80) == 0; });
  try {
    auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
    if (!image.get() || image->imageType() != (jpeg ? Exiv2::ImageType::jpeg : Exiv2::ImageType::tiff))
      return failure(paramErr, source, "is not a JPEG or TIFF file Exiv2 knows");
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    Exiv2::CommentValue value;
    if (value.read((ascii ? "charset=Ascii " : "charset=Unicode ") + std::string(comment)) != 0)
      return failure(kImageDataErr, source, "the user comment cannot be stored");
    exif["Exif.Photo.UserComment"].setValue(&value);
    image->setExifData(exif);
    return rewrittenBytes(*image, out, source);
  } catch (const std::bad_alloc&) {
    return failure(memFullErr, source, "no memory to write the user comment");
  } catch (const std::exception& e) {
    return failure(kImageDataErr, source, "the user comment cannot be written: %s", e.what());
  } catch (...) {
    return failure(kImageDataErr, source, "the user comment cannot be written");
  }
}

}  // namespace vorl::codec
