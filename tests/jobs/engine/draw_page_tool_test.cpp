// The page-drawing tool from the outside: a job file in, a PNG file and a delivered print-data file out.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/system/command_runner.h"
#include "tests/jobs/job_test_support.h"
#include "tests/support/isolated_environment.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;

TEST(DrawPageTool, DrawsThePageAndDeliversItToThePrintCentre) {
  const fs::path root = test::makeTempFolder("draw-page-tool");
  const fs::path images = root / "images";
  const fs::path printCentre = root / "Jobs To Be Printed";
  fs::create_directories(images);
  fs::create_directories(printCentre);
  test::JobSpec spec = test::minimalJob();
  spec.printerType = 34;  // no printer block; the print-data road
  spec.pageWidth = 2;
  spec.pageHeight = 3;
  spec.resolution = 50;
  test::writeFile(root / "job", test::writeJobFile(spec).bytes);

  const CommandResult run = runCommand({VORL_DRAW_PAGE_TOOL, (root / "job").string(), images.string(),
                                        (root / "page.png").string(), printCentre.string()});
  ASSERT_TRUE(run.succeeded()) << describeOutcome(run) << "\n" << run.standardOutput << run.standardError;
  EXPECT_NE(run.standardOutput.find("finishing and delivering the page: 0"), std::string::npos) << run.standardOutput;
  EXPECT_GT(fs::file_size(root / "page.png"), 0u);

  std::vector<fs::path> delivered;
  for (const auto& entry : fs::directory_iterator(printCentre))
    if (entry.path().filename().string().rfind("._", 0) != 0) delivered.push_back(entry.path());
  ASSERT_EQ(delivered.size(), 1u);
  // A portrait page of 100 x 150 pixels, picture as red, green, blue bytes after the 15041 bytes before it.
  EXPECT_EQ(fs::file_size(delivered[0]), 15041u + 100u * 150u * 3u);
}

}  // namespace
}  // namespace vorl
