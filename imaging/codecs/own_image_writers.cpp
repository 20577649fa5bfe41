// Our own TIFF, raw and PICT files.
#include "imaging/codecs/own_image_writers.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "imaging/codecs/picture_writer.h"
#include "imaging/offscreens/pixel_locks.h"
#include "imaging/offscreens/pixel_packing.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "platform/core/handles.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

class HeaderBytes {
 public:
  explicit HeaderBytes(std::uint8_t* bytes) : bytes_(bytes) {}
  void u16(std::size_t at, std::uint16_t v) {
    bytes_[at] = static_cast<std::uint8_t>(v >> 8);
    bytes_[at + 1] = static_cast<std::uint8_t>(v);
  }
  void u32(std::size_t at, std::uint32_t v) {
    u16(at, static_cast<std::uint16_t>(v >> 16));
    u16(at + 2, static_cast<std::uint16_t>(v));
  }
  // A directory entry; a SHORT value sits in the first two bytes of the value field.
  void entry(std::size_t at, std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
    u16(at, tag);
    u16(at + 2, type);
    u32(at + 4, count);
    if (type == kShort && count == 1)
      u16(at + 8, static_cast<std::uint16_t>(value));
    else
      u32(at + 8, value);
  }
  static constexpr std::uint16_t kShort = 3;
  static constexpr std::uint16_t kLong = 4;
  static constexpr std::uint16_t kRational = 5;

 private:
  std::uint8_t* bytes_;
};

bool fail(OSErr code, OSErr* error, const char* caller, const fs::path& file) {
  systemLogf("%s: \"%s\" was not written, error = %d", caller, file.c_str(), code);
  if (error) *error = code;
  return false;
}

// Rows packed per write: the pixels go out in bands, so a page of 32767 pixels a side needs no second copy of
// itself in memory.
constexpr int kRowsPerBand = 64;

// Writes the parts, then (when given) the offscreen's packed pixels as the file's content, and gives the file a
// fresh sidecar with its type and creator.
bool writeImageFile(const fs::path& file, OSType type, std::initializer_list<std::span<const std::uint8_t>> parts,
                    Offscreen* pixels, OSErr* error, const char* caller) {
  if (file.empty() || !file.has_filename()) return fail(bdNamErr, error, caller, file);
  TempFile temp;
  if (const OSErr code = temp.open(file.parent_path().empty() ? fs::path(".") : file.parent_path()); code != noErr)
    return fail(code, error, caller, file);
  for (const auto& part : parts)
    if (const OSErr code = temp.write(part); code != noErr) return fail(code, error, caller, file);
  if (pixels != nullptr) {
    PixelLock lock(pixels);
    const PixView view = pixels->view();
    const Rect port = view.port();
    std::vector<std::uint8_t> band(static_cast<std::size_t>(view.width()) * 3 * kRowsPerBand);
    for (int top = 0; top < view.height(); top += kRowsPerBand) {
      const int rows = std::min(kRowsPerBand, view.height() - top);
      const Rect bandRect = makeRect(port.top + top, port.left, port.top + top + rows, port.right);
      packRGB(PixView(view.row(top), view.rowBytes(), bandRect), band.data());
      const std::size_t size = static_cast<std::size_t>(view.width()) * 3 * static_cast<std::size_t>(rows);
      if (const OSErr code = temp.write(std::span<const std::uint8_t>(band.data(), size)); code != noErr)
        return fail(code, error, caller, file);
    }
  }
  if (const OSErr code = temp.commit(file, true); code != noErr) return fail(code, error, caller, file);
  AppleDouble sidecar;
  FInfo info;
  info.fdType = type;
  info.fdCreator = kOwnWritersCreator;
  sidecar.setFinder(info);
  if (const OSErr code = writeAppleDouble(file, sidecar); code != noErr) return fail(code, error, caller, file);
  if (error) *error = noErr;
  return true;
}

bool pathOf(const FSSpec& spec, fs::path& path, OSErr* error, const char* caller) {
  if (const OSErr code = FSpMakePath(spec, path); code != noErr) {
    systemLogf("%s: the file specification names no usable file, error = %d", caller, code);
    if (error) *error = code;
    return false;
  }
  return true;
}

bool usable(Offscreen* offscreen) { return offscreen != nullptr && offscreen->width() > 0 && offscreen->height() > 0; }

}  // namespace

