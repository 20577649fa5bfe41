// The job view's own behaviour around the reader: the drawing constants no block carries, the used-files list,
// copies, the sub-job picture and paths that always stay inside their buffers.
#include "jobs/engine/job_view.h"

#include <gtest/gtest.h>

#include "tests/jobs/job_test_support.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

TEST(JobView, FieldsNoBlockFillsTakeTheJobConstants) {
  const auto job = test::readJob(test::minimalJob());
  ASSERT_EQ(job.result, kJobReadOK);
  EXPECT_EQ(job.view->GetResizeMode(), 3);
  EXPECT_EQ(job.view->GetReductionResizeMode(), 3);
  EXPECT_EQ(job.view->GetScaleType(), 3);
  EXPECT_EQ(job.view->GetAlphaOutput(), 0);
  job.view->SetDrawingModes(1, 2, 4, 1);
  EXPECT_EQ(job.view->GetResizeMode(), 1);
  EXPECT_EQ(job.view->GetReductionResizeMode(), 2);
  EXPECT_EQ(job.view->GetScaleType(), 4);
  EXPECT_EQ(job.view->GetAlphaOutput(), 1);
}

TEST(JobView, UsedFilesAreKeptUntilHandedOn) {
  TBGPrintView view;
  FSSpec photo;
  photo.name = Str63("IMG_0001.JPG");
  view.Insert(photo);
  view.Insert(photo);
  ASSERT_NE(view.usedFiles(), nullptr);
  EXPECT_EQ(view.usedFiles()->size(), 2u);

  const auto handed = view.TakeUsedFiles();
  ASSERT_TRUE(handed.has_value());
  EXPECT_EQ(handed->size(), 2u);
  view.Insert(photo);
  EXPECT_EQ(view.usedFiles(), nullptr) << "once handed on, the view keeps no list to add to";
}

TEST(JobView, CloneCopiesSettingsAndObjectsButNoOffscreen) {
  test::JobSpec spec = test::minimalJob();
  spec.pageRecords = {test::textRecord({}), test::nodeRecord({})};
  spec.hasSubJob = true;
  spec.subJobRecords = {test::imageRecord({})};
  auto job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);
  const Rect bounds = makeRect(0, 0, 4, 4);
  job.view->SetSubJobOffscreen(OffscreenPtr(myNewGWorld(&bounds)));
  ASSERT_NE(job.view->GetSubJobOffscreen(), nullptr);

  const std::unique_ptr<TBGPrintView> copy = job.view->Clone();
  EXPECT_EQ(copy->settings().templateName.macRoman(), spec.templateName);
  EXPECT_EQ(copy->settings().resolution, spec.resolution);
  ASSERT_EQ(copy->layoutObjects().size(), 2u);
  EXPECT_NE(copy->layoutObjects()[0].get(), job.view->layoutObjects()[0].get());
  EXPECT_EQ(copy->layoutObjects()[1]->type(), kNodeObjectType);
  EXPECT_EQ(copy->subJobObjects().size(), 1u);
  EXPECT_EQ(copy->GetSubJobOffscreen(), nullptr);
  EXPECT_EQ(copy->behaviour(), job.view->behaviour());
}

TEST(JobView, PathsStopAtTheirBuffersWhenTheyHaveNoTerminator) {
  test::JobSpec spec = test::minimalJob();
  spec.originalPath = "/short/path";
  const auto job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);
  EXPECT_EQ(job.view->originalPath(), "/short/path");

  // A 1024-byte path block with no zero byte at all.
  test::Bytes bytes = test::writeJobFile(spec).bytes;
  const std::size_t videoPathAt = test::writeJobFile(spec).blockStart[41];
  std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(videoPathAt), 1024, 'v');
  const auto unterminated = test::readJob(bytes);
  ASSERT_EQ(unterminated.result, kJobReadOK);
  EXPECT_EQ(unterminated.view->videoPath(), std::string(1024, 'v'));
}

}  // namespace
}  // namespace vorl
