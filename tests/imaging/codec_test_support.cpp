// Helpers for the image-codec tests.
#include "tests/imaging/codec_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/system/command_runner.h"

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

}  // namespace vorl::test
