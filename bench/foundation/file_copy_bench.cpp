// Copying a print-sized file (a 6x4 in page at 300 dpi, 32 bits a pixel: about 8.6 MB) the way job files and
// outputs are copied: 256 KB chunks into a temporary file, flushed, then renamed. Next to it the C++ library's
// copy_file followed by the same flush, and a memcpy of the bytes as the floor. The flush to the disk is most of
// the cost; the figures show what the temporary file and the rename add to it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/files/file_copy.h"
#include "platform/files/file_specs.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPageBytes = std::size_t(1800) * 1200 * 4;

// A folder of its own under the temporary folder, with the source page in it; removed at the end.
struct Workspace {
  fs::path folder;
  Workspace() {
    std::string pattern = (fs::temp_directory_path() / "vorl-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    folder = pattern;
    std::vector<char> page(kPageBytes);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<char>(i * 31);
    std::ofstream(folder / "page.raw", std::ios::binary).write(page.data(), static_cast<std::streamsize>(page.size()));
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
};

void BM_MemcpyPage(benchmark::State& state) {
  std::vector<char> source(kPageBytes, 1), destination(kPageBytes);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), kPageBytes);
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPageBytes));
}
BENCHMARK(BM_MemcpyPage);

void BM_StdCopyFileAndFlush(benchmark::State& state) {
  const Workspace workspace;
  for (auto _ : state) {
    fs::copy_file(workspace.folder / "page.raw", workspace.folder / "copy.raw", fs::copy_options::overwrite_existing);
    const int fd = ::open((workspace.folder / "copy.raw").c_str(), O_RDONLY);
    ::fsync(fd);
    ::close(fd);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPageBytes));
}
BENCHMARK(BM_StdCopyFileAndFlush)->Unit(benchmark::kMillisecond);

void BM_CopyTheFileInChunks(benchmark::State& state) {
  const Workspace workspace;
  vorl::FSSpec source, destination;
  if (vorl::FSMakeFSSpecFromPath(workspace.folder / "page.raw", source) != vorl::noErr ||
      vorl::FSMakeFSSpecFromPath(workspace.folder / "copy.raw", destination) != vorl::noErr) {
    state.SkipWithError("the workspace cannot be named");
    return;
  }
  for (auto _ : state) {
    vorl::FSSpec target = destination;
    if (vorl::doCopyTheFileInChunks(&source, &target, true) != 0) {
      state.SkipWithError("the copy failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPageBytes));
}
BENCHMARK(BM_CopyTheFileInChunks)->Unit(benchmark::kMillisecond);

}  // namespace
