// Writes the starting inputs of the image-codec fuzz targets: small valid files of each kind, in the layouts the
// readers take different roads for (progressive, grey and CMYK JPEGs; 16-bit, grey, CMYK, planar, palette and
// tiled TIFFs; grey, palette, 16-bit and interlaced PNGs; a DNG; Photoshop files), with profiles and orientation.
// Usage: image_seed_writer <folder>   (makes <folder>/jpeg, tiff, png, raw and psd)
#include <cstdio>  // jpeglib.h needs FILE and size_t

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/codecs/image_file_codec.h"
#include "imaging/offscreens/offscreen.h"
#include "tests/imaging/codec_fixtures.h"

namespace {

using namespace vorl;
namespace fs = std::filesystem;

constexpr int kWidth = 19, kHeight = 13;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "image_seed_writer: %s failed\n", what);
    std::exit(1);
  }
}

// The picture's R, G, B samples, rows packed.
std::vector<std::uint8_t> rgbOf(const Offscreen& picture) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const std::uint8_t* p = picture.view().localPixel(x, y);
      rgb.insert(rgb.end(), {p[kRedByte], p[kGreenByte], p[kBlueByte]});
    }
  return rgb;
}

enum class JpegKind { progressive, grey, adobeCmyk, restart };

void writeJpeg(const fs::path& file, const std::vector<std::uint8_t>& rgb, JpegKind kind) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  FILE* out = std::fopen(file.c_str(), "wb");
  check(out != nullptr, "opening a JPEG seed");
  jpeg_stdio_dest(&info, out);
  info.image_width = kWidth;
  info.image_height = kHeight;
  const bool cmyk = kind == JpegKind::adobeCmyk, grey = kind == JpegKind::grey;
  info.input_components = cmyk ? 4 : grey ? 1 : 3;
  info.in_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  if (kind == JpegKind::progressive) jpeg_simple_progression(&info);
  if (kind == JpegKind::restart) info.restart_in_rows = 1;
  jpeg_start_compress(&info, TRUE);
  std::vector<std::uint8_t> row(std::size_t(kWidth) * 4);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* p = &rgb[(std::size_t(y) * kWidth + x) * 3];
      if (cmyk)
        for (int c = 0; c < 4; ++c) row[std::size_t(x) * 4 + c] = c < 3 ? p[c] : 40;
      else if (grey)
        row[std::size_t(x)] = p[1];
      else
        for (int c = 0; c < 3; ++c) row[std::size_t(x) * 3 + c] = p[c];
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(out);
}

struct TiffKind {
  const char* name;
  int samples, bits;
  std::uint16_t photometric, planar;
  bool tiled;
};

void writeTiff(const fs::path& file, const std::vector<std::uint8_t>& rgb, const TiffKind& kind) {
  TIFF* tif = TIFFOpen(file.c_str(), "w");
  check(tif != nullptr, "opening a TIFF seed");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, kind.samples);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, kind.bits);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, kind.photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, kind.planar);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_RIGHTTOP);
  if (kind.photometric == PHOTOMETRIC_PALETTE) {
    std::vector<std::uint16_t> map(256u << kind.bits);
    for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint16_t>(i * 4099);
    TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
  }
  const auto sampleOf = [&](int x, int y, int s) -> std::uint32_t {
    const std::uint8_t v = rgb[(std::size_t(y) * kWidth + x) * 3 + std::size_t(s % 3)];
    return kind.bits == 16 ? v * 257u : v;
  };
  const int planes = kind.planar == PLANARCONFIG_SEPARATE ? kind.samples : 1;
  const int perPixel = planes == 1 ? kind.samples : 1;
  const int byteSize = kind.bits / 8;
  if (kind.tiled) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    std::vector<std::uint8_t> tile(std::size_t(16) * 16 * kind.samples * byteSize);
    for (int ty = 0; ty < kHeight; ty += 16)
      for (int tx = 0; tx < kWidth; tx += 16) {
        std::fill(tile.begin(), tile.end(), 0);
        for (int y = ty; y < std::min(ty + 16, kHeight); ++y)
          for (int x = tx; x < std::min(tx + 16, kWidth); ++x)
            for (int s = 0; s < kind.samples; ++s)
              tile[((std::size_t(y - ty) * 16 + (x - tx)) * kind.samples + s) * byteSize] =
                  static_cast<std::uint8_t>(sampleOf(x, y, s));
        TIFFWriteTile(tif, tile.data(), std::uint32_t(tx), std::uint32_t(ty), 0, 0);
      }
  } else {
    std::vector<std::uint8_t> row(std::size_t(kWidth) * kind.samples * 2);
    for (int plane = 0; plane < planes; ++plane)
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
          for (int s = 0; s < perPixel; ++s) {
            const std::uint32_t v = sampleOf(x, y, planes == 1 ? s : plane);
            const std::size_t i = std::size_t(x) * perPixel + s;
            if (kind.bits == 16) {
              const auto v16 = static_cast<std::uint16_t>(v);
              std::memcpy(&row[i * 2], &v16, 2);
            } else {
              row[i] = static_cast<std::uint8_t>(v);
            }
          }
        TIFFWriteScanline(tif, row.data(), std::uint32_t(y), std::uint16_t(plane));
      }
  }
  TIFFClose(tif);
}

