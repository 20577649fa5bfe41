// TIFF decoding and encoding with libtiff over memory.
//
// libtiff reports through handlers rather than jumping; they are set per file (libtiff 4.5's open options), keep
// the first error's text for the log line, and stay silent about warnings. The same options cap any one
// allocation libtiff makes, so a header that claims a gigantic strip fails instead of taking the memory.
#include "imaging/codecs/tiff_file.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace vorl::codec {

namespace {

constexpr std::uint16_t kPhotometricLinearRaw = 34892;  // DNG's, not in tiff.h

// The file in memory, for reading (`data`) or for writing (`out`).
struct MemoryFile {
  const std::uint8_t* data = nullptr;
  std::uint64_t size = 0;
  Bytes* out = nullptr;
  std::uint64_t offset = 0;
  char error[256] = {};
};

MemoryFile& fileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t count) {
  MemoryFile& f = fileOf(handle);
  const std::uint64_t size = f.out ? f.out->size() : f.size;
  const std::uint8_t* data = f.out ? f.out->data() : f.data;
  if (count < 0 || f.offset >= size) return 0;
  const auto n = static_cast<tmsize_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count), size - f.offset));
  std::memcpy(buffer, data + f.offset, static_cast<std::size_t>(n));
  f.offset += static_cast<std::uint64_t>(n);
  return n;
}

tmsize_t writeProc(thandle_t handle, void* buffer, tmsize_t count) {
  MemoryFile& f = fileOf(handle);
  if (!f.out || count < 0) return -1;
  try {
    const std::uint64_t end = f.offset + static_cast<std::uint64_t>(count);
    if (end > f.out->size()) f.out->resize(static_cast<std::size_t>(end));
    std::memcpy(f.out->data() + f.offset, buffer, static_cast<std::size_t>(count));
    f.offset = end;
    return count;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
  MemoryFile& f = fileOf(handle);
  const std::uint64_t size = f.out ? f.out->size() : f.size;
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = f.offset;
  if (whence == SEEK_END) base = size;
  f.offset = base + offset;
  return f.offset;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t handle) { return fileOf(handle).out ? fileOf(handle).out->size() : fileOf(handle).size; }

// Reading maps the bytes instead of copying them.
int mapProc(thandle_t handle, void** base, toff_t* size) {
  MemoryFile& f = fileOf(handle);
  if (f.out) return 0;
  *base = const_cast<std::uint8_t*>(f.data);
  *size = f.size;
  return 1;
}
void unmapProc(thandle_t, void*, toff_t) {}

int keepError(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
  MemoryFile& f = *static_cast<MemoryFile*>(user);
  if (f.error[0] == '\0') {
    const int n = std::snprintf(f.error, sizeof f.error, "%s: ", module ? module : "libtiff");
    if (n > 0 && static_cast<std::size_t>(n) < sizeof f.error)
      std::vsnprintf(f.error + n, sizeof f.error - static_cast<std::size_t>(n), format, arguments);
  }
  return 1;  // handled: not passed on to the process-wide handler
}
int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tif) const noexcept { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr openTiff(MemoryFile& file, const char* mode, tmsize_t maxAllocation) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, keepError, &file);
  TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, &file);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, maxAllocation);
  TIFF* tif = TIFFClientOpenExt("memory", mode, &file, readProc, writeProc, seekProc, closeProc, sizeProc, mapProc,
                                unmapProc, options);
  TIFFOpenOptionsFree(options);
  return TiffPtr(tif);
}

// The largest single allocation libtiff may make for a picture of this many pixels: a whole strip of 16-bit
// RGBA, with room for the directories.
tmsize_t allocationLimit(const DecodeOptions& options) {
  return static_cast<tmsize_t>(std::min<std::uint64_t>(options.maxPixels * 8 + (16u << 20), std::uint64_t{1} << 34));
}

double resolutionDpi(TIFF* tif, ttag_t tag, std::uint16_t unit) {
  float value = 0;
  if (TIFFGetField(tif, tag, &value) != 1 || !(value > 0) || value > 1e6f) return 0;
  if (unit == RESUNIT_INCH) return value;
  if (unit == RESUNIT_CENTIMETER) return value * 2.54;
  return 0;
}

// What the sample readers (rows or tiles) need to know about a file's samples.
struct Layout {
  int width = 0, height = 0;
  std::uint16_t samples = 1, bits = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, sampleFormat = SAMPLEFORMAT_UINT;
  int colours = 0;       // 1 grey, 3 RGB, 4 CMYK
  int alphaSample = -1;  // index of the alpha sample, −1 without
  bool associatedAlpha = false;
};

