// The job queue's order and refusals, and the intake of job files from the spooler folder into "All Files":
// which files are taken, which are left for later, and under which names.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "jobs/engine/job_intake.h"
#include "jobs/engine/job_queue.h"
#include "jobs/engine/spooler_watch.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "tests/jobs/engine_test_support.h"
#include "tests/support/fake_clock.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/message_recorder.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;

QueuedJob queued(const char* name, std::uint32_t created, std::int32_t parID = 77) {
  QueuedJob job;
  job.spec.vRefNum = std::int16_t{-100};
  job.spec.parID = parID;
  job.spec.name = Str63(name);
  job.longName = name;
  job.created = created;
  return job;
}

std::vector<std::string> namesOf(const TSortedFileList& list) { return list.longNames(); }
// The same sorted, where the files' dates may straddle a second.
std::vector<std::string> sortedNamesOf(const TSortedFileList& list) {
  std::vector<std::string> names = list.longNames();
  std::sort(names.begin(), names.end());
  return names;
}

TEST(JobQueue, OrderIsByDateThenNameWithoutCaseShorterFirst) {
  struct Case {
    QueuedJob a, b;
    int expected;  // Compare(a, b)
  };
  const std::vector<Case> cases = {
      {queued("zzz", 100), queued("aaa", 200), -1},  // the older file first, whatever its name
      {queued("aaa", 300), queued("zzz", 200), 1},
      {queued("b", 500), queued("A", 500), 1},       // same second: by name, letter case ignored
      {queued("abc", 500), queued("ABC", 500), 0},
      {queued("ab", 500), queued("abc", 500), -1},  // a name that begins the other comes first
      {queued("abc", 500), queued("ab", 500), 1},
      {queued("job 10", 500), queued("job 9", 500), -1},
      {queued("x", 0xFFFFFFF0u), queued("x", 5), 1},  // dates compare unsigned
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a.longName + " vs " + c.b.longName);
    EXPECT_EQ(TSortedFileList::Compare(c.a, c.b), c.expected);
    EXPECT_EQ(TSortedFileList::Compare(c.b, c.a), -c.expected) << "the order does not depend on the side";
  }

  TSortedFileList list;
  for (const char* name : {"b", "A", "abc", "ab", "Z"}) ASSERT_TRUE(list.Insert(queued(name, 500)));
  ASSERT_TRUE(list.Insert(queued("late", 900)));
  ASSERT_TRUE(list.Insert(queued("early", 10)));
  EXPECT_EQ(namesOf(list), (std::vector<std::string>{"early", "A", "ab", "abc", "b", "Z", "late"}));
  // Equal entries keep their arrival order.
  ASSERT_TRUE(list.Insert(queued("AB", 500, 78)));
  EXPECT_EQ(list.item(3).longName, "AB");
}

TEST(JobQueue, AJobIsTakenOnce) {
  TSortedFileList list;
  list.SetCurrentFile(Str255("job in hand"));
  EXPECT_FALSE(list.Insert(queued("job in hand", 1))) << "a rescan finding the job in hand again";
  EXPECT_TRUE(list.Insert(queued("Job In Hand", 1))) << "the refusal compares exactly";
  EXPECT_TRUE(list.Insert(queued("other", 2)));
  EXPECT_FALSE(list.Insert(queued("other", 2))) << "already queued";
  EXPECT_TRUE(list.Insert(queued("other", 2, 99))) << "the same name in another folder is another file";
  list.SetCurrentFile(Str255());
  EXPECT_TRUE(list.Insert(queued("job in hand", 1)));
  EXPECT_EQ(list.size(), 4u);

  std::optional<QueuedJob> first = list.TakeFirst();
  ASSERT_TRUE(first.has_value());
  list.DeleteItem(0);
  list.DeleteItem(10);  // out of range: nothing
  EXPECT_EQ(list.size(), 2u);
  list.DeleteAll();
  EXPECT_FALSE(list.TakeFirst().has_value());
}

TEST(JobQueue, TheNextJobBecomesTheCurrentFile) {
  TSortedFileList list;
  gJobFileList = &list;
  list.SetCurrentFile(Str255("before"));
  EXPECT_FALSE(GetNextNewJobFile(nullptr).has_value());
  EXPECT_EQ(list.currentFile().macRoman(), "before") << "an empty queue changes nothing";
  list.Insert(queued("second", 2));
  list.Insert(queued("first", 1));
  const auto next = GetNextNewJobFile(nullptr);
  ASSERT_TRUE(next.has_value());
  EXPECT_EQ(next->longName, "first");
  EXPECT_EQ(list.currentFile().macRoman(), "first");
  EXPECT_FALSE(list.Insert(*next));
  gJobFileList = nullptr;
}

