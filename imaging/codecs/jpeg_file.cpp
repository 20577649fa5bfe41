// JPEG decoding and encoding with libjpeg-turbo.
//
// libjpeg reports errors by calling error_exit, which must not return: it longjmps back to the one setjmp in each
// small step function below. Those functions hold only trivially destructible locals, and the structs that need
// freeing belong to an owner in the caller, so a jump never skips a destructor nor leaks.
#include "imaging/codecs/jpeg_file.h"

#include <cstdio>  // jpeglib.h needs FILE

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/codecs/exif_metadata.h"

namespace vorl::codec {

namespace {

// A progressive file of thousands of tiny scans decodes the whole picture once per scan; real files have ten or so.
constexpr int kMaxScans = 500;
// libjpeg's working memory beside the output rows, on top of the whole-picture coefficient buffer a progressive
// file needs (8 bytes a pixel at most: four components of 2-byte coefficients).
constexpr long kWorkingMemory = 64L << 20;

struct JpegErrors {
  jpeg_error_mgr manager;  // first: libjpeg hands back a pointer to it
  std::jmp_buf jumpBuffer;
  char message[JMSG_LENGTH_MAX] = {};
  bool dataEndedEarly = false;
};

JpegErrors& errorsOf(j_common_ptr info) { return *reinterpret_cast<JpegErrors*>(info->err); }

[[noreturn]] void jumpOnError(j_common_ptr info) {
  JpegErrors& errors = errorsOf(info);
  info->err->format_message(info, errors.message);
  std::longjmp(errors.jumpBuffer, 1);
}

// Warnings (level −1) are kept quiet, except those that say the picture data stopped before the picture did:
// libjpeg then fills the rest with grey and goes on.
void noteWarning(j_common_ptr info, int level) {
  if (level >= 0) return;
  const int code = info->err->msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) {
    JpegErrors& errors = errorsOf(info);
    if (!errors.dataEndedEarly) info->err->format_message(info, errors.message);
    errors.dataEndedEarly = true;
  }
  ++info->err->num_warnings;
}

void limitScans(j_common_ptr info) {
  if (!info->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
    std::snprintf(errorsOf(info).message, JMSG_LENGTH_MAX, "more than %d scans", kMaxScans);
    std::longjmp(errorsOf(info).jumpBuffer, 1);
  }
}

void installErrors(JpegErrors& errors) {
  jpeg_std_error(&errors.manager);
  errors.manager.error_exit = jumpOnError;
  errors.manager.emit_message = noteWarning;
}

struct JpegDecoder {
  jpeg_decompress_struct info{};
  JpegErrors errors;
  jpeg_progress_mgr progress{};
  bool created = false;
  JpegDecoder() = default;
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;
  ~JpegDecoder() {
    if (created) jpeg_destroy_decompress(&info);
  }
};

// Every 8 x 8 block of the full-size component costs at least one bit of Huffman-coded data (its DC difference),
// so no honest file holds more than 512 pixels a byte; a header declaring more is a tiny or cut-off file.
constexpr std::uint64_t kMostPixelsPerByte = 512;

// Whether an end-of-image marker follows the start of the first scan. Without one the file was cut off, and
// libjpeg would fill the rest of the declared picture with grey; it is refused before the picture's memory is
// taken (the decoder refuses a picture that ends early anyway).
bool hasEndAfterScanStart(const JpegDecoder& d, std::span<const std::uint8_t> bytes) noexcept {
  const std::uint8_t* from = d.info.src != nullptr ? d.info.src->next_input_byte : bytes.data();
  const std::uint8_t* end = bytes.data() + bytes.size();
  if (from < bytes.data() || from > end) from = bytes.data();
  for (const std::uint8_t* at = from; at + 1 < end;) {
    at = static_cast<const std::uint8_t*>(std::memchr(at, 0xFF, static_cast<std::size_t>(end - at - 1)));
    if (at == nullptr) return false;
    if (at[1] == 0xD9) return true;
    ++at;
  }
  return false;
}

[[nodiscard]] bool readHeader(JpegDecoder& d, const std::uint8_t* data, std::size_t size) noexcept {
  installErrors(d.errors);
  d.info.err = &d.errors.manager;
  if (setjmp(d.errors.jumpBuffer)) return false;
  jpeg_create_decompress(&d.info);
  d.created = true;
  d.progress.progress_monitor = limitScans;
  d.info.progress = &d.progress;
  jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xFFFF);  // EXIF
  jpeg_save_markers(&d.info, JPEG_APP0 + 2, 0xFFFF);  // ICC profile
  return jpeg_read_header(&d.info, TRUE) == JPEG_HEADER_OK;
}