// Whether our own sample readers take the file, and the layout they read. Tiled files are read by tiles, so a
// tiled CMYK picture keeps its inks for its profile as a striped one does.
bool sampleLayout(TIFF* tif, Layout& layout) {
  std::uint16_t inkSet = INKSET_CMYK, extraCount = 0;
  std::uint16_t* extra = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
  TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkSet);
  if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric) != 1) return false;
  if ((layout.bits != 8 && layout.bits != 16) || layout.sampleFormat != SAMPLEFORMAT_UINT)
    return false;
  switch (layout.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      layout.colours = 1;
      break;
    case PHOTOMETRIC_RGB:
      layout.colours = 3;
      break;
    case PHOTOMETRIC_SEPARATED:
      if (inkSet != INKSET_CMYK) return false;
      layout.colours = 4;
      break;
    default:
      return false;
  }
  if (layout.samples < layout.colours || layout.samples - layout.colours != extraCount) return false;
  for (int i = 0; i < extraCount && extra; ++i)
    if (extra[i] == EXTRASAMPLE_ASSOCALPHA || extra[i] == EXTRASAMPLE_UNASSALPHA) {
      layout.alphaSample = layout.colours + i;
      layout.associatedAlpha = extra[i] == EXTRASAMPLE_ASSOCALPHA;
      break;
    }
  // GraphicsMagick and others label the alpha of RGBA and grey-alpha files "unspecified"; a lone extra sample
  // beside RGB or grey is taken as alpha, as they and libvips read it.
  if (layout.alphaSample < 0 && extraCount == 1 && extra && extra[0] == EXTRASAMPLE_UNSPECIFIED && layout.colours != 4)
    layout.alphaSample = layout.colours;
  return true;
}

// Sample i of a row as 8 bits.
inline std::uint8_t sampleAt(const std::uint8_t* row, int bits, std::size_t i) noexcept {
  if (bits == 8) return row[i];
  std::uint16_t v;
  std::memcpy(&v, row + i * 2, 2);  // libtiff has put the row in host order
  return sample16To8(v);
}

// Premultiplied colour back to straight colour; `alpha` is the file's (255 = opaque).
inline std::uint8_t unpremultiply(std::uint8_t c, std::uint8_t alpha) noexcept {
  if (alpha == 0) return 0;
  return static_cast<std::uint8_t>(std::min(255u, (c * 255u + alpha / 2u) / alpha));
}

// Where sample s of a pixel goes: the offscreen byte for R, G, B, grey and alpha, or the CMYK sample.
void storeSample(const Layout& l, int s, std::uint8_t v, std::uint8_t* pixel, std::uint8_t* cmyk) noexcept {
  if (s == l.alphaSample) {
    pixel[kAlphaByte] = invertAlpha(v);
  } else if (l.colours == 1 && s == 0) {
    const std::uint8_t grey = l.photometric == PHOTOMETRIC_MINISWHITE ? static_cast<std::uint8_t>(255 - v) : v;
    pixel[kRedByte] = pixel[kGreenByte] = pixel[kBlueByte] = grey;
  } else if (l.colours == 3 && s < 3) {
    pixel[kRedByte + s] = v;
  } else if (l.colours == 4 && s < 4) {
    cmyk[s] = v;
  }
}

void finishSamples(const Layout& l, DecodedImage& image);

OSErr readScanlines(TIFF* tif, const Layout& l, DecodedImage& image, MemoryFile& file, std::string_view source) {
  const PixView view = image.pixels->view();
  std::vector<std::uint8_t> row;
  try {
    row.resize(static_cast<std::size_t>(TIFFScanlineSize64(tif)));
    if (l.colours == 4) image.cmykSamples.resize(std::size_t(l.width) * std::size_t(l.height) * 4);
  } catch (const std::bad_alloc&) {
    return failure(kImageTooLargeErr, source, "no memory for its rows");
  }
  const std::size_t needed = std::size_t(l.width) * (l.planar == PLANARCONFIG_CONTIG ? l.samples : 1) * l.bits / 8;
  if (row.size() < needed) return failure(kImageDataErr, source, "its rows are shorter than its pixels");

  // Separate planes are read one plane after the other: switching planes row by row would decode each strip again.
  const int planes = l.planar == PLANARCONFIG_CONTIG ? 1 : l.samples;
  for (int plane = 0; plane < planes; ++plane)
    for (int y = 0; y < l.height; ++y) {
      if (TIFFReadScanline(tif, row.data(), static_cast<std::uint32_t>(y), static_cast<std::uint16_t>(plane)) < 0)
        return failure(kImageDataErr, source, "row %d cannot be read: %s", y, file.error);
      std::uint8_t* pixel = view.row(y);
      std::uint8_t* cmyk = l.colours == 4 ? image.cmykSamples.data() + std::size_t(y) * l.width * 4 : nullptr;
      for (int x = 0; x < l.width; ++x, pixel += 4, cmyk += cmyk ? 4 : 0) {
        if (planes == 1) {
          for (int s = 0; s < l.samples; ++s)
            storeSample(l, s, sampleAt(row.data(), l.bits, std::size_t(x) * l.samples + s), pixel, cmyk);
        } else {
          storeSample(l, plane, sampleAt(row.data(), l.bits, std::size_t(x)), pixel, cmyk);
        }
      }
    }

  finishSamples(l, image);
  return noErr;
}

