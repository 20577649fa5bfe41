// Drawing the chroma-key sub-job in one step: its picture, the overlays left out, failures and switching
// processing off part-way.
#include <gtest/gtest.h>

#include "jobs/engine/spooler_print_view.h"
#include "tests/jobs/drawing_test_support.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

using test::ScriptedObject;

// A job whose sub-job list holds one attribute record (which sets the ignore-overlays flag and draws nothing).
test::SpoolerJob subJob(bool ignoreOverlays, float width = 1.0f, float height = 1.0f, std::int16_t resolution = 10) {
  test::JobSpec spec = test::minimalJob();
  spec.resolution = resolution;
  spec.hasSubJob = true;
  spec.subJobWidth = width;
  spec.subJobHeight = height;
  test::AttributeSpec attribute;
  attribute.ignoreOverlays = ignoreOverlays ? 1 : 0;
  spec.subJobRecords = {test::attributeRecord(attribute)};
  auto job = test::readSpoolerJob(spec);
  EXPECT_EQ(job.result, kJobReadOK);
  EXPECT_TRUE(job.view->HasSubJob());
  EXPECT_EQ(job.view->IgnoreOverlays(), ignoreOverlays);
  return job;
}

TEST(DrawSubJob, TwoByThreeInchesAt300DotsPerInchIs600By900) {
  auto job = subJob(false, 2.0f, 3.0f, 300);
  EXPECT_EQ(job.view->DrawSubJob(), kDrawOK);
  const Offscreen* picture = job.view->GetSubJobOffscreen();
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(EqualRect(picture->portRect(), makeRect(0, 0, 900, 600)));
  EXPECT_TRUE(test::isBlankPixel(*picture, 599, 899));
  EXPECT_FALSE(job.view->IsDrawingSubJob());
}

TEST(DrawSubJob, IgnoredOverlaysAreLeftOutButThePreviewStillFollows) {
  for (const bool ignore : {true, false}) {
    SCOPED_TRACE(ignore ? "ignoring overlays" : "drawing overlays");
    auto job = subJob(ignore);
    std::vector<std::string> drawn;
    bool drewIntoSubJob = false;
    job.view->AddNewObject(
        std::make_unique<ScriptedObject>("photo", "imag", &drawn, true, [&](Offscreen* page, JobViewAccess* view) {
          drewIntoSubJob = view->IsDrawingSubJob() && page != nullptr && page->width() == 10;
        }));
    job.view->AddNewObject(std::make_unique<ScriptedObject>("overlay", "fovl", &drawn));
    job.view->AddNewObject(std::make_unique<ScriptedObject>("caption", "text", &drawn));

    EXPECT_EQ(job.view->DrawSubJob(), kDrawOK);
    EXPECT_TRUE(drewIntoSubJob);
    EXPECT_EQ(drawn, ignore ? (std::vector<std::string>{"photo", "caption"})
                            : (std::vector<std::string>{"photo", "overlay", "caption"}));
    // attribute: scan; photo: image, scan; overlay (drawn or not): image, scan; caption: scan; then the end.
    EXPECT_EQ(job.observer->calls,
              (std::vector<std::string>{"scan", "image", "scan", "image", "scan", "scan", "image", "no image"}));
    ASSERT_NE(job.view->GetSubJobOffscreen(), nullptr);
    EXPECT_TRUE(test::isMarkedPixel(*job.view->GetSubJobOffscreen(), 0, 0));
    EXPECT_FALSE(job.view->IsDrawingSubJob());
  }
}

TEST(DrawSubJob, AFailingObjectAnswers102AndLeavesNoPicture) {
  auto job = subJob(false);
  std::vector<std::string> drawn;
  job.view->AddNewObject(std::make_unique<ScriptedObject>("photo", "imag", &drawn));
  job.view->AddNewObject(std::make_unique<ScriptedObject>("broken", "ovly", &drawn, false));
  job.view->AddNewObject(std::make_unique<ScriptedObject>("never", "imag", &drawn));

  EXPECT_EQ(job.view->DrawSubJob(), kDrawObjectFailed);
  EXPECT_EQ(drawn, (std::vector<std::string>{"photo", "broken"}));
  EXPECT_EQ(job.view->GetSubJobOffscreen(), nullptr);
  EXPECT_FALSE(job.view->IsDrawingSubJob());
  EXPECT_EQ(job.observer->calls, (std::vector<std::string>{"scan", "image", "scan", "no image", "no image"}));
  EXPECT_EQ(job.observer->handedFiles.size(), 1u) << "the used files are handed on whatever the result";
}

TEST(DrawSubJob, SwitchingProcessingOffEndsAfterTheObjectInHandWith103) {
  auto job = subJob(false);
  std::vector<std::string> drawn;
  test::RecordingObserver& observer = *job.observer;
  job.view->AddNewObject(std::make_unique<ScriptedObject>(
      "photo", "imag", &drawn, true, [&](Offscreen*, JobViewAccess*) { observer.processingOn = false; }));
  job.view->AddNewObject(std::make_unique<ScriptedObject>("never", "imag", &drawn));

  EXPECT_EQ(job.view->DrawSubJob(), kDrawProcessingOff);
  EXPECT_EQ(drawn, (std::vector<std::string>{"photo"}));
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"scan", "image", "scan", "beep", "no image", "no image"}));
  EXPECT_EQ(job.view->GetSubJobOffscreen(), nullptr);
  EXPECT_FALSE(job.view->IsDrawingSubJob());
}

TEST(DrawSubJob, APictureThatCannotBeMadeAnswers105AndDrawsNothing) {
  auto job = subJob(false, 200.0f, 1.0f, 300);
  std::vector<std::string> drawn;
  job.view->AddNewObject(std::make_unique<ScriptedObject>("photo", "imag", &drawn));
  test::MessageRecorder messages;

  EXPECT_EQ(job.view->DrawSubJob(), kDrawOutOfMemory);
  EXPECT_TRUE(drawn.empty());
  EXPECT_EQ(job.view->GetSubJobOffscreen(), nullptr);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0].rfind("The sub-job picture is too large: 60000 x 300 pixels", 0), 0u);
  EXPECT_EQ(job.observer->calls, (std::vector<std::string>{"no image", "no image"}));
}

TEST(DrawSubJob, HandsTheUsedFilesOnAndForgetsThem) {
  auto job = subJob(false);
  FSSpec photo;
  photo.name = Str63("IMG_0042.JPG");
  job.view->Insert(photo);

  EXPECT_EQ(job.view->DrawSubJob(), kDrawOK);
  ASSERT_EQ(job.observer->handedFiles.size(), 1u);
  ASSERT_EQ(job.observer->handedFiles[0].size(), 1u);
  EXPECT_EQ(job.observer->handedFiles[0][0].name, photo.name);
  EXPECT_EQ(job.view->usedFiles(), nullptr);
}

}  // namespace
}  // namespace vorl
