// Two jobs drawn one after the other: nothing the first one drew, registered or cached reaches the second.
#include <gtest/gtest.h>

#include "imaging/image_files/image_cache.h"
#include "jobs/engine/spooler_print_view.h"
#include "tests/jobs/drawing_test_support.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

using test::ScriptedObject;

FSSpec photoNamed(const char* name) {
  FSSpec file;
  file.name = Str63(name);
  return file;
}

std::vector<std::int16_t> drawPage(TSpoolerPrintView& view) {
  std::vector<std::int16_t> results{view.CreateOffscreens()};
  if (view.HasSubJob()) results.push_back(view.DrawSubJob());
  for (int step = 0; step < 10; ++step) {
    results.push_back(view.DrawNextObject());
    if (results.back() != kDrawMoreToCome) break;
  }
  return results;
}

TEST(TwoJobsInARow, TheSecondSeesNothingOfTheFirst) {
  const FSSpec firstPhoto = photoNamed("FIRST.JPG");
  const myImageColorAdjustInfo colours{};
  std::vector<std::string> drawn;

  // The first job: a sub-job whose photo registers itself, names the output and fills the decoded-image cache.
  {
    test::JobSpec spec = test::emptyNodePage();
    spec.hasSubJob = true;
    spec.subJobWidth = 1.0f;
    spec.subJobHeight = 1.0f;
    test::AttributeSpec attribute;
    attribute.ignoreOverlays = 0;
    spec.subJobRecords = {test::attributeRecord(attribute)};
    auto first = test::readSpoolerJob(spec);
    ASSERT_EQ(first.result, kJobReadOK);
    first.view->AddNewObject(
        std::make_unique<ScriptedObject>("first photo", "imag", &drawn, true, [&](Offscreen*, JobViewAccess* view) {
          view->AddFilesToDelete(firstPhoto);
          view->SetCurrentImageName(CStr255_AC("FIRST"));
          const Rect bounds = makeRect(0, 0, 4, 4);
          SetCurrentImageGWorldPtr(myNewGWorld(&bounds), firstPhoto, 0.0f, colours, 1);
        }));
    first.view->AddObject(std::make_unique<ScriptedObject>("first page", "imag", &drawn));
    ASSERT_EQ(drawPage(*first.view), (std::vector<std::int16_t>{0, 0, 99}));
    ASSERT_NE(first.view->GetSubJobOffscreen(), nullptr);
    ASSERT_EQ(first.view->filesToDelete().size(), 1u) << "kept for the deletion after the reset";

    first.view->ResetJob();
    EXPECT_EQ(first.view->pageOffscreen(), nullptr);
    EXPECT_EQ(first.view->GetSubJobOffscreen(), nullptr);
    EXPECT_TRUE(first.view->currentImageName().empty());
    EXPECT_EQ(GetCurrentImageGWorldPtr(firstPhoto, 0.0f, colours, 1), nullptr) << "the cache was emptied";
    EXPECT_EQ(first.view->filesToDelete().size(), 1u);
  }

  // The second job: no sub-job; its page object looks at what it is given.
  auto second = test::readSpoolerJob(test::emptyNodePage());
  ASSERT_EQ(second.result, kJobReadOK);
  bool blankPage = false;
  bool noSubJobPicture = false;
  bool nothingRegistered = false;
  second.view->AddObject(std::make_unique<ScriptedObject>(
      "second page", "imag", &drawn, true, [&](Offscreen* page, JobViewAccess* access) {
        const auto& view = dynamic_cast<const TSpoolerPrintView&>(*access);
        blankPage = page != nullptr && test::isBlankPixel(*page, 0, 0);
        noSubJobPicture = view.GetSubJobOffscreen() == nullptr && !view.IsDrawingSubJob();
        nothingRegistered = view.filesToDelete().empty() && view.currentImageName().empty();
      }));
  ASSERT_EQ(drawPage(*second.view), (std::vector<std::int16_t>{0, 99}));
  EXPECT_TRUE(blankPage);
  EXPECT_TRUE(noSubJobPicture);
  EXPECT_TRUE(nothingRegistered);
  EXPECT_EQ(drawn, (std::vector<std::string>{"first photo", "first page", "second page"}));
}

}  // namespace
}  // namespace vorl
