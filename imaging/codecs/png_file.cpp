// PNG decoding and encoding with libpng.
//
// libpng fails by longjmp to the setjmp in its png_struct: each step below that calls into libpng is a small
// function holding that setjmp and only trivially destructible locals; the structs are freed by their owner.
#include "imaging/codecs/png_file.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/codecs/exif_metadata.h"

namespace vorl::codec {

namespace {

struct PngMessages {
  char error[256] = {};
  const std::uint8_t* data = nullptr;  // reading
  std::size_t size = 0, offset = 0;
  Bytes* out = nullptr;  // writing
};

PngMessages& messagesOf(png_structp png) { return *static_cast<PngMessages*>(png_get_error_ptr(png)); }

[[noreturn]] void jumpOnError(png_structp png, png_const_charp message) {
  PngMessages& m = messagesOf(png);
  std::snprintf(m.error, sizeof m.error, "%s", message ? message : "libpng error");
  png_longjmp(png, 1);
}
void ignoreWarning(png_structp, png_const_charp) {}

void readFromMemory(png_structp png, png_bytep buffer, png_size_t count) {
  PngMessages& m = *static_cast<PngMessages*>(png_get_io_ptr(png));
  if (count > m.size - m.offset) png_error(png, "the file ends early");
  std::memcpy(buffer, m.data + m.offset, count);
  m.offset += count;
}

void writeToMemory(png_structp png, png_bytep buffer, png_size_t count) {
  PngMessages& m = *static_cast<PngMessages*>(png_get_io_ptr(png));
  try {
    m.out->insert(m.out->end(), buffer, buffer + count);
  } catch (const std::bad_alloc&) {
    png_error(png, "no memory for the encoded file");
  }
}
void flushMemory(png_structp) {}

struct PngReader {
  PngMessages messages;
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngReader() = default;
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;
  ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct Header {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0;
  bool transparency = false;
};

[[nodiscard]] bool readHeader(PngReader& r, Header& h) noexcept {
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.messages, jumpOnError, ignoreWarning);
  if (!r.png) return false;
  r.info = png_create_info_struct(r.png);
  if (!r.info) return false;
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_set_read_fn(r.png, &r.messages, readFromMemory);
  // Sizes are judged by checkImageSize after the header, with the error code of the other readers.
  png_set_user_limits(r.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_read_info(r.png, r.info);
  png_get_IHDR(r.png, r.info, &h.width, &h.height, &h.bitDepth, &h.colourType, nullptr, nullptr, nullptr);
  h.transparency = png_get_valid(r.png, r.info, PNG_INFO_tRNS) != 0;
  return true;
}

// The bytes of all IDAT chunks together, walking the chunk list of the file (the list stops where the bytes do).
std::uint64_t pictureDataBytes(std::span<const std::uint8_t> bytes) noexcept {
  std::uint64_t total = 0;
  std::size_t at = 8;  // past the signature
  while (at + 12 <= bytes.size()) {
    const std::uint64_t length = (std::uint64_t{bytes[at]} << 24) | (std::uint64_t{bytes[at + 1]} << 16) |
                                 (std::uint64_t{bytes[at + 2]} << 8) | bytes[at + 3];
    const bool idat = std::memcmp(bytes.data() + at + 4, "IDAT", 4) == 0;
    const std::uint64_t available = bytes.size() - at - 8;
    if (idat) total += std::min(length, available);
    if (length + 12 > bytes.size() - at) break;
    at += static_cast<std::size_t>(length) + 12;
  }
  return total;
}

// Deflate turns at most 1032 bytes into one (a 258-byte copy in two bits): the picture data stands for at most
// 1032 × 8 bits of samples a byte, so at most 8256 / (bits a pixel) pixels.
DeclaredSizeEvidence pictureDataEvidence(const Header& h, std::span<const std::uint8_t> bytes) noexcept {
  int channels = 1;
  if (h.colourType == PNG_COLOR_TYPE_RGB) channels = 3;
  if (h.colourType == PNG_COLOR_TYPE_GRAY_ALPHA) channels = 2;
  if (h.colourType == PNG_COLOR_TYPE_RGB_ALPHA) channels = 4;
  const std::uint64_t bitsPerPixel = std::max<std::uint64_t>(1, std::uint64_t(channels) * std::uint64_t(h.bitDepth));
  return {pictureDataBytes(bytes) + 1, std::max<std::uint64_t>(1, 8256 / bitsPerPixel), 0};
}

// Sets libpng's conversions so that every row arrives as A, R, G, B bytes with our alpha, 8 bits each.
[[nodiscard]] bool setConversions(PngReader& r, const Header& h) noexcept {
  if (setjmp(png_jmpbuf(r.png))) return false;
  if (h.colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r.png);
  if (h.colourType == PNG_COLOR_TYPE_GRAY && h.bitDepth < 8) png_set_expand_gray_1_2_4_to_8(r.png);
  if (h.transparency) png_set_tRNS_to_alpha(r.png);
  if (h.bitDepth == 16) png_set_scale_16(r.png);
  if (h.colourType == PNG_COLOR_TYPE_GRAY || h.colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(r.png);
  if ((h.colourType & PNG_COLOR_MASK_ALPHA) || h.transparency) {
    png_set_swap_alpha(r.png);
    png_set_invert_alpha(r.png);
  } else {
    png_set_filler(r.png, 0, PNG_FILLER_BEFORE);
  }
  png_set_interlace_handling(r.png);
  png_read_update_info(r.png, r.info);
  return png_get_rowbytes(r.png, r.info) == std::size_t(h.width) * 4;
}

[[nodiscard]] bool readRows(PngReader& r, png_bytepp rows) noexcept {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_read_image(r.png, rows);
  return true;
}

// The chunks after the picture (an eXIf may come there). A file that ends after its picture data is still good.
[[nodiscard]] bool readEnd(PngReader& r) noexcept {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_read_end(r.png, r.info);
  return true;
}

void readChunks(PngReader& r, DecodedImage& image, std::string_view source) {
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 length = 0;
  if (png_get_iCCP(r.png, r.info, &name, &compression, &profile, &length) && profile)
    image.iccProfile.assign(profile, profile + length);
  png_uint_32 x = 0, y = 0;
  int unit = 0;
  if (png_get_pHYs(r.png, r.info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER) {
    image.xResolution = x * 0.0254;
    image.yResolution = y * 0.0254;
  }
  png_bytep exif = nullptr;
  png_uint_32 exifLength = 0;
  if (png_get_eXIf_1(r.png, r.info, &exifLength, &exif) && exif) {
    ExifFacts facts;
    if (readExifBlock({exif, exifLength}, facts, source)) image.exifOrientation = facts.orientation;
  }
}

}  // namespace

OSErr decodePng(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                std::string_view source) noexcept {
  image = DecodedImage{};
  PngReader r;
  r.messages.data = bytes.data();
  r.messages.size = bytes.size();
  Header h;
  if (!readHeader(r, h)) return failure(kImageDataErr, source, "not a readable PNG file: %s", r.messages.error);
  if (const OSErr error = checkImageSize(h.width, h.height, options, source, pictureDataEvidence(h, bytes));
      error != noErr)
    return error;
  if (!setConversions(r, h)) return failure(kImageDataErr, source, "cannot be converted: %s", r.messages.error);
  image.model = (h.colourType & PNG_COLOR_MASK_COLOR) ? SourceColourModel::rgb : SourceColourModel::grey;
  image.hasAlpha = (h.colourType & PNG_COLOR_MASK_ALPHA) || h.transparency;

  if (const OSErr error = makeImageOffscreen(static_cast<int>(h.width), static_cast<int>(h.height), image, source);
      error != noErr)
    return error;
  std::vector<png_bytep> rows;
  try {
    rows.resize(h.height);
  } catch (const std::bad_alloc&) {
    image = DecodedImage{};
    return failure(kImageTooLargeErr, source, "no memory for its row table");
  }
  const PixView view = image.pixels->view();
  for (png_uint_32 y = 0; y < h.height; ++y) rows[y] = view.row(static_cast<int>(y));
  if (!readRows(r, rows.data())) {
    image = DecodedImage{};
    return failure(kImageDataErr, source, "cannot be decoded: %s", r.messages.error);
  }
  if (!readEnd(r)) failure(noErr, source, "the chunks after the picture cannot be read: %s", r.messages.error);
  readChunks(r, image, source);
  if (options.halfSize)
    if (const OSErr error = halveDecodedImage(image, source); error != noErr) {
      image = DecodedImage{};
      return error;
    }
  return noErr;
}

namespace {

struct PngWriter {
  PngMessages messages;
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngWriter() = default;
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;
  ~PngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

[[nodiscard]] bool writePng(PngWriter& w, const Offscreen& image, int dpi, std::span<const std::uint8_t> profile,
                            png_bytepp rows, bool& profileDropped) noexcept {
  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.messages, jumpOnError, ignoreWarning);
  if (!w.png) return false;
  w.info = png_create_info_struct(w.png);
  if (!w.info) return false;
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_set_write_fn(w.png, &w.messages, writeToMemory, flushMemory);
  // A profile libpng finds unsound is left out with a warning instead of failing the whole file.
  png_set_benign_errors(w.png, 1);
  png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(image.width()), static_cast<png_uint_32>(image.height()), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const auto perMetre = static_cast<png_uint_32>(std::lround(dpi / 0.0254));
  png_set_pHYs(w.png, w.info, perMetre, perMetre, PNG_RESOLUTION_METER);
  if (!profile.empty()) {
    png_set_iCCP(w.png, w.info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, profile.data(),
                 static_cast<png_uint_32>(profile.size()));
    profileDropped = png_get_valid(w.png, w.info, PNG_INFO_iCCP) == 0;
  }
  png_write_info(w.png, w.info);
  png_set_swap_alpha(w.png);    // our rows are A, R, G, B
  png_set_invert_alpha(w.png);  // and our alpha 0 is the file's 255
  png_write_image(w.png, rows);
  png_write_end(w.png, w.info);
  return true;
}

// Writes the signature, IHDR and iCCP chunks of a PNG with the given header fields.
[[nodiscard]] bool writeHead(PngWriter& w, const std::uint8_t* ihdr, std::span<const std::uint8_t> profile,
                             bool& profileDropped) noexcept {
  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.messages, jumpOnError, ignoreWarning);
  if (!w.png) return false;
  w.info = png_create_info_struct(w.png);
  if (!w.info) return false;
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_set_write_fn(w.png, &w.messages, writeToMemory, flushMemory);
  png_set_benign_errors(w.png, 1);
  const auto u32 = [&](int at) {
    return png_uint_32(ihdr[at]) << 24 | ihdr[at + 1] << 16 | ihdr[at + 2] << 8 | ihdr[at + 3];
  };
  png_set_IHDR(w.png, w.info, u32(0), u32(4), ihdr[8], ihdr[9], ihdr[12], ihdr[10], ihdr[11]);
  png_set_iCCP(w.png, w.info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, profile.data(),
               static_cast<png_uint_32>(profile.size()));
  profileDropped = png_get_valid(w.png, w.info, PNG_INFO_iCCP) == 0;
  png_write_info(w.png, w.info);
  return true;
}

}  // namespace

OSErr pngWithIccProfile(std::span<const std::uint8_t> file, std::span<const std::uint8_t> profile, Bytes& out,
                        std::string_view source) noexcept {
  // Signature, then IHDR's length (13), type and fields.
  constexpr std::size_t kIhdrFields = 16, kFirstChunkAfterIhdr = 33;
  if (file.size() < kFirstChunkAfterIhdr || std::memcmp(file.data() + 12, "IHDR", 4) != 0)
    return failure(kImageDataErr, source, "not a PNG file with a header chunk");
  if (profile.empty()) return failure(paramErr, source, "no profile to embed");
  out.clear();
  PngWriter w;
  w.messages.out = &out;
  bool dropped = false;
  if (!writeHead(w, file.data() + kIhdrFields, profile, dropped))
    return failure(kImageDataErr, source, "the PNG header cannot be written again: %s", w.messages.error);
  if (dropped) return failure(paramErr, source, "libpng finds the bytes no ICC profile for this PNG");
  try {
    for (std::size_t at = kFirstChunkAfterIhdr; at < file.size();) {
      if (file.size() - at < 12) return failure(kImageDataErr, source, "a PNG chunk is cut short");
      const std::uint32_t length =
          std::uint32_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
      if (length > file.size() - at - 12) return failure(kImageDataErr, source, "a PNG chunk is cut short");
      const std::size_t end = at + 12 + length;
      const bool replaced =
          std::memcmp(file.data() + at + 4, "iCCP", 4) == 0 || std::memcmp(file.data() + at + 4, "sRGB", 4) == 0;
      if (!replaced) out.insert(out.end(), file.begin() + std::ptrdiff_t(at), file.begin() + std::ptrdiff_t(end));
      if (std::memcmp(file.data() + at + 4, "IEND", 4) == 0) return noErr;
      at = end;
    }
  } catch (const std::bad_alloc&) {
    return failure(memFullErr, source, "no memory to rewrite the PNG");
  }
  return failure(kImageDataErr, source, "the PNG file has no end chunk");
}

OSErr encodePng(const Offscreen& image, const EncodeOptions& options, Bytes& out,
                std::string_view destination) noexcept {
  out.clear();
  std::vector<png_bytep> rows;
  try {
    rows.resize(std::size_t(image.height()));
  } catch (const std::bad_alloc&) {
    return failure(memFullErr, destination, "no memory for the row table");
  }
  const PixView view = image.view();
  for (int y = 0; y < image.height(); ++y) rows[std::size_t(y)] = view.row(y);
  PngWriter w;
  w.messages.out = &out;
  bool profileDropped = false;
  if (!writePng(w, image, options.dpi > 0 ? options.dpi : 72, options.iccProfile, rows.data(), profileDropped))
    return failure(ioErr, destination, "PNG encoding failed: %s", w.messages.error);
  if (profileDropped) failure(noErr, destination, "libpng refused the ICC profile; the file is written without it");
  return noErr;
}

}  // namespace vorl::codec
