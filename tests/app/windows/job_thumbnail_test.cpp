// The thumbnail from a job file's resource fork: the preview record names the picture to draw.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <fstream>
#include <vector>

#include "app/windows/job_thumbnail.h"
#include "imaging/offscreens/offscreen.h"
#include "imaging/codecs/picture_writer.h"
#include "platform/files/apple_double.h"
#include "tests/support/isolated_environment.h"

namespace vorl {
namespace {

// A 12-byte preview record naming picture `id`, big-endian as QuickTime writes it.
std::vector<std::uint8_t> previewRecord(std::uint16_t id) {
  return {0, 0, 0, 1, 0, 0, 'P', 'I', 'C', 'T', static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)};
}

// A 6x9 picture, every pixel of the colour.
std::vector<std::uint8_t> pictureBytes(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const Rect bounds = makeRect(0, 0, 9, 6);
  OffscreenPtr offscreen{myNewGWorld(&bounds)};
  const PixView view = offscreen->view();
  for (int y = 0; y < view.height(); ++y)
    for (int x = 0; x < view.width(); ++x) {
      std::uint8_t* pixel = view.localPixel(x, y);
      pixel[kRedByte] = r;
      pixel[kGreenByte] = g;
      pixel[kBlueByte] = b;
    }
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(recordOffscreenAsPicture(offscreen.get(), 72, bytes));
  return bytes;
}

TEST(JobThumbnail, PreviewRecordLeadsToItsPicture) {
  const std::vector<std::uint8_t> picture = pictureBytes(0x20, 0x80, 0xE0);
  const struct {
    const char* what;
    std::vector<std::uint8_t> preview;
    std::int16_t pictureId;
    std::vector<std::uint8_t> pictureData;
    bool expectImage;
  } cases[] = {
      {"picture named by the record", previewRecord(300), 300, picture, true},
      {"no picture of that id", previewRecord(301), 300, picture, false},
      {"short preview record", {0, 0, 0, 1, 0, 0, 'P', 'I', 'C', 'T', 1}, 300, picture, false},
      {"damaged picture", previewRecord(300), 300, std::vector<std::uint8_t>(picture.begin(), picture.begin() + 40),
       false},
  };
  const std::filesystem::path folder = test::makeTempFolder("thumbnail");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path job = folder / "Order.job";
    std::filesystem::remove(appleDoublePath(job));
    std::ofstream(job) << "job";
    ASSERT_EQ(writeResource(job, fourCharCode("pnot"), 0, c.preview), noErr);
    ASSERT_EQ(writeResource(job, fourCharCode("PICT"), c.pictureId, c.pictureData), noErr);
    const QImage thumbnail = getThumbnailResourceFromFile(job);
    ASSERT_EQ(!thumbnail.isNull(), c.expectImage);
    if (!c.expectImage) continue;
    EXPECT_EQ(thumbnail.size(), QSize(6, 9));
    EXPECT_EQ(thumbnail.pixel(3, 4) & 0xFFFFFF, 0x2080E0u);
  }
}

TEST(JobThumbnail, FileWithoutSidecarHasNone) {
  const std::filesystem::path job = test::makeTempFolder("thumbnail") / "Plain.job";
  std::ofstream(job) << "job";
  EXPECT_TRUE(getThumbnailResourceFromFile(job).isNull());
  EXPECT_TRUE(getThumbnailResourceFromFile(job.parent_path() / "Missing.job").isNull());
}

}  // namespace
}  // namespace vorl
