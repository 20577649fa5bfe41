// Shared pieces of the codec files.
#include "imaging/codecs/codec_support.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <new>
#include <string>

#include "imaging/offscreens/memory_budget.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace vorl::codec {

namespace {

// Larger files are not read into memory: no image we accept needs more (2^28 pixels of 16-bit RGBA is 2 GiB,
// but such files come compressed).
constexpr std::uint64_t kMaxImageFileBytes = std::uint64_t{1} << 30;

}  // namespace

OSErr failure(OSErr code, std::string_view source, const char* format, ...) noexcept {
  char why[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(why, sizeof why, format, arguments);
  va_end(arguments);
  if (code == noErr)  // a remark: the file is still read
    systemLogf("Image file %.*s: %s", static_cast<int>(source.size()), source.data(), why);
  else
    systemLogf("Image file %.*s: %s (error %d)", static_cast<int>(source.size()), source.data(), why, code);
  return code;
}

OSErr checkImageSize(std::int64_t width, std::int64_t height, const DecodeOptions& options, std::string_view source,
                     const DeclaredSizeEvidence& evidence) noexcept {
  if (width <= 0 || height <= 0)
    return failure(kImageDataErr, source, "the image claims a size of %lld x %lld", static_cast<long long>(width),
                   static_cast<long long>(height));
  if (width > kMaxOffscreenSide || height > kMaxOffscreenSide)
    return failure(kImageTooLargeErr, source, "%lld x %lld pixels: a side is longer than %d",
                   static_cast<long long>(width), static_cast<long long>(height), kMaxOffscreenSide);
  const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  if (pixels > options.maxPixels)
    return failure(kImageTooLargeErr, source, "%lld x %lld pixels are more than the %llu taken",
                   static_cast<long long>(width), static_cast<long long>(height),
                   static_cast<unsigned long long>(options.maxPixels));
  if (evidence.mostPixelsPerByte > 0 && pixels / evidence.mostPixelsPerByte > evidence.dataBytes)
    return failure(kImageDataErr, source, "declares %lld x %lld pixels, more than its %llu bytes of picture can hold",
                   static_cast<long long>(width), static_cast<long long>(height),
                   static_cast<unsigned long long>(evidence.dataBytes));
  const std::uint64_t bytes = pixels * (kBytesPerPixel + evidence.decoderBytesPerPixel);
  try {
    const std::string name = std::filesystem::path(source).filename().string();
    if (!fitsJobMemoryBudget(bytes, width, height, "picture", name))
      return failure(kImageTooLargeErr, source, "%lld x %lld pixels need more memory than one job may take",
                     static_cast<long long>(width), static_cast<long long>(height));
  } catch (const std::exception&) {
    return failure(kImageTooLargeErr, source, "no memory to judge its size");
  }
  return noErr;
}

OSErr makeImageOffscreen(int width, int height, DecodedImage& image, std::string_view source) noexcept {
  const Rect bounds = makeRect(0, 0, height, width);
  image.pixels.reset(myNewGWorld(&bounds));
  if (!image.pixels)
    return failure(kImageTooLargeErr, source, "no memory for an offscreen of %d x %d pixels", width, height);
  return noErr;
}

OSErr halveDecodedImage(DecodedImage& image, std::string_view source) noexcept {
  if (!image.pixels) return paramErr;
  const PixView from = image.pixels->view();
  const int width = from.width(), height = from.height();
  const int halfWidth = halfSide(width), halfHeight = halfSide(height);
  DecodedImage half;
  if (const OSErr error = makeImageOffscreen(halfWidth, halfHeight, half, source); error != noErr) return error;
  const PixView to = half.pixels->view();

  // Averages the 2 x 2 block at (2x, 2y) of `channels`-byte pixels, rows `stride` apart.
  const auto average = [](const std::uint8_t* base, std::ptrdiff_t stride, int channels, int x, int y, int width,
                          int height, int channel) {
    const int x1 = x * 2 + 1 < width ? x * 2 + 1 : x * 2;
    const int y1 = y * 2 + 1 < height ? y * 2 + 1 : y * 2;
    const auto at = [&](int px, int py) { return unsigned{base[py * stride + px * channels + channel]}; };
    return static_cast<std::uint8_t>((at(x * 2, y * 2) + at(x1, y * 2) + at(x * 2, y1) + at(x1, y1) + 2) / 4);
  };
  for (int y = 0; y < halfHeight; ++y)
    for (int x = 0; x < halfWidth; ++x)
      for (int c = 0; c < 4; ++c)
        to.localPixel(x, y)[c] = average(from.row(0), from.rowBytes(), 4, x, y, width, height, c);

  if (!image.cmykSamples.empty()) {
    try {
      half.cmykSamples.resize(std::size_t(halfWidth) * halfHeight * 4);
    } catch (const std::bad_alloc&) {
      return failure(kImageTooLargeErr, source, "no memory for the halved CMYK samples");
    }
    for (int y = 0; y < halfHeight; ++y)
      for (int x = 0; x < halfWidth; ++x)
        for (int c = 0; c < 4; ++c)
          half.cmykSamples[(std::size_t(y) * halfWidth + x) * 4 + c] =
              average(image.cmykSamples.data(), std::ptrdiff_t{width} * 4, 4, x, y, width, height, c);
  }
  image.pixels = std::move(half.pixels);
  image.cmykSamples = std::move(half.cmykSamples);
  return noErr;
}

void cmykToOffscreen(const std::uint8_t* cmyk, Offscreen& offscreen) noexcept {
  const PixView view = offscreen.view();
  const int width = view.width();
  for (int y = 0; y < view.height(); ++y) {
    const std::uint8_t* in = cmyk + std::size_t(y) * width * 4;
    std::uint8_t* out = view.row(y);
    for (int x = 0; x < width; ++x, in += 4, out += 4) {
      const unsigned white = 255u - in[3];
      out[kRedByte] = static_cast<std::uint8_t>(white * (255u - in[0]) / 255u);
      out[kGreenByte] = static_cast<std::uint8_t>(white * (255u - in[1]) / 255u);
      out[kBlueByte] = static_cast<std::uint8_t>(white * (255u - in[2]) / 255u);
    }
  }
}

OSErr readWholeFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes) noexcept {
  const std::string name = file.string();
  ReadOnlyFile input;
  if (const OSErr error = input.open(file); error != noErr)
    return failure(error, name, error == fnfErr ? "no such file" : "cannot be opened as a regular file");
  struct stat info {};
  if (::fstat(input.fd(), &info) != 0) return failure(ioErr, name, "its size cannot be read");
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (size == 0) return failure(kImageDataErr, name, "the file is empty");
  if (size > kMaxImageFileBytes)
    return failure(kImageTooLargeErr, name, "%llu bytes are more than an image file is read for",
                   static_cast<unsigned long long>(size));
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return failure(kImageTooLargeErr, name, "no memory for its %llu bytes", static_cast<unsigned long long>(size));
  }
  std::size_t have = 0;
  while (have < bytes.size()) {
    std::size_t count = 0;
    if (const OSErr error = input.read(std::span(bytes).subspan(have), count); error != noErr)
      return failure(error, name, "reading failed");
    if (count == 0) break;  // shrank while being read
    have += count;
  }
  bytes.resize(have);
  if (have == 0) return failure(kImageDataErr, name, "the file is empty");
  return noErr;
}

OSErr writeWholeFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) noexcept {
  try {
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    TempFile temp;
    if (const OSErr error = temp.open(folder); error != noErr)
      return failure(error, file.string(), "no temporary file can be made in its folder");
    if (const OSErr error = temp.write(bytes); error != noErr) return failure(error, file.string(), "writing failed");
    if (const OSErr error = temp.commit(folder / file.filename(), true); error != noErr)
      return failure(error, file.string(), "the written file could not take its name");
    return noErr;
  } catch (const std::exception& e) {
    return failure(ioErr, file.string(), "%s", e.what());
  }
}

}  // namespace vorl::codec
