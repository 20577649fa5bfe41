// The jobs that deliver something other than their page, and the base names of output files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "jobs/engine/drawing_results.h"
#include "jobs/engine/spooler_print_view.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "tests/jobs/job_test_support.h"
#include "tests/support/fake_clock.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/keyed_archive_writer.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

// Photos are looked for in a folder of their own; none of them exists, so the special drawing finds its photo by
// name and draws nothing.
class SpecialJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::filesystem::path images = test::makeTempFolder("special-images");
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    ASSERT_EQ(FSFolderIDs(images, vRefNum, dirID), noErr);
    getMyPrintServerPrefs()->imagesFolder.vRefNum = vRefNum;
    getMyPrintServerPrefs()->imagesFolder.dirID = dirID;
  }

  static test::Bytes photo(const std::string& name) {
    test::ImageSpec spec;
    spec.photoName = name;
    return test::imageRecord(spec);
  }
  static test::Bytes node(std::vector<test::Bytes> records) {
    test::NodeSpec spec;
    spec.records = std::move(records);
    return test::nodeRecord(spec);
  }
  static test::Bytes text() { return test::textRecord({}); }
};

TEST_F(SpecialJobTest, TheSpecialPhotoIsTheFirstPhotoOrNodeOfTheSubJobElseOfThePage) {
  struct Case {
    const char* what;
    std::vector<test::Bytes> subJob;
    std::vector<test::Bytes> page;
    std::string expected;  // the photo's name without its extension; empty for none
  };
  const std::vector<Case> cases = {
      {"a text before the photo", {text(), photo("A.jpg")}, {photo("B.jpg")}, "A"},
      {"only texts in the sub-job", {text()}, {text(), photo("B.jpg")}, "B"},
      {"a node's own photo", {node({text(), photo("N.jpg")}), photo("A.jpg")}, {photo("B.jpg")}, "N"},
      {"a node without a photo ends the sub-job's walk", {node({text()}), photo("A.jpg")}, {photo("B.jpg")}, "B"},
      {"no sub-job", {}, {text(), photo("B.jpg")}, "B"},
      {"no photo anywhere", {text()}, {text()}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::MessageRecorder messages;
    test::JobSpec spec = test::minimalJob();
    spec.hasSubJob = !c.subJob.empty();
    spec.subJobRecords = c.subJob;
    spec.pageRecords = c.page;
    test::ReadJob job = test::readJob(spec);
    ASSERT_EQ(job.result, kJobReadOK);

    EXPECT_EQ(job.view->DrawSpecialJob(), kDrawOK);
    EXPECT_EQ(job.view->currentImageName().macRoman(), c.expected);
    EXPECT_EQ(job.view->GetSubJobOffscreen(), nullptr);  // the photo is not there to draw
    EXPECT_FALSE(job.view->IsDrawingSubJob());
    // The used-files list went to the main window once, and the preview was cleared.
    EXPECT_EQ(job.observer->handedFiles.size(), 1u);
    EXPECT_EQ(job.view->usedFiles(), nullptr);
    ASSERT_FALSE(job.observer->previews.empty());
    EXPECT_EQ(job.observer->previews.back().page, nullptr);

    // With no sub-job picture there is no page either.
    job.view->ProcessSubAsOutput();
    EXPECT_EQ(job.view->pageOffscreen(), nullptr);
  }
}

TEST_F(SpecialJobTest, TheSubJobPictureBecomesACopyAsThePage) {
  test::ReadJob job = test::readJob(test::minimalJob());
  const Rect bounds = makeRect(0, 0, 3, 5);
  OffscreenPtr picture{myNewGWorld(&bounds)};
  picture->baseAddr()[1] = 7;  // red of the first pixel
  Offscreen* kept = picture.get();
  job.view->SetSubJobOffscreen(std::move(picture));
  job.view->ProcessSubAsOutput();
  ASSERT_NE(job.view->pageOffscreen(), nullptr);
  EXPECT_NE(job.view->pageOffscreen(), kept);
  EXPECT_EQ(job.view->pageOffscreen()->width(), 5);
  EXPECT_EQ(job.view->pageOffscreen()->baseAddr()[1], 7);
  EXPECT_EQ(job.view->GetSubJobOffscreen(), kept);
}

TEST_F(SpecialJobTest, AnOriginalThatWasNotCopiedFailsTheJobAndAnnouncesNothing) {
  test::MessageRecorder messages;
  test::JobSpec spec = test::minimalJob();
  spec.pageRecords = {photo("A.jpg")};
  spec.jobInfo = test::jobInfoBytes("Current", "", 0, 0, {1, 1, 0});
  spec.dictionaryArchive = test::encodeKeyedArchive(ArchivedValue::dictionary(
      {{"imageurl", ArchivedValue::string("http://studio/a.jpg")}}));
  test::ReadJob job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);

  EXPECT_EQ(job.view->CopyOriginalFileJob(), kOutputFailed);
  EXPECT_TRUE(job.observer->notices.empty());
  EXPECT_EQ(job.observer->handedFiles.size(), 1u);
  EXPECT_FALSE(messages.messages().empty());
}

struct NoticeCase {
  const char* what;
  std::optional<ArchivedValue> dictionary;
  std::array<std::uint16_t, 3> info;  // the words at 70, 72 and 74
  std::optional<std::int32_t> length;
  bool kept;
  bool sent;
};