// Tile by tile, each sample stored as the row reader stores it; tiles reaching past the picture's edge are cut.
OSErr readTiles(TIFF* tif, const Layout& l, DecodedImage& image, MemoryFile& file, std::string_view source,
                tmsize_t maxTileBytes) {
  std::uint32_t tileWidth = 0, tileHeight = 0;
  if (TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth) != 1 || TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight) != 1 ||
      tileWidth == 0 || tileHeight == 0)
    return failure(kImageDataErr, source, "a tiled TIFF file without a tile size");
  // The header names the tile size: a claim past what the picture could need is refused before the memory.
  if (TIFFTileSize64(tif) == 0 || TIFFTileSize64(tif) > static_cast<std::uint64_t>(maxTileBytes))
    return failure(kImageTooLargeErr, source, "its tiles claim more memory than a picture may take");
  const PixView view = image.pixels->view();
  std::vector<std::uint8_t> tile;
  try {
    tile.resize(static_cast<std::size_t>(TIFFTileSize64(tif)));
    if (l.colours == 4) image.cmykSamples.resize(std::size_t(l.width) * std::size_t(l.height) * 4);
  } catch (const std::bad_alloc&) {
    return failure(kImageTooLargeErr, source, "no memory for its tiles");
  }
  const std::size_t rowSize = static_cast<std::size_t>(TIFFTileRowSize64(tif));
  const int planes = l.planar == PLANARCONFIG_CONTIG ? 1 : l.samples;
  const std::size_t needed = std::size_t(tileWidth) * (planes == 1 ? l.samples : 1) * l.bits / 8;
  if (rowSize < needed || tile.size() < rowSize * tileHeight)
    return failure(kImageDataErr, source, "its tiles are smaller than their pixels");

  for (int plane = 0; plane < planes; ++plane)
    for (std::uint32_t top = 0; top < static_cast<std::uint32_t>(l.height); top += tileHeight)
      for (std::uint32_t left = 0; left < static_cast<std::uint32_t>(l.width); left += tileWidth) {
        if (TIFFReadTile(tif, tile.data(), left, top, 0, static_cast<std::uint16_t>(plane)) < 0)
          return failure(kImageDataErr, source, "the tile at %u, %u cannot be read: %s", left, top, file.error);
        const int rows = static_cast<int>(std::min<std::uint32_t>(tileHeight, static_cast<std::uint32_t>(l.height) - top));
        const int columns =
            static_cast<int>(std::min<std::uint32_t>(tileWidth, static_cast<std::uint32_t>(l.width) - left));
        for (int ty = 0; ty < rows; ++ty) {
          const int y = static_cast<int>(top) + ty;
          const std::uint8_t* in = tile.data() + std::size_t(ty) * rowSize;
          std::uint8_t* pixel = view.row(y) + std::size_t(left) * 4;
          std::uint8_t* cmyk =
              l.colours == 4 ? image.cmykSamples.data() + (std::size_t(y) * l.width + left) * 4 : nullptr;
          for (int x = 0; x < columns; ++x, pixel += 4, cmyk += cmyk ? 4 : 0) {
            if (planes == 1) {
              for (int s = 0; s < l.samples; ++s)
                storeSample(l, s, sampleAt(in, l.bits, std::size_t(x) * l.samples + s), pixel, cmyk);
            } else {
              storeSample(l, plane, sampleAt(in, l.bits, std::size_t(x)), pixel, cmyk);
            }
          }
        }
      }
  finishSamples(l, image);
  return noErr;
}