TEST(JobQueue, TheDateIsReadOnceWhenQueued) {
  const fs::path folder = test::makeTempFolder("queue-date");
  const fs::path file = folder / "job";
  test::writeFile(file, test::Bytes{1, 2, 3});
  FSSpec spec{};
  ASSERT_EQ(FSMakeFSSpecFromPath(file, spec), noErr);
  const auto job = makeQueuedJob(spec);
  ASSERT_TRUE(job.has_value());
  EXPECT_EQ(job->longName, "job");
  const auto now = static_cast<std::uint32_t>(std::time(nullptr));
  EXPECT_LE(job->created, now);
  EXPECT_GE(job->created + 60, now) << "the birth time, or the modification time where there is none";
  fs::remove(file);
  EXPECT_FALSE(makeQueuedJob(spec).has_value());
}

class JobIntake : public ::testing::Test {
 protected:
  void SetUp() override { gJobFileList = &list_; }
  void TearDown() override { gJobFileList = nullptr; }

  OSErr intake() {
    std::int16_t count = 5;
    const OSErr result = GetAllFilesInDirectory(spoolLocation().vRefNum, spoolLocation().dirID, count, list_);
    EXPECT_EQ(count, 0);
    return result;
  }
  OSErr pathIntake() {
    std::int16_t count = 5;
    return CopyFromSourceToAllFilesCocoa(spoolLocation().vRefNum, spoolLocation().dirID, count, list_);
  }
  FolderLocation spoolLocation() const { return test::folderLocation(folders_.spool); }
  void drop(const std::string& name) const { folders_.dropJob(name, test::Bytes{0x88, 0x54}); }

  test::EngineFolders folders_;
  TSortedFileList list_;
  test::FakeClock clock_;  // ticks 1000
};

TEST_F(JobIntake, OnlyFinishedVisibleFilesAreTaken) {
  EXPECT_FALSE(systemVersionIsGreaterOrEqualTo13());
  for (const char* name : {"job", "tempfile-lower", "TempFile", "TempFile-1", ".hidden", "._orphan", "invisible"})
    drop(name);
  FInfo finder;
  finder.fdFlags = kIsInvisible;
  ASSERT_EQ(setFinderInfo(folders_.spool / "invisible", finder), noErr);
  fs::create_directory(folders_.spool / "a folder");

  ASSERT_EQ(intake(), noErr);
  EXPECT_EQ(test::jobNamesIn(folders_.allFiles), (std::vector<std::string>{"job", "tempfile-lower"}));
  EXPECT_EQ(namesOf(list_), (std::vector<std::string>{"job", "tempfile-lower"}));
  EXPECT_EQ(test::jobNamesIn(folders_.spool), (std::vector<std::string>{"TempFile", "TempFile-1", "invisible"}));
  EXPECT_TRUE(fs::exists(folders_.spool / ".hidden"));
  EXPECT_TRUE(fs::exists(folders_.spool / "._orphan")) << "a sidecar of nothing is no job";
  EXPECT_EQ(gLastModDate.load(), 0) << "a TempFile name is still being written: read the folder again";

  // Renamed when complete: taken on the next pass.
  fs::rename(folders_.spool / "TempFile-1", folders_.spool / "job 2");
  ASSERT_EQ(intake(), noErr);
  EXPECT_EQ(sortedNamesOf(list_), (std::vector<std::string>{"job", "job 2", "tempfile-lower"}));
}

// A named pipe, a symbolic link or a socket in the spooler folder is no job: each is named once in the message
// list (and so the per-day log), stays where it is, and is never opened: a pipe nobody writes would hold the
// intake for ever.
TEST_F(JobIntake, EntriesThatAreNoFilesAreToldOnceAndLeftAlone) {
  drop("target");
  ASSERT_EQ(::mkfifo((folders_.spool / "a pipe").c_str(), 0600), 0);
  fs::create_symlink(folders_.spool / "target", folders_.spool / "a link");
  fs::create_symlink(folders_.spool / "nowhere", folders_.spool / "a dangling link");
  test::MessageRecorder messages;
  ASSERT_EQ(intake(), noErr);
  EXPECT_EQ(namesOf(list_), (std::vector<std::string>{"target"}));
  const std::vector<std::string> told = messages.messages();
  ASSERT_EQ(told.size(), 3u);
  for (const char* expected : {"\"a pipe\" in the print jobs folder is a named pipe, not a job file",
                               "\"a link\" in the print jobs folder is a symbolic link, not a job file",
                               "\"a dangling link\" in the print jobs folder is a symbolic link, not a job file"}) {
    SCOPED_TRACE(expected);
    EXPECT_EQ(std::count_if(told.begin(), told.end(),
                            [&](const std::string& m) { return m.find(expected) != std::string::npos; }),
              1);
  }
  for (const char* name : {"a pipe", "a link", "a dangling link"})
    EXPECT_TRUE(fs::exists(fs::symlink_status(folders_.spool / name))) << name;

  // Read again (a new job makes the folder change): nothing is told twice.
  drop("next");
  ASSERT_EQ(intake(), noErr);
  EXPECT_EQ(messages.messages().size(), 3u);
  EXPECT_EQ(sortedNamesOf(list_), (std::vector<std::string>{"next", "target"}));
}

