// The job state machine driven step by step on real job files in real folders: what each job ends as (output,
// print-log line, where its job file goes), failures and the operator's answers, pausing, and the worker thread.
#include <gtest/gtest.h>

#include <time.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <string>
#include <thread>
#include <vector>

#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_intake.h"
#include "jobs/engine/job_task_manager.h"
#include "jobs/engine/job_worker.h"
#include "jobs/engine/spooler_print_view.h"
#include "platform/core/baton.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "jobs/counts/print_count_file.h"
#include "jobs/counts/print_count_hook.h"
#include "tests/jobs/drawing_test_support.h"
#include "tests/jobs/engine_test_support.h"
#include "tests/jobs/print_to_file_test_support.h"
#include "tests/support/fake_clock.h"
#include "tests/support/keyed_archive_writer.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"
#include "tests/support/unreadable_folder.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class JobStateMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    gJobFileList = &list_;
    gPrintJobTaskManager = &manager_;
    manager_.SetActive(true);
  }
  void TearDown() override {
    gPrintJobTaskManager = nullptr;
    gJobFileList = nullptr;
  }

  tPrintServerPrefs& prefs() { return *getMyPrintServerPrefs(); }
  // A photo the job registered for deletion after it.
  fs::path registerPhoto(const char* name) {
    const fs::path photo = folders_.root / name;
    test::writeFile(photo, test::Bytes{0xFF, 0xD8});
    FSSpec spec{};
    EXPECT_EQ(FSMakeFSSpecFromPath(photo, spec), noErr);
    manager_.AddFilesToDelete(spec);
    return photo;
  }
  // Takes the dropped job in and reads it: it is then at task 1, or failed back to task 0.
  void takeJob() {
    if (list_.empty()) step();
    ASSERT_EQ(list_.size(), 1u) << "nothing was queued";
    step();
  }
  void step() { test::step(manager_); }

  test::EngineFolders folders_;
  test::MessageRecorder messages_;
  test::EngineObserver observer_;
  TSortedFileList list_;
  TPrintJobTaskManager manager_{&observer_};
};

test::JobSpec keyedJob() {
  test::JobSpec spec = test::singleFolderJob();
  spec.hasSubJob = true;
  spec.subJobWidth = 1;
  spec.subJobHeight = 1;
  test::AttributeSpec attribute;
  attribute.saveTemplateAsIs = 0;
  attribute.ignoreOverlays = 0;
  attribute.saveOriginal = 0;
  spec.subJobRecords = {test::attributeRecord(attribute), test::backColorRecord({})};
  return spec;
}

TEST_F(JobStateMachine, JobsRunOldestFirstWithOneOutputAndOneLogLineEach) {
  for (const char* name : {"job-1", "job-2", "job-3"}) folders_.dropJob(name, test::singleFolderJob(3));
  ASSERT_TRUE(test::runUntilIdle(manager_));

  EXPECT_EQ(observer_.jobNames, (Names{"job-1", "job-2", "job-3"}));
  EXPECT_EQ(test::jobNamesIn(folders_.output), (Names{"Lab_0001.jpg", "Lab_0002.jpg", "Lab_0003.jpg"}));
  EXPECT_EQ(observer_.printLogs.size(), 3u);
  EXPECT_EQ(test::jobNamesIn(folders_.finished), (Names{"job-1", "job-2", "job-3"}));
  EXPECT_TRUE(test::jobNamesIn(folders_.allFiles).empty());
  EXPECT_TRUE(messages_.messages().empty()) << messages_.messages().front();
  // The job list heard of the three jobs, then of each one taken.
  ASSERT_GE(observer_.jobLists.size(), 4u);
  EXPECT_EQ(observer_.jobLists[0], (Names{"job-1", "job-2", "job-3"}));
  EXPECT_EQ(observer_.jobLists.back(), Names{});
  EXPECT_EQ(observer_.buttonsBack.load(), 0) << "processing stayed on";
}

TEST_F(JobStateMachine, TheDeliveredJobLeavesAllFilesBeforeTheCleanUp) {
  folders_.dropJob("job", test::singleFolderJob());
  ASSERT_TRUE(test::stepUntil(manager_, [&] { return manager_.currentTask() == 3; }));
  EXPECT_EQ(test::jobNamesIn(folders_.allFiles), Names{"job"});
  step();
  ASSERT_EQ(manager_.currentTask(), 4);
  EXPECT_TRUE(test::jobNamesIn(folders_.allFiles).empty()) << "a crash now must not deliver it again";
  EXPECT_EQ(test::jobNamesIn(folders_.finished), Names{"job"});
  EXPECT_TRUE(observer_.printLogs.empty());
  step();
  EXPECT_EQ(observer_.printLogs.size(), 1u);
  EXPECT_EQ(manager_.currentTask(), 0);
  EXPECT_FALSE(manager_.hasJobInHand());
}