// After all samples are in: straight colour from premultiplied, and the CMYK stand-in colours.
void finishSamples(const Layout& l, DecodedImage& image) {
  const PixView view = image.pixels->view();
  if (l.alphaSample >= 0 && l.associatedAlpha)
    for (int y = 0; y < l.height; ++y) {
      std::uint8_t* pixel = view.row(y);
      std::uint8_t* cmyk = l.colours == 4 ? image.cmykSamples.data() + std::size_t(y) * l.width * 4 : nullptr;
      for (int x = 0; x < l.width; ++x, pixel += 4) {
        const std::uint8_t alpha = invertAlpha(pixel[kAlphaByte]);
        if (cmyk)
          for (int c = 0; c < 4; ++c, ++cmyk) *cmyk = unpremultiply(*cmyk, alpha);
        else
          for (int c = kRedByte; c <= kBlueByte; ++c) pixel[c] = unpremultiply(pixel[c], alpha);
      }
    }
  if (l.colours == 4) cmykToOffscreen(image.cmykSamples.data(), *image.pixels);
}

// libtiff's own reader for every other layout, in the order the file stores the rows (its orientation tag is
// reported, not applied). It hands back premultiplied colour when the file has alpha.
OSErr readThroughRgba(TIFF* tif, DecodedImage& image, MemoryFile& file, std::string_view source) {
  char why[1024] = {};
  if (!TIFFRGBAImageOK(tif, why)) return failure(kImageDataErr, source, "a TIFF layout that is not read: %s", why);
  TIFFRGBAImage reader{};
  if (!TIFFRGBAImageBegin(&reader, tif, 0, why)) return failure(kImageDataErr, source, "cannot be read: %s", why);
  reader.req_orientation = ORIENTATION_TOPLEFT;
  reader.orientation = ORIENTATION_TOPLEFT;
  const PixView view = image.pixels->view();
  const auto width = static_cast<std::uint32_t>(view.width()), height = static_cast<std::uint32_t>(view.height());
  std::vector<std::uint32_t> raster;
  try {
    raster.resize(std::size_t(width) * height);
  } catch (const std::bad_alloc&) {
    TIFFRGBAImageEnd(&reader);
    return failure(kImageTooLargeErr, source, "no memory for its pixels");
  }
  const bool read = TIFFRGBAImageGet(&reader, raster.data(), width, height) != 0;
  const bool alpha = reader.alpha != 0;
  TIFFRGBAImageEnd(&reader);
  if (!read) return failure(kImageDataErr, source, "cannot be decoded: %s", file.error);
  image.hasAlpha = alpha;
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* pixel = view.row(static_cast<int>(y));
    const std::uint32_t* in = raster.data() + std::size_t(y) * width;
    for (std::uint32_t x = 0; x < width; ++x, pixel += 4) {
      const std::uint32_t p = in[x];
      const auto a = static_cast<std::uint8_t>(TIFFGetA(p));
      pixel[kAlphaByte] = alpha ? invertAlpha(a) : 0;
      pixel[kRedByte] = alpha ? unpremultiply(static_cast<std::uint8_t>(TIFFGetR(p)), a) : TIFFGetR(p);
      pixel[kGreenByte] = alpha ? unpremultiply(static_cast<std::uint8_t>(TIFFGetG(p)), a) : TIFFGetG(p);
      pixel[kBlueByte] = alpha ? unpremultiply(static_cast<std::uint8_t>(TIFFGetB(p)), a) : TIFFGetB(p);
    }
  }
  return noErr;
}

}  // namespace

OSErr decodeTiff(std::span<const std::uint8_t> bytes, DecodedImage& image, const DecodeOptions& options,
                 std::string_view source) noexcept {
  image = DecodedImage{};
  MemoryFile file{bytes.data(), bytes.size()};
  const TiffPtr tif = openTiff(file, "r", allocationLimit(options));
  if (!tif) return failure(kImageDataErr, source, "not a readable TIFF file: %s", file.error);
  std::uint32_t width = 0, height = 0;
  if (TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) != 1 ||
      TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) != 1)
    return failure(kImageDataErr, source, "the TIFF file gives no picture size");
  if (const OSErr error = checkImageSize(width, height, options, source); error != noErr) return error;

  Layout layout;
  layout.width = static_cast<int>(width);
  layout.height = static_cast<int>(height);
  const bool ownReader = sampleLayout(tif.get(), layout);
  image.model = layout.photometric == PHOTOMETRIC_SEPARATED ? SourceColourModel::cmyk
                : layout.photometric == PHOTOMETRIC_MINISBLACK || layout.photometric == PHOTOMETRIC_MINISWHITE
                    ? SourceColourModel::grey
                    : SourceColourModel::rgb;

  std::uint32_t profileLength = 0;
  void* profile = nullptr;
  if (TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &profileLength, &profile) == 1 && profile && profileLength > 0) {
    const auto* p = static_cast<const std::uint8_t*>(profile);
    image.iccProfile.assign(p, p + profileLength);
  }
  std::uint16_t unit = RESUNIT_INCH, orientation = 0;
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
  image.xResolution = resolutionDpi(tif.get(), TIFFTAG_XRESOLUTION, unit);
  image.yResolution = resolutionDpi(tif.get(), TIFFTAG_YRESOLUTION, unit);
  if (TIFFGetField(tif.get(), TIFFTAG_ORIENTATION, &orientation) == 1) image.exifOrientation = orientation;

  if (const OSErr error = makeImageOffscreen(layout.width, layout.height, image, source); error != noErr) return error;
  OSErr error = noErr;
  if (ownReader) {
    image.hasAlpha = layout.alphaSample >= 0;
    error = TIFFIsTiled(tif.get()) ? readTiles(tif.get(), layout, image, file, source, allocationLimit(options))
                                   : readScanlines(tif.get(), layout, image, file, source);
  } else {
    if (image.model == SourceColourModel::cmyk) image.model = SourceColourModel::rgb;  // libtiff converts it
    error = readThroughRgba(tif.get(), image, file, source);
  }
  if (error == noErr && options.halfSize) error = halveDecodedImage(image, source);
  if (error != noErr) image = DecodedImage{};
  return error;
}