TEST_F(JobIntake, AFileStillOpenForWritingWaits) {
  const fs::path file = folders_.spool / "slow job";
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "abc", 3), 3);
  const bool leases = test::leasesWork(folders_.root);
  if (!leases) {
    // Without leases a writer cannot be seen: only a file left alone for a second is taken.
    ASSERT_EQ(intake(), noErr);
    EXPECT_TRUE(list_.empty());
    test::ageFile(file, 5);
  } else {
    test::ageFile(file, 5);  // an old date does not hide the writer
    ASSERT_EQ(intake(), noErr);
    EXPECT_TRUE(list_.empty()) << "taken while its writer still has it open";
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(gLastModDate.load(), 0) << "the folder is read again although its date stays";
  }
  close(fd);
  ASSERT_EQ(intake(), noErr);
  EXPECT_EQ(namesOf(list_), (std::vector<std::string>{"slow job"}));
}

TEST_F(JobIntake, AnUnchangedFolderIsNotReadAgain) {
  const auto dateFolder = [&](std::int64_t nanoseconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {nanoseconds / 1000000000, nanoseconds % 1000000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, folders_.spool.c_str(), times, 0), 0);
  };
  drop("first");
  ASSERT_EQ(intake(), noErr);
  ASSERT_EQ(list_.size(), 1u);
  const std::int64_t date = gLastModDate.load();
  ASSERT_NE(date, 0);

  // A file that arrives without changing the folder's date is not seen...
  drop("second");
  dateFolder(date);
  ASSERT_EQ(intake(), noErr);
  EXPECT_EQ(list_.size(), 1u);
  // ... until the date moves, by as little as a nanosecond,
  dateFolder(date + 1);
  ASSERT_EQ(intake(), noErr);
  EXPECT_EQ(list_.size(), 2u);
  // or the remembered date is cleared.
  drop("third");
  dateFolder(date + 1);
  ASSERT_EQ(intake(), noErr);
  EXPECT_EQ(list_.size(), 2u);
  gLastModDate = 0;
  ASSERT_EQ(intake(), noErr);
  EXPECT_EQ(list_.size(), 3u);
}

