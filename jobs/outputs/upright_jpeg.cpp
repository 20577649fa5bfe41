// Exiv2 throws: every call is caught here.
#include "jobs/outputs/upright_jpeg.h"

// Exiv2 0.27 hands images back in std::auto_ptr, which C++17 deprecates.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <optional>

#include "imaging/codecs/jpeg_file.h"
#include "jobs/outputs/output_file_utilities.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

constexpr int kFullQuality = 100;
constexpr std::uint16_t kUpright = 1;
constexpr std::uint16_t kInches = 2;
// A name taken between the search and the rename sends the search on; this many races are more than enough.
constexpr int kNameAttempts = 100;

// The EXIF block says what the JFIF header says, so a reader that prefers either finds the same resolution, and
// orientation 1, so no reader turns the upright pixels again.
OSErr stampUprightExif(codec::Bytes& jpeg, int dpi) noexcept {
  try {
    auto image = Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size()));
    if (!image.get()) return kImageDataErr;
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    exif["Exif.Image.Orientation"] = kUpright;
    exif["Exif.Image.XResolution"] = Exiv2::Rational(dpi, 1);
    exif["Exif.Image.YResolution"] = Exiv2::Rational(dpi, 1);
    exif["Exif.Image.ResolutionUnit"] = kInches;
    image->setExifData(exif);
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    const long size = io.size();
    if (size <= 0) return kImageDataErr;
    codec::Bytes stamped(static_cast<std::size_t>(size));
    io.seek(0, Exiv2::BasicIo::beg);
    if (io.read(stamped.data(), size) != size) return kImageDataErr;
    jpeg.swap(stamped);
    return noErr;
  } catch (const std::bad_alloc&) {
    return memFullErr;
  } catch (const std::exception& e) {
    systemLogf("encodeUprightJpeg: the EXIF block cannot be written: %s", e.what());
    return kImageDataErr;
  } catch (...) {
    return kImageDataErr;
  }
}

}  // namespace

OSErr encodeUprightJpeg(const Offscreen& upright, std::int16_t resolution, codec::Bytes& out) {
  EncodeOptions options;
  options.dpi = resolution > 0 ? resolution : 72;
  options.quality = kFullQuality;
  if (const OSErr error = codec::encodeJpeg(upright, options, out, "upright original"); error != noErr) return error;
  const OSErr error = stampUprightExif(out, options.dpi);
  if (error != noErr) systemLogf("encodeUprightJpeg: the upright picture could not be tagged (error %d)", error);
  return error;
}

OSErr writeNewOutputFile(const codec::Bytes& bytes, const fs::path& destination, bool overwrite, fs::path& written) {
  TempFile temp;
  OSErr error = temp.open(destination.parent_path());
  if (error == noErr) error = temp.write(bytes);
  if (error != noErr) return error;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::optional<fs::path> target = destination;
    if (!overwrite) target = createUniqueNameFromPath(destination);
    if (!target) return dupFNErr;
    error = temp.commit(*target, overwrite);
    if (error == noErr) written = *target;
    if (error != dupFNErr || overwrite) return error;
  }
  return dupFNErr;
}

}  // namespace vorl
