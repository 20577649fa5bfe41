#include "jobs/outputs/video_merge.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/system/command_runner.h"
#include "platform/plists/user_defaults.h"
#include "tests/jobs/output_test_tools.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/isolated_environment.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using test::folderNames;
using test::makeTempFolder;
using test::toolOutput;

// A one-second test clip; every clip is made alike, so the concat reader can join them without encoding.
void makeClip(const fs::path& file) {
  toolOutput({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=10", "-t", "1",
              "-c:v", "mpeg4", "-y", file.string()});
}

double durationOf(const fs::path& movie) {
  const std::string text = toolOutput({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                                       "default=noprint_wrappers=1:nokey=1", movie.string()});
  return text.empty() ? -1 : std::strtod(text.c_str(), nullptr);
}

class VideoMerge : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::toolAvailable("ffmpeg") || !test::toolAvailable("ffprobe")) GTEST_SKIP() << "ffmpeg or ffprobe missing";
    content_ = makeTempFolder("content");
    makeClip(content_ / "Chapter1.mov");
    makeClip(content_ / "Chapter3.mov");
    setStandardUserDefaults(&defaults_);
    defaults_.setObject(kVideoMergeIntroFileKey, (content_ / "Chapter1.mov").string());
    defaults_.setObject(kVideoMergeOutroFileKey, (content_ / "Chapter3.mov").string());
  }
  void TearDown() override { setStandardUserDefaults(nullptr); }

  fs::path content_;
  UserDefaults defaults_{makeTempFolder("defaults") / "defaults.plist"};
};

TEST_F(VideoMerge, JoinsIntroClipAndOutroWithoutAShell) {
  // Quotes, "$(...)" and backquotes in the folder: a shell would run the touch commands.
  const fs::path folder = makeTempFolder("orders") / R"(O'Brien "Lee" $(touch shell-ran) `touch shell-ran-too`)";
  fs::create_directories(folder / "out");
  makeClip(folder / "clip.mov");
  fs::path written;
  ASSERT_TRUE(MergeVideos(folder / "clip.mov", folder / "out" / "clip.mov", &written));
  EXPECT_EQ(written, folder / "out" / "clip.mov");
  EXPECT_NEAR(durationOf(written), 3.0, 0.15);
  EXPECT_EQ(folderNames(folder / "out"), std::vector<std::string>{"clip.mov"});
  EXPECT_FALSE(fs::exists("shell-ran"));
  EXPECT_FALSE(fs::exists("shell-ran-too"));
  EXPECT_FALSE(fs::exists(folder / "shell-ran"));
}

TEST_F(VideoMerge, ExistingMovieIsKeptAndTheMergeTakesACopyName) {
  const fs::path folder = makeTempFolder("orders");
  makeClip(folder / "clip.mov");
  fs::create_directory(folder / "out");
  test::writeText(folder / "out" / "clip.mov", "an earlier order");
  fs::path written;
  ASSERT_TRUE(MergeVideosNew(folder / "clip.mov", folder / "out" / "clip.mov", &written));
  EXPECT_EQ(written, folder / "out" / "clip copy.mov");
  EXPECT_EQ(toolOutput({"cat", (folder / "out" / "clip.mov").string()}), "an earlier order");
  EXPECT_NEAR(durationOf(written), 3.0, 0.15);
}

TEST_F(VideoMerge, FailuresLeaveNoFileUnderTheFinalName) {
  const fs::path folder = makeTempFolder("orders");
  makeClip(folder / "clip.mov");
  fs::create_directory(folder / "out");
  const fs::path output = folder / "out" / "clip.mov";

  EXPECT_FALSE(MergeVideosNew(folder / "missing.mov", output)) << "missing job clip";
  defaults_.setObject(kVideoMergeOutroFileKey, (content_ / "Chapter9.mov").string());
  EXPECT_FALSE(MergeVideosNew(folder / "clip.mov", output)) << "missing outro clip";
  defaults_.setObject(kVideoMergeOutroFileKey, (content_ / "Chapter3.mov").string());

  EXPECT_FALSE(MergeVideosNew(folder / "clip.mov", folder / "no such folder" / "clip.mov")) << "no folder";
  defaults_.setObject(kVideoMergeProgramKey, "/bin/false");
  EXPECT_FALSE(MergeVideosNew(folder / "clip.mov", output)) << "the merge program fails";
  defaults_.setObject(kVideoMergeProgramKey, "no-such-merge-program");
  EXPECT_FALSE(MergeVideosNew(folder / "clip.mov", output)) << "the merge program is missing";
  defaults_.removeObject(kVideoMergeProgramKey);
  {
    test::FileSizeLimit fullDisk(4096);
    EXPECT_FALSE(MergeVideosNew(folder / "clip.mov", output)) << "full disk";
  }
  EXPECT_TRUE(fs::is_empty(folder / "out"));
}

TEST(VideoMergeSettings, DefaultsToTheSharedContentFolderAndFfmpeg) {
  UserDefaults defaults{makeTempFolder("defaults") / "defaults.plist"};
  setStandardUserDefaults(&defaults);
  const VideoMergeSettings settings = videoMergeSettings();
  setStandardUserDefaults(nullptr);
  EXPECT_EQ(settings.introFile, "/srv/Shared/MasterDvdContentFolder/Chapter1.mov");
  EXPECT_EQ(settings.outroFile, "/srv/Shared/MasterDvdContentFolder/Chapter3.mov");
  EXPECT_EQ(settings.program, "ffmpeg");
}

}  // namespace
}  // namespace vorl