// The ICC profile spread over APP2 markers, malloc'ed by libjpeg; false when there is none or its markers do not
// fit together.
[[nodiscard]] bool readIccProfile(JpegDecoder& d, JOCTET** profile, unsigned int* length) noexcept {
  if (setjmp(d.errors.jumpBuffer)) return false;
  return jpeg_read_icc_profile(&d.info, profile, length) != FALSE;
}

[[nodiscard]] bool startDecoding(JpegDecoder& d) noexcept {
  if (setjmp(d.errors.jumpBuffer)) return false;
  return jpeg_start_decompress(&d.info) != FALSE;
}

// Reads every output row into `rows` (one pointer per row). With `clearAlpha` the rows hold X, R, G, B pixels whose
// X byte libjpeg sets to 255; it becomes 0, "drawn", while the rows are still in the cache.
[[nodiscard]] bool readRows(JpegDecoder& d, JSAMPROW* rows, bool clearAlpha) noexcept {
  if (setjmp(d.errors.jumpBuffer)) return false;
  const JDIMENSION width = d.info.output_width, height = d.info.output_height;
  while (d.info.output_scanline < height) {
    const JDIMENSION first = d.info.output_scanline;
    const JDIMENSION got = jpeg_read_scanlines(&d.info, rows + first, height - first);
    if (got == 0) return false;
    if (clearAlpha)
      for (JDIMENSION y = first; y < first + got; ++y)
        for (JDIMENSION x = 0; x < width; ++x) rows[y][x * 4] = 0;
  }
  return true;
}

double densityToDpi(int unit, int density) {
  if (density <= 0) return 0;
  if (unit == 1) return density;
  if (unit == 2) return density * 2.54;
  return 0;  // an aspect ratio only
}

void readMarkers(JpegDecoder& d, DecodedImage& image, std::string_view source) {
  JOCTET* profile = nullptr;
  unsigned int length = 0;
  if (readIccProfile(d, &profile, &length) && profile != nullptr) {
    image.iccProfile.assign(profile, profile + length);
  } else {
    for (jpeg_saved_marker_ptr m = d.info.marker_list; m; m = m->next)
      if (m->marker == JPEG_APP0 + 2 && m->data_length >= 12 && std::memcmp(m->data, "ICC_PROFILE", 12) == 0) {
        failure(noErr, source, "its ICC profile markers do not fit together; the profile is left out");
        break;
      }
  }
  std::free(profile);

  if (d.info.saw_JFIF_marker) {
    image.xResolution = densityToDpi(d.info.density_unit, d.info.X_density);
    image.yResolution = densityToDpi(d.info.density_unit, d.info.Y_density);
  }
  for (jpeg_saved_marker_ptr m = d.info.marker_list; m; m = m->next) {
    if (m->marker != JPEG_APP0 + 1 || m->data_length < 6 || std::memcmp(m->data, "Exif\0\0", 6) != 0) continue;
    ExifFacts facts;
    if (readExifBlock({m->data + 6, m->data_length - 6}, facts, source)) {
      image.exifOrientation = facts.orientation;
      if (image.xResolution <= 0 || image.yResolution <= 0) {
        image.xResolution = facts.xResolution;
        image.yResolution = facts.yResolution;
      }
    }
    break;
  }
}

}  // namespace

