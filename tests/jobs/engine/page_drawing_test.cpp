// The spooler view's page: its size, drawing it one object a step, the failed-job notice and the reset between
// jobs.
#include "jobs/engine/spooler_print_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "jobs/engine/page_offscreen.h"
#include "layout/node_object.h"
#include "tests/jobs/drawing_test_support.h"
#include "tests/support/keyed_archive_writer.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

using test::ScriptedObject;

TEST(JobPageRectangle, SidesAreInchesTimesResolutionTruncated) {
  struct Case {
    float width, height;
    std::int16_t resolution;
    int pixelsWide, pixelsHigh;  // 0: refused
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {8.0f, 10.0f, 300, 2400, 3000},
      {2.0f, 3.0f, 300, 600, 900},
      {8.5f, 11.0f, 72, 612, 792},
      {3.999f, 1.01f, 100, 399, 101},  // truncated, never rounded
      {32767.0f, 1.0f, 1, 32767, 1},
      {32768.0f, 1.0f, 1, 0, 0},
      {200.0f, 10.0f, 300, 0, 0},  // 60000 pixels: a 16-bit side would have wrapped to a negative one
      {0.0f, 3.0f, 300, 0, 0},
      {2.0f, 0.001f, 300, 0, 0},  // 0.3 of a pixel
      {-2.0f, 3.0f, 300, 0, 0},
      {2.0f, 3.0f, 0, 0, 0},
      {2.0f, 3.0f, -300, 0, 0},
      {nan, 3.0f, 300, 0, 0},
      {std::numeric_limits<float>::infinity(), 3.0f, 300, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " in at " << c.resolution);
    const auto rectangle = jobPageRectangle(c.width, c.height, c.resolution);
    if (c.pixelsWide == 0) {
      EXPECT_FALSE(rectangle.has_value());
      continue;
    }
    ASSERT_TRUE(rectangle.has_value());
    EXPECT_TRUE(EqualRect(*rectangle, makeRect(0, 0, c.pixelsHigh, c.pixelsWide)));
  }
}

TEST(CreateOffscreens, MakesAWhitePageAndStartsAtTheFirstObject) {
  test::JobSpec spec = test::minimalJob();
  spec.pageWidth = 2.0f;
  spec.pageHeight = 3.0f;
  spec.resolution = 30;
  spec.pageRecords = {test::attributeRecord({}), test::attributeRecord({})};
  auto job = test::readSpoolerJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);

  ASSERT_EQ(job.view->CreateOffscreens(), kDrawOK);
  const Offscreen* page = job.view->pageOffscreen();
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(EqualRect(page->portRect(), makeRect(0, 0, 90, 60)));
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{59, 89}, std::pair{30, 45}})
    EXPECT_TRUE(test::isBlankPixel(*page, x, y));
  EXPECT_EQ(job.view->objectCount(), 2);
  EXPECT_EQ(job.view->currentObject(), 1);
}

TEST(CreateOffscreens, RefusesPagesWithoutSizeOrTooLargeWithAMessage) {
  struct Case {
    float width, height;
    const char* messageStart;
  };
  for (const Case& c :
       {Case{200.0f, 1.0f, "The page is too large: 60000 x 300 pixels"},
        Case{1.0f, 110.0f, "The page is too large: 300 x 33000 pixels"}, Case{0.0f, 1.0f, "The page has no size"}}) {
    SCOPED_TRACE(c.messageStart);
    test::JobSpec spec = test::minimalJob();
    spec.pageWidth = c.width;
    spec.pageHeight = c.height;
    auto job = test::readSpoolerJob(spec);
    ASSERT_EQ(job.result, kJobReadOK);
    test::MessageRecorder messages;
    EXPECT_EQ(job.view->CreateOffscreens(), kDrawOutOfMemory);
    EXPECT_EQ(job.view->pageOffscreen(), nullptr);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].rfind(c.messageStart, 0), 0u) << messages.messages()[0];
    EXPECT_EQ(job.view->DrawNextObject(), kDrawNoObjects) << "no page: nothing may draw";
  }
}

// A page whose list is the file's empty node followed by the objects a test adds.
struct LoopPage {
  test::SpoolerJob job = test::readSpoolerJob(test::emptyNodePage());
  std::vector<std::string> drawn;

  LoopPage() {
    EXPECT_EQ(job.result, kJobReadOK);
    const auto* node = dynamic_cast<const TNodeViewObject*>(job.view->layoutObjects().at(0).get());
    EXPECT_TRUE(node != nullptr && node->HasNoObjects());
  }
  void add(const char* name, const char* type, bool draws = true) {
    job.view->AddObject(std::make_unique<ScriptedObject>(name, type, &drawn, draws));
  }
  // Empty node objects, copied from the file's one.
  void addEmptyNodes(int count) {
    for (int i = 0; i < count; ++i) job.view->AddObject(job.view->layoutObjects().at(0)->Clone());
  }
  std::vector<std::int16_t> drawAll() {
    EXPECT_EQ(job.view->CreateOffscreens(), kDrawOK);
    std::vector<std::int16_t> results;
    for (int step = 0; step < 20; ++step) {
      results.push_back(job.view->DrawNextObject());
      if (results.back() != kDrawMoreToCome) break;
    }
    return results;
  }
};