std::array<std::uint8_t, kOwnTIFFHeaderSize> ownTIFFHeader(std::uint16_t width, std::uint16_t height,
                                                           std::uint32_t dpi) noexcept {
  std::array<std::uint8_t, kOwnTIFFHeaderSize> header{};
  HeaderBytes h(header.data());
  header[0] = 'M';
  header[1] = 'M';
  h.u16(2, 42);
  h.u32(4, 8);
  h.u16(8, 16);
  constexpr auto S = HeaderBytes::kShort, L = HeaderBytes::kLong, R = HeaderBytes::kRational;
  const std::uint32_t stripBytes = std::uint32_t{width} * height * 3;
  h.entry(10, 254, L, 1, 0);            // NewSubfileType
  h.entry(22, 256, S, 1, width);        // ImageWidth
  h.entry(34, 257, S, 1, height);       // ImageLength
  h.entry(46, 258, S, 3, 206);          // BitsPerSample
  h.entry(58, 259, S, 1, 1);            // Compression: none
  h.entry(70, 262, S, 1, 2);            // PhotometricInterpretation: RGB
  h.entry(82, 273, L, 1, 242);          // StripOffsets
  h.entry(94, 277, S, 1, 3);            // SamplesPerPixel
  h.entry(106, 278, S, 1, height);      // RowsPerStrip
  h.entry(118, 279, L, 1, stripBytes);  // StripByteCounts
  h.entry(130, 280, S, 3, 212);         // MinSampleValue
  h.entry(142, 281, S, 3, 218);         // MaxSampleValue
  h.entry(154, 282, R, 1, 226);         // XResolution
  h.entry(166, 283, R, 1, 234);         // YResolution
  h.entry(178, 284, S, 1, 1);           // PlanarConfiguration: chunky
  h.entry(190, 296, S, 1, 2);           // ResolutionUnit: inch
  h.u32(202, 0);
  for (int i = 0; i < 3; ++i) {
    h.u16(206 + 2 * i, 8);
    h.u16(212 + 2 * i, 0);
    h.u16(218 + 2 * i, 255);
  }
  h.u16(224, 0);
  h.u32(226, dpi);
  h.u32(230, 1);
  h.u32(234, dpi);
  h.u32(238, 1);
  return header;
}

bool SaveAsTIFFFile(const fs::path& file, Offscreen* offscreen, long dpi, OSErr* error) {
  if (!usable(offscreen)) return fail(paramErr, error, "SaveAsTIFFFile", file);
  const long resolution = dpi < 0 ? 72 : std::min<long>(dpi, 0xFFFFFFFFL);
  const auto header =
      ownTIFFHeader(static_cast<std::uint16_t>(offscreen->width()), static_cast<std::uint16_t>(offscreen->height()),
                    static_cast<std::uint32_t>(resolution));
  return writeImageFile(file, kTIFFFileType, {header}, offscreen, error, "SaveAsTIFFFile");
}

bool SaveAsTIFFFile(const FSSpec& file, Offscreen* offscreen, long dpi, OSErr* error) {
  fs::path path;
  return pathOf(file, path, error, "SaveAsTIFFFile") && SaveAsTIFFFile(path, offscreen, dpi, error);
}

bool SaveAsRawFile(const fs::path& file, Offscreen* offscreen, OSErr* error) {
  if (!usable(offscreen)) return fail(paramErr, error, "SaveAsRawFile", file);
  return writeImageFile(file, kRawFileType, {}, offscreen, error, "SaveAsRawFile");
}

bool SaveAsRawFile(const FSSpec& file, Offscreen* offscreen, OSErr* error) {
  fs::path path;
  return pathOf(file, path, error, "SaveAsRawFile") && SaveAsRawFile(path, offscreen, error);
}

PicHandle Offscreen2PicHandle(Offscreen* offscreen, std::int16_t dpi) {
  std::vector<std::uint8_t> bytes;
  if (!recordOffscreenAsPicture(offscreen, dpi, bytes)) return nullptr;
  Handle picture = NewHandle(static_cast<std::int64_t>(bytes.size()));
  if (picture == nullptr) return nullptr;
  std::memcpy(*picture, bytes.data(), bytes.size());
  return picture;
}

bool SaveAsPICTFile(const fs::path& file, Offscreen* offscreen, std::int16_t dpi, OSErr* error) {
  std::vector<std::uint8_t> picture;
  if (!recordOffscreenAsPicture(offscreen, dpi, picture)) return fail(paramErr, error, "SaveAsPICTFile", file);
  const std::array<std::uint8_t, kPICTFileHeaderSize> zeros{};
  return writeImageFile(file, kPICTFileType, {zeros, picture}, nullptr, error, "SaveAsPICTFile");
}

bool SaveAsPICTFile(const FSSpec& file, Offscreen* offscreen, std::int16_t dpi, OSErr* error) {
  fs::path path;
  return pathOf(file, path, error, "SaveAsPICTFile") && SaveAsPICTFile(path, offscreen, dpi, error);
}

}  // namespace vorl
