// Counting one output: the all-time and today's count files (each locked, read, replaced whole and flushed) and
// today's encrypted daily store (read, deciphered, added to, enciphered, replaced and flushed). Next to it one
// flushed write of the same number of bytes in one file, the floor any durable count must pay.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "jobs/reading/job_globals.h"
#include "jobs/counts/print_count_hook.h"
#include "jobs/counts/print_count_store.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"

namespace fs = std::filesystem;

namespace {

// A print-server root of its own under the temporary folder; removed at the end.
struct Workspace {
  fs::path folder;
  Workspace() {
    std::string pattern = (fs::temp_directory_path() / "vorl-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    folder = pattern;
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    if (vorl::FSFolderIDs(folder, vRefNum, dirID) != vorl::noErr) std::abort();
    vorl::getMyPrintServerPrefs()->serverRoot.vRefNum = vRefNum;
    vorl::getMyPrintServerPrefs()->serverRoot.dirID = dirID;
    vorl::gCurrentTemplateName = vorl::Str31("Portrait 4x6");
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  // The bytes one output leaves written: the two count files and the daily store.
  std::uintmax_t countedBytes() const {
    std::uintmax_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.path().filename().string().rfind("._", 0) != 0) bytes += entry.file_size();
    return bytes;
  }
};

void BM_CountOneOutput(benchmark::State& state) {
  const Workspace workspace;
  vorl::installPrintCountStore();
  vorl::addToPrintCount(1, vorl::kCountRegularPrint, 21, 5);  // the day's files exist, as for every later output
  for (auto _ : state) vorl::addToPrintCount(1, vorl::kCountRegularPrint, 21, 5);
  state.counters["bytes"] = static_cast<double>(workspace.countedBytes());
  vorl::setPrintCountAdder({});
}
BENCHMARK(BM_CountOneOutput)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same bytes as the two count files and a day's store of a few printers: one write, flushed.
void BM_FlushedWriteOfTheSameBytes(benchmark::State& state) {
  const Workspace workspace;
  vorl::installPrintCountStore();
  vorl::addToPrintCount(1, vorl::kCountRegularPrint, 21, 5);
  const std::vector<char> bytes(workspace.countedBytes(), 'x');
  vorl::setPrintCountAdder({});
  const fs::path file = workspace.folder / "flushed";
  for (auto _ : state) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    ::fsync(fd);
    ::close(fd);
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_FlushedWriteOfTheSameBytes)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