TEST(CompletionNotice, IsPreparedOnlyForTheLastPageOfAJobTheWebServerSent) {
  const ArchivedValue web = ArchivedValue::dictionary({{"imageurl", ArchivedValue::string("http://studio/1.jpg")},
                                                       {"status", ArchivedValue::string("queued")},
                                                       {"ipaddress", ArchivedValue::string("10.0.0.7")}});
  const ArchivedValue local = ArchivedValue::dictionary({{"ipaddress", ArchivedValue::string("10.0.0.7")}});
  const std::vector<NoticeCase> cases = {
      {"the web server's last page", web, {2, 2, 0}, {}, true, true},
      {"an earlier page of the order", web, {1, 2, 0}, {}, true, false},
      {"a dictionary without imageurl", local, {2, 2, 0}, {}, true, false},
      {"no dictionary", std::nullopt, {2, 2, 0}, {}, false, false},
      {"a length of zero", web, {2, 2, 0}, 0, false, false},
      {"not a dictionary", ArchivedValue::string("imageurl"), {2, 2, 0}, {}, false, false},
  };
  for (const NoticeCase& c : cases) {
    SCOPED_TRACE(c.what);
    test::JobSpec spec = test::minimalJob();
    spec.jobInfo = test::jobInfoBytes("Current", "", 0, 0, c.info);
    if (c.dictionary) spec.dictionaryArchive = test::encodeKeyedArchive(*c.dictionary);
    spec.dictionaryLength = c.length;
    test::ReadJob job = test::readJob(spec);
    ASSERT_EQ(job.result, kJobReadOK);

    const std::optional<ArchivedValue> notice = job.view->PrepareCompletionNotice(true);
    EXPECT_EQ(job.view->keptJobDictionary().has_value(), c.kept);
    ASSERT_EQ(notice.has_value(), c.sent);
    // The kept dictionary is what the hand-off exports: it carries the notice's "status" whenever one is sent.
    if (c.kept) {
      EXPECT_EQ(*job.view->keptJobDictionary(), c.sent ? *notice : *c.dictionary);
    }
    if (c.sent) {
      EXPECT_EQ(*notice->find("status")->asString(), "Job processed by Vorl-Zeverezoz");
      EXPECT_EQ(*notice->find("imageurl")->asString(), "http://studio/1.jpg");
      EXPECT_EQ(*notice->find("ipaddress")->asString(), "10.0.0.7");
    }
    // Without keeping (the original-file job) nothing is kept, whatever is sent.
    test::ReadJob again = test::readJob(spec);
    EXPECT_EQ(again.view->PrepareCompletionNotice(false).has_value(), c.sent);
    EXPECT_FALSE(again.view->keptJobDictionary().has_value());
  }
}

TEST(OutputBaseName, FollowsTheSetsNamingMode) {
  test::FakeClock clock;
  clock.setLocalTime(2011, 2, 3, 9, 5, 7);
  test::JobSpec spec = test::minimalJob();
  spec.templateName = "Memory Mate";
  spec.jobName = "order-17.jpg";  // kept without its extension
  spec.extraNameText = "Blue";
  test::ReadJob job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);
  job.view->SetCurrentImageName(CStr255_AC("IMG_0042.JPG"));

  struct Case {
    std::int16_t mode;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {1, "Prefix"},
      {2, "Memory Mate"},
      {3, "IMG_0042"},  // the image name is kept without its extension
      {4, "Memory Mate_IMG_0042"},
      {5, "20110203_90507"},
      {6, "IMG_0042_order-17"},
      {7, "IMG_0042_Blue"},
      {8, "IMG_0042_Memory Mate"},
      {0, "order-17"},  // a mode that names nothing: the job's name
      {9, "order-17"},
  };
  for (const Case& c : cases) {
    tSpecialPrintToFilePref record{};
    record.namingScheme = c.mode;
    record.fileNamePrefix.assign(std::string_view("Prefix"));
    EXPECT_EQ(job.view->GetNewBaseNameForPrintToFile(record).macRoman(), c.expected) << "mode " << c.mode;
  }
}

TEST(OutputBaseName, EmptyPartsAreLeftOutWhereTheNamingModeSaysSo) {
  test::JobSpec spec = test::minimalJob();
  spec.templateName = "";
  spec.extraNameText = "";
  spec.jobName = "order-17.jpg";
  test::ReadJob job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);
  job.view->SetCurrentImageName(CStr255_AC("IMG_1.JPG"));
  tSpecialPrintToFilePref record{};
  record.namingScheme = std::int16_t{7};
  EXPECT_EQ(job.view->GetNewBaseNameForPrintToFile(record).macRoman(), "IMG_1");
  record.namingScheme = std::int16_t{8};
  EXPECT_EQ(job.view->GetNewBaseNameForPrintToFile(record).macRoman(), "IMG_1");
  // An image name that is empty leaves only the job's name.
  job.view->SetCurrentImageName(CStr255_AC{});
  record.namingScheme = std::int16_t{3};
  EXPECT_EQ(job.view->GetNewBaseNameForPrintToFile(record).macRoman(), "order-17");
}

}  // namespace
}  // namespace vorl
