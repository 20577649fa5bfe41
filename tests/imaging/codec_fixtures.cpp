// Pictures and files for the codec tests and fuzz seeds.
#include "tests/imaging/codec_fixtures.h"

#include <lcms2.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace vorl::test {

OffscreenPtr makePhoto(int width, int height, bool alphaPattern) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr photo{myNewGWorld(&bounds)};
  if (!photo) throw std::runtime_error("no offscreen");
  const PixView view = photo->view();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = view.localPixel(x, y);
      p[kAlphaByte] = alphaPattern ? static_cast<std::uint8_t>((x * 37 + y * 11) % 256) : 0;
      p[kRedByte] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
      p[kGreenByte] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
      p[kBlueByte] = static_cast<std::uint8_t>(128 + 60 * std::sin(x * 0.3) * std::cos(y * 0.2));
    }
  return photo;
}

namespace {

std::vector<std::uint8_t> saved(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<std::uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

}  // namespace

std::vector<std::uint8_t> makeSrgbProfile() { return saved(cmsCreate_sRGBProfile()); }

std::vector<std::uint8_t> makeGammaRgbProfile() {
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE rgb = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(gamma);
  return saved(rgb);
}

void writeSmallDng(const std::filesystem::path& file, int width, int height, int orientation) {
  TIFF* tif = TIFFOpen(file.c_str(), "w");
  if (!tif) throw std::runtime_error("cannot write the DNG");
  const std::uint8_t version[4] = {1, 4, 0, 0}, backward[4] = {1, 1, 0, 0};
  const std::uint16_t patternSize[2] = {2, 2};
  const std::uint8_t pattern[4] = {0, 1, 1, 2};  // R G / G B
  // The sRGB primaries' XYZ (D65) -> linear RGB matrix: the "camera" sees sRGB.
  const float colourMatrix[9] = {3.2406f, -1.5372f, -0.4986f, -0.9689f, 1.8758f, 0.0415f, 0.0557f, -0.2040f, 1.0570f};
  const float neutral[3] = {1.0f, 1.0f, 1.0f};
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CFA);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
  TIFFSetField(tif, TIFFTAG_MAKE, "Vorl");
  TIFFSetField(tif, TIFFTAG_MODEL, "Test Camera");
  TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, patternSize);
  TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
  TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
  TIFFSetField(tif, TIFFTAG_DNGBACKWARDVERSION, backward);
  TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Vorl Test Camera");
  TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, colourMatrix);
  TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);
  TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
  std::vector<std::uint16_t> row(static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // A scene of ramps sampled through the RGGB mosaic.
      const int colour = (y % 2) * 2 + (x % 2);  // 0 R, 1 and 2 G, 3 B
      const double r = double(x) / width, g = double(y) / height, b = 0.5 + 0.4 * std::sin(x * 0.2);
      const double v = colour == 0 ? r : colour == 3 ? b : g;
      row[std::size_t(x)] = static_cast<std::uint16_t>(std::clamp(v, 0.0, 1.0) * 60000 + 1000);
    }
    TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0);
  }
  TIFFClose(tif);
}

}  // namespace vorl::test
