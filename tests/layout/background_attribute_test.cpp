// Background-colour objects painting their rounded rectangles, and attribute records reaching the job view.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "jobs/engine/job_view.h"
#include "layout/attribute_objects.h"
#include "tests/layout/fixed_job_view.h"
#include "tests/layout/page_drawing_support.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/object_record_writer.h"

namespace vorl::test {
namespace {

constexpr Rgb kOrange{255, 128, 0};

struct EdgeCase {
  std::int16_t resolution;
  float x;
  float width;
  int left;
  int right;  // one past the last painted column
};

TEST(BackgroundColour, EdgesRoundAndTheFarEdgeTakesTheColumnItFallsIn) {
  const std::vector<EdgeCase> cases = {
      {300, 0, 1.0f, 0, 301}, {300, 0, 1.001f, 0, 301},    {300, 0, 0.5f, 0, 151}, {72, 0, 1.0f, 0, 73},
      {72, 0, 1.001f, 0, 73}, {72, 0, 0.5f, 0, 37},        {301, 0, 1.0f, 0, 302}, {301, 0, 1.001f, 0, 302},
      {301, 0, 0.5f, 0, 151}, {301, 0.5f, 0.5f, 151, 302},  // a near edge at 150.5 rounds away from zero
  };
  for (const EdgeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "resolution " << c.resolution << " x " << c.x << " width " << c.width);
    auto object = makeBackground(c.x, 0, c.width, 0.1f, kOrange);
    const std::optional<Rect> area = object->backgroundRectangle(c.resolution);
    ASSERT_TRUE(area);
    EXPECT_EQ(area->left, c.left);
    EXPECT_EQ(area->right, c.right);

    OffscreenPtr page = makeFilledPage(c.right + 5, 40);
    FixedJobView view;
    ASSERT_TRUE(object->Draw4Printing(page.get(), c.resolution, &view));
    const Rect painted = changedArea(*page, kPageGrey);
    EXPECT_EQ(painted.left, c.left);
    EXPECT_EQ(painted.right, c.right);
    EXPECT_EQ(pixelAt(*page, c.right - 1, 0), kOrange);
    EXPECT_EQ(page->view().portPixel(c.right - 1, 0)[kAlphaByte], 0);
  }
}

TEST(BackgroundColour, SkipFlagLeavesItOffThePrintToFilePrinters) {
  struct SkipCase {
    std::int16_t skipFlag;
    std::int16_t printerType;
    bool painted;
  };
  const std::vector<SkipCase> cases = {
      {1, 25, false}, {1, 26, false}, {1, 28, false}, {1, 49, false}, {1, 52, false}, {1, 24, true},
      {1, 29, true},  {1, 48, true},  {1, 53, true},  {1, 17, true},  {0, 26, true},  {-1, 50, false},
  };
  for (const SkipCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "skip flag " << c.skipFlag << " printer type " << c.printerType);
    auto object = makeBackground(0, 0, 1, 1, kOrange, c.skipFlag);
    OffscreenPtr page = makeFilledPage(20, 20);
    FixedJobView view;
    view.printerType = c.printerType;
    EXPECT_TRUE(object->Draw4Printing(page.get(), 10, &view));
    EXPECT_EQ(pixelAt(*page, 5, 5) == kOrange, c.painted);
  }
}

TEST(BackgroundColour, KeepsTheHighByteOfEachComponentAndStaysInsideThePage) {
  CBackColorDesc desc{};
  placeAt(desc.layout, -1, -1, 100, 100);  // far past every side of the page
  desc.color.red = 0xFFFF;
  desc.color.green = 0x00FF;
  desc.color.blue = 0x8080;
  auto object = TBackColorObject::New(desc);
  OffscreenPtr page = makeFilledPage(30, 20);
  FixedJobView view;
  EXPECT_TRUE(object->Draw4Printing(page.get(), 72, &view));
  EXPECT_EQ(pixelAt(*page, 0, 0), (Rgb{255, 0, 128}));
  EXPECT_EQ(pixelAt(*page, 29, 19), (Rgb{255, 0, 128}));
}

TEST(BackgroundColour, AFrameOutsideThePageRangePaintsNothingAndSucceeds) {
  auto object = makeBackground(200, 0, 1, 1, kOrange);  // 60000 pixels at 300 dpi
  OffscreenPtr page = makeFilledPage(10, 10);
  FixedJobView view;
  EXPECT_FALSE(object->backgroundRectangle(300));
  EXPECT_TRUE(object->Draw4Printing(page.get(), 300, &view));
  EXPECT_EQ(changedArea(*page, kPageGrey).right, 0);
}

TEST(AttributeObject, DrawsNothingAndNeverFails) {
  CAttributeDesc desc{};
  placeAt(desc.layout, 0, 0, 1, 1);
  desc.ignoreOverlays = 1;
  auto object = TAttributeObject::New(desc);
  OffscreenPtr page = makeFilledPage(20, 20);
  FixedJobView view;
  EXPECT_TRUE(object->Draw4Printing(page.get(), 10, &view));
  EXPECT_EQ(changedArea(*page, kPageGrey).right, 0);
}

AttributeSpec attributes(std::int16_t resize, std::int16_t asIs, std::int16_t ignore, std::int16_t original) {
  AttributeSpec spec;
  spec.subjobResizeMode = resize;
  spec.saveTemplateAsIs = asIs;
  spec.ignoreOverlays = ignore;
  spec.saveOriginal = original;
  return spec;
}

TEST(AttributeObject, ValuesReachTheJobViewTheLaterOneWinsAndNotFromInsideANode) {
  JobSpec job;
  NodeSpec node;
  node.records = {attributeRecord(attributes(9, 9, 9, 9)), backColorRecord({})};
  job.pageRecords = {attributeRecord(attributes(1, 1, 1, 1)), backColorRecord({}),
                     attributeRecord(attributes(4, 0, 2, 3)), nodeRecord(node)};
  TBGPrintView view;
  ASSERT_EQ(view.ReadJobFile(writeJobFile(job).bytes), 0);
  EXPECT_EQ(view.settings().subjobResizeMode, 4);
  EXPECT_EQ(view.settings().saveTemplateAsIs, 0);
  EXPECT_EQ(view.settings().ignoreOverlays, 2);
  EXPECT_EQ(view.settings().saveOriginal, 3);
  EXPECT_TRUE(view.IgnoreOverlays());
}

TEST(AttributeObject, ANodeHoldingOnlyAnAttributeLeavesTheViewAsItWas) {
  JobSpec job;
  NodeSpec node;
  node.records = {attributeRecord(attributes(7, 7, 7, 7))};
  job.pageRecords = {nodeRecord(node)};
  TBGPrintView view;
  ASSERT_EQ(view.ReadJobFile(writeJobFile(job).bytes), 0);
  EXPECT_EQ(view.settings().subjobResizeMode, 0);
  EXPECT_EQ(view.settings().ignoreOverlays, 0);
  EXPECT_EQ(view.settings().saveOriginal, 0);
  EXPECT_FALSE(view.IgnoreOverlays());
}

}  // namespace
}  // namespace vorl::test