TEST_F(JobStateMachine, UnreadableJobsAreParkedWithTheirMessage) {
  test::JobSpec badVersion = test::singleFolderJob();
  badVersion.signature = 0x1234;
  const test::Bytes whole = test::writeJobFile(test::singleFolderJob()).bytes;
  struct Case {
    const char* what;
    test::Bytes bytes;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"bad version", test::writeJobFile(badVersion).bytes, "Invalid Job Version Number!"},
      {"cut short", test::Bytes(whole.begin(), whole.begin() + 100), "Read File Error!"},
      {"empty", test::Bytes{}, "Read File Error!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folders_.unknown);
    fs::create_directories(folders_.unknown);
    prefs().unknownJobsFolder = test::folderLocation(folders_.unknown);
    test::MessageRecorder messages;
    folders_.dropJob(c.what, c.bytes);
    ASSERT_TRUE(test::runUntilIdle(manager_));
    EXPECT_EQ(messages.messages(), Names{c.message});
    EXPECT_EQ(test::jobNamesIn(folders_.unknown), Names{c.what});
    EXPECT_TRUE(test::jobNamesIn(folders_.allFiles).empty());
    EXPECT_TRUE(test::jobNamesIn(folders_.output).empty());
  }
  EXPECT_TRUE(observer_.printLogs.empty());
  EXPECT_TRUE(observer_.questions.empty()) << "the print-server record does not ask";
}

TEST_F(JobStateMachine, PausingKeepsTheJobAtItsStep) {
  folders_.dropJob("job", test::singleFolderJob(4));
  ASSERT_TRUE(test::stepUntil(manager_, [&] { return manager_.currentTask() == 2; }));
  step();
  ASSERT_EQ(manager_.currentTask(), 2);
  manager_.SetActive(false);
  EXPECT_EQ(observer_.buttonsBack.load(), 0) << "a job is in hand";
  // The step in hand when processing went off ends normally and gives the buttons back.
  step();
  EXPECT_EQ(manager_.currentTask(), 2);
  EXPECT_EQ(observer_.buttonsBack.load(), 1);
  EXPECT_FALSE(manager_.IsBusyWithTask());

  manager_.SetActive(true);
  ASSERT_TRUE(test::runUntilIdle(manager_));
  EXPECT_EQ(test::jobNamesIn(folders_.output), Names{"Lab_0001.jpg"});
  EXPECT_EQ(observer_.printLogs.size(), 1u);
  manager_.SetActive(false);
  EXPECT_EQ(observer_.buttonsBack.load(), 2) << "idle: the buttons come back at once";
}

TEST_F(JobStateMachine, PausingDuringTheSubJobKeepsTheJob) {
  folders_.dropJob("keyed job", keyedJob());

  observer_.processingOn = false;  // switched off while the sub-job is drawn
  ASSERT_TRUE(test::stepUntil(manager_, [&] { return manager_.currentTask() == 1; }));
  step();
  EXPECT_EQ(manager_.currentTask(), 1);
  EXPECT_TRUE(manager_.hasJobInHand());
  EXPECT_EQ(test::jobNamesIn(folders_.allFiles), Names{"keyed job"});
  EXPECT_TRUE(test::jobNamesIn(folders_.finished).empty());
  EXPECT_TRUE(observer_.printLogs.empty());

  observer_.processingOn = true;
  ASSERT_TRUE(test::runUntilIdle(manager_));
  EXPECT_EQ(test::jobNamesIn(folders_.output), Names{"Lab_0001.jpg"});
  EXPECT_EQ(test::jobNamesIn(folders_.finished), Names{"keyed job"});
  EXPECT_EQ(observer_.printLogs.size(), 1u);
}