bool isCameraRawTiff(std::span<const std::uint8_t> bytes) noexcept {
  MemoryFile file{bytes.data(), bytes.size()};
  const TiffPtr tif = openTiff(file, "r", 16 << 20);
  if (!tif) return false;
  std::uint16_t photometric = 0;
  std::uint32_t subfileType = 0;
  void* version = nullptr;
  std::uint16_t subIfdCount = 0;
  void* subIfds = nullptr;
  if (TIFFGetField(tif.get(), TIFFTAG_DNGVERSION, &version) == 1) return true;
  if (TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric) == 1 &&
      (photometric == PHOTOMETRIC_CFA || photometric == kPhotometricLinearRaw))
    return true;
  return TIFFGetField(tif.get(), TIFFTAG_SUBFILETYPE, &subfileType) == 1 && (subfileType & FILETYPE_REDUCEDIMAGE) &&
         TIFFGetField(tif.get(), TIFFTAG_SUBIFD, &subIfdCount, &subIfds) == 1 && subIfdCount > 0;
}

OSErr encodeTiff(const Offscreen& image, const EncodeOptions& options, Bytes& out,
                 std::string_view destination) noexcept {
  out.clear();
  MemoryFile file;
  file.out = &out;
  const int width = image.width(), height = image.height();
  {
    const TiffPtr tif = openTiff(file, "w", 256 << 20);
    if (!tif) return failure(ioErr, destination, "cannot start a TIFF file: %s", file.error);
    TIFF* t = tif.get();
    const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    const float dpi = static_cast<float>(options.dpi > 0 ? options.dpi : 72);
    bool ok = TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width)) &&
              TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height)) &&
              TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4) && TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8) &&
              TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra) &&
              TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
              TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0)) &&
              TIFFSetField(t, TIFFTAG_XRESOLUTION, dpi) && TIFFSetField(t, TIFFTAG_YRESOLUTION, dpi) &&
              TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (ok && !options.iccProfile.empty())
      ok = TIFFSetField(t, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(options.iccProfile.size()),
                        options.iccProfile.data());
    if (!ok) return failure(ioErr, destination, "the TIFF fields cannot be set: %s", file.error);

    std::vector<std::uint8_t> row;
    try {
      row.resize(std::size_t(width) * 4);
    } catch (const std::bad_alloc&) {
      return failure(memFullErr, destination, "no memory for a row");
    }
    const PixView view = image.view();
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* in = view.row(y);
      for (int x = 0; x < width; ++x, in += 4) {
        row[std::size_t(x) * 4 + 0] = in[kRedByte];
        row[std::size_t(x) * 4 + 1] = in[kGreenByte];
        row[std::size_t(x) * 4 + 2] = in[kBlueByte];
        row[std::size_t(x) * 4 + 3] = invertAlpha(in[kAlphaByte]);
      }
      if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) < 0)
        return failure(ioErr, destination, "row %d cannot be written: %s", y, file.error);
    }
    if (!TIFFWriteDirectory(t))
      return failure(ioErr, destination, "the TIFF directory cannot be written: %s", file.error);
  }
  if (file.error[0] != '\0') return failure(ioErr, destination, "TIFF writing failed: %s", file.error);
  return noErr;
}

}  // namespace vorl::codec
