// The start-up check of the image codecs: it runs the program's own codec roads, finds them all working in this
// installation, and names a codec that does not work to the operator.
#include "imaging/codecs/codec_probes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/image_files/image_import_export.h"
#include "tests/support/message_recorder.h"

namespace vorl {
namespace {

TEST(CodecProbes, EveryCodecTheProgramUsesWorksHere) {
  std::vector<std::string> names;
  for (const CodecProbe& probe : imageCodecProbes()) names.emplace_back(probe.name);
  // TIFF is what the program writes most set outputs and originals with; it must be among the checks.
  for (const char* needed : {"JPEG", "TIFF (LZW)", "PNG", "Photoshop", "EXIF metadata (Exiv2)", "camera raw (LibRaw)"})
    EXPECT_NE(std::find(names.begin(), names.end(), needed), names.end()) << needed;
  EXPECT_EQ(missingImageCodecs(imageCodecProbes()), std::vector<std::string>{});

  test::MessageRecorder messages;
  CheckIfQuickTimeInstalled();
  EXPECT_EQ(messages.messages(), std::vector<std::string>{}) << "no warning when every codec works";
  EXPECT_EQ(messages.beeps(), 0);
}

TEST(CodecProbes, ACodecThatDoesNotWorkIsNamedToTheOperator) {
  const CodecProbe probes[] = {
      {"Working codec", [] { return true; }},
      {"Broken codec", [] { return false; }},
      {"Other broken codec", [] { return false; }},
  };
  EXPECT_EQ(missingImageCodecs(probes), (std::vector<std::string>{"Broken codec", "Other broken codec"}));

  {
    test::MessageRecorder messages;
    EXPECT_TRUE(reportMissingImageCodecs(probes));
    ASSERT_EQ(messages.messages().size(), 1u);
    const std::string shown = messages.messages()[0];
    EXPECT_NE(shown.find("Broken codec, Other broken codec"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Working codec"), std::string::npos) << shown;
    EXPECT_NE(shown.find("NOT All Features Will Work Properly!"), std::string::npos) << shown;
    EXPECT_EQ(messages.beeps(), 2);
  }
  test::MessageRecorder messages;
  EXPECT_FALSE(reportMissingImageCodecs(std::span<const CodecProbe>(probes, 1)));
  EXPECT_TRUE(messages.messages().empty());
  EXPECT_EQ(messages.beeps(), 0);
}

}  // namespace
}  // namespace vorl
