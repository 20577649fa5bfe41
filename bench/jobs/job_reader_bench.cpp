// Reading a job file of realistic size: one page of twenty objects, two of them keyed photos, about 140 KB.
//
// The reader takes the file whole into memory and picks the blocks out of it; the claim is that the read from
// the disk, not the copying into the job view, is what costs. Side by side, all on the same bytes:
//   BM_MemcpyJobBytes      a memcpy of the file's bytes (the floor for copying them once)
//   BM_ReadJobFileBytes    reading the file into memory, as the reader does, and nothing else
//   BM_ParseJobFromMemory  the reader on bytes already in memory (blocks, records, objects, log lines)
//   BM_LogEntriesOfAJob    only the diagnostic log entries the reader writes for this job, as many as it writes
//   BM_ReadObjects         the reader on the file: reading and parsing together, the file in the page cache
//   BM_ReadObjectsCold     the same with the file's pages dropped from the cache first, so it comes from the disk
// Parsing minus its log entries is what taking the file apart and copying it into the view costs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "jobs/engine/job_view.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/keyed_archive_writer.h"
#include "tests/support/object_record_writer.h"

namespace {

using namespace vorl::test;

// The reader logs a few lines per object, as the program does; here they go to /dev/null, not the terminal.
const int kQuietLog = [] {
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) ::dup2(null, STDERR_FILENO);
  return 0;
}();

JobSpec realisticJob() {
  JobSpec spec;
  spec.printerType = 23;  // the largest printer block
  spec.printerBlock = Bytes(10296 + 148, 0);
  ImageSpec keyed;
  keyed.key = KeySettingsSpec{};
  NodeSpec node;
  node.records = {imageRecord({}), textRecord({})};
  spec.pageRecords = {backColorRecord({}), attributeRecord({}), imageRecord(keyed), imageRecord(keyed)};
  for (int i = 0; i < 4; ++i) spec.pageRecords.push_back(imageRecord({}));
  for (int i = 0; i < 5; ++i) spec.pageRecords.push_back(textRecord({}));
  spec.pageRecords.push_back(editTextRecord({}));
  spec.pageRecords.push_back(databaseRecord({}));
  spec.pageRecords.push_back(stampRecord({}));
  spec.pageRecords.push_back(groupPhotoRecord({}));
  spec.pageRecords.push_back(fileOverlayRecord({}));
  spec.pageRecords.push_back(transparentOverlayRecord({}));
  spec.pageRecords.push_back(nodeRecord(node));  // twenty on the page
  spec.dictionaryArchive = encodeKeyedArchive(vorl::ArchivedValue::dictionary(
      {{"imageurl", vorl::ArchivedValue::string("http://studio.example/orders/42.jpg")}}));
  return spec;
}

struct JobFile {
  JobFile() {
    bytes = writeJobFile(realisticJob()).bytes;
    char name[] = "/tmp/job_reader_bench.XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) std::abort();
    ::close(fd);
    path = name;
    writeFile(path, bytes);
    // Written back now, so its pages are clean and the cold case can drop them.
    const int written = ::open(name, O_RDONLY);
    if (written < 0 || ::fsync(written) != 0) std::abort();
    ::close(written);
  }
  ~JobFile() { std::filesystem::remove(path); }
  Bytes bytes;
  std::filesystem::path path;
};

const JobFile& jobFile() {
  static const JobFile file;
  return file;
}

// How many log entries one read of the job writes: stderr goes to a memory file for one parse.
int logEntriesPerRead() {
  static const int entries = [] {
    const int capture = ::memfd_create("job_reader_bench_log", 0);
    const int saved = ::dup(STDERR_FILENO);
    if (capture < 0 || saved < 0) return 0;
    ::dup2(capture, STDERR_FILENO);
    {
      vorl::TBGPrintView view;
      static_cast<void>(view.ReadJobFile(jobFile().bytes));
    }
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::string log(static_cast<std::size_t>(::lseek(capture, 0, SEEK_END)), '\0');
    if (::pread(capture, log.data(), log.size(), 0) < 0) log.clear();
    ::close(capture);
    // Every entry starts with the program's name and its process and thread numbers.
    const std::string mark = std::string(program_invocation_short_name) + "[";
    int count = 0;
    for (std::size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1)) ++count;
    return count;
  }();
  return entries;
}

void BM_MemcpyJobBytes(benchmark::State& state) {
  const Bytes& source = jobFile().bytes;
  Bytes copy(source.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), source.data(), source.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_MemcpyJobBytes);

void BM_ReadJobFileBytes(benchmark::State& state) {
  std::vector<std::uint8_t> bytes;
  for (auto _ : state) {
    if (vorl::readFileBytes(jobFile().path, bytes, vorl::kMaxJobFileSize) != vorl::noErr) state.SkipWithError("read");
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(jobFile().bytes.size()));
}
BENCHMARK(BM_ReadJobFileBytes);

void BM_ParseJobFromMemory(benchmark::State& state) {
  for (auto _ : state) {
    vorl::TBGPrintView view;
    if (view.ReadJobFile(jobFile().bytes) != vorl::kJobReadOK) state.SkipWithError("parse");
    benchmark::DoNotOptimize(view.layoutObjects().data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(jobFile().bytes.size()));
}
BENCHMARK(BM_ParseJobFromMemory);

void BM_LogEntriesOfAJob(benchmark::State& state) {
  const int entries = logEntriesPerRead();
  const std::string line(60, 'x');
  for (auto _ : state)
    for (int i = 0; i < entries; ++i) vorl::systemLog(line);
  state.counters["entries"] = entries;
}
BENCHMARK(BM_LogEntriesOfAJob);

void BM_ReadObjects(benchmark::State& state) {
  for (auto _ : state) {
    vorl::TBGPrintView view;
    if (view.ReadObjects(jobFile().path) != vorl::kJobReadOK) state.SkipWithError("read");
    benchmark::DoNotOptimize(view.layoutObjects().data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(jobFile().bytes.size()));
}
BENCHMARK(BM_ReadObjects);

void BM_ReadObjectsCold(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const int fd = ::open(jobFile().path.c_str(), O_RDONLY);
    if (fd < 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0) state.SkipWithError("cannot drop the cache");
    if (fd >= 0) ::close(fd);
    state.ResumeTiming();
    vorl::TBGPrintView view;
    if (view.ReadObjects(jobFile().path) != vorl::kJobReadOK) state.SkipWithError("read");
    benchmark::DoNotOptimize(view.layoutObjects().data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(jobFile().bytes.size()));
}
BENCHMARK(BM_ReadObjectsCold);

}  // namespace