TEST(DrawNextObject, OneObjectPerCallSkippingEmptyNodesAndNeverPastTheList) {
  LoopPage page;
  page.add("photo", "imag");
  page.addEmptyNodes(1);
  page.add("caption", "text");
  page.add("group", "grou");
  page.addEmptyNodes(2);

  EXPECT_EQ(page.drawAll(), (std::vector<std::int16_t>{1, 1, 1, 99}))
      << "the empty nodes in front, between and behind are passed over without a call of their own";
  EXPECT_EQ(page.drawn, (std::vector<std::string>{"photo", "caption", "group"}));
  EXPECT_TRUE(test::isMarkedPixel(*page.job.view->pageOffscreen(), 0, 0));
  EXPECT_EQ(page.job.view->DrawNextObject(), kDrawPageDone) << "asking again reads nothing past the list";
  EXPECT_EQ(page.drawn.size(), 3u);
}

TEST(DrawNextObject, TheLastObjectAnswersDoneAtOnce) {
  LoopPage page;
  page.add("first", "text");
  page.add("last", "stmp");
  EXPECT_EQ(page.drawAll(), (std::vector<std::int16_t>{1, 99}));
}

TEST(DrawNextObject, TheLastOfTheMostObjectsAPageCountsStillEndsThePage) {
  LoopPage page;
  page.addEmptyNodes(kMaxObjectsInList - 2);
  page.add("last", "text");
  ASSERT_EQ(page.job.view->layoutObjects().size(), static_cast<std::size_t>(kMaxObjectsInList));
  EXPECT_EQ(page.drawAll(), (std::vector<std::int16_t>{99})) << "the position after object 32767 must not wrap";
  EXPECT_EQ(page.drawn, (std::vector<std::string>{"last"}));

  page.add("one too many", "text");
  EXPECT_EQ(page.job.view->CreateOffscreens(), kDrawNoObjects);
}

TEST(DrawNextObject, AFailingObjectAnswers102AndTheJobGoesNoFurther) {
  LoopPage page;
  page.add("first", "imag");
  page.add("broken", "imag", false);
  page.add("never", "imag");
  EXPECT_EQ(page.drawAll(), (std::vector<std::int16_t>{1, 102}));
  EXPECT_EQ(page.drawn, (std::vector<std::string>{"first", "broken"}));
  EXPECT_EQ(page.job.observer->previews.size(), 1u) << "no preview after the failure";
}

TEST(DrawNextObject, ThePreviewFollowsOnlyNodesOverlaysImagesFileOverlaysAndGroups) {
  struct Case {
    const char* type;
    bool preview;
  };
  const Case cases[] = {{"node", true},  {"ovly", true},  {"imag", true},  {"fovl", true},
                        {"grou", true},  {"text", false}, {"edtx", false}, {"dtbs", false},
                        {"stmp", false}, {"tran", false}, {"attr", false}, {"bkco", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    LoopPage page;
    page.add("object", c.type);
    page.add("after", "text");
    ASSERT_EQ(page.drawAll().front(), kDrawMoreToCome);
    const auto& observer = *page.job.observer;
    if (c.preview) {
      EXPECT_EQ(observer.calls, (std::vector<std::string>{"image", "status:"}));
      ASSERT_EQ(observer.previews.size(), 1u);
      ASSERT_NE(observer.previews[0].page, nullptr);
      EXPECT_TRUE(test::isMarkedPixel(*observer.previews[0].page, 0, 0)) << "the page as drawn so far";
      EXPECT_EQ(observer.previews[0].caption, "");
    } else {
      EXPECT_TRUE(observer.calls.empty());
    }
  }
}

TEST(DrawNextObject, AViewWithoutObjectsOrPositionAnswers101) {
  TSpoolerPrintView unread;
  EXPECT_EQ(unread.DrawNextObject(), kDrawNoObjects);

  LoopPage notStarted;
  notStarted.add("object", "text");
  EXPECT_EQ(notStarted.job.view->DrawNextObject(), kDrawNoObjects) << "no page made yet";
  EXPECT_TRUE(notStarted.drawn.empty());
}

TEST(ResetJob, FreesThePageAndPutsTheWindowBackToIdle) {
  LoopPage page;
  page.add("photo", "imag");
  ASSERT_EQ(page.drawAll(), (std::vector<std::int16_t>{99}));
  auto& observer = *page.job.observer;
  observer.calls.clear();
  observer.printers.clear();

  page.job.view->ResetJob();
  EXPECT_EQ(page.job.view->pageOffscreen(), nullptr);
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"no image", "status:", "job name:", "status:Idle\u2026"}));
  ASSERT_EQ(observer.printers.size(), 1u);
  EXPECT_EQ(observer.printers[0].printerType, 0);
  EXPECT_EQ(observer.printers[0].templateName.empty(), true);
  EXPECT_EQ(observer.printers[0].packageName.empty(), true);
  EXPECT_EQ(page.job.view->DrawNextObject(), kDrawNoObjects);
}

