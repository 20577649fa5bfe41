// Reading stored records: converting the byte order of the largest record a job carries, against a memcpy of
// the same bytes (the floor); and Mac Roman text to UTF-8, against glibc's iconv doing the same conversion.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstring>
#include <memory>
#include <string>

#include "foundation/records/record_byte_order.h"
#include "platform/text/mac_roman.h"

namespace {

using vorl::tColorSyncPrefs;

void BM_MemcpyColorSyncPrefs(benchmark::State& state) {
  auto source = std::make_unique<tColorSyncPrefs>();
  auto destination = std::make_unique<tColorSyncPrefs>();
  for (auto _ : state) {
    std::memcpy(destination.get(), source.get(), sizeof(tColorSyncPrefs));
    benchmark::DoNotOptimize(destination.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * sizeof(tColorSyncPrefs));
}
BENCHMARK(BM_MemcpyColorSyncPrefs);

void BM_SwapColorSyncPrefs(benchmark::State& state) {
  auto record = std::make_unique<tColorSyncPrefs>();
  for (auto _ : state) {
    vorl::swapFromHost_MyColorSyncPrefs(*record, true);
    benchmark::DoNotOptimize(record.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * sizeof(tColorSyncPrefs));
}
BENCHMARK(BM_SwapColorSyncPrefs);

// A page of captions: every Mac Roman byte, repeated.
std::string macRomanSample() {
  std::string text;
  for (int repeat = 0; repeat < 64; ++repeat)
    for (int byte = 0x20; byte < 0x100; ++byte)
      if (byte != 0x7F) text += static_cast<char>(byte);
  return text;
}

void BM_MacRomanToUtf8(benchmark::State& state) {
  const std::string text = macRomanSample();
  for (auto _ : state) benchmark::DoNotOptimize(vorl::macRomanToUtf8(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MacRomanToUtf8);

void BM_IconvMacRomanToUtf8(benchmark::State& state) {
  const std::string text = macRomanSample();
  iconv_t converter = iconv_open("UTF-8", "MACINTOSH");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no MACINTOSH charset");
    return;
  }
  std::string output(text.size() * 4, '\0');
  for (auto _ : state) {
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    iconv(converter, &in, &inLeft, &out, &outLeft);
    benchmark::DoNotOptimize(output.data());
  }
  iconv_close(converter);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_IconvMacRomanToUtf8);

}  // namespace
