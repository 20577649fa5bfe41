// What is renamed into place is flushed first: with every flush of a file failing (a disk that reports an error
// on write-back), the print-data file, the count files with the daily store, and an atomically written file never
// appear under their names and the earlier contents stay. A writer that renamed before flushing, or skipped the
// flush, would put a file in place whose bytes may never reach the disk.
//
// The failing flush is this program's own `fsync` and `fdatasync`: the test executable's definitions take the
// place of the C library's for every caller linked into it, so these cases live in a program of their own.
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>

#include "jobs/counts/print_count_hook.h"
#include "jobs/counts/print_count_store.h"
#include "jobs/reading/job_globals.h"
#include "platform/files/safe_files.h"
#include "tests/jobs/job_test_support.h"
#include "tests/jobs/print_output_support.h"
#include "tests/support/fake_clock.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temporary_server_root.h"

namespace {

std::atomic<bool> gFlushesFail{false};
std::atomic<int> gFailedFlushes{0};

// Folders still flush: only a file's own data fails, as on a disk that cannot write it back.
bool failsHere(int fd) {
  if (!gFlushesFail.load()) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  ++gFailedFlushes;
  errno = EIO;
  return true;
}

}  // namespace

extern "C" int fsync(int fd) {
  if (failsHere(fd)) return -1;
  return static_cast<int>(::syscall(SYS_fsync, fd));
}

extern "C" int fdatasync(int fd) {
  if (failsHere(fd)) return -1;
  return static_cast<int>(::syscall(SYS_fdatasync, fd));
}

namespace vorl {
namespace {

namespace fs = std::filesystem;

class FailingFlushes {
 public:
  FailingFlushes() {
    gFailedFlushes = 0;
    gFlushesFail = true;
  }
  ~FailingFlushes() { gFlushesFail = false; }
  int failed() const { return gFailedFlushes.load(); }
};

std::string contentsOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class PrintDataFlush : public test::PrintOutputTest {};

TEST_F(PrintDataFlush, APrintDataFileWhoseFlushFailsNeverGetsItsName) {
  test::SpoolerJob job = makeJob(test::minimalJob(), test::uniformPage(6, 4, {0x12, 0x34, 0x56}));
  test::MessageRecorder messages;
  bool delivered = true;
  {
    FailingFlushes failing;
    delivered = deliver(*job.view);
    EXPECT_GT(failing.failed(), 0) << "the file was never flushed";
  }
  EXPECT_FALSE(delivered);
  EXPECT_EQ(namesIn(printCentre_), std::vector<std::string>{}) << "no file under its final or temporary name";
}

TEST(CountFlush, CountsWhoseFlushFailsKeepTheEarlierTotalsEverywhere) {
  test::FakeClock clock;
  clock.setLocalTime(2026, 12, 11, 9, 30, 0);
  test::TemporaryServerRoot serverRoot("flush-counts");
  gCurrentTemplateName = Str31("Portrait 4x6");
  installPrintCountStore();
  addToPrintCount(4, kCountRegularPrint, 21, 5);
  const std::vector<std::string> files = namesIn(serverRoot.path());
  ASSERT_GE(files.size(), 3u) << "the all-time and today's files and the daily store";
  std::vector<std::string> before;
  for (const std::string& name : files) before.push_back(contentsOf(serverRoot.path() / name));
  {
    test::MessageRecorder messages;
    FailingFlushes failing;
    addToPrintCount(1, kCountRegularPrint, 21, 5);
    EXPECT_GT(failing.failed(), 0) << "the new totals were never flushed";
    EXPECT_FALSE(messages.messages().empty());
  }
  EXPECT_EQ(namesIn(serverRoot.path()), files) << "no temporary file is left";
  for (std::size_t i = 0; i < files.size(); ++i)
    EXPECT_EQ(contentsOf(serverRoot.path() / files[i]), before[i]) << files[i];
  setPrintCountAdder({});
}

TEST(AtomicWriteFlush, AFileWhoseFlushFailsKeepsItsEarlierContent) {
  const fs::path folder = test::makeTempFolder("atomic-flush");
  const fs::path file = folder / "settings.plist";
  std::ofstream(file) << "earlier";
  const std::string newer = "newer content";
  OSErr result = noErr;
  {
    FailingFlushes failing;
    result = writeFileAtomically(file, newer, true);
    EXPECT_GT(failing.failed(), 0);
  }
  EXPECT_NE(result, noErr);
  EXPECT_EQ(contentsOf(file), "earlier");
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.plist"});
}

}  // namespace
}  // namespace vorl
