// Helpers for the image-codec tests.
#include "tests/imaging/codec_test_support.h"

#include <gtest/gtest.h>
#include <lcms2.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/command_runner.h"

namespace vorl::test {

namespace {

// Reads one whitespace-separated token of a netpbm header, skipping comments.
std::string headerToken(std::string_view bytes, std::size_t& at) {
  for (;;) {
    while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
    if (at < bytes.size() && bytes[at] == '#') {
      while (at < bytes.size() && bytes[at] != '\n') ++at;
      continue;
    }
    break;
  }
  const std::size_t start = at;
  while (at < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
  return std::string(bytes.substr(start, at - start));
}

}  // namespace

Raster parsePnm(std::string_view bytes) {
  Raster r;
  std::size_t at = 0;
  const std::string magic = headerToken(bytes, at);
  if (magic == "P7") {
    for (std::string token = headerToken(bytes, at); token != "ENDHDR"; token = headerToken(bytes, at)) {
      if (token.empty()) throw std::runtime_error("PAM header without ENDHDR");
      if (token == "WIDTH") r.width = std::stoi(headerToken(bytes, at));
      if (token == "HEIGHT") r.height = std::stoi(headerToken(bytes, at));
      if (token == "DEPTH") r.channels = std::stoi(headerToken(bytes, at));
      if (token == "MAXVAL") r.maxval = std::stoi(headerToken(bytes, at));
    }
  } else if (magic == "P5" || magic == "P6") {
    r.channels = magic == "P5" ? 1 : 3;
    r.width = std::stoi(headerToken(bytes, at));
    r.height = std::stoi(headerToken(bytes, at));
    r.maxval = std::stoi(headerToken(bytes, at));
  } else if (magic == "P4") {  // a bitmap: bit 1 is black, value 0
    r.channels = 1;
    r.maxval = 1;
    r.width = std::stoi(headerToken(bytes, at));
    r.height = std::stoi(headerToken(bytes, at));
    ++at;
    const std::size_t rowBytes = (std::size_t(r.width) + 7) / 8;
    if (bytes.size() < at + rowBytes * r.height) throw std::runtime_error("PBM file shorter than its header says");
    for (int y = 0; y < r.height; ++y)
      for (int x = 0; x < r.width; ++x)
        r.samples.push_back((static_cast<std::uint8_t>(bytes[at + y * rowBytes + x / 8]) >> (7 - x % 8)) & 1 ? 0 : 1);
    return r;
  } else {
    throw std::runtime_error("not a binary netpbm file: " + magic);
  }
  ++at;  // the one whitespace byte after the header
  const std::size_t count = std::size_t(r.width) * r.height * r.channels;
  const std::size_t size = r.maxval > 255 ? 2 : 1;
  if (bytes.size() < at + count * size) throw std::runtime_error("netpbm file shorter than its header says");
  r.samples.resize(count);
  for (std::size_t i = 0; i < count; ++i)
    r.samples[i] = size == 1 ? static_cast<std::uint8_t>(bytes[at + i])
                             : static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at + 2 * i]) << 8 |
                                                          static_cast<std::uint8_t>(bytes[at + 2 * i + 1]));
  return r;
}

std::string pnmBytes(const Raster& r) {
  std::ostringstream out;
  if (r.channels == 2 || r.channels == 4)
    out << "P7\nWIDTH " << r.width << "\nHEIGHT " << r.height << "\nDEPTH " << r.channels << "\nMAXVAL " << r.maxval
        << "\nTUPLTYPE " << (r.channels == 2 ? "GRAYSCALE_ALPHA" : "RGB_ALPHA") << "\nENDHDR\n";
  else
    out << (r.channels == 1 ? "P5" : "P6") << '\n' << r.width << ' ' << r.height << '\n' << r.maxval << '\n';
  for (const std::uint16_t v : r.samples) {
    if (r.maxval > 255) out.put(static_cast<char>(v >> 8));
    out.put(static_cast<char>(v & 0xFF));
  }
  return out.str();
}

Raster offscreenRaster(const Offscreen& offscreen, bool withFileAlpha) {
  Raster r;
  const PixView view = offscreen.view();
  r.width = view.width();
  r.height = view.height();
  r.channels = withFileAlpha ? 4 : 3;
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x) {
      const std::uint8_t* p = view.localPixel(x, y);
      r.samples.insert(r.samples.end(), {p[kRedByte], p[kGreenByte], p[kBlueByte]});
      if (withFileAlpha) r.samples.push_back(static_cast<std::uint16_t>(255 - p[kAlphaByte]));
    }
  return r;
}

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

std::string toolOutput(const std::vector<std::string>& arguments) {
  const CommandResult result = runCommand(arguments);
  if (!result.succeeded()) {
    std::string line;
    for (const auto& a : arguments) line += a + ' ';
    ADD_FAILURE() << line << "-> " << describeOutcome(result) << ": " << result.standardError;
  }
  return result.standardOutput;
}

bool toolSucceeds(const std::vector<std::string>& arguments) { return runCommand(arguments).succeeded(); }

std::string readFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFileBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> asBytes(std::string_view text) { return {text.begin(), text.end()}; }

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