void writePng(const fs::path& file, const std::vector<std::uint8_t>& rgb, int colourType, int bitDepth,
              bool interlaced) {
  FILE* out = std::fopen(file.c_str(), "wb");
  check(out != nullptr, "opening a PNG seed");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) check(false, "writing a PNG seed");
  png_init_io(png, out);
  png_set_IHDR(png, info, kWidth, kHeight, bitDepth, colourType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    png_color palette[16];
    png_byte alpha[16];
    for (int i = 0; i < 16; ++i) {
      palette[i] = {png_byte(i * 16), png_byte(255 - i * 16), png_byte(i * 5)};
      alpha[i] = png_byte(i * 17);
    }
    png_set_PLTE(png, info, palette, 16);
    png_set_tRNS(png, info, alpha, 16, nullptr);
  }
  png_byte exif[] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0};
  png_set_eXIf_1(png, info, sizeof exif, exif);
  png_write_info(png, info);
  const int channels = colourType == PNG_COLOR_TYPE_RGB ? 3 : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2 : 1;
  std::vector<std::vector<png_byte>> rows(kHeight, std::vector<png_byte>(std::size_t(kWidth) * channels * 2));
  std::vector<png_bytep> pointers;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x)
      for (int c = 0; c < channels; ++c) {
        const std::uint8_t v = rgb[(std::size_t(y) * kWidth + x) * 3 + std::size_t(c)];
        if (bitDepth == 16) {
          rows[y][(std::size_t(x) * channels + c) * 2] = v;
          rows[y][(std::size_t(x) * channels + c) * 2 + 1] = png_byte(x);
        } else if (bitDepth < 8) {
          if (c == 0 && (v >> 7)) rows[y][std::size_t(x) / 8] |= png_byte(0x80 >> (x % 8));
        } else {
          rows[y][std::size_t(x) * channels + c] = colourType == PNG_COLOR_TYPE_PALETTE ? png_byte(v % 16) : v;
        }
      }
    pointers.push_back(rows[y].data());
  }
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(out);
}

int gWritten = 0;

void ours(const Offscreen& picture, const fs::path& file, ImageFileType type, const EncodeOptions& options) {
  check(encodeImageFile(picture, file, type, options) == noErr, "our encoder");
  ++gWritten;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const fs::path root(argv[1]);
  for (const char* kind : {"jpeg", "tiff", "png", "raw", "psd"}) fs::create_directories(root / kind);
  const OffscreenPtr photo = test::makePhoto(kWidth, kHeight, true);
  const std::vector<std::uint8_t> rgb = rgbOf(*photo), profile = test::makeSrgbProfile();
  const EncodeOptions withProfile{.dpi = 300, .quality = 80, .iccProfile = profile};

  ours(*photo, root / "jpeg" / "ours.jpg", ImageFileType::jpeg, withProfile);
  for (const auto& [name, kind] : {std::pair{"progressive.jpg", JpegKind::progressive},
                                   {"grey.jpg", JpegKind::grey},
                                   {"cmyk.jpg", JpegKind::adobeCmyk},
                                   {"restart.jpg", JpegKind::restart}}) {
    writeJpeg(root / "jpeg" / name, rgb, kind);
    ++gWritten;
  }

  ours(*photo, root / "tiff" / "ours.tif", ImageFileType::tiffLzw, withProfile);
  const TiffKind tiffs[] = {
      {"rgb16.tif", 3, 16, PHOTOMETRIC_RGB, PLANARCONFIG_CONTIG, false},
      {"grey.tif", 1, 8, PHOTOMETRIC_MINISBLACK, PLANARCONFIG_CONTIG, false},
      {"white-is-zero16.tif", 1, 16, PHOTOMETRIC_MINISWHITE, PLANARCONFIG_CONTIG, false},
      {"cmyk.tif", 4, 8, PHOTOMETRIC_SEPARATED, PLANARCONFIG_CONTIG, false},
      {"planar.tif", 3, 8, PHOTOMETRIC_RGB, PLANARCONFIG_SEPARATE, false},
      {"palette.tif", 1, 8, PHOTOMETRIC_PALETTE, PLANARCONFIG_CONTIG, false},
      {"tiled.tif", 3, 8, PHOTOMETRIC_RGB, PLANARCONFIG_CONTIG, true},
  };
  for (const auto& kind : tiffs) {
    writeTiff(root / "tiff" / kind.name, rgb, kind);
    ++gWritten;
  }

  ours(*photo, root / "png" / "ours.png", ImageFileType::png, withProfile);
  writePng(root / "png" / "grey1.png", rgb, PNG_COLOR_TYPE_GRAY, 1, false);
  writePng(root / "png" / "grey-alpha.png", rgb, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false);
  writePng(root / "png" / "palette.png", rgb, PNG_COLOR_TYPE_PALETTE, 8, false);
  writePng(root / "png" / "rgb16-interlaced.png", rgb, PNG_COLOR_TYPE_RGB, 16, true);
  gWritten += 4;

  test::writeSmallDng(root / "raw" / "small.dng", 16, 12, 6);
  ++gWritten;

  ours(*photo, root / "psd" / "ours.psd", ImageFileType::photoshop, withProfile);
  std::printf("image_seed_writer: %d seeds in %s\n", gWritten, root.c_str());
  return 0;
}