OSErr decodeJpeg(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                 std::string_view source) noexcept {
  image = DecodedImage{};
  JpegDecoder d;
  if (!readHeader(d, bytes.data(), bytes.size()))
    return failure(kImageDataErr, source, "not a readable JPEG file: %s", d.errors.message);
  const int width = static_cast<int>(std::min<JDIMENSION>(d.info.image_width, 1u << 30));
  const int height = static_cast<int>(std::min<JDIMENSION>(d.info.image_height, 1u << 30));
  const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
  // Beside the offscreen: a progressive file's coefficients (2 bytes a component), and for CMYK or a preview
  // the decoded rows and the samples kept for the colour step.
  const std::uint64_t decoderBytes = (d.info.progressive_mode ? 2u * std::uint64_t(d.info.num_components) : 0u) +
                                     (cmyk || options.halfSize ? 8u : 0u);
  if (const OSErr error = checkImageSize(width, height, options, source, {bytes.size(), kMostPixelsPerByte, decoderBytes});
      error != noErr)
    return error;
  if (!hasEndAfterScanStart(d, bytes))
    return failure(kImageDataErr, source, "the picture data ends early (no end marker after the first scan)");

  image.model = cmyk                                       ? SourceColourModel::cmyk
                : d.info.jpeg_color_space == JCS_GRAYSCALE ? SourceColourModel::grey
                                                           : SourceColourModel::rgb;
  d.info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_XRGB;
  if (options.halfSize) {
    d.info.scale_num = 1;
    d.info.scale_denom = 2;
  }
  const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
  d.info.mem->max_memory_to_use = static_cast<long>(std::min<std::uint64_t>(pixels * 8 + kWorkingMemory, 1L << 40));
  readMarkers(d, image, source);

  if (!startDecoding(d)) return failure(kImageDataErr, source, "cannot be decoded: %s", d.errors.message);
  const int outWidth = static_cast<int>(d.info.output_width), outHeight = static_cast<int>(d.info.output_height);
  // The DCT halves odd sides upwards; a preview takes the lower half, so one column or row may be left over.
  const int targetWidth = options.halfSize ? halfSide(width) : outWidth;
  const int targetHeight = options.halfSize ? halfSide(height) : outHeight;
  if (targetWidth > outWidth || targetHeight > outHeight)
    return failure(kImageDataErr, source, "decodes to %d x %d pixels", outWidth, outHeight);
  if (const OSErr error = makeImageOffscreen(targetWidth, targetHeight, image, source); error != noErr) return error;
  const PixView view = image.pixels->view();

  const bool direct = !cmyk && targetWidth == outWidth && targetHeight == outHeight;
  std::vector<std::uint8_t> scratch;  // the decoded picture when it does not go straight into the offscreen
  std::vector<JSAMPROW> rows;
  try {
    rows.resize(std::size_t(outHeight));
    if (direct) {
      for (int y = 0; y < outHeight; ++y) rows[std::size_t(y)] = view.row(y);
    } else {
      scratch.resize(std::size_t(outWidth) * std::size_t(outHeight) * 4);
      for (int y = 0; y < outHeight; ++y) rows[std::size_t(y)] = scratch.data() + std::size_t(y) * outWidth * 4;
    }
  } catch (const std::bad_alloc&) {
    image = DecodedImage{};
    return failure(kImageTooLargeErr, source, "no memory for %d x %d decoded pixels", outWidth, outHeight);
  }
  if (!readRows(d, rows.data(), !cmyk)) {
    image = DecodedImage{};
    return failure(kImageDataErr, source, "cannot be decoded: %s", d.errors.message);
  }
  if (d.errors.dataEndedEarly) {
    image = DecodedImage{};
    return failure(kImageDataErr, source, "the picture data ends early (%s)", d.errors.message);
  }
  if (direct) return noErr;

  if (!cmyk) {
    for (int y = 0; y < targetHeight; ++y) std::memcpy(view.row(y), rows[std::size_t(y)], std::size_t(targetWidth) * 4);
    return noErr;
  }
  try {
    image.cmykSamples.resize(std::size_t(targetWidth) * std::size_t(targetHeight) * 4);
  } catch (const std::bad_alloc&) {
    image = DecodedImage{};
    return failure(kImageTooLargeErr, source, "no memory for the CMYK samples");
  }
  // Adobe's programs store CMYK JPEGs inverted (0 = full ink) and mark them with their APP14 marker.
  const bool inverted = d.info.saw_Adobe_marker;
  for (int y = 0; y < targetHeight; ++y) {
    const std::uint8_t* in = rows[std::size_t(y)];
    std::uint8_t* out = image.cmykSamples.data() + std::size_t(y) * targetWidth * 4;
    for (int i = 0; i < targetWidth * 4; ++i) out[i] = inverted ? static_cast<std::uint8_t>(255 - in[i]) : in[i];
  }
  cmykToOffscreen(image.cmykSamples.data(), *image.pixels);
  return noErr;
}

