// The page tool beside the processor: a job with a text, drawn and delivered by each, gives the same picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/system/command_runner.h"
#include "preferences/preference_globals.h"
#include "tests/app/app_harness.h"
#include "tests/app/sample_text.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;
using namespace std::chrono_literals;

// The bytes of a print-data file before its picture: the header length, the header and the marker byte.
constexpr std::size_t kBeforeThePicture = 15041;

std::vector<std::uint8_t> pictureOf(const fs::path& printDataFile) {
  std::ifstream in(printDataFile, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.size() < kBeforeThePicture) return {};
  return {bytes.begin() + static_cast<std::ptrdiff_t>(kBeforeThePicture), bytes.end()};
}

fs::path onlyFileIn(const fs::path& folder) {
  const std::vector<std::string> names = AppHarness::filesIn(folder);
  return names.size() == 1 ? folder / names.front() : fs::path();
}

TEST(DrawPageTool, DrawsAndDeliversTheSameTextPageAsTheProcessor) {
  AppHarness app([](tPrintServerPrefs& prefs) { prefs.autoStart = 0; });
  ASSERT_TRUE(app.start());
  test::JobSpec job = test::printDataJob(1, 3.0f, 100);
  job.pageRecords.push_back(test::textRecord(test::blackTextAcross(job, "Class of 2026")));

  const fs::path toolFolder = app.home() / "page-tool";
  const fs::path toolDelivery = toolFolder / "delivered";
  fs::create_directories(toolDelivery);
  test::writeFile(toolFolder / "text-job", test::writeJobFile(job).bytes);
  const CommandResult run = runCommand({VORL_DRAW_PAGE_TOOL, (toolFolder / "text-job").string(), toolFolder.string(),
                                        (toolFolder / "page.png").string(), toolDelivery.string()},
                                       120s);
  ASSERT_TRUE(run.succeeded()) << run.standardOutput << run.standardError;

  app.dropJob("text-job", job);
  app.click("strt");
  // The print-log line comes once the file has its final name; before, the folder may show it half written
  // under its temporary name.
  ASSERT_TRUE(AppHarness::waitFor([&] { return app.printLogLines().size() == 1; }));

  const std::vector<std::uint8_t> fromTheTool = pictureOf(onlyFileIn(toolDelivery));
  const std::vector<std::uint8_t> fromTheProcessor = pictureOf(onlyFileIn(app.printCentreFolder()));
  // 3 x 4.5 inches at 100 dpi, three bytes a pixel.
  ASSERT_EQ(fromTheProcessor.size(), 300u * 450u * 3u);
  // The text is there: a line of black letters darkens a few thousand of the page's bytes.
  const auto dark = std::count_if(fromTheProcessor.begin(), fromTheProcessor.end(), [](std::uint8_t v) { return v < 96; });
  EXPECT_GT(dark, 1000) << "the processor drew no text";
  EXPECT_TRUE(fromTheTool == fromTheProcessor) << "the page tool's picture differs from the processor's";
}

}  // namespace
}  // namespace vorl