ArchivedValue webJobDictionary(bool withImageUrl, bool withStatus) {
  ArchivedValue::Dictionary entries{{"orderid", ArchivedValue::string("A-17")}};
  if (withImageUrl) entries.push_back({"imageurl", ArchivedValue::string("http://studio.local/p/17.jpg")});
  if (withStatus) entries.push_back({"status", ArchivedValue::string("Queued")});
  return ArchivedValue::dictionary(std::move(entries));
}

TEST(SendErrorNotification, OnlyJobsFromTheWebServerAreToldTheyFailed) {
  struct Case {
    const char* name;
    std::function<void(test::JobSpec&)> setUp;
    std::int16_t readResult;
    bool notified;
  };
  const Case cases[] = {
      {"no dictionary", [](test::JobSpec&) {}, kJobReadOK, false},
      {"negative length",
       [](test::JobSpec& s) {
         s.dictionaryArchive = test::encodeKeyedArchive(webJobDictionary(true, false));
         s.dictionaryLength = -4;
       },
       kJobReadOK, false},
      {"length past the buffer",
       [](test::JobSpec& s) {
         s.dictionaryArchive = test::encodeKeyedArchive(webJobDictionary(true, false));
         s.dictionaryLength = 32765;
       },
       kJobReadError, false},
      {"not a dictionary",
       [](test::JobSpec& s) {
         s.dictionaryArchive = test::encodeKeyedArchive(ArchivedValue::array({ArchivedValue::string("imageurl")}));
       },
       kJobReadOK, false},
      {"bytes that do not decode", [](test::JobSpec& s) { s.dictionaryArchive = test::Bytes(40, 0x5A); }, kJobReadOK,
       false},
      {"no image address",
       [](test::JobSpec& s) { s.dictionaryArchive = test::encodeKeyedArchive(webJobDictionary(false, true)); },
       kJobReadOK, false},
      {"from the web server",
       [](test::JobSpec& s) { s.dictionaryArchive = test::encodeKeyedArchive(webJobDictionary(true, false)); },
       kJobReadOK, true},
      {"from the web server with a status",
       [](test::JobSpec& s) { s.dictionaryArchive = test::encodeKeyedArchive(webJobDictionary(true, true)); },
       kJobReadOK, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::JobSpec spec = test::minimalJob();
    c.setUp(spec);
    auto job = test::readSpoolerJob(spec);
    ASSERT_EQ(job.result, c.readResult);
    job.view->SendErrorNotification();
    const auto& notices = job.observer->notices;
    ASSERT_EQ(notices.size(), c.notified ? 1u : 0u);
    if (!c.notified) continue;
    const auto* entries = notices[0].asDictionary();
    ASSERT_NE(entries, nullptr);
    EXPECT_EQ(std::count_if(entries->begin(), entries->end(), [](const auto& e) { return e.key == "status"; }), 1);
    ASSERT_NE(notices[0].find("status"), nullptr);
    EXPECT_EQ(*notices[0].find("status")->asString(), "Job failed to process");
    ASSERT_NE(notices[0].find("orderid"), nullptr);
    EXPECT_EQ(*notices[0].find("orderid")->asString(), "A-17") << "the rest of the dictionary passes on";
    EXPECT_NE(notices[0].find("imageurl"), nullptr);
  }
}

TEST(SpoolerViewClone, CopiesTheJobAndPositionButNoPicture) {
  LoopPage page;
  page.add("first", "text");
  page.add("second", "text");
  ASSERT_EQ(page.job.view->CreateOffscreens(), kDrawOK);
  ASSERT_EQ(page.job.view->DrawNextObject(), kDrawMoreToCome);
  OffscreenPtr kept{myNewGWorld(&page.job.view->pageOffscreen()->portRect())};
  page.job.view->SetKeptPageCopy(std::move(kept));

  const auto copy = page.job.view->Clone();
  EXPECT_EQ(copy->objectCount(), 3);
  EXPECT_EQ(copy->currentObject(), page.job.view->currentObject());
  EXPECT_EQ(copy->layoutObjects().size(), 3u);
  EXPECT_EQ(copy->pageOffscreen(), nullptr);
  EXPECT_EQ(copy->keptPageCopy(), nullptr);
  EXPECT_NE(page.job.view->keptPageCopy(), nullptr);
  EXPECT_EQ(copy->behaviour(), page.job.observer.get());
}

}  // namespace
}  // namespace vorl