TEST_F(JobIntake, AClashInAllFilesEndsAsTheNameAndTheTickDigits) {
  struct Case {
    std::string name;
    std::vector<std::string> alreadyThere;
    std::string expected;
  };
  const std::string longName = "a job name of thirty characters";
  const std::vector<Case> cases = {
      {"job", {"job"}, "job1000"},
      {longName, {longName}, longName + "1000"},
      // The name with the digits is taken as well: it keeps the cut name, a space and the ticks.
      {"job", {"job", "job1000"}, "job 1000"},
      {longName, {longName, longName + "1000"}, "a job name of thirty c 1000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    fs::remove_all(folders_.allFiles);
    fs::create_directories(folders_.allFiles);
    list_.DeleteAll();
    for (const std::string& name : c.alreadyThere) test::writeFile(folders_.allFiles / name, test::Bytes{9});
    drop(c.name);
    gLastModDate = 0;
    ASSERT_EQ(intake(), noErr);
    EXPECT_EQ(namesOf(list_), (std::vector<std::string>{c.expected}));
    EXPECT_TRUE(fs::exists(folders_.allFiles / c.expected));
    for (const std::string& name : c.alreadyThere)
      EXPECT_EQ(fs::file_size(folders_.allFiles / name), 1u) << "a queued job is never replaced";
  }
}

TEST_F(JobIntake, TheSidecarTravelsWithItsJob) {
  drop("job");
  FInfo finder;
  finder.fdType = 0x4A4F4221;  // 'JOB!'
  ASSERT_EQ(setFinderInfo(folders_.spool / "job", finder), noErr);
  ASSERT_EQ(intake(), noErr);
  EXPECT_FALSE(fs::exists(folders_.spool / "._job"));
  FInfo moved;
  ASSERT_EQ(getFinderInfo(folders_.allFiles / "job", moved), noErr);
  EXPECT_EQ(moved.fdType, finder.fdType);
}

TEST_F(JobIntake, TheRebuildQueuesWhatAllFilesHolds) {
  fs::create_directories(folders_.allFiles / "sub folder");
  for (const char* name : {"left 1", "TempFile left", ".hidden", "._left 1"})
    test::writeFile(folders_.allFiles / name, test::Bytes{1});
  drop("new in spool");
  tPrintServerPrefs prefs{};
  prefs.printJobsFolder = spoolLocation();
  EXPECT_TRUE(findAllJobFiles(&prefs));
  EXPECT_EQ(namesOf(list_), (std::vector<std::string>{"left 1", "TempFile left"}));
  EXPECT_TRUE(fs::exists(folders_.spool / "new in spool")) << "the rebuild moves nothing";
}

TEST_F(JobIntake, TheJobListHearsOfNewJobsOnly) {
  test::EngineObserver observer;
  ASSERT_EQ(CheckForNewJobs(&observer), noErr);
  EXPECT_TRUE(observer.jobLists.empty());
  drop("job");
  ASSERT_EQ(CheckForNewJobs(&observer), noErr);
  ASSERT_EQ(observer.jobLists.size(), 1u);
  EXPECT_EQ(observer.jobLists[0], (std::vector<std::string>{"job"}));
  gLastModDate = 0;
  ASSERT_EQ(CheckForNewJobs(&observer), noErr);
  EXPECT_EQ(observer.jobLists.size(), 1u);
}

TEST_F(JobIntake, ThePathRoadKeepsItsOwnRules) {
  // One entry alone is not read.
  drop("alone");
  ASSERT_EQ(pathIntake(), noErr);
  EXPECT_TRUE(list_.empty());
  EXPECT_FALSE(fs::exists(folders_.allFiles));

  for (const char* name : {"TEMPFILE", "TempFile-2", ".hidden", "job"}) drop(name);
  fs::create_directory(folders_.spool / "a folder");
  fs::create_directories(folders_.allFiles);
  test::writeFile(folders_.allFiles / "job", test::Bytes{1});
  test::writeFile(folders_.allFiles / "job copy 1", test::Bytes{1});
  ASSERT_EQ(pathIntake(), noErr);
  EXPECT_EQ(sortedNamesOf(list_), (std::vector<std::string>{"TempFile-2", "alone", "job copy 1 copy 2"}));
  EXPECT_EQ(test::jobNamesIn(folders_.spool), (std::vector<std::string>{"TEMPFILE"}));
  EXPECT_TRUE(fs::exists(folders_.spool / ".hidden"));
}

}  // namespace
}  // namespace vorl

namespace vorl {
namespace {

// Counts the wakes the folder watch gives and lets a test wait for the next one.
class WakeCounter {
 public:
  void wake() {
    {
      std::lock_guard lock(mutex_);
      ++wakes_;
    }
    changed_.notify_all();
  }
  int wakes() {
    std::lock_guard lock(mutex_);
    return wakes_;
  }
  // True once more than `seen` wakes have come; the long limit only keeps a broken watch from hanging the test.
  bool waitBeyond(int seen) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return wakes_ > seen; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int wakes_ = 0;
};

TEST(SpoolerFolderWatch, AJobRenamedOrWrittenIntoTheFolderWakesTheWorker) {
  const fs::path spooler = test::makeTempFolder("watched-spooler");
  const fs::path elsewhere = test::makeTempFolder("unwatched");
  WakeCounter counter;
  SpoolerFolderWatch watch([&] { counter.wake(); });
  ASSERT_TRUE(watch.watch(spooler));
  EXPECT_FALSE(watch.watch(spooler / "no such folder"));
  ASSERT_TRUE(watch.watch(spooler));

  // The producers' way: written under a temporary name, then renamed.
  int seen = counter.wakes();
  test::writeFile(spooler / "TempFile-1", {1, 2, 3});
  ASSERT_TRUE(counter.waitBeyond(seen));
  seen = counter.wakes();
  fs::rename(spooler / "TempFile-1", spooler / "job-1");
  ASSERT_TRUE(counter.waitBeyond(seen));

  // A file moved in from another folder of the same file system.
  seen = counter.wakes();
  test::writeFile(elsewhere / "job-2", {4});
  fs::rename(elsewhere / "job-2", spooler / "job-2");
  ASSERT_TRUE(counter.waitBeyond(seen));

  // Moving the watch to another folder: files there wake it.
  ASSERT_TRUE(watch.watch(elsewhere));
  EXPECT_EQ(watch.folder(), elsewhere);
  seen = counter.wakes();
  test::writeFile(elsewhere / "job-3", {5});
  ASSERT_TRUE(counter.waitBeyond(seen));
}

}  // namespace
}  // namespace vorl