TEST_F(JobStateMachine, AnObjectThatFailsToDrawFailsTheJobWithItsOwnMessage) {
  for (const bool inSubJob : {false, true}) {
    SCOPED_TRACE(inSubJob ? "sub-job" : "page");
    test::MessageRecorder messages;
    const std::string name = inSubJob ? "keyed" : "plain";
    folders_.dropJob(name, inSubJob ? keyedJob() : test::singleFolderJob());
    takeJob();
    ASSERT_EQ(manager_.currentTask(), 1);
    std::vector<std::string> drawn;
    auto broken = std::make_unique<test::ScriptedObject>("broken", "imag", &drawn, false);
    if (inSubJob)
      manager_.printView()->AddNewObject(std::move(broken));
    else
      manager_.printView()->AddObject(std::move(broken));
    ASSERT_TRUE(test::runUntilIdle(manager_));
    EXPECT_EQ(drawn, Names{"broken"});
    EXPECT_EQ(messages.messages(), Names{"A page object could not be drawn!"});
    EXPECT_EQ(test::jobNamesIn(folders_.unknown), Names{name});
    fs::remove(folders_.unknown / name);
  }
  EXPECT_TRUE(test::jobNamesIn(folders_.output).empty());
  EXPECT_TRUE(observer_.printLogs.empty());
}