namespace {

struct JpegEncoder {
  jpeg_compress_struct info{};
  JpegErrors errors;
  unsigned char* buffer = nullptr;  // jpeg_mem_dest's output, malloc'ed by libjpeg
  unsigned long size = 0;
  bool created = false;
  JpegEncoder() = default;
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;
  ~JpegEncoder() {
    if (created) jpeg_destroy_compress(&info);
    std::free(buffer);
  }
};

[[nodiscard]] bool encodeRows(JpegEncoder& e, const Offscreen& image, int quality, int dpi,
                              std::span<const std::uint8_t> profile) noexcept {
  installErrors(e.errors);
  e.info.err = &e.errors.manager;
  if (setjmp(e.errors.jumpBuffer)) return false;
  jpeg_create_compress(&e.info);
  e.created = true;
  jpeg_mem_dest(&e.info, &e.buffer, &e.size);
  e.info.image_width = static_cast<JDIMENSION>(image.width());
  e.info.image_height = static_cast<JDIMENSION>(image.height());
  e.info.input_components = 4;
  e.info.in_color_space = JCS_EXT_XRGB;  // the alpha byte is skipped
  jpeg_set_defaults(&e.info);
  jpeg_set_quality(&e.info, quality, TRUE);
  e.info.density_unit = 1;
  e.info.X_density = e.info.Y_density = static_cast<UINT16>(dpi);
  jpeg_start_compress(&e.info, TRUE);
  if (!profile.empty()) jpeg_write_icc_profile(&e.info, profile.data(), static_cast<unsigned int>(profile.size()));
  const PixView view = image.view();
  while (e.info.next_scanline < e.info.image_height) {
    JSAMPROW row = view.row(static_cast<int>(e.info.next_scanline));
    jpeg_write_scanlines(&e.info, &row, 1);
  }
  jpeg_finish_compress(&e.info);
  return true;
}

}  // namespace

OSErr encodeJpeg(const Offscreen& image, const EncodeOptions& options, Bytes& out,
                 std::string_view destination) noexcept {
  const int quality = std::clamp(options.quality, 0, 100);
  const int dpi = options.dpi > 0 ? std::min(options.dpi, 65535) : 72;
  JpegEncoder e;
  if (!encodeRows(e, image, quality, dpi, options.iccProfile))
    return failure(ioErr, destination, "JPEG encoding failed: %s", e.errors.message);
  try {
    out.assign(e.buffer, e.buffer + e.size);
  } catch (const std::bad_alloc&) {
    return failure(memFullErr, destination, "no memory for the encoded JPEG");
  }
  return noErr;
}

}  // namespace vorl::codec
