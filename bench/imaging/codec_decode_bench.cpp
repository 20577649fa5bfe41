// Decoding a 24-megapixel photograph (6000 x 4000, quality 92, 4:2:0), as the print road does for every job
// picture: from the file into a new offscreen. The JPEG is made here by our encoder from a synthetic photo (ramps,
// texture and noise, so the entropy coder has real work) and kept at $VORL_DECODE_BENCH_FILE (default
// $TMPDIR/vorl-decode-24mp.jpg). Beside it, in the same process: libjpeg-turbo reading the same file and
// writing the same rows into a whole picture (what bench/compare_decode.sh compares with), libjpeg-turbo into one
// reused RGB row, the new offscreen alone (which every decode makes), and a memcpy of the offscreen's bytes as the
// floor.
#include <benchmark/benchmark.h>

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/image_file_codec.h"
#include "imaging/offscreens/offscreen.h"

namespace {

using namespace vorl;

constexpr int kWidth = 6000, kHeight = 4000;

std::filesystem::path benchFile() {
  if (const char* file = std::getenv("VORL_DECODE_BENCH_FILE")) return file;
  const char* tmp = std::getenv("TMPDIR");
  return std::filesystem::path(tmp ? tmp : "/tmp") / "vorl-decode-24mp.jpg";
}

// Made once per process.
const std::filesystem::path& photoFile() {
  static const std::filesystem::path file = [] {
    const std::filesystem::path path = benchFile();
    const Rect bounds = makeRect(0, 0, kHeight, kWidth);
    OffscreenPtr photo{myNewGWorld(&bounds)};
    std::uint32_t noise = 2024;
    const PixView view = photo->view();
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const int grain = static_cast<int>(noise >> 28) - 8;
        std::uint8_t* p = view.localPixel(x, y);
        const double texture = 40 * std::sin(x * 0.05) * std::cos(y * 0.031);
        p[kRedByte] = static_cast<std::uint8_t>(std::clamp(x * 200 / kWidth + 30 + grain + int(texture), 0, 255));
        p[kGreenByte] = static_cast<std::uint8_t>(std::clamp(y * 180 / kHeight + 40 + grain, 0, 255));
        p[kBlueByte] = static_cast<std::uint8_t>(std::clamp(128 + int(texture * 2) - grain, 0, 255));
      }
    if (encodeImageFile(*photo, path, ImageFileType::jpeg, {.dpi = 300, .quality = 92}) != noErr) std::abort();
    // A file asked for by name stays for the comparison script; the default one goes with the process.
    if (!std::getenv("VORL_DECODE_BENCH_FILE")) std::atexit([] { std::filesystem::remove(benchFile()); });
    return path;
  }();
  return file;
}

void BM_DecodeJpeg24MP_IntoOffscreen(benchmark::State& state) {
  const auto& file = photoFile();
  const DecodeOptions options{.halfSize = state.range(0) != 0};
  for (auto _ : state) {
    DecodedImage image;
    if (decodeImageFile(file, image, options) != noErr) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image.pixels->baseAddr());
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 4);
}
BENCHMARK(BM_DecodeJpeg24MP_IntoOffscreen)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg-turbo alone, djpeg's defaults (integer DCT, fancy upsampling), RGB into one reused row.
void BM_LibjpegTurbo24MP_IntoOneRow(benchmark::State& state) {
  std::ifstream in(photoFile(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::uint8_t> row(std::size_t(kWidth) * 3);
  for (auto _ : state) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
      JSAMPROW r = row.data();
      jpeg_read_scanlines(&info, &r, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(row.data());
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 4);
}
BENCHMARK(BM_LibjpegTurbo24MP_IntoOneRow)->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg-turbo alone writing the rows ours writes: the file read into memory, then decoded as X, R, G, B pixels
// (the X byte cleared, as ours clears the alpha) into a new picture of the whole size. Like with like for
// BM_DecodeJpeg24MP_IntoOffscreen/0, in the same process.
void BM_LibjpegTurbo24MP_IntoWholePicture(benchmark::State& state) {
  const auto& file = photoFile();
  for (auto _ : state) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    std::vector<char> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_XRGB;
    jpeg_start_decompress(&info);
    const std::size_t rowBytes = std::size_t(info.output_width) * 4;
    std::unique_ptr<std::uint8_t[]> picture(new std::uint8_t[rowBytes * info.output_height]);
    while (info.output_scanline < info.output_height) {
      JSAMPROW r = picture.get() + rowBytes * info.output_scanline;
      const JDIMENSION got = jpeg_read_scanlines(&info, &r, 1);
      for (JDIMENSION x = 0; got == 1 && x < info.output_width; ++x) r[x * 4] = 0;
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(picture.get());
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 4);
}
BENCHMARK(BM_LibjpegTurbo24MP_IntoWholePicture)->Unit(benchmark::kMillisecond)->UseRealTime();

// The new offscreen alone (white fill and the first touch of its pages): part of every decode above.
void BM_NewOffscreen24MP(benchmark::State& state) {
  const Rect bounds = makeRect(0, 0, kHeight, kWidth);
  for (auto _ : state) {
    OffscreenPtr offscreen{myNewGWorld(&bounds)};
    benchmark::DoNotOptimize(offscreen->baseAddr());
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 4);
}
BENCHMARK(BM_NewOffscreen24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Memcpy24MP_Offscreen(benchmark::State& state) {
  std::vector<std::uint8_t> from(std::size_t(kWidth) * kHeight * 4, 7), to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t(from.size()));
}
BENCHMARK(BM_Memcpy24MP_Offscreen)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