// The last step's delivery fails: the job is parked with a message, the web server hears of the failure, and
// there is no print-log line, no output and no finished job.
TEST_F(JobStateMachine, AFailedFinalDeliveryParksTheJobWithoutALogLine) {
  const struct {
    const char* what;
    std::int16_t printerType;
    bool outputFolderBecomesAFile;
  } cases[] = {{"no output of the job's printer type", 0, false},
               {"the output folder became a file", 17, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::MessageRecorder messages;
    const int noticesBefore = observer_.webServerNotices.load();
    test::JobSpec spec = test::singleFolderJob();
    spec.printerType = c.printerType;
    // A web job: its web server is told of the outcome.
    spec.dictionaryArchive = test::encodeKeyedArchive(
        ArchivedValue::dictionary({{"imageurl", ArchivedValue::string("http://studio.local/p/17.jpg")}}));
    folders_.dropJob(c.what, spec);
    ASSERT_TRUE(test::stepUntil(manager_, [&] { return manager_.currentTask() == 3; }));
    if (c.outputFolderBecomesAFile) {
      fs::remove_all(folders_.output);
      test::writeFile(folders_.output, test::Bytes{'x'});
    }
    step();
    ASSERT_TRUE(test::runUntilIdle(manager_));
    EXPECT_FALSE(messages.messages().empty());
    EXPECT_EQ(test::jobNamesIn(folders_.unknown), Names{c.what});
    EXPECT_TRUE(test::jobNamesIn(folders_.finished).empty());
    EXPECT_TRUE(test::jobNamesIn(folders_.allFiles).empty());
    EXPECT_TRUE(observer_.printLogs.empty());
    EXPECT_EQ(observer_.webServerNotices.load(), noticesBefore + 1);
    EXPECT_FALSE(manager_.hasJobInHand());
    if (c.outputFolderBecomesAFile) {
      fs::remove(folders_.output);
      fs::create_directories(folders_.output);
    }
    EXPECT_TRUE(test::jobNamesIn(folders_.output).empty());
    fs::remove(folders_.unknown / c.what);
  }
}

TEST_F(JobStateMachine, AnOriginalIsCountedOnlyOnceCopied) {
  const fs::path images = folders_.root / "Images";
  fs::create_directories(images);
  prefs().imagesFolder = test::folderLocation(images);
  tSpecialPrintToFilePref& set = test::pointSetAt(2, folders_.output);
  set.fileFormat = std::int16_t{3};
  set.namingScheme = std::int16_t{3};
  set.fileNameExtension.assign(std::string_view(".jpg"));
  struct Count {
    std::int16_t quantity, kind, printerType, canvas;
    bool operator==(const Count&) const = default;
  };
  std::vector<Count> counts;
  setPrintCountAdder([&](std::int16_t quantity, std::int16_t kind, std::int16_t printerType, std::int16_t canvas) {
    counts.push_back({quantity, kind, printerType, canvas});
  });

  test::JobSpec spec = test::minimalJob();
  spec.printerType = 25;
  spec.printerBlock = test::Bytes(130, 0);
  spec.printerBlock[1] = 2;  // set 2
  spec.canvasNumber = 4;
  spec.retailCustomerMetadata = 0;
  spec.enableVideoCopy = 0;
  test::AttributeSpec attribute;
  attribute.ignoreOverlays = 0;
  attribute.saveOriginal = 1;
  test::ImageSpec image;
  image.photoName = "IMG_0042.JPG";
  spec.pageRecords = {test::attributeRecord(attribute), test::imageRecord(image)};

  for (const bool photoThere : {false, true}) {
    SCOPED_TRACE(photoThere ? "copied" : "no photo");
    if (photoThere) test::writeFile(images / "IMG_0042.JPG", test::Bytes{0xFF, 0xD8, 0xFF, 0xD9});
    test::MessageRecorder messages;
    counts.clear();
    observer_.printLogs.clear();
    folders_.dropJob("original", spec);
    ASSERT_TRUE(test::runUntilIdle(manager_));
    if (photoThere) {
      EXPECT_EQ(counts, (std::vector<Count>{{1, kCountOriginalFile, 25, 4}}));
      EXPECT_EQ(test::jobNamesIn(folders_.output), Names{"IMG_0042.jpg"});
      EXPECT_EQ(test::jobNamesIn(folders_.finished), Names{"original"});
      EXPECT_EQ(observer_.printLogs.size(), 1u);
      EXPECT_TRUE(messages.messages().empty()) << messages.messages().front();
    } else {
      EXPECT_TRUE(counts.empty());
      EXPECT_EQ(test::jobNamesIn(folders_.unknown), Names{"original"});
      EXPECT_TRUE(observer_.printLogs.empty());
      ASSERT_FALSE(messages.messages().empty());
      EXPECT_EQ(messages.messages().back(), "Could not write printer file!");
    }
    EXPECT_TRUE(test::jobNamesIn(folders_.allFiles).empty());
  }
  setPrintCountAdder({});
}

// Nothing after the delivery fails the job: when the count folder turns unreadable during the count, or the
// count throws, the job stays delivered, the operator is not asked about it, and "Try Again Later" has nothing
// to print a second time.
TEST_F(JobStateMachine, ACountFailingAfterTheDeliveryLeavesTheJobDeliveredOnce) {
  prefs().askOnFailedJob = std::int16_t{1};
  observer_.answer = FailedJobChoice::kRequeue;
  const fs::path countFolder = folders_.root / "Counts";
  fs::create_directories(countFolder);
  const struct {
    const char* job;
    std::function<void()> count;
  } cases[] = {
      {"unreadable",
       [&] {
         std::optional<test::UnreadableFolder> unreadable;
         static_cast<void>(addToPrintCountFile(countFolder / "Vorl-Zeverezoz Count", 1, kCountRegularPrint, 21, 0,
                                               [&] { unreadable.emplace(countFolder); }));
       }},
      {"throwing",
       [] {
         throw fs::filesystem_error("count", std::make_error_code(std::errc::permission_denied));
       }},
  };
  std::size_t delivered = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.job);
    test::MessageRecorder messages;
    int counts = 0;
    setPrintCountAdder([&](std::int16_t, std::int16_t, std::int16_t, std::int16_t) {
      ++counts;
      c.count();
    });
    folders_.dropJob(c.job, test::singleFolderJob());
    ASSERT_TRUE(test::runUntilIdle(manager_));
    EXPECT_EQ(counts, 1);
    EXPECT_TRUE(observer_.questions.empty()) << observer_.questions.front().message;
    EXPECT_EQ(test::jobNamesIn(folders_.output).size(), ++delivered) << "one output a job";
    EXPECT_TRUE(fs::exists(folders_.finished / c.job));
    EXPECT_TRUE(test::jobNamesIn(folders_.allFiles).empty());
    EXPECT_EQ(observer_.printLogs.size(), delivered);
  }
  setPrintCountAdder({});
}

TEST_F(JobStateMachine, ErrorCodesAndWhatTheyShow) {
  manager_.DoError(0);
  EXPECT_EQ(manager_.currentTask(), 0);
  EXPECT_TRUE(messages_.messages().empty());

  struct Case {
    std::int16_t code;
    std::vector<std::string> shown;
    const char* logged;
  };
  const std::vector<Case> cases = {
      {105, {"Out of Memory Error!"}, nullptr},
      {106, {"Print to File Set Folder could not be found!"}, nullptr},
      {107, {"Could not write printer file!"}, nullptr},
      {108, {}, nullptr},
      {109, {"Print to File Set Folder could not be found!"}, nullptr},
      {kPageObjectNotDrawn, {"A page object could not be drawn!"}, nullptr},
      {102, {}, "DoError trapped Unknown Error Code = [0x66]"},
      {-1, {}, "DoError trapped Unknown Error Code = [0xffff]"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const std::string name = "job " + std::to_string(++n);
    folders_.dropJob(name, test::singleFolderJob());
    takeJob();
    ASSERT_EQ(manager_.currentTask(), 1);
    // Codes 0 change nothing, even with a job in hand.
    manager_.DoError(0);
    ASSERT_EQ(manager_.currentTask(), 1);
    ASSERT_TRUE(manager_.hasJobInHand());

    test::MessageRecorder messages;
    testing::internal::CaptureStderr();
    manager_.DoError(c.code);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(messages.messages(), c.shown);
    if (c.logged != nullptr) {
      EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    }
    EXPECT_EQ(manager_.currentTask(), 0);
    EXPECT_FALSE(manager_.hasJobInHand());
    EXPECT_EQ(manager_.printView(), nullptr);
    EXPECT_TRUE(fs::exists(folders_.unknown / name)) << "disposed of whatever the code";
    EXPECT_TRUE(list_.currentFile().empty());
  }
}

TEST_F(JobStateMachine, KeepingProcessedFilesDecidesWhatIsDeleted) {
  for (const bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "kept" : "deleted");
    prefs().keepJobFiles = static_cast<std::int16_t>(keep ? 1 : 0);
    fs::remove_all(folders_.finished);
    fs::create_directories(folders_.finished);
    prefs().finishedJobsFolder = test::folderLocation(folders_.finished);
    folders_.dropJob("job", test::singleFolderJob());
    takeJob();
    const fs::path photo = registerPhoto("photo.jpg");
    ASSERT_TRUE(test::runUntilIdle(manager_));
    EXPECT_EQ(fs::exists(photo), keep);
    EXPECT_EQ(test::jobNamesIn(folders_.finished), keep ? Names{"job"} : Names{});
    EXPECT_TRUE(test::jobNamesIn(folders_.allFiles).empty());
    const FSSpec none = manager_.GetCurrentImageFileFSSpec();
    EXPECT_EQ(none.vRefNum.value(), 0);
    EXPECT_TRUE(none.name.empty());
  }
}

TEST_F(JobStateMachine, TheOperatorDecidesAboutAFailedJob) {
  prefs().askOnFailedJob = std::int16_t{1};
  prefs().keepJobFiles = std::int16_t{0};
  test::JobSpec badVersion = test::singleFolderJob();
  badVersion.signature = 0x1234;
  struct Case {
    FailedJobChoice answer;
    bool queued, inAllFiles, parked, photoKept, paused;
  };
  const std::vector<Case> cases = {
      {FailedJobChoice::kRequeue, true, true, false, true, false},
      {FailedJobChoice::kDelete, false, false, false, false, false},
      {FailedJobChoice::kMoveToUnknownJobs, false, false, true, true, false},
      {FailedJobChoice::kRequeueAndPause, true, true, false, true, true},
      {static_cast<FailedJobChoice>(3), false, false, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    for (const fs::path& folder : {folders_.allFiles, folders_.unknown}) {
      fs::remove_all(folder);
      fs::create_directories(folder);
    }
    prefs().unknownJobsFolder = test::folderLocation(folders_.unknown);
    list_.DeleteAll();
    manager_.SetActive(true);
    observer_.questions.clear();
    observer_.pauses = 0;
    observer_.answer = c.answer;

    folders_.dropJob("failing", badVersion);
    const fs::path photo = registerPhoto("used.jpg");
    takeJob();
    ASSERT_EQ(observer_.questions.size(), 1u);
    EXPECT_EQ(observer_.questions[0].jobName, "failing");
    EXPECT_EQ(observer_.questions[0].message, "Invalid Job Version Number!");
    EXPECT_FALSE(observer_.questions[0].batonHeld) << "the main thread must get at the job state meanwhile";

    EXPECT_EQ(manager_.currentTask(), 0);
    EXPECT_EQ(list_.size(), c.queued ? 1u : 0u);
    EXPECT_EQ(fs::exists(folders_.allFiles / "failing"), c.inAllFiles);
    EXPECT_EQ(fs::exists(folders_.unknown / "failing"), c.parked);
    EXPECT_EQ(fs::exists(photo), c.photoKept);
    EXPECT_EQ(observer_.pauses.load(), c.paused ? 1 : 0);
    EXPECT_EQ(manager_.IsActive(), !c.paused);

    // The failed job's photos are forgotten: a later job's clean-up does not delete them.
    if (c.photoKept) {
      list_.DeleteAll();
      manager_.SetActive(true);
      prefs().askOnFailedJob = std::int16_t{0};
      folders_.dropJob("good", test::singleFolderJob());
      ASSERT_TRUE(test::runUntilIdle(manager_));
      EXPECT_TRUE(fs::exists(photo));
      prefs().askOnFailedJob = std::int16_t{1};
      fs::remove(photo);
    }
  }
}

TEST_F(JobStateMachine, AFinishedJobNeverReplacesAnotherOfItsName) {
  test::writeFile(folders_.finished / "job.dat", test::Bytes{7});
  test::writeFile(folders_.finished / "job copy 1.dat", test::Bytes{7});
  folders_.dropJob("job.dat", test::singleFolderJob());
  ASSERT_TRUE(test::runUntilIdle(manager_));
  EXPECT_EQ(test::jobNamesIn(folders_.finished), (Names{"job copy 1.dat", "job copy 2.dat", "job.dat"}));
  EXPECT_EQ(fs::file_size(folders_.finished / "job.dat"), 1u);
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(JobStateMachine, AJobThatCannotBeMovedStaysAndIsNotRunAgain) {
  fs::remove_all(folders_.finished);  // the finished-jobs folder is gone
  folders_.dropJob("job", test::singleFolderJob());
  ASSERT_TRUE(test::runUntilIdle(manager_));
  EXPECT_EQ(test::jobNamesIn(folders_.allFiles), Names{"job"}) << "left for the next start";
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_NE(messages_.messages()[0].find("Cannot Copy and Move File!"), std::string::npos);
  // Later passes leave it alone in this run.
  for (int i = 0; i < 5; ++i) step();
  EXPECT_EQ(observer_.printLogs.size(), 1u);
  EXPECT_EQ(test::jobNamesIn(folders_.output), Names{"Lab_0001.jpg"});
}

TEST_F(JobStateMachine, AnAbandonedJobEndsWithoutALogLine) {
  folders_.dropJob("job", test::singleFolderJob(3));
  ASSERT_TRUE(test::stepUntil(manager_, [&] { return manager_.currentTask() == 2; }));
  FSSpec none{};
  none.vRefNum = kNoJobVolume;
  manager_.SetCurrentJob(none);
  step();
  EXPECT_EQ(manager_.currentTask(), 4);
  step();
  EXPECT_EQ(manager_.currentTask(), 0);
  EXPECT_FALSE(manager_.hasJobInHand());
  EXPECT_TRUE(observer_.printLogs.empty());
  EXPECT_TRUE(test::jobNamesIn(folders_.output).empty());
}

TEST_F(JobStateMachine, TheTimeLoggedStartsWhenTheJobIsTaken) {
  test::FakeClock clock;
  folders_.dropJob("job", test::singleFolderJob());
  step();  // takes the file in
  clock.setTicks(5000);
  step();  // takes the job
  ASSERT_TRUE(manager_.hasJobInHand());
  for (int i = 0; i < 50 && manager_.hasJobInHand(); ++i) {
    clock.advanceTicks(7);
    step();
  }
  ASSERT_EQ(observer_.printLogs.size(), 1u);
  EXPECT_EQ(observer_.printLogs[0], clock.ticks() - 5000);
}

// CPU time of the whole process, in milliseconds.
double processCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

TEST_F(JobStateMachine, TheWorkerRunsStepsWhileActiveAndRestsOtherwise) {
  manager_.SetActive(false);
  folders_.dropJob("job", test::singleFolderJob(2));
  TSimpleThread worker(manager_);
  worker.Start();
  EXPECT_TRUE(worker.IsAlive());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  {
    BatonHold hold;
    EXPECT_TRUE(list_.empty()) << "no step while processing is off";
  }

  manager_.SetActive(true);
  worker.Wake();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (observer_.printLogCount.load() < 1 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(observer_.printLogCount.load(), 1);

  // Nothing queued: the worker waits between its passes instead of spinning.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const double cpuBefore = processCpuMilliseconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_LT(processCpuMilliseconds() - cpuBefore, 250.0);

  // Shutting down ends the wait at once.
  const auto start = std::chrono::steady_clock::now();
  worker.ShutdownAndJoin();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_FALSE(worker.IsAlive());
  EXPECT_EQ(test::jobNamesIn(folders_.output), Names{"Lab_0001.jpg"});
}

}  // namespace
}  // namespace vorl
